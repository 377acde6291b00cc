#pragma once
// Helpers of the firmware tests: a scripted upload (no socket), the real TCP
// upload aimed at a test's own loopback server with short times, a firmware
// file on disk, and a readable byte comparison.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

#include "net/FirmwareUpload.h"
#include "net/TcpFirmwareUpload.h"

namespace firmware_test {

using vantrel::net::FirmwareUpload;
using vantrel::net::FirmwareUploadRequest;
using vantrel::net::FirmwareUploadResult;

// An upload without a socket: records each request; connects and ends with
// the scripted result from the event loop, or waits for finishNow() when the
// test wants to look at the window meanwhile.
class ScriptedUpload final : public FirmwareUpload {
    Q_OBJECT
public:
    QList<FirmwareUploadRequest> requests;
    FirmwareUploadResult result = FirmwareUploadResult::Sent;
    QString detail;
    bool holdOpen = false; // when set, the upload runs until finishNow()

    void start(const FirmwareUploadRequest& request) override {
        if (m_running) return;
        requests.push_back(request);
        m_running = true;
        QTimer::singleShot(0, this, [this] {
            if (!m_running) return;
            if (result != FirmwareUploadResult::CannotConnect) {
                emit connected();
                emit headerWritten();
                emit progress(0, requests.back().file.size());
            }
            if (!holdOpen) finishNow();
        });
    }
    void cancel() override {
        if (!m_running) return;
        m_running = false;
        emit finished(FirmwareUploadResult::Cancelled, QStringLiteral("Cancelled."));
    }
    bool isRunning() const override { return m_running; }

    void finishNow() {
        if (!m_running) return;
        m_running = false;
        if (result == FirmwareUploadResult::Sent) {
            const qint64 size = requests.back().file.size();
            emit progress(size, size);
        }
        emit finished(result, detail);
    }

private:
    bool m_running = false;
};

// The real upload, aimed at the test's server and with short waits; it keeps
// what the window asked for.
class LoopbackUpload final : public vantrel::net::TcpFirmwareUpload {
    Q_OBJECT
public:
    quint16 port = 0;
    int pauseMs = 100;
    int connectTimeoutMs = 5000;
    int stallTimeoutMs = 2000;
    int closeTimeoutMs = 1000;
    QList<FirmwareUploadRequest> asked;

    void start(const FirmwareUploadRequest& request) override {
        asked.push_back(request);
        FirmwareUploadRequest r = request;
        r.host = QStringLiteral("127.0.0.1");
        r.port = port;
        r.pauseMs = pauseMs;
        r.connectTimeoutMs = connectTimeoutMs;
        r.stallTimeoutMs = stallTimeoutMs;
        r.closeTimeoutMs = closeTimeoutMs;
        TcpFirmwareUpload::start(r);
    }
};

// `size` bytes that look like the records of a hex file, different on every line.
inline QByteArray hexLikeBytes(qsizetype size) {
    QByteArray bytes;
    bytes.reserve(size + 64);
    for (int line = 0; bytes.size() < size; ++line)
        bytes += ":10" + QByteArray::number(line % 0x10000, 16).rightJustified(4, '0').toUpper() +
                 "00214601360121470136007EFE09D2190140\r\n";
    bytes.truncate(size);
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// "equal", or where two byte arrays first differ, with the bytes around it in hex.
inline QString byteDiff(const QByteArray& expected, const QByteArray& actual) {
    if (expected == actual) return QStringLiteral("equal");
    qsizetype at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const qsizetype from = qMax<qsizetype>(0, at - 8);
    return QStringLiteral("expected %1 bytes, got %2; first difference at %3\n expected: %4\n actual:   %5")
        .arg(expected.size())
        .arg(actual.size())
        .arg(at)
        .arg(QString::fromLatin1(expected.mid(from, 24).toHex(' ')),
             QString::fromLatin1(actual.mid(from, 24).toHex(' ')));
}

} // namespace firmware_test
