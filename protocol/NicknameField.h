#pragma once
// The 40-character nickname field, shared by the poll replies and the
// configuration packets: one byte per character, NUL-padded.

#include "model/NodaluxCtrl.h"
#include "protocol/ByteReader.h"
#include "protocol/ByteWriter.h"

namespace vantrel::protocol {

// Reads the field into the record's nickname (every byte becomes the
// character code 0..255; the whole field is replaced).
inline void readNickname(ByteReader& r, model::TNodaluxCtrl& c) {
    model::setNickname(c, r.text(model::kNicknameLength));
}

inline void writeNickname(ByteWriter& w, const model::TNodaluxCtrl& c) {
    w.text(std::u16string_view(c.Nickname.data(), c.Nickname.size()), model::kNicknameLength);
}

} // namespace vantrel::protocol
