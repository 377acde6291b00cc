// What the simulated controllers do with the packets the tool sends, on bytes:
// packets are built with the tool's own builders, answers read with the tool's
// own readers.

#include <gtest/gtest.h>

#include <QJsonArray>

#include <set>

#include "model/Text.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/TestPackets.h"
#include "tests/sim/sim_test_support.h"
#include "tools/sim/PacketJson.h"

namespace {

using namespace vantrel;
using namespace vantrel::sim;
using model::Ip4;
using model::TNodaluxCtrl;
using protocol::Bytes;
using sim::testing::findController;
using sim::testing::kTool;
using sim::testing::readReply;
using sim::testing::sameRecord;

constexpr Ip4 kBroadcast{255, 255, 255, 255};

class SimBehaviour : public ::testing::Test {
  protected:
    Simulator sim{defaultFleet()};

    const SimController& controller(int i) const { return sim.controllers()[static_cast<std::size_t>(i)]; }

    int find(const std::function<bool(const SimController&)>& fits) const {
        return findController(sim.controllers(), fits);
    }
    int current(std::uint8_t version) const {
        return find([&](const SimController& c) { return c.layoutVersion == version && !c.bootloader; });
    }
    int legacy() const {
        return find([](const SimController& c) { return c.legacy(); });
    }
    int inBootloader() const {
        return find([](const SimController& c) { return c.bootloader; });
    }

    Handled send(const Bytes& bytes, const Ip4& to) { return sim.handle(Incoming{kTool, to, bytes}); }

    // What the tool's list holds after polling controller i: its reply, decoded.
    TNodaluxCtrl polled(int i) {
        const Handled h = send(protocol::buildPoll(), controller(i).boundIP);
        EXPECT_EQ(h.out.size(), 1u);
        if (h.out.empty()) return {};
        const auto rec = readReply(h.out.front().bytes);
        EXPECT_TRUE(rec.has_value());
        return rec.value_or(TNodaluxCtrl{});
    }

    Bytes configFor(const TNodaluxCtrl& rec, const SimController& c) {
        return c.legacy() ? protocol::buildConfigV4Below(rec) : protocol::buildConfig(rec).value();
    }

    static bool accepted(const Handled& h, const char* event) {
        for (const auto& e : h.events)
            if (e.value(QStringLiteral("event")).toString() == QLatin1String(event))
                return e.value(QStringLiteral("accepted")).toBool();
        return false;
    }
};

// --- poll ---------------------------------------------------------------

TEST_F(SimBehaviour, BroadcastPollIsAnsweredByEveryControllerFromItsOwnAddress) {
    for (const Ip4& to : {kBroadcast, Ip4{10, 77, 255, 255}, Ip4{0, 0, 0, 0}}) {
        SCOPED_TRACE(model::ipText(to));
        const Handled h = send(protocol::buildPoll(), to);
        ASSERT_EQ(h.out.size(), sim.controllers().size());
        for (std::size_t i = 0; i < h.out.size(); ++i) {
            const Outgoing& o = h.out[i];
            EXPECT_EQ(o.controller, static_cast<int>(i));
            EXPECT_EQ(o.from, controller(o.controller).boundIP);
            EXPECT_EQ(o.to, kTool);
            EXPECT_EQ(o.bytes, controller(o.controller).replyBytes());
            EXPECT_EQ(o.delayMs, 0);
        }
    }
}

TEST_F(SimBehaviour, UnicastPollIsAnsweredOnlyByTheControllerAtThatAddress) {
    const Handled one = send(protocol::buildPoll(), Ip4{10, 77, 1, 3});
    ASSERT_EQ(one.out.size(), 1u);
    EXPECT_EQ(one.out[0].from, (Ip4{10, 77, 1, 3}));

    EXPECT_TRUE(send(protocol::buildPoll(), Ip4{10, 77, 9, 9}).out.empty()) << "nobody lives there";
}

TEST_F(SimBehaviour, ReplyDelaysStayWithinTheMaximumAndFollowTheSeed) {
    constexpr int kMax = 50;
    Simulator a(defaultFleet(), 7, kMax);
    Simulator b(defaultFleet(), 7, kMax);
    const Handled ha = a.handle(Incoming{kTool, kBroadcast, protocol::buildPoll()});
    const Handled hb = b.handle(Incoming{kTool, kBroadcast, protocol::buildPoll()});
    std::set<int> distinct;
    for (std::size_t i = 0; i < ha.out.size(); ++i) {
        EXPECT_GE(ha.out[i].delayMs, 0);
        EXPECT_LE(ha.out[i].delayMs, kMax);
        EXPECT_EQ(ha.out[i].delayMs, hb.out[i].delayMs);
        distinct.insert(ha.out[i].delayMs);
    }
    EXPECT_GT(distinct.size(), 1u);
}

TEST_F(SimBehaviour, DatagramsFromTheControllersThemselvesAreIgnored) {
    const Handled h =
        sim.handle(Incoming{Endpoint{{10, 77, 1, 4}, 49150}, kBroadcast, protocol::buildPoll()});
    EXPECT_TRUE(h.own);
    EXPECT_TRUE(h.out.empty());
}

// --- configuration --------------------------------------------------------

TEST_F(SimBehaviour, ConfigurationIsAppliedAndShownByTheNextPoll) {
    for (std::size_t k = 0; k < sim.controllers().size(); ++k) {
        const int i = static_cast<int>(k);
        const SimController& c = controller(i);
        if (c.bootloader || (!c.legacy() && c.rec.QorvanaProtVer > protocol::kMaxSendVersion)) continue;
        SCOPED_TRACE(model::ipText(c.rec.CurrentIP));

        TNodaluxCtrl rec = polled(i);
        model::setNickname(rec, u"Configured \u00E9");
        rec.NumNodes[0] = 123;
        rec.AdvUniv[1] = 77;
        rec.Gamma[0] = 25;
        rec.Brightness[0] = 50;
        rec.FanTemp = 60;
        rec.Protocol = 1;
        const Handled h = send(configFor(rec, c), c.rec.CurrentIP);
        EXPECT_TRUE(accepted(h, "configuration"));
        EXPECT_EQ(h.decoded.value(QStringLiteral("Nickname")).toString(),
                  QStringLiteral("Configured \u00E9"));

        const TNodaluxCtrl after = polled(i);
        EXPECT_EQ(model::nicknameText(after), u"Configured \u00E9");
        EXPECT_EQ(after.NumNodes[0], 123);
        EXPECT_EQ(after.AdvUniv[1], 77);
        EXPECT_EQ(after.Gamma[0], 25);
        EXPECT_EQ(after.Brightness[0], 50);
        EXPECT_EQ(after.FanTemp, 60);
        EXPECT_EQ(after.Protocol, 1);
        EXPECT_EQ(after.CurrentIP, c.rec.CurrentIP) << "the static address did not change";
    }
}

TEST_F(SimBehaviour, ConfigurationThatDoesNotFitIsRefused) {
    const int v8 = current(8);
    const int old = legacy();
    const TNodaluxCtrl rec8 = polled(v8);
    const TNodaluxCtrl recOld = polled(old);

    TNodaluxCtrl otherMac = rec8;
    otherMac.MAC[5] ^= 0xFF;
    Bytes shortPacket = protocol::buildConfig(rec8).value();
    shortPacket.pop_back();

    struct Case {
        const char* what;
        int target;
        Bytes bytes;
        Ip4 to;
    };
    const Case cases[] = {
        {"another controller's MAC", v8, protocol::buildConfig(otherMac).value(), controller(v8).boundIP},
        {"one byte short", v8, shortPacket, controller(v8).boundIP},
        {"legacy layout to a current controller", v8, protocol::buildConfigV4Below(rec8),
         controller(v8).boundIP},
        {"current layout to a legacy controller", old, protocol::buildConfig(rec8).value(),
         controller(old).boundIP},
        {"sent to the broadcast address", v8, protocol::buildConfig(rec8).value(), kBroadcast},
        {"legacy layout, sent to the broadcast address", old, protocol::buildConfigV4Below(recOld),
         kBroadcast},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.what);
        const Bytes before = controller(tc.target).replyBytes();
        const Handled h = send(tc.bytes, tc.to);
        EXPECT_FALSE(accepted(h, "configuration"));
        EXPECT_FALSE(h.events.empty()) << "the refusal is logged";
        EXPECT_EQ(controller(tc.target).replyBytes(), before);
    }
}

TEST_F(SimBehaviour, ConfigurationWithAnotherStaticAddressMovesTheController) {
    const int i = current(7);
    TNodaluxCtrl rec = polled(i);
    rec.StaticIP = {10, 77, 3, 3};
    send(protocol::buildConfig(rec).value(), controller(i).boundIP);
    EXPECT_EQ(controller(i).rec.CurrentIP, (Ip4{10, 77, 3, 3}));
    EXPECT_EQ(polled(i).CurrentIP, (Ip4{10, 77, 3, 3}));
}

// --- network settings ----------------------------------------------------

TEST_F(SimBehaviour, NetworkSettingsReaddressTheControllerWithThatMac) {
    for (bool onHost : {true, false}) {
        SCOPED_TRACE(onHost ? "new address on this host" : "new address not on this host");
        Simulator s(defaultFleet());
        s.setAddressCheck([onHost](const Ip4&) { return onHost; });
        for (int i :
             {findController(s.controllers(), [](const SimController& c) { return c.layoutVersion == 6; }),
              findController(s.controllers(), [](const SimController& c) { return c.legacy(); })}) {
            const Ip4 old = s.controllers()[static_cast<std::size_t>(i)].boundIP;
            const Ip4 fresh{10, 77, 200, static_cast<std::uint8_t>(i + 1)};
            TNodaluxCtrl rec = *readReply(s.controllers()[static_cast<std::size_t>(i)].replyBytes());
            rec.StaticIP = fresh;
            rec.SM = {255, 255, 255, 0};
            const Handled h =
                s.handle(Incoming{kTool, kBroadcast, protocol::buildNetworkSettings(rec).value()});
            EXPECT_FALSE(h.events.empty());

            // The next broadcast poll: the reply carries the new address and
            // leaves from it where the host has it.
            const Handled poll = s.handle(Incoming{kTool, kBroadcast, protocol::buildPoll()});
            const Outgoing& o = poll.out[static_cast<std::size_t>(i)];
            EXPECT_EQ(o.from, onHost ? fresh : old);
            const auto after = readReply(o.bytes);
            ASSERT_TRUE(after.has_value());
            EXPECT_EQ(after->CurrentIP, fresh);
            EXPECT_EQ(after->CurrentSM, (Ip4{255, 255, 255, 0}));
            EXPECT_EQ(after->StaticIP, fresh);
        }
    }
}

TEST_F(SimBehaviour, NetworkSettingsWithDhcpOrAnotherMacLeaveTheAddress) {
    const int i = current(8);
    TNodaluxCtrl rec = polled(i);
    rec.StaticIP = {10, 77, 9, 9};

    TNodaluxCtrl stranger = rec;
    stranger.MAC = {0x02, 0, 0, 0, 0, 0x99};
    send(protocol::buildNetworkSettings(stranger).value(), kBroadcast);
    EXPECT_EQ(polled(i).StaticIP, controller(i).boundIP) << "another MAC changes nothing";

    rec.DHCP = 1;
    send(protocol::buildNetworkSettings(rec).value(), kBroadcast);
    const TNodaluxCtrl after = polled(i);
    EXPECT_EQ(after.DHCP, 1);
    EXPECT_EQ(after.StaticIP, (Ip4{10, 77, 9, 9}));
    EXPECT_EQ(after.CurrentIP, (Ip4{10, 77, 1, static_cast<std::uint8_t>(i + 1)}))
        << "no DHCP server: address kept";
}

// --- test set and announce -------------------------------------------------

TEST_F(SimBehaviour, TestSetIsStoredAndAnnouncedToTheSender) {
    for (int i : {legacy(), current(5), current(6), current(8)}) {
        const SimController& c = controller(i);
        SCOPED_TRACE("layout version " + std::to_string(c.layoutVersion));
        TNodaluxCtrl rec = polled(i);
        rec.TestModeCols = {10, 20, 30, 40};
        rec.TestOutputNum = 3;
        const std::uint16_t storedPixel = rec.TestSinglePixelNum;
        rec.TestSinglePixelNum = 300; // not carried in full by a mode other than "Single Pixel"
        const Handled h = send(protocol::buildTestSet(rec, 6).value(), c.boundIP);
        ASSERT_EQ(h.out.size(), 1u);
        EXPECT_EQ(h.out[0].to, kTool);
        EXPECT_EQ(h.out[0].from, c.boundIP);

        const std::uint8_t v = h.out[0].bytes[11];
        EXPECT_EQ(v, c.legacy() ? c.layoutVersion : c.rec.QorvanaProtVer);
        const auto a = protocol::readTestAnnounce(h.out[0].bytes, v);
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->ip, c.rec.CurrentIP);
        EXPECT_EQ(a->mode, 6);
        EXPECT_EQ(a->cols[0], 10);
        EXPECT_EQ(a->cols[2], 30);
        EXPECT_EQ(a->hasWhite, v >= 6);
        if (a->hasWhite) {
            EXPECT_EQ(a->cols[3], 40);
        }
        if (a->hasSinglePixel) {
            EXPECT_EQ(a->outputNum, 3);
            EXPECT_EQ(a->pixel, storedPixel) << "the pixel number is kept";
        }
        EXPECT_EQ(polled(i).TestMode, 6);
    }
}

TEST_F(SimBehaviour, SinglePixelTestSetsThePixelAndKeepsTheColours) {
    const int i = current(8);
    TNodaluxCtrl rec = polled(i);
    rec.TestModeCols = {10, 20, 30, 40};
    send(protocol::buildTestSet(rec, 6).value(), controller(i).boundIP);
    rec.TestOutputNum = 3;
    rec.TestSinglePixelNum = 300;
    const Handled h =
        send(protocol::buildTestSet(rec, protocol::kSinglePixelMode).value(), controller(i).boundIP);
    ASSERT_EQ(h.out.size(), 1u);
    const auto a = protocol::readTestAnnounce(h.out[0].bytes, 8);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->mode, 8);
    EXPECT_EQ(a->outputNum, 3);
    EXPECT_EQ(a->pixel, 300);
    EXPECT_EQ(a->cols, (std::array<std::uint8_t, 4>{10, 20, 30, 40}))
        << "the 0xFF colour bytes are not stored";

    const TNodaluxCtrl after = polled(i);
    EXPECT_EQ(after.TestMode, 8);
    EXPECT_EQ(after.TestSinglePixelNum, 300);
}

TEST_F(SimBehaviour, TestSetWithAnotherMacIsNotAnnounced) {
    const int i = current(8);
    TNodaluxCtrl rec = polled(i);
    rec.MAC[0] ^= 0x01;
    EXPECT_TRUE(send(protocol::buildTestSet(rec, 2).value(), controller(i).boundIP).out.empty());
    EXPECT_EQ(polled(i).TestMode, 0);
}

// --- identify -------------------------------------------------------------

TEST_F(SimBehaviour, IdentifyStartsAndStopsByMac) {
    const int i = current(8);
    const TNodaluxCtrl rec = polled(i);
    Handled h = send(protocol::buildIdentify(rec, true).value(), kBroadcast);
    ASSERT_EQ(h.events.size(), 1u);
    EXPECT_EQ(h.events[0].value(QStringLiteral("controller")).toInt(), i);
    EXPECT_TRUE(controller(i).identifying);
    EXPECT_TRUE(h.out.empty()) << "identify is not answered";

    h = send(protocol::buildIdentify(rec, false).value(), kBroadcast);
    EXPECT_FALSE(controller(i).identifying);
    EXPECT_EQ(h.events.size(), 1u);

    // A protocol-7 controller does not know identify.
    TNodaluxCtrl seven = polled(current(7));
    seven.QorvanaProtVer = 8; // as if the tool sent it anyway
    EXPECT_TRUE(send(protocol::buildIdentify(seven, true).value(), kBroadcast).events.empty());
    EXPECT_FALSE(controller(current(7)).identifying);
}

// --- bootloader -------------------------------------------------------------

TEST_F(SimBehaviour, BootloaderTriggerSwitchesToTheBootloaderForm) {
    for (int i : {current(6), legacy()}) {
        const SimController& c = controller(i);
        SCOPED_TRACE("layout version " + std::to_string(c.layoutVersion));
        const TNodaluxCtrl rec = polled(i);
        const Bytes trigger = c.legacy() ? protocol::buildBootloaderTriggerV4Below()
                                         : protocol::buildBootloaderTrigger(rec).value();
        EXPECT_TRUE(accepted(send(trigger, c.boundIP), "bootloader"));
        EXPECT_TRUE(c.bootloader);

        const TNodaluxCtrl boot = polled(i);
        EXPECT_TRUE(model::isBootloader(boot));
        EXPECT_EQ(boot.CurrentIP, rec.CurrentIP);
        EXPECT_EQ(boot.Nickname, rec.Nickname);

        // The bootloader takes no configuration, and after an upload the application is back.
        EXPECT_FALSE(accepted(send(configFor(rec, c), c.boundIP), "configuration"));
        sim.uploadFinished(i, true, 1000);
        EXPECT_FALSE(c.bootloader);
        EXPECT_TRUE(sameRecord(rec, polled(i)));
    }
}

TEST_F(SimBehaviour, BootloaderTriggerThatDoesNotFitIsRefused) {
    const int v8 = current(8);
    const int old = legacy();
    TNodaluxCtrl other = polled(v8);
    other.MAC[5] ^= 0xFF;
    EXPECT_FALSE(accepted(send(protocol::buildBootloaderTrigger(other).value(), controller(v8).boundIP),
                          "bootloader"));
    EXPECT_FALSE(
        accepted(send(protocol::buildBootloaderTriggerV4Below(), controller(v8).boundIP), "bootloader"));
    EXPECT_FALSE(accepted(send(protocol::buildBootloaderTrigger(polled(v8)).value(), controller(old).boundIP),
                          "bootloader"));
    EXPECT_FALSE(controller(v8).bootloader);
    EXPECT_FALSE(controller(old).bootloader);

    // An incomplete upload leaves the controller in its bootloader.
    const int boot = inBootloader();
    sim.uploadFinished(boot, false, 0);
    EXPECT_TRUE(controller(boot).bootloader);
}

// --- diagnostics -------------------------------------------------------------

TEST_F(SimBehaviour, DiagnosticMessagesDecodeAndGoToTheLastToolHeard) {
    const int i = current(8);
    auto first = sim.diagnostic(i);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->to, (Endpoint{kBroadcast, 49150})) << "no tool heard yet: broadcast";

    send(protocol::buildPoll(), kBroadcast);
    std::set<int> severities;
    for (int n = 0; n < 3; ++n) {
        for (int k : {i, legacy()}) {
            const auto o = sim.diagnostic(k);
            ASSERT_TRUE(o.has_value());
            EXPECT_EQ(o->to, kTool);
            EXPECT_EQ(o->from, controller(k).boundIP);
            const auto msg = protocol::readDiagnosticMessage(o->bytes);
            ASSERT_TRUE(msg.has_value());
            const SimController& c = controller(k);
            EXPECT_EQ(msg->mac, c.rec.MAC);
            EXPECT_EQ(msg->ip, c.rec.CurrentIP);
            EXPECT_EQ(msg->model, c.legacy() ? c.rec.Model : c.rec.ModelName);
            EXPECT_EQ(msg->nickname, model::nicknameText(c.rec));
            EXPECT_FALSE(msg->message.empty());
            severities.insert(msg->severity);
        }
    }
    EXPECT_EQ(severities, (std::set<int>{0, 1, 2}));
}

TEST_F(SimBehaviour, ControllersInTheirBootloaderSendNoDiagnostics) {
    EXPECT_FALSE(sim.diagnostic(inBootloader()).has_value());
    EXPECT_EQ(sim.diagnosticRound().size(), sim.controllers().size() - 1);
    std::set<int> who;
    for (std::size_t n = 0; n < sim.controllers().size() - 1; ++n)
        who.insert(sim.nextDiagnostic().value().controller);
    EXPECT_EQ(who.size(), sim.controllers().size() - 1) << "each in turn";
}

// --- the log's decoding -------------------------------------------------------

TEST_F(SimBehaviour, EveryPacketKindIsDecodedForTheLog) {
    const TNodaluxCtrl rec8 = polled(current(8));
    const TNodaluxCtrl recOld = polled(legacy());
    const Bytes unknownOpcode = {'Q', 'o', 'r', 'v', 'a', 'n', 'i', 'x', 0, 0x00, 0x04, 8};
    protocol::DiagnosticMessage diag;
    diag.message = u"hello";
    struct Case {
        Bytes bytes;
        const TNodaluxCtrl* target;
        const char* kind;
    };
    const Case cases[] = {
        {protocol::buildPoll(), nullptr, "poll"},
        {controller(current(8)).replyBytes(), nullptr, "pollReply"},
        {controller(legacy()).replyBytes(), nullptr, "pollReply"},
        {protocol::buildConfig(rec8).value(), &rec8, "configuration"},
        {protocol::buildConfigV4Below(recOld), nullptr, "configuration"},
        {protocol::buildBootloaderTrigger(rec8).value(), nullptr, "bootloaderTrigger"},
        {protocol::buildBootloaderTriggerV4Below(), nullptr, "bootloaderTrigger"},
        {protocol::buildNetworkSettings(rec8).value(), nullptr, "networkSettings"},
        {protocol::buildTestSet(rec8, 2).value(), nullptr, "testSet"},
        {protocol::buildIdentify(rec8, true).value(), nullptr, "identify"},
        {protocol::encodeDiagnosticMessage(diag), nullptr, "diagnostic"},
        {unknownOpcode, nullptr, "unknown"},
        {Bytes{1, 2, 3}, nullptr, "none"},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.kind);
        const QJsonObject d = decodePacket(tc.bytes, tc.target);
        EXPECT_EQ(d.value(QStringLiteral("kind")).toString(), QLatin1String(tc.kind));
        EXPECT_EQ(d.contains(QStringLiteral("error")), std::string(tc.kind) == "none");
    }
    // A current configuration needs the record it is meant for.
    EXPECT_TRUE(decodePacket(protocol::buildConfig(rec8).value()).contains(QStringLiteral("error")));

    const QJsonObject line = packetLine("rx", kTool.ip, 49150, {10, 77, 1, 1}, 49150, protocol::buildPoll(),
                                        decodePacket(protocol::buildPoll()));
    EXPECT_EQ(line.value(QStringLiteral("from")).toString(), QStringLiteral("10.77.0.1"));
    EXPECT_EQ(line.value(QStringLiteral("opcode")).toInt(), 1);
    EXPECT_EQ(line.value(QStringLiteral("version")).toInt(), 8);
    EXPECT_EQ(line.value(QStringLiteral("len")).toInt(), 12);
    EXPECT_EQ(line.value(QStringLiteral("hex")).toString(), QStringLiteral("516F7276616E697800000108"));
}

} // namespace
