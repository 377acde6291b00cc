#pragma once
// The common 12-byte header that starts every packet in both directions:
//   0..7  the letters "Qorvanix"
//   8     0
//   9..10 opcode, big-endian
//   11    protocol version byte

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

inline constexpr std::uint16_t kPort = 49150;
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr char kMagic[9] = "Qorvanix"; // eight letters plus the terminating 0 that is on the wire too
inline constexpr std::size_t kMaxDatagram = 8192;

namespace Opcode {
inline constexpr std::uint16_t Poll = 1;
inline constexpr std::uint16_t PollReply = 2;
inline constexpr std::uint16_t Config = 5;
inline constexpr std::uint16_t BootloaderTrigger = 6;
inline constexpr std::uint16_t NetworkSettings = 7;
inline constexpr std::uint16_t TestSet = 8;
inline constexpr std::uint16_t TestAnnounce = 9;
inline constexpr std::uint16_t Identify = 10;          // sent by the tool
inline constexpr std::uint16_t DiagnosticMessage = 10; // received by the tool
} // namespace Opcode

// Version byte the tool puts in its poll and identify packets.
inline constexpr std::uint8_t kToolPollVersion = 8;
// Version byte of every legacy-layout packet the tool sends (configuration, bootloader trigger).
inline constexpr std::uint8_t kLegacyLayoutVersion = 2;
// Highest controller protocol version the tool sends to.
inline constexpr std::uint8_t kMaxSendVersion = 8;
// Poll replies of this version and above use the current (self-describing) layout.
inline constexpr std::uint8_t kFirstCurrentVersion = 5;

void writeHeader(ByteWriter& w, std::uint16_t opcode, std::uint8_t version);

struct Header {
    std::uint16_t opcode = 0;
    std::uint8_t version = 0;
};

// True when the datagram holds at least a full header whose first nine bytes
// are the magic letters and the 0 byte.
bool parseHeader(std::span<const std::uint8_t> datagram, Header& out);

// Where a received datagram goes.
enum class Route {
    Drop,
    PollReply,          // current layout, version 5 and later
    PollReplyV4Below,   // legacy layout, version 4 and earlier
    TestAnnounce,
    DiagnosticMessage,
};

// The receive dispatch decision: magic, opcode and version decide the reader.
// Datagrams shorter than the header, with another magic, or with an opcode the
// tool does not accept are dropped.
Route routeDatagram(std::span<const std::uint8_t> datagram);

// The 12-byte poll packet broadcast by a search.
Bytes buildPoll();

} // namespace vantrel::protocol
