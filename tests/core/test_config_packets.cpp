// Configuration packets of both layouts: golden bytes, field offsets, version
// gates and the controller's side (apply) in round trips.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "protocol/ConfigPackets.h"
#include "tests/core/byte_diff.h"

using vantrel::model::TNodaluxCtrl;
using vantrel::protocol::Bytes;
using vantrel::testing::bytesEqual;
namespace protocol = vantrel::protocol;

namespace {

// The identity of a current-layout controller: what sizes its packet and names it.
TNodaluxCtrl currentController(std::uint8_t n, std::uint8_t d, std::uint8_t v) {
    TNodaluxCtrl c;
    c.MAC = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    c.NumStrings = n;
    c.DMXOutputs = d;
    c.QorvanaProtVer = v;
    return c;
}

// Fills every field the current layout carries with values that differ per
// field and per entry, within the first n outputs and d DMX outputs only.
void fillCurrentConfig(TNodaluxCtrl& c) {
    const int n = c.NumStrings, d = c.DMXOutputs;
    c.DHCP = 1;
    c.StaticIP = {10, 0, 0, 5};
    c.SM = {255, 255, 0, 0};
    c.Protocol = 1;
    c.HoldLastFrame = 1;
    c.SimpleConfig = 0x81;
    for (int i = 0; i < n; ++i) {
        c.NumNodes[i] = 100 + i;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1000 + i);
        c.AdvChan[i] = static_cast<std::uint16_t>(1 + 3 * i);
        c.AdvNull[i] = static_cast<std::uint8_t>(i + 1);
        c.AdvZig[i] = static_cast<std::uint16_t>(300 + i);
        c.AdvReverse[i] = static_cast<std::uint8_t>(i % 2);
        c.AdvRgbOrder[i] = static_cast<std::uint8_t>(i % 6);
        c.Grouping[i] = static_cast<std::uint16_t>(2 + i);
        c.Brightness[i] = static_cast<std::uint8_t>(100 - i);
    }
    for (int j = 0; j < d; ++j) {
        c.DmxOutOn[j] = 1;
        c.DmxOutUniv[j] = static_cast<std::uint16_t>(0x0200 + j);
    }
    c.DriverChip = 7;
    c.LedType = 1;
    c.ProtocolSpeed = 11;
    c.CondensedMode = 1;
    c.Gamma = {22, 23, 24, c.QorvanaProtVer >= 6 ? std::uint8_t{25} : std::uint8_t{0}};
    vantrel::model::setNickname(c, u"Stage left \u00E9");
    c.FanTemp = 45;
}

} // namespace

TEST(ConfigPacket, GoldenBytesTwoOutputsOneDmxVersion6) {
    TNodaluxCtrl c = currentController(2, 1, 6);
    c.DHCP = 0;
    c.StaticIP = {192, 168, 1, 50};
    c.SM = {255, 255, 255, 0};
    c.Protocol = 1;
    c.HoldLastFrame = 1;
    c.SimpleConfig = 0x01;
    c.NumNodes = {170, 70000, 999}; // 70000 goes out as its low 16 bits; entry 2 is beyond N
    c.AdvUniv = {1, 0x0102};
    c.AdvChan = {1, 0x01FF};
    c.AdvNull = {3, 0};
    c.AdvZig = {0, 12};
    c.AdvReverse = {0, 1};
    c.AdvRgbOrder = {2, 5};
    c.Grouping = {1, 2};
    c.Brightness = {100, 50};
    c.DmxOutOn = {1, 1}; // entry 1 is beyond D
    c.DmxOutUniv = {0x0203, 0x0999};
    c.DriverChip = 7;
    c.LedType = 1;
    c.ProtocolSpeed = 1;
    c.CondensedMode = 0;
    c.Gamma = {22, 23, 24, 25};
    vantrel::model::setNickname(c, u"Stage\u0141\u00E9"); // U+0141 keeps its low byte 0x41
    c.FanTemp = 45;

    const Bytes expected = {
        'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00, // magic and 0
        0x00, 0x05,                                   // opcode 5, configuration
        0x06,                                         // the controller's protocol version
        0x02, 0x11, 0x22, 0x33, 0x44, 0x55,           // MAC
        0x00,                                         // DHCP off
        192, 168, 1, 50,                              // StaticIP
        255, 255, 255, 0,                             // SM
        0x01,                                         // Protocol: Art-Net
        0x01,                                         // HoldLastFrame
        0x01,                                         // SimpleConfig
        0x00, 0xAA, 0x11, 0x70,                       // NumNodes 170, 70000 -> 0x1170
        0x00, 0x01, 0x01, 0x02,                       // AdvUniv 1, 0x0102
        0x00, 0x01, 0x01, 0xFF,                       // AdvChan 1, 511
        0x03, 0x00,                                   // AdvNull
        0x00, 0x00, 0x00, 0x0C,                       // AdvZig 0, 12
        0x00, 0x01,                                   // AdvReverse
        0x02, 0x05,                                   // AdvRgbOrder
        0x00, 0x01, 0x00, 0x02,                       // Grouping 1, 2
        100, 50,                                      // Brightness
        0x01,                                         // DmxOutOn[0]
        0x02, 0x03,                                   // DmxOutUniv[0]
        0x07,                                         // DriverChip (offset P = 30 + 28 + 3 = 61)
        0x01,                                         // LedType RGBW
        0x01,                                         // ProtocolSpeed
        0x00,                                         // CondensedMode
        22, 23, 24,                                   // Gamma red, green, blue
        25,                                           // Gamma white (version 6 and above)
        'S', 't', 'a', 'g', 'e', 0x41, 0xE9, 0, 0, 0, // Nickname, 40 bytes NUL-padded
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 //
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 //
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 //
        45,                                           // FanTemp
    };
    ASSERT_EQ(expected.size(), 79u + 14 * 2 + 3 * 1);
    const auto built = protocol::buildConfig(c);
    ASSERT_TRUE(built);
    EXPECT_TRUE(bytesEqual(expected, *built));
}

// Where the fields after the per-output sections land, for several sizes.
// Markers are written into the record and looked up at literal offsets.
TEST(ConfigPacket, FieldOffsetsFollowOutputAndDmxCounts) {
    constexpr int kAbsent = -1;
    struct Case {
        std::uint8_t n, d, v;
        std::size_t size;
        int dmxOn, dmxUniv, driverChip, whiteGamma, nickname, fanTemp;
    };
    const Case cases[] = {
        {16, 0, 6, 303, kAbsent, kAbsent, 254, 261, 262, 302},
        {4, 1, 5, 137, 86, 87, 89, kAbsent, 96, 136},
        {32, 4, 8, 539, 478, 482, 490, 497, 498, 538},
        {40, 9, 7, 539, 478, 482, 490, 497, 498, 538}, // counts beyond the arrays are cut to 32 and 4
        {0, 0, 5, 78, kAbsent, kAbsent, 30, kAbsent, 37, 77},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "N=" << int(k.n) << " D=" << int(k.d) << " V=" << int(k.v));
        TNodaluxCtrl c = currentController(k.n, k.d, k.v);
        c.DmxOutOn[0] = 0xD1;
        c.DmxOutUniv[0] = 0xD2D3;
        c.DriverChip = 0xC7;
        c.Gamma = {0xA1, 0xA2, 0xA3, 0xA4};
        vantrel::model::setNickname(c, u"N");
        c.FanTemp = 0xF5;
        const auto p = protocol::buildConfig(c);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->size(), k.size);
        EXPECT_EQ(protocol::configSize(k.n, k.d, k.v), k.size);
        if (k.dmxOn != kAbsent) {
            EXPECT_EQ((*p)[k.dmxOn], 0xD1);
            EXPECT_EQ((*p)[k.dmxUniv], 0xD2);
            EXPECT_EQ((*p)[k.dmxUniv + 1], 0xD3);
        }
        EXPECT_EQ((*p)[k.driverChip], 0xC7);
        EXPECT_EQ((*p)[k.driverChip + 4], 0xA1); // red gamma after chip, LED type, speed, condensed
        EXPECT_EQ((*p)[k.driverChip + 6], 0xA3);
        if (k.whiteGamma != kAbsent) {
            EXPECT_EQ((*p)[k.whiteGamma], 0xA4);
        }
        EXPECT_EQ((*p)[k.nickname], 'N');
        EXPECT_EQ((*p)[k.nickname + 1], 0);
        EXPECT_EQ((*p)[k.fanTemp], 0xF5);
    }
}

TEST(ConfigPacket, SendsNothingOutsideVersions5To8) {
    for (int v : {0, 3, 4, 9, 200, 255}) {
        const TNodaluxCtrl c = currentController(4, 1, static_cast<std::uint8_t>(v));
        EXPECT_FALSE(protocol::buildConfig(c)) << "version " << v;
        EXPECT_EQ(protocol::configSize(4, 1, static_cast<std::uint8_t>(v)), 0u) << "version " << v;
    }
}

TEST(ConfigPacket, RoundTripReproducesTheConfigurationForVersions5To8) {
    for (std::uint8_t v = 5; v <= 8; ++v) {
        SCOPED_TRACE(::testing::Message() << "version " << int(v));
        TNodaluxCtrl source = currentController(5, 2, v);
        fillCurrentConfig(source);
        const auto p = protocol::buildConfig(source);
        ASSERT_TRUE(p);
        TNodaluxCtrl target = currentController(5, 2, v);
        ASSERT_TRUE(protocol::applyConfig(target, *p));
        EXPECT_EQ(target, source);
    }
}

TEST(ConfigPacket, ApplyRejectsAPacketNotMeantForTheTarget) {
    TNodaluxCtrl source = currentController(4, 1, 6);
    fillCurrentConfig(source);
    const Bytes good = *protocol::buildConfig(source);

    struct Case {
        const char* what;
        Bytes packet;
        TNodaluxCtrl target;
    };
    std::vector<Case> cases;
    auto target = [] { return currentController(4, 1, 6); };
    {
        Bytes shortPacket(good.begin(), good.end() - 1);
        cases.push_back({"one byte short", shortPacket, target()});
        Bytes longPacket = good;
        longPacket.push_back(0);
        cases.push_back({"one byte long", longPacket, target()});
        cases.push_back({"empty", Bytes{}, target()});
    }
    {
        TNodaluxCtrl other = target();
        other.MAC[5] = 0x56;
        cases.push_back({"another MAC", good, other});
    }
    {
        TNodaluxCtrl other = currentController(4, 2, 6);
        cases.push_back({"target with another DMX count", good, other});
        TNodaluxCtrl v5 = currentController(4, 1, 5);
        cases.push_back({"target of version 5 (no white gamma)", good, v5});
    }
    {
        Bytes wrongOpcode = good;
        wrongOpcode[10] = 0x07;
        cases.push_back({"opcode 7", wrongOpcode, target()});
        Bytes wrongMagic = good;
        wrongMagic[0] = 'q';
        cases.push_back({"wrong magic", wrongMagic, target()});
    }
    for (auto& k : cases) {
        const TNodaluxCtrl before = k.target;
        EXPECT_FALSE(protocol::applyConfig(k.target, k.packet)) << k.what;
        EXPECT_EQ(k.target, before) << k.what;
    }
}

// --- legacy layout ---

namespace {

// A legacy controller with every field the legacy layout carries set to a
// distinct value, all 16 per-output entries included.
TNodaluxCtrl legacyController(std::uint8_t numStrings) {
    TNodaluxCtrl c;
    c.QorvanaProtVer = 3; // whatever it reported, the layout version byte is 2
    c.NumStrings = numStrings;
    c.MAC = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}; // not part of the legacy layout
    c.DHCP = 1;
    vantrel::model::setNickname(c, u"Bar\u0142"); // U+0142 keeps its low byte 0x42
    for (int i = 0; i < 16; ++i) {
        c.NumNodes[i] = 0x10000 + 0x100 + i; // only the low 16 bits are sent
        c.AdvUniv[i] = static_cast<std::uint16_t>(0x2000 + i);
        c.AdvChan[i] = static_cast<std::uint16_t>(0x3000 + i);
        c.AdvNull[i] = static_cast<std::uint8_t>(0x40 + i);
        c.AdvZig[i] = static_cast<std::uint16_t>(0x5000 + i);
        c.AdvReverse[i] = static_cast<std::uint8_t>(0x60 + i);
        c.AdvRgbOrder[i] = static_cast<std::uint8_t>(0x70 + i);
        c.Grouping[i] = static_cast<std::uint16_t>(0x8000 + i);
        c.Brightness[i] = static_cast<std::uint8_t>(0x90 + i);
    }
    c.Protocol = 2;
    c.DmxMix = 0x11;
    c.MixMode = 0x12;
    c.StaticIP = {192, 168, 0, 9};
    c.SM = {255, 255, 254, 0};
    c.DmxStart = 0x1314;
    c.SacnUniv = 0x0102;
    c.SacnChan = 0x0004;
    c.DriverChip = 0x15;
    c.Gamma = {0x16, 0x17, 0x18, 0};
    c.RgbOrder = {0x19, 0x1A, 0x1B};
    c.DmxOutOn = {1, 0, 1, 0};
    c.DmxOutUniv = {0xA001, 0xA002, 0xA003, 0xA004};
    c.ProtocolSpeed = 1;
    c.HoldLastFrame = 1;
    c.FanTemp = 0x1C;
    c.CondensedMode = 1;
    c.LedType = 1;
    return c;
}

Bytes seq16(std::uint8_t base) {
    Bytes b;
    for (std::uint8_t i = 0; i < 16; ++i) b.push_back(static_cast<std::uint8_t>(base + i));
    return b;
}
Bytes seq16x2(std::uint8_t high, std::uint8_t lowBase) {
    Bytes b;
    for (std::uint8_t i = 0; i < 16; ++i) {
        b.push_back(high);
        b.push_back(static_cast<std::uint8_t>(lowBase + i));
    }
    return b;
}

} // namespace

// Every field of the 338-byte layout at its literal offset. The fields must
// cover the packet without gaps or overlaps; the expected packet is assembled
// from them and compared whole.
TEST(ConfigPacketV4Below, GoldenLayoutOfEveryField) {
    struct Field {
        std::size_t offset;
        const char* name;
        Bytes bytes;
    };
    const std::vector<Field> fields = {
        {0, "magic", {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00}},
        {9, "opcode 5", {0x00, 0x05}},
        {11, "layout version 2 (controller reported 3)", {0x02}},
        {12, "model name", {'N', 'o', 'd', 'a', 'l', 'u', 'x', ' ', '4', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {32, "DHCP", {0x01}},
        {33, "Nickname", {'B', 'a', 'r', 0x42, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          0,   0,   0,   0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {73, "NumNodes[16], low 16 bits", seq16x2(0x01, 0x00)},
        {105, "Protocol", {0x02}},
        {106, "DmxMix", {0x11}},
        {107, "MixMode", {0x12}},
        {108, "StaticIP", {192, 168, 0, 9}},
        {112, "SM", {255, 255, 254, 0}},
        {116, "DmxStart", {0x13, 0x14}},
        {118, "SacnUniv 0x0102", {0x01, 0x02}},
        {120, "SacnChan", {0x00, 0x04}},
        {122, "DriverChip", {0x15}},
        {123, "Gamma red, green, blue", {0x16, 0x17, 0x18}},
        {126, "AdvUniv[16]", seq16x2(0x20, 0x00)},
        {158, "AdvChan[16]", seq16x2(0x30, 0x00)},
        {190, "AdvNull[16]", seq16(0x40)},
        {206, "AdvZig[16]", seq16x2(0x50, 0x00)},
        {238, "AdvReverse[16]", seq16(0x60)},
        {254, "RgbOrder", {0x19, 0x1A, 0x1B}},
        {257, "DmxOutOn[4]", {1, 0, 1, 0}},
        {261, "DmxOutUniv[4]", {0xA0, 0x01, 0xA0, 0x02, 0xA0, 0x03, 0xA0, 0x04}},
        {269, "ProtocolSpeed", {0x01}},
        {270, "AdvRgbOrder[16]", seq16(0x70)},
        {286, "Grouping[16]", seq16x2(0x80, 0x00)},
        {318, "Brightness[16]", seq16(0x90)},
        {334, "HoldLastFrame", {0x01}},
        {335, "FanTemp", {0x1C}},
        {336, "CondensedMode", {0x01}},
        {337, "LedType", {0x01}},
    };
    Bytes expected;
    for (const auto& f : fields) {
        ASSERT_EQ(expected.size(), f.offset) << "gap or overlap before " << f.name;
        expected.insert(expected.end(), f.bytes.begin(), f.bytes.end());
    }
    ASSERT_EQ(expected.size(), 338u);

    const Bytes built = protocol::buildConfigV4Below(legacyController(4));
    EXPECT_TRUE(bytesEqual(expected, built));
}

TEST(ConfigPacketV4Below, ModelNameFollowsTheOutputCount) {
    struct Case {
        std::uint8_t numStrings;
        Bytes name; // bytes 12..31
    };
    const Case cases[] = {
        {16, {'N', 'o', 'd', 'a', 'l', 'u', 'x', ' ', '1', '6', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {4, {'N', 'o', 'd', 'a', 'l', 'u', 'x', ' ', '4', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {8, {'N', 'o', 'd', 'a', 'l', 'u', 'x', ' ', '4', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0, {'N', 'o', 'd', 'a', 'l', 'u', 'x', ' ', '4', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& k : cases) {
        const Bytes p = protocol::buildConfigV4Below(legacyController(k.numStrings));
        ASSERT_EQ(p.size(), 338u);
        EXPECT_TRUE(bytesEqual(k.name, std::span(p).subspan(12, 20))) << int(k.numStrings) << " outputs";
    }
}

TEST(ConfigPacketV4Below, RoundTripReproducesTheConfiguration) {
    TNodaluxCtrl source = legacyController(16);
    for (int i = 0; i < 16; ++i) source.NumNodes[i] = 0x100 + i; // counts that fit 16 bits
    vantrel::model::setNickname(source, u"Bar é");           // characters that fit one byte
    const Bytes p = protocol::buildConfigV4Below(source);

    TNodaluxCtrl target;
    target.QorvanaProtVer = source.QorvanaProtVer;
    target.NumStrings = source.NumStrings;
    target.MAC = source.MAC;
    ASSERT_TRUE(protocol::applyConfigV4Below(target, p));
    EXPECT_EQ(target, source);
}

TEST(ConfigPacketV4Below, ApplyRejectsOtherLengthsAndHeaders) {
    const Bytes good = protocol::buildConfigV4Below(legacyController(16));
    Bytes shortPacket(good.begin(), good.end() - 1);
    Bytes longPacket = good;
    longPacket.push_back(0);
    Bytes version3 = good;
    version3[11] = 3;
    Bytes opcode7 = good;
    opcode7[10] = 7;
    const std::pair<const char*, Bytes> cases[] = {
        {"337 bytes", shortPacket}, {"339 bytes", longPacket}, {"empty", {}},
        {"version byte 3", version3}, {"opcode 7", opcode7},
    };
    for (const auto& [what, packet] : cases) {
        TNodaluxCtrl target = legacyController(16);
        target.FanTemp = 0x77;
        const TNodaluxCtrl before = target;
        EXPECT_FALSE(protocol::applyConfigV4Below(target, packet)) << what;
        EXPECT_EQ(target, before) << what;
    }
}
