#pragma once
// The firmware upload on a QTcpSocket (see FirmwareUpload.h for the stream and
// what counts as sent).
//
// The socket cannot tell a device's orderly close from a reset: both end as
// "remote host closed". So the upload keeps a second descriptor of the
// connection and reads the connection's own state through it: the TCP
// statistics while the file goes out, and, once the tool has closed its
// sending side, the device's end straight from the system (0 bytes for an
// orderly close, ECONNRESET for a reset).

#include <QPointer>
#include <QTimer>

#include "net/FirmwareUpload.h"

class QSocketNotifier;
class QTcpSocket;

namespace vantrel::net {

class TcpFirmwareUpload : public FirmwareUpload {
    Q_OBJECT
public:
    explicit TcpFirmwareUpload(QObject* parent = nullptr);
    ~TcpFirmwareUpload() override;

    void start(const FirmwareUploadRequest& request) override;
    void cancel() override;
    bool isRunning() const override { return m_state != State::Idle; }

    // How often the device's acknowledgements are read while the file is sent.
    static constexpr int kPollIntervalMs = 50;

private:
    enum class State { Idle, Connecting, Pausing, Sending, Closing };

    void onConnected();
    void onPauseOver();
    void onConnectionLost(const QString& detail);
    void onDeadline();
    void checkProgress();
    void closeAfterDelivery();
    void readDeviceEnd();
    // The file bytes that had reached the device, as "%1 of %2 bytes".
    QString fileBytesText() const;
    // Bytes of the stream the device has acknowledged (header included).
    qint64 acknowledged() const;
    void finish(FirmwareUploadResult result, const QString& detail);
    // Lets go of the socket object; from then on the connection is the
    // second descriptor's alone.
    void detachSocket();
    void releaseSocket(bool reset);

    State m_state = State::Idle;
    FirmwareUploadRequest m_request;
    qint64 m_total = 0;         // header and file
    qint64 m_handedOver = 0;    // bytes the system has taken from the socket
    qint64 m_delivered = -1;    // last acknowledged count reported
    QTcpSocket* m_socket = nullptr;
    bool m_socketLost = false;  // the socket object has seen the connection end
    int m_lastError = -1;       // the socket object's last QAbstractSocket::SocketError
    // A second descriptor of the connection: keeps the connection's statistics
    // readable after the socket object let go of it, carries the orderly close
    // of the sending side and the wait for the device's end, and lets a failed
    // upload end with a reset instead of a clean end of stream. -1 where not used.
    int m_shadowFd = -1;
    QSocketNotifier* m_endNotifier = nullptr; // reads the device's end in Closing
    qint64 m_ackBase = 0;       // the statistics' count before the first byte
    QTimer m_pause;
    QTimer m_poll;
    QTimer m_deadline;
};

} // namespace vantrel::net
