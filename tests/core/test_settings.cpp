// Settings files: a controller's settings in the user's words, read back
// strictly, applied to a controller as the configuration window would, and
// the record a configuration carries.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/NodaluxCtrl.h"
#include "model/SentConfiguration.h"
#include "model/Settings.h"
#include "model/Text.h"
#include "protocol/ConfigPackets.h"

using namespace vantrel::model;
using Json = nlohmann::ordered_json;

namespace {

std::u16string padded(std::u16string_view name, std::size_t width) {
    std::u16string out(name);
    out.resize(width, u'\0');
    return out;
}

// A protocol-8 controller with four outputs in simple mode, two DMX outputs,
// four drivers (RGB with a speed choice, RGBW only, either with a clock, RGB
// fixed slow and expandable) and a fan.
TNodaluxCtrl currentController() {
    TNodaluxCtrl c;
    c.CurrentIP = {10, 77, 1, 9};
    c.CurrentSM = {255, 255, 0, 0};
    c.StaticIP = c.CurrentIP;
    c.SM = c.CurrentSM;
    c.MAC = {0x02, 0x4E, 0x4C, 0x00, 0x00, 0x09};
    c.QorvanaProtVer = 8;
    c.ModelName = u"Nodalux 16 MkII";
    c.Firmware = u"V2.3.1";
    c.HwRev = 5;
    c.MinVantrelVer = {2, 3, 0};
    c.Protocol = 0;
    c.HoldLastFrame = 1;
    c.SimpleConfig = 0x01;
    c.MaxPixels = 1020;
    c.NumStrings = 4;
    for (std::size_t i = 0; i < 4; ++i) {
        c.NumNodes[i] = 170;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1 + i);
        c.AdvChan[i] = 1;
        c.AdvNull[i] = static_cast<std::uint8_t>(i);
        c.AdvRgbOrder[i] = static_cast<std::uint8_t>(i);
        c.Grouping[i] = 1;
        c.Brightness[i] = 100;
    }
    c.DMXOutputs = 2;
    c.DmxOutOn = {1, 0, 0, 0};
    c.DmxOutUniv = {500, 501, 0, 0};
    c.DmxSacnCapable = true;
    c.DmxArtNetCapable = false;
    c.NumDrivers = 4;
    c.DriverNameLength = 12;
    c.DriverType = {0, 1, 2, 0};
    c.DriverSpeed = {3, 0, 4, 1};
    c.DriverExpandable = {2, 2, 0, 1};
    c.DriverNames = {padded(u"WS2811/12", 12), padded(u"SK6812 RGBW", 12), padded(u"APA102", 12),
                     padded(u"UCS1903", 12)};
    c.DriverChip = 0;
    c.LedType = 0;
    c.ProtocolSpeed = 1;
    c.Gamma = {22, 22, 22, 10};
    setNickname(c, u"Eight Sixteen");
    c.FanTemp = 50;
    c.Temperature = 455;
    c.NumBanks = 2;
    c.Voltage = {240, 237, 0, 0};
    return c;
}

// A legacy Nodalux 16 in simple mode on the given firmware.
TNodaluxCtrl legacyController(std::u16string_view firmware, std::u16string_view model = u"Nodalux 16") {
    TNodaluxCtrl c;
    c.CurrentIP = {10, 77, 1, 2};
    c.CurrentSM = {255, 255, 0, 0};
    c.StaticIP = c.CurrentIP;
    c.SM = c.CurrentSM;
    c.MAC = {0x02, 0x4E, 0x4C, 0x00, 0x00, 0x02};
    c.QorvanaProtVer = 0;
    c.Model = std::u16string(model);
    c.NumStrings = model.find(u"4") != std::u16string_view::npos ? 4 : 16;
    c.Firmware = padded(firmware, 20);
    c.HwRev = 5;
    c.Protocol = 1;
    c.HoldLastFrame = 1;
    c.SacnUniv = 1;
    c.SacnChan = 1;
    for (std::size_t i = 0; i < 16; ++i) {
        c.NumNodes[i] = 170;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1 + i);
        c.AdvChan[i] = 1;
        c.AdvRgbOrder[i] = static_cast<std::uint8_t>(i % 6);
        c.Grouping[i] = 1;
        c.Brightness[i] = 100;
    }
    c.RgbOrder = {2, 1, 2};
    c.DmxOutOn = {1, 0, 1, 0};
    c.DmxOutUniv = {100, 101, 102, 103};
    c.DriverChip = 4;
    c.ProtocolSpeed = 1;
    c.Gamma = {22, 22, 22, 0};
    c.FanTemp = 45;
    c.DmxSacnCapable = true;
    setNickname(c, u"Legacy Stage Left");
    return c;
}

Json fileJson(const TNodaluxCtrl& c) {
    const auto text = settingsFileText(c);
    EXPECT_TRUE(text.has_value());
    return Json::parse(text.value_or("{}"));
}

ApplyResult applyText(const std::string& text, const TNodaluxCtrl& target, ApplyOptions options = {}) {
    const SettingsParse parsed = parseSettingsFile(text);
    if (!parsed.settings) {
        ApplyResult failed;
        failed.error = parsed.error;
        return failed;
    }
    return applySettings(*parsed.settings, target, options);
}

ApplyResult applyAssignments(const std::vector<std::string>& assignments, const TNodaluxCtrl& target) {
    const SettingsParse parsed = parseAssignments(assignments);
    if (!parsed.settings) {
        ApplyResult failed;
        failed.error = parsed.error;
        return failed;
    }
    return applySettings(*parsed.settings, target);
}

std::vector<std::string> changedKeys(const ApplyResult& r) {
    std::vector<std::string> keys;
    for (const auto& c : r.changes) keys.push_back(c.key);
    return keys;
}

} // namespace

// Writing a controller's file and applying it to that controller changes
// nothing: the record stays byte for byte, whatever its family, firmware,
// mode or odd values. This is what makes a restore of an unchanged backup
// send exactly what the window's untouched OK sends.
TEST(SettingsFile, OwnFileLeavesEveryKindOfControllerUnchanged) {
    struct Case {
        const char* name;
        TNodaluxCtrl record;
    };
    std::vector<Case> cases;
    cases.push_back({"current, simple", currentController()});
    for (std::uint8_t v : {5, 6, 7}) {
        TNodaluxCtrl c = currentController();
        c.QorvanaProtVer = v;
        cases.push_back({"current, protocol", c});
    }
    {
        TNodaluxCtrl c = currentController();
        c.SimpleConfig = 0x80;
        c.DriverChip = 2; // clock chip, RGBW allowed
        c.LedType = 1;
        c.ProtocolSpeed = 10;
        c.CondensedMode = 1;
        cases.push_back({"current, advanced, clock chip", c});
    }
    {
        TNodaluxCtrl c = currentController();
        c.NumNodes[0] = 5000;  // beyond the pixel limit
        c.AdvChan[0] = 5;      // off the pixel grid
        c.Gamma = {0, 99, 22, 0};
        c.LedType = 7;         // no name
        c.DriverChip = 9;      // beyond the driver table
        c.DHCP = 2;
        c.FanTemp = 255;       // no fan row
        c.Protocol = 5;
        cases.push_back({"current, values outside every range", c});
    }
    for (std::u16string_view fw : {u"V1.2.3", u"V1.2.8", u"V1.3.0", u"V1.3.1", u"V1.4.4", u"V1.4.11"})
        cases.push_back({"legacy firmware", legacyController(fw)});
    {
        TNodaluxCtrl c = legacyController(u"V1.4.11");
        c.RgbOrder = {255, 255, 255};
        c.DriverChip = 12;
        c.LedType = 1;
        c.SacnUniv = 0; // advanced
        cases.push_back({"legacy, per-output colour order, advanced, SK6812", c});
    }
    cases.push_back({"legacy Nodalux 4 Pro", legacyController(u"V1.4.4", u"Nodalux 4 Pro")});
    {
        TNodaluxCtrl c = legacyController(u"V1.4.10", u"Nodalux 16 Long Range");
        c.CondensedMode = 1;
        cases.push_back({"legacy Long Range, condensed", c});
    }
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        const ApplyResult r = applyText(*settingsFileText(tc.record), tc.record);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.changes.empty()) << r.changes.front().key;
        EXPECT_EQ(r.record, tc.record);
        EXPECT_TRUE(settingsDifferences(tc.record, r.record).empty());
    }
}

TEST(SettingsFile, WritesACurrentControllerInTheUsersWords) {
    TNodaluxCtrl c = currentController();
    c.Protocol = 1;
    const Json f = fileJson(c);
    EXPECT_EQ(f["format"], "vantrel-settings");
    EXPECT_EQ(f["version"], 1);
    EXPECT_EQ(f["identity"], Json::parse(R"({"model":"Nodalux 16 MkII","mac":"02-4E-4C-00-00-09","firmware":"V2.3.1",
                                             "protocol_version":8,"outputs":4})"));
    const Json& s = f["settings"];
    EXPECT_EQ(s["network"], Json::parse(R"({"dhcp":false,"ip":"10.77.1.9","mask":"255.255.0.0"})"));
    EXPECT_EQ(s["nickname"], "Eight Sixteen");
    EXPECT_EQ(s["protocol"], "artnet");
    EXPECT_EQ(s["hold_last_frame"], true);
    EXPECT_EQ(s["mode"], "simple");
    EXPECT_EQ(s["start_universe"], 1);
    EXPECT_EQ(s["start_channel"], 1);
    EXPECT_EQ(s["pixels"], 170);
    ASSERT_EQ(s["outputs"].size(), 4u);
    // Simple mode: no per-output pixels, universes, channels, null pixels,
    // zig-zag or reversal (the configuration sends every output without them).
    EXPECT_EQ(s["outputs"][2], Json::parse(R"({"output":3,"colour_order":"GRB","grouping":1,"brightness":100})"));
    EXPECT_EQ(s["dmx_outputs"], Json::parse(R"([{"output":1,"enabled":true,"universe":500},
                                                {"output":2,"enabled":false,"universe":501}])"));
    EXPECT_EQ(s["chip"], "WS2811/12");
    EXPECT_EQ(s["led_type"], "RGB");
    EXPECT_EQ(s["speed"], "fast");
    EXPECT_EQ(s["condensed"], false);
    EXPECT_EQ(s["gamma"], Json::parse(R"({"red":2.2,"green":2.2,"blue":2.2,"white":1.0})"));
    EXPECT_EQ(s["fan_temperature"], 50);

    // Advanced mode, a clock chip and RGBW orders.
    c.SimpleConfig = 0;
    c.DriverChip = 2;
    c.LedType = 1;
    c.ProtocolSpeed = 10;
    c.QorvanaProtVer = 5;
    const Json a = fileJson(c)["settings"];
    EXPECT_EQ(a["mode"], "advanced");
    EXPECT_FALSE(a.contains("start_universe"));
    EXPECT_EQ(a["outputs"][1]["pixels"], 170);
    EXPECT_EQ(a["outputs"][1]["universe"], 2);
    EXPECT_EQ(a["outputs"][1]["colour_order"], "RBGW");
    EXPECT_EQ(a["speed"], 2.5);
    EXPECT_FALSE(a.contains("condensed")) << "APA102 has no output-mode choice";
    EXPECT_FALSE(a["gamma"].contains("white")) << "protocol 5 has no white gamma";
}

TEST(SettingsFile, WritesALegacyControllerWithTheFeaturesOfItsFirmware) {
    struct Case {
        std::u16string_view firmware;
        std::u16string_view model;
        std::function<void(TNodaluxCtrl&)> tweak;
        std::vector<std::pair<std::string, Json>> present; // settings key -> value
        std::vector<std::string> absent;
    };
    const std::vector<Case> cases = {
        {u"V1.2.3", u"Nodalux 16", {}, {{"chip", "WS2811/12"}, {"led_type", "RGB"}},
         {"protocol", "hold_last_frame", "colour_order", "speed", "dmx_outputs", "condensed"}},
        // Position form: red second, green first -> G-R-B (item 2).
        {u"V1.3.0", u"Nodalux 16", [](TNodaluxCtrl& c) { c.RgbOrder = {1, 0, 2}; },
         {{"colour_order", "GRB"}, {"speed", "fast"}}, {"protocol", "hold_last_frame"}},
        {u"V1.3.1", u"Nodalux 16", [](TNodaluxCtrl& c) { c.RgbOrder = {255, 255, 255}; },
         {{"colour_order", "per output"}}, {}},
        {u"V1.4.4", u"Nodalux 16", {}, {{"colour_order", "GRB"}, {"protocol", "artnet"}, {"hold_last_frame", true}},
         {"condensed"}},
        {u"V1.4.4", u"Nodalux 4 Pro", {}, {{"fan_temperature", nullptr}}, {"dmx_outputs", "fan_temperature"}},
        {u"V1.4.10", u"Nodalux 16 Long Range", [](TNodaluxCtrl& c) { c.CondensedMode = 1; },
         {{"condensed", true}}, {}},
        {u"V1.4.11", u"Nodalux 16", [](TNodaluxCtrl& c) { c.DriverChip = 14; }, {{"chip", "P9813"}}, {"speed"}},
    };
    for (const Case& tc : cases) {
        TNodaluxCtrl c = legacyController(tc.firmware, tc.model);
        if (tc.tweak) tc.tweak(c);
        SCOPED_TRACE(toUtf8(tc.firmware) + " " + toUtf8(tc.model));
        const Json f = fileJson(c);
        EXPECT_EQ(f["identity"]["protocol_version"], 0);
        const Json& s = f["settings"];
        for (const auto& [k, value] : tc.present)
            if (!value.is_null()) {
                EXPECT_EQ(s.value(k, Json()), value) << k;
            }
        for (const auto& k : tc.absent) EXPECT_FALSE(s.contains(k)) << k;
        EXPECT_FALSE(s["gamma"].contains("white"));
        EXPECT_EQ(s["start_universe"], 1);
    }
    // Per-output colour orders appear only while the order is set per output.
    TNodaluxCtrl perOutput = legacyController(u"V1.4.4");
    EXPECT_FALSE(fileJson(perOutput)["settings"]["outputs"][0].contains("colour_order"));
    perOutput.RgbOrder = {255, 255, 255};
    EXPECT_EQ(fileJson(perOutput)["settings"]["outputs"][1]["colour_order"], "RBG");
}

// KEY=VALUE changes land in the record fields the window's read-back writes,
// with the chip rule's consequences.
TEST(SettingsFile, AssignmentsChangeTheRecordAsTheWindowWould) {
    struct Case {
        const char* name;
        TNodaluxCtrl target;
        std::vector<std::string> assignments;
        std::function<void(const TNodaluxCtrl&)> check;
        std::vector<std::string> changed;
    };
    const TNodaluxCtrl cur = currentController();
    const TNodaluxCtrl leg = legacyController(u"V1.4.11");
    const std::vector<Case> cases = {
        {"nickname", cur, {"nickname=Stage"}, [](const TNodaluxCtrl& r) { EXPECT_EQ(nicknameText(r), u"Stage"); },
         {"nickname"}},
        {"simple start and pixels, current", cur, {"start_universe=5", "start_channel=4", "pixels=100"},
         [](const TNodaluxCtrl& r) {
             EXPECT_EQ(r.AdvUniv[0], 5);
             EXPECT_EQ(r.AdvChan[0], 4);
             for (int i = 0; i < 4; ++i) EXPECT_EQ(r.NumNodes[i], 100);
             EXPECT_EQ(r.NumNodes[4], 0) << "only the controller's outputs";
         },
         {"start_universe", "start_channel", "pixels"}},
        {"simple start and pixels, legacy: all 16 outputs", legacyController(u"V1.4.4", u"Nodalux 4"),
         {"start_universe=7", "pixels=120"},
         [](const TNodaluxCtrl& r) {
             EXPECT_EQ(r.SacnUniv, 7);
             EXPECT_EQ(r.NumNodes[15], 120);
         },
         {"start_universe", "pixels"}},
        {"colour order of every output", cur, {"colour_order=GRB"},
         [](const TNodaluxCtrl& r) {
             for (int i = 0; i < 4; ++i) EXPECT_EQ(r.AdvRgbOrder[i], 2);
         },
         {"outputs.1.colour_order", "outputs.2.colour_order", "outputs.4.colour_order"}},
        {"an RGBW-only chip brings RGBW and resets the colour orders", cur, {"chip=sk6812 rgbw"},
         [](const TNodaluxCtrl& r) {
             EXPECT_EQ(r.DriverChip, 1);
             EXPECT_EQ(r.LedType, 1);
             EXPECT_EQ(r.AdvRgbOrder[3], 0);
         },
         {"chip", "led_type", "outputs.2.colour_order"}},
        {"a fixed-slow chip sets the speed", cur, {"chip=UCS1903"},
         [](const TNodaluxCtrl& r) { EXPECT_EQ(r.ProtocolSpeed, 0); }, {"chip", "speed"}},
        {"clock rate", [] {
             TNodaluxCtrl c = currentController();
             c.DriverChip = 2;
             return c;
         }(),
         {"speed=2.9"}, [](const TNodaluxCtrl& r) { EXPECT_EQ(r.ProtocolSpeed, 11); }, {"speed"}},
        {"every gamma", cur, {"gamma=2.5"},
         [](const TNodaluxCtrl& r) { EXPECT_EQ(r.Gamma, (std::array<std::uint8_t, 4>{25, 25, 25, 25})); },
         {"gamma.red", "gamma.green", "gamma.blue", "gamma.white"}},
        {"advanced mode, one output", cur, {"mode=advanced", "outputs.2.pixels=50", "outputs.2.reversed=yes"},
         [](const TNodaluxCtrl& r) {
             EXPECT_EQ(r.SimpleConfig & 1, 0);
             EXPECT_EQ(r.NumNodes[1], 50);
             EXPECT_EQ(r.AdvReverse[1], 1);
         },
         {"mode"}},
        {"legacy colour order as an index", leg, {"colour_order=GBR"},
         [](const TNodaluxCtrl& r) { EXPECT_EQ(r.RgbOrder[0], 4); }, {"colour_order"}},
        {"legacy colour order, position form", legacyController(u"V1.3.0"), {"colour_order=RBG"},
         [](const TNodaluxCtrl& r) { EXPECT_EQ(r.RgbOrder, (std::array<std::uint8_t, 3>{0, 2, 1})); },
         {"colour_order"}},
        {"legacy SK6812 on 1.4.11 may be RGBW", leg, {"chip=SK6812", "led_type=rgbw"},
         [](const TNodaluxCtrl& r) {
             EXPECT_EQ(r.DriverChip, 12);
             EXPECT_EQ(r.LedType, 1);
         },
         {"chip", "led_type"}},
        {"network", cur, {"network.ip=10.77.2.40", "network.mask=255.255.0.0", "network.dhcp=false"},
         [](const TNodaluxCtrl& r) { EXPECT_EQ(r.StaticIP, (Ip4{10, 77, 2, 40})); }, {"network.ip"}},
        {"a value the controller has already changes nothing", cur, {"pixels=170", "protocol=sacn"},
         [&](const TNodaluxCtrl& r) { EXPECT_EQ(r, cur); }, {}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        const ApplyResult r = applyAssignments(tc.assignments, tc.target);
        ASSERT_TRUE(r.ok) << r.error;
        tc.check(r.record);
        const auto keys = changedKeys(r);
        for (const auto& k : tc.changed) EXPECT_NE(std::find(keys.begin(), keys.end(), k), keys.end()) << k;
        if (tc.changed.empty()) {
            EXPECT_TRUE(keys.empty());
        }
    }
}

// Every refusal names the key, the value and what is allowed, and nothing
// comes back to send.
TEST(SettingsFile, RefusalsNameTheKeyTheValueAndWhatIsAllowed) {
    const TNodaluxCtrl cur = currentController();
    const std::string own = *settingsFileText(cur);
    const auto edited = [&](const std::function<void(Json&)>& edit) {
        Json f = Json::parse(own);
        edit(f);
        return f.dump();
    };
    struct Case {
        const char* name;
        std::string text;                    // a file, or
        std::vector<std::string> assignments; // command-line settings
        TNodaluxCtrl target;
        std::vector<std::string> expected;   // parts of the message
    };
    const TNodaluxCtrl legacyOld = legacyController(u"V1.2.8");
    const std::vector<Case> cases = {
        {"wrong format", edited([](Json& f) { f["format"] = "other-tool"; }), {}, cur,
         {"format: \"other-tool\" is not allowed; allowed: \"vantrel-settings\""}},
        {"wrong version", edited([](Json& f) { f["version"] = 2; }), {}, cur,
         {"version: 2 is not allowed; allowed: 1"}},
        {"unknown key at the top", edited([](Json& f) { f["comment"] = "x"; }), {}, cur,
         {"comment: unknown key; allowed: format, version, identity, settings"}},
        {"unknown setting", edited([](Json& f) { f["settings"]["brightness"] = 50; }), {}, cur,
         {"brightness: unknown key; allowed: network, nickname"}},
        {"unknown key of an output", edited([](Json& f) { f["settings"]["outputs"][1]["colour"] = "red"; }), {}, cur,
         {"outputs.2.colour: unknown key; allowed: pixels, universe"}},
        {"output number out of place", edited([](Json& f) { f["settings"]["outputs"][1]["output"] = 7; }), {}, cur,
         {"outputs.2.output: 7 is not allowed; allowed: 2 (its place in the list)"}},
        {"missing identity", edited([](Json& f) { f.erase("identity"); }), {}, cur, {"identity: missing"}},
        {"identity MAC", edited([](Json& f) { f["identity"]["mac"] = "02:4E"; }), {}, cur,
         {"identity.mac: \"02:4E\" is not allowed; allowed: a MAC address"}},
        {"not JSON", "{\"format\": ", {}, cur, {"not valid JSON"}},
        {"a key twice", R"({"format":"vantrel-settings","format":"vantrel-settings"})", {}, cur,
         {"format: given more than once"}},
        {"nested too deep", std::string(40, '[') + std::string(40, ']'), {}, cur, {"nests deeper"}},
        {"too large", std::string(kMaxSettingsFileSize + 1, ' '), {}, cur, {"larger than a settings file"}},
        {"wrong kind", edited([](Json& f) { f["settings"]["pixels"] = "many"; }), {}, cur,
         {"pixels: \"many\" is not allowed; allowed: a whole number"}},
        {"word not in the list", edited([](Json& f) { f["settings"]["protocol"] = "dmx"; }), {}, cur,
         {"protocol: \"dmx\" is not allowed; allowed: \"sacn\", \"artnet\", \"ostra\""}},
        {"mask", {}, {"network.mask=255.0.255.0"}, cur, {"network.mask: \"255.0.255.0\" is not allowed"}},
        {"address of the network", {}, {"network.ip=10.77.0.0"}, cur, {"network.ip:", "a host address"}},
        {"universe out of range", {}, {"start_universe=64000"}, cur,
         {"start_universe: 64000 is not allowed; allowed: 1 to 63999"}},
        {"pixels beyond the limit", {}, {"pixels=2000"}, cur, {"pixels: 2000 is not allowed; allowed: 1 to 1020"}},
        {"RGBW pixel limit", {}, {"led_type=RGBW", "chip=APA102", "pixels=800"}, cur,
         {"pixels: 800 is not allowed; allowed: 1 to 765"}},
        {"start channel off the grid", {}, {"start_channel=5"}, cur,
         {"start_channel: 5 is not allowed; allowed: 1, 4, 7 ... 508 (a pixel boundary with RGB)"}},
        {"chip the controller does not offer", {}, {"chip=WS2812B"}, cur,
         {"chip: \"WS2812B\" is not allowed; allowed: \"WS2811/12\", \"SK6812 RGBW\", \"APA102\", \"UCS1903\""}},
        {"legacy chip beyond its firmware", {}, {"chip=SK6812"}, legacyOld,
         {"chip: \"SK6812\" is not allowed; allowed: \"TLS3001\"", "\"WS2811 Slow\""}},
        {"LED type the chip does not have", {}, {"led_type=RGBW"}, cur,
         {"led_type: \"RGBW\" is not allowed; allowed: \"RGB\" with chip \"WS2811/12\""}},
        {"colour order of the other list", {}, {"colour_order=GRBW"}, cur,
         {"colour_order: \"GRBW\" is not allowed; allowed: \"RGB\", \"RBG\", \"GRB\""}},
        {"clock rate not on the track", {}, {"chip=APA102", "speed=2.4"}, cur,
         {"speed: 2.4 is not allowed; allowed: 0.4, 0.6", "2.9 (MHz"}},
        {"gamma with two decimals", {}, {"gamma.red=2.25"}, cur,
         {"gamma.red: 2.25 is not allowed; allowed: 1.0 to 3.0 in steps of 0.1"}},
        {"partner protocol on another brand", {}, {"protocol=ostra"}, cur,
         {"protocol: \"ostra\" is not allowed; allowed: \"sacn\", \"artnet\""}},
        {"nickname too long", {}, {"nickname=" + std::string(40, 'x')}, cur,
         {"nickname:", "up to 39 characters of Latin-1"}},
        {"nickname beyond Latin-1", {}, {"nickname=B\xE2\x82\xAC"}, cur, {"nickname: \"B\xE2\x82\xAC\""}},
        {"start in advanced mode", {}, {"mode=advanced", "start_universe=3"}, cur,
         {"start_universe: only in simple mode"}},
        {"one output in simple mode", {}, {"outputs.2.pixels=5"}, cur,
         {"outputs.2.pixels: set by start_universe, start_channel and pixels in simple mode"}},
        {"an output the controller lacks", {}, {"outputs.9.reversed=true"}, cur,
         {"outputs.9: an output cannot be set: this controller has 4 outputs"}},
        {"no such output number", {}, {"outputs.33.pixels=1"}, cur, {"output 33 does not exist"}},
        {"unknown assignment", {}, {"colour=red"}, cur, {"colour: unknown setting; known: network.dhcp"}},
        {"not an assignment", {}, {"nickname"}, cur, {"nickname: not KEY=VALUE"}},
        {"feature of later firmware", {}, {"hold_last_frame=false"}, legacyOld,
         {"hold_last_frame: false cannot be set: its firmware cannot hold the last frame"}},
        {"DMX outputs that do not follow Art-Net", {}, {"protocol=artnet", "dmx_outputs.1.universe=9"}, cur,
         {"dmx_outputs.1: a DMX output cannot be set: its DMX outputs do not follow Art-Net"}},
        {"fan out of range", {}, {"fan_temperature=70"}, cur, {"fan_temperature: 70 is not allowed; allowed: 10 to 60"}},
        {"bootloader", {}, {"nickname=x"},
         [&] {
             TNodaluxCtrl c = cur;
             c.Firmware = u"Bootloader V1.0.2";
             return c;
         }(),
         {"runs its bootloader"}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        const ApplyResult r = tc.assignments.empty() ? applyText(tc.text, tc.target) : applyAssignments(tc.assignments, tc.target);
        EXPECT_FALSE(r.ok);
        for (const auto& part : tc.expected) EXPECT_NE(r.error.find(part), std::string::npos) << r.error;
    }
}

TEST(SettingsFile, AnotherModelIsAppliedOnlyWithForce) {
    const TNodaluxCtrl sixteen = currentController();
    TNodaluxCtrl eight = currentController();
    eight.NumStrings = 8;
    eight.ModelName = u"Arvello 8 Mk2";
    Json f = Json::parse(*settingsFileText(eight));
    f["settings"]["nickname"] = "Copied";
    f["settings"]["outputs"][6]["reversed"] = true;

    ApplyResult r = applyText(f.dump(), sixteen);
    ASSERT_FALSE(r.ok);
    EXPECT_NE(r.error.find("the file was made from a \"Arvello 8 Mk2\" (protocol 5 or later, 8 outputs); this "
                           "controller is a \"Nodalux 16 MkII\" (protocol 5 or later, 4 outputs); give --force"),
              std::string::npos)
        << r.error;

    r = applyText(f.dump(), sixteen, {.force = true});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(nicknameText(r.record), u"Copied");
    const bool leftOut = std::any_of(r.notes.begin(), r.notes.end(), [](const std::string& note) {
        return note == "outputs.7: left out: this controller has 4 outputs";
    });
    EXPECT_TRUE(leftOut);

    // Another family is another model, too.
    EXPECT_FALSE(applyText(*settingsFileText(legacyController(u"V1.4.4")), sixteen).ok);
}

// A copied file never duplicates an address: onto another controller its
// network settings are left out unless asked for.
TEST(SettingsFile, AnotherControllerKeepsItsOwnNetwork) {
    TNodaluxCtrl source = currentController();
    source.StaticIP = {10, 77, 1, 50};
    setNickname(source, u"Source");
    TNodaluxCtrl target = currentController();
    target.MAC[5] = 0x10;
    const std::string text = *settingsFileText(source);

    ApplyResult r = applyText(text, target);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.record.StaticIP, target.StaticIP);
    EXPECT_EQ(nicknameText(r.record), u"Source");
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("network: kept: the file was made from another controller (02-4E-4C-00-00-09)"),
              std::string::npos);

    r = applyText(text, target, {.withNetwork = true});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.record.StaticIP, (Ip4{10, 77, 1, 50}));

    // The controller the file was made from takes its network back.
    target = source;
    target.StaticIP = {10, 77, 1, 60};
    r = applyText(text, target);
    EXPECT_EQ(r.record.StaticIP, (Ip4{10, 77, 1, 50}));
}

TEST(SettingsFile, ChangesAreListedInTheUsersWords) {
    const TNodaluxCtrl cur = currentController();
    const ApplyResult r = applyAssignments({"nickname=Stage", "outputs.3.brightness=50"}, cur);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.changes.size(), 2u);
    EXPECT_EQ(r.changes[0], (SettingChange{"nickname", "\"Eight Sixteen\"", "\"Stage\""}));
    EXPECT_EQ(r.changes[1], (SettingChange{"outputs.3.brightness", "100", "50"}));

    // Simple mode sends no null pixels: asking for some is refused, naming the way to get them.
    const ApplyResult simple = applyAssignments({"outputs.3.null_pixels=9"}, cur);
    EXPECT_FALSE(simple.ok);
    EXPECT_NE(simple.error.find("outputs.3.null_pixels"), std::string::npos) << simple.error;
    EXPECT_NE(simple.error.find("advanced"), std::string::npos) << simple.error;
}

TEST(SentConfiguration, SimpleModeLaysTheOutputsOutAgain) {
    TNodaluxCtrl c = currentController();
    c.AdvUniv = {};
    c.AdvChan = {};
    c.AdvUniv[0] = 1;
    c.AdvChan[0] = 1;
    for (int i = 0; i < 4; ++i) c.NumNodes[i] = 100;
    const TNodaluxCtrl sent = configurationAsSent(c);
    // 100 RGB pixels an output: 1/1, 1/301, 2/91, 2/391.
    EXPECT_EQ(sent.AdvUniv[1], 1);
    EXPECT_EQ(sent.AdvChan[1], 301);
    EXPECT_EQ(sent.AdvUniv[2], 2);
    EXPECT_EQ(sent.AdvChan[2], 91);
    EXPECT_EQ(sent.AdvUniv[4], 0) << "only the controller's outputs";
    // Every output of the layout without null pixels, zig-zag or reversal.
    EXPECT_EQ(c.AdvNull[2], 2);
    EXPECT_EQ(sent.AdvNull[2], 0);
    TNodaluxCtrl rest = sent;
    rest.AdvUniv = c.AdvUniv;
    rest.AdvChan = c.AdvChan;
    rest.AdvNull = c.AdvNull;
    rest.AdvZig = c.AdvZig;
    rest.AdvReverse = c.AdvReverse;
    EXPECT_EQ(rest, c) << "nothing else changes";

    c.SimpleConfig = 0;
    EXPECT_EQ(configurationAsSent(c), c) << "advanced mode sends the record itself";

    // Legacy: from SacnUniv/SacnChan, over all 16 outputs, RGBW when the LED type says so.
    TNodaluxCtrl l = legacyController(u"V1.4.11", u"Nodalux 4");
    l.SacnUniv = 3;
    l.SacnChan = 5;
    l.LedType = 1;
    for (auto& n : l.NumNodes) n = 128;
    const TNodaluxCtrl ls = configurationAsSent(l);
    EXPECT_EQ(ls.AdvUniv[0], 3);
    EXPECT_EQ(ls.AdvChan[0], 5);
    EXPECT_EQ(ls.AdvUniv[15], 18);

    // A legacy controller in advanced mode carries start universe and channel 0.
    TNodaluxCtrl la = l;
    la.SacnUniv = 0;
    EXPECT_EQ(configurationAsSent(la).SacnChan, 0);

    // The packet is the family's layout built from that record.
    EXPECT_EQ(vantrel::protocol::buildConfigAsSent(l), vantrel::protocol::buildConfigV4Below(ls));
    EXPECT_EQ(vantrel::protocol::buildConfigAsSent(c), vantrel::protocol::buildConfig(c));
}

TEST(SettingsFile, StatusIsTheIdentityWithCleanValues) {
    TNodaluxCtrl c = currentController();
    Json s = Json::parse(statusJson(c));
    EXPECT_EQ(s, Json::parse(R"({"ip":"10.77.1.9","mask":"255.255.0.0","model":"Nodalux 16 MkII",
        "mac":"02-4E-4C-00-00-09","firmware":"V2.3.1","protocol_version":8,"outputs":4,"nickname":"Eight Sixteen",
        "bootloader":false,"temperature_c":45.5,"voltages_v":[24.0,23.7]})"));
    TNodaluxCtrl l = legacyController(u"V1.4.4");
    l.Temperature = 65525;
    l.Voltage = {0xFFFF, 121, 0xFFFF, 50};
    s = Json::parse(statusJson(l));
    EXPECT_EQ(s["firmware"], "V1.4.4") << "no padding";
    EXPECT_EQ(s["temperature_c"], -1.0);
    EXPECT_EQ(s["voltages_v"], Json::parse("[null, 12.1, 5.0]"));
    c.Firmware = u"Bootloader V1.0.2";
    s = Json::parse(statusJson(c));
    EXPECT_EQ(s["bootloader"], true);
    EXPECT_TRUE(s["temperature_c"].is_null());
    EXPECT_FALSE(settingsFileText(c).has_value());
}

TEST(Text, MacAddressesWithColonsOrDashes) {
    EXPECT_EQ(parseMac("02:4e:c0:a8:4d:10"), (Mac{0x02, 0x4E, 0xC0, 0xA8, 0x4D, 0x10}));
    EXPECT_EQ(parseMac("02-4E-C0-A8-4D-10"), (Mac{0x02, 0x4E, 0xC0, 0xA8, 0x4D, 0x10}));
    for (const char* bad : {"02:4e:c0:a8:4d", "02:4e-c0:a8:4d:10", "02:4e:c0:a8:4d:1g", "024ec0a84d10", "+2:4e:c0:a8:4d:10"})
        EXPECT_FALSE(parseMac(bad).has_value()) << bad;
}
