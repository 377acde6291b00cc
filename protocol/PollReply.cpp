#include "protocol/PollReply.h"

#include <algorithm>
#include <array>

#include "protocol/ByteReader.h"
#include "protocol/Header.h"
#include "protocol/NicknameField.h"

namespace vantrel::protocol {

using model::TNodaluxCtrl;

namespace {

// ---- Current layout (version 5 and above) -------------------------------
//
// A stream of fields after the 12-byte header; counts in the reply size the
// arrays that follow them. Later versions add fields at fixed places.

// Version 5 carries no protocol version byte and no firmware length: its
// firmware text is always this long.
constexpr std::uint8_t kVersion5 = 5;
constexpr std::size_t kV5FirmwareLength = 20;
// Version 6 adds the protocol version byte, the firmware length, gamma white
// and the test colours.
constexpr std::uint8_t kVersionWithProtVer = 6;
// Version 7 adds the DMX capability byte.
constexpr std::uint8_t kVersionWithDmxCaps = 7;
// Version 8 adds the test output and test pixel numbers.
constexpr std::uint8_t kVersionWithTestPixel = 8;

constexpr std::uint8_t kDmxCapArtNet = 0x01;
constexpr std::uint8_t kDmxCapSacn = 0x02;

constexpr std::size_t kMacLength = 6;
constexpr std::size_t kIpLength = 4;
constexpr std::size_t kToolVersionLength = 3;
constexpr std::size_t kGammaRgb = 3;
constexpr std::size_t kGammaWhite = 3; // index of white in Gamma
constexpr std::size_t kTestColours = 4;
constexpr std::size_t kMaxCountByte = 0xFF;

// ---- Legacy layout (version 4 and below) --------------------------------
//
// Every field at a fixed offset; arrays of fixed length.
namespace legacy {
constexpr std::size_t kModel = 12;
constexpr std::size_t kModelWidth = 20;
constexpr std::size_t kCurrentIP = 32;
constexpr std::size_t kDHCP = 36;
// offset 37: one byte that is not read
constexpr std::size_t kNickname = 38;
constexpr std::size_t kFirmware = 78;
constexpr std::size_t kFirmwareWidth = 20;
constexpr std::size_t kMAC = 98;
constexpr std::size_t kTemperature = 104;
constexpr std::size_t kNumNodes = 106;
constexpr std::size_t kProtocol = 138;
constexpr std::size_t kDmxMix = 139;
constexpr std::size_t kMixMode = 140;
constexpr std::size_t kStaticIP = 141;
constexpr std::size_t kSM = 145;
constexpr std::size_t kDmxStart = 149;
constexpr std::size_t kSacnUniv = 151;
constexpr std::size_t kSacnChan = 153;
constexpr std::size_t kDriverChip = 155;
constexpr std::size_t kGamma = 156;     // red, green, blue
constexpr std::size_t kVoltage12 = 159; // banks 1 and 2
constexpr std::size_t kAdvUniv = 163;
constexpr std::size_t kAdvChan = 195;
constexpr std::size_t kAdvNull = 227;
constexpr std::size_t kAdvZig = 243;
constexpr std::size_t kAdvReverse = 275;
constexpr std::size_t kRgbOrder = 291;
constexpr std::size_t kDmxOutOn = 294;
constexpr std::size_t kDmxOutUniv = 298;
constexpr std::size_t kHwRev = 306;
constexpr std::size_t kProtocolSpeed = 307;
constexpr std::size_t kAdvRgbOrder = 308;
constexpr std::size_t kGrouping = 324;
constexpr std::size_t kBrightness = 356;
constexpr std::size_t kHoldLastFrame = 372;
constexpr std::size_t kFanTemp = 373;
constexpr std::size_t kCurrentSM = 374;
constexpr std::size_t kCondensedMode = 378;
constexpr std::size_t kMinVantrelVer = 379;
constexpr std::size_t kTestMode = 382;
constexpr std::size_t kLedType = 383;   // only in replies of at least 384 bytes
constexpr std::size_t kVoltage34 = 384; // banks 3 and 4, only in replies of at least 388 bytes

constexpr std::size_t kMinLength = 383;
constexpr std::size_t kLengthWithLedType = 384;
constexpr std::size_t kFullLength = 388;

constexpr std::size_t kOutputs = 16;
constexpr std::size_t kRgbOrderLength = 3;
constexpr std::uint16_t kBankNotReported = 0xFFFF;
} // namespace legacy

constexpr std::array<LegacyModel, 7> kLegacyModels{{
    {u"Nodalux 16", 16, u"Nodalux 16"},
    {u"Arvello 16", 16, u"Arvello 16"},
    {u"Nodalux 16 LR", 16, u"Nodalux 16 Long Range"},
    {u"Nodalux 16 PP", 16, u"Nodalux 16 Plug & Play"},
    {u"Nodalux 4", 4, u"Nodalux 4"},
    {u"Nodalux 4 Rugged", 4, u"Nodalux 4 Rugged"},
    {u"Nodalux 4 Pro", 4, u"Nodalux 4 Pro"},
}};

// Entry i of a record array, or 0 where a count asks for more entries than
// the record holds (the encoder may be asked to announce such counts).
template <typename Array> auto entry(const Array& a, std::size_t i) {
    return i < a.size() ? a[i] : typename Array::value_type{};
}

// The legacy model text in bytes 12..31: one of the table's texts, then only
// NUL bytes up to offset 31.
const LegacyModel* matchLegacyModel(std::u16string_view field) {
    for (const auto& m : kLegacyModels) {
        if (!field.starts_with(m.wire)) continue;
        const auto rest = field.substr(m.wire.size());
        if (std::all_of(rest.begin(), rest.end(), [](char16_t ch) { return ch == u'\0'; })) return &m;
    }
    return nullptr;
}

std::uint8_t countByte(std::size_t n) {
    return static_cast<std::uint8_t>(std::min(n, kMaxCountByte));
}

} // namespace

std::span<const LegacyModel> legacyModels() {
    return kLegacyModels;
}

const LegacyModel* legacyModelByShownName(std::u16string_view shown) {
    for (const auto& m : kLegacyModels) {
        if (m.shown == shown) return &m;
    }
    return nullptr;
}

std::optional<TNodaluxCtrl> readPollReply(std::span<const std::uint8_t> datagram) {
    Header h;
    if (!parseHeader(datagram, h) || h.opcode != Opcode::PollReply || h.version < kFirstCurrentVersion) {
        return std::nullopt;
    }
    const std::uint8_t v = h.version; // every layout decision uses the header's byte
    const bool v6 = v >= kVersionWithProtVer;

    ByteReader r(datagram);
    r.seek(kHeaderSize);
    TNodaluxCtrl c;

    c.QorvanaProtVer = v6 ? r.u8() : kVersion5;
    c.MAC = r.bytes<kMacLength>();
    const std::uint8_t modelLength = r.u8();
    c.ModelName = r.text(modelLength);
    c.HwRev = r.u8();
    c.MinVantrelVer = r.bytes<kToolVersionLength>();
    const std::size_t firmwareLength = v6 ? r.u8() : kV5FirmwareLength;
    c.Firmware = r.text(firmwareLength);
    c.Brand = r.u8();
    c.CurrentIP = r.bytes<kIpLength>();
    c.CurrentSM = r.bytes<kIpLength>();
    if (!r.ok()) return std::nullopt;

    if (model::isBootloader(c)) {
        // A controller in its bootloader sends only its nickname after this.
        readNickname(r, c);
        if (!r.ok()) return std::nullopt;
        return c;
    }

    c.DHCP = r.u8();
    c.StaticIP = r.bytes<kIpLength>();
    c.SM = r.bytes<kIpLength>();
    c.Protocol = r.u8();
    c.HoldLastFrame = r.u8();
    c.SimpleConfig = r.u8();
    c.MaxPixels = r.u16();

    const std::uint8_t n = r.u8();
    if (n > model::kMaxOutputs) return std::nullopt;
    c.NumStrings = n;
    for (std::size_t i = 0; i < n; ++i)
        c.NumNodes[i] = r.u16();
    for (std::size_t i = 0; i < n; ++i)
        c.AdvUniv[i] = r.u16();
    for (std::size_t i = 0; i < n; ++i)
        c.AdvChan[i] = r.u16();
    for (std::size_t i = 0; i < n; ++i)
        c.AdvNull[i] = r.u8();
    for (std::size_t i = 0; i < n; ++i)
        c.AdvZig[i] = r.u16();
    for (std::size_t i = 0; i < n; ++i)
        c.AdvReverse[i] = r.u8();
    for (std::size_t i = 0; i < n; ++i)
        c.AdvRgbOrder[i] = r.u8();
    for (std::size_t i = 0; i < n; ++i)
        c.Grouping[i] = r.u16();
    for (std::size_t i = 0; i < n; ++i)
        c.Brightness[i] = r.u8();

    const std::uint8_t m = r.u8();
    if (m > model::kMaxDmxOutputs) return std::nullopt;
    c.DMXOutputs = m;
    if (v >= kVersionWithDmxCaps) {
        const std::uint8_t caps = r.u8(); // the other bits are not read
        c.DmxArtNetCapable = (caps & kDmxCapArtNet) != 0;
        c.DmxSacnCapable = (caps & kDmxCapSacn) != 0;
    } else {
        c.DmxArtNetCapable = false;
        c.DmxSacnCapable = true;
    }
    for (std::size_t i = 0; i < m; ++i)
        c.DmxOutOn[i] = r.u8();
    for (std::size_t i = 0; i < m; ++i)
        c.DmxOutUniv[i] = r.u16();

    const std::uint8_t k = r.u8();
    const std::uint8_t nameLength = r.u8();
    c.NumDrivers = k;
    c.DriverNameLength = nameLength;
    // Every table entry takes at least three bytes; a count that cannot fit
    // in what is left is a truncated reply, found before anything is sized by it.
    if (!r.ok() || r.remaining() < std::size_t{k} * (3 + nameLength)) return std::nullopt;
    c.DriverType.resize(k);
    c.DriverSpeed.resize(k);
    c.DriverExpandable.resize(k);
    c.DriverNames.resize(k);
    for (auto& x : c.DriverType)
        x = r.u8();
    for (auto& x : c.DriverSpeed)
        x = r.u8();
    for (auto& x : c.DriverExpandable)
        x = r.u8();
    for (auto& name : c.DriverNames)
        name = r.text(nameLength);

    c.DriverChip = r.u8();
    c.LedType = r.u8();
    c.ProtocolSpeed = r.u8();
    c.CondensedMode = r.u8();
    for (std::size_t i = 0; i < kGammaRgb; ++i)
        c.Gamma[i] = r.u8();
    if (v6) c.Gamma[kGammaWhite] = r.u8();
    readNickname(r, c);
    c.Temperature = r.u16();
    c.FanTemp = r.u8();

    const std::uint8_t b = r.u8();
    if (b > model::kMaxBanks) return std::nullopt;
    c.NumBanks = b;
    for (std::size_t i = 0; i < b; ++i)
        c.Voltage[i] = r.u16();

    c.TestMode = r.u8();
    if (v6) c.TestModeCols = r.bytes<kTestColours>();
    if (v >= kVersionWithTestPixel) {
        c.TestOutputNum = r.u8();
        c.TestSinglePixelNum = r.u16();
    }
    // Bytes after the last field of the version are ignored.
    if (!r.ok()) return std::nullopt;
    return c;
}

Bytes encodePollReply(const TNodaluxCtrl& c, std::uint8_t version) {
    const bool v6 = version >= kVersionWithProtVer;
    ByteWriter w;
    writeHeader(w, Opcode::PollReply, version);

    if (v6) w.u8(c.QorvanaProtVer);
    w.bytes(c.MAC);
    const std::uint8_t modelLength = countByte(c.ModelName.size());
    w.u8(modelLength);
    w.text(c.ModelName, modelLength);
    w.u8(c.HwRev);
    w.bytes(c.MinVantrelVer);
    if (v6) {
        const std::uint8_t firmwareLength = countByte(c.Firmware.size());
        w.u8(firmwareLength);
        w.text(c.Firmware, firmwareLength);
    } else {
        w.text(c.Firmware, kV5FirmwareLength);
    }
    w.u8(c.Brand);
    w.bytes(c.CurrentIP);
    w.bytes(c.CurrentSM);

    if (model::isBootloader(c)) {
        writeNickname(w, c);
        return w.take();
    }

    w.u8(c.DHCP);
    w.bytes(c.StaticIP);
    w.bytes(c.SM);
    w.u8(c.Protocol);
    w.u8(c.HoldLastFrame);
    w.u8(c.SimpleConfig);
    w.u16(c.MaxPixels);

    const std::size_t n = c.NumStrings;
    w.u8(c.NumStrings);
    for (std::size_t i = 0; i < n; ++i)
        w.u16(static_cast<std::uint16_t>(entry(c.NumNodes, i)));
    for (std::size_t i = 0; i < n; ++i)
        w.u16(entry(c.AdvUniv, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u16(entry(c.AdvChan, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u8(entry(c.AdvNull, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u16(entry(c.AdvZig, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u8(entry(c.AdvReverse, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u8(entry(c.AdvRgbOrder, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u16(entry(c.Grouping, i));
    for (std::size_t i = 0; i < n; ++i)
        w.u8(entry(c.Brightness, i));

    const std::size_t m = c.DMXOutputs;
    w.u8(c.DMXOutputs);
    if (version >= kVersionWithDmxCaps) {
        w.u8(static_cast<std::uint8_t>((c.DmxArtNetCapable ? kDmxCapArtNet : 0) |
                                       (c.DmxSacnCapable ? kDmxCapSacn : 0)));
    }
    for (std::size_t i = 0; i < m; ++i)
        w.u8(entry(c.DmxOutOn, i));
    for (std::size_t i = 0; i < m; ++i)
        w.u16(entry(c.DmxOutUniv, i));

    const std::size_t k = c.NumDrivers;
    w.u8(c.NumDrivers);
    w.u8(c.DriverNameLength);
    for (std::size_t i = 0; i < k; ++i)
        w.u8(i < c.DriverType.size() ? c.DriverType[i] : 0);
    for (std::size_t i = 0; i < k; ++i)
        w.u8(i < c.DriverSpeed.size() ? c.DriverSpeed[i] : 0);
    for (std::size_t i = 0; i < k; ++i)
        w.u8(i < c.DriverExpandable.size() ? c.DriverExpandable[i] : 0);
    for (std::size_t i = 0; i < k; ++i) {
        w.text(i < c.DriverNames.size() ? std::u16string_view(c.DriverNames[i]) : std::u16string_view(),
               c.DriverNameLength);
    }

    w.u8(c.DriverChip);
    w.u8(c.LedType);
    w.u8(c.ProtocolSpeed);
    w.u8(c.CondensedMode);
    for (std::size_t i = 0; i < kGammaRgb; ++i)
        w.u8(c.Gamma[i]);
    if (v6) w.u8(c.Gamma[kGammaWhite]);
    writeNickname(w, c);
    w.u16(c.Temperature);
    w.u8(c.FanTemp);

    const std::size_t b = c.NumBanks;
    w.u8(c.NumBanks);
    for (std::size_t i = 0; i < b; ++i)
        w.u16(entry(c.Voltage, i));

    w.u8(c.TestMode);
    if (v6) w.bytes(c.TestModeCols);
    if (version >= kVersionWithTestPixel) {
        w.u8(c.TestOutputNum);
        w.u16(c.TestSinglePixelNum);
    }
    return w.take();
}

std::optional<TNodaluxCtrl> readPollReplyV4Below(std::span<const std::uint8_t> datagram) {
    Header h;
    if (!parseHeader(datagram, h) || h.opcode != Opcode::PollReply || h.version >= kFirstCurrentVersion) {
        return std::nullopt;
    }
    if (datagram.size() < legacy::kMinLength) return std::nullopt;

    ByteReader r(datagram);
    r.seek(legacy::kModel);
    const LegacyModel* known = matchLegacyModel(r.text(legacy::kModelWidth));
    if (known == nullptr) return std::nullopt;

    TNodaluxCtrl c;
    c.QorvanaProtVer = 0; // routes the controller to the legacy configuration
    c.NumStrings = known->outputs;
    c.Model = std::u16string(known->shown);

    r.seek(legacy::kCurrentIP);
    c.CurrentIP = r.bytes<kIpLength>();
    r.seek(legacy::kDHCP);
    c.DHCP = r.u8();
    r.seek(legacy::kNickname);
    readNickname(r, c);
    r.seek(legacy::kFirmware);
    c.Firmware = r.text(legacy::kFirmwareWidth);
    r.seek(legacy::kMAC);
    c.MAC = r.bytes<kMacLength>();
    r.seek(legacy::kTemperature);
    c.Temperature = r.u16();
    r.seek(legacy::kNumNodes);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.NumNodes[i] = r.u16();
    r.seek(legacy::kProtocol);
    c.Protocol = r.u8();
    r.seek(legacy::kDmxMix);
    c.DmxMix = r.u8();
    r.seek(legacy::kMixMode);
    c.MixMode = r.u8();
    r.seek(legacy::kStaticIP);
    c.StaticIP = r.bytes<kIpLength>();
    r.seek(legacy::kSM);
    c.SM = r.bytes<kIpLength>();
    r.seek(legacy::kDmxStart);
    c.DmxStart = r.u16();
    r.seek(legacy::kSacnUniv);
    c.SacnUniv = r.u16();
    r.seek(legacy::kSacnChan);
    c.SacnChan = r.u16();
    r.seek(legacy::kDriverChip);
    c.DriverChip = r.u8();
    r.seek(legacy::kGamma);
    for (std::size_t i = 0; i < kGammaRgb; ++i)
        c.Gamma[i] = r.u8();
    r.seek(legacy::kVoltage12);
    c.Voltage[0] = r.u16();
    c.Voltage[1] = r.u16();
    r.seek(legacy::kAdvUniv);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.AdvUniv[i] = r.u16();
    r.seek(legacy::kAdvChan);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.AdvChan[i] = r.u16();
    r.seek(legacy::kAdvNull);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.AdvNull[i] = r.u8();
    r.seek(legacy::kAdvZig);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.AdvZig[i] = r.u16();
    r.seek(legacy::kAdvReverse);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.AdvReverse[i] = r.u8();
    r.seek(legacy::kRgbOrder);
    c.RgbOrder = r.bytes<legacy::kRgbOrderLength>();
    r.seek(legacy::kDmxOutOn);
    for (std::size_t i = 0; i < model::kMaxDmxOutputs; ++i)
        c.DmxOutOn[i] = r.u8();
    r.seek(legacy::kDmxOutUniv);
    for (std::size_t i = 0; i < model::kMaxDmxOutputs; ++i)
        c.DmxOutUniv[i] = r.u16();
    r.seek(legacy::kHwRev);
    c.HwRev = r.u8();
    r.seek(legacy::kProtocolSpeed);
    c.ProtocolSpeed = r.u8();
    r.seek(legacy::kAdvRgbOrder);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.AdvRgbOrder[i] = r.u8();
    r.seek(legacy::kGrouping);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.Grouping[i] = r.u16();
    r.seek(legacy::kBrightness);
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        c.Brightness[i] = r.u8();
    r.seek(legacy::kHoldLastFrame);
    c.HoldLastFrame = r.u8();
    r.seek(legacy::kFanTemp);
    c.FanTemp = r.u8();
    r.seek(legacy::kCurrentSM);
    c.CurrentSM = r.bytes<kIpLength>();
    r.seek(legacy::kCondensedMode);
    c.CondensedMode = r.u8();
    r.seek(legacy::kMinVantrelVer);
    c.MinVantrelVer = r.bytes<kToolVersionLength>();
    r.seek(legacy::kTestMode);
    c.TestMode = r.u8();

    c.LedType = 0;
    c.Voltage[2] = legacy::kBankNotReported;
    c.Voltage[3] = legacy::kBankNotReported;
    if (datagram.size() >= legacy::kLengthWithLedType) {
        r.seek(legacy::kLedType);
        c.LedType = r.u8();
    }
    if (datagram.size() >= legacy::kFullLength) {
        r.seek(legacy::kVoltage34);
        c.Voltage[2] = r.u16();
        c.Voltage[3] = r.u16();
    }
    // Bytes after offset 387 are ignored.

    c.DmxArtNetCapable = false;
    c.DmxSacnCapable = true;
    if (!r.ok()) return std::nullopt;
    return c;
}

Bytes encodePollReplyV4Below(const TNodaluxCtrl& c, std::uint8_t version, std::size_t length,
                             std::u16string_view wireModel) {
    ByteWriter w;
    writeHeader(w, Opcode::PollReply, version);
    w.text(wireModel, legacy::kModelWidth);     // 12
    w.bytes(c.CurrentIP);                       // 32
    w.u8(c.DHCP);                               // 36
    w.u8(0);                                    // 37, not read
    writeNickname(w, c);                        // 38
    w.text(c.Firmware, legacy::kFirmwareWidth); // 78
    w.bytes(c.MAC);                             // 98
    w.u16(c.Temperature);                       // 104
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u16(static_cast<std::uint16_t>(c.NumNodes[i])); // 106
    w.u8(c.Protocol);                                     // 138
    w.u8(c.DmxMix);                                       // 139
    w.u8(c.MixMode);                                      // 140
    w.bytes(c.StaticIP);                                  // 141
    w.bytes(c.SM);                                        // 145
    w.u16(c.DmxStart);                                    // 149
    w.u16(c.SacnUniv);                                    // 151
    w.u16(c.SacnChan);                                    // 153
    w.u8(c.DriverChip);                                   // 155
    for (std::size_t i = 0; i < kGammaRgb; ++i)
        w.u8(c.Gamma[i]); // 156
    w.u16(c.Voltage[0]);  // 159
    w.u16(c.Voltage[1]);  // 161
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u16(c.AdvUniv[i]); // 163
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u16(c.AdvChan[i]); // 195
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u8(c.AdvNull[i]); // 227
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u16(c.AdvZig[i]); // 243
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u8(c.AdvReverse[i]); // 275
    w.bytes(c.RgbOrder);       // 291
    w.bytes(c.DmxOutOn);       // 294
    for (std::size_t i = 0; i < model::kMaxDmxOutputs; ++i)
        w.u16(c.DmxOutUniv[i]); // 298
    w.u8(c.HwRev);              // 306
    w.u8(c.ProtocolSpeed);      // 307
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u8(c.AdvRgbOrder[i]); // 308
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u16(c.Grouping[i]); // 324
    for (std::size_t i = 0; i < legacy::kOutputs; ++i)
        w.u8(c.Brightness[i]); // 356
    w.u8(c.HoldLastFrame);     // 372
    w.u8(c.FanTemp);           // 373
    w.bytes(c.CurrentSM);      // 374
    w.u8(c.CondensedMode);     // 378
    w.bytes(c.MinVantrelVer);  // 379
    w.u8(c.TestMode);          // 382
    w.u8(c.LedType);           // 383
    w.u16(c.Voltage[2]);       // 384
    w.u16(c.Voltage[3]);       // 386
    // The layout is 388 bytes; a shorter reply ends earlier, a longer one is NUL-padded.
    Bytes out = w.take();
    out.resize(length, 0);
    return out;
}

} // namespace vantrel::protocol
