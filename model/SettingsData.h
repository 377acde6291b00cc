#pragma once
// Inside the settings file code (model/Settings*.cpp only): the keys, the
// values read from a file or from assignments, and the JSON library. Nothing
// outside the settings code includes this header.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/NodaluxCtrl.h"
#include "model/Settings.h"

namespace vantrel::model::settings {

// Written in this order, read in any.
using Json = nlohmann::ordered_json;

namespace key {
inline constexpr char kFormat[] = "format";
inline constexpr char kVersion[] = "version";
inline constexpr char kIdentity[] = "identity";
inline constexpr char kSettings[] = "settings";

inline constexpr char kModel[] = "model";
inline constexpr char kMac[] = "mac";
inline constexpr char kFirmware[] = "firmware";
inline constexpr char kProtocolVersion[] = "protocol_version";
inline constexpr char kOutputCount[] = "outputs";

inline constexpr char kNetwork[] = "network";
inline constexpr char kDhcp[] = "dhcp";
inline constexpr char kIp[] = "ip";
inline constexpr char kMask[] = "mask";
inline constexpr char kNickname[] = "nickname";
inline constexpr char kProtocol[] = "protocol";
inline constexpr char kHoldLastFrame[] = "hold_last_frame";
inline constexpr char kMode[] = "mode";
inline constexpr char kStartUniverse[] = "start_universe";
inline constexpr char kStartChannel[] = "start_channel";
inline constexpr char kPixels[] = "pixels";
inline constexpr char kColourOrder[] = "colour_order";
inline constexpr char kOutputs[] = "outputs";
inline constexpr char kOutput[] = "output";
inline constexpr char kUniverse[] = "universe";
inline constexpr char kChannel[] = "channel";
inline constexpr char kNullPixels[] = "null_pixels";
inline constexpr char kZigZag[] = "zig_zag";
inline constexpr char kReversed[] = "reversed";
inline constexpr char kGrouping[] = "grouping";
inline constexpr char kBrightness[] = "brightness";
inline constexpr char kDmxOutputs[] = "dmx_outputs";
inline constexpr char kEnabled[] = "enabled";
inline constexpr char kChip[] = "chip";
inline constexpr char kLedType[] = "led_type";
inline constexpr char kSpeed[] = "speed";
inline constexpr char kCondensed[] = "condensed";
inline constexpr char kGamma[] = "gamma";
inline constexpr char kFanTemperature[] = "fan_temperature";
inline constexpr std::array<const char*, 4> kGammaColours = {"red", "green", "blue", "white"};
} // namespace key

// Words of the file.
inline constexpr char kSacn[] = "sacn";
inline constexpr char kArtNet[] = "artnet";
inline constexpr char kPartnerProtocol[] = "ostra";
inline constexpr char kSimple[] = "simple";
inline constexpr char kAdvanced[] = "advanced";
inline constexpr char kRgb[] = "RGB";
inline constexpr char kRgbwText[] = "RGBW";
inline constexpr char kSlow[] = "slow";
inline constexpr char kFast[] = "fast";
inline constexpr char kPerOutput[] = "per output";

struct Identity {
    std::string model;
    Mac mac{};
    std::string firmware;
    long long protocolVersion = 0;
    long long outputs = 0;
};

struct OutputValues {
    std::optional<long long> pixels, universe, channel, nullPixels, zigZag, grouping, brightness;
    std::optional<bool> reversed;
    std::optional<std::string> colourOrder;
};

struct DmxValues {
    std::optional<bool> enabled;
    std::optional<long long> universe;
};

// "slow" / "fast", or a clock rate in MHz.
struct Speed {
    std::optional<std::string> word;
    std::optional<double> mhz;
};

struct Values {
    std::optional<bool> dhcp;
    std::optional<Ip4> ip, mask;
    std::optional<std::string> nickname; // UTF-8
    std::optional<std::string> protocol;
    std::optional<bool> holdLastFrame;
    std::optional<std::string> mode;
    std::optional<long long> startUniverse, startChannel, pixels;
    // Current controllers: every output; legacy ones: the controller-wide order, or "per output".
    std::optional<std::string> colourOrder;
    std::vector<OutputValues> outputs; // entry k: output k + 1
    std::vector<DmxValues> dmx;
    std::optional<std::string> chip;
    std::optional<std::string> ledType;
    std::optional<Speed> speed;
    std::optional<bool> condensed;
    std::array<std::optional<double>, 4> gamma; // red, green, blue, white
    // From "gamma=VALUE": every gamma the controller has.
    std::optional<double> gammaAll;
    std::optional<long long> fanTemperature;
};

// The settings object of a record, in the user's words, and its identity.
Json settingsObject(const TNodaluxCtrl& record);
Json identityObject(const TNodaluxCtrl& record);

// Colour-order labels: the list's names without their dashes ("GRB", "GRBW").
std::vector<std::string> colourOrderLabels(bool rgbw);
// The list index of a label (either form, any case), or nothing.
std::optional<int> colourOrderIndex(std::string_view label, bool rgbw);

// The chip names a controller offers, in its list order (the position is the chip code).
std::vector<std::string> chipNames(const TNodaluxCtrl& record);

// A JSON value as a short text for messages.
std::string shortText(const Json& value);

} // namespace vantrel::model::settings

namespace vantrel::model {
struct SettingsSource::Data {
    std::optional<settings::Identity> identity;
    settings::Values values;
};
} // namespace vantrel::model
