#pragma once
// The yardstick of the discovery benchmarks: one plain socket, bound as the
// program's endpoint binds (adapter address, port 49150, 4 MiB receive
// buffer), that sends the program's poll to the limited broadcast address and
// only counts the datagrams from other addresses until it has N. No Qt, no
// decoding, no list: what the machine allows.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/Header.h"

namespace vantrel::bench {

struct BareRun {
    bool complete = false;
    double ms = 0; // from just before the poll is sent to the N-th datagram
    int received = 0;
};

inline BareRun runBareSocket(const std::string& adapter, int count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    constexpr int kReceiveBuffer = 4 * 1024 * 1024;
    BareRun r;
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return r;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(protocol::kPort);
    ::inet_pton(AF_INET, adapter.c_str(), &local.sin_addr);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "bare: cannot bind %s: %s\n", adapter.c_str(), std::strerror(errno));
        ::close(fd);
        return r;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);

    const protocol::Bytes poll = protocol::buildPoll();
    sockaddr_in broadcast{};
    broadcast.sin_family = AF_INET;
    broadcast.sin_port = htons(protocol::kPort);
    broadcast.sin_addr.s_addr = htonl(INADDR_BROADCAST);

    std::vector<unsigned char> buffer(protocol::kMaxDatagram + 1);
    const Clock::time_point start = Clock::now();
    const auto elapsedMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    if (::sendto(fd, poll.data(), poll.size(), 0, reinterpret_cast<const sockaddr*>(&broadcast), sizeof broadcast) !=
        static_cast<ssize_t>(poll.size())) {
        std::fprintf(stderr, "bare: the poll could not be sent: %s\n", std::strerror(errno));
        ::close(fd);
        return r;
    }
    Clock::time_point last = start;
    while (r.received < count && elapsedMs() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeoutMs - elapsedMs())) <= 0) continue;
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n <= 0 || from.sin_addr.s_addr == local.sin_addr.s_addr) continue;
        ++r.received;
        last = Clock::now();
    }
    ::close(fd);
    r.complete = r.received >= count;
    r.ms = std::chrono::duration<double, std::milli>(last - start).count();
    return r;
}

} // namespace vantrel::bench
