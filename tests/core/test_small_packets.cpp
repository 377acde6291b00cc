// The small fixed packets: network settings, test set, identify and the
// bootloader triggers, each with its controller-side reader.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "protocol/ConfigPackets.h"
#include "protocol/TestPackets.h"
#include "tests/core/byte_diff.h"

using vantrel::model::TNodaluxCtrl;
using vantrel::protocol::Bytes;
using vantrel::testing::bytesEqual;
namespace protocol = vantrel::protocol;

namespace {

// The 12-byte header as it goes on the wire.
Bytes header(std::uint8_t opcode, std::uint8_t version) {
    return {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00, // magic and 0
            0x00, opcode,                                 // opcode, big-endian
            version};                                     // protocol version byte
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TNodaluxCtrl controller(std::uint8_t version) {
    TNodaluxCtrl c;
    c.QorvanaProtVer = version;
    c.MAC = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    c.CurrentIP = {10, 0, 0, 5};
    return c;
}

} // namespace

// --- network settings ---

TEST(NetworkSettings, GoldenBytes) {
    struct Case {
        const char* what;
        std::uint8_t version, dhcp;
        Bytes expected;
    };
    const Case cases[] = {
        {"static address, protocol 8", 8, 0,
         concat(header(0x07, 8), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x00,                               // DHCP off
                                     192, 168, 1, 77,                    // StaticIP
                                     255, 255, 255, 0,                   // SM
                                 })},
        {"DHCP still carries the static fields", 6, 1,
         concat(header(0x07, 6), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x01,                               // DHCP on
                                     192, 168, 1, 77,                    // StaticIP, sent anyway
                                     255, 255, 255, 0,                   // SM, sent anyway
                                 })},
        {"legacy controller: version byte 0", 0, 0,
         concat(header(0x07, 0), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x00,                               // DHCP off
                                     192, 168, 1, 77,                    // StaticIP
                                     255, 255, 255, 0,                   // SM
                                 })},
    };
    for (const auto& k : cases) {
        TNodaluxCtrl c = controller(k.version);
        c.DHCP = k.dhcp;
        c.StaticIP = {192, 168, 1, 77};
        c.SM = {255, 255, 255, 0};
        const auto p = protocol::buildNetworkSettings(c);
        ASSERT_TRUE(p) << k.what;
        ASSERT_EQ(p->size(), 27u) << k.what;
        EXPECT_TRUE(bytesEqual(k.expected, *p)) << k.what;

        const auto read = protocol::readNetworkSettings(*p);
        ASSERT_TRUE(read) << k.what;
        EXPECT_EQ(read->mac, c.MAC);
        EXPECT_EQ(read->dhcp, k.dhcp);
        EXPECT_EQ(read->staticIP, c.StaticIP);
        EXPECT_EQ(read->mask, c.SM);
    }
}

TEST(NetworkSettings, NothingAboveProtocol8AndReaderRejectsOtherPackets) {
    EXPECT_FALSE(protocol::buildNetworkSettings(controller(9)));
    EXPECT_FALSE(protocol::buildNetworkSettings(controller(255)));

    const Bytes good = *protocol::buildNetworkSettings(controller(8));
    Bytes opcode5 = good;
    opcode5[10] = 5;
    const Bytes shortPacket(good.begin(), good.end() - 1);
    Bytes longPacket = good;
    longPacket.push_back(0);
    for (const auto& p : {opcode5, shortPacket, longPacket}) EXPECT_FALSE(protocol::readNetworkSettings(p));
}

// --- test set ---

TEST(TestSet, GoldenBytesPerProtocol) {
    struct Case {
        const char* what;
        std::uint8_t version, mode;
        std::array<std::uint8_t, 4> cols;
        std::uint8_t output;
        std::uint16_t pixel;
        Bytes expected;
    };
    const Case cases[] = {
        {"protocol 8, Red on all outputs, stored pixel 300", 8, 2, {10, 20, 30, 40}, 0, 300,
         concat(header(0x08, 8), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x02,                               // mode 2, Red
                                     0x0A, 0x14, 0x1E,                   // red, green, blue
                                     0x28,                               // white
                                     0x00,                               // output: all
                                     0x01,                               // pixel high byte (300 = 0x012C)
                                     0x00,                               // pixel low byte: 0, mode is not 8
                                 })},
        {"protocol 8, Single Pixel on output 3, pixel 300", 8, 8, {10, 20, 30, 40}, 3, 300,
         concat(header(0x08, 8), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x08,                               // mode 8, Single Pixel
                                     0xFF, 0xFF, 0xFF, 0xFF,             // colour: always full
                                     0x03,                               // output 3
                                     0x01, 0x2C,                         // pixel 300
                                 })},
        {"protocol 7, Set Color", 7, 6, {1, 2, 3, 4}, 3, 300,
         concat(header(0x08, 7), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x06,                               // mode 6, Set Color
                                     0x01, 0x02, 0x03,                   // red, green, blue
                                     0x04,                               // white
                                 })},
        {"protocol 6, Set Color", 6, 6, {1, 2, 3, 4}, 0, 0,
         concat(header(0x08, 6), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x06,                               // mode 6, Set Color
                                     0x01, 0x02, 0x03,                   // red, green, blue
                                     0x04,                               // white
                                 })},
        {"protocol 5: no white", 5, 6, {1, 2, 3, 4}, 0, 0,
         concat(header(0x08, 5), {
                                     0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // MAC
                                     0x06,                               // mode 6, Set Color
                                     0x01, 0x02, 0x03,                   // red, green, blue
                                 })},
        {"protocol 4: no MAC, no white", 4, 6, {1, 2, 3, 4}, 0, 0,
         concat(header(0x08, 4), {
                                     0x06,             // mode 6, Set Color
                                     0x01, 0x02, 0x03, // red, green, blue
                                 })},
        {"legacy record, version byte 0", 0, 1, {9, 8, 7, 6}, 0, 0,
         concat(header(0x08, 0), {
                                     0x01,             // mode 1, RGBW Cycle
                                     0x09, 0x08, 0x07, // red, green, blue
                                 })},
    };
    for (const auto& k : cases) {
        TNodaluxCtrl c = controller(k.version);
        c.TestModeCols = k.cols;
        c.TestOutputNum = k.output;
        c.TestSinglePixelNum = k.pixel;
        const auto p = protocol::buildTestSet(c, k.mode);
        ASSERT_TRUE(p) << k.what;
        EXPECT_TRUE(bytesEqual(k.expected, *p)) << k.what;
    }
}

TEST(TestSet, LengthsAndNothingAboveProtocol8) {
    const std::pair<std::uint8_t, std::size_t> lengths[] = {{0, 16}, {4, 16}, {5, 22}, {6, 23}, {7, 23}, {8, 26}};
    for (const auto& [version, length] : lengths) {
        const auto p = protocol::buildTestSet(controller(version), 2);
        ASSERT_TRUE(p) << int(version);
        EXPECT_EQ(p->size(), length) << int(version);
    }
    EXPECT_FALSE(protocol::buildTestSet(controller(9), 2));
    EXPECT_FALSE(protocol::buildTestSet(controller(255), 2));
}

TEST(TestSet, ControllerReadsWhatTheToolSent) {
    for (std::uint8_t v = 0; v <= 8; ++v) {
        SCOPED_TRACE(::testing::Message() << "version " << int(v));
        TNodaluxCtrl c = controller(v);
        c.TestModeCols = {11, 22, 33, 44};
        c.TestOutputNum = 2;
        c.TestSinglePixelNum = 0x0304;
        const Bytes p = *protocol::buildTestSet(c, protocol::kSinglePixelMode);
        const auto req = protocol::readTestSet(p);
        ASSERT_TRUE(req);
        EXPECT_EQ(req->mode, protocol::kSinglePixelMode);
        EXPECT_EQ(req->mac, v >= 5 ? c.MAC : vantrel::model::Mac{});
        EXPECT_EQ(req->hasWhite, v >= 6);
        EXPECT_EQ(req->hasSinglePixel, v == 8);
        EXPECT_EQ(req->cols[0], 0xFF);
        EXPECT_EQ(req->cols[3], v >= 6 ? 0xFF : 0);
        EXPECT_EQ(req->pixel, v == 8 ? 0x0304 : 0);
        EXPECT_EQ(req->outputNum, v == 8 ? 2 : 0);

        // A packet cut short of its version's layout is refused.
        EXPECT_FALSE(protocol::readTestSet(std::span(p).first(p.size() - 1)));
    }
    Bytes v9 = *protocol::buildTestSet(controller(8), 2);
    v9[11] = 9;
    EXPECT_FALSE(protocol::readTestSet(v9));
    Bytes opcode9 = *protocol::buildTestSet(controller(8), 2);
    opcode9[10] = 9;
    EXPECT_FALSE(protocol::readTestSet(opcode9));
}

// --- identify ---

TEST(Identify, StartAndStopGoldenBytes) {
    const TNodaluxCtrl c = controller(8);
    const Bytes start = concat(header(0x0A, 8), {
                                                    0x00, 0x11, 0x22, 0x33, 0x44, 0x55, // target MAC
                                                    0x00,                               // option
                                                });
    const Bytes stop = concat(header(0x0A, 8), {
                                                   0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // no target
                                                   0x00,                               // option
                                               });
    const auto s = protocol::buildIdentify(c, true);
    const auto t = protocol::buildIdentify(c, false);
    ASSERT_TRUE(s && t);
    EXPECT_TRUE(bytesEqual(start, *s));
    EXPECT_TRUE(bytesEqual(stop, *t));

    const auto withOption = protocol::buildIdentify(c, true, 0x5A);
    ASSERT_TRUE(withOption);
    const auto read = protocol::readIdentify(*withOption);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->mac, c.MAC);
    EXPECT_EQ(read->option, 0x5A);
}

TEST(Identify, OnlyProtocol8AndReaderTakesOnly19Bytes) {
    for (int v : {0, 5, 7, 9, 255}) {
        EXPECT_FALSE(protocol::buildIdentify(controller(static_cast<std::uint8_t>(v)), true)) << v;
        EXPECT_FALSE(protocol::buildIdentify(controller(static_cast<std::uint8_t>(v)), false)) << v;
    }
    const Bytes good = *protocol::buildIdentify(controller(8), true);
    Bytes longer = good; // a diagnostic message shares opcode 10 but is longer
    longer.push_back(0);
    Bytes opcode8 = good;
    opcode8[10] = 8;
    for (const auto& p : {Bytes(good.begin(), good.end() - 1), longer, opcode8})
        EXPECT_FALSE(protocol::readIdentify(p));
}

// --- bootloader triggers ---

TEST(BootloaderTrigger, CurrentAndLegacyGoldenBytes) {
    const auto current = protocol::buildBootloaderTrigger(controller(8));
    ASSERT_TRUE(current);
    EXPECT_TRUE(bytesEqual(concat(header(0x06, 8), {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}), // MAC
                           *current));

    // A protocol-3 controller gets the header alone with the layout version 2.
    EXPECT_TRUE(bytesEqual(header(0x06, 2), protocol::buildBootloaderTriggerV4Below()));

    const auto mac = protocol::readBootloaderTrigger(*current);
    ASSERT_TRUE(mac);
    EXPECT_EQ(*mac, controller(8).MAC);
}

TEST(BootloaderTrigger, NothingAboveProtocol8AndReaderRejectsOtherPackets) {
    EXPECT_FALSE(protocol::buildBootloaderTrigger(controller(9)));
    EXPECT_FALSE(protocol::buildBootloaderTrigger(controller(255)));
    ASSERT_TRUE(protocol::buildBootloaderTrigger(controller(5)));

    const Bytes good = *protocol::buildBootloaderTrigger(controller(8));
    Bytes opcode5 = good;
    opcode5[10] = 5;
    for (const auto& p : {protocol::buildBootloaderTriggerV4Below(), Bytes(good.begin(), good.end() - 1), opcode5})
        EXPECT_FALSE(protocol::readBootloaderTrigger(p));
}
