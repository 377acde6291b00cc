// Diagnostic messages a controller sends to the tool.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "model/Text.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"

using vantrel::protocol::Bytes;
using vantrel::protocol::DiagnosticMessage;
namespace protocol = vantrel::protocol;
namespace model = vantrel::model;

namespace {

Bytes ascii(std::string_view text, std::size_t width) {
    Bytes out(text.begin(), text.end());
    out.resize(width, 0);
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A message written out field by field.
Bytes wire(std::uint8_t modelLength, std::string_view model, std::uint8_t severity, std::uint16_t messageLength,
           std::string_view message) {
    return concat({
        {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0x00}, // magic and 0
        {0x00, 0x0A},                                   // opcode 10
        {0x63},                                         // version byte, not examined
        {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F},           // MAC
        {192, 168, 1, 50},                              // IP
        {modelLength},                                  // model-name length
        ascii(model, model.size()),                     // model name
        ascii("Stage left", 40),                        // nickname, NUL-padded
        ascii("V1.4.10", 20),                           // firmware, NUL-padded
        {severity},                                     // severity
        {std::uint8_t(messageLength >> 8), std::uint8_t(messageLength & 0xFF)}, // message length
        ascii(message, message.size()),                 // message
    });
}

} // namespace

TEST(DiagnosticMessage, ReadsEveryField) {
    const Bytes packet = wire(9, "Nodalux 8", 1, 12, "Output 3 hot");
    ASSERT_EQ(packet.size(), 86u + 9 + 12);
    const auto msg = protocol::readDiagnosticMessage(packet);
    ASSERT_TRUE(msg);
    EXPECT_EQ(msg->model, u"Nodalux 8");
    EXPECT_EQ(msg->nickname, u"Stage left") << "padding NULs are not part of the text";
    EXPECT_EQ(msg->firmware, u"V1.4.10");
    EXPECT_EQ(msg->severity, 1);
    EXPECT_EQ(msg->message, u"Output 3 hot");
    EXPECT_EQ(model::macText(msg->mac), "0A-1B-2C-3D-4E-5F");
    EXPECT_EQ(model::ipText(msg->ip), "192.168.1.50");
}

TEST(DiagnosticMessage, OverLongLengthsAreCut) {
    // A model length of 40 is read as 31: the nickname then starts at offset 54.
    const std::string model31(31, 'M');
    const std::string message(368, 'x');
    Bytes packet = wire(40, model31, 0, 1000, message);
    ASSERT_EQ(packet[54], 'S');
    const auto msg = protocol::readDiagnosticMessage(packet);
    ASSERT_TRUE(msg);
    EXPECT_EQ(msg->model.size(), 31u);
    EXPECT_EQ(msg->nickname, u"Stage left");
    EXPECT_EQ(msg->message.size(), 368u) << "a message length of 1000 shows 368 characters";

    // Text bytes are ISO 8859-1: 0xE9 is é.
    packet.back() = 0xE9;
    EXPECT_EQ(protocol::readDiagnosticMessage(packet)->message.back(), u'\u00E9');
}

TEST(DiagnosticMessage, ShortPacketsAreDroppedWhole) {
    const Bytes full = wire(9, "Nodalux 8", 2, 5, "hello");
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        const Bytes shorter(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(protocol::readDiagnosticMessage(shorter)) << "cut at " << cut;
    }
    // The tool's own identify broadcast shares opcode 10 and comes back to its socket.
    const Bytes identify = {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0, 0x00, 0x0A, 8, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 1};
    ASSERT_EQ(identify.size(), 19u);
    EXPECT_EQ(protocol::routeDatagram(identify), protocol::Route::DiagnosticMessage);
    EXPECT_FALSE(protocol::readDiagnosticMessage(identify));
}

TEST(DiagnosticMessage, SeverityPictures) {
    const std::pair<std::uint8_t, std::string> cases[] = {
        {0, "Error"}, {1, "Warning"}, {2, "Info"}, {7, "Info"}, {255, "Info"}};
    for (const auto& [severity, picture] : cases)
        EXPECT_EQ(protocol::severityPictureName(severity), picture) << int(severity);
}
