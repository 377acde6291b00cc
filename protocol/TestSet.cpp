// Test-set packet (opcode 8): the tool asks a controller to run a test pattern.
//
//   0..11  header, version byte = the controller's protocol version
//   12     MAC[6]                                   protocol 5 and above
//   B      mode, red, green, blue                   B = 12 below protocol 5, 18 from 5
//          white                                    protocol 6 and above
//          output, pixel high byte, pixel low byte  protocol 8
// In the single-pixel mode the colour bytes are all 0xFF; in every other mode
// the pixel's low byte is 0.

#include "protocol/Header.h"
#include "protocol/ByteReader.h"
#include "protocol/TestPackets.h"

namespace vantrel::protocol {

namespace {

constexpr std::uint8_t kSinglePixelColour = 0xFF;
constexpr std::size_t kRed = 0, kGreen = 1, kBlue = 2, kWhite = kTestWhite;

std::size_t testSetSize(std::uint8_t version) {
    std::size_t size = kHeaderSize + 4; // mode and three colours
    if (version >= kFirstCurrentVersion) size += 6;
    if (version >= kFirstTestWhiteVersion) size += 1;
    if (version >= kFirstSinglePixelVersion) size += 3;
    return size;
}

} // namespace

std::optional<Bytes> buildTestSet(const model::TNodaluxCtrl& c, std::uint8_t mode) {
    const std::uint8_t v = c.QorvanaProtVer;
    if (v > kMaxSendVersion) return std::nullopt;
    const bool singlePixel = mode == kSinglePixelMode;
    const auto colour = [&](std::size_t i) { return singlePixel ? kSinglePixelColour : c.TestModeCols[i]; };

    ByteWriter w;
    writeHeader(w, Opcode::TestSet, v);
    if (v >= kFirstCurrentVersion) w.bytes(c.MAC);
    w.u8(mode);
    w.u8(colour(kRed));
    w.u8(colour(kGreen));
    w.u8(colour(kBlue));
    if (v >= kFirstTestWhiteVersion) w.u8(colour(kWhite));
    if (v >= kFirstSinglePixelVersion) {
        w.u8(c.TestOutputNum);
        w.u8(static_cast<std::uint8_t>(c.TestSinglePixelNum >> 8));
        w.u8(singlePixel ? static_cast<std::uint8_t>(c.TestSinglePixelNum & 0xFF) : 0);
    }
    return w.take();
}

std::optional<TestSetRequest> readTestSet(std::span<const std::uint8_t> datagram) {
    Header h;
    if (!parseHeader(datagram, h) || h.opcode != Opcode::TestSet) return std::nullopt;
    const std::uint8_t v = h.version;
    if (v > kMaxSendVersion || datagram.size() < testSetSize(v)) return std::nullopt;

    ByteReader r(datagram);
    r.seek(kHeaderSize);
    TestSetRequest req;
    if (v >= kFirstCurrentVersion) req.mac = r.bytes<6>();
    req.mode = r.u8();
    req.cols[kRed] = r.u8();
    req.cols[kGreen] = r.u8();
    req.cols[kBlue] = r.u8();
    if (v >= kFirstTestWhiteVersion) {
        req.hasWhite = true;
        req.cols[kWhite] = r.u8();
    }
    if (v >= kFirstSinglePixelVersion) {
        req.hasSinglePixel = true;
        req.outputNum = r.u8();
        req.pixel = r.u16();
    }
    if (!r.ok()) return std::nullopt;
    return req;
}

} // namespace vantrel::protocol
