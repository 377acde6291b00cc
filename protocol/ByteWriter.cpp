#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

void ByteWriter::text(std::u16string_view s, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out_.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i] & 0xFF) : 0);
}

void ByteWriter::ascii(std::string_view s, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out_.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
}

} // namespace vantrel::protocol
