// Diagnostic message (opcode 10), controller to tool. n and m are the model
// and message lengths as taken (at most 31 and 368):
//   0..11     header (the version byte is not examined)
//   12        MAC, 6 bytes
//   18        IP address, 4 bytes
//   22        model-name length N
//   23        model name, n bytes
//   23+n      nickname, 40 bytes, NUL-padded
//   63+n      firmware version, 20 bytes, NUL-padded
//   83+n      severity: 0 error, 1 warning, anything else information
//   84+n      message length M, 16-bit
//   86+n      message, m bytes

#include "protocol/Diagnostic.h"

#include <algorithm>

#include "protocol/ByteReader.h"
#include "protocol/Header.h"

namespace vantrel::protocol {

namespace {

constexpr std::size_t kMacLength = 6;
constexpr std::size_t kIpLength = 4;
constexpr std::size_t kNicknameWidth = 40;
constexpr std::size_t kFirmwareWidth = 20;
// Everything but the two texts of variable length: header, MAC, IP, model
// length, nickname, firmware, severity, message length.
constexpr std::size_t kFixedLength =
    kHeaderSize + kMacLength + kIpLength + 1 + kNicknameWidth + kFirmwareWidth + 1 + 2;
static_assert(kFixedLength == 86);

constexpr std::uint8_t kSeverityError = 0;
constexpr std::uint8_t kSeverityWarning = 1;

} // namespace

std::optional<DiagnosticMessage> readDiagnosticMessage(std::span<const std::uint8_t> datagram) {
    Header h;
    if (!parseHeader(datagram, h) || h.opcode != Opcode::DiagnosticMessage) return std::nullopt;

    ByteReader r(datagram);
    r.seek(kHeaderSize);
    DiagnosticMessage msg;
    msg.mac = r.bytes<kMacLength>();
    msg.ip = r.bytes<kIpLength>();
    // An over-long model name is taken as 31 characters and every later field
    // is read as if the sender had used 31.
    const std::size_t n = std::min<std::size_t>(r.u8(), kMaxDiagnosticModel);
    msg.model = r.text(n);
    msg.nickname = model::untilNul(r.text(kNicknameWidth));
    msg.firmware = model::untilNul(r.text(kFirmwareWidth));
    msg.severity = r.u8();
    const std::size_t m = std::min<std::size_t>(r.u16(), kMaxDiagnosticMessage);
    msg.message = r.text(m);
    // A packet that ends before 86 + n + m bytes is dropped whole; so is the
    // tool's own 19-byte identify when it comes back.
    if (!r.ok()) return std::nullopt;
    return msg;
}

Bytes encodeDiagnosticMessage(const DiagnosticMessage& msg, std::uint8_t version,
                              std::optional<std::uint8_t> modelLength,
                              std::optional<std::uint16_t> messageLength) {
    const std::uint8_t n =
        modelLength.value_or(static_cast<std::uint8_t>(std::min<std::size_t>(msg.model.size(), 0xFF)));
    const std::uint16_t m =
        messageLength.value_or(static_cast<std::uint16_t>(std::min<std::size_t>(msg.message.size(), 0xFFFF)));
    ByteWriter w;
    writeHeader(w, Opcode::DiagnosticMessage, version);
    w.bytes(msg.mac);
    w.bytes(msg.ip);
    w.u8(n);
    w.text(msg.model, n); // as many bytes as the length byte says
    w.text(msg.nickname, kNicknameWidth);
    w.text(msg.firmware, kFirmwareWidth);
    w.u8(msg.severity);
    w.u16(m);
    w.text(msg.message, m);
    return w.take();
}

const char* severityPictureName(std::uint8_t severity) {
    switch (severity) {
    case kSeverityError:
        return "Error";
    case kSeverityWarning:
        return "Warning";
    default:
        return "Info";
    }
}

} // namespace vantrel::protocol
