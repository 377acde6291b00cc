#include "net/TcpFirmwareUpload.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#ifdef Q_OS_LINUX
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vantrel::net {

namespace {

#ifdef Q_OS_LINUX
// Connection states in the kernel's TCP statistics.
constexpr int kTcpClose = 7;     // ended; before the tool closed its side, only by a reset or an error
constexpr int kTcpCloseWait = 8; // the device closed its end in order, the tool's side is open

struct TcpStats {
    qint64 acked = -1; // stream bytes the peer has acknowledged; -1 where the kernel does not keep it
    int state = -1;    // -1: unknown
};

TcpStats tcpStats(int fd) {
    TcpStats stats;
    if (fd < 0) return stats;
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return stats;
    if (length >= offsetof(tcp_info, tcpi_state) + sizeof info.tcpi_state) stats.state = info.tcpi_state;
    if (length >= offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked)
        stats.acked = static_cast<qint64>(info.tcpi_bytes_acked);
    return stats;
}

// Makes the next close of the connection a reset: unsent data is dropped and
// the device sees a broken stream, not an end of file.
void resetOnClose(int fd) {
    if (fd < 0) return;
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}
#endif

// Reads per wake-up while waiting for the device's end: a device that keeps
// talking does not hold the event loop.
constexpr int kEndReadsPerWakeUp = 64;

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
    m_socketLost = false;
    m_lastError = -1;
    m_state = State::Connecting;

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &TcpFirmwareUpload::onConnected);
    // Progress is read from the poll timer, never from inside the socket's signals.
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) { m_handedOver += n; });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        m_lastError = error;
        onConnectionLost(m_socket->errorString());
    });
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
    m_ackBase = std::max<qint64>(0, tcpStats(m_shadowFd).acked);
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
    const qint64 acked = tcpStats(m_shadowFd).acked;
    if (acked >= 0) return std::clamp<qint64>(acked - m_ackBase, 0, m_total);
#endif
    // Without the statistics: what the system has taken counts as delivered.
    return std::min(m_handedOver, m_total);
}

QString TcpFirmwareUpload::fileBytesText() const {
    const qint64 header = m_request.header.size();
    return QStringLiteral("%1 of %2 bytes")
        .arg(std::clamp<qint64>(acknowledged() - header, 0, m_request.file.size()))
        .arg(m_request.file.size());
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

// Every byte has reached the device: close the sending side in order (the
// device reads the end of the file) and wait for the device's end.
void TcpFirmwareUpload::closeAfterDelivery() {
    m_poll.stop();
    m_state = State::Closing;
    if (m_request.closeTimeoutMs > 0) m_deadline.start(m_request.closeTimeoutMs);
    else m_deadline.stop();
#ifdef Q_OS_LINUX
    if (m_shadowFd >= 0) {
        detachSocket();
        ::shutdown(m_shadowFd, SHUT_WR); // fails only when the connection has ended: the read below tells how
        m_endNotifier = new QSocketNotifier(m_shadowFd, QSocketNotifier::Read, this);
        connect(m_endNotifier, &QSocketNotifier::activated, this, &TcpFirmwareUpload::readDeviceEnd);
        readDeviceEnd(); // the end may be there already
        return;
    }
#endif
    // Without a second descriptor the socket object closes, and its end is taken as the device's.
    m_socket->disconnectFromHost();
    if (m_state == State::Closing && m_socket && m_socket->state() == QAbstractSocket::UnconnectedState)
        finish(FirmwareUploadResult::Sent, {});
}

void TcpFirmwareUpload::readDeviceEnd() {
#ifdef Q_OS_LINUX
    char buffer[4096];
    for (int reads = 0; reads < kEndReadsPerWakeUp; ++reads) {
        if (m_state != State::Closing || m_shadowFd < 0) return;
        const ssize_t n = ::recv(m_shadowFd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) continue; // the bootloader has nothing to say to the tool; whatever comes is dropped
        if (n == 0) {
            finish(FirmwareUploadResult::Sent, {}); // the device closed its end in order
            return;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return;
        const int error = errno;
        finish(FirmwareUploadResult::ConnectionBroken,
               error == ECONNRESET
                   ? QStringLiteral("The device reset the connection instead of closing it (%1 had reached it).")
                         .arg(fileBytesText())
                   : QString::fromLocal8Bit(std::strerror(error)));
        return;
    }
#endif
}

void TcpFirmwareUpload::onConnectionLost(const QString& detail) {
    switch (m_state) {
    case State::Idle: return;
    case State::Connecting: finish(FirmwareUploadResult::CannotConnect, detail); return;
    case State::Closing: finish(FirmwareUploadResult::Sent, {}); return; // only without a second descriptor
    case State::Pausing:
    case State::Sending: break;
    }
    m_socketLost = true;
#ifdef Q_OS_LINUX
    if (m_shadowFd >= 0) {
        const int state = tcpStats(m_shadowFd).state;
        if (state == kTcpCloseWait) {
            // The device closed its end in order: complete when it had every byte.
            checkProgress();
            if (m_state != State::Pausing && m_state != State::Sending) return;
            finish(FirmwareUploadResult::ConnectionBroken,
                   QStringLiteral("The device closed the connection after %1 of the file.").arg(fileBytesText()));
            return;
        }
        if (state == kTcpClose && m_lastError == QAbstractSocket::RemoteHostClosedError) {
            finish(FirmwareUploadResult::ConnectionBroken,
                   QStringLiteral("The device reset the connection after %1 of the file had reached it.")
                       .arg(fileBytesText()));
            return;
        }
        finish(FirmwareUploadResult::ConnectionBroken, detail);
        return;
    }
#endif
    // Without the connection's state: the device may close right after taking the last byte.
    if (m_state == State::Sending && acknowledged() >= m_total) {
        finish(FirmwareUploadResult::Sent, {});
        return;
    }
    finish(FirmwareUploadResult::ConnectionBroken, detail);
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
        readDeviceEnd(); // a last look: an end that has just come counts
        // The device has every byte and stayed silent until the wait ran out.
        if (m_state == State::Closing) finish(FirmwareUploadResult::Sent, {});
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

void TcpFirmwareUpload::detachSocket() {
    if (!m_socket) return;
    m_socket->disconnect(this);
    // Closes the socket object's descriptor only: the second one keeps the
    // connection. A socket that has seen the connection end closes by itself
    // (and may be inside its own signal now).
    if (!m_socketLost) m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

void TcpFirmwareUpload::releaseSocket(bool reset) {
    if (m_endNotifier) {
        m_endNotifier->setEnabled(false);
        m_endNotifier->deleteLater();
        m_endNotifier = nullptr;
    }
    if (m_socket) {
        m_socket->disconnect(this);
#ifdef Q_OS_LINUX
        if (reset) resetOnClose(m_shadowFd >= 0 ? m_shadowFd : static_cast<int>(m_socket->socketDescriptor()));
#endif
        if (!m_socketLost) m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
#ifdef Q_OS_LINUX
    if (m_shadowFd >= 0) {
        if (reset) resetOnClose(m_shadowFd);
        ::close(m_shadowFd); // the last descriptor: the connection ends here
        m_shadowFd = -1;
    }
#endif
    Q_UNUSED(reset);
}

} // namespace vantrel::net
