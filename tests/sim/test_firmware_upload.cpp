// The firmware stream as the bootloader receives it: a header line, then the
// file until the sender's end of stream, in whatever pieces TCP delivers. A
// connection that breaks instead leaves the file unfinished.

#include <gtest/gtest.h>

#include "tools/sim/FirmwareUpload.h"

namespace {

using vantrel::sim::FirmwareUpload;
using State = FirmwareUpload::State;

const QByteArray kFile = QByteArray(":10010000214601360121470136007EFE09D2190140\r\n:00000001FF\r\n");
const QByteArray kStream = QByteArray("Firmware Nodalux 16\r\n") + kFile;

TEST(FirmwareUpload, TakesTheHeaderAndTheFileInOnePiece) {
    FirmwareUpload up;
    EXPECT_EQ(up.feed(kStream), State::Body);
    EXPECT_EQ(up.header(), QByteArray("Firmware Nodalux 16"));
    EXPECT_EQ(up.body(), kFile);
    EXPECT_FALSE(up.complete()); // not before the end of stream
    EXPECT_EQ(up.finish(true), State::Body);
    EXPECT_TRUE(up.complete());
}

TEST(FirmwareUpload, TakesTheStreamByteByByte) {
    FirmwareUpload up;
    for (char ch : kStream)
        up.feed(QByteArray(1, ch));
    up.finish(true);
    EXPECT_EQ(up.body(), kFile);
    EXPECT_TRUE(up.complete());
}

TEST(FirmwareUpload, HeaderWithoutFileIsNotComplete) {
    FirmwareUpload up;
    EXPECT_EQ(up.feed("Firmware Nodalux 16\r"), State::Header);
    EXPECT_EQ(up.feed("\n"), State::Body);
    up.finish(true);
    EXPECT_FALSE(up.complete());
}

// A reset or another error of the connection: however much came, the file is
// not complete, and nothing that arrives afterwards changes that.
TEST(FirmwareUpload, BrokenConnectionIsNeverComplete) {
    const QByteArray cases[] = {kStream, kStream.left(30), "Firmware Nodalux 16\r\n", "Firm", ""};
    for (const QByteArray& received : cases) {
        SCOPED_TRACE(received.toStdString());
        FirmwareUpload up;
        up.feed(received);
        EXPECT_EQ(up.finish(false), State::Broken);
        EXPECT_FALSE(up.complete());
        EXPECT_EQ(up.finish(true), State::Broken);
        up.feed(kFile);
        EXPECT_FALSE(up.complete());
        EXPECT_STRNE(up.reason(), "");
    }
}

TEST(FirmwareUpload, WrongOrMissingHeaderIsRejected) {
    const QByteArray cases[] = {
        "Firmware Nodalux 4\r\n:00000001FF\r\n", // another header
        "firmware nodalux 16\r\n:00000001FF\r\n",
        "Firmware Nodalux 16\n:00000001FF\n", // line feed alone does not end the header
    };
    for (const QByteArray& stream : cases) {
        SCOPED_TRACE(stream.toStdString());
        FirmwareUpload up;
        up.feed(stream);
        up.feed(QByteArray(300, 'x'));
        EXPECT_EQ(up.state(), State::Rejected);
        EXPECT_FALSE(up.complete());
        EXPECT_TRUE(up.body().isEmpty());
    }
}

} // namespace
