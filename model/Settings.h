#pragma once
// A controller's settings as a file: JSON in the user's words, not the
// wire's (docs/settings-format.md describes it).
//
//   { "format": "vantrel-settings", "version": 1,
//     "identity": { "model": ..., "mac": ..., "firmware": ..., "protocol_version": ..., "outputs": ... },
//     "settings": { "network": {...}, "nickname": ..., "mode": "simple", "outputs": [...], ... } }
//
// Writing takes a record as a poll reply filled it. Reading is strict: a
// wrong format or version, an unknown key or a value of the wrong kind is
// refused with a message naming the key; values are checked against the
// controller they are applied to (its range, its chips, its features), and a
// value is written into the record only where it differs from what the
// controller reports, so a file of unchanged settings leaves the record as
// it is.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

inline constexpr char kSettingsFormat[] = "vantrel-settings";
inline constexpr int kSettingsFormatVersion = 1;
// Settings files are small; anything larger is not one.
inline constexpr std::size_t kMaxSettingsFileSize = 1024 * 1024;

// One setting that differs, in the user's words: the key as in the file
// ("nickname", "outputs.3.pixels", with outputs counted from 1) and both
// values as JSON texts ("170", "\"GRB\"", "true"; empty where a controller
// does not have the setting).
struct SettingChange {
    std::string key;
    std::string before;
    std::string after;
    bool operator==(const SettingChange&) const = default;
};

// The settings file of one controller (indented JSON ending in a line
// break). Nothing for a controller running its bootloader: it reports no settings.
std::optional<std::string> settingsFileText(const TNodaluxCtrl& record);

// The identity and status of a controller as one line of JSON: the file's
// identity (model, MAC, firmware, protocol version, outputs) with its
// address, mask, nickname, whether it runs its bootloader, its temperature
// in degrees Celsius and its bank voltages in volts.
std::string statusJson(const TNodaluxCtrl& record);

// The name of a controller's file in a backup folder: "<MAC>.json".
std::string settingsFileName(const TNodaluxCtrl& record);

// Settings read from a file or from KEY=VALUE assignments, checked for their
// form; they are checked against a controller when applied.
class SettingsSource {
public:
    struct Data;
    explicit SettingsSource(std::shared_ptr<const Data> data);
    const Data& data() const { return *m_data; }
    // The MAC named by the file's identity, when it has one.
    std::optional<Mac> mac() const;

private:
    std::shared_ptr<const Data> m_data;
};

struct SettingsParse {
    std::optional<SettingsSource> settings;
    std::string error; // why the text cannot be used, naming the key, the value and what is allowed
};

// A settings file's text.
SettingsParse parseSettingsFile(std::string_view text);

// Assignments of the command line: "nickname=Stage", "pixels=170",
// "outputs.2.colour_order=GRB", "colour_order=GRB" (every output), "gamma=2.2"
// (red, green, blue and white). Keys as in the file.
SettingsParse parseAssignments(const std::vector<std::string>& assignments);

struct ApplyOptions {
    // Apply a file made from another model (other family or output count):
    // settings the controller does not have are left out.
    bool force = false;
    // Take the file's network settings also when it was made from another
    // controller (another MAC); without it that controller keeps its own.
    bool withNetwork = false;
};

struct ApplyResult {
    bool ok = false;
    // Refused because the file was made from another model (other family or
    // output count); --force would apply it.
    bool otherModel = false;
    std::string error;                 // why nothing may be sent (every refused value, one a line)
    TNodaluxCtrl record;               // the controller's record with the settings applied
    std::vector<SettingChange> changes; // what differs from the controller's record, in the user's words
    std::vector<std::string> notes;    // what was left out, and why
};

// Applies settings to a controller's record.
ApplyResult applySettings(const SettingsSource& settings, const TNodaluxCtrl& target, const ApplyOptions& options = {});

// The settings in which two records differ, in the user's words (empty when
// they agree). Used to show changes and to check that a controller took them.
std::vector<SettingChange> settingsDifferences(const TNodaluxCtrl& before, const TNodaluxCtrl& after);

} // namespace vantrel::model
