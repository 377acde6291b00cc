#include "protocol/ConfigPackets.h"

#include <algorithm>
#include <string_view>

#include "model/SentConfiguration.h"
#include "protocol/ByteReader.h"
#include "protocol/Header.h"
#include "protocol/NicknameField.h"

namespace vantrel::protocol {

namespace {

// Current configuration layout, with N outputs and D DMX outputs:
//   12      MAC[6], DHCP, StaticIP[4], SM[4], Protocol, HoldLastFrame, SimpleConfig
//   30      NumNodes[N] u16, AdvUniv[N] u16, AdvChan[N] u16, AdvNull[N], AdvZig[N] u16,
//           AdvReverse[N], AdvRgbOrder[N], Grouping[N] u16, Brightness[N]
//   30+14N  DmxOutOn[D], DmxOutUniv[D] u16
//   P       DriverChip, LedType, ProtocolSpeed, CondensedMode, Gamma[3] (+ white gamma from version 6)
//   G       Nickname[40], FanTemp
constexpr std::size_t kConfigFixedSize = 78; // header, addressing block, driver block, nickname, fan
constexpr std::size_t kConfigBytesPerOutput = 14;
constexpr std::size_t kConfigBytesPerDmxOutput = 3;
constexpr std::size_t kRgbGammaCount = 3;
constexpr std::size_t kWhiteGamma = 3;

// Legacy configuration layout, always 338 bytes (offsets of the first byte):
//   12 model name[20]   32 DHCP          33 Nickname[40]    73 NumNodes[16] u16
//   105 Protocol        106 DmxMix       107 MixMode        108 StaticIP[4]    112 SM[4]
//   116 DmxStart u16    118 SacnUniv u16 120 SacnChan u16   122 DriverChip     123 Gamma[3]
//   126 AdvUniv[16] u16 158 AdvChan[16] u16 190 AdvNull[16] 206 AdvZig[16] u16 238 AdvReverse[16]
//   254 RgbOrder[3]     257 DmxOutOn[4]  261 DmxOutUniv[4] u16 269 ProtocolSpeed
//   270 AdvRgbOrder[16] 286 Grouping[16] u16 318 Brightness[16]
//   334 HoldLastFrame   335 FanTemp      336 CondensedMode  337 LedType
constexpr std::string_view kLegacyModel16 = "Nodalux 16";
constexpr std::string_view kLegacyModel4 = "Nodalux 4";
constexpr std::uint8_t kLegacy16Outputs = 16;

std::size_t cutOutputs(std::uint8_t n) { return std::min<std::size_t>(n, model::kMaxOutputs); }
std::size_t cutDmxOutputs(std::uint8_t d) { return std::min<std::size_t>(d, model::kMaxDmxOutputs); }

bool currentConfigVersion(std::uint8_t v) { return v >= kFirstCurrentConfigVersion && v <= kMaxSendVersion; }

// True when the packet starts with a header of this opcode (and, when given, this version byte).
bool headerIs(std::span<const std::uint8_t> packet, std::uint16_t opcode, std::optional<std::uint8_t> version) {
    Header h;
    if (!parseHeader(packet, h) || h.opcode != opcode) return false;
    return !version || h.version == *version;
}

template <std::size_t N> void writeU16s(ByteWriter& w, const std::array<std::uint16_t, N>& a, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) w.u16(a[i]);
}
template <std::size_t N> void writeU8s(ByteWriter& w, const std::array<std::uint8_t, N>& a, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) w.u8(a[i]);
}
template <std::size_t N> void readU16s(ByteReader& r, std::array<std::uint16_t, N>& a, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) a[i] = r.u16();
}
template <std::size_t N> void readU8s(ByteReader& r, std::array<std::uint8_t, N>& a, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) a[i] = r.u8();
}

// Pixel counts travel as the low 16 bits of the record's 32-bit count.
void writeNumNodes(ByteWriter& w, const model::TNodaluxCtrl& c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) w.u16(static_cast<std::uint16_t>(c.NumNodes[i] & 0xFFFF));
}
void readNumNodes(ByteReader& r, model::TNodaluxCtrl& c, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) c.NumNodes[i] = r.u16();
}

} // namespace

std::size_t configSize(std::uint8_t numStrings, std::uint8_t dmxOutputs, std::uint8_t version) {
    if (!currentConfigVersion(version)) return 0;
    return kConfigFixedSize + kConfigBytesPerOutput * cutOutputs(numStrings) +
           kConfigBytesPerDmxOutput * cutDmxOutputs(dmxOutputs) + (version >= kFirstWhiteGammaVersion ? 1 : 0);
}

std::optional<Bytes> buildConfig(const model::TNodaluxCtrl& c) {
    const std::uint8_t v = c.QorvanaProtVer;
    if (!currentConfigVersion(v)) return std::nullopt;
    const std::size_t n = cutOutputs(c.NumStrings);
    const std::size_t d = cutDmxOutputs(c.DMXOutputs);

    ByteWriter w;
    writeHeader(w, Opcode::Config, v);
    w.bytes(c.MAC);
    w.u8(c.DHCP);
    w.bytes(c.StaticIP);
    w.bytes(c.SM);
    w.u8(c.Protocol);
    w.u8(c.HoldLastFrame);
    w.u8(c.SimpleConfig);

    writeNumNodes(w, c, n);
    writeU16s(w, c.AdvUniv, n);
    writeU16s(w, c.AdvChan, n);
    writeU8s(w, c.AdvNull, n);
    writeU16s(w, c.AdvZig, n);
    writeU8s(w, c.AdvReverse, n);
    writeU8s(w, c.AdvRgbOrder, n);
    writeU16s(w, c.Grouping, n);
    writeU8s(w, c.Brightness, n);

    writeU8s(w, c.DmxOutOn, d);
    writeU16s(w, c.DmxOutUniv, d);

    w.u8(c.DriverChip);
    w.u8(c.LedType);
    w.u8(c.ProtocolSpeed);
    w.u8(c.CondensedMode);
    writeU8s(w, c.Gamma, kRgbGammaCount);
    if (v >= kFirstWhiteGammaVersion) w.u8(c.Gamma[kWhiteGamma]);
    writeNickname(w, c);
    w.u8(c.FanTemp);
    return w.take();
}

Bytes buildConfigV4Below(const model::TNodaluxCtrl& c) {
    ByteWriter w;
    writeHeader(w, Opcode::Config, kLegacyLayoutVersion);
    w.ascii(c.NumStrings == kLegacy16Outputs ? kLegacyModel16 : kLegacyModel4, kLegacyModelNameWidth);
    w.u8(c.DHCP);
    writeNickname(w, c);
    writeNumNodes(w, c, kLegacyOutputs);
    w.u8(c.Protocol);
    w.u8(c.DmxMix);
    w.u8(c.MixMode);
    w.bytes(c.StaticIP);
    w.bytes(c.SM);
    w.u16(c.DmxStart);
    w.u16(c.SacnUniv);
    w.u16(c.SacnChan);
    w.u8(c.DriverChip);
    writeU8s(w, c.Gamma, kRgbGammaCount);
    writeU16s(w, c.AdvUniv, kLegacyOutputs);
    writeU16s(w, c.AdvChan, kLegacyOutputs);
    writeU8s(w, c.AdvNull, kLegacyOutputs);
    writeU16s(w, c.AdvZig, kLegacyOutputs);
    writeU8s(w, c.AdvReverse, kLegacyOutputs);
    w.bytes(c.RgbOrder);
    writeU8s(w, c.DmxOutOn, kLegacyDmxOutputs);
    writeU16s(w, c.DmxOutUniv, kLegacyDmxOutputs);
    w.u8(c.ProtocolSpeed);
    writeU8s(w, c.AdvRgbOrder, kLegacyOutputs);
    writeU16s(w, c.Grouping, kLegacyOutputs);
    writeU8s(w, c.Brightness, kLegacyOutputs);
    w.u8(c.HoldLastFrame);
    w.u8(c.FanTemp);
    w.u8(c.CondensedMode);
    w.u8(c.LedType);
    return w.take();
}

std::optional<Bytes> buildConfigAsSent(const model::TNodaluxCtrl& record) {
    const model::TNodaluxCtrl sent = model::configurationAsSent(record);
    if (model::isLegacy(sent)) return buildConfigV4Below(sent);
    return buildConfig(sent);
}

std::optional<Bytes> buildNetworkSettings(const model::TNodaluxCtrl& c) {
    if (c.QorvanaProtVer > kMaxSendVersion) return std::nullopt;
    ByteWriter w;
    writeHeader(w, Opcode::NetworkSettings, c.QorvanaProtVer);
    w.bytes(c.MAC);
    w.u8(c.DHCP);
    w.bytes(c.StaticIP);
    w.bytes(c.SM);
    return w.take();
}

std::optional<Bytes> buildIdentify(const model::TNodaluxCtrl& c, bool enable, std::uint8_t option) {
    if (c.QorvanaProtVer != kIdentifyVersion) return std::nullopt;
    ByteWriter w;
    writeHeader(w, Opcode::Identify, c.QorvanaProtVer);
    if (enable) {
        w.bytes(c.MAC);
    } else {
        w.zeros(c.MAC.size()); // "stop" names no controller
    }
    w.u8(option);
    return w.take();
}

std::optional<Bytes> buildBootloaderTrigger(const model::TNodaluxCtrl& c) {
    if (c.QorvanaProtVer > kMaxSendVersion) return std::nullopt;
    ByteWriter w;
    writeHeader(w, Opcode::BootloaderTrigger, c.QorvanaProtVer);
    w.bytes(c.MAC);
    return w.take();
}

Bytes buildBootloaderTriggerV4Below() {
    ByteWriter w;
    writeHeader(w, Opcode::BootloaderTrigger, kLegacyLayoutVersion);
    return w.take();
}

// --- controller side ---

bool applyConfig(model::TNodaluxCtrl& target, std::span<const std::uint8_t> packet) {
    const std::uint8_t v = target.QorvanaProtVer;
    const std::size_t expected = configSize(target.NumStrings, target.DMXOutputs, v);
    if (expected == 0 || packet.size() != expected) return false;
    if (!headerIs(packet, Opcode::Config, v)) return false;

    ByteReader r(packet);
    r.seek(kHeaderSize);
    if (r.bytes<6>() != target.MAC) return false;

    model::TNodaluxCtrl c = target;
    const std::size_t n = cutOutputs(c.NumStrings);
    const std::size_t d = cutDmxOutputs(c.DMXOutputs);
    c.DHCP = r.u8();
    c.StaticIP = r.bytes<4>();
    c.SM = r.bytes<4>();
    c.Protocol = r.u8();
    c.HoldLastFrame = r.u8();
    c.SimpleConfig = r.u8();

    readNumNodes(r, c, n);
    readU16s(r, c.AdvUniv, n);
    readU16s(r, c.AdvChan, n);
    readU8s(r, c.AdvNull, n);
    readU16s(r, c.AdvZig, n);
    readU8s(r, c.AdvReverse, n);
    readU8s(r, c.AdvRgbOrder, n);
    readU16s(r, c.Grouping, n);
    readU8s(r, c.Brightness, n);

    readU8s(r, c.DmxOutOn, d);
    readU16s(r, c.DmxOutUniv, d);

    c.DriverChip = r.u8();
    c.LedType = r.u8();
    c.ProtocolSpeed = r.u8();
    c.CondensedMode = r.u8();
    readU8s(r, c.Gamma, kRgbGammaCount);
    if (v >= kFirstWhiteGammaVersion) c.Gamma[kWhiteGamma] = r.u8();
    readNickname(r, c);
    c.FanTemp = r.u8();

    if (!r.ok() || r.remaining() != 0) return false;
    target = std::move(c);
    return true;
}

bool applyConfigV4Below(model::TNodaluxCtrl& target, std::span<const std::uint8_t> packet) {
    if (packet.size() != kConfigV4BelowSize) return false;
    if (!headerIs(packet, Opcode::Config, kLegacyLayoutVersion)) return false;

    ByteReader r(packet);
    r.seek(kHeaderSize);
    r.skip(kLegacyModelNameWidth); // the model name is the tool's guess from the output count

    model::TNodaluxCtrl c = target;
    c.DHCP = r.u8();
    readNickname(r, c);
    readNumNodes(r, c, kLegacyOutputs);
    c.Protocol = r.u8();
    c.DmxMix = r.u8();
    c.MixMode = r.u8();
    c.StaticIP = r.bytes<4>();
    c.SM = r.bytes<4>();
    c.DmxStart = r.u16();
    c.SacnUniv = r.u16();
    c.SacnChan = r.u16();
    c.DriverChip = r.u8();
    readU8s(r, c.Gamma, kRgbGammaCount);
    readU16s(r, c.AdvUniv, kLegacyOutputs);
    readU16s(r, c.AdvChan, kLegacyOutputs);
    readU8s(r, c.AdvNull, kLegacyOutputs);
    readU16s(r, c.AdvZig, kLegacyOutputs);
    readU8s(r, c.AdvReverse, kLegacyOutputs);
    c.RgbOrder = r.bytes<3>();
    readU8s(r, c.DmxOutOn, kLegacyDmxOutputs);
    readU16s(r, c.DmxOutUniv, kLegacyDmxOutputs);
    c.ProtocolSpeed = r.u8();
    readU8s(r, c.AdvRgbOrder, kLegacyOutputs);
    readU16s(r, c.Grouping, kLegacyOutputs);
    readU8s(r, c.Brightness, kLegacyOutputs);
    c.HoldLastFrame = r.u8();
    c.FanTemp = r.u8();
    c.CondensedMode = r.u8();
    c.LedType = r.u8();

    if (!r.ok() || r.remaining() != 0) return false;
    target = std::move(c);
    return true;
}

std::optional<NetworkSettings> readNetworkSettings(std::span<const std::uint8_t> packet) {
    if (packet.size() != kNetworkSettingsSize) return std::nullopt;
    if (!headerIs(packet, Opcode::NetworkSettings, std::nullopt)) return std::nullopt;
    ByteReader r(packet);
    r.seek(kHeaderSize);
    NetworkSettings s;
    s.mac = r.bytes<6>();
    s.dhcp = r.u8();
    s.staticIP = r.bytes<4>();
    s.mask = r.bytes<4>();
    if (!r.ok()) return std::nullopt;
    return s;
}

std::optional<IdentifyRequest> readIdentify(std::span<const std::uint8_t> packet) {
    if (packet.size() != kIdentifySize) return std::nullopt;
    if (!headerIs(packet, Opcode::Identify, std::nullopt)) return std::nullopt;
    ByteReader r(packet);
    r.seek(kHeaderSize);
    IdentifyRequest req;
    req.mac = r.bytes<6>();
    req.option = r.u8();
    if (!r.ok()) return std::nullopt;
    return req;
}

std::optional<model::Mac> readBootloaderTrigger(std::span<const std::uint8_t> packet) {
    if (packet.size() != kBootloaderTriggerSize) return std::nullopt;
    if (!headerIs(packet, Opcode::BootloaderTrigger, std::nullopt)) return std::nullopt;
    ByteReader r(packet);
    r.seek(kHeaderSize);
    const model::Mac mac = r.bytes<6>();
    if (!r.ok()) return std::nullopt;
    return mac;
}

} // namespace vantrel::protocol
