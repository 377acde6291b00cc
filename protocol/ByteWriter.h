#pragma once
// Big-endian writing of an outgoing packet. The buffer grows as fields are
// appended, so a builder's length is exactly the bytes it wrote.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vantrel::protocol {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
public:
    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v) {
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
        out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    void bytes(std::span<const std::uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }

    // Fixed-width text: each character keeps its low eight bits; the field is
    // NUL-padded (or cut) to exactly `width` bytes.
    void text(std::u16string_view s, std::size_t width);
    void ascii(std::string_view s, std::size_t width);

    std::size_t size() const { return out_.size(); }
    const Bytes& data() const { return out_; }
    Bytes take() { return std::move(out_); }

private:
    Bytes out_;
};

} // namespace vantrel::protocol
