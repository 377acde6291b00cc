#pragma once
// The firmware upload over TCP: connect to the controller's bootloader, write
// the header line, pause, write the firmware file unchanged, close. The end of
// the stream marks the end of the file; nothing is read back.
//
// An upload runs asynchronously on the thread that owns the object and ends
// with exactly one finished() signal. Once the device has acknowledged every
// byte of the stream (on Linux from the socket's TCP statistics; elsewhere when
// the system took every byte), the tool closes its sending side in order and
// waits, for a bounded time, for the device's end of the connection. The
// upload counts as sent when the device then closes its end in order, or says
// nothing until the wait runs out; a reset before that is a failure, however
// much of the file had arrived. Every wait is bounded; a failed upload is
// aborted with a reset, so that the device never sees a cut-off file as a
// clean end of stream.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace vantrel::net {

// The bootloader listens on the same port number as the UDP protocol.
inline constexpr quint16 kFirmwarePort = 49150;

struct FirmwareUploadRequest {
    QString host;                    // dotted IPv4 address
    quint16 port = kFirmwarePort;
    QByteArray header;               // written first, as given (with its line end)
    int pauseMs = 0;                 // between the header and the file
    QByteArray file;                 // written unchanged after the pause
    int connectTimeoutMs = 0;        // longest wait for the connection
    int stallTimeoutMs = 0;          // longest time without progress while sending
    int closeTimeoutMs = 0;          // longest wait for the device's end after the tool closed its side
};

enum class FirmwareUploadResult {
    Sent,             // every byte acknowledged; then the device closed in order or stayed silent
    CannotConnect,    // refused, unreachable, no route, or the connect wait ran out
    ConnectionBroken, // the device reset the connection, or closed it before the end of the file
    Stalled,          // the device stopped taking data
    Cancelled,        // cancel() was called
};

class FirmwareUpload : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~FirmwareUpload() override = default;

    // Starts an upload. Ignored while one is running.
    virtual void start(const FirmwareUploadRequest& request) = 0;
    // Ends a running upload with Cancelled (the connection is reset).
    virtual void cancel() = 0;
    virtual bool isRunning() const = 0;

signals:
    // The connection is established; the header is written next.
    void connected();
    // The header is written and the pause has begun.
    void headerWritten();
    // Bytes of the file the device has taken so far, of `total`.
    void progress(qint64 delivered, qint64 total);
    // The end of the upload; `detail` names the system's reason on failure.
    void finished(vantrel::net::FirmwareUploadResult result, const QString& detail);
};

} // namespace vantrel::net
