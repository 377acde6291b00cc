#pragma once
// The controller list and its grid-row map.
//
// `PControllers` holds the records in order of arrival; `StringGridIndex`
// holds one entry per grid row, the list index of the controller that row
// shows. Both are emptied together, records are appended one at a time, and
// no two records share a current IP address.

#include <cstdint>
#include <optional>
#include <vector>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

class ControllerList {
public:
    std::vector<TNodaluxCtrl> PControllers;
    std::vector<std::int32_t> StringGridIndex;

    // Empties the list and the row map together (search, adapter change).
    void clear();

    std::size_t size() const { return PControllers.size(); }
    bool containsIP(const Ip4& ip) const;

    // Appends a fully decoded record and its row-map entry, unless a record
    // with the same current IP is listed already (then nothing changes and
    // nothing is returned). Returns the new record's list index.
    std::optional<std::int32_t> append(TNodaluxCtrl record);

    // The last record whose current IP matches, or -1.
    int lastIndexOfIP(const Ip4& ip) const;

    // Reorders the row map: entry i of the result is the old entry at
    // permutation[i]. `permutation` must be a permutation of the rows.
    void permuteRows(const std::vector<std::int32_t>& permutation);

    // Row map invariant: one entry per record, a permutation of 0..size-1.
    bool invariantsHold() const;
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
