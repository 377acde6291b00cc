#include "config/EditChecks.h"

#include <QLineEdit>
#include <QLocale>
#include <cmath>
#include <limits>

#include "model/Rules.h"

namespace vantrel::config {

namespace {
constexpr int kOneDecimal = 1;
constexpr double kTenthsPerUnit = 10.0;
} // namespace

std::optional<long long> parseWholeNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size()) return std::nullopt;
    for (qsizetype k = i; k < t.size(); ++k) {
        if (t[k] < u'0' || t[k] > u'9') return std::nullopt;
    }
    bool ok = false;
    const long long v = t.toLongLong(&ok, 10);
    if (ok) return v;
    // Only digits, yet too many of them: the far end of the range.
    return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
}

long long checkIntegerEdit(QLineEdit* edit, long long fallback, long long min, long long max) {
    long long v = fallback;
    if (const auto parsed = parseWholeNumber(edit->text())) {
        v = *parsed;
        // Written back in its plain form (" 42", "+42" and "042" read as 42).
        if (edit->text() != QString::number(v)) edit->setText(QString::number(v));
    } else {
        edit->setText(QString::number(fallback));
    }
    if (v < min) {
        v = min;
        edit->setText(QString::number(v));
    }
    if (v > max) {
        v = max;
        edit->setText(QString::number(v));
    }
    return v;
}

int editToInt(QLineEdit* edit, int min, int max) {
    return static_cast<int>(checkIntegerEdit(edit, min, min, max));
}

QString oneDecimal(double value) { return QLocale().toString(value, 'f', kOneDecimal); }

float editTo1DecimalSingle(QLineEdit* edit, double max, double min) {
    const QLocale locale;
    bool ok = false;
    const double v = locale.toDouble(edit->text().trimmed(), &ok);
    QString out;
    if (!ok || !std::isfinite(v) || v < min) {
        out = oneDecimal(min);
    } else if (v > max) {
        out = oneDecimal(max);
    } else {
        out = oneDecimal(v);
    }
    edit->setText(out);
    return locale.toFloat(out);
}

int tenths(double value) { return static_cast<int>(model::roundHalfEven(value * kTenthsPerUnit)); }

} // namespace vantrel::config
