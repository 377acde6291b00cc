// Applying settings to a controller's record. A value is checked against
// the controller (its ranges, chips and features, as the configuration
// window offers them) and written only where it differs from what the
// controller reports; a chip change brings the LED type, output mode, speed
// and start channel the window's chip rule would give.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <tuple>

#include "model/LegacyFeatures.h"
#include "model/Rules.h"
#include "model/SentConfiguration.h"
#include "model/SettingsData.h"
#include "model/Text.h"

namespace vantrel::model {

using settings::Json;
using settings::Values;
namespace key = settings::key;

namespace {

constexpr std::uint8_t kPerOutputOrder = 255;
constexpr std::uint8_t kKeepWhenAdvanced = 0xC6; // bits 0, 3, 4, 5 cleared
constexpr std::uint8_t kSimpleBit = 0x01;
constexpr std::uint8_t kPartnerBrand = 1;
constexpr std::uint8_t kNoFan = 255;
constexpr int kFirstFanHwRev = 5;
constexpr int kFirstWhiteGammaProtocol = 6;
constexpr int kDriverSpeedClock = 4;
constexpr int kClockPositions = 12;
constexpr int kLegacyRgbwChip = 12;
constexpr std::size_t kNicknameStored = kNicknameLength - 1; // a NUL always ends it
constexpr char16_t kHighestOneByte = 0xFF;
constexpr char16_t kFirstPrintable = 0x20;
constexpr long long kLowestUniverse = 1;
constexpr long long kGammaLowest = 10, kGammaHighest = 30; // tenths
constexpr long long kFanLowest = 10, kFanHighest = 60;
constexpr long long kBrightnessHighest = 100;
constexpr long long kLegacyNullPixels = 10;
constexpr long long kLegacyZigZag16 = 339, kLegacyZigZag = 679;
constexpr long long kNullPixelsByte = 255;
constexpr double kTenths = 10.0;
constexpr double kDecimalTolerance = 1e-9;

std::string quoted(const std::string& text) { return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string quotedList(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ", ") + quoted(item);
    return out.empty() ? "none" : out;
}

std::string range(long long lo, long long hi) { return std::to_string(lo) + " to " + std::to_string(hi); }

std::string lowerWord(std::string text) {
    for (char& c : text) c = static_cast<char>(c == '-' ? ' ' : std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string protocolName(std::uint8_t code) {
    switch (code) {
    case 0: return "sACN";
    case 1: return "Art-Net";
    default: return "the partner protocol";
    }
}

class Applier {
public:
    Applier(const Values& values, const TNodaluxCtrl& target, const ApplyOptions& options)
        : v(values), target(target), r(target), legacy(isLegacy(target)),
          f(legacy ? legacyFeatures(target) : LegacyFeatures{}), options(options) {}

    const Values& v;
    const TNodaluxCtrl& target;
    TNodaluxCtrl r;
    const bool legacy;
    const LegacyFeatures f;
    const ApplyOptions& options;
    std::vector<std::string> errors;
    std::vector<std::string> notes;
    bool chipChanged = false;
    bool ledChanged = false;
    bool otherModel = false;

    void refuse(const std::string& path, const std::string& value, const std::string& allowed) {
        errors.push_back(path + ": " + value + " is not allowed; allowed: " + allowed);
    }
    // A setting this controller does not have: refused, or left out with --force.
    void notOffered(const std::string& path, const std::string& value, const std::string& why) {
        if (options.force) notes.push_back(path + ": left out: " + why);
        else errors.push_back(path + ": " + value + " cannot be set: " + why);
    }
    bool inRange(const std::string& path, long long value, long long lo, long long hi) {
        if (value >= lo && value <= hi) return true;
        refuse(path, std::to_string(value), range(lo, hi));
        return false;
    }
    bool onPixelBoundary(const std::string& path, long long value) {
        const bool rgbw = isRgbw(r);
        const int c = channelsPerPixel(rgbw);
        const int m = highestStartChannel(rgbw);
        if (value >= 1 && value <= m && (value - 1) % c == 0) return true;
        refuse(path, std::to_string(value),
               "1, " + std::to_string(1 + c) + ", " + std::to_string(1 + 2 * c) + " ... " + std::to_string(m) +
                   " (a pixel boundary with " + (rgbw ? "RGBW" : "RGB") + ")");
        return false;
    }

    // --- what this controller offers, for the record as it stands now -------

    int chipCode(const std::vector<std::uint8_t>& table) const {
        return r.DriverChip < r.NumDrivers && r.DriverChip < table.size() ? table[r.DriverChip] : -1;
    }
    std::string chipName() const {
        const auto names = settings::chipNames(r);
        return r.DriverChip < names.size() ? quoted(names[r.DriverChip]) : std::string("(none)");
    }
    std::vector<std::string> ledTypesOffered() const {
        const std::vector<std::string> both{settings::kRgb, settings::kRgbwText};
        if (legacy) {
            if (r.DriverChip != kLegacyRgbwChip) return {settings::kRgb};
            return f.ledTypeChoice ? both : std::vector<std::string>{settings::kRgbwText};
        }
        switch (chipCode(r.DriverType)) {
        case 0: return {settings::kRgb};
        case 1: return {settings::kRgbwText};
        default: return both;
        }
    }
    std::optional<std::string> ledTypeNow() const {
        if (legacy) return std::string(r.LedType != 0 ? settings::kRgbwText : settings::kRgb);
        if (r.LedType > 1) return std::nullopt;
        return std::string(r.LedType == 1 ? settings::kRgbwText : settings::kRgb);
    }
    bool modeChoice() const {
        if (legacy) return f.outputMode && legacyChipHasModeChoice(r.DriverChip);
        const int code = chipCode(r.DriverExpandable);
        return code == 1 || code == 2;
    }
    long long maxPixels() const { return maxPixelsPerOutput(r); }
    static constexpr int kLegacyOutputsSixteen = 16;

    // --- the steps ---------------------------------------------------------------

    bool identity(const std::optional<settings::Identity>& id) {
        if (!id) return true;
        const bool fileLegacy = id->protocolVersion <= kLastLegacyProtocol;
        if (fileLegacy == legacy && id->outputs == target.NumStrings) return true;
        const auto describe = [](const std::string& model, bool isLegacyFamily, long long outputs) {
            return quoted(model) + " (" + (isLegacyFamily ? "protocol 4 or earlier" : "protocol 5 or later") + ", " +
                   std::to_string(outputs) + " outputs)";
        };
        const std::string what = "the file was made from a " + describe(id->model, fileLegacy, id->outputs) +
                                 "; this controller is a " +
                                 describe(toUtf8(legacy ? target.Model : target.ModelName), legacy, target.NumStrings);
        if (!options.force) {
            otherModel = true;
            errors.push_back(what + "; give --force to apply it anyway");
            return false;
        }
        notes.push_back(what + " (applied with --force)");
        return true;
    }

    void network(const std::optional<settings::Identity>& id) {
        const bool given = v.dhcp || v.ip || v.mask;
        if (!given) return;
        if (id && id->mac != target.MAC && !options.withNetwork) {
            notes.push_back("network: kept: the file was made from another controller (" + macText(id->mac) +
                            "); --with-network takes its network settings");
            return;
        }
        if (v.dhcp && *v.dhcp != (r.DHCP == 1)) r.DHCP = *v.dhcp ? 1 : 0;
        const bool ipChanged = v.ip && *v.ip != r.StaticIP;
        const bool maskChanged = v.mask && *v.mask != r.SM;
        if (ipChanged) r.StaticIP = *v.ip;
        if (maskChanged) r.SM = *v.mask;
        if (!ipChanged && !maskChanged) return;
        // A static address must name a host: not the network or its broadcast,
        // not 0.x.x.x, loopback or multicast.
        const Ip4& ip = r.StaticIP;
        bool host = ip[0] != 0 && ip[0] != 127 && ip[0] < 224;
        bool allZero = true, allOne = true;
        for (std::size_t i = 0; i < ip.size(); ++i) {
            const std::uint8_t hostPart = static_cast<std::uint8_t>(ip[i] & ~r.SM[i]);
            const std::uint8_t hostMask = static_cast<std::uint8_t>(~r.SM[i]);
            allZero = allZero && hostPart == 0;
            allOne = allOne && hostPart == hostMask;
        }
        if (r.SM != Ip4{255, 255, 255, 255}) host = host && !allZero && !allOne;
        if (!host)
            refuse(ipChanged ? "network.ip" : "network.mask",
                   quoted(ipText(ip)) + " with mask " + quoted(ipText(r.SM)),
                   "a host address of its network (not 0.x.x.x, loopback, multicast, the network or its broadcast)");
    }

    void nickname() {
        if (!v.nickname) return;
        const std::u16string text = fromUtf8(*v.nickname);
        if (text == nicknameText(target)) return;
        bool sendable = text.size() <= kNicknameStored;
        for (const char16_t c : text) sendable = sendable && c >= kFirstPrintable && c <= kHighestOneByte;
        if (!sendable) {
            refuse(key::kNickname, quoted(*v.nickname),
                   "up to " + std::to_string(kNicknameStored) +
                       " characters of Latin-1 (each is one byte on the wire), no control characters");
            return;
        }
        setNickname(r, text, kNicknameStored);
    }

    void protocol() {
        if (!v.protocol) return;
        const std::uint8_t code = *v.protocol == settings::kSacn ? 0 : *v.protocol == settings::kArtNet ? 1 : 2;
        if (code == r.Protocol) return;
        if (legacy && !f.protocol) return notOffered(key::kProtocol, quoted(*v.protocol), "its firmware has no protocol choice");
        const bool partner = legacy ? f.thirdProtocol : r.Brand == kPartnerBrand;
        if (code == 2 && !partner) return refuse(key::kProtocol, quoted(*v.protocol), quotedList({settings::kSacn, settings::kArtNet}));
        r.Protocol = code;
    }

    void holdLastFrame() {
        if (!v.holdLastFrame || *v.holdLastFrame == (r.HoldLastFrame == 1)) return;
        if (legacy && !f.holdFrame)
            return notOffered(key::kHoldLastFrame, Json(*v.holdLastFrame).dump(), "its firmware cannot hold the last frame");
        r.HoldLastFrame = *v.holdLastFrame ? 1 : 0;
    }

    void chip() {
        if (!v.chip) return;
        const auto names = settings::chipNames(r);
        const auto same = [&](const std::string& name) { return lowerWord(name) == lowerWord(*v.chip); };
        const auto it = std::find_if(names.begin(), names.end(), same);
        if (it == names.end()) return refuse(key::kChip, quoted(*v.chip), quotedList(names));
        const auto index = static_cast<std::uint8_t>(it - names.begin());
        if (index == r.DriverChip) return;
        r.DriverChip = index;
        chipChanged = true;
    }

    void ledType() {
        const auto offered = ledTypesOffered();
        const auto now = ledTypeNow();
        const auto isOffered = [&](const std::string& t) { return std::find(offered.begin(), offered.end(), t) != offered.end(); };
        const auto set = [&](const std::string& t) {
            r.LedType = t == settings::kRgbwText ? 1 : 0;
            ledChanged = true;
        };
        if (v.ledType) {
            const bool changes = !now || *v.ledType != *now;
            if (!isOffered(*v.ledType) && (changes || chipChanged))
                return refuse(key::kLedType, quoted(*v.ledType), quotedList(offered) + " with chip " + chipName());
            if (changes) set(*v.ledType);
            return;
        }
        // The chip decides the LED type where it allows only one.
        if (chipChanged && offered.size() == 1 && (!now || *now != offered.front())) set(offered.front());
    }

    void resetColourOrdersAfterLedChange() {
        // Switching RGB and RGBW refills the colour-order lists at their first entry.
        if (legacy || !ledChanged) return;
        for (int i = 0; i < std::min<int>(r.NumStrings, kMaxOutputs); ++i) r.AdvRgbOrder[static_cast<std::size_t>(i)] = 0;
    }

    void condensed() {
        const bool offered = modeChoice();
        if (v.condensed && (*v.condensed != (r.CondensedMode == 1) || (chipChanged && *v.condensed))) {
            if (*v.condensed && !offered) {
                if (legacy && !f.outputMode)
                    return notOffered(key::kCondensed, "true", "this model has no output-mode choice");
                return refuse(key::kCondensed, "true", "false with chip " + chipName());
            }
            r.CondensedMode = *v.condensed ? 1 : 0;
            return;
        }
        if (chipChanged && !offered && r.CondensedMode != 0) r.CondensedMode = 0;
    }

    // The given speed is what the controller has now.
    bool sameSpeed(int code) const {
        if (code == kDriverSpeedClock) return v.speed->mhz && *v.speed->mhz == clockMHz(r.ProtocolSpeed);
        if (!legacy && (code < 1 || code > 3)) return false;
        return v.speed->word && (*v.speed->word == settings::kFast) == (r.ProtocolSpeed != 0);
    }

    void speed() {
        if (legacy) {
            if (v.speed && !chipChanged && f.speed && legacyChipHasSpeedChoice(r.DriverChip) && sameSpeed(-1)) return;
            const bool offered = f.speed && legacyChipHasSpeedChoice(r.DriverChip);
            if (!v.speed) return;
            const std::string given = v.speed->word ? quoted(*v.speed->word) : Json(*v.speed->mhz).dump();
            if (!offered) {
                if (!f.speed) return notOffered(key::kSpeed, given, "its firmware has no speed choice");
                return notOffered(key::kSpeed, given, "chip " + chipName() + " has no speed choice");
            }
            if (!v.speed->word) return refuse(key::kSpeed, given, quotedList({settings::kSlow, settings::kFast}));
            const bool fast = *v.speed->word == settings::kFast;
            if (fast != (r.ProtocolSpeed != 0)) r.ProtocolSpeed = fast ? 1 : 0;
            return;
        }
        const int code = chipCode(r.DriverSpeed);
        if (v.speed && !chipChanged && sameSpeed(code)) return;
        if (!v.speed) {
            // A chip of one fixed speed sets it.
            if (chipChanged && code == 1 && r.ProtocolSpeed != 0) r.ProtocolSpeed = 0;
            if (chipChanged && code == 2 && r.ProtocolSpeed == 0) r.ProtocolSpeed = 1;
            return;
        }
        const std::string given = v.speed->word ? quoted(*v.speed->word) : Json(*v.speed->mhz).dump();
        if (code == kDriverSpeedClock) {
            std::string rates;
            for (int p = 0; p < kClockPositions; ++p) {
                rates += (p ? ", " : "") + Json(clockMHz(p)).dump();
                if (v.speed->mhz && std::abs(clockMHz(p) - *v.speed->mhz) < kDecimalTolerance) {
                    if (clockMHz(p) != clockMHz(r.ProtocolSpeed)) r.ProtocolSpeed = static_cast<std::uint8_t>(p);
                    return;
                }
            }
            return refuse(key::kSpeed, given, rates + " (MHz, chip " + chipName() + ")");
        }
        if (code < 1 || code > 3) return notOffered(key::kSpeed, given, "chip " + chipName() + " has no speed choice");
        std::vector<std::string> offered;
        if (code != 2) offered.emplace_back(settings::kSlow);
        if (code != 1) offered.emplace_back(settings::kFast);
        if (!v.speed->word || std::find(offered.begin(), offered.end(), *v.speed->word) == offered.end())
            return refuse(key::kSpeed, given, quotedList(offered) + " with chip " + chipName());
        const bool fast = *v.speed->word == settings::kFast;
        if (fast != (r.ProtocolSpeed != 0)) r.ProtocolSpeed = fast ? 1 : 0;
    }

    bool simpleMode() {
        const bool wasSimple = isSimpleMode(target);
        const bool simple = v.mode ? *v.mode == settings::kSimple : wasSimple;
        if (simple != wasSimple) {
            if (!legacy) {
                r.SimpleConfig = simple ? static_cast<std::uint8_t>(r.SimpleConfig | kSimpleBit)
                                        : static_cast<std::uint8_t>(r.SimpleConfig & kKeepWhenAdvanced);
            } else if (simple) {
                // Output 1's start, until the settings say otherwise.
                r.SacnUniv = std::max<std::uint16_t>(r.AdvUniv[0], kLowestUniverse);
                r.SacnChan = std::max<std::uint16_t>(r.AdvChan[0], 1);
            } else {
                r.SacnUniv = 0;
                r.SacnChan = 0;
            }
        }
        if (!simple) {
            for (const auto& [given, name] : {std::pair{v.startUniverse.has_value(), key::kStartUniverse},
                                              std::pair{v.startChannel.has_value(), key::kStartChannel},
                                              std::pair{v.pixels.has_value(), key::kPixels}}) {
                if (given)
                    errors.push_back(std::string(name) +
                                     ": only in simple mode (the mode is \"advanced\"); give mode \"simple\" with it, "
                                     "or set the outputs one by one (outputs.N...)");
            }
            return false;
        }
        const SimpleStart now = simpleStart(r);
        if (v.startUniverse && *v.startUniverse != now.universe &&
            inRange(key::kStartUniverse, *v.startUniverse, kLowestUniverse, kMaxUniverse)) {
            (legacy ? r.SacnUniv : r.AdvUniv[0]) = static_cast<std::uint16_t>(*v.startUniverse);
        }
        if (v.startChannel && *v.startChannel != now.channel) {
            if (onPixelBoundary(key::kStartChannel, *v.startChannel))
                (legacy ? r.SacnChan : r.AdvChan[0]) = static_cast<std::uint16_t>(*v.startChannel);
        } else if (chipChanged) {
            // The chip rule puts the start channel back on the pixel grid.
            const int aligned = alignStartChannel(now.channel, isRgbw(r));
            if (aligned != now.channel) (legacy ? r.SacnChan : r.AdvChan[0]) = static_cast<std::uint16_t>(aligned);
        }
        if (v.pixels && *v.pixels != now.pixels && inRange(key::kPixels, *v.pixels, 1, maxPixels())) {
            for (int i = 0; i < simpleLayoutOutputs(r); ++i) r.NumNodes[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(*v.pixels);
        }
        return true;
    }

    void colourOrder() {
        if (!v.colourOrder) return;
        const std::string& text = *v.colourOrder;
        if (!legacy) {
            const auto index = settings::colourOrderIndex(text, isRgbw(r));
            if (!index) return refuse(key::kColourOrder, quoted(text), quotedList(settings::colourOrderLabels(isRgbw(r))));
            for (int i = 0; i < std::min<int>(r.NumStrings, kMaxOutputs); ++i)
                r.AdvRgbOrder[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(*index);
            return;
        }
        if (!f.colourOrder) return notOffered(key::kColourOrder, quoted(text), "its firmware has a fixed colour order");
        if (lowerWord(text) == settings::kPerOutput) {
            if (!f.colourOrderAsIndex)
                return notOffered(key::kColourOrder, quoted(text), "its firmware has one colour order for all outputs");
            if (r.RgbOrder[0] != kPerOutputOrder) r.RgbOrder = {kPerOutputOrder, kPerOutputOrder, kPerOutputOrder};
            return;
        }
        const auto index = settings::colourOrderIndex(text, false);
        if (!index) {
            auto allowed = settings::colourOrderLabels(false);
            if (f.colourOrderAsIndex) allowed.emplace_back(settings::kPerOutput);
            return refuse(key::kColourOrder, quoted(text), quotedList(allowed));
        }
        if (f.colourOrderAsIndex) {
            if (r.RgbOrder[0] != *index) r.RgbOrder[0] = static_cast<std::uint8_t>(*index);
        } else if (itemFromPositionForm(r.RgbOrder[0], r.RgbOrder[1]) != *index) {
            r.RgbOrder = positionFormFromItem(*index);
        }
    }

    void outputs(bool simple) {
        const int n = std::min<int>(r.NumStrings, kMaxOutputs);
        const bool perOutputOrder = !legacy || (f.colourOrderAsIndex && r.RgbOrder[0] == kPerOutputOrder);
        for (std::size_t k = 0; k < v.outputs.size(); ++k) {
            const settings::OutputValues& o = v.outputs[k];
            const std::string path = std::string(key::kOutputs) + "." + std::to_string(k + 1) + ".";
            const bool anything = o.pixels || o.universe || o.channel || o.nullPixels || o.zigZag || o.grouping ||
                                  o.brightness || o.reversed || o.colourOrder;
            if (!anything) continue;
            if (static_cast<int>(k) >= n) {
                notOffered(std::string(key::kOutputs) + "." + std::to_string(k + 1), "an output",
                           "this controller has " + std::to_string(n) + " outputs");
                continue;
            }
            for (const auto& [given, name, now] :
                 {std::tuple{o.pixels, key::kPixels, static_cast<long long>(r.NumNodes[k])},
                  std::tuple{o.universe, key::kUniverse, static_cast<long long>(r.AdvUniv[k])},
                  std::tuple{o.channel, key::kChannel, static_cast<long long>(r.AdvChan[k])}}) {
                if (!given || (*given == now && !simple)) continue;
                if (simple) {
                    errors.push_back(path + name + ": set by start_universe, start_channel and pixels in simple mode; "
                                                   "give mode \"advanced\" to set outputs one by one");
                    continue;
                }
                if (std::string_view(name) == key::kPixels && inRange(path + name, *given, 0, maxPixels()))
                    r.NumNodes[k] = static_cast<std::int32_t>(*given);
                if (std::string_view(name) == key::kUniverse && inRange(path + name, *given, kLowestUniverse, kMaxUniverse))
                    r.AdvUniv[k] = static_cast<std::uint16_t>(*given);
                if (std::string_view(name) == key::kChannel && onPixelBoundary(path + name, *given))
                    r.AdvChan[k] = static_cast<std::uint16_t>(*given);
            }
            if (simple) {
                // Simple mode sends every output without null pixels, zig-zag or reversal.
                for (const auto& [given, name] : {std::pair{o.nullPixels.has_value() && *o.nullPixels != 0, key::kNullPixels},
                                                  std::pair{o.zigZag.has_value() && *o.zigZag != 0, key::kZigZag},
                                                  std::pair{o.reversed.has_value() && *o.reversed, key::kReversed}}) {
                    if (given)
                        errors.push_back(path + name + ": none in simple mode (every output is sent without it); "
                                                       "give mode \"advanced\" to set outputs one by one");
                }
            }
            if (!simple && o.nullPixels && *o.nullPixels != r.AdvNull[k]) {
                const long long most = legacy ? kLegacyNullPixels : std::clamp<long long>(r.MaxPixels - 1LL, 0, kNullPixelsByte);
                if (inRange(path + key::kNullPixels, *o.nullPixels, 0, most)) r.AdvNull[k] = static_cast<std::uint8_t>(*o.nullPixels);
            }
            if (!simple && o.zigZag && *o.zigZag != r.AdvZig[k]) {
                const long long most = legacy ? (r.NumStrings == kLegacyOutputsSixteen ? kLegacyZigZag16 : kLegacyZigZag)
                                              : std::max<long long>(r.MaxPixels - 1LL, 0);
                if (inRange(path + key::kZigZag, *o.zigZag, 0, most)) r.AdvZig[k] = static_cast<std::uint16_t>(*o.zigZag);
            }
            if (!simple && o.reversed && *o.reversed != (r.AdvReverse[k] == 1)) r.AdvReverse[k] = *o.reversed ? 1 : 0;
            if (o.colourOrder) outputColourOrder(path, k, *o.colourOrder, perOutputOrder);
            const bool groupingIntensity = !legacy || f.groupingIntensity;
            if (o.grouping && *o.grouping != r.Grouping[k]) {
                if (!groupingIntensity) notOffered(path + key::kGrouping, std::to_string(*o.grouping), "its firmware has no grouping");
                else if (inRange(path + key::kGrouping, *o.grouping, 1, std::max<long long>(maxPixels(), 1)))
                    r.Grouping[k] = static_cast<std::uint16_t>(*o.grouping);
            }
            if (o.brightness && *o.brightness != r.Brightness[k]) {
                if (!groupingIntensity) notOffered(path + key::kBrightness, std::to_string(*o.brightness), "its firmware has no intensity limit");
                else if (inRange(path + key::kBrightness, *o.brightness, 1, kBrightnessHighest))
                    r.Brightness[k] = static_cast<std::uint8_t>(*o.brightness);
            }
        }
    }

    void outputColourOrder(const std::string& path, std::size_t k, const std::string& text, bool perOutputOrder) {
        const bool rgbw = !legacy && isRgbw(r);
        const auto index = settings::colourOrderIndex(text, rgbw);
        if (!index) return refuse(path + key::kColourOrder, quoted(text), quotedList(settings::colourOrderLabels(rgbw)));
        if (*index == r.AdvRgbOrder[k] && perOutputOrder) return;
        if (!perOutputOrder) {
            if (!f.colourOrderAsIndex)
                return notOffered(path + key::kColourOrder, quoted(text), "its firmware has one colour order for all outputs");
            return refuse(path + key::kColourOrder, quoted(text),
                          "nothing while colour_order is one order for all outputs; give colour_order \"per output\" with it");
        }
        r.AdvRgbOrder[k] = static_cast<std::uint8_t>(*index);
    }

    void dmxOutputs() {
        const int rows = legacy ? f.dmxRows : std::min<int>(r.DMXOutputs, kMaxDmxOutputs);
        bool follows = true;
        if (legacy) follows = !f.protocol || r.Protocol == 0;
        else follows = r.Protocol == 0 ? r.DmxSacnCapable : r.Protocol == 1 ? r.DmxArtNetCapable : false;
        for (std::size_t j = 0; j < v.dmx.size(); ++j) {
            const settings::DmxValues& d = v.dmx[j];
            const std::string path = std::string(key::kDmxOutputs) + "." + std::to_string(j + 1);
            const bool enabledChanged = d.enabled && *d.enabled != (r.DmxOutOn[j] != 0);
            const bool universeChanged = d.universe && *d.universe != r.DmxOutUniv[j];
            if (!enabledChanged && !universeChanged) continue;
            if (static_cast<int>(j) >= rows) {
                notOffered(path, "a DMX output", "this controller has " + std::to_string(rows) + " DMX outputs");
                continue;
            }
            if (!follows) {
                notOffered(path, "a DMX output", "its DMX outputs do not follow " + protocolName(r.Protocol));
                continue;
            }
            if (enabledChanged) r.DmxOutOn[j] = *d.enabled ? 1 : 0;
            if (universeChanged && inRange(path + "." + key::kUniverse, *d.universe, kLowestUniverse, kMaxUniverse))
                r.DmxOutUniv[j] = static_cast<std::uint16_t>(*d.universe);
        }
    }

    void gamma() {
        const std::size_t count = !legacy && r.QorvanaProtVer >= kFirstWhiteGammaProtocol ? 4 : 3;
        for (std::size_t g = 0; g < 4; ++g) {
            const std::optional<double> given = v.gamma[g] ? v.gamma[g] : (g < count ? v.gammaAll : std::nullopt);
            if (!given) continue;
            const std::string path = std::string(key::kGamma) + "." + key::kGammaColours[g];
            const double scaled = *given * kTenths;
            const double rounded = std::round(scaled);
            const bool oneDecimal = std::isfinite(scaled) && std::abs(scaled - rounded) < kDecimalTolerance * kTenths;
            if (oneDecimal && rounded == r.Gamma[g]) continue;
            if (g >= count) {
                notOffered(path, Json(*given).dump(), "it has no white gamma");
                continue;
            }
            if (!oneDecimal || rounded < kGammaLowest || rounded > kGammaHighest) {
                refuse(path, Json(*given).dump(), "1.0 to 3.0 in steps of 0.1");
                continue;
            }
            r.Gamma[g] = static_cast<std::uint8_t>(rounded);
        }
    }

    void fanTemperature() {
        if (!v.fanTemperature || *v.fanTemperature == r.FanTemp) return;
        const bool offered = legacy ? f.fan : r.HwRev >= kFirstFanHwRev && r.FanTemp != kNoFan;
        if (!offered) return notOffered(key::kFanTemperature, std::to_string(*v.fanTemperature), "it has no fan control");
        if (inRange(key::kFanTemperature, *v.fanTemperature, kFanLowest, kFanHighest))
            r.FanTemp = static_cast<std::uint8_t>(*v.fanTemperature);
    }
};

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += (out.empty() ? "" : "\n") + line;
    return out;
}

} // namespace

ApplyResult applySettings(const SettingsSource& settings, const TNodaluxCtrl& target, const ApplyOptions& options) {
    ApplyResult out;
    out.record = target;
    if (isBootloader(target)) {
        out.error = "it runs its bootloader and reports no settings";
        return out;
    }
    if (isLegacy(target) && !isKnownLegacyModel(target.Model)) {
        out.error = "its model " + quoted(toUtf8(target.Model)) + " is not one the configuration knows";
        return out;
    }
    const SettingsSource::Data& data = settings.data();
    Applier a(data.values, target, options);
    if (a.identity(data.identity)) {
        a.network(data.identity);
        a.nickname();
        a.protocol();
        a.holdLastFrame();
        a.chip();
        a.ledType();
        a.resetColourOrdersAfterLedChange();
        a.condensed();
        a.speed();
        const bool simple = a.simpleMode();
        a.colourOrder();
        a.outputs(simple);
        a.dmxOutputs();
        a.gamma();
        a.fanTemperature();
    }
    out.notes = a.notes;
    out.otherModel = a.otherModel;
    if (!a.errors.empty()) {
        out.error = joinLines(a.errors);
        return out;
    }
    out.ok = true;
    out.record = a.r;
    out.changes = settingsDifferences(target, a.r);
    return out;
}

} // namespace vantrel::model
