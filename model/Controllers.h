#pragma once
// The controller list and its grid-row map.
//
// The records are kept in order of arrival (list index 0, 1, ...); the row
// map holds one entry per grid row, the list index of the controller that row
// shows. Both are private, so that what the list promises always holds:
//   - no two records share a current IP address (found in constant time);
//   - the row map has one entry per record and is a permutation of the list
//     indices;
//   - at most kMaxControllers records: replies beyond that are dropped and
//     counted, so that a flood of replies from ever new addresses cannot grow
//     the list (and the grid) without end.
// A record's settings may be changed in place (the configuration flows and
// the test-announce reader do); its current IP is the list's key and is not.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

class ControllerList {
  public:
    // Far above any real installation; the grid stays quick to use at this size.
    static constexpr std::size_t kMaxControllers = 10000;

    // Empties the list and the row map together (search, adapter change).
    // The count of dropped replies is kept: it tells of the whole run.
    void clear();

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    bool full() const { return m_records.size() >= kMaxControllers; }

    // The records in order of arrival.
    const std::vector<TNodaluxCtrl>& records() const { return m_records; }
    // One record; an index outside the list throws std::out_of_range.
    const TNodaluxCtrl& at(std::size_t index) const { return m_records.at(index); }
    TNodaluxCtrl& at(std::size_t index) { return m_records.at(index); }

    // The list index of the record with this current IP, or -1.
    int indexOfIP(const Ip4& ip) const;
    bool containsIP(const Ip4& ip) const { return indexOfIP(ip) >= 0; }

    // Appends a fully decoded record and its row-map entry (the bottom row).
    // Nothing changes and nothing is returned when a record with the same
    // current IP is listed already (the first reply stays) or when the list
    // is full (the reply is counted in droppedWhenFull()). Returns the new
    // record's list index.
    std::optional<std::int32_t> append(TNodaluxCtrl record);

    // Replies dropped because the list was full, since the list was made.
    std::uint64_t droppedWhenFull() const { return m_droppedWhenFull; }

    // --- the row map ------------------------------------------------------------
    const std::vector<std::int32_t>& rowMap() const { return m_rowMap; }
    // The list index that grid row `row` shows, or -1 outside the grid.
    int indexAtRow(std::size_t row) const { return row < m_rowMap.size() ? m_rowMap[row] : -1; }

    // Reorders the row map: entry i of the result is the old entry at
    // permutation[i]. False, and nothing changes, when `permutation` is not a
    // permutation of the rows.
    bool permuteRows(const std::vector<std::int32_t>& permutation);

    // Sorts the rows by `less` over list indices; rows that compare equal
    // keep their order.
    template <typename Less> void sortRows(Less less) { std::stable_sort(m_rowMap.begin(), m_rowMap.end(), less); }

    // Rows 0 .. placed-1 are in the order of `less`; the rows below them were
    // appended since. Puts those in their places: the order of appending them
    // at the bottom one by one and sorting after each (a new row goes after
    // the rows that compare equal to it). `placed` beyond the rows means all.
    template <typename Less> void placeNewRows(std::size_t placed, Less less) {
        const auto middle = m_rowMap.begin() + static_cast<std::ptrdiff_t>(std::min(placed, m_rowMap.size()));
        std::stable_sort(middle, m_rowMap.end(), less);
        std::inplace_merge(m_rowMap.begin(), middle, m_rowMap.end(), less);
    }

    // Checks every promise above (the test suites and the fuzzers use it).
    bool invariantsHold() const;

  private:
    // Past this many records the list takes room for kMaxControllers at once.
    static constexpr std::size_t kReserveFrom = 256;

    static std::uint32_t key(const Ip4& ip);

    std::vector<TNodaluxCtrl> m_records;
    std::vector<std::int32_t> m_rowMap;
    std::unordered_map<std::uint32_t, std::int32_t> m_byIP; // current IP -> list index
    std::uint64_t m_droppedWhenFull = 0;
};

// Firmware version test: true when the firmware text reads as a version of at
// least major.minor.patch. Texts that do not read as "V<major>.<minor>.<patch>"
// within their first 20 characters fail every test.
bool firmwareAtLeast(std::u16string_view firmware, int major, int minor, int patch);

// The same test for the controller at `index` of the list; an index outside
// the list fails.
bool NodaFirmwareCheck(const ControllerList& list, std::size_t index, int major, int minor, int patch);

struct FirmwareVersion {
    long major = 0, minor = 0, patch = 0;
};
// Reads the version out of a firmware text, or nothing when the text is not of the form.
std::optional<FirmwareVersion> parseFirmwareVersion(std::u16string_view firmware);

} // namespace vantrel::model
