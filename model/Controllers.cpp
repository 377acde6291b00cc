#include "model/Controllers.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace vantrel::model {

void ControllerList::clear() {
    PControllers.clear();
    StringGridIndex.clear();
}

bool ControllerList::containsIP(const Ip4& ip) const { return lastIndexOfIP(ip) >= 0; }

int ControllerList::lastIndexOfIP(const Ip4& ip) const {
    for (std::size_t i = PControllers.size(); i-- > 0;) {
        if (PControllers[i].CurrentIP == ip) return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::int32_t> ControllerList::append(TNodaluxCtrl record) {
    if (containsIP(record.CurrentIP)) return std::nullopt;
    PControllers.push_back(std::move(record));
    const auto index = static_cast<std::int32_t>(PControllers.size() - 1);
    StringGridIndex.push_back(index);
    return index;
}

void ControllerList::permuteRows(const std::vector<std::int32_t>& permutation) {
    std::vector<std::int32_t> next(permutation.size());
    for (std::size_t i = 0; i < permutation.size(); ++i) next[i] = StringGridIndex.at(permutation[i]);
    StringGridIndex = std::move(next);
}

bool ControllerList::invariantsHold() const {
    if (StringGridIndex.size() != PControllers.size()) return false;
    std::vector<std::int32_t> sorted = StringGridIndex;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (sorted[i] != static_cast<std::int32_t>(i)) return false;
    }
    for (std::size_t i = 0; i < PControllers.size(); ++i) {
        for (std::size_t j = i + 1; j < PControllers.size(); ++j) {
            if (PControllers[i].CurrentIP == PControllers[j].CurrentIP) return false;
        }
    }
    return true;
}

namespace {

// The firmware text is read in its first 20 positions; positions past the
// text's end read as NUL.
constexpr std::size_t kFirmwareWindow = 20;

char16_t at(std::u16string_view s, std::size_t i) { return i < s.size() ? s[i] : u'\0'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Adds a digit, saturating at the largest value instead of overflowing (also
// where long has 32 bits); a saturated number still compares at least as high
// as any required version.
void addDigit(long& value, char16_t c) {
    constexpr long kMax = std::numeric_limits<long>::max();
    const long digit = c - u'0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
}

// Reads "digit, then digits up to the next '.' found at or after from+1".
// Returns the position of that '.', or nothing when a non-digit stands in the
// way or no '.' follows within the window.
std::optional<std::size_t> readNumberToDot(std::u16string_view s, std::size_t first, long& value) {
    if (first >= kFirmwareWindow || !isDigit(at(s, first))) return std::nullopt;
    value = at(s, first) - u'0';
    for (std::size_t i = first + 1; i < kFirmwareWindow; ++i) {
        const char16_t c = at(s, i);
        if (c == u'.') return i;
        if (!isDigit(c)) return std::nullopt;
        addDigit(value, c);
    }
    return std::nullopt;
}

} // namespace

std::optional<FirmwareVersion> parseFirmwareVersion(std::u16string_view firmware) {
    std::optional<std::size_t> v;
    for (std::size_t i = 0; i < kFirmwareWindow; ++i) {
        if (at(firmware, i) == u'V') v = i;
    }
    if (!v) return std::nullopt;

    FirmwareVersion out;
    const auto dot1 = readNumberToDot(firmware, *v + 1, out.major);
    if (!dot1) return std::nullopt;
    const auto dot2 = readNumberToDot(firmware, *dot1 + 1, out.minor);
    if (!dot2) return std::nullopt;

    const std::size_t p = *dot2 + 1;
    if (p >= kFirmwareWindow || !isDigit(at(firmware, p))) return std::nullopt;
    out.patch = at(firmware, p) - u'0';
    // Further patch digits run to the end of the window; NULs are skipped,
    // anything else that is not a digit makes the text unreadable.
    for (std::size_t i = p + 1; i < kFirmwareWindow; ++i) {
        const char16_t c = at(firmware, i);
        if (c == u'\0') continue;
        if (!isDigit(c)) return std::nullopt;
        addDigit(out.patch, c);
    }
    return out;
}

bool firmwareAtLeast(std::u16string_view firmware, int major, int minor, int patch) {
    const auto v = parseFirmwareVersion(firmware);
    if (!v) return false;
    if (v->major != major) return v->major > major;
    if (v->minor != minor) return v->minor > minor;
    return v->patch >= patch;
}

bool NodaFirmwareCheck(const ControllerList& list, std::size_t index, int major, int minor, int patch) {
    if (index >= list.PControllers.size()) return false;
    return firmwareAtLeast(list.PControllers[index].Firmware, major, minor, patch);
}

} // namespace vantrel::model
