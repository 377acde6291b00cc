#include "model/NodaluxCtrl.h"

#include <algorithm>

namespace vantrel::model {

bool isBootloader(const TNodaluxCtrl& c) { return c.Firmware.starts_with(u"Bootloader"); }

std::u16string untilNul(std::u16string_view text) { return std::u16string(text.substr(0, text.find(u'\0'))); }

std::u16string nicknameText(const TNodaluxCtrl& c) {
    return untilNul(std::u16string_view(c.Nickname.data(), c.Nickname.size()));
}

void setNickname(TNodaluxCtrl& c, std::u16string_view text, std::size_t maxChars) {
    c.Nickname.fill(u'\0');
    const std::size_t n = std::min({text.size(), maxChars, c.Nickname.size()});
    std::copy_n(text.begin(), n, c.Nickname.begin());
}

} // namespace vantrel::model
