#pragma once
// Texts the configuration windows, flows and the test tab show: record texts
// (UTF-16 code units) as QString, the colour-order items as designed, the
// test-mode list and the Fahrenheit caption beside the fan temperature.

#include <QString>
#include <QStringList>
#include <string_view>

#include "model/Rules.h"

namespace vantrel::config {

inline QString fromU16(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// A record text with its NUL code units left out (fixed-size fields pad with them).
inline QString withoutNuls(std::u16string_view s) {
    QString text;
    for (const char16_t ch : s) {
        if (ch != u'\0') text.append(QChar(ch));
    }
    return text;
}

// The colour-order lists' items as designed, until the LED rules refill them.
inline const QStringList& designColourOrders() {
    static const QStringList items = {QStringLiteral("RGB"), QStringLiteral("RBG"), QStringLiteral("GRB"),
                                      QStringLiteral("GBR"), QStringLiteral("BRG"), QStringLiteral("BGR")};
    return items;
}

// The test-mode list: position = the mode code on the wire; "Single Pixel"
// last, where the controller offers it.
inline QStringList testModeItems(bool withSinglePixel) {
    QStringList items = {QStringLiteral("None (Live Data)"), QStringLiteral("RGBW Cycle"), QStringLiteral("Red"),
                         QStringLiteral("Green"),            QStringLiteral("Blue"),       QStringLiteral("White"),
                         QStringLiteral("Set Color"),        QStringLiteral("Color Fade")};
    if (withSinglePixel) items << QStringLiteral("Single Pixel");
    return items;
}

// "N °F" for a temperature in whole degrees Celsius, rounded half to even.
inline QString fahrenheitText(double celsius) {
    const long f = model::roundHalfEven(celsius * 9.0 / 5.0 + 32.0);
    return QString::number(f) + QStringLiteral(" \u00B0F");
}

} // namespace vantrel::config
