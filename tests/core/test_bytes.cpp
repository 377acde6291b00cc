#include <gtest/gtest.h>

#include "protocol/ByteReader.h"
#include "protocol/ByteWriter.h"
#include "protocol/Header.h"

using namespace vantrel::protocol;

TEST(ByteReader, ReadsBigEndianAndFailsPastTheEnd) {
    const std::uint8_t data[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0x41, 0xE9};
    ByteReader r(data, sizeof data);
    EXPECT_EQ(r.u8(), 0x12);
    EXPECT_EQ(r.u16(), 0x3456);
    EXPECT_EQ(r.u16(), 0x789A);
    EXPECT_EQ(r.text(2), std::u16string(u"A\u00E9")); // bytes become code units 0..255
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.u8(), 0);  // past the end: zero and failed
    EXPECT_FALSE(r.ok());
    r.seek(0);             // a failed reader stays failed
    EXPECT_EQ(r.u8(), 0);
    EXPECT_FALSE(r.ok());
}

TEST(ByteReader, WideReadAtTheEdgeTouchesNothingBeyond) {
    const std::uint8_t data[] = {0x01, 0x02, 0x03};
    for (std::size_t len = 0; len <= 3; ++len) {
        ByteReader r(data, len);
        r.u32();
        EXPECT_FALSE(r.ok()) << len;
        ByteReader t(data, len);
        t.text(len + 1);
        EXPECT_FALSE(t.ok()) << len;
        ByteReader s(data, len);
        s.seek(len + 1);
        EXPECT_FALSE(s.ok()) << len;
    }
}

TEST(ByteWriter, WritesBigEndianAndFixedWidthText) {
    ByteWriter w;
    w.u16(0x1170);
    w.text(u"A\u0141", 4); // U+0141 keeps its low byte 0x41
    EXPECT_EQ(w.data(), (Bytes{0x11, 0x70, 'A', 0x41, 0, 0}));
}

TEST(Header, PollIsTwelveBytes) {
    // "Qorvanix", 0, opcode 0x0001, version 8
    EXPECT_EQ(buildPoll(), (Bytes{'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00, 0x00, 0x01, 0x08}));
}

TEST(Header, DispatchByOpcodeAndVersion) {
    struct Case {
        std::uint8_t opHi, opLo, version;
        Route route;
    };
    const Case cases[] = {
        {0, 1, 8, Route::Drop},               // the tool's own poll
        {0, 2, 4, Route::PollReplyV4Below},
        {0, 2, 0, Route::PollReplyV4Below},
        {0, 2, 5, Route::PollReply},
        {0, 2, 255, Route::PollReply},
        {1, 2, 5, Route::Drop},               // opcode 0x0102: the high byte counts
        {0, 5, 8, Route::Drop},
        {0, 7, 8, Route::Drop},               // the tool's own network-settings broadcast
        {0, 9, 3, Route::TestAnnounce},
        {0, 10, 0, Route::DiagnosticMessage},
        {0, 0, 0, Route::Drop},
        {0, 11, 8, Route::Drop},
    };
    for (const auto& c : cases) {
        Bytes d = {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0, c.opHi, c.opLo, c.version};
        EXPECT_EQ(routeDatagram(d), c.route) << int(c.opHi) << "/" << int(c.opLo) << "/" << int(c.version);
    }
}

TEST(Header, DropsShortOrForeignDatagrams) {
    Bytes good = {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0, 0, 2, 5};
    for (std::size_t len = 0; len < good.size(); ++len) {
        EXPECT_EQ(routeDatagram(std::span(good).first(len)), Route::Drop) << len;
    }
    for (std::size_t i = 0; i < 9; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x20;
        EXPECT_EQ(routeDatagram(bad), Route::Drop) << i;
    }
}
