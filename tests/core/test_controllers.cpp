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
    EXPECT_EQ(list.at(0).Firmware, u"V1.0.0");
    EXPECT_EQ(list.rowMap(), (std::vector<std::int32_t>{0, 1}));
    EXPECT_TRUE(list.invariantsHold());
    EXPECT_EQ(list.indexOfIP({192, 168, 0, 11}), 1);
    EXPECT_EQ(list.indexOfIP({192, 168, 0, 12}), -1);
    EXPECT_EQ(list.droppedWhenFull(), 0u) << "a duplicate is not a reply dropped for want of room";
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
    EXPECT_TRUE(list.records().empty());
    EXPECT_TRUE(list.rowMap().empty());
    EXPECT_EQ(list.indexOfIP({10, 0, 0, 2}), -1);
    EXPECT_TRUE(list.invariantsHold());
    // After emptying, an address seen before is accepted again.
    EXPECT_EQ(list.append(controller({10, 0, 0, 1})), 0);
}

TEST(ControllerList, PermutingRowsKeepsTheRowMapAPermutation) {
    ControllerList list;
    for (std::uint8_t i = 0; i < 4; ++i) list.append(controller({10, 0, 0, i}));
    // Row i of the new order shows the old row permutation[i].
    EXPECT_TRUE(list.permuteRows({2, 0, 3, 1}));
    EXPECT_EQ(list.rowMap(), (std::vector<std::int32_t>{2, 0, 3, 1}));
    EXPECT_TRUE(list.permuteRows({1, 0, 2, 3}));
    EXPECT_EQ(list.rowMap(), (std::vector<std::int32_t>{0, 2, 3, 1}));
    EXPECT_TRUE(list.invariantsHold());
    // Row r leads to the controller whose data it shows.
    EXPECT_EQ(list.at(static_cast<std::size_t>(list.indexAtRow(1))).CurrentIP, (Ip4{10, 0, 0, 2}));
    EXPECT_EQ(list.indexAtRow(4), -1);
    // A new record after a sort gets the next index at the bottom row.
    list.append(controller({10, 0, 0, 9}));
    EXPECT_EQ(list.rowMap().back(), 4);
    EXPECT_TRUE(list.invariantsHold());
}

TEST(ControllerList, RefusesWhatWouldBreakItsInvariants) {
    ControllerList list;
    list.append(controller({10, 0, 0, 1}));
    list.append(controller({10, 0, 0, 2}));
    // Orders that are no permutation of the two rows leave the row map alone.
    const std::vector<std::vector<std::int32_t>> bad{{0, 0}, {0}, {0, 2}, {-1, 0}, {1, 0, 2}};
    for (const auto& order : bad) {
        EXPECT_FALSE(list.permuteRows(order)) << order.size();
        EXPECT_EQ(list.rowMap(), (std::vector<std::int32_t>{0, 1}));
    }
    EXPECT_TRUE(list.invariantsHold());
    // A record's settings may change in place; its current IP, the key, may not.
    list.at(1).Nickname[0] = u'x';
    EXPECT_TRUE(list.invariantsHold());
    list.at(1).CurrentIP = list.at(0).CurrentIP;
    EXPECT_FALSE(list.invariantsHold());
    EXPECT_THROW((void)list.at(2), std::out_of_range);
}

TEST(ControllerList, BeyondTheCapRepliesAreDroppedAndCounted) {
    const auto ipOf = [](std::size_t k) {
        return Ip4{10, static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 8),
                   static_cast<std::uint8_t>(k)};
    };
    constexpr std::size_t kCap = ControllerList::kMaxControllers;
    ControllerList list;
    for (std::size_t k = 0; k < kCap; ++k) ASSERT_TRUE(list.append(controller(ipOf(k))));
    EXPECT_TRUE(list.full());
    EXPECT_EQ(list.droppedWhenFull(), 0u);

    EXPECT_EQ(list.append(controller(ipOf(kCap))), std::nullopt);
    EXPECT_EQ(list.append(controller(ipOf(kCap + 1))), std::nullopt);
    EXPECT_EQ(list.append(controller(ipOf(7))), std::nullopt) << "a listed address stays a duplicate";
    EXPECT_EQ(list.size(), kCap);
    EXPECT_EQ(list.droppedWhenFull(), 2u);
    // Every listed controller is still found under its address.
    EXPECT_EQ(list.indexOfIP(ipOf(kCap - 1)), static_cast<int>(kCap - 1));
    EXPECT_EQ(list.indexOfIP(ipOf(kCap)), -1);
    EXPECT_TRUE(list.invariantsHold());

    // A search empties the list, not the count of the run.
    list.clear();
    EXPECT_TRUE(list.append(controller(ipOf(kCap))).has_value());
    EXPECT_EQ(list.droppedWhenFull(), 2u);
}

// Rows are ordered by a key per list index; new rows come at the bottom and
// are then put in their places, as if each had been sorted in on arrival.
struct PlaceCase {
    const char* name;
    std::vector<int> keys; // key of list index i
    std::size_t placed;    // rows that were in order before the new ones came
    std::vector<std::int32_t> expected;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class PlaceNewRows : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceNewRows, MergesTheNewRowsIntoTheSortedOnes) {
    const PlaceCase& c = GetParam();
    const auto less = [&](std::int32_t a, std::int32_t b) {
        return c.keys[static_cast<std::size_t>(a)] < c.keys[static_cast<std::size_t>(b)];
    };
    const auto ipOf = [](std::size_t i) { return Ip4{10, 0, 1, static_cast<std::uint8_t>(i)}; };

    ControllerList list;
    for (std::size_t i = 0; i < std::min(c.placed, c.keys.size()); ++i) list.append(controller(ipOf(i)));
    list.sortRows(less);
    for (std::size_t i = list.size(); i < c.keys.size(); ++i) list.append(controller(ipOf(i)));
    list.placeNewRows(c.placed, less);
    EXPECT_EQ(list.rowMap(), c.expected);
    EXPECT_TRUE(list.invariantsHold());

    // The same as appending one at a time and sorting after each.
    ControllerList one;
    for (std::size_t i = 0; i < c.keys.size(); ++i) {
        one.append(controller(ipOf(i)));
        one.sortRows(less);
    }
    EXPECT_EQ(one.rowMap(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ControllerList, PlaceNewRows,
    testing::Values(PlaceCase{"allNew", {3, 1, 2}, 0, {1, 2, 0}}, PlaceCase{"noneNew", {3, 1, 2}, 3, {1, 2, 0}},
                    PlaceCase{"newBetweenOld", {10, 30, 20, 5, 40}, 2, {3, 0, 2, 1, 4}},
                    // Equal keys: older rows first, new ones in their order of arrival.
                    PlaceCase{"equalKeysKeepArrival", {1, 2, 1, 2, 1}, 2, {0, 2, 4, 1, 3}},
                    PlaceCase{"newAllAbove", {5, 6, 1, 2}, 2, {2, 3, 0, 1}},
                    PlaceCase{"placedBeyondTheRows", {2, 1}, 9, {1, 0}}),
    [](const testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });
