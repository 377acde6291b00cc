#include <gtest/gtest.h>

#include "model/Controllers.h"

using namespace vantrel::model;

namespace {

TNodaluxCtrl controller(Ip4 ip, std::u16string firmware = u"V1.0.0", Mac mac = {}) {
    TNodaluxCtrl c;
    c.CurrentIP = ip;
    c.Firmware = std::move(firmware);
    c.MAC = mac;
    return c;
}

// A list holding one controller with the given firmware text.
ControllerList listWith(std::u16string firmware) {
    ControllerList list;
    list.append(controller({10, 0, 0, 1}, std::move(firmware)));
    return list;
}

std::string narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return out;
}

} // namespace

TEST(FirmwareCheck, ComparesVersionsAsNumbers) {
    struct Case {
        std::u16string firmware;
        int major, minor, patch;
        bool pass;
    } cases[] = {
        {u"V1.4.10", 1, 4, 10, true},  // the required version itself passes
        {u"V1.4.10", 1, 4, 4, true},   // 10 > 4 as numbers, not as text
        {u"V1.4.10", 1, 4, 11, false},
        {u"V1.4.10", 1, 3, 20, true},
        {u"V1.4.10", 0, 9, 9, true},
        {u"V1.4.10", 1, 5, 0, false},
        {u"V1.4.10", 2, 0, 0, false},
        {u"V2.0.0", 1, 4, 11, true},   // a higher major passes every 1.x check
        {u"V2.0.0", 1, 99, 99, true},
        {u"V2.0.0", 2, 0, 1, false},
        {u"V10.0.0", 9, 9, 9, true},   // multi-digit major
        {u"V1.12.0", 1, 9, 0, true},   // multi-digit minor
    };
    for (const auto& k : cases) {
        const auto list = listWith(k.firmware);
        EXPECT_EQ(NodaFirmwareCheck(list, 0, k.major, k.minor, k.patch), k.pass)
            << narrow(k.firmware) << " vs " << k.major << "." << k.minor << "." << k.patch;
    }
}

TEST(FirmwareCheck, ReadsTheVersionOutOfItsText) {
    using namespace std::string_literals;
    struct Case {
        std::u16string firmware;
        long major, minor, patch;
    } cases[] = {
        {u"V1.2.3", 1, 2, 3},
        {u"PX V1.2.3", 1, 2, 3},                   // text before the V is skipped
        {u"V1.2.3"s + std::u16string(14, u'\0'), 1, 2, 3}, // trailing NULs are skipped
        {u"V1.2.3\0\0"s, 1, 2, 3},
        {u"V0.2.3 V4.5.6", 4, 5, 6},               // the last V counts
        {u"V1.4.10", 1, 4, 10},
        {u"V12.34.5678", 12, 34, 5678},
        {u"ABCDEFGHIJKLMV1.2.3", 1, 2, 3},         // V at position 13, patch at 18
    };
    for (const auto& k : cases) {
        const auto v = parseFirmwareVersion(k.firmware);
        ASSERT_TRUE(v.has_value()) << narrow(k.firmware);
        EXPECT_EQ(v->major, k.major) << narrow(k.firmware);
        EXPECT_EQ(v->minor, k.minor) << narrow(k.firmware);
        EXPECT_EQ(v->patch, k.patch) << narrow(k.firmware);
    }
}

TEST(FirmwareCheck, MalformedTextsFailEveryCheck) {
    using namespace std::string_literals;
    const std::u16string bad[] = {
        u"",
        u"1.2.3",                          // no V
        u"V1.2",                           // missing dot
        u"V1",
        u"V1.2.3a",                        // trailing letter
        u"V1.2.3 ",                        // trailing space
        u"V.1.2",
        u"V1..2",
        u"Bootloader",
        u"Bootloader V",                   // a V with nothing after it
        u"v1.2.3",                         // lower-case v
        u"V1.2.3 beta",
        u"ABCDEFGHIJKLMNOPQRV1.2.3",       // the V lies within the first 20, the version does not fit
        u"ABCDEFGHIJKLMNOPQRSTV1.2.3",     // the V lies beyond position 19
        u"V99999999999999999999.1.1",      // digits run past the 20 positions
        u"V1.99999999999999999",
        u"V1.2.\0\0"s,                     // NUL where the patch digit must be
    };
    for (const auto& text : bad) {
        EXPECT_FALSE(parseFirmwareVersion(text).has_value()) << narrow(text);
        EXPECT_FALSE(firmwareAtLeast(text, 0, 0, 0)) << narrow(text);
        const auto list = listWith(text);
        EXPECT_FALSE(NodaFirmwareCheck(list, 0, 0, 0, 0)) << narrow(text);
        EXPECT_FALSE(NodaFirmwareCheck(list, 0, -1, -1, -1)) << narrow(text);
    }
}

TEST(FirmwareCheck, LongDigitRunsSaturateInsteadOfOverflowing) {
    // Within the 20 positions: an absurd but well-formed version.
    const auto v = parseFirmwareVersion(u"V1.2.999999999999999");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->major, 1);
    EXPECT_GT(v->patch, 1'000'000L);
    EXPECT_TRUE(firmwareAtLeast(u"V1.2.999999999999999", 1, 2, 2147483647));
    EXPECT_TRUE(firmwareAtLeast(u"V999999999999999.1.1", 2147483647, 0, 0));
}

TEST(FirmwareCheck, IndexOutsideTheListFails) {
    const auto list = listWith(u"V9.9.9");
    EXPECT_TRUE(NodaFirmwareCheck(list, 0, 1, 0, 0));
    EXPECT_FALSE(NodaFirmwareCheck(list, 1, 1, 0, 0));
    EXPECT_FALSE(NodaFirmwareCheck(list, static_cast<std::size_t>(-1), 1, 0, 0));
    EXPECT_FALSE(NodaFirmwareCheck(ControllerList{}, 0, 0, 0, 0));
}

TEST(ControllerList, DuplicateIpKeepsTheFirstRecord) {
    ControllerList list;
    EXPECT_EQ(list.append(controller({192, 168, 0, 10}, u"V1.0.0")), 0);
    EXPECT_EQ(list.append(controller({192, 168, 0, 11}, u"V1.0.0")), 1);
    EXPECT_EQ(list.append(controller({192, 168, 0, 10}, u"V2.0.0")), std::nullopt);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.PControllers[0].Firmware, u"V1.0.0");
    EXPECT_EQ(list.StringGridIndex, (std::vector<std::int32_t>{0, 1}));
    EXPECT_TRUE(list.invariantsHold());
    EXPECT_EQ(list.lastIndexOfIP({192, 168, 0, 11}), 1);
    EXPECT_EQ(list.lastIndexOfIP({192, 168, 0, 12}), -1);
}

TEST(ControllerList, SameMacOnTwoAddressesGivesTwoRecords) {
    const Mac mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    ControllerList list;
    EXPECT_TRUE(list.append(controller({10, 0, 0, 1}, u"V1.0.0", mac)).has_value());
    EXPECT_TRUE(list.append(controller({10, 0, 0, 2}, u"V1.0.0", mac)).has_value());
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(list.invariantsHold());
}

TEST(ControllerList, ClearEmptiesListAndRowMapTogether) {
    ControllerList list;
    list.append(controller({10, 0, 0, 1}));
    list.append(controller({10, 0, 0, 2}));
    list.clear();
    EXPECT_TRUE(list.PControllers.empty());
    EXPECT_TRUE(list.StringGridIndex.empty());
    EXPECT_TRUE(list.invariantsHold());
    // After emptying, an address seen before is accepted again.
    EXPECT_EQ(list.append(controller({10, 0, 0, 1})), 0);
}

TEST(ControllerList, PermutingRowsKeepsTheRowMapAPermutation) {
    ControllerList list;
    for (std::uint8_t i = 0; i < 4; ++i) list.append(controller({10, 0, 0, i}));
    // Row i of the new order shows the old row permutation[i].
    list.permuteRows({2, 0, 3, 1});
    EXPECT_EQ(list.StringGridIndex, (std::vector<std::int32_t>{2, 0, 3, 1}));
    list.permuteRows({1, 0, 2, 3});
    EXPECT_EQ(list.StringGridIndex, (std::vector<std::int32_t>{0, 2, 3, 1}));
    EXPECT_TRUE(list.invariantsHold());
    // Row r leads to the controller whose data it shows.
    EXPECT_EQ(list.PControllers[list.StringGridIndex[1]].CurrentIP, (Ip4{10, 0, 0, 2}));
    // A new record after a sort gets the next index at the bottom row.
    list.append(controller({10, 0, 0, 9}));
    EXPECT_EQ(list.StringGridIndex.back(), 4);
    EXPECT_TRUE(list.invariantsHold());
}

TEST(ControllerList, InvariantsDetectABrokenRowMap) {
    ControllerList list;
    list.append(controller({10, 0, 0, 1}));
    list.append(controller({10, 0, 0, 2}));
    list.StringGridIndex = {0, 0};
    EXPECT_FALSE(list.invariantsHold());
    list.StringGridIndex = {0};
    EXPECT_FALSE(list.invariantsHold());
    list.StringGridIndex = {1, 0};
    EXPECT_TRUE(list.invariantsHold());
    list.PControllers[1].CurrentIP = list.PControllers[0].CurrentIP;
    EXPECT_FALSE(list.invariantsHold());
}
