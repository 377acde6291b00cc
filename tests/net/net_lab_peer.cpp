// A stand-in for a device on the lab's lan side, for the endpoint's lab tests.
// Plain sockets, no Qt, so what it sends and sees does not depend on the code
// under test.
//
//   net_lab_peer send FROM TO TEXT [COUNT [SIZE]]
//       Binds FROM:49150 (address shared, broadcast on) and sends COUNT
//       datagrams (default 1) to TO:49150. With COUNT > 1 datagram i carries
//       "TEXT i"; SIZE pads every datagram with '.' to that many bytes.
//       Exit 0 when every datagram went out.
//   net_lab_peer recv BIND COUNT TIMEOUT_MS
//       Binds BIND:49150 (address shared), prints "ready", then one line
//       "SENDER LENGTH TEXT" per datagram (TEXT: the payload with bytes outside
//       printable ASCII as '?'), until COUNT datagrams or TIMEOUT_MS passed.
//       Exit 0 when COUNT arrived, 1 on time-out.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kPort = 49150;
constexpr std::size_t kReceiveBuffer = 65536;
constexpr int kUsage = 2;

int usage() {
    std::fprintf(stderr,
                 "usage: net_lab_peer send FROM TO TEXT [COUNT [SIZE]]\n"
                 "       net_lab_peer recv BIND COUNT TIMEOUT_MS\n");
    return kUsage;
}

bool toAddress(const char* text, sockaddr_in& out) {
    std::memset(&out, 0, sizeof out);
    out.sin_family = AF_INET;
    out.sin_port = htons(kPort);
    return inet_pton(AF_INET, text, &out.sin_addr) == 1;
}

int openSocket(const char* bindText) {
    sockaddr_in local{};
    if (!toAddress(bindText, local)) {
        std::fprintf(stderr, "net_lab_peer: not an IPv4 address: %s\n", bindText);
        return -1;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        std::perror("net_lab_peer: socket");
        return -1;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "net_lab_peer: bind %s:%u: %s\n", bindText, kPort, std::strerror(errno));
        close(fd);
        return -1;
    }
    return fd;
}

int sendMode(int argc, char** argv) {
    if (argc < 5 || argc > 7)
        return usage();
    const long count = argc > 5 ? std::strtol(argv[5], nullptr, 10) : 1;
    const long size = argc > 6 ? std::strtol(argv[6], nullptr, 10) : 0;
    sockaddr_in to{};
    if (count < 1 || size < 0 || !toAddress(argv[3], to))
        return usage();
    const int fd = openSocket(argv[2]);
    if (fd < 0)
        return 1;
    for (long i = 0; i < count; ++i) {
        std::string payload = argv[4];
        if (count > 1)
            payload += " " + std::to_string(i);
        if (static_cast<long>(payload.size()) < size)
            payload.append(static_cast<std::size_t>(size) - payload.size(), '.');
        const ssize_t sent =
            sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent != static_cast<ssize_t>(payload.size())) {
            std::fprintf(stderr, "net_lab_peer: sendto %s: %s\n", argv[3], std::strerror(errno));
            close(fd);
            return 1;
        }
    }
    close(fd);
    return 0;
}

int recvMode(int argc, char** argv) {
    if (argc != 5)
        return usage();
    const long count = std::strtol(argv[3], nullptr, 10);
    const long timeoutMs = std::strtol(argv[4], nullptr, 10);
    if (count < 1 || timeoutMs < 1)
        return usage();
    const int fd = openSocket(argv[2]);
    if (fd < 0)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<char> buffer(kReceiveBuffer);
    long received = 0;
    while (received < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            continue;
        char sender[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
        std::string text(buffer.data(), static_cast<std::size_t>(n));
        for (char& c : text) {
            if (c < 0x20 || c > 0x7E)
                c = '?';
        }
        std::printf("%s %zd %s\n", sender, n, text.c_str());
        std::fflush(stdout);
        ++received;
    }
    close(fd);
    return received == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string mode = argv[1];
    if (mode == "send")
        return sendMode(argc, argv);
    if (mode == "recv")
        return recvMode(argc, argv);
    return usage();
}
