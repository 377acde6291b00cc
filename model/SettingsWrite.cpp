// Writing a controller's settings in the user's words, and comparing two
// records by those words.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "model/LegacyFeatures.h"
#include "model/Rules.h"
#include "model/SentConfiguration.h"
#include "model/SettingsData.h"
#include "model/Text.h"

namespace vantrel::model {

using settings::Json;
namespace key = settings::key;

namespace {

constexpr std::uint8_t kPerOutputOrder = 255;
constexpr std::uint8_t kNoFan = 255;
constexpr int kFirstFanHwRev = 5;
constexpr std::uint8_t kPartnerProtocolCode = 2;
constexpr int kDriverSpeedClock = 4;
constexpr std::uint16_t kBankPowered = 0xFFFF; // legacy banks 1 and 2: powered, no reading
constexpr std::uint16_t kBankNotReported = 0xFFFF;
constexpr double kTenths = 10.0;
constexpr std::size_t kShortTextLength = 60;
constexpr int kLegacySixteen = 16;

std::string utf8(std::u16string_view text) { return toUtf8(text); }

std::string trimmedRight(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::optional<std::string> protocolWord(std::uint8_t code) {
    switch (code) {
    case 0: return std::string(settings::kSacn);
    case 1: return std::string(settings::kArtNet);
    case kPartnerProtocolCode: return std::string(settings::kPartnerProtocol);
    default: return std::nullopt;
    }
}

std::optional<std::string> label(int index, bool rgbw) {
    const auto labels = settings::colourOrderLabels(rgbw);
    if (index < 0 || index >= static_cast<int>(labels.size())) return std::nullopt;
    return labels[static_cast<std::size_t>(index)];
}

double tenths(std::uint8_t v) { return v / kTenths; }

// The speed code of the chosen driver of a current controller, or -1.
int currentSpeedCode(const TNodaluxCtrl& r) {
    return r.DriverChip < r.NumDrivers && r.DriverChip < r.DriverSpeed.size() ? r.DriverSpeed[r.DriverChip] : -1;
}

int currentExpandableCode(const TNodaluxCtrl& r) {
    return r.DriverChip < r.NumDrivers && r.DriverChip < r.DriverExpandable.size()
               ? r.DriverExpandable[r.DriverChip]
               : -1;
}

Json outputsArray(const TNodaluxCtrl& r, bool legacy, const LegacyFeatures& f) {
    const bool simple = isSimpleMode(r);
    const bool rgbw = isRgbw(r);
    const bool perOutputOrder = legacy ? f.colourOrderAsIndex && r.RgbOrder[0] == kPerOutputOrder : true;
    const bool groupingIntensity = legacy ? f.groupingIntensity : true;
    Json list = Json::array();
    const int n = std::min<int>(r.NumStrings, kMaxOutputs);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        Json o = Json::object();
        o[key::kOutput] = i + 1;
        // In simple mode every output takes the start, the pixel count and no
        // null pixels, zig-zag or reversal: the configuration sends no other.
        if (!simple) {
            o[key::kPixels] = r.NumNodes[k];
            o[key::kUniverse] = r.AdvUniv[k];
            o[key::kChannel] = r.AdvChan[k];
            o[key::kNullPixels] = r.AdvNull[k];
            o[key::kZigZag] = r.AdvZig[k];
            o[key::kReversed] = r.AdvReverse[k] == 1;
        }
        if (perOutputOrder) {
            if (const auto l = label(r.AdvRgbOrder[k], legacy ? false : rgbw)) o[key::kColourOrder] = *l;
        }
        if (groupingIntensity) {
            o[key::kGrouping] = r.Grouping[k];
            o[key::kBrightness] = r.Brightness[k];
        }
        list.push_back(std::move(o));
    }
    return list;
}

Json dmxArray(const TNodaluxCtrl& r, int rows) {
    Json list = Json::array();
    for (int j = 0; j < rows && j < kMaxDmxOutputs; ++j) {
        const auto k = static_cast<std::size_t>(j);
        list.push_back(Json{{key::kOutput, j + 1}, {key::kEnabled, r.DmxOutOn[k] != 0}, {key::kUniverse, r.DmxOutUniv[k]}});
    }
    return list;
}

// The settings object as "a.b.c" keys in written order, outputs counted from
// 1 (the "output" numbers themselves are left out), each with its JSON text.
using Flat = std::vector<std::pair<std::string, std::string>>;

void flatten(const Json& value, const std::string& prefix, Flat& out) {
    if (value.is_object()) {
        for (const auto& [name, item] : value.items())
            if (name != key::kOutput) flatten(item, prefix.empty() ? name : prefix + "." + name, out);
    } else if (value.is_array()) {
        std::size_t i = 0;
        for (const auto& item : value) flatten(item, prefix + "." + std::to_string(++i), out);
    } else {
        out.emplace_back(prefix, value.dump(-1, ' ', false, Json::error_handler_t::replace));
    }
}

Flat flatSettings(const TNodaluxCtrl& r) {
    Flat out;
    flatten(settings::settingsObject(r), "", out);
    return out;
}

} // namespace

namespace settings {

std::vector<std::string> colourOrderLabels(bool rgbw) {
    std::vector<std::string> out;
    for (const auto& name : rgbw ? rgbwList() : rgbList()) {
        std::string text = toUtf8(name);
        text.erase(std::remove(text.begin(), text.end(), '-'), text.end());
        out.push_back(std::move(text));
    }
    return out;
}

std::optional<int> colourOrderIndex(std::string_view text, bool rgbw) {
    std::string wanted;
    for (const char c : text) {
        if (c == '-' || c == ' ') continue;
        wanted += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const auto labels = colourOrderLabels(rgbw);
    const auto it = std::find(labels.begin(), labels.end(), wanted);
    if (it == labels.end()) return std::nullopt;
    return static_cast<int>(it - labels.begin());
}

std::vector<std::string> chipNames(const TNodaluxCtrl& r) {
    std::vector<std::string> out;
    if (isLegacy(r)) {
        for (const auto& chip : legacyChipList(r.Firmware)) out.push_back(utf8(chip.name));
        return out;
    }
    const std::size_t n = std::min<std::size_t>(r.NumDrivers, r.DriverNames.size());
    for (std::size_t i = 0; i < n; ++i) out.push_back(trimmedRight(utf8(untilNul(r.DriverNames[i]))));
    return out;
}

std::string shortText(const Json& value) {
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() > kShortTextLength) text = text.substr(0, kShortTextLength) + "...";
    return text;
}

Json identityObject(const TNodaluxCtrl& r) {
    Json id = Json::object();
    id[key::kModel] = utf8(isLegacy(r) ? r.Model : r.ModelName);
    id[key::kMac] = macText(r.MAC);
    id[key::kFirmware] = utf8(untilNul(r.Firmware));
    id[key::kProtocolVersion] = r.QorvanaProtVer;
    id[key::kOutputCount] = r.NumStrings;
    return id;
}

Json settingsObject(const TNodaluxCtrl& r) {
    const bool legacy = isLegacy(r);
    const LegacyFeatures f = legacy ? legacyFeatures(r) : LegacyFeatures{};
    Json s = Json::object();
    s[key::kNetwork] = Json{{key::kDhcp, r.DHCP == 1}, {key::kIp, ipText(r.StaticIP)}, {key::kMask, ipText(r.SM)}};
    s[key::kNickname] = utf8(nicknameText(r));
    if (!legacy || f.protocol) {
        if (const auto word = protocolWord(r.Protocol)) s[key::kProtocol] = *word;
    }
    if (!legacy || f.holdFrame) s[key::kHoldLastFrame] = r.HoldLastFrame == 1;
    const bool simple = isSimpleMode(r);
    s[key::kMode] = simple ? settings::kSimple : settings::kAdvanced;
    if (simple) {
        const SimpleStart start = simpleStart(r);
        s[key::kStartUniverse] = start.universe;
        s[key::kStartChannel] = start.channel;
        s[key::kPixels] = start.pixels;
    }
    if (legacy && f.colourOrder) {
        if (!f.colourOrderAsIndex) {
            if (const auto l = label(itemFromPositionForm(r.RgbOrder[0], r.RgbOrder[1]), false))
                s[key::kColourOrder] = *l;
        } else if (r.RgbOrder[0] == kPerOutputOrder) {
            s[key::kColourOrder] = settings::kPerOutput;
        } else if (const auto l = label(r.RgbOrder[0], false)) {
            s[key::kColourOrder] = *l;
        }
    }
    s[key::kOutputs] = outputsArray(r, legacy, f);
    const int dmxRows = legacy ? f.dmxRows : std::min<int>(r.DMXOutputs, kMaxDmxOutputs);
    if (dmxRows > 0) s[key::kDmxOutputs] = dmxArray(r, dmxRows);

    const auto chips = settings::chipNames(r);
    if (r.DriverChip < chips.size()) s[key::kChip] = chips[r.DriverChip];
    if (legacy) {
        s[key::kLedType] = r.LedType != 0 ? settings::kRgbwText : settings::kRgb;
    } else if (r.LedType <= 1) {
        s[key::kLedType] = r.LedType == 1 ? settings::kRgbwText : settings::kRgb;
    }
    if (legacy) {
        if (f.speed && legacyChipHasSpeedChoice(r.DriverChip))
            s[key::kSpeed] = r.ProtocolSpeed != 0 ? settings::kFast : settings::kSlow;
        if (f.outputMode && legacyChipHasModeChoice(r.DriverChip)) s[key::kCondensed] = r.CondensedMode == 1;
    } else {
        const int speed = currentSpeedCode(r);
        if (speed == kDriverSpeedClock) {
            s[key::kSpeed] = clockMHz(r.ProtocolSpeed);
        } else if (speed >= 1 && speed <= 3) {
            s[key::kSpeed] = r.ProtocolSpeed != 0 ? settings::kFast : settings::kSlow;
        }
        const int expandable = currentExpandableCode(r);
        if (expandable == 1 || expandable == 2) s[key::kCondensed] = r.CondensedMode == 1;
    }
    Json gamma = Json::object();
    const bool white = !legacy && r.QorvanaProtVer >= 6;
    for (std::size_t g = 0; g < (white ? 4u : 3u); ++g) gamma[key::kGammaColours[g]] = tenths(r.Gamma[g]);
    s[key::kGamma] = gamma;
    const bool fan = legacy ? f.fan : r.HwRev >= kFirstFanHwRev && r.FanTemp != kNoFan;
    if (fan) s[key::kFanTemperature] = r.FanTemp;
    return s;
}

} // namespace settings

std::optional<std::string> settingsFileText(const TNodaluxCtrl& record) {
    if (isBootloader(record)) return std::nullopt;
    Json file = Json::object();
    file[key::kFormat] = kSettingsFormat;
    file[key::kVersion] = kSettingsFormatVersion;
    file[key::kIdentity] = settings::identityObject(record);
    file[key::kSettings] = settings::settingsObject(record);
    return file.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string statusJson(const TNodaluxCtrl& r) {
    Json o = Json::object();
    o["ip"] = ipText(r.CurrentIP);
    o["mask"] = ipText(r.CurrentSM);
    const Json identity = settings::identityObject(r);
    for (const auto& [name, value] : identity.items()) o[name] = value;
    o["nickname"] = utf8(nicknameText(r));
    const bool bootloader = isBootloader(r);
    o["bootloader"] = bootloader;
    const auto celsius = bootloader ? std::nullopt : temperatureCelsius(r.Temperature);
    o["temperature_c"] = celsius ? Json(std::round(*celsius * kTenths) / kTenths) : Json(nullptr);
    Json volts = Json::array();
    if (!bootloader) {
        if (isLegacy(r)) {
            // Banks 1 and 2 (2 only on 16-output models); 3 and 4 unless not reported.
            for (std::size_t b = 0; b < static_cast<std::size_t>(kMaxBanks); ++b) {
                const std::uint16_t v = r.Voltage[b];
                if (b == 1 && r.NumStrings != kLegacySixteen) continue;
                if (b >= 2 && v == kBankNotReported) continue;
                volts.push_back(b < 2 && v == kBankPowered ? Json(nullptr) : Json(v / kTenths));
            }
        } else {
            for (std::size_t b = 0; b < std::min<std::size_t>(r.NumBanks, kMaxBanks); ++b)
                volts.push_back(r.Voltage[b] / kTenths);
        }
    }
    o["voltages_v"] = volts;
    return o.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string settingsFileName(const TNodaluxCtrl& record) { return macText(record.MAC) + ".json"; }

std::vector<SettingChange> settingsDifferences(const TNodaluxCtrl& before, const TNodaluxCtrl& after) {
    const Flat a = flatSettings(before);
    const Flat b = flatSettings(after);
    const std::map<std::string, std::string> old(a.begin(), a.end());
    const std::map<std::string, std::string> now(b.begin(), b.end());
    std::vector<SettingChange> out;
    // In the order of the later record's file, then what only the earlier one had.
    for (const auto& [k, value] : b) {
        const auto it = old.find(k);
        const std::string was = it == old.end() ? std::string() : it->second;
        if (was != value) out.push_back({k, was, value});
    }
    for (const auto& [k, value] : a)
        if (!now.count(k)) out.push_back({k, value, std::string()});
    return out;
}

} // namespace vantrel::model
