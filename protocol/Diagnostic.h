#pragma once
// Diagnostic messages (opcode 10, controller to tool).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "model/NodaluxCtrl.h"
#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

inline constexpr std::size_t kMaxDiagnosticModel = 31;
inline constexpr std::size_t kMaxDiagnosticMessage = 368;

struct DiagnosticMessage {
    model::Mac mac{};
    model::Ip4 ip{};
    std::u16string model;    // at most 31 characters
    std::u16string nickname; // the characters before the first NUL
    std::u16string firmware; // the characters before the first NUL
    std::uint8_t severity = 0;
    std::u16string message; // at most 368 characters

    bool operator==(const DiagnosticMessage&) const = default;
};

// Reads a diagnostic message. A model length above 31 is taken as 31 and a
// message length above 368 as 368. A packet that ends before the layout's
// last byte (86 + n + m) is dropped: among these is the tool's own 19-byte
// identify broadcast when it comes back to its socket.
std::optional<DiagnosticMessage> readDiagnosticMessage(std::span<const std::uint8_t> datagram);

// The controller's side. `modelLength` and `messageLength` override the
// length bytes (to send over-long values); otherwise the texts' lengths.
Bytes encodeDiagnosticMessage(const DiagnosticMessage& msg, std::uint8_t version = 8,
                              std::optional<std::uint8_t> modelLength = std::nullopt,
                              std::optional<std::uint16_t> messageLength = std::nullopt);

// "Error" for 0, "Warning" for 1, "Info" for anything else: the picture's name.
const char* severityPictureName(std::uint8_t severity);

} // namespace vantrel::protocol
