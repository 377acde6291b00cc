// A bootloader's upload connection on loopback TCP: the sender's end of
// stream and a reset must end differently, with every byte that came before
// handed on first; an upload that ends in a reset is never complete.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "tools/sim/FirmwareUpload.h"
#include "tools/sim/UploadConnection.h"

namespace {

using vantrel::sim::FirmwareUpload;
using vantrel::sim::UploadConnection;
using End = UploadConnection::End;

// A bound on each wait, so that a fault shows as a failure, not a hang.
constexpr int kWaitBoundMs = 5000;
constexpr int kResetPolls = 100;
constexpr int kResetPollMs = 10;
// Small enough for loopback's buffers to hold before the receiver reads.
constexpr qsizetype kFileBytes = 32 * 1024;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "sim_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}

// A connected pair of loopback TCP sockets: the sender's and the accepted one.
struct Pair {
    int sender = -1;
    int accepted = -1;
};

std::optional<Pair> connectedPair() {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0) return std::nullopt;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    Pair p;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(listener, 1) == 0 &&
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        p.sender = ::socket(AF_INET, SOCK_STREAM, 0);
        if (p.sender >= 0 && ::connect(p.sender, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            p.accepted = ::accept(listener, nullptr, nullptr);
    }
    ::close(listener);
    if (p.accepted < 0) {
        if (p.sender >= 0) ::close(p.sender);
        return std::nullopt;
    }
    return p;
}

void sendAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent), 0);
        ASSERT_GT(n, 0);
        sent += n;
    }
}

void closeWithReset(int fd) {
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
}

QByteArray stream(qsizetype fileBytes) {
    QByteArray s("Firmware Nodalux 16\r\n");
    for (qsizetype i = 0; i < fileBytes; ++i)
        s += static_cast<char>('0' + i % 43);
    return s;
}

struct Outcome {
    QByteArray received;
    std::optional<End> end;
    int ends = 0;
    bool complete = false;
};

// Runs the connection until it reports its end, feeding an upload as the
// simulator does.
Outcome runUntilEnd(UploadConnection& connection) {
    Outcome out;
    FirmwareUpload upload;
    QEventLoop loop;
    connection.onData = [&](const QByteArray& piece) {
        out.received += piece;
        upload.feed(piece);
    };
    connection.onEnded = [&](End end, const QString&) {
        ++out.ends;
        out.end = end;
        upload.finish(end == End::Closed);
        out.complete = upload.complete();
        loop.quit();
    };
    QTimer::singleShot(kWaitBoundMs, &loop, &QEventLoop::quit);
    connection.start();
    if (!out.end) loop.exec();
    return out;
}

TEST(UploadConnection, TellsTheEndOfStreamFromAReset) {
    application();
    struct Case {
        const char* name;
        qsizetype fileBytes;
        bool reset;
        End end;
        bool complete;
    };
    const Case cases[] = {
        {"end of stream after the file", kFileBytes, false, End::Closed, true},
        {"reset after the file", kFileBytes, true, End::Reset, false},
        {"reset after the header alone", 0, true, End::Reset, false},
        {"end of stream after the header alone", 0, false, End::Closed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pair = connectedPair();
        ASSERT_TRUE(pair);
        UploadConnection connection(pair->accepted);
        EXPECT_EQ(connection.peerAddress(), QStringLiteral("127.0.0.1"));
        const QByteArray bytes = stream(c.fileBytes);
        // The sender writes all of it before the receiver reads: the end
        // arrives behind the bytes.
        sendAll(pair->sender, bytes);
        if (c.reset) {
            closeWithReset(pair->sender);
        } else {
            ::close(pair->sender);
        }
        const Outcome out = runUntilEnd(connection);
        ASSERT_TRUE(out.end) << "no end reported";
        EXPECT_EQ(*out.end, c.end);
        EXPECT_EQ(out.ends, 1);
        EXPECT_EQ(out.complete, c.complete);
        EXPECT_FALSE(connection.isOpen());
        if (!c.reset) {
            EXPECT_EQ(out.received, bytes); // every byte before the end
        }
    }
}

// The bootloader drops a rejected upload: the sender sees a reset, and the
// connection reports nothing more.
TEST(UploadConnection, AbortResetsTheSenderAndEndsQuietly) {
    application();
    const auto pair = connectedPair();
    ASSERT_TRUE(pair);
    UploadConnection connection(pair->accepted);
    int ends = 0;
    connection.onData = [&](const QByteArray&) { connection.abort(); };
    connection.onEnded = [&](End, const QString&) { ++ends; };
    sendAll(pair->sender, "Firmware Nodalux 4\r\n");
    connection.start();
    for (int polls = 0; polls < kResetPolls && connection.isOpen(); ++polls)
        QCoreApplication::processEvents(QEventLoop::AllEvents, kResetPollMs);
    EXPECT_FALSE(connection.isOpen());

    // The sender's next read sees the reset.
    char byte = 0;
    int error = 0;
    for (int polls = 0; polls < kResetPolls && error == 0; ++polls) {
        if (::recv(pair->sender, &byte, 1, MSG_DONTWAIT) >= 0) break;
        if (errno != EAGAIN && errno != EWOULDBLOCK) error = errno;
        else QCoreApplication::processEvents(QEventLoop::AllEvents, kResetPollMs);
    }
    EXPECT_EQ(error, ECONNRESET);
    ::close(pair->sender);
    QCoreApplication::processEvents();
    EXPECT_EQ(ends, 0);
}

} // namespace
