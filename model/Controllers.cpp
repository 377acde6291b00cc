#include "model/Controllers.h"

#include <algorithm>
#include <limits>

namespace vantrel::model {

void ControllerList::clear() {
    m_records.clear();
    m_rowMap.clear();
    m_byIP.clear();
}

std::uint32_t ControllerList::key(const Ip4& ip) {
    return (std::uint32_t{ip[0]} << 24) | (std::uint32_t{ip[1]} << 16) | (std::uint32_t{ip[2]} << 8) | ip[3];
}

int ControllerList::indexOfIP(const Ip4& ip) const {
    const auto found = m_byIP.find(key(ip));
    return found == m_byIP.end() ? -1 : found->second;
}

std::optional<std::int32_t> ControllerList::append(TNodaluxCtrl record) {
    const std::uint32_t k = key(record.CurrentIP);
    if (m_byIP.contains(k)) return std::nullopt;
    if (full()) {
        ++m_droppedWhenFull;
        return std::nullopt;
    }
    if (m_records.size() == kReserveFrom) {
        // A large fleet, or a flood: room for the whole list at once, so
        // that it is never moved to a larger block in the middle of a burst.
        m_records.reserve(kMaxControllers);
        m_rowMap.reserve(kMaxControllers);
        m_byIP.reserve(kMaxControllers);
    }
    const auto index = static_cast<std::int32_t>(m_records.size());
    m_records.push_back(std::move(record));
    m_rowMap.push_back(index);
    m_byIP.emplace(k, index);
    return index;
}

bool ControllerList::permuteRows(const std::vector<std::int32_t>& permutation) {
    const std::size_t rows = m_rowMap.size();
    if (permutation.size() != rows) return false;
    std::vector<bool> seen(rows, false);
    for (const std::int32_t from : permutation) {
        if (from < 0 || static_cast<std::size_t>(from) >= rows || seen[static_cast<std::size_t>(from)]) return false;
        seen[static_cast<std::size_t>(from)] = true;
    }
    std::vector<std::int32_t> next(rows);
    for (std::size_t i = 0; i < rows; ++i) next[i] = m_rowMap[static_cast<std::size_t>(permutation[i])];
    m_rowMap = std::move(next);
    return true;
}

bool ControllerList::invariantsHold() const {
    const std::size_t n = m_records.size();
    if (n > kMaxControllers || m_rowMap.size() != n || m_byIP.size() != n) return false;
    std::vector<bool> seen(n, false);
    for (const std::int32_t index : m_rowMap) {
        if (index < 0 || static_cast<std::size_t>(index) >= n || seen[static_cast<std::size_t>(index)]) return false;
        seen[static_cast<std::size_t>(index)] = true;
    }
    // Every record is found under its own current IP: the addresses are
    // distinct, and none was changed after the record was listed.
    for (std::size_t i = 0; i < n; ++i) {
        if (indexOfIP(m_records[i].CurrentIP) != static_cast<int>(i)) return false;
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
    if (index >= list.size()) return false;
    return firmwareAtLeast(list.at(index).Firmware, major, minor, patch);
}

} // namespace vantrel::model
