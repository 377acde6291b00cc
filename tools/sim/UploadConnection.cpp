#include "tools/sim/UploadConnection.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace vantrel::sim {

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;
// Reads per notification: a fast sender does not hold the event loop.
constexpr int kReadsPerWakeUp = 64;
} // namespace

UploadConnection::UploadConnection(int descriptor, QObject* parent) : QObject(parent), m_fd(descriptor) {}

UploadConnection::~UploadConnection() { close(); }

void UploadConnection::start() {
    if (m_fd < 0 || m_notifier) return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readAvailable(); });
    // Bytes (or an end) may be waiting already.
    readAvailable();
}

void UploadConnection::readAvailable() {
    std::array<char, kReadChunk> buffer{};
    for (int reads = 0; reads < kReadsPerWakeUp && m_fd >= 0; ++reads) {
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n > 0) {
            if (onData) onData(QByteArray(buffer.data(), static_cast<qsizetype>(n)));
            continue; // onData may have aborted: the loop condition sees it
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        const End end = n == 0 ? End::Closed : errno == ECONNRESET ? End::Reset : End::Failed;
        const QString reason = n == 0 ? QString() : QString::fromLocal8Bit(std::strerror(errno));
        close();
        if (onEnded) onEnded(end, reason); // may delete this: nothing after it
        return;
    }
}

void UploadConnection::abort() {
    if (m_fd < 0) return;
    const linger hard{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close();
}

void UploadConnection::close() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

QString UploadConnection::peerAddress() const {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (m_fd < 0 || ::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
        peer.sin_family != AF_INET)
        return {};
    std::array<char, INET_ADDRSTRLEN> text{};
    if (!::inet_ntop(AF_INET, &peer.sin_addr, text.data(), text.size())) return {};
    return QString::fromLatin1(text.data());
}

const char* UploadConnection::endName(End end) {
    switch (end) {
    case End::Closed: return "closed";
    case End::Reset: return "reset";
    case End::Failed: return "failed";
    }
    return "failed";
}

} // namespace vantrel::sim
