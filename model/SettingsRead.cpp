// Reading settings from a file or from KEY=VALUE assignments: the form only
// (known keys, the right kinds of value, words from their lists). Whether a
// value suits a controller is decided when it is applied (SettingsApply.cpp).

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <set>

#include "model/SettingsData.h"
#include "model/Text.h"

namespace vantrel::model {

using settings::Json;
using settings::Values;
namespace key = settings::key;

namespace {

// A settings file nests four levels (file, settings, outputs, an output).
constexpr std::size_t kMaxDepth = 6;
constexpr std::size_t kMaxReported = 20;
constexpr long long kMaxProtocolVersion = 255;

enum class Kind { Bool, Integer, Real, Text, Address, Mask, Speed, Protocol, Mode, LedType };

using Setter = void (*)(Values&, std::size_t index, const Json&);

struct Field {
    std::string_view pattern; // "outputs.*.pixels": * is an output number
    Kind kind;
    Setter set;
};

settings::OutputValues& output(Values& v, std::size_t i) {
    if (v.outputs.size() <= i) v.outputs.resize(i + 1);
    return v.outputs[i];
}

settings::DmxValues& dmx(Values& v, std::size_t i) {
    if (v.dmx.size() <= i) v.dmx.resize(i + 1);
    return v.dmx[i];
}

Ip4 address(const Json& j) { return *parseIp(j.get<std::string>()); }
long long integer(const Json& j) { return j.get<long long>(); }

settings::Speed speed(const Json& j) {
    settings::Speed s;
    if (j.is_number()) s.mhz = j.get<double>();
    else s.word = j.get<std::string>();
    return s;
}

// Every setting of a file's "settings" object, and how it is stored.
const Field kFields[] = {
    {"network.dhcp", Kind::Bool, [](Values& v, std::size_t, const Json& j) { v.dhcp = j.get<bool>(); }},
    {"network.ip", Kind::Address, [](Values& v, std::size_t, const Json& j) { v.ip = address(j); }},
    {"network.mask", Kind::Mask, [](Values& v, std::size_t, const Json& j) { v.mask = address(j); }},
    {"nickname", Kind::Text, [](Values& v, std::size_t, const Json& j) { v.nickname = j.get<std::string>(); }},
    {"protocol", Kind::Protocol, [](Values& v, std::size_t, const Json& j) { v.protocol = j.get<std::string>(); }},
    {"hold_last_frame", Kind::Bool, [](Values& v, std::size_t, const Json& j) { v.holdLastFrame = j.get<bool>(); }},
    {"mode", Kind::Mode, [](Values& v, std::size_t, const Json& j) { v.mode = j.get<std::string>(); }},
    {"start_universe", Kind::Integer, [](Values& v, std::size_t, const Json& j) { v.startUniverse = integer(j); }},
    {"start_channel", Kind::Integer, [](Values& v, std::size_t, const Json& j) { v.startChannel = integer(j); }},
    {"pixels", Kind::Integer, [](Values& v, std::size_t, const Json& j) { v.pixels = integer(j); }},
    {"colour_order", Kind::Text, [](Values& v, std::size_t, const Json& j) { v.colourOrder = j.get<std::string>(); }},
    {"outputs.*.pixels", Kind::Integer, [](Values& v, std::size_t i, const Json& j) { output(v, i).pixels = integer(j); }},
    {"outputs.*.universe", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).universe = integer(j); }},
    {"outputs.*.channel", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).channel = integer(j); }},
    {"outputs.*.null_pixels", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).nullPixels = integer(j); }},
    {"outputs.*.zig_zag", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).zigZag = integer(j); }},
    {"outputs.*.reversed", Kind::Bool,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).reversed = j.get<bool>(); }},
    {"outputs.*.colour_order", Kind::Text,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).colourOrder = j.get<std::string>(); }},
    {"outputs.*.grouping", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).grouping = integer(j); }},
    {"outputs.*.brightness", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { output(v, i).brightness = integer(j); }},
    {"dmx_outputs.*.enabled", Kind::Bool,
     [](Values& v, std::size_t i, const Json& j) { dmx(v, i).enabled = j.get<bool>(); }},
    {"dmx_outputs.*.universe", Kind::Integer,
     [](Values& v, std::size_t i, const Json& j) { dmx(v, i).universe = integer(j); }},
    {"chip", Kind::Text, [](Values& v, std::size_t, const Json& j) { v.chip = j.get<std::string>(); }},
    {"led_type", Kind::LedType, [](Values& v, std::size_t, const Json& j) { v.ledType = j.get<std::string>(); }},
    {"speed", Kind::Speed, [](Values& v, std::size_t, const Json& j) { v.speed = speed(j); }},
    {"condensed", Kind::Bool, [](Values& v, std::size_t, const Json& j) { v.condensed = j.get<bool>(); }},
    {"gamma.red", Kind::Real, [](Values& v, std::size_t, const Json& j) { v.gamma[0] = j.get<double>(); }},
    {"gamma.green", Kind::Real, [](Values& v, std::size_t, const Json& j) { v.gamma[1] = j.get<double>(); }},
    {"gamma.blue", Kind::Real, [](Values& v, std::size_t, const Json& j) { v.gamma[2] = j.get<double>(); }},
    {"gamma.white", Kind::Real, [](Values& v, std::size_t, const Json& j) { v.gamma[3] = j.get<double>(); }},
    {"fan_temperature", Kind::Integer,
     [](Values& v, std::size_t, const Json& j) { v.fanTemperature = integer(j); }},
};

// Only on the command line: every gamma at once.
const Field kGammaAll{"gamma", Kind::Real, [](Values& v, std::size_t, const Json& j) { v.gammaAll = j.get<double>(); }};

const Field* findField(std::string_view pattern) {
    for (const Field& f : kFields)
        if (f.pattern == pattern) return &f;
    return nullptr;
}

// The keys a part of the file may hold: the fields under `prefix` one level down.
std::vector<std::string> keysUnder(std::string_view prefix) {
    std::vector<std::string> out;
    for (const Field& f : kFields) {
        if (f.pattern.substr(0, prefix.size()) != prefix) continue;
        const std::string_view rest = f.pattern.substr(prefix.size());
        const std::string name(rest.substr(0, rest.find('.')));
        if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
    }
    return out;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

bool isContiguousMask(const Ip4& m) {
    const std::uint32_t v = (std::uint32_t{m[0]} << 24) | (std::uint32_t{m[1]} << 16) | (std::uint32_t{m[2]} << 8) | m[3];
    const std::uint32_t inverted = ~v;
    return (inverted & (inverted + 1)) == 0;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class Reader {
public:
    std::vector<std::string> errors;

    void fail(const std::string& path, const std::string& message) { errors.push_back(path + ": " + message); }
    void badValue(const std::string& path, const Json& value, const std::string& allowed) {
        fail(path, settings::shortText(value) + " is not allowed; allowed: " + allowed);
    }

    // Checks the kind of `value` for `kind` and puts it in its written form
    // (led types in capitals, words in lower case). False after a message.
    bool normalise(Kind kind, const std::string& path, Json& value) {
        switch (kind) {
        case Kind::Bool:
            if (value.is_boolean()) return true;
            badValue(path, value, "true or false");
            return false;
        case Kind::Integer:
            if (value.is_number_integer() &&
                !(value.is_number_unsigned() && value.get<unsigned long long>() >
                                                    static_cast<unsigned long long>(std::numeric_limits<long long>::max())))
                return true;
            badValue(path, value, "a whole number");
            return false;
        case Kind::Real:
            if (value.is_number()) return true;
            badValue(path, value, "a number");
            return false;
        case Kind::Text:
            if (value.is_string()) return true;
            badValue(path, value, "a text");
            return false;
        case Kind::Address:
            if (value.is_string() && parseIp(value.get<std::string>())) return true;
            badValue(path, value, "an IPv4 address like \"192.168.1.20\"");
            return false;
        case Kind::Mask:
            if (value.is_string()) {
                const auto m = parseIp(value.get<std::string>());
                if (m && isContiguousMask(*m) && *m != Ip4{}) return true;
            }
            badValue(path, value, "a subnet mask like \"255.255.255.0\"");
            return false;
        case Kind::Speed:
            if (value.is_number()) return true;
            if (value.is_string()) {
                const std::string word = lower(value.get<std::string>());
                if (word == settings::kSlow || word == settings::kFast) {
                    value = word;
                    return true;
                }
            }
            badValue(path, value, "\"slow\", \"fast\" or a clock rate in MHz");
            return false;
        case Kind::Protocol: return word(path, value, {settings::kSacn, settings::kArtNet, settings::kPartnerProtocol});
        case Kind::Mode: return word(path, value, {settings::kSimple, settings::kAdvanced});
        case Kind::LedType:
            if (value.is_string()) {
                std::string text = value.get<std::string>();
                for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                if (text == settings::kRgb || text == settings::kRgbwText) {
                    value = text;
                    return true;
                }
            }
            badValue(path, value, "\"RGB\" or \"RGBW\"");
            return false;
        }
        return false;
    }

    bool word(const std::string& path, Json& value, std::initializer_list<const char*> words) {
        if (value.is_string()) {
            const std::string text = lower(value.get<std::string>());
            for (const char* w : words)
                if (text == w) {
                    value = text;
                    return true;
                }
        }
        std::vector<std::string> quoted;
        for (const char* w : words) quoted.push_back(std::string("\"") + w + "\"");
        badValue(path, value, joined(quoted));
        return false;
    }

    void store(const Field& field, const std::string& path, std::size_t index, Json value, Values& out) {
        if (normalise(field.kind, path, value)) field.set(out, index, value);
    }

    // One object of the settings tree: `prefix` is its place in the field
    // patterns ("", "network.", "outputs.*."), `path` its place in messages.
    void readObject(const Json& object, const std::string& prefix, const std::string& path, std::size_t index,
                    Values& out) {
        const auto allowed = keysUnder(prefix);
        for (const auto& [name, value] : object.items()) {
            const std::string here = path + name;
            if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
                if (name == key::kOutput && (prefix == "outputs.*." || prefix == "dmx_outputs.*.")) continue;
                fail(here, "unknown key; allowed: " + joined(allowed));
                continue;
            }
            if (const Field* f = findField(prefix + name)) {
                store(*f, here, index, value, out);
            } else if (name == key::kOutputs || name == key::kDmxOutputs) {
                readList(value, name, out);
            } else if (value.is_object()) {
                readObject(value, prefix + name + ".", here + ".", index, out);
            } else {
                badValue(here, value, "an object");
            }
        }
    }

    void readList(const Json& list, const std::string& name, Values& out) {
        const bool outputs = name == key::kOutputs;
        const std::size_t most = outputs ? kMaxOutputs : kMaxDmxOutputs;
        if (!list.is_array()) return badValue(name, list, "a list of objects");
        if (list.size() > most) {
            fail(name, std::to_string(list.size()) + " entries; a controller has at most " + std::to_string(most));
            return;
        }
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string here = name + "." + std::to_string(i + 1);
            const Json& entry = list[i];
            if (!entry.is_object()) {
                badValue(here, entry, "an object");
                continue;
            }
            if (entry.contains(key::kOutput)) {
                const Json& number = entry.at(key::kOutput);
                if (!number.is_number_integer() || number.get<long long>() != static_cast<long long>(i + 1))
                    badValue(here + ".output", number, std::to_string(i + 1) + " (its place in the list)");
            }
            if (outputs) output(out, i);
            else dmx(out, i);
            readObject(entry, name + ".*.", here + ".", i, out);
        }
    }

    std::optional<settings::Identity> readIdentity(const Json& id) {
        if (!id.is_object()) {
            badValue(key::kIdentity, id, "an object");
            return std::nullopt;
        }
        const std::vector<std::string> keys{key::kModel, key::kMac, key::kFirmware, key::kProtocolVersion,
                                            key::kOutputCount};
        settings::Identity out;
        const std::size_t before = errors.size();
        for (const auto& [name, value] : id.items())
            if (std::find(keys.begin(), keys.end(), name) == keys.end())
                fail(std::string(key::kIdentity) + "." + name, "unknown key; allowed: " + joined(keys));
        for (const auto& name : keys) {
            const std::string here = std::string(key::kIdentity) + "." + name;
            if (!id.contains(name)) {
                fail(here, "missing");
                continue;
            }
            Json value = id.at(name);
            if (name == key::kMac) {
                const auto mac = value.is_string() ? parseMac(value.get<std::string>()) : std::nullopt;
                if (mac) out.mac = *mac;
                else badValue(here, value, "a MAC address like \"02-4E-4C-00-00-01\"");
            } else if (name == key::kProtocolVersion || name == key::kOutputCount) {
                const long long most = name == key::kOutputCount ? kMaxOutputs : kMaxProtocolVersion;
                if (!normalise(Kind::Integer, here, value)) continue;
                if (value.get<long long>() < 0 || value.get<long long>() > most) {
                    badValue(here, value, "0 to " + std::to_string(most));
                    continue;
                }
                (name == key::kOutputCount ? out.outputs : out.protocolVersion) = value.get<long long>();
            } else if (normalise(Kind::Text, here, value)) {
                (name == key::kModel ? out.model : out.firmware) = value.get<std::string>();
            }
        }
        if (errors.size() != before) return std::nullopt;
        return out;
    }

    SettingsParse result(std::optional<settings::Identity> identity, Values values) {
        SettingsParse out;
        if (!errors.empty()) {
            const std::size_t shown = std::min(errors.size(), kMaxReported);
            for (std::size_t i = 0; i < shown; ++i) out.error += (i ? "\n" : "") + errors[i];
            if (errors.size() > shown) out.error += "\n(" + std::to_string(errors.size() - shown) + " more)";
            return out;
        }
        auto data = std::make_shared<SettingsSource::Data>();
        data->identity = std::move(identity);
        data->values = std::move(values);
        out.settings.emplace(std::move(data));
        return out;
    }
};

// Parses JSON text, refusing duplicate keys and nesting deeper than a settings file has.
struct ParseRefusal {
    std::string message;
};

std::optional<Json> parseJson(std::string_view text, std::string& error) {
    std::vector<std::set<std::string>> keys;
    const auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
        if (static_cast<std::size_t>(depth) > kMaxDepth)
            throw ParseRefusal{"the file nests deeper than a settings file does"};
        switch (event) {
        case Json::parse_event_t::object_start: keys.emplace_back(); break;
        case Json::parse_event_t::object_end:
            if (!keys.empty()) keys.pop_back();
            break;
        case Json::parse_event_t::key:
            if (!keys.empty() && !keys.back().insert(parsed.get<std::string>()).second)
                throw ParseRefusal{parsed.get<std::string>() + ": given more than once"};
            break;
        default: break;
        }
        return true;
    };
    try {
        return Json::parse(text.begin(), text.end(), callback);
    } catch (const ParseRefusal& refusal) {
        error = refusal.message;
    } catch (const Json::exception& e) {
        error = std::string("not valid JSON: ") + e.what();
    }
    return std::nullopt;
}

// The JSON value of an assignment's text, by the kind of its key.
std::optional<Json> valueOf(Kind kind, const std::string& text) {
    switch (kind) {
    case Kind::Bool: {
        const std::string w = lower(text);
        if (w == "true" || w == "yes" || w == "on" || w == "1") return Json(true);
        if (w == "false" || w == "no" || w == "off" || w == "0") return Json(false);
        return Json(text);
    }
    case Kind::Integer: {
        long long v = 0;
        const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
        if (res.ec == std::errc{} && res.ptr == text.data() + text.size()) return Json(v);
        return Json(text);
    }
    case Kind::Real:
    case Kind::Speed: {
        double v = 0;
        const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
        if (res.ec == std::errc{} && res.ptr == text.data() + text.size() && std::isfinite(v)) return Json(v);
        return Json(text);
    }
    default: return Json(text);
    }
}

} // namespace

SettingsSource::SettingsSource(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

std::optional<Mac> SettingsSource::mac() const {
    if (!m_data->identity) return std::nullopt;
    return m_data->identity->mac;
}

SettingsParse parseSettingsFile(std::string_view text) {
    SettingsParse out;
    if (text.size() > kMaxSettingsFileSize) {
        out.error = "the file is larger than a settings file can be (" + std::to_string(kMaxSettingsFileSize) +
                    " bytes)";
        return out;
    }
    const auto root = parseJson(text, out.error);
    if (!root) return out;
    Reader r;
    if (!root->is_object()) {
        r.badValue("the file", *root, "an object with \"format\", \"version\", \"identity\" and \"settings\"");
        return r.result(std::nullopt, {});
    }
    const std::vector<std::string> rootKeys{key::kFormat, key::kVersion, key::kIdentity, key::kSettings};
    for (const auto& [name, value] : root->items())
        if (std::find(rootKeys.begin(), rootKeys.end(), name) == rootKeys.end())
            r.fail(name, "unknown key; allowed: " + joined(rootKeys));
    for (const auto& name : rootKeys)
        if (!root->contains(name)) r.fail(name, "missing");
    if (!r.errors.empty()) return r.result(std::nullopt, {});

    const Json& format = root->at(key::kFormat);
    if (format != kSettingsFormat) r.badValue(key::kFormat, format, std::string("\"") + kSettingsFormat + "\"");
    const Json& version = root->at(key::kVersion);
    if (version != kSettingsFormatVersion)
        r.badValue(key::kVersion, version, std::to_string(kSettingsFormatVersion));
    // A file of another kind or version is not read any further.
    if (!r.errors.empty()) return r.result(std::nullopt, {});

    auto identity = r.readIdentity(root->at(key::kIdentity));
    Values values;
    const Json& settingsJson = root->at(key::kSettings);
    if (settingsJson.is_object()) r.readObject(settingsJson, "", "", 0, values);
    else r.badValue(key::kSettings, settingsJson, "an object");
    return r.result(std::move(identity), std::move(values));
}

SettingsParse parseAssignments(const std::vector<std::string>& assignments) {
    Reader r;
    Values values;
    std::set<std::string> given;
    if (assignments.empty()) r.fail("settings", "none given; give KEY=VALUE, for example nickname=Stage");
    for (const std::string& assignment : assignments) {
        const auto eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) {
            r.fail(assignment, "not KEY=VALUE");
            continue;
        }
        const std::string name = assignment.substr(0, eq);
        const std::string text = assignment.substr(eq + 1);
        if (!given.insert(name).second) {
            r.fail(name, "given more than once");
            continue;
        }
        // "outputs.3.pixels": the number names an output; the pattern has "*" there.
        std::string pattern;
        std::size_t index = 0;
        bool numbered = false;
        std::size_t start = 0;
        bool bad = false;
        while (start <= name.size()) {
            const auto dot = name.find('.', start);
            const std::string part = name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            const bool digits = !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
                return c >= '0' && c <= '9';
            });
            if (digits) {
                const std::size_t most = pattern == "outputs." ? kMaxOutputs
                                         : pattern == "dmx_outputs." ? kMaxDmxOutputs
                                                                     : 0;
                const long long n = part.size() > 3 ? 0 : std::stoll(part);
                if (numbered || most == 0 || n < 1 || n > static_cast<long long>(most)) {
                    r.fail(name, most == 0 ? "unknown setting"
                                           : "output " + part + " does not exist; outputs count from 1 to " +
                                                 std::to_string(most));
                    bad = true;
                    break;
                }
                index = static_cast<std::size_t>(n - 1);
                numbered = true;
                pattern += "*";
            } else {
                pattern += part;
            }
            if (dot == std::string::npos) break;
            pattern += ".";
            start = dot + 1;
        }
        if (bad) continue;
        const Field* field = pattern == kGammaAll.pattern ? &kGammaAll : findField(pattern);
        if (!field) {
            std::vector<std::string> known;
            for (const Field& f : kFields) known.emplace_back(f.pattern);
            r.fail(name, "unknown setting; known: " + joined(known) + " (* is an output number)");
            continue;
        }
        const auto value = valueOf(field->kind, text);
        r.store(*field, name, index, *value, values);
    }
    return r.result(std::nullopt, std::move(values));
}

} // namespace vantrel::model
