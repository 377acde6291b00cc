// Test announce (opcode 9): a controller reports the test it is running.
//
// Layout, A = 12 for protocol 0..4 and 18 from protocol 5 on:
//   0..11  header
//   12..17 six bytes that are not interpreted (protocol 5 and above)
//   A      IP address of the reporting controller, first octet first
//   A+4    mode
//   A+5    red, green, blue
//   A+8    white (protocol 6 and above)
//   next   output number (protocol 8)
//   next   pixel number, 16-bit (protocol 8)

#include <algorithm>

#include "protocol/ByteReader.h"
#include "protocol/Header.h"
#include "protocol/TestPackets.h"

namespace vantrel::protocol {

namespace {

constexpr std::uint8_t kMaxAnnounceVersion = 8;

constexpr std::size_t kMacLength = 6;
constexpr std::size_t kIpLength = 4;
constexpr std::size_t kRgb = 3;
constexpr std::size_t kWhite = kTestWhite;

// The whole layout's length for a version (20, 26, 27 or 30 bytes).
std::size_t announceLength(std::uint8_t version) {
    std::size_t len = kHeaderSize;
    if (version >= kFirstCurrentVersion) len += kMacLength;
    len += kIpLength + 1 + kRgb;
    if (version >= kFirstTestWhiteVersion) len += 1;
    if (version >= kFirstSinglePixelVersion) len += 1 + 2;
    return len;
}

// Writes `received` into `stored` when they differ; notes the change.
template <typename T> void update(T& stored, const T& received, bool& changed) {
    if (stored != received) {
        stored = received;
        changed = true;
    }
}

} // namespace

std::optional<TestAnnounce> readTestAnnounce(std::span<const std::uint8_t> datagram, std::uint8_t version) {
    if (version > kMaxAnnounceVersion) return std::nullopt;
    Header h;
    if (!parseHeader(datagram, h) || h.opcode != Opcode::TestAnnounce) return std::nullopt;
    // A packet shorter than its version's layout is dropped rather than half taken.
    if (datagram.size() < announceLength(version)) return std::nullopt;

    ByteReader r(datagram);
    r.seek(kHeaderSize);
    if (version >= kFirstCurrentVersion) r.skip(kMacLength);

    TestAnnounce a;
    a.ip = r.bytes<kIpLength>();
    a.mode = r.u8();
    for (std::size_t i = 0; i < kRgb; ++i)
        a.cols[i] = r.u8();
    if (version >= kFirstTestWhiteVersion) {
        a.hasWhite = true;
        a.cols[kWhite] = r.u8();
    }
    if (version >= kFirstSinglePixelVersion) {
        a.hasSinglePixel = true;
        a.outputNum = r.u8();
        a.pixel = r.u16();
    }
    if (!r.ok()) return std::nullopt;
    return a;
}

Bytes encodeTestAnnounce(const TestAnnounce& a, std::uint8_t version, const model::Mac& mac) {
    ByteWriter w;
    writeHeader(w, Opcode::TestAnnounce, version);
    if (version >= kFirstCurrentVersion) w.bytes(mac);
    w.bytes(a.ip);
    w.u8(a.mode);
    for (std::size_t i = 0; i < kRgb; ++i)
        w.u8(a.cols[i]);
    if (version >= kFirstTestWhiteVersion) w.u8(a.cols[kWhite]);
    if (version >= kFirstSinglePixelVersion) {
        w.u8(a.outputNum);
        w.u16(a.pixel);
    }
    return w.take();
}

AnnounceResult applyTestAnnounce(model::ControllerList& list, const TestAnnounce& a) {
    AnnounceResult result;
    result.index = list.indexOfIP(a.ip);
    if (result.index < 0) return result;

    model::TNodaluxCtrl& c = list.at(static_cast<std::size_t>(result.index));
    bool changed = false;
    update(c.TestMode, a.mode, changed);
    for (std::size_t i = 0; i < kRgb; ++i)
        update(c.TestModeCols[i], a.cols[i], changed);
    if (a.hasWhite) update(c.TestModeCols[kWhite], a.cols[kWhite], changed);
    if (a.hasSinglePixel) {
        update(c.TestOutputNum, a.outputNum, changed);
        update(c.TestSinglePixelNum, a.pixel, changed);
    }
    result.changed = changed;
    return result;
}

} // namespace vantrel::protocol
