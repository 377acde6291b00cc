#pragma once
// The five texts of a controller's row in the device grid (model/GridTexts.h)
// as Qt strings, in column order: Model, Nickname, IP, Firmware, Temperature.

#include <QString>
#include <QStringList>

#include <array>

#include "model/NodaluxCtrl.h"

namespace vantrel::cli {

struct GridTexts {
    QString model;       // the reply's model name; for a legacy controller the model table's name
    QString nickname;    // the characters before the first NUL
    QString ip;          // the current address, "%d.%d.%d.%d"
    QString firmware;    // the firmware text, up to its first NUL
    QString temperature; // empty for a controller in its bootloader, "N/A", or "45.3°C / 113.5°F"

    std::array<QString, 5> columns() const { return {model, nickname, ip, firmware, temperature}; }
};

// The grid's column titles, in column order.
QStringList gridColumnNames();

// `decimalSeparator` is written in the temperature ("." for files and scripts).
GridTexts gridTexts(const model::TNodaluxCtrl& record, const QString& decimalSeparator = QStringLiteral("."));

} // namespace vantrel::cli
