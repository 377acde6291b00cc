// A flood for the receive benchmarks (not a test): run on the network lab's
// "lan" side, it sends the program's endpoint a stream of datagrams from one
// plain UDP socket and prints how long the sending took.
//
//   flood_sender diagnostics --from A.B.C.D --to A.B.C.D --count N [--rate R]
//       N diagnostic messages of 470 bytes (a 16-character model name and a
//       368-character message, the longest a message is shown), numbered in
//       their text ("message 00042 ..."), severities taking turns.
//   flood_sender replies --from A.B.C.D --to A.B.C.D --count N [--rate R]
//       N current-layout poll replies, each naming a new controller address
//       (10.78.0.1, 10.78.0.2, ...: the list is keyed by the address a reply
//       names, so every reply is a new controller to the program).
//
// --rate R: R datagrams a second, sent in small groups once a millisecond;
// 0 (the default) sends them back to back. Exit status 0 when all were sent.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantrel::protocol::Bytes;

constexpr std::size_t kModelLength = 16;
constexpr std::size_t kMessageLength = 368;
constexpr int kSendBuffer = 4 * 1024 * 1024;

struct Options {
    std::string kind;
    std::string from;
    std::string to;
    long count = 0;
    long rate = 0;
};

bool parse(int argc, char** argv, Options& o) {
    if (argc < 2) return false;
    o.kind = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--from")
            o.from = value;
        else if (name == "--to")
            o.to = value;
        else if (name == "--count")
            o.count = std::strtol(value, nullptr, 10);
        else if (name == "--rate")
            o.rate = std::strtol(value, nullptr, 10);
        else
            return false;
    }
    return (o.kind == "diagnostics" || o.kind == "replies") && !o.from.empty() && !o.to.empty() && o.count > 0 &&
           o.rate >= 0 && argc % 2 == 0;
}

std::u16string u16(const std::string& s) { return {s.begin(), s.end()}; }

Bytes diagnostic(long k) {
    vantrel::protocol::DiagnosticMessage msg;
    msg.mac = {0x02, 0x00, 0x00, static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
               static_cast<std::uint8_t>(k)};
    msg.ip = {10, 77, 1, 1};
    msg.model = u16(std::string("Nodalux Flood 16").substr(0, kModelLength));
    msg.nickname = u"flood";
    msg.firmware = u"V2.1.0";
    msg.severity = static_cast<std::uint8_t>(k % 3);
    char head[32];
    std::snprintf(head, sizeof head, "message %05ld ", k);
    std::string text = head;
    text.resize(kMessageLength, 'x');
    msg.message = u16(text);
    return vantrel::protocol::encodeDiagnosticMessage(msg);
}

Bytes reply(long k) {
    vantrel::model::TNodaluxCtrl c;
    c.CurrentIP = {10, 78, static_cast<std::uint8_t>(k / 250), static_cast<std::uint8_t>(1 + k % 250)};
    c.CurrentSM = {255, 255, 0, 0};
    c.QorvanaProtVer = 8;
    c.ModelName = u"NX-16";
    c.Firmware = u"V2.1.0";
    c.Temperature = static_cast<std::uint16_t>(300 + k % 200);
    c.MAC = {0x02, 0x01, 0x00, static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
             static_cast<std::uint8_t>(k)};
    c.NumStrings = 16;
    char name[32];
    std::snprintf(name, sizeof name, "flood %06ld", k);
    vantrel::model::setNickname(c, u16(name));
    return vantrel::protocol::encodePollReply(c, 8);
}

sockaddr_in address(const std::string& dotted, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, dotted.c_str(), &a.sin_addr);
    return a;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: flood_sender diagnostics|replies --from A.B.C.D --to A.B.C.D --count N "
                             "[--rate R]\n");
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in local = address(o.from, 0);
    const sockaddr_in target = address(o.to, vantrel::protocol::kPort);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "flood_sender: cannot bind %s: %s\n", o.from.c_str(), std::strerror(errno));
        return 1;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);

    // Everything is encoded first, so that the sending runs at full speed.
    std::vector<Bytes> datagrams;
    datagrams.reserve(static_cast<std::size_t>(o.count));
    for (long k = 0; k < o.count; ++k) datagrams.push_back(o.kind == "diagnostics" ? diagnostic(k) : reply(k));

    const Clock::time_point start = Clock::now();
    long sent = 0;
    for (long k = 0; k < o.count; ++k) {
        if (o.rate > 0) {
            // Datagram k leaves at k / rate seconds, in groups once a millisecond.
            const auto due = start + std::chrono::microseconds(k * 1000000 / o.rate / 1000 * 1000);
            if (Clock::now() < due) std::this_thread::sleep_until(due);
        }
        const Bytes& d = datagrams[static_cast<std::size_t>(k)];
        if (::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) ==
            static_cast<ssize_t>(d.size()))
            ++sent;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ::close(fd);
    std::printf("sent %ld of %ld %s (%zu bytes each) in %.1f ms\n", sent, o.count, o.kind.c_str(),
                datagrams.empty() ? std::size_t{0} : datagrams.front().size(), ms);
    return sent == o.count ? 0 : 1;
}
