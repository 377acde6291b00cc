#include "tools/sim/SimController.h"

#include <algorithm>

#include "protocol/Header.h"
#include "protocol/PollReply.h"

namespace vantrel::sim {

namespace {

constexpr std::uint8_t kFirstFullFirmwareLengthVersion =
    6;                                               // version 5 has a fixed 20-character firmware text
constexpr std::uint8_t kFirstWhiteVersion = 6;       // white gamma and test colours
constexpr std::uint8_t kFirstDmxCapsVersion = 7;     // DMX capability byte
constexpr std::uint8_t kFirstSinglePixelVersion = 8; // test output and pixel numbers
constexpr std::size_t kWhite = 3;

// Text on the wire keeps the low eight bits of each character.
std::u16string lowBytes(std::u16string_view s) {
    std::u16string out(s);
    for (auto& ch : out)
        ch = static_cast<char16_t>(ch & 0xFF);
    return out;
}

template <class A> void clearFrom(A& a, std::size_t from) {
    for (std::size_t i = from; i < a.size(); ++i)
        a[i] = {};
}

void clearOutputsFrom(model::TNodaluxCtrl& r, std::size_t n) {
    clearFrom(r.NumNodes, n);
    clearFrom(r.AdvUniv, n);
    clearFrom(r.AdvChan, n);
    clearFrom(r.AdvNull, n);
    clearFrom(r.AdvZig, n);
    clearFrom(r.AdvReverse, n);
    clearFrom(r.AdvRgbOrder, n);
    clearFrom(r.Grouping, n);
    clearFrom(r.Brightness, n);
}

bool fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

bool canonicalizeLegacy(SimController& c, std::string* error) {
    auto& r = c.rec;
    const protocol::LegacyModel* entry = nullptr;
    if (c.wireModel.empty()) entry = protocol::legacyModelByShownName(r.Model);
    for (const auto& m : protocol::legacyModels())
        if (!entry && m.wire == c.wireModel) entry = &m;
    if (!entry)
        return fail(error, "unknown legacy model (give \"wireModel\" as one of the seven model texts)");
    if (c.legacyLength != kLegacyReplyShort && c.legacyLength != kLegacyReplyWithLedType &&
        c.legacyLength != kLegacyReplyFull)
        return fail(error, "legacy reply length must be 383, 384 or 388");
    c.wireModel = std::u16string(entry->wire);
    r.QorvanaProtVer = 0;
    r.NumStrings = entry->outputs;
    r.Model = std::u16string(entry->shown);
    r.Firmware = lowBytes(fixedWidth(r.Firmware, kFixedFirmwareWidth));
    for (auto& ch : r.Nickname)
        ch = static_cast<char16_t>(ch & 0xFF);
    return true;
}

bool canonicalizeCurrent(SimController& c, std::string* error) {
    auto& r = c.rec;
    const std::uint8_t v = c.layoutVersion;
    if (v == protocol::kFirstCurrentVersion) r.QorvanaProtVer = protocol::kFirstCurrentVersion;
    r.NumStrings = std::min<std::uint8_t>(r.NumStrings, model::kMaxOutputs);
    r.DMXOutputs = std::min<std::uint8_t>(r.DMXOutputs, model::kMaxDmxOutputs);
    r.NumBanks = std::min<std::uint8_t>(r.NumBanks, model::kMaxBanks);
    if (r.ModelName.size() > kMaxCountedText) return fail(error, "model name longer than 255 characters");
    r.ModelName = lowBytes(r.ModelName);
    if (v < kFirstFullFirmwareLengthVersion) r.Firmware = fixedWidth(r.Firmware, kFixedFirmwareWidth);
    if (r.Firmware.size() > kMaxCountedText) return fail(error, "firmware text longer than 255 characters");
    r.Firmware = lowBytes(r.Firmware);
    for (auto& ch : r.Nickname)
        ch = static_cast<char16_t>(ch & 0xFF);

    // The driver tables: k entries each, names of exactly L characters.
    const std::size_t k = r.NumDrivers;
    r.DriverType.resize(k);
    r.DriverSpeed.resize(k);
    r.DriverExpandable.resize(k);
    r.DriverNames.resize(k);
    for (auto& name : r.DriverNames)
        name = lowBytes(fixedWidth(name, r.DriverNameLength));
    return true;
}

// What a legacy reply carries of the record; everything else is 0 or empty,
// as the legacy reader leaves it.
model::TNodaluxCtrl legacyReplyFields(const SimController& c) {
    const auto& r = c.rec;
    model::TNodaluxCtrl out;
    out.CurrentIP = r.CurrentIP;
    out.DHCP = r.DHCP;
    out.Nickname = r.Nickname;
    out.Firmware = r.Firmware;
    out.MAC = r.MAC;
    out.Temperature = r.Temperature;
    out.NumNodes = r.NumNodes;
    for (auto& n : out.NumNodes)
        n &= 0xFFFF;
    out.Protocol = r.Protocol;
    out.DmxMix = r.DmxMix;
    out.MixMode = r.MixMode;
    out.StaticIP = r.StaticIP;
    out.SM = r.SM;
    out.DmxStart = r.DmxStart;
    out.SacnUniv = r.SacnUniv;
    out.SacnChan = r.SacnChan;
    out.DriverChip = r.DriverChip;
    std::copy_n(r.Gamma.begin(), 3, out.Gamma.begin());
    out.Voltage = r.Voltage;
    out.AdvUniv = r.AdvUniv;
    out.AdvChan = r.AdvChan;
    out.AdvNull = r.AdvNull;
    out.AdvZig = r.AdvZig;
    out.AdvReverse = r.AdvReverse;
    out.RgbOrder = r.RgbOrder;
    out.DmxOutOn = r.DmxOutOn;
    out.DmxOutUniv = r.DmxOutUniv;
    out.HwRev = r.HwRev;
    out.ProtocolSpeed = r.ProtocolSpeed;
    out.AdvRgbOrder = r.AdvRgbOrder;
    out.Grouping = r.Grouping;
    out.Brightness = r.Brightness;
    out.HoldLastFrame = r.HoldLastFrame;
    out.FanTemp = r.FanTemp;
    out.CurrentSM = r.CurrentSM;
    out.CondensedMode = r.CondensedMode;
    out.MinVantrelVer = r.MinVantrelVer;
    out.TestMode = r.TestMode;
    out.LedType = r.LedType;
    clearOutputsFrom(out, kLegacyReplyOutputs);
    if (c.legacyLength < kLegacyReplyWithLedType) out.LedType = 0;
    if (c.legacyLength < kLegacyReplyFull) {
        out.Voltage[2] = kBankNotReported;
        out.Voltage[3] = kBankNotReported;
    }
    out.QorvanaProtVer = 0;
    out.NumStrings = r.NumStrings;
    out.Model = r.Model;
    out.DmxArtNetCapable = false;
    out.DmxSacnCapable = true;
    return out;
}

// What a current-layout reply of the controller's version carries.
model::TNodaluxCtrl currentReplyFields(const SimController& c) {
    model::TNodaluxCtrl r = c.rec;
    const std::uint8_t v = c.layoutVersion;
    r.DmxMix = 0;
    r.MixMode = 0;
    r.DmxStart = 0;
    r.SacnUniv = 0;
    r.SacnChan = 0;
    r.RgbOrder = {};
    r.NumUsableOutputs = 0;
    r.Model.clear();
    for (auto& n : r.NumNodes)
        n &= 0xFFFF;
    clearOutputsFrom(r, r.NumStrings);
    clearFrom(r.DmxOutOn, r.DMXOutputs);
    clearFrom(r.DmxOutUniv, r.DMXOutputs);
    clearFrom(r.Voltage, r.NumBanks);
    if (v < kFirstWhiteVersion) {
        r.Gamma[kWhite] = 0;
        r.TestModeCols = {};
    }
    if (v < kFirstDmxCapsVersion) {
        r.DmxArtNetCapable = false;
        r.DmxSacnCapable = true;
    }
    if (v < kFirstSinglePixelVersion) {
        r.TestOutputNum = 0;
        r.TestSinglePixelNum = 0;
    }
    return r;
}

} // namespace

std::u16string fixedWidth(std::u16string_view text, std::size_t width) {
    std::u16string out(text.substr(0, std::min(text.size(), width)));
    out.resize(width, u'\0');
    return out;
}

bool canonicalize(SimController& c, std::string* error) {
    return c.legacy() ? canonicalizeLegacy(c, error) : canonicalizeCurrent(c, error);
}

model::TNodaluxCtrl SimController::replyRecord() const {
    if (legacy()) {
        model::TNodaluxCtrl r = legacyReplyFields(*this);
        // The legacy layout has no short form: the bootloader reports its firmware text in the full layout.
        if (bootloader) r.Firmware = lowBytes(fixedWidth(bootloaderFirmware, kFixedFirmwareWidth));
        return r;
    }
    if (!bootloader) return currentReplyFields(*this);
    // The short form: identity and addressing, then the nickname.
    model::TNodaluxCtrl r;
    r.QorvanaProtVer = rec.QorvanaProtVer;
    r.MAC = rec.MAC;
    r.ModelName = rec.ModelName;
    r.HwRev = rec.HwRev;
    r.MinVantrelVer = rec.MinVantrelVer;
    r.Firmware =
        lowBytes(layoutVersion < kFirstFullFirmwareLengthVersion
                     ? fixedWidth(bootloaderFirmware, kFixedFirmwareWidth)
                     : bootloaderFirmware.substr(0, std::min(bootloaderFirmware.size(), kMaxCountedText)));
    r.Brand = rec.Brand;
    r.CurrentIP = rec.CurrentIP;
    r.CurrentSM = rec.CurrentSM;
    r.Nickname = rec.Nickname;
    return r;
}

protocol::Bytes SimController::replyBytes() const {
    const model::TNodaluxCtrl r = replyRecord();
    if (legacy()) return protocol::encodePollReplyV4Below(r, layoutVersion, legacyLength, wireModel);
    return protocol::encodePollReply(r, layoutVersion);
}

} // namespace vantrel::sim
