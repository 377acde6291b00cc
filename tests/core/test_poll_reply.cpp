// Poll replies of both layouts: hand-written wire images, the differences
// between versions, the bootloader form, the legacy model table, and every
// way a reply can be unacceptable (too short, counts too large), which must
// leave the controller list untouched.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "byte_diff.h"
#include "model/Controllers.h"
#include "model/Text.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"

using namespace vantrel::protocol;
using vantrel::model::ControllerList;
using vantrel::model::TNodaluxCtrl;
using vantrel::testing::bytesEqual;

namespace {

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A text field of `width` bytes, NUL-padded.
Bytes ascii(std::string_view s, std::size_t width) {
    Bytes out(width, 0);
    for (std::size_t i = 0; i < s.size() && i < width; ++i)
        out[i] = static_cast<std::uint8_t>(s[i]);
    return out;
}

std::u16string u16(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

// The text padded with NULs to `width` code units, as fixed-width fields come back.
std::u16string padded(std::string_view s, std::size_t width) {
    std::u16string out = u16(s);
    out.resize(width, u'\0');
    return out;
}

void nickname(TNodaluxCtrl& c, std::string_view s) {
    c.Nickname.fill(u'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        c.Nickname[i] = static_cast<char16_t>(s[i]);
}

const Bytes kMagicWire = {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00};

// A full current-layout record as the reader gives it back for `version`:
// fields the version does not carry hold what the reader sets for them.
TNodaluxCtrl fullRecord(std::uint8_t version, std::uint8_t ipLast = 50) {
    TNodaluxCtrl c;
    c.QorvanaProtVer = version >= 6 ? version : 5;
    c.MAC = {0x00, 0x1E, 0xC0, 0x12, 0x34, 0x56};
    c.ModelName = u"Nodalux 8 Pro";
    c.HwRev = 2;
    c.MinVantrelVer = {2, 3, 0};
    c.Firmware = version >= 6 ? u"V1.5.2 build 7" : padded("V1.5.2", 20);
    c.Brand = 1;
    c.CurrentIP = {192, 168, 1, ipLast};
    c.CurrentSM = {255, 255, 255, 0};
    c.DHCP = 1;
    c.StaticIP = {10, 0, 0, 5};
    c.SM = {255, 0, 0, 0};
    c.Protocol = 1;
    c.HoldLastFrame = 1;
    c.SimpleConfig = 0x01;
    c.MaxPixels = 1020;
    c.NumStrings = 8;
    for (int i = 0; i < 8; ++i) {
        c.NumNodes[i] = 170 + i;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1 + i);
        c.AdvChan[i] = static_cast<std::uint16_t>(1 + 3 * i);
        c.AdvNull[i] = static_cast<std::uint8_t>(i);
        c.AdvZig[i] = static_cast<std::uint16_t>(i * 2);
        c.AdvReverse[i] = i % 2;
        c.AdvRgbOrder[i] = static_cast<std::uint8_t>(i % 6);
        c.Grouping[i] = 1;
        c.Brightness[i] = static_cast<std::uint8_t>(100 - i);
    }
    c.DMXOutputs = 2;
    c.DmxArtNetCapable = version >= 7;
    c.DmxSacnCapable = true;
    c.DmxOutOn = {1, 0, 0, 0};
    c.DmxOutUniv = {500, 501, 0, 0};
    c.NumDrivers = 3;
    c.DriverNameLength = 8;
    c.DriverType = {0, 1, 2};
    c.DriverSpeed = {3, 4, 5};
    c.DriverExpandable = {0, 1, 2};
    c.DriverNames = {padded("WS2811", 8), padded("APA102", 8), u"SK6812W!"};
    c.DriverChip = 1;
    c.LedType = 1;
    c.ProtocolSpeed = 2;
    c.CondensedMode = 1;
    c.Gamma = {22, 23, 24, static_cast<std::uint8_t>(version >= 6 ? 25 : 0)};
    nickname(c, "Truss left");
    c.Temperature = 453;
    c.FanTemp = 45;
    c.NumBanks = 2;
    c.Voltage = {240, 120, 0, 0};
    c.TestMode = 6;
    if (version >= 6) c.TestModeCols = {10, 20, 30, 40};
    if (version >= 8) {
        c.TestOutputNum = 3;
        c.TestSinglePixelNum = 300;
    }
    return c;
}

// A controller running its bootloader: only the fields before the
// configuration and the nickname are set.
TNodaluxCtrl bootloaderRecord(std::uint8_t version) {
    TNodaluxCtrl c;
    c.QorvanaProtVer = version >= 6 ? version : 5;
    c.MAC = {0x00, 0x1E, 0xC0, 0xAB, 0xCD, 0xEF};
    c.ModelName = u"Nodalux 32";
    c.HwRev = 4;
    c.MinVantrelVer = {2, 0, 0};
    c.Firmware = version >= 6 ? u"Bootloader V2.1" : padded("Bootloader V2.1", 20);
    c.Brand = 0;
    c.CurrentIP = {192, 168, 1, 77};
    c.CurrentSM = {255, 255, 0, 0};
    nickname(c, "Stage right");
    return c;
}

// Appends what the reader accepts, as the receive path does.
void feedCurrent(ControllerList& list, const Bytes& datagram) {
    if (auto rec = readPollReply(datagram)) list.append(std::move(*rec));
}
void feedLegacy(ControllerList& list, const Bytes& datagram) {
    if (auto rec = readPollReplyV4Below(datagram)) list.append(std::move(*rec));
}

const std::uint8_t kCurrentVersions[] = {5, 6, 7, 8, 9};

} // namespace

// ---- Current layout: hand-written wire images ---------------------------

TEST(PollReply, Version8WireImageMatchesReaderAndEncoder) {
    const Bytes golden = join({
        kMagicWire,                               // magic "Qorvanix" and 0
        {0x00, 0x02},                         // opcode 2: poll reply
        {0x08},                               // layout version 8
        {0x08},                               // protocol version
        {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, // MAC
        {0x04},                               // model name length N
        {'N', 'X', '3', '2'},                 // model name
        {0x03},                               // hardware revision
        {0x02, 0x03, 0x14},                   // minimum tool version 2.3.20
        {0x07},                               // firmware length F
        {'V', '1', '.', '4', '.', '1', '0'},  // firmware text
        {0x01},                               // brand
        {192, 168, 1, 50},                    // current IP
        {255, 255, 255, 0},                   // current subnet mask
        {0x00},                               // DHCP off
        {10, 0, 0, 5},                        // static IP
        {255, 0, 0, 0},                       // static subnet mask
        {0x01},                               // protocol: Art-Net
        {0x01},                               // hold last frame
        {0x01},                               // simple configuration flags
        {0x03, 0x52},                         // maximum pixels per output 850
        {0x02},                               // output count n
        {0x00, 0xAA, 0x01, 0x2C},             // pixels per output 170, 300
        {0x00, 0x01, 0x00, 0x02},             // start universe 1, 2
        {0x00, 0x01, 0x00, 0x04},             // start channel 1, 4
        {0x05, 0x06},                         // null pixels 5, 6
        {0x00, 0x07, 0x00, 0x08},             // zig-zag 7, 8
        {0x00, 0x01},                         // reverse 0, 1
        {0x02, 0x03},                         // colour order 2, 3
        {0x00, 0x01, 0x00, 0x02},             // grouping 1, 2
        {0x64, 0x32},                         // intensity 100, 50
        {0x01},                               // DMX output count m
        {0x03},                               // DMX capabilities: Art-Net and sACN
        {0x01},                               // DMX output 1 enabled
        {0x01, 0xF4},                         // DMX output 1 universe 500
        {0x02},                               // driver count k
        {0x03},                               // driver name length L
        {0x00, 0x01},                         // driver types
        {0x02, 0x03},                         // driver speeds
        {0x00, 0x01},                         // driver expandability
        {'W', 'S', '2', 'A', 'P', 'A'},       // driver names "WS2", "APA"
        {0x01},                               // driver chip
        {0x01},                               // LED type RGBW
        {0x02},                               // protocol speed
        {0x00},                               // condensed mode
        {0x16, 0x17, 0x18},                   // gamma red, green, blue 2.2, 2.3, 2.4
        {0x19},                               // gamma white 2.5
        ascii("Stage left", 40),              // nickname, NUL-padded
        {0x01, 0xC5},                         // temperature 45.3 degrees
        {0x2D},                               // fan temperature 45
        {0x02},                               // bank count b
        {0x00, 0xF0, 0x00, 0x78},             // bank voltages 24.0 V, 12.0 V
        {0x06},                               // test mode
        {0x0A, 0x14, 0x1E, 0x28},             // test colour 10, 20, 30, 40
        {0x03},                               // test output 3
        {0x01, 0x2C},                         // test pixel 300
    });

    TNodaluxCtrl expected;
    expected.QorvanaProtVer = 8;
    expected.MAC = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    expected.ModelName = u"NX32";
    expected.HwRev = 3;
    expected.MinVantrelVer = {2, 3, 20};
    expected.Firmware = u"V1.4.10";
    expected.Brand = 1;
    expected.CurrentIP = {192, 168, 1, 50};
    expected.CurrentSM = {255, 255, 255, 0};
    expected.StaticIP = {10, 0, 0, 5};
    expected.SM = {255, 0, 0, 0};
    expected.Protocol = 1;
    expected.HoldLastFrame = 1;
    expected.SimpleConfig = 1;
    expected.MaxPixels = 850;
    expected.NumStrings = 2;
    expected.NumNodes[0] = 170;
    expected.NumNodes[1] = 300;
    expected.AdvUniv[0] = 1;
    expected.AdvUniv[1] = 2;
    expected.AdvChan[0] = 1;
    expected.AdvChan[1] = 4;
    expected.AdvNull[0] = 5;
    expected.AdvNull[1] = 6;
    expected.AdvZig[0] = 7;
    expected.AdvZig[1] = 8;
    expected.AdvReverse[1] = 1;
    expected.AdvRgbOrder[0] = 2;
    expected.AdvRgbOrder[1] = 3;
    expected.Grouping[0] = 1;
    expected.Grouping[1] = 2;
    expected.Brightness[0] = 100;
    expected.Brightness[1] = 50;
    expected.DMXOutputs = 1;
    expected.DmxArtNetCapable = true;
    expected.DmxSacnCapable = true;
    expected.DmxOutOn[0] = 1;
    expected.DmxOutUniv[0] = 500;
    expected.NumDrivers = 2;
    expected.DriverNameLength = 3;
    expected.DriverType = {0, 1};
    expected.DriverSpeed = {2, 3};
    expected.DriverExpandable = {0, 1};
    expected.DriverNames = {u"WS2", u"APA"};
    expected.DriverChip = 1;
    expected.LedType = 1;
    expected.ProtocolSpeed = 2;
    expected.Gamma = {22, 23, 24, 25};
    nickname(expected, "Stage left");
    expected.Temperature = 453;
    expected.FanTemp = 45;
    expected.NumBanks = 2;
    expected.Voltage = {240, 120, 0, 0};
    expected.TestMode = 6;
    expected.TestModeCols = {10, 20, 30, 40};
    expected.TestOutputNum = 3;
    expected.TestSinglePixelNum = 300;

    const auto rec = readPollReply(golden);
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(*rec, expected);
    EXPECT_TRUE(bytesEqual(golden, encodePollReply(expected, 8)));
}

TEST(PollReply, Version5WireImageHasNoVersionByteAndFixedFirmware) {
    const Bytes golden = join({
        kMagicWire,                               // magic "Qorvanix" and 0
        {0x00, 0x02},                         // opcode 2: poll reply
        {0x05},                               // layout version 5: no protocol version field
        {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, // MAC, at offset 12
        {0x02},                               // model name length N
        {'N', '4'},                           // model name
        {0x01},                               // hardware revision
        {0x02, 0x00, 0x00},                   // minimum tool version 2.0.0
        ascii("V1.2.3", 20),                  // firmware: always 20 bytes, no length
        {0x00},                               // brand
        {10, 1, 2, 3},                        // current IP
        {255, 0, 0, 0},                       // current subnet mask
        {0x01},                               // DHCP on
        {10, 1, 2, 3},                        // static IP
        {255, 0, 0, 0},                       // static subnet mask
        {0x00},                               // protocol: sACN
        {0x00},                               // hold last frame
        {0x00},                               // simple configuration flags
        {0x01, 0x54},                         // maximum pixels per output 340
        {0x01},                               // output count n
        {0x00, 0x64},                         // pixels 100
        {0x00, 0x09},                         // start universe 9
        {0x00, 0x01},                         // start channel 1
        {0x00},                               // null pixels
        {0x00, 0x00},                         // zig-zag
        {0x00},                               // reverse
        {0x01},                               // colour order
        {0x00, 0x01},                         // grouping 1
        {0xFF},                               // intensity 255
        {0x00},                               // DMX output count 0, no capability byte
        {0x01},                               // driver count k
        {0x02},                               // driver name length L
        {0x07},                               // driver type
        {0x08},                               // driver speed
        {0x00},                               // driver expandability
        {'A', 'B'},                           // driver name
        {0x00},                               // driver chip
        {0x00},                               // LED type RGB
        {0x01},                               // protocol speed
        {0x00},                               // condensed mode
        {0x16, 0x16, 0x16},                   // gamma red, green, blue; no white
        ascii("Bar", 40),                     // nickname
        {0xFF, 0xFF},                         // temperature not available
        {0x32},                               // fan temperature 50
        {0x01},                               // bank count
        {0x00, 0x78},                         // bank voltage 12.0 V
        {0x02},                               // test mode; no colours, no output, no pixel
    });

    TNodaluxCtrl expected;
    expected.QorvanaProtVer = 5;
    expected.MAC = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    expected.ModelName = u"N4";
    expected.HwRev = 1;
    expected.MinVantrelVer = {2, 0, 0};
    expected.Firmware = padded("V1.2.3", 20);
    expected.CurrentIP = {10, 1, 2, 3};
    expected.CurrentSM = {255, 0, 0, 0};
    expected.DHCP = 1;
    expected.StaticIP = {10, 1, 2, 3};
    expected.SM = {255, 0, 0, 0};
    expected.MaxPixels = 340;
    expected.NumStrings = 1;
    expected.NumNodes[0] = 100;
    expected.AdvUniv[0] = 9;
    expected.AdvChan[0] = 1;
    expected.AdvRgbOrder[0] = 1;
    expected.Grouping[0] = 1;
    expected.Brightness[0] = 255;
    expected.DmxArtNetCapable = false; // versions 5 and 6: sACN only
    expected.DmxSacnCapable = true;
    expected.NumDrivers = 1;
    expected.DriverNameLength = 2;
    expected.DriverType = {7};
    expected.DriverSpeed = {8};
    expected.DriverExpandable = {0};
    expected.DriverNames = {u"AB"};
    expected.ProtocolSpeed = 1;
    expected.Gamma = {22, 22, 22, 0};
    nickname(expected, "Bar");
    expected.Temperature = 0xFFFF;
    expected.FanTemp = 50;
    expected.NumBanks = 1;
    expected.Voltage[0] = 120;
    expected.TestMode = 2;

    const auto rec = readPollReply(golden);
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(*rec, expected);
    EXPECT_TRUE(bytesEqual(golden, encodePollReply(expected, 5)));
}

// ---- Current layout: what each version adds -----------------------------

TEST(PollReply, FieldsPresentPerVersion) {
    struct Case {
        std::uint8_t version;
        std::uint8_t protVer;     // stored QorvanaProtVer
        std::size_t firmwareSize; // characters taken
        bool white;               // gamma white and test colours
        bool artNet;              // the capability byte is read from 7 on
        bool testPixel;           // test output and pixel from 8 on
    };
    const Case cases[] = {
        {5, 5, 20, false, false, false}, {6, 6, 14, true, false, false}, {7, 7, 14, true, true, false},
        {8, 8, 14, true, true, true},    {9, 9, 14, true, true, true},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(testing::Message() << "version " << int(tc.version));
        // Everything set, Art-Net included, so absent fields show as 0.
        TNodaluxCtrl full = fullRecord(8);
        full.QorvanaProtVer = tc.version;
        const auto rec = readPollReply(encodePollReply(full, tc.version));
        ASSERT_TRUE(rec.has_value());
        EXPECT_EQ(rec->QorvanaProtVer, tc.protVer);
        EXPECT_EQ(rec->Firmware.size(), tc.firmwareSize);
        EXPECT_EQ(rec->Gamma[3], tc.white ? 25 : 0);
        EXPECT_EQ(rec->TestModeCols,
                  (tc.white ? std::array<std::uint8_t, 4>{10, 20, 30, 40} : std::array<std::uint8_t, 4>{}));
        EXPECT_EQ(rec->DmxArtNetCapable, tc.artNet);
        EXPECT_TRUE(rec->DmxSacnCapable);
        EXPECT_EQ(rec->TestOutputNum, tc.testPixel ? 3 : 0);
        EXPECT_EQ(rec->TestSinglePixelNum, tc.testPixel ? 300 : 0);
        // The fields every version has come through unchanged.
        EXPECT_EQ(rec->MAC, full.MAC);
        EXPECT_EQ(rec->Nickname, full.Nickname);
        EXPECT_EQ(rec->Voltage, full.Voltage);
        EXPECT_EQ(rec->DriverNames, full.DriverNames);
    }
}

TEST(PollReply, LengthGrowsByTheFieldsEachVersionAdds) {
    const TNodaluxCtrl c = fullRecord(8); // firmware of 14 characters
    const std::size_t v5 = encodePollReply(c, 5).size();
    // 6: protocol version, firmware length, 14 instead of 20 firmware bytes, gamma white, 4 test colours
    EXPECT_EQ(encodePollReply(c, 6).size(), v5 + 1 + 1 - 6 + 1 + 4);
    EXPECT_EQ(encodePollReply(c, 7).size(), v5 + 1 + 1 - 6 + 1 + 4 + 1);         // capability byte
    EXPECT_EQ(encodePollReply(c, 8).size(), v5 + 1 + 1 - 6 + 1 + 4 + 1 + 1 + 2); // output, pixel
}

TEST(PollReply, Version5HasMacAtOffset12AndTwentyCharacterFirmware) {
    TNodaluxCtrl c = fullRecord(5);
    c.Firmware = u"V1.2.3 long firmware text"; // 25 characters: only 20 go on the wire
    const Bytes wire = encodePollReply(c, 5);
    EXPECT_TRUE(bytesEqual(Bytes(c.MAC.begin(), c.MAC.end()), Bytes(wire.begin() + 12, wire.begin() + 18)));
    const auto rec = readPollReply(wire);
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->Firmware, u"V1.2.3 long firmware");
    EXPECT_EQ(rec->QorvanaProtVer, 5);
}

TEST(PollReply, ProtocolVersionByteIsStoredButByte11ChoosesTheLayout) {
    TNodaluxCtrl c = fullRecord(6);
    c.QorvanaProtVer = 8; // the field says 8, the header says 6
    const Bytes wire = encodePollReply(c, 6);
    ASSERT_EQ(wire[11], 6);
    ASSERT_EQ(wire[12], 8);
    const auto rec = readPollReply(wire);
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->QorvanaProtVer, 8);
    EXPECT_EQ(*rec, c); // read as version 6: no capability byte, no test pixel
}

TEST(PollReply, VersionsAbove8ReadAsVersion8) {
    const TNodaluxCtrl c = fullRecord(8);
    for (int version : {9, 42, 255}) {
        Bytes wire = encodePollReply(c, 8);
        wire[11] = static_cast<std::uint8_t>(version);
        const auto rec = readPollReply(wire);
        ASSERT_TRUE(rec.has_value()) << version;
        EXPECT_EQ(*rec, c) << version;
    }
}

TEST(PollReply, DmxCapabilityBits) {
    TNodaluxCtrl c = fullRecord(7);
    c.DmxArtNetCapable = c.DmxSacnCapable = false;
    Bytes wire = encodePollReply(c, 7);
    TNodaluxCtrl both = c;
    both.DmxArtNetCapable = both.DmxSacnCapable = true;
    // The capability byte is the one byte in which the two replies differ.
    const Bytes other = encodePollReply(both, 7);
    ASSERT_EQ(wire.size(), other.size());
    std::size_t at = 0;
    int differing = 0;
    for (std::size_t i = 0; i < wire.size(); ++i) {
        if (wire[i] != other[i]) {
            at = i;
            ++differing;
        }
    }
    ASSERT_EQ(differing, 1);

    struct Case {
        std::uint8_t caps;
        bool artNet, sacn;
    };
    const Case cases[] = {{0x00, false, false}, {0x01, true, false}, {0x02, false, true},
                          {0x03, true, true},   {0xFD, true, false}, {0xFE, false, true}};
    for (const auto& tc : cases) {
        wire[at] = tc.caps;
        const auto rec = readPollReply(wire);
        ASSERT_TRUE(rec.has_value());
        EXPECT_EQ(rec->DmxArtNetCapable, tc.artNet) << int(tc.caps);
        EXPECT_EQ(rec->DmxSacnCapable, tc.sacn) << int(tc.caps);
    }
}

// ---- Bootloader form -----------------------------------------------------

TEST(PollReply, BootloaderFormCarriesOnlyTheNickname) {
    for (std::uint8_t v : kCurrentVersions) {
        SCOPED_TRACE(testing::Message() << "version " << int(v));
        const TNodaluxCtrl c = bootloaderRecord(v);
        Bytes wire = encodePollReply(c, v);
        // header, [version], MAC, N + model, revision, tool version, [F] + firmware, brand, IP, mask,
        // nickname
        const std::size_t expected =
            12 + (v >= 6 ? 1 : 0) + 6 + 1 + 10 + 1 + 3 + (v >= 6 ? 1 + 15 : 20) + 1 + 4 + 4 + 40;
        EXPECT_EQ(wire.size(), expected);
        wire.insert(wire.end(), {0x01, 0x02, 0x03}); // anything after the nickname is ignored
        const auto rec = readPollReply(wire);
        ASSERT_TRUE(rec.has_value());
        EXPECT_EQ(*rec, c); // every configuration field 0, both DMX flags false
    }
}

TEST(PollReply, FirmwareMustStartWithTheWholeWordForTheBootloaderForm) {
    TNodaluxCtrl c = fullRecord(8);
    c.Firmware = u"Bootload V1"; // not the ten characters: read as a full reply
    const auto rec = readPollReply(encodePollReply(c, 8));
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(*rec, c);
}

// ---- Round trips ---------------------------------------------------------

TEST(PollReply, EncoderAndReaderRoundTripEveryVersionAndForm) {
    for (std::uint8_t v : kCurrentVersions) {
        for (const TNodaluxCtrl& c : {fullRecord(v), bootloaderRecord(v)}) {
            const auto rec = readPollReply(encodePollReply(c, v));
            ASSERT_TRUE(rec.has_value()) << int(v);
            EXPECT_EQ(*rec, c) << int(v);
        }
    }
}

TEST(PollReply, NicknameKeepsAllFortyCodeUnits) {
    TNodaluxCtrl c = fullRecord(8);
    c.Nickname.fill(u'x');
    c.Nickname[3] = u'\0'; // a NUL inside the text and characters after it stay
    c.Nickname[39] = 0xE9;
    const auto rec = readPollReply(encodePollReply(c, 8));
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->Nickname, c.Nickname);
}

TEST(PollReply, ZeroCountsAreFine) {
    TNodaluxCtrl c = fullRecord(8);
    c.NumStrings = 0;
    c.NumNodes = {};
    c.AdvUniv = c.AdvChan = c.AdvZig = c.Grouping = {};
    c.AdvNull = c.AdvReverse = c.AdvRgbOrder = c.Brightness = {};
    c.DMXOutputs = 0;
    c.DmxOutOn = {};
    c.DmxOutUniv = {};
    c.NumDrivers = 0;
    c.DriverType.clear();
    c.DriverSpeed.clear();
    c.DriverExpandable.clear();
    c.DriverNames.clear();
    c.NumBanks = 0;
    c.Voltage = {};
    c.ModelName.clear();
    c.Firmware.clear();
    const auto rec = readPollReply(encodePollReply(c, 8));
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(*rec, c);
}

// ---- Unacceptable current-layout replies ---------------------------------

TEST(PollReply, EveryTruncationIsDroppedWhole) {
    for (std::uint8_t v : kCurrentVersions) {
        for (const TNodaluxCtrl& c : {fullRecord(v), bootloaderRecord(v)}) {
            const Bytes wire = encodePollReply(c, v);
            ASSERT_TRUE(readPollReply(wire).has_value());
            for (std::size_t len = 0; len < wire.size(); ++len) {
                EXPECT_FALSE(readPollReply(std::span(wire.data(), len)).has_value())
                    << "version " << int(v) << ", " << len << " of " << wire.size() << " bytes";
            }
        }
    }
}

TEST(PollReply, CountsBeyondTheRecordAreDropped) {
    struct Case {
        const char* what;
        void (*set)(TNodaluxCtrl&);
        bool accepted;
    };
    const Case cases[] = {
        {"32 outputs", [](TNodaluxCtrl& c) { c.NumStrings = 32; }, true},
        {"33 outputs", [](TNodaluxCtrl& c) { c.NumStrings = 33; }, false},
        {"255 outputs", [](TNodaluxCtrl& c) { c.NumStrings = 255; }, false},
        {"4 DMX outputs", [](TNodaluxCtrl& c) { c.DMXOutputs = 4; }, true},
        {"5 DMX outputs", [](TNodaluxCtrl& c) { c.DMXOutputs = 5; }, false},
        {"4 banks", [](TNodaluxCtrl& c) { c.NumBanks = 4; }, true},
        {"5 banks", [](TNodaluxCtrl& c) { c.NumBanks = 5; }, false},
    };
    for (const auto& tc : cases) {
        TNodaluxCtrl c = fullRecord(8);
        tc.set(c);
        // The encoder writes as many entries as the count says (0 beyond the record).
        const Bytes wire = encodePollReply(c, 8);
        const auto rec = readPollReply(wire);
        EXPECT_EQ(rec.has_value(), tc.accepted) << tc.what;
        if (rec) { EXPECT_EQ(*rec, c) << tc.what; }
    }
}

TEST(PollReply, WrongHeaderIsDropped) {
    const Bytes good = encodePollReply(fullRecord(8), 8);
    Bytes legacyVersion = good;
    legacyVersion[11] = 4; // belongs to the legacy reader
    Bytes otherOpcode = good;
    otherOpcode[10] = 9;
    Bytes opcodeHighByte = good;
    opcodeHighByte[9] = 0x01; // 0x0102
    Bytes badMagic = good;
    badMagic[0] = 'q';
    Bytes noTerminator = good;
    noTerminator[8] = ' ';
    for (const Bytes* b : {&legacyVersion, &otherOpcode, &opcodeHighByte, &badMagic, &noTerminator}) {
        EXPECT_FALSE(readPollReply(*b).has_value());
    }
}

TEST(PollReply, DroppedRepliesLeaveTheListUnchanged) {
    ControllerList list;
    feedCurrent(list, encodePollReply(fullRecord(8, 10), 8));
    const ControllerList before = list;

    const Bytes good = encodePollReply(fullRecord(8, 11), 8);
    TNodaluxCtrl tooMany = fullRecord(8, 12);
    tooMany.NumStrings = 33;
    feedCurrent(list, Bytes(good.begin(), good.end() - 1));   // one byte short
    feedCurrent(list, encodePollReply(tooMany, 8));           // 33 outputs
    feedLegacy(list, Bytes(good.begin(), good.begin() + 12)); // a bare header

    EXPECT_EQ(list.records(), before.records());
    EXPECT_EQ(list.rowMap(), before.rowMap());
    EXPECT_TRUE(list.invariantsHold());
}

TEST(PollReply, DuplicateIpKeepsTheFirstRecordAndSameMacTwiceIsTwoRecords) {
    ControllerList list;
    TNodaluxCtrl first = fullRecord(8, 20);
    TNodaluxCtrl again = fullRecord(8, 20);
    nickname(again, "Renamed");
    TNodaluxCtrl sameMac = fullRecord(8, 21); // same MAC, other current IP

    feedCurrent(list, encodePollReply(first, 8));
    feedCurrent(list, encodePollReply(again, 8));
    feedCurrent(list, encodePollReply(sameMac, 8));

    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.at(0), first);
    EXPECT_EQ(list.at(1), sameMac);
    EXPECT_EQ(list.rowMap(), (std::vector<std::int32_t>{0, 1}));
}

// ---- Legacy layout -------------------------------------------------------

namespace {

TNodaluxCtrl legacyRecord(const LegacyModel& model, std::uint8_t ipLast = 60) {
    TNodaluxCtrl c;
    c.QorvanaProtVer = 0;
    c.NumStrings = model.outputs;
    c.Model = std::u16string(model.shown);
    c.DmxSacnCapable = true;
    c.CurrentIP = {192, 168, 0, ipLast};
    c.DHCP = 1;
    nickname(c, "Legacy node");
    c.Firmware = padded("V1.4.10", 20);
    c.MAC = {0x00, 0x1E, 0xC0, 0x01, 0x02, 0x03};
    c.Temperature = 312;
    for (int i = 0; i < 16; ++i) {
        c.NumNodes[i] = 50 + i;
        c.AdvUniv[i] = static_cast<std::uint16_t>(i + 1);
        c.AdvChan[i] = static_cast<std::uint16_t>(3 * i + 1);
        c.AdvNull[i] = static_cast<std::uint8_t>(i);
        c.AdvZig[i] = static_cast<std::uint16_t>(i);
        c.AdvReverse[i] = i % 2;
        c.AdvRgbOrder[i] = static_cast<std::uint8_t>(i % 6);
        c.Grouping[i] = 1;
        c.Brightness[i] = static_cast<std::uint8_t>(200 + i);
    }
    c.Protocol = 1;
    c.DmxMix = 2;
    c.MixMode = 3;
    c.StaticIP = {192, 168, 0, 200};
    c.SM = {255, 255, 255, 0};
    c.DmxStart = 513;
    c.SacnUniv = 7;
    c.SacnChan = 4;
    c.DriverChip = 5;
    c.Gamma = {20, 21, 22, 0};
    c.Voltage = {121, 122, 123, 124};
    c.RgbOrder = {2, 0, 1};
    c.DmxOutOn = {1, 1, 0, 1};
    c.DmxOutUniv = {100, 101, 102, 103};
    c.HwRev = 3;
    c.ProtocolSpeed = 1;
    c.HoldLastFrame = 1;
    c.FanTemp = 55;
    c.CurrentSM = {255, 255, 255, 0};
    c.CondensedMode = 1;
    c.MinVantrelVer = {2, 1, 0};
    c.TestMode = 4;
    c.LedType = 1;
    return c;
}

} // namespace

TEST(PollReplyV4Below, FixedOffsetsReadFromAHandBuiltReply) {
    Bytes wire(388, 0);
    const Bytes head = join({kMagicWire, {0x00, 0x02}, {0x03}, ascii("Nodalux 4 Pro", 20)});
    std::copy(head.begin(), head.end(), wire.begin());
    auto put = [&](std::size_t at, Bytes v) { std::copy(v.begin(), v.end(), wire.begin() + at); };
    put(32, {192, 168, 0, 9});          // current IP
    put(36, {0x01});                    // DHCP
    put(37, {0xEE});                    // not read
    put(38, ascii("Porch", 40));        // nickname
    put(78, ascii("V1.3.2", 20));       // firmware
    put(98, {1, 2, 3, 4, 5, 6});        // MAC
    put(104, {0x01, 0x2C});             // temperature 30.0
    put(106, {0x00, 0x10});             // pixels of output 1: 16
    put(136, {0x00, 0x11});             // pixels of output 16: 17
    put(138, {0x01});                   // protocol
    put(141, {10, 0, 0, 9});            // static IP
    put(145, {255, 0, 0, 0});           // static mask
    put(149, {0x00, 0x02});             // DMX start
    put(151, {0x00, 0x03});             // start universe
    put(153, {0x00, 0x04});             // start channel
    put(155, {0x06});                   // driver chip
    put(156, {21, 22, 23});             // gamma red, green, blue
    put(159, {0x00, 0x78, 0x00, 0x79}); // banks 1, 2: 120, 121
    put(163, {0x00, 0x05});             // start universe of output 1
    put(227, {0x07});                   // null pixels of output 1
    put(275, {0x01});                   // reverse of output 1
    put(291, {1, 2, 0});                // colour order
    put(294, {1, 0, 1, 0});             // DMX outputs enabled
    put(298, {0x00, 0x0A});             // DMX output 1 universe 10
    put(306, {0x04});                   // hardware revision
    put(307, {0x02});                   // protocol speed
    put(308, {0x05});                   // colour order of output 1
    put(324, {0x00, 0x03});             // grouping of output 1
    put(356, {0x80});                   // intensity of output 1
    put(372, {0x01});                   // hold last frame
    put(373, {0x28});                   // fan temperature 40
    put(374, {255, 255, 0, 0});         // current subnet mask
    put(378, {0x01});                   // condensed mode
    put(379, {2, 3, 23});               // minimum tool version
    put(382, {0x05});                   // test mode
    put(383, {0x01});                   // LED type
    put(384, {0x00, 0x7A, 0x00, 0x7B}); // banks 3, 4: 122, 123

    const auto rec = readPollReplyV4Below(wire);
    ASSERT_TRUE(rec.has_value());
    const TNodaluxCtrl& c = *rec;
    EXPECT_EQ(c.Model, u"Nodalux 4 Pro");
    EXPECT_EQ(c.NumStrings, 4);
    EXPECT_EQ(c.QorvanaProtVer, 0);
    EXPECT_EQ(c.CurrentIP, (vantrel::model::Ip4{192, 168, 0, 9}));
    EXPECT_EQ(c.DHCP, 1);
    EXPECT_EQ(vantrel::model::nicknameText(c), u"Porch");
    EXPECT_EQ(c.Firmware, padded("V1.3.2", 20));
    EXPECT_EQ(c.MAC, (vantrel::model::Mac{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(c.Temperature, 300);
    EXPECT_EQ(c.NumNodes[0], 16);
    EXPECT_EQ(c.NumNodes[15], 17);
    EXPECT_EQ(c.NumNodes[16], 0);
    EXPECT_EQ(c.Protocol, 1);
    EXPECT_EQ(c.StaticIP, (vantrel::model::Ip4{10, 0, 0, 9}));
    EXPECT_EQ(c.SM, (vantrel::model::Ip4{255, 0, 0, 0}));
    EXPECT_EQ(c.DmxStart, 2);
    EXPECT_EQ(c.SacnUniv, 3);
    EXPECT_EQ(c.SacnChan, 4);
    EXPECT_EQ(c.DriverChip, 6);
    EXPECT_EQ(c.Gamma, (std::array<std::uint8_t, 4>{21, 22, 23, 0}));
    EXPECT_EQ(c.Voltage, (std::array<std::uint16_t, 4>{120, 121, 122, 123}));
    EXPECT_EQ(c.AdvUniv[0], 5);
    EXPECT_EQ(c.AdvNull[0], 7);
    EXPECT_EQ(c.AdvReverse[0], 1);
    EXPECT_EQ(c.RgbOrder, (std::array<std::uint8_t, 3>{1, 2, 0}));
    EXPECT_EQ(c.DmxOutOn, (std::array<std::uint8_t, 4>{1, 0, 1, 0}));
    EXPECT_EQ(c.DmxOutUniv[0], 10);
    EXPECT_EQ(c.HwRev, 4);
    EXPECT_EQ(c.ProtocolSpeed, 2);
    EXPECT_EQ(c.AdvRgbOrder[0], 5);
    EXPECT_EQ(c.Grouping[0], 3);
    EXPECT_EQ(c.Brightness[0], 0x80);
    EXPECT_EQ(c.HoldLastFrame, 1);
    EXPECT_EQ(c.FanTemp, 40);
    EXPECT_EQ(c.CurrentSM, (vantrel::model::Ip4{255, 255, 0, 0}));
    EXPECT_EQ(c.CondensedMode, 1);
    EXPECT_EQ(c.MinVantrelVer, (std::array<std::uint8_t, 3>{2, 3, 23}));
    EXPECT_EQ(c.TestMode, 5);
    EXPECT_EQ(c.LedType, 1);
    EXPECT_FALSE(c.DmxArtNetCapable);
    EXPECT_TRUE(c.DmxSacnCapable);
    EXPECT_TRUE(c.ModelName.empty());
    EXPECT_EQ(c.NumBanks, 0);

    // The encoder writes the same image (byte 37 aside, which it leaves 0).
    wire[37] = 0;
    EXPECT_TRUE(bytesEqual(wire, encodePollReplyV4Below(c, 3, 388, u"Nodalux 4 Pro")));
}

TEST(PollReplyV4Below, EveryModelOfTheTable) {
    struct Case {
        const char16_t* wire;
        int outputs;
        const char16_t* shown;
    };
    const Case table[] = {
        {u"Nodalux 16", 16, u"Nodalux 16"},
        {u"Arvello 16", 16, u"Arvello 16"},
        {u"Nodalux 16 LR", 16, u"Nodalux 16 Long Range"},
        {u"Nodalux 16 PP", 16, u"Nodalux 16 Plug & Play"},
        {u"Nodalux 4", 4, u"Nodalux 4"},
        {u"Nodalux 4 Rugged", 4, u"Nodalux 4 Rugged"},
        {u"Nodalux 4 Pro", 4, u"Nodalux 4 Pro"},
    };
    ASSERT_EQ(legacyModels().size(), std::size(table));
    for (const auto& tc : table) {
        const LegacyModel* m = legacyModelByShownName(tc.shown);
        ASSERT_NE(m, nullptr) << vantrel::model::toUtf8(tc.shown);
        EXPECT_EQ(m->wire, tc.wire);
        const auto rec = readPollReplyV4Below(encodePollReplyV4Below(legacyRecord(*m), 2, 388, tc.wire));
        ASSERT_TRUE(rec.has_value());
        EXPECT_EQ(rec->NumStrings, tc.outputs);
        EXPECT_EQ(rec->Model, tc.shown);
    }
    EXPECT_EQ(legacyModelByShownName(u"Nodalux 16 LR"), nullptr); // the wire text is not a shown name
}

TEST(PollReplyV4Below, ModelFieldMustBeAKnownTextFollowedOnlyByNuls) {
    const LegacyModel& base = legacyModels()[0]; // "Nodalux 16"
    struct Case {
        const char* what;
        std::size_t offset; // byte to set within the reply
        std::uint8_t value;
    };
    const Case cases[] = {
        {"space after the text", 12 + 10, ' '},
        {"letter after the text", 12 + 10, 'X'},
        {"byte at offset 31", 31, 0x01},
        {"first letter changed", 12, 'n'},
    };
    const Bytes good = encodePollReplyV4Below(legacyRecord(base), 4, 388, base.wire);
    ASSERT_TRUE(readPollReplyV4Below(good).has_value());
    for (const auto& tc : cases) {
        Bytes wire = good;
        wire[tc.offset] = tc.value;
        EXPECT_FALSE(readPollReplyV4Below(wire).has_value()) << tc.what;
    }
    for (const char16_t* unknown : {u"Nodalux 8", u"", u"Nodalux 16 LRX", u"NODALUX 16"}) {
        EXPECT_FALSE(readPollReplyV4Below(encodePollReplyV4Below(legacyRecord(base), 4, 388, unknown)));
    }
}

TEST(PollReplyV4Below, OptionalTailByLength) {
    struct Case {
        std::size_t length;
        std::uint8_t ledType;
        std::uint16_t bank3, bank4;
    };
    const Case cases[] = {
        {383, 0, 0xFFFF, 0xFFFF}, {384, 1, 0xFFFF, 0xFFFF}, {387, 1, 0xFFFF, 0xFFFF},
        {388, 1, 123, 124},       {400, 1, 123, 124},
    };
    const LegacyModel& m = legacyModels()[4]; // "Nodalux 4"
    for (const auto& tc : cases) {
        const auto rec = readPollReplyV4Below(encodePollReplyV4Below(legacyRecord(m), 1, tc.length, m.wire));
        ASSERT_TRUE(rec.has_value()) << tc.length;
        EXPECT_EQ(rec->LedType, tc.ledType) << tc.length;
        EXPECT_EQ(rec->Voltage[2], tc.bank3) << tc.length;
        EXPECT_EQ(rec->Voltage[3], tc.bank4) << tc.length;
        EXPECT_EQ(rec->Voltage[0], 121) << tc.length;
    }
}

TEST(PollReplyV4Below, ProtocolVersionIsZeroWhateverTheVersionByte) {
    const LegacyModel& m = legacyModels()[2];
    for (std::uint8_t v = 0; v <= 4; ++v) {
        TNodaluxCtrl c = legacyRecord(m);
        c.QorvanaProtVer = 7; // the encoder does not carry it; the reader sets 0
        const auto rec = readPollReplyV4Below(encodePollReplyV4Below(c, v, 388, m.wire));
        ASSERT_TRUE(rec.has_value());
        EXPECT_EQ(rec->QorvanaProtVer, 0);
        EXPECT_FALSE(rec->DmxArtNetCapable);
        EXPECT_TRUE(rec->DmxSacnCapable);
    }
    Bytes current = encodePollReplyV4Below(legacyRecord(m), 4, 388, m.wire);
    current[11] = 5; // belongs to the current reader
    EXPECT_FALSE(readPollReplyV4Below(current).has_value());
}

TEST(PollReplyV4Below, RoundTripEveryModelAndLength) {
    for (const LegacyModel& m : legacyModels()) {
        for (std::size_t length : {383u, 384u, 388u}) {
            TNodaluxCtrl c = legacyRecord(m);
            if (length < 384) c.LedType = 0;
            if (length < 388) c.Voltage[2] = c.Voltage[3] = 0xFFFF;
            const Bytes wire = encodePollReplyV4Below(c, 2, length, m.wire);
            ASSERT_EQ(wire.size(), length);
            const auto rec = readPollReplyV4Below(wire);
            ASSERT_TRUE(rec.has_value());
            EXPECT_EQ(*rec, c) << length;
        }
    }
}

TEST(PollReplyV4Below, EveryLengthBelow383IsDropped) {
    const LegacyModel& m = legacyModels()[0];
    const Bytes wire = encodePollReplyV4Below(legacyRecord(m), 2, 388, m.wire);
    for (std::size_t len = 0; len < 383; ++len) {
        EXPECT_FALSE(readPollReplyV4Below(std::span(wire.data(), len)).has_value()) << len;
    }
    EXPECT_TRUE(readPollReplyV4Below(std::span(wire.data(), 383)).has_value());
}

TEST(PollReplyV4Below, DuplicatesAndDroppedRepliesLeaveTheListUnchanged) {
    ControllerList list;
    const LegacyModel& m = legacyModels()[5];
    const TNodaluxCtrl first = legacyRecord(m, 30);
    TNodaluxCtrl again = legacyRecord(m, 30);
    nickname(again, "Other");
    feedLegacy(list, encodePollReplyV4Below(first, 2, 388, m.wire));
    const ControllerList before = list;

    feedLegacy(list, encodePollReplyV4Below(again, 2, 388, m.wire));                   // same current IP
    feedLegacy(list, encodePollReplyV4Below(legacyRecord(m, 31), 2, 382, m.wire));     // too short
    feedLegacy(list, encodePollReplyV4Below(legacyRecord(m, 32), 2, 388, u"Nodalux")); // unknown model

    EXPECT_EQ(list.records(), before.records());
    EXPECT_EQ(list.rowMap(), before.rowMap());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.at(0), first);
}
