#include "net/TcpFirmwareUpload.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>
#include <cstddef>

#ifdef Q_OS_LINUX
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vantrel::net {

namespace {

#ifdef Q_OS_LINUX
// The count of stream bytes the peer has acknowledged, from the connection's
// TCP statistics; -1 where the kernel does not keep it.
qint64 bytesAcknowledged(int fd) {
    if (fd < 0) return -1;
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return -1;
    if (length < offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked) return -1;
    return static_cast<qint64>(info.tcpi_bytes_acked);
}

// Makes the next close of the connection a reset: unsent data is dropped and
// the device sees a broken stream, not an end of file.
void resetOnClose(int fd) {
    if (fd < 0) return;
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}
#endif

} // namespace

TcpFirmwareUpload::TcpFirmwareUpload(QObject* parent) : FirmwareUpload(parent) {
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer); // the pause must not end early
    m_deadline.setSingleShot(true);
    m_poll.setInterval(kPollIntervalMs);
    connect(&m_pause, &QTimer::timeout, this, &TcpFirmwareUpload::onPauseOver);
    connect(&m_deadline, &QTimer::timeout, this, &TcpFirmwareUpload::onDeadline);
    connect(&m_poll, &QTimer::timeout, this, &TcpFirmwareUpload::checkProgress);
}

TcpFirmwareUpload::~TcpFirmwareUpload() {
    if (m_state != State::Idle) {
        m_state = State::Idle;
        releaseSocket(true);
    }
}

void TcpFirmwareUpload::start(const FirmwareUploadRequest& request) {
    if (m_state != State::Idle) return;
    m_request = request;
    m_total = request.header.size() + request.file.size();
    m_handedOver = 0;
    m_delivered = -1;
    m_ackBase = 0;
    m_state = State::Connecting;

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &TcpFirmwareUpload::onConnected);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) {
        m_handedOver += n;
        if (m_state == State::Sending) checkProgress();
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { onConnectionLost(m_socket->errorString()); });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { onConnectionLost(QStringLiteral("The device closed the connection.")); });

    const QHostAddress address(request.host);
    if (address.protocol() != QAbstractSocket::IPv4Protocol) {
        // Reported from the event loop, like every other end of an upload.
        const QString detail = QStringLiteral("%1 is not an IPv4 address.").arg(request.host);
        QTimer::singleShot(0, this, [this, detail] {
            if (m_state == State::Connecting) finish(FirmwareUploadResult::CannotConnect, detail);
        });
        return;
    }
    if (request.connectTimeoutMs > 0) m_deadline.start(request.connectTimeoutMs);
    m_socket->connectToHost(address, request.port);
}

void TcpFirmwareUpload::cancel() {
    if (m_state != State::Idle) finish(FirmwareUploadResult::Cancelled, QStringLiteral("Cancelled."));
}

void TcpFirmwareUpload::onConnected() {
    if (m_state != State::Connecting) return;
    m_deadline.stop();
    m_state = State::Pausing;
#ifdef Q_OS_LINUX
    m_shadowFd = ::dup(static_cast<int>(m_socket->socketDescriptor()));
    m_ackBase = std::max<qint64>(0, bytesAcknowledged(m_shadowFd));
#endif
    emit connected();
    if (m_state != State::Pausing) return; // cancelled from a slot
    m_socket->write(m_request.header);
    emit headerWritten();
    if (m_state != State::Pausing) return;
    m_pause.start(std::max(0, m_request.pauseMs));
}

void TcpFirmwareUpload::onPauseOver() {
    if (m_state != State::Pausing) return;
    m_state = State::Sending;
    if (!m_request.file.isEmpty()) m_socket->write(m_request.file);
    if (m_request.stallTimeoutMs > 0) m_deadline.start(m_request.stallTimeoutMs);
    m_poll.start();
    checkProgress();
}

qint64 TcpFirmwareUpload::acknowledged() const {
#ifdef Q_OS_LINUX
    const qint64 acked = bytesAcknowledged(m_shadowFd);
    if (acked >= 0) return std::clamp<qint64>(acked - m_ackBase, 0, m_total);
#endif
    // Without the statistics: what the system has taken counts as delivered.
    return std::min(m_handedOver, m_total);
}

void TcpFirmwareUpload::checkProgress() {
    if (m_state != State::Sending) return;
    const qint64 delivered = acknowledged();
    if (delivered > m_delivered) {
        m_delivered = delivered;
        if (m_request.stallTimeoutMs > 0) m_deadline.start(m_request.stallTimeoutMs);
        const qint64 header = m_request.header.size();
        emit progress(std::clamp<qint64>(delivered - header, 0, m_request.file.size()), m_request.file.size());
        if (m_state != State::Sending) return;
    }
    if (delivered >= m_total) closeAfterDelivery();
}

void TcpFirmwareUpload::closeAfterDelivery() {
    m_poll.stop();
    m_state = State::Closing;
    if (m_request.closeTimeoutMs > 0) m_deadline.start(m_request.closeTimeoutMs);
    else m_deadline.stop();
    m_socket->disconnectFromHost();
    // With nothing left to write the socket closes at once (its disconnected
    // signal has then already ended the upload).
    if (m_state == State::Closing && m_socket->state() == QAbstractSocket::UnconnectedState)
        finish(FirmwareUploadResult::Sent, {});
}

void TcpFirmwareUpload::onConnectionLost(const QString& detail) {
    switch (m_state) {
    case State::Idle: return;
    case State::Connecting: finish(FirmwareUploadResult::CannotConnect, detail); return;
    case State::Closing: finish(FirmwareUploadResult::Sent, {}); return; // everything was acknowledged
    case State::Pausing:
    case State::Sending:
        // The device may close right after taking the last byte.
        if (m_state == State::Sending && acknowledged() >= m_total) {
            finish(FirmwareUploadResult::Sent, {});
            return;
        }
        finish(FirmwareUploadResult::ConnectionBroken, detail);
        return;
    }
}

void TcpFirmwareUpload::onDeadline() {
    switch (m_state) {
    case State::Idle:
    case State::Pausing: return;
    case State::Connecting:
        finish(FirmwareUploadResult::CannotConnect,
               QStringLiteral("No connection after %1 ms.").arg(m_request.connectTimeoutMs));
        return;
    case State::Sending:
        checkProgress(); // a last look before giving up
        if (m_state != State::Sending) return;
        finish(FirmwareUploadResult::Stalled,
               QStringLiteral("The device took %1 of %2 bytes, then nothing for %3 ms.")
                   .arg(std::max<qint64>(0, m_delivered - m_request.header.size()))
                   .arg(m_request.file.size())
                   .arg(m_request.stallTimeoutMs));
        return;
    case State::Closing:
        finish(FirmwareUploadResult::Stalled,
               QStringLiteral("The connection did not close within %1 ms.").arg(m_request.closeTimeoutMs));
        return;
    }
}

void TcpFirmwareUpload::finish(FirmwareUploadResult result, const QString& detail) {
    if (m_state == State::Idle) return;
    m_state = State::Idle;
    m_pause.stop();
    m_poll.stop();
    m_deadline.stop();
    releaseSocket(result != FirmwareUploadResult::Sent);
    emit finished(result, detail);
}

void TcpFirmwareUpload::releaseSocket(bool reset) {
    if (m_socket) {
        m_socket->disconnect(this);
#ifdef Q_OS_LINUX
        if (reset) resetOnClose(m_shadowFd >= 0 ? m_shadowFd : static_cast<int>(m_socket->socketDescriptor()));
#endif
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
#ifdef Q_OS_LINUX
    if (m_shadowFd >= 0) {
        ::close(m_shadowFd); // the last descriptor: the connection ends here
        m_shadowFd = -1;
    }
#endif
    Q_UNUSED(reset);
}

} // namespace vantrel::net
