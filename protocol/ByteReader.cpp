#include "protocol/ByteReader.h"

namespace vantrel::protocol {

bool ByteReader::take(std::size_t count) {
    if (!ok_ || count > size_ - pos_) {
        ok_ = false;
        return false;
    }
    pos_ += count;
    return true;
}

void ByteReader::seek(std::size_t offset) {
    if (!ok_ || offset > size_) {
        ok_ = false;
        return;
    }
    pos_ = offset;
}

void ByteReader::skip(std::size_t count) { take(count); }

std::uint8_t ByteReader::u8() { return take(1) ? data_[pos_ - 1] : 0; }

std::uint16_t ByteReader::u16() {
    if (!take(2)) return 0;
    return static_cast<std::uint16_t>((data_[pos_ - 2] << 8) | data_[pos_ - 1]);
}

std::uint32_t ByteReader::u32() {
    if (!take(4)) return 0;
    const std::uint8_t* p = data_ + pos_ - 4;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::u16string ByteReader::text(std::size_t count) {
    if (!take(count)) return {};
    std::u16string out(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) out[i] = data_[pos_ - count + i];
    return out;
}

} // namespace vantrel::protocol
