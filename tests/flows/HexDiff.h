#pragma once
// Comparing sent bytes with expected ones: on a difference the test fails
// with a hex listing that names the first differing offset.

#include <QByteArray>
#include <QString>
#include <QTest>
#include <algorithm>
#include <cstdint>

namespace flowtest {

// A hex listing of two byte arrays side by side, marking the bytes that
// differ; the first line names the first differing offset.
inline QString hexDiff(const QByteArray& actual, const QByteArray& expected) {
    QString out;
    const qsizetype n = std::max(actual.size(), expected.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (i >= actual.size() || i >= expected.size() || actual[i] != expected[i]) {
            out = QStringLiteral("  first difference at offset %1\n").arg(i);
            break;
        }
    }
    for (qsizetype i = 0; i < n; ++i) {
        const QString a = i < actual.size() ? QString::asprintf("%02X", static_cast<std::uint8_t>(actual[i])) : "--";
        const QString e =
            i < expected.size() ? QString::asprintf("%02X", static_cast<std::uint8_t>(expected[i])) : "--";
        if (a != e) out += QString::asprintf("  offset %3lld: sent %s, expected %s\n", static_cast<long long>(i),
                                             qPrintable(a), qPrintable(e));
    }
    return out;
}

} // namespace flowtest

#define COMPARE_BYTES(actual, expected)                                                                              \
    do {                                                                                                             \
        const QByteArray a_ = (actual);                                                                              \
        const QByteArray e_ = (expected);                                                                            \
        if (a_ != e_) QFAIL(qPrintable(QStringLiteral("bytes differ (%1 sent, %2 expected):\n%3")                    \
                                           .arg(a_.size())                                                           \
                                           .arg(e_.size())                                                           \
                                           .arg(flowtest::hexDiff(a_, e_))));                                        \
    } while (false)
