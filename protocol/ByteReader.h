#pragma once
// Bounds-checked big-endian reading of a received datagram.
//
// Every read checks the remaining length first. Reading past the end never
// touches memory outside the buffer: it puts the reader into a failed state,
// returns zero, and every later read fails too. Callers read a whole layout
// and test ok() once at the end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vantrel::protocol {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteReader(std::span<const std::uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return size_; }
    std::size_t remaining() const { return ok_ ? size_ - pos_ : 0; }

    // Moves to an absolute offset; an offset beyond the end fails the reader.
    void seek(std::size_t offset);
    void skip(std::size_t count);

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();

    template <std::size_t N> std::array<std::uint8_t, N> bytes() {
        std::array<std::uint8_t, N> out{};
        if (take(N)) {
            for (std::size_t i = 0; i < N; ++i) out[i] = data_[pos_ - N + i];
        }
        return out;
    }

    // Text is one byte per character; each byte becomes the code unit 0..255.
    std::u16string text(std::size_t count);

private:
    bool take(std::size_t count);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

} // namespace vantrel::protocol
