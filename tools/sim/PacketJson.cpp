#include "tools/sim/PacketJson.h"

#include <QJsonArray>
#include <QStringList>

#include <algorithm>

#include "model/Text.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "protocol/TestPackets.h"
#include "tools/common/RecordJson.h"

namespace vantrel::sim {

namespace {

// Fields a configuration carries, by layout; per-output and DMX arrays are cut
// to the entries the packet holds.
const QStringList kConfigScalars = {
    QStringLiteral("DHCP"),     QStringLiteral("StaticIP"),      QStringLiteral("SM"),
    QStringLiteral("Protocol"), QStringLiteral("HoldLastFrame"), QStringLiteral("DriverChip"),
    QStringLiteral("LedType"),  QStringLiteral("ProtocolSpeed"), QStringLiteral("CondensedMode"),
    QStringLiteral("Gamma"),    QStringLiteral("FanTemp"),
};
const QStringList kCurrentOnly = {QStringLiteral("MAC"), QStringLiteral("SimpleConfig")};
const QStringList kLegacyOnly = {QStringLiteral("DmxMix"),   QStringLiteral("MixMode"),
                                 QStringLiteral("DmxStart"), QStringLiteral("SacnUniv"),
                                 QStringLiteral("SacnChan"), QStringLiteral("RgbOrder")};
const QStringList kPerOutput = {
    QStringLiteral("NumNodes"),    QStringLiteral("AdvUniv"),  QStringLiteral("AdvChan"),
    QStringLiteral("AdvNull"),     QStringLiteral("AdvZig"),   QStringLiteral("AdvReverse"),
    QStringLiteral("AdvRgbOrder"), QStringLiteral("Grouping"), QStringLiteral("Brightness")};
const QStringList kPerDmx = {QStringLiteral("DmxOutOn"), QStringLiteral("DmxOutUniv")};

constexpr std::size_t kLegacyConfigOutputs = 16;
constexpr std::size_t kLegacyConfigDmx = 4;
constexpr std::uint8_t kFirstMacVersion = protocol::kFirstCurrentVersion;

QJsonArray cut(const QJsonValue& v, std::size_t n) {
    QJsonArray in = v.toArray();
    QJsonArray out;
    for (qsizetype i = 0; i < in.size() && static_cast<std::size_t>(i) < n; ++i)
        out.append(in[i]);
    return out;
}

QJsonObject configFields(const model::TNodaluxCtrl& applied, bool legacy, std::size_t outputs,
                         std::size_t dmx) {
    const QJsonObject all = tools::recordToJson(applied);
    QJsonObject out;
    out[QStringLiteral("kind")] = QStringLiteral("configuration");
    out[QStringLiteral("form")] = legacy ? QStringLiteral("legacy") : QStringLiteral("current");
    for (const QString& k : kConfigScalars)
        out[k] = all.value(k);
    for (const QString& k : legacy ? kLegacyOnly : kCurrentOnly)
        out[k] = all.value(k);
    for (const QString& k : kPerOutput)
        out[k] = cut(all.value(k), outputs);
    for (const QString& k : kPerDmx)
        out[k] = cut(all.value(k), dmx);
    out[QStringLiteral("Nickname")] =
        tools::untilNul(std::u16string_view(applied.Nickname.data(), applied.Nickname.size()));
    return out;
}

QJsonObject failed(const char* kind, const char* why) {
    QJsonObject o;
    o[QStringLiteral("kind")] = QLatin1String(kind);
    o[QStringLiteral("error")] = QLatin1String(why);
    return o;
}

QString mac(const model::Mac& m) {
    return QString::fromStdString(model::macText(m));
}
QString ip(const model::Ip4& a) {
    return QString::fromStdString(model::ipText(a));
}

QJsonArray colours(const std::array<std::uint8_t, 4>& cols, bool white) {
    QJsonArray a;
    for (std::size_t i = 0; i < (white ? 4u : 3u); ++i)
        a.append(cols[i]);
    return a;
}

QJsonObject decodeConfig(std::span<const std::uint8_t> bytes, const protocol::Header& h,
                         const model::TNodaluxCtrl* target) {
    if (h.version == protocol::kLegacyLayoutVersion && bytes.size() == protocol::kConfigV4BelowSize) {
        model::TNodaluxCtrl c;
        if (!protocol::applyConfigV4Below(c, bytes)) return failed("configuration", "does not decode");
        return configFields(c, true, kLegacyConfigOutputs, kLegacyConfigDmx);
    }
    if (!target) return failed("configuration", "not addressed to a simulated controller");
    model::TNodaluxCtrl c = *target;
    if (!protocol::applyConfig(c, bytes))
        return failed("configuration", "length, version or MAC do not match the addressed controller");
    return configFields(c, false, std::min<std::size_t>(c.NumStrings, model::kMaxOutputs),
                        std::min<std::size_t>(c.DMXOutputs, model::kMaxDmxOutputs));
}

QJsonObject decodeBody(std::span<const std::uint8_t> bytes, const protocol::Header& h,
                       const model::TNodaluxCtrl* target) {
    QJsonObject o;
    switch (h.opcode) {
    case protocol::Opcode::Poll:
        o[QStringLiteral("kind")] = QStringLiteral("poll");
        return o;
    case protocol::Opcode::PollReply: {
        const bool legacy = h.version < protocol::kFirstCurrentVersion;
        const auto rec = legacy ? protocol::readPollReplyV4Below(bytes) : protocol::readPollReply(bytes);
        if (!rec) return failed("pollReply", "does not decode");
        o[QStringLiteral("kind")] = QStringLiteral("pollReply");
        o[QStringLiteral("layout")] = legacy ? QStringLiteral("legacy") : QStringLiteral("current");
        o[QStringLiteral("bootloader")] = model::isBootloader(*rec);
        o[QStringLiteral("record")] = tools::recordToJson(*rec);
        return o;
    }
    case protocol::Opcode::Config:
        return decodeConfig(bytes, h, target);
    case protocol::Opcode::BootloaderTrigger:
        o[QStringLiteral("kind")] = QStringLiteral("bootloaderTrigger");
        if (const auto m = protocol::readBootloaderTrigger(bytes)) {
            o[QStringLiteral("form")] = QStringLiteral("current");
            o[QStringLiteral("MAC")] = mac(*m);
        } else if (bytes.size() == protocol::kBootloaderTriggerV4BelowSize &&
                   h.version == protocol::kLegacyLayoutVersion) {
            o[QStringLiteral("form")] = QStringLiteral("legacy");
        } else {
            o[QStringLiteral("error")] = QStringLiteral("neither the 18-byte nor the 12-byte form");
        }
        return o;
    case protocol::Opcode::NetworkSettings: {
        const auto s = protocol::readNetworkSettings(bytes);
        if (!s) return failed("networkSettings", "not 27 bytes");
        o[QStringLiteral("kind")] = QStringLiteral("networkSettings");
        o[QStringLiteral("MAC")] = mac(s->mac);
        o[QStringLiteral("DHCP")] = s->dhcp;
        o[QStringLiteral("StaticIP")] = ip(s->staticIP);
        o[QStringLiteral("SM")] = ip(s->mask);
        return o;
    }
    case protocol::Opcode::TestSet: {
        const auto t = protocol::readTestSet(bytes);
        if (!t) return failed("testSet", "too short for its version, or a version above 8");
        o[QStringLiteral("kind")] = QStringLiteral("testSet");
        if (h.version >= kFirstMacVersion) o[QStringLiteral("MAC")] = mac(t->mac);
        o[QStringLiteral("mode")] = t->mode;
        o[QStringLiteral("cols")] = colours(t->cols, t->hasWhite);
        if (t->hasSinglePixel) {
            o[QStringLiteral("output")] = t->outputNum;
            o[QStringLiteral("pixel")] = t->pixel;
        }
        return o;
    }
    case protocol::Opcode::TestAnnounce: {
        const auto a = protocol::readTestAnnounce(bytes, h.version);
        if (!a) return failed("testAnnounce", "too short for its version, or a version above 8");
        o[QStringLiteral("kind")] = QStringLiteral("testAnnounce");
        o[QStringLiteral("ip")] = ip(a->ip);
        o[QStringLiteral("mode")] = a->mode;
        o[QStringLiteral("cols")] = colours(a->cols, a->hasWhite);
        if (a->hasSinglePixel) {
            o[QStringLiteral("output")] = a->outputNum;
            o[QStringLiteral("pixel")] = a->pixel;
        }
        return o;
    }
    case protocol::Opcode::Identify: { // also the diagnostic message, told apart by length
        if (const auto id = protocol::readIdentify(bytes)) {
            o[QStringLiteral("kind")] = QStringLiteral("identify");
            o[QStringLiteral("MAC")] = mac(id->mac);
            o[QStringLiteral("enable")] = id->mac != model::Mac{};
            o[QStringLiteral("option")] = id->option;
            return o;
        }
        const auto d = protocol::readDiagnosticMessage(bytes);
        if (!d) return failed("diagnostic", "neither a 19-byte identify nor a whole diagnostic message");
        o[QStringLiteral("kind")] = QStringLiteral("diagnostic");
        o[QStringLiteral("MAC")] = mac(d->mac);
        o[QStringLiteral("ip")] = ip(d->ip);
        o[QStringLiteral("model")] = tools::toQString(d->model);
        o[QStringLiteral("nickname")] = tools::toQString(d->nickname);
        o[QStringLiteral("firmware")] = tools::toQString(d->firmware);
        o[QStringLiteral("severity")] = d->severity;
        o[QStringLiteral("message")] = tools::toQString(d->message);
        return o;
    }
    default:
        o[QStringLiteral("kind")] = QStringLiteral("unknown");
        return o;
    }
}

} // namespace

QJsonObject decodePacket(std::span<const std::uint8_t> bytes, const model::TNodaluxCtrl* configTarget) {
    protocol::Header h;
    if (!protocol::parseHeader(bytes, h)) return failed("none", "no valid header");
    return decodeBody(bytes, h, configTarget);
}

QString hexText(std::span<const std::uint8_t> bytes) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
            .toHex()
            .toUpper());
}

QJsonObject packetLine(const char* dir, const model::Ip4& from, std::uint16_t fromPort, const model::Ip4& to,
                       std::uint16_t toPort, std::span<const std::uint8_t> bytes,
                       const QJsonObject& decoded) {
    QJsonObject line;
    line[QStringLiteral("dir")] = QLatin1String(dir);
    line[QStringLiteral("from")] = ip(from);
    line[QStringLiteral("fromPort")] = fromPort;
    line[QStringLiteral("to")] = ip(to);
    line[QStringLiteral("toPort")] = toPort;
    protocol::Header h;
    if (protocol::parseHeader(bytes, h)) {
        line[QStringLiteral("opcode")] = h.opcode;
        line[QStringLiteral("version")] = h.version;
    } else {
        line[QStringLiteral("opcode")] = QJsonValue::Null;
        line[QStringLiteral("version")] = QJsonValue::Null;
    }
    line[QStringLiteral("len")] = static_cast<qint64>(bytes.size());
    line[QStringLiteral("hex")] = hexText(bytes);
    line[QStringLiteral("decoded")] = decoded;
    return line;
}

} // namespace vantrel::sim
