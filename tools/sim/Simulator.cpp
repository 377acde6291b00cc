#include "tools/sim/Simulator.h"

#include <QJsonArray>

#include <algorithm>
#include <array>

#include "model/Text.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/TestPackets.h"
#include "tools/common/RecordJson.h"
#include "tools/sim/PacketJson.h"

namespace vantrel::sim {

namespace {

using protocol::kFirstSinglePixelVersion;
constexpr std::uint8_t kFirstMacVersion = protocol::kFirstCurrentVersion;
constexpr std::uint8_t kFirstWhiteVersion = protocol::kFirstTestWhiteVersion;
constexpr std::uint8_t kFirstIdentifyVersion = protocol::kIdentifyVersion;
constexpr std::size_t kWhite = protocol::kTestWhite;

constexpr model::Ip4 kAnyAddress{0, 0, 0, 0};

// Diagnostic messages a controller may send, by severity (0 error, 1 warning, 2 information).
struct Diagnostic {
    std::uint8_t severity;
    const char* text;
};
constexpr std::array<Diagnostic, 6> kDiagnostics{{
    {0, "Output 3: data line short circuit detected"},
    {1, "Supply voltage of bank 1 is low: 21.4 V"},
    {2, "Link up, 100 Mbit/s full duplex"},
    {0, "DMX output 1: transmit buffer overrun"},
    {1, "Board temperature above the fan threshold"},
    {2, "sACN source changed on universe 1"},
}};

QString ipText(const model::Ip4& ip) {
    return QString::fromStdString(model::ipText(ip));
}

bool hasAllOnesHost(const model::Ip4& to, const model::Ip4& mask) {
    if (mask == kLimitedBroadcast) return false;
    for (std::size_t i = 0; i < to.size(); ++i)
        if ((to[i] | mask[i]) != 0xFF) return false;
    return true;
}

} // namespace

Simulator::Simulator(std::vector<SimController> fleet, std::uint32_t seed, int maxDelayMs)
    : fleet_(std::move(fleet)), random_(seed), maxDelayMs_(std::max(0, maxDelayMs)) {}

bool Simulator::isOwn(const model::Ip4& from) const {
    return std::any_of(fleet_.begin(), fleet_.end(),
                       [&](const SimController& c) { return c.boundIP == from; });
}

bool Simulator::isBroadcast(const model::Ip4& to) const {
    if (to == kAnyAddress || to == kLimitedBroadcast) return true;
    return std::any_of(fleet_.begin(), fleet_.end(),
                       [&](const SimController& c) { return hasAllOnesHost(to, c.rec.CurrentSM); });
}

std::vector<int> Simulator::unicastTargets(const model::Ip4& to) const {
    std::vector<int> out;
    for (std::size_t i = 0; i < fleet_.size(); ++i)
        if (fleet_[i].boundIP == to || fleet_[i].rec.CurrentIP == to) out.push_back(static_cast<int>(i));
    return out;
}

int Simulator::delay() {
    if (maxDelayMs_ == 0) return 0;
    return std::uniform_int_distribution<int>(0, maxDelayMs_)(random_);
}

QJsonObject Simulator::event(const char* name, int i) const {
    QJsonObject e;
    e[QStringLiteral("event")] = QLatin1String(name);
    if (i >= 0) {
        e[QStringLiteral("controller")] = i;
        e[QStringLiteral("ip")] = ipText(fleet_[static_cast<std::size_t>(i)].rec.CurrentIP);
    }
    return e;
}

Handled Simulator::handle(const Incoming& in) {
    Handled h;
    if (isOwn(in.from.ip)) {
        h.own = true;
        return h;
    }
    h.decoded = decodePacket(in.bytes);
    protocol::Header header;
    if (!protocol::parseHeader(in.bytes, header)) return h;
    lastTool_ = in.from;

    switch (header.opcode) {
    case protocol::Opcode::Poll:
        poll(in, h);
        break;
    case protocol::Opcode::Config:
        configure(in, h);
        break;
    case protocol::Opcode::NetworkSettings:
        networkSettings(in, h);
        break;
    case protocol::Opcode::TestSet:
        testSet(in, h);
        break;
    case protocol::Opcode::Identify:
        identify(in, h);
        break;
    case protocol::Opcode::BootloaderTrigger:
        bootloaderTrigger(in, h);
        break;
    default:
        break; // replies, announces and unknown opcodes are not for controllers
    }
    return h;
}

void Simulator::poll(const Incoming& in, Handled& h) {
    std::vector<int> who;
    if (isBroadcast(in.to)) {
        for (std::size_t i = 0; i < fleet_.size(); ++i)
            who.push_back(static_cast<int>(i));
    } else {
        who = unicastTargets(in.to);
    }
    for (int i : who) {
        const SimController& c = fleet_[static_cast<std::size_t>(i)];
        h.out.push_back(Outgoing{i, c.boundIP, in.from, c.replyBytes(), delay()});
    }
}

void Simulator::configure(const Incoming& in, Handled& h) {
    const std::vector<int> who = isBroadcast(in.to) ? std::vector<int>{} : unicastTargets(in.to);
    if (who.empty()) {
        QJsonObject e = event("ignored", -1);
        e[QStringLiteral("reason")] =
            QStringLiteral("configuration not sent to the address of a simulated controller");
        h.events.push_back(e);
        return;
    }
    h.decoded = decodePacket(in.bytes, &fleet_[static_cast<std::size_t>(who.front())].rec);
    const bool legacyForm = in.bytes.size() == protocol::kConfigV4BelowSize &&
                            in.bytes[protocol::kHeaderSize - 1] == protocol::kLegacyLayoutVersion;
    for (int i : who) {
        SimController& c = fleet_[static_cast<std::size_t>(i)];
        QJsonObject e = event("configuration", i);
        const char* refused = nullptr;
        if (c.bootloader) {
            refused = "the controller is in its bootloader";
        } else if (c.legacy()) {
            if (!legacyForm || !protocol::applyConfigV4Below(c.rec, in.bytes))
                refused = "a legacy controller takes only the 338-byte legacy configuration";
        } else if (!protocol::applyConfig(c.rec, in.bytes)) {
            refused = "length, version or MAC do not match the controller";
        }
        e[QStringLiteral("accepted")] = refused == nullptr;
        if (refused) {
            e[QStringLiteral("reason")] = QLatin1String(refused);
            h.events.push_back(e);
            continue;
        }
        canonicalize(c);
        h.events.push_back(e);
        applyAddressing(i, h);
    }
}

void Simulator::networkSettings(const Incoming& in, Handled& h) {
    const auto s = protocol::readNetworkSettings(in.bytes);
    if (!s) return;
    bool any = false;
    for (std::size_t k = 0; k < fleet_.size(); ++k) {
        SimController& c = fleet_[k];
        if (c.rec.MAC != s->mac) continue;
        any = true;
        const int i = static_cast<int>(k);
        QJsonObject e = event("networkSettings", i);
        if (c.bootloader) {
            e[QStringLiteral("accepted")] = false;
            e[QStringLiteral("reason")] = QStringLiteral("the controller is in its bootloader");
            h.events.push_back(e);
            continue;
        }
        c.rec.DHCP = s->dhcp;
        c.rec.StaticIP = s->staticIP;
        c.rec.SM = s->mask;
        e[QStringLiteral("accepted")] = true;
        h.events.push_back(e);
        applyAddressing(i, h);
    }
    if (!any) {
        QJsonObject e = event("ignored", -1);
        e[QStringLiteral("reason")] = QStringLiteral("no simulated controller has MAC %1")
                                          .arg(QString::fromStdString(model::macText(s->mac)));
        h.events.push_back(e);
    }
}

void Simulator::applyAddressing(int i, Handled& h) {
    SimController& c = fleet_[static_cast<std::size_t>(i)];
    auto& r = c.rec;
    if (r.DHCP != 0) {
        QJsonObject e = event("addressing", i);
        e[QStringLiteral("note")] =
            QStringLiteral("DHCP on: keeps its current address (no DHCP server is simulated)");
        h.events.push_back(e);
        return;
    }
    if (r.StaticIP == r.CurrentIP && r.SM == r.CurrentSM) return;
    if (r.StaticIP == kAnyAddress || r.StaticIP == kLimitedBroadcast) {
        QJsonObject e = event("addressing", i);
        e[QStringLiteral("note")] =
            QStringLiteral("static address %1 cannot be used: keeps its current address")
                .arg(ipText(r.StaticIP));
        h.events.push_back(e);
        return;
    }
    QJsonObject e = event("readdressed", i);
    e[QStringLiteral("old")] = ipText(r.CurrentIP);
    r.CurrentIP = r.StaticIP;
    r.CurrentSM = r.SM;
    const bool onHost = !onHost_ || onHost_(r.CurrentIP);
    if (onHost) c.boundIP = r.CurrentIP;
    e[QStringLiteral("ip")] = ipText(r.CurrentIP);
    e[QStringLiteral("mask")] = ipText(r.CurrentSM);
    e[QStringLiteral("onHost")] = onHost;
    e[QStringLiteral("sendsFrom")] = ipText(c.boundIP);
    if (!onHost) {
        e[QStringLiteral("note")] =
            QStringLiteral("%1 is not an address of this host: the controller keeps sending from %2")
                .arg(ipText(r.CurrentIP), ipText(c.boundIP));
    }
    h.events.push_back(e);
}

void Simulator::testSet(const Incoming& in, Handled& h) {
    const auto t = protocol::readTestSet(in.bytes);
    if (!t) return;
    const std::uint8_t v = in.bytes[protocol::kHeaderSize - 1];
    const std::vector<int> who = isBroadcast(in.to) ? std::vector<int>{} : unicastTargets(in.to);
    for (int i : who) {
        SimController& c = fleet_[static_cast<std::size_t>(i)];
        auto& r = c.rec;
        QJsonObject e = event("test", i);
        const char* refused = nullptr;
        if (c.bootloader)
            refused = "the controller is in its bootloader";
        else if (v >= kFirstMacVersion && t->mac != r.MAC)
            refused = "the MAC does not match the controller";
        e[QStringLiteral("accepted")] = refused == nullptr;
        if (refused) {
            e[QStringLiteral("reason")] = QLatin1String(refused);
            h.events.push_back(e);
            continue;
        }
        // The colours do not apply to the single-pixel test (they are sent as
        // 0xFF), and only that test carries the pixel number's low byte: the
        // controller keeps what the packet does not really set.
        r.TestMode = t->mode;
        if (t->mode != protocol::kSinglePixelMode) {
            for (std::size_t k = 0; k < kWhite; ++k)
                r.TestModeCols[k] = t->cols[k];
            if (t->hasWhite) r.TestModeCols[kWhite] = t->cols[kWhite];
        }
        if (t->hasSinglePixel) {
            r.TestOutputNum = t->outputNum;
            if (t->mode == protocol::kSinglePixelMode) r.TestSinglePixelNum = t->pixel;
        }
        e[QStringLiteral("mode")] = r.TestMode;
        h.events.push_back(e);

        const std::uint8_t av = c.announceVersion();
        protocol::TestAnnounce a;
        a.ip = r.CurrentIP;
        a.mode = r.TestMode;
        a.cols = r.TestModeCols;
        a.hasWhite = av >= kFirstWhiteVersion;
        a.hasSinglePixel = av >= kFirstSinglePixelVersion;
        a.outputNum = r.TestOutputNum;
        a.pixel = r.TestSinglePixelNum;
        h.out.push_back(Outgoing{i, c.boundIP, in.from, protocol::encodeTestAnnounce(a, av, r.MAC), 0});
    }
}

void Simulator::identify(const Incoming& in, Handled& h) {
    const auto id = protocol::readIdentify(in.bytes);
    if (!id) return; // a diagnostic message of another sender, not for controllers
    const bool stop = id->mac == model::Mac{};
    for (std::size_t k = 0; k < fleet_.size(); ++k) {
        SimController& c = fleet_[k];
        if (c.legacy() || c.bootloader || c.rec.QorvanaProtVer < kFirstIdentifyVersion) continue;
        if (stop ? !c.identifying : c.rec.MAC != id->mac) continue;
        c.identifying = !stop;
        c.identifyOption = id->option;
        QJsonObject e = event("identify", static_cast<int>(k));
        e[QStringLiteral("enable")] = c.identifying;
        e[QStringLiteral("option")] = id->option;
        h.events.push_back(e);
    }
}

void Simulator::bootloaderTrigger(const Incoming& in, Handled& h) {
    const auto mac = protocol::readBootloaderTrigger(in.bytes);
    const bool legacyForm = in.bytes.size() == protocol::kBootloaderTriggerV4BelowSize &&
                            in.bytes[protocol::kHeaderSize - 1] == protocol::kLegacyLayoutVersion;
    const std::vector<int> who = isBroadcast(in.to) ? std::vector<int>{} : unicastTargets(in.to);
    for (int i : who) {
        SimController& c = fleet_[static_cast<std::size_t>(i)];
        QJsonObject e = event("bootloader", i);
        const char* refused = nullptr;
        if (c.bootloader)
            refused = "already in its bootloader";
        else if (c.legacy() ? !legacyForm : (!mac || *mac != c.rec.MAC))
            refused = c.legacy() ? "a legacy controller takes only the 12-byte trigger"
                                 : "not the 18-byte trigger with the controller's MAC";
        e[QStringLiteral("accepted")] = refused == nullptr;
        if (refused) {
            e[QStringLiteral("reason")] = QLatin1String(refused);
        } else {
            c.bootloader = true;
        }
        h.events.push_back(e);
    }
}

std::optional<Outgoing> Simulator::diagnostic(int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= fleet_.size()) return std::nullopt;
    const SimController& c = fleet_[static_cast<std::size_t>(i)];
    if (c.bootloader) return std::nullopt;
    const Diagnostic& d = kDiagnostics[diagnosticsSent_++ % kDiagnostics.size()];
    protocol::DiagnosticMessage msg;
    msg.mac = c.rec.MAC;
    msg.ip = c.rec.CurrentIP;
    msg.model = c.legacy() ? c.rec.Model : c.rec.ModelName;
    if (msg.model.size() > protocol::kMaxDiagnosticModel) msg.model.resize(protocol::kMaxDiagnosticModel);
    msg.nickname = model::nicknameText(c.rec);
    msg.firmware = c.rec.Firmware.substr(0, c.rec.Firmware.find(u'\0'));
    msg.severity = d.severity;
    msg.message = model::fromUtf8(d.text);
    const Endpoint to = lastTool_.value_or(Endpoint{kLimitedBroadcast, protocol::kPort});
    return Outgoing{i, c.boundIP, to, protocol::encodeDiagnosticMessage(msg, c.announceVersion()), 0};
}

std::vector<Outgoing> Simulator::diagnosticRound() {
    std::vector<Outgoing> out;
    for (std::size_t i = 0; i < fleet_.size(); ++i)
        if (auto o = diagnostic(static_cast<int>(i))) out.push_back(std::move(*o));
    return out;
}

std::optional<Outgoing> Simulator::nextDiagnostic() {
    for (std::size_t tries = 0; tries < fleet_.size(); ++tries) {
        const int i = static_cast<int>(nextDiagnostic_++ % fleet_.size());
        if (auto o = diagnostic(i)) return o;
    }
    return std::nullopt;
}

QJsonObject Simulator::uploadFinished(int i, bool complete, qint64 bytes) {
    SimController& c = fleet_[static_cast<std::size_t>(i)];
    QJsonObject e = event("upload", i);
    e[QStringLiteral("bytes")] = bytes;
    e[QStringLiteral("complete")] = complete;
    if (complete && c.bootloader) {
        c.bootloader = false;
        e[QStringLiteral("note")] =
            QStringLiteral("firmware received: the controller restarts with its application");
    }
    return e;
}

} // namespace vantrel::sim
