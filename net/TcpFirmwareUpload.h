#pragma once
// The firmware upload on a QTcpSocket (see FirmwareUpload.h for the stream and
// what counts as sent).

#include <QPointer>
#include <QTimer>

#include "net/FirmwareUpload.h"

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
    // Bytes of the stream the device has acknowledged (header included).
    qint64 acknowledged() const;
    void finish(FirmwareUploadResult result, const QString& detail);
    void releaseSocket(bool reset);

    State m_state = State::Idle;
    FirmwareUploadRequest m_request;
    qint64 m_total = 0;         // header and file
    qint64 m_handedOver = 0;    // bytes the system has taken from the socket
    qint64 m_delivered = -1;    // last acknowledged count reported
    QTcpSocket* m_socket = nullptr;
    // A second descriptor of the connection: keeps the connection's statistics
    // readable after the device closed it, and lets a failed upload end with a
    // reset instead of a clean end of stream. -1 where not used.
    int m_shadowFd = -1;
    qint64 m_ackBase = 0;       // the statistics' count before the first byte
    QTimer m_pause;
    QTimer m_poll;
    QTimer m_deadline;
};

} // namespace vantrel::net
