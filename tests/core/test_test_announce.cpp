// The test announce a controller sends while it runs a test pattern, and how
// it updates the controller list.

#include <gtest/gtest.h>

#include <cstdint>

#include "model/Controllers.h"
#include "protocol/TestPackets.h"

using vantrel::model::ControllerList;
using vantrel::model::TNodaluxCtrl;
using vantrel::protocol::Bytes;
using vantrel::protocol::TestAnnounce;
namespace protocol = vantrel::protocol;

namespace {

Bytes header(std::uint8_t version) {
    return {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00, // magic and 0
            0x00, 0x09,                                   // opcode 9
            version};                                     // protocol version byte
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(TestAnnounce, LayoutPerVersion) {
    struct Case {
        const char* what;
        std::uint8_t version;
        Bytes body;
        TestAnnounce expected;
    };
    const Case cases[] = {
        {"protocol 4: address at 12, no white", 4,
         {10, 0, 0, 5,    // IP
          6,              // mode
          1, 2, 3},       // red, green, blue
         {.ip = {10, 0, 0, 5}, .mode = 6, .cols = {1, 2, 3, 0}}},
        {"protocol 5: six uninterpreted bytes, address at 18", 5,
         {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01, // not interpreted
          10, 0, 0, 6,                        // IP
          2,                                  // mode
          10, 20, 30},                        // red, green, blue
         {.ip = {10, 0, 0, 6}, .mode = 2, .cols = {10, 20, 30, 0}}},
        {"protocol 6: white", 6,
         {0, 0, 0, 0, 0, 0, // not interpreted
          10, 0, 0, 7,      // IP
          3,                // mode
          1, 2, 3, 4},      // red, green, blue, white
         {.ip = {10, 0, 0, 7}, .mode = 3, .cols = {1, 2, 3, 4}, .hasWhite = true}},
        {"protocol 8: output and pixel", 8,
         {0, 0, 0, 0, 0, 0, // not interpreted
          10, 0, 0, 8,      // IP
          8,                // mode
          255, 255, 255, 255,
          3,                // output
          0x01, 0x2C},      // pixel 300
         {.ip = {10, 0, 0, 8},
          .mode = 8,
          .cols = {255, 255, 255, 255},
          .hasWhite = true,
          .hasSinglePixel = true,
          .outputNum = 3,
          .pixel = 300}},
    };
    const vantrel::model::Mac mac = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
    for (const auto& tc : cases) {
        const Bytes packet = concat(header(tc.version), tc.body);
        const auto got = protocol::readTestAnnounce(packet, tc.version);
        ASSERT_TRUE(got.has_value()) << tc.what;
        EXPECT_EQ(*got, tc.expected) << tc.what;
        // The simulator's encoder writes the same layout (MAC aside).
        const Bytes encoded = protocol::encodeTestAnnounce(tc.expected, tc.version, mac);
        EXPECT_EQ(encoded.size(), packet.size()) << tc.what;
        EXPECT_EQ(protocol::readTestAnnounce(encoded, tc.version), tc.expected) << tc.what;
    }
}

TEST(TestAnnounce, ShortPacketsAndVersionsAbove8AreDropped) {
    const TestAnnounce a{.ip = {10, 0, 0, 8}, .mode = 1, .hasWhite = true, .hasSinglePixel = true};
    for (std::uint8_t version : {0, 4, 5, 6, 7, 8}) {
        const Bytes full = protocol::encodeTestAnnounce(a, version, {});
        ASSERT_TRUE(protocol::readTestAnnounce(full, version)) << int(version);
        for (std::size_t cut = 0; cut < full.size(); ++cut) {
            const Bytes shorter(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_FALSE(protocol::readTestAnnounce(shorter, version)) << int(version) << " cut " << cut;
        }
    }
    const Bytes v9 = protocol::encodeTestAnnounce(a, 8, {});
    EXPECT_FALSE(protocol::readTestAnnounce(v9, 9));
}

TEST(TestAnnounce, UpdatesTheRecordWithTheAddressOnlyWhereValuesDiffer) {
    ControllerList list;
    TNodaluxCtrl first;
    first.CurrentIP = {10, 0, 0, 5};
    first.MAC = {1};
    TNodaluxCtrl other;
    other.CurrentIP = {10, 0, 0, 6};
    list.append(other);
    list.append(first);

    const TestAnnounce a{.ip = {10, 0, 0, 5}, .mode = 2, .cols = {10, 20, 30, 40}, .hasWhite = false};
    const auto result = protocol::applyTestAnnounce(list, a);
    EXPECT_EQ(result.index, 1);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(list.at(1).TestMode, 2);
    EXPECT_EQ(list.at(1).TestModeCols[0], 10);
    EXPECT_EQ(list.at(1).TestModeCols[3], 0) << "white is absent below protocol 6";
    EXPECT_EQ(list.at(0).TestMode, 0) << "only the record with the address is written";

    // The same values again change nothing, so the window need not refresh.
    EXPECT_FALSE(protocol::applyTestAnnounce(list, a).changed);

    const TestAnnounce stranger{.ip = {10, 9, 9, 9}, .mode = 5};
    const auto none = protocol::applyTestAnnounce(list, stranger);
    EXPECT_EQ(none.index, -1);
    EXPECT_FALSE(none.changed);
}
