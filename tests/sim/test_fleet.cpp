// Fleets: the lab's host numbering, generated fleets, and fleet files (JSON)
// that round-trip exactly and are refused with a message when they are wrong.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <set>

#include "model/Text.h"
#include "tools/common/RecordJson.h"
#include "tests/sim/sim_test_support.h"

namespace {

using namespace vantrel;
using namespace vantrel::sim;
using model::Ip4;
using sim::testing::sameRecord;

void expectSameFleet(const std::vector<SimController>& expected, const std::vector<SimController>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("controller " + std::to_string(i));
        EXPECT_TRUE(sameRecord(expected[i].rec, actual[i].rec));
        EXPECT_EQ(expected[i].layoutVersion, actual[i].layoutVersion);
        EXPECT_EQ(expected[i].legacyLength, actual[i].legacyLength);
        EXPECT_EQ(expected[i].wireModel, actual[i].wireModel);
        EXPECT_EQ(expected[i].bootloader, actual[i].bootloader);
        EXPECT_EQ(expected[i].bootloaderFirmware, actual[i].bootloaderFirmware);
        EXPECT_EQ(expected[i].boundIP, actual[i].boundIP);
        EXPECT_EQ(expected[i].replyBytes(), actual[i].replyBytes());
    }
}

TEST(HostNumbering, FollowsTheLabFromItsFirstHostAndCountsOnElsewhere) {
    struct Case {
        Ip4 base;
        int k;
        Ip4 expected;
    };
    const Case cases[] = {
        {kLabBase, 1, {10, 77, 1, 1}},
        {kLabBase, 250, {10, 77, 1, 250}},
        {kLabBase, 251, {10, 77, 2, 1}},
        {kLabBase, 1000, {10, 77, 4, 250}},
        {{192, 168, 1, 200}, 1, {192, 168, 1, 200}},
        {{192, 168, 1, 200}, 61, {192, 168, 2, 4}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(model::ipText(tc.base) + " host " + std::to_string(tc.k));
        EXPECT_EQ(hostAddress(tc.base, tc.k), tc.expected);
    }
    EXPECT_FALSE(hostAddress({255, 255, 255, 255}, 2).has_value());
    EXPECT_FALSE(hostAddress(kLabBase, 255 * 250 + 1).has_value()) << "past 10.77.255.250";
    EXPECT_FALSE(hostAddress(kLabBase, 0).has_value());
}

TEST(GeneratedFleet, ThousandProtocol8ControllersWithOwnAddressesAndMacs) {
    QString error;
    const auto fleet = generatedFleet(1000, kLabBase, kLabMask, error);
    ASSERT_TRUE(fleet.has_value()) << error.toStdString();
    ASSERT_EQ(fleet->size(), 1000u);
    std::set<model::Mac> macs;
    std::set<Ip4> addresses;
    for (std::size_t i = 0; i < fleet->size(); ++i) {
        const SimController& c = (*fleet)[i];
        EXPECT_EQ(c.layoutVersion, 8);
        EXPECT_EQ(c.rec.QorvanaProtVer, 8);
        EXPECT_FALSE(c.bootloader);
        EXPECT_EQ(c.rec.CurrentIP, hostAddress(kLabBase, static_cast<int>(i) + 1));
        EXPECT_EQ(c.boundIP, c.rec.CurrentIP);
        macs.insert(c.rec.MAC);
        addresses.insert(c.rec.CurrentIP);
    }
    EXPECT_EQ(macs.size(), 1000u);
    EXPECT_EQ(addresses.size(), 1000u);
    for (const SimController& c : defaultFleet())
        EXPECT_EQ(macs.count(c.rec.MAC), 0u) << "differs from the default fleet";

    EXPECT_FALSE(generatedFleet(0, kLabBase, kLabMask, error).has_value());
    EXPECT_FALSE(generatedFleet(10, {255, 255, 255, 250}, kLabMask, error).has_value());
    EXPECT_FALSE(error.isEmpty());
}

TEST(GeneratedFleet, RepliesDecodeToTheirRecords) {
    QString error;
    const auto fleet = generatedFleet(3, {192, 168, 50, 10}, {255, 255, 255, 0}, error);
    ASSERT_TRUE(fleet.has_value());
    for (const SimController& c : *fleet) {
        const auto decoded = sim::testing::readReply(c.replyBytes());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_TRUE(sameRecord(c.replyRecord(), *decoded));
        EXPECT_EQ(decoded->CurrentSM, (Ip4{255, 255, 255, 0}));
    }
}

TEST(FleetFile, DefaultFleetRoundTripsThroughJson) {
    const auto fleet = defaultFleet();
    const QByteArray text = QJsonDocument(fleetToJson(fleet)).toJson();
    QString error;
    const auto back = fleetFromJson(QJsonDocument::fromJson(text).object(), error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    expectSameFleet(fleet, *back);
}

TEST(FleetFile, ReaddressedFleetFollowsTheNewFirstAddress) {
    auto fleet = defaultFleet();
    QString error;
    ASSERT_TRUE(readdressFleet(fleet, {192, 168, 7, 250}, {255, 255, 0, 0}, error));
    EXPECT_EQ(fleet[0].rec.CurrentIP, (Ip4{192, 168, 7, 250}));
    EXPECT_EQ(fleet[7].rec.CurrentIP, (Ip4{192, 168, 8, 1}));
    EXPECT_EQ(fleet[7].rec.StaticIP, (Ip4{192, 168, 8, 1}));
    EXPECT_EQ(fleet[7].boundIP, (Ip4{192, 168, 8, 1}));
}

TEST(FleetFile, ShortHandEntriesGetTheirLayoutFromTheRecord) {
    const QByteArray text = R"({"controllers": [
        {"layoutVersion": 7, "record": {"CurrentIP": "10.77.1.1", "MAC": "02-4E-4C-00-00-01", "ModelName": "X",
                                       "Firmware": "V2.0.0", "NumStrings": 2, "NumNodes": [10, 20]}},
        {"layoutVersion": 3, "wireModel": "Nodalux 4 Pro", "record": {"CurrentIP": "10.77.1.1", "Firmware": "V1.4.4"}}
    ]})";
    QString error;
    const auto fleet = fleetFromJson(QJsonDocument::fromJson(text).object(), error);
    ASSERT_TRUE(fleet.has_value()) << error.toStdString();
    EXPECT_EQ((*fleet)[0].rec.QorvanaProtVer, 7);
    EXPECT_EQ((*fleet)[1].rec.Model, u"Nodalux 4 Pro");
    EXPECT_EQ((*fleet)[1].rec.NumStrings, 4);
    EXPECT_EQ((*fleet)[1].legacyLength, 388u);
    // Two controllers on one address are allowed: a network can have a conflict.
    EXPECT_EQ((*fleet)[0].boundIP, (*fleet)[1].boundIP);
    for (const SimController& c : *fleet) {
        const auto decoded = sim::testing::readReply(c.replyBytes());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_TRUE(sameRecord(c.replyRecord(), *decoded));
    }
}

// What `vantrel-cli discover --records` prints (each reply's record under its
// field names, with the grid texts beside it) is a fleet: every controller
// answers with the reply it was listed from, the one in its bootloader included.
TEST(FleetFile, ListedRecordsAreAFleet) {
    const auto fleet = defaultFleet();
    QJsonArray records;
    std::vector<model::TNodaluxCtrl> listed;
    for (const SimController& c : fleet) {
        const auto decoded = sim::testing::readReply(c.replyBytes());
        ASSERT_TRUE(decoded.has_value());
        listed.push_back(*decoded);
        QJsonObject o = tools::recordToJson(*decoded);
        o[QStringLiteral("grid")] = QJsonObject{{QStringLiteral("Model"), QStringLiteral("as the grid shows it")}};
        records.append(o);
    }
    QString error;
    const auto back = fleetFromRecords(records, error);
    ASSERT_TRUE(back.has_value()) << error.toStdString();
    ASSERT_EQ(back->size(), fleet.size());
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        SCOPED_TRACE("controller " + std::to_string(i));
        const auto again = sim::testing::readReply((*back)[i].replyBytes());
        ASSERT_TRUE(again.has_value());
        EXPECT_TRUE(sameRecord(listed[i], *again));
        EXPECT_EQ((*back)[i].bootloader, fleet[i].bootloader);
    }
}

TEST(FleetFile, WrongFilesAreRefusedWithAMessage) {
    const QByteArray good = R"({"layoutVersion": 8, "record": {"CurrentIP": "10.77.1.1"}})";
    struct Case {
        const char* what;
        QByteArray text;
        const char* message;
    };
    const Case cases[] = {
        {"not JSON", "{\"controllers\": [", "not valid JSON"},
        {"records that are not objects", "[1, 2]", "records[0]: expected a record object"},
        {"a record field of the wrong kind", R"([{"CurrentIP": "10.77.1.1", "NumStrings": "x", "grid": {}}])",
         "records[0]: record: NumStrings"},
        {"no controllers", "{}", "\"controllers\" array"},
        {"no controller at all", R"({"controllers": []})", "is empty"},
        {"an entry that is no object", R"({"controllers": [7]})", "controllers[0]: expected an object"},
        {"an unknown key", R"({"controllers": [{"record": {"CurrentIP": "10.77.1.1"}, "layout": 8}]})",
         "unknown key \"layout\""},
        {"an unknown record field",
         R"({"controllers": [{"record": {"CurrentIP": "10.77.1.1", "Nick": "a"}}]})",
         "unknown field \"Nick\""},
        {"a field of the wrong kind",
         R"({"controllers": [)" + good + R"(, {"record": {"CurrentIP": "10.77.1.2", "NumStrings": "x"}}]})",
         "controllers[1]: record: NumStrings"},
        {"a value out of range", R"({"controllers": [{"record": {"CurrentIP": "10.77.1.1", "DHCP": 300}}]})",
         "DHCP"},
        {"a bad address", R"({"controllers": [{"record": {"CurrentIP": "10.77.1"}}]})", "CurrentIP"},
        {"no address", R"({"controllers": [{"layoutVersion": 8, "record": {}}]})", "CurrentIP\" is missing"},
        {"an unknown legacy model",
         R"({"controllers": [{"layoutVersion": 2, "wireModel": "Nodalux 8", "record": {"CurrentIP": "10.77.1.1"}}]})",
         "unknown legacy model"},
        {"a legacy length that does not exist",
         R"({"controllers": [{"layoutVersion": 2, "legacyLength": 390, "wireModel": "Nodalux 4",
                              "record": {"CurrentIP": "10.77.1.1"}}]})",
         "383, 384 or 388"},
        {"a layout version out of range",
         R"({"controllers": [{"layoutVersion": 256, "record": {"CurrentIP": "10.77.1.1"}}]})",
         "layoutVersion"},
        {"bootloader firmware as the application's",
         R"({"controllers": [{"layoutVersion": 8, "record": {"CurrentIP": "10.77.1.1", "Firmware": "Bootloader 1"}}]})",
         "\"bootloader\": true"},
        {"a model name too long for its length byte",
         R"({"controllers": [{"layoutVersion": 8, "record": {"CurrentIP": "10.77.1.1", "ModelName": ")" +
             QByteArray(300, 'M') + R"("}}]})",
         "model name longer than 255"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.what);
        const QString path = dir.filePath(QStringLiteral("fleet%1.json").arg(n++));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(tc.text);
        f.close();
        QString error;
        EXPECT_FALSE(loadFleet(path, error).has_value());
        EXPECT_TRUE(error.contains(QLatin1String(tc.message))) << error.toStdString();
        EXPECT_TRUE(error.contains(path)) << "the message names the file";
    }
    QString error;
    EXPECT_FALSE(loadFleet(dir.filePath(QStringLiteral("missing.json")), error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("cannot read"))) << error.toStdString();
}

} // namespace
