// Every poll reply the simulator sends decodes, with the reader the tool's
// dispatch picks, to exactly the record it was built from: every controller of
// the default fleet, in its normal form and in its bootloader form.

#include <gtest/gtest.h>

#include <set>

#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "protocol/Header.h"
#include "tests/sim/sim_test_support.h"

namespace {

using namespace vantrel;
using namespace vantrel::sim;
using sim::testing::readReply;
using sim::testing::sameRecord;

struct Form {
    const char* name;
    bool bootloader;
};
void PrintTo(const Form& f, std::ostream* os) {
    *os << f.name;
}

class EveryReply : public ::testing::TestWithParam<Form> {};

TEST_P(EveryReply, DecodesToTheRecordItWasBuiltFrom) {
    for (SimController c : defaultFleet()) {
        c.bootloader = GetParam().bootloader;
        SCOPED_TRACE("controller at " + model::ipText(c.rec.CurrentIP) + ", layout version " +
                     std::to_string(c.layoutVersion));
        const protocol::Bytes bytes = c.replyBytes();
        ASSERT_GE(bytes.size(), protocol::kHeaderSize);
        EXPECT_EQ(bytes[11], c.layoutVersion) << "the version byte selects the reader";
        EXPECT_EQ(protocol::routeDatagram(bytes),
                  c.legacy() ? protocol::Route::PollReplyV4Below : protocol::Route::PollReply);
        if (c.legacy()) {
            EXPECT_EQ(bytes.size(), c.legacyLength);
        }

        const auto decoded = readReply(bytes);
        ASSERT_TRUE(decoded.has_value()) << "the reply does not decode";
        EXPECT_TRUE(sameRecord(c.replyRecord(), *decoded));
        EXPECT_EQ(model::isBootloader(*decoded), c.bootloader);
        EXPECT_EQ(decoded->CurrentIP, c.rec.CurrentIP);
        EXPECT_EQ(decoded->MAC, c.rec.MAC);
    }
}

INSTANTIATE_TEST_SUITE_P(SimReplies, EveryReply,
                         ::testing::Values(Form{"normal", false}, Form{"bootloader", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The normal form carries the controller's settings; only the fields its
// layout lacks are left out (a legacy reply has no driver table, a version-5
// reply no white gamma, ...).
TEST(SimReplies, NormalFormCarriesTheSettings) {
    for (const SimController& c : defaultFleet()) {
        if (c.bootloader) continue;
        SCOPED_TRACE(model::ipText(c.rec.CurrentIP));
        const auto decoded = readReply(c.replyBytes());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->Firmware, c.rec.Firmware);
        EXPECT_EQ(decoded->Nickname, c.rec.Nickname);
        EXPECT_EQ(decoded->NumStrings, c.rec.NumStrings);
        EXPECT_EQ(decoded->NumNodes, c.rec.NumNodes);
        EXPECT_EQ(decoded->StaticIP, c.rec.StaticIP);
        EXPECT_EQ(decoded->Temperature, c.rec.Temperature);
        if (!c.legacy()) {
            EXPECT_EQ(decoded->QorvanaProtVer, c.rec.QorvanaProtVer);
            EXPECT_EQ(decoded->DriverNames, c.rec.DriverNames);
            EXPECT_EQ(decoded->DmxOutUniv, c.rec.DmxOutUniv);
            EXPECT_EQ(decoded->Voltage, c.rec.Voltage);
        } else {
            EXPECT_EQ(decoded->Model, c.rec.Model);
        }
    }
}

// The bootloader's short form: identity, address and nickname, nothing else.
TEST(SimReplies, BootloaderFormOfCurrentControllersIsShort) {
    for (SimController c : defaultFleet()) {
        if (c.legacy()) continue;
        c.bootloader = true;
        const auto decoded = readReply(c.replyBytes());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->ModelName, c.rec.ModelName);
        EXPECT_EQ(decoded->Nickname, c.rec.Nickname);
        EXPECT_EQ(decoded->NumStrings, 0);
        EXPECT_EQ(decoded->NumDrivers, 0);
    }
}

// The default fleet covers what the tool must cope with.
TEST(SimFleet, DefaultFleetCoversEveryVersionAndForm) {
    const auto fleet = defaultFleet();
    std::set<int> versions, legacyLengths, dmxOutputs, banks, driverCounts;
    std::set<std::u16string> legacyModels, legacyFirmware;
    int bootloaders = 0;
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        const SimController& c = fleet[i];
        versions.insert(c.layoutVersion);
        if (c.bootloader) ++bootloaders;
        if (c.legacy()) {
            legacyLengths.insert(static_cast<int>(c.legacyLength));
            legacyModels.insert(c.wireModel);
            legacyFirmware.insert(c.rec.Firmware);
        } else {
            dmxOutputs.insert(c.rec.DMXOutputs);
            banks.insert(c.rec.NumBanks);
            driverCounts.insert(c.rec.NumDrivers);
        }
        // The lab's host numbering, in order.
        EXPECT_EQ(c.rec.CurrentIP, (model::Ip4{10, 77, 1, static_cast<std::uint8_t>(i + 1)}));
        EXPECT_EQ(c.boundIP, c.rec.CurrentIP);
    }
    EXPECT_EQ(versions, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(legacyLengths, (std::set<int>{383, 384, 388}));
    EXPECT_EQ(legacyModels.size(), protocol::legacyModels().size());
    EXPECT_GE(legacyFirmware.size(), 3u);
    EXPECT_GE(dmxOutputs.size(), 3u);
    EXPECT_GE(banks.size(), 3u);
    EXPECT_GE(driverCounts.size(), 3u);
    EXPECT_EQ(bootloaders, 1);

    std::set<model::Mac> macs;
    for (const auto& c : fleet)
        macs.insert(c.rec.MAC);
    EXPECT_EQ(macs.size(), fleet.size()) << "every controller has its own MAC";
}

} // namespace
