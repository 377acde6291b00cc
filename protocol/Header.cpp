#include "protocol/Header.h"

#include <cstring>

namespace vantrel::protocol {

void writeHeader(ByteWriter& w, std::uint16_t opcode, std::uint8_t version) {
    w.ascii(kMagic, 9); // the eight letters and the 0 byte
    w.u16(opcode);
    w.u8(version);
}

bool parseHeader(std::span<const std::uint8_t> datagram, Header& out) {
    if (datagram.size() < kHeaderSize) return false;
    if (std::memcmp(datagram.data(), kMagic, 9) != 0) return false;
    out.opcode = static_cast<std::uint16_t>((datagram[9] << 8) | datagram[10]);
    out.version = datagram[11];
    return true;
}

Route routeDatagram(std::span<const std::uint8_t> datagram) {
    Header h;
    if (!parseHeader(datagram, h)) return Route::Drop;
    switch (h.opcode) {
    case Opcode::PollReply:
        return h.version < kFirstCurrentVersion ? Route::PollReplyV4Below : Route::PollReply;
    case Opcode::TestAnnounce:
        return Route::TestAnnounce;
    case Opcode::DiagnosticMessage:
        return Route::DiagnosticMessage;
    default:
        return Route::Drop;
    }
}

Bytes buildPoll() {
    ByteWriter w;
    writeHeader(w, Opcode::Poll, kToolPollVersion);
    return w.take();
}

} // namespace vantrel::protocol
