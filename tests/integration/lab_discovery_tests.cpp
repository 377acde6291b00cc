// Discovery end to end in the network lab: vantrel-cli on the pc side,
// nodalux-sim on the lan side, real sockets and broadcasts in between.
//
// Run through scripts/netlab.sh (CTest does); outside the lab the program
// exits 77 with the reason, which CTest counts as a skip.

#include <QCoreApplication>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <cstdio>
#include <optional>

#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "net/QtUdpEndpoint.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "tools/cli/DiscoverySession.h"
#include "tools/cli/GridTexts.h"
#include "tools/common/RecordJson.h"

#include "tests/support/LabProcess.h"

using namespace vantrel;
using labtest::Lab;
using labtest::RunResult;
using labtest::SimProcess;

namespace {

constexpr int kSimStartMs = 30000;
constexpr int kDumpMs = 30000;
// How long the default fleet gets to answer; the simulator's replies come
// within its maximum delay, well inside this.
constexpr int kListenMs = 2500;
constexpr int kScaleCount = 1000;
constexpr int kScaleListenMs = 20000;
constexpr int kScaleRounds = 3;
constexpr int kCliMarginMs = 30000;

// One controller of a simulator's fleet as its dump describes it, and the
// record the tool's readers must make of its reply.
struct FleetEntry {
    QJsonObject dumped;
    model::TNodaluxCtrl expected;
};

QByteArray bytesOf(const protocol::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// The reply a controller of this fleet entry sends, encoded from its dumped
// settings and decoded again by the tool's readers.
std::optional<model::TNodaluxCtrl> expectedRecord(const QJsonObject& entry, QString& error) {
    model::TNodaluxCtrl rec;
    if (!tools::recordFromJson(entry.value("record").toObject(), rec, &error))
        return std::nullopt;
    const int layout = entry.value("layoutVersion").toInt(-1);
    if (layout < 0 || layout > 255) {
        error = "no layoutVersion";
        return std::nullopt;
    }
    if (entry.value("bootloader").toBool())
        rec.Firmware = tools::fromQString(entry.value("bootloaderFirmware").toString());
    if (layout < protocol::kFirstCurrentVersion) {
        const auto length = static_cast<std::size_t>(entry.value("legacyLength").toInt());
        const std::u16string wire = tools::fromQString(entry.value("wireModel").toString());
        return protocol::readPollReplyV4Below(
            protocol::encodePollReplyV4Below(rec, static_cast<std::uint8_t>(layout), length, wire));
    }
    return protocol::readPollReply(protocol::encodePollReply(rec, static_cast<std::uint8_t>(layout)));
}

// A vantrel-cli discover --records answer, keyed by the listed IP text.
struct Listing {
    QJsonArray all;
    QHash<QString, QJsonObject> byIp;
    int duplicateIps = 0;
};

Listing parseListing(const QByteArray& json, QString& error) {
    Listing l;
    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &perr);
    if (!doc.isArray()) {
        error = "vantrel-cli printed no JSON array: " + perr.errorString();
        return l;
    }
    l.all = doc.array();
    for (const QJsonValue v : std::as_const(l.all)) {
        const QJsonObject o = v.toObject();
        const QString ip = o.value("CurrentIP").toString();
        if (l.byIp.contains(ip))
            ++l.duplicateIps;
        l.byIp.insert(ip, o);
    }
    return l;
}

// "datagrams 15, listed 15, ..." from vantrel-cli --stats.
QHash<QString, int> parseStats(const QByteArray& err) {
    QHash<QString, int> stats;
    static const QRegularExpression item(QStringLiteral("(datagrams|listed|duplicates|rejected|ignored) (\\d+)"));
    auto it = item.globalMatch(QString::fromUtf8(err));
    while (it.hasNext()) {
        const auto m = it.next();
        stats.insert(m.captured(1), m.captured(2).toInt());
    }
    return stats;
}

// The listed object must be the expected record under its field names plus the grid texts.
QString compareListed(const QJsonObject& listed, const model::TNodaluxCtrl& expected) {
    QJsonObject record = listed;
    const QJsonObject grid = record.take("grid").toObject();
    const QJsonObject want = tools::recordToJson(expected);
    if (record != want) {
        QStringList diff;
        for (auto it = want.begin(); it != want.end(); ++it) {
            if (record.value(it.key()) != it.value())
                diff << it.key() + ": listed " +
                            QString::fromUtf8(QJsonDocument(QJsonArray{record.value(it.key())}).toJson(QJsonDocument::Compact)) +
                            " expected " +
                            QString::fromUtf8(QJsonDocument(QJsonArray{it.value()}).toJson(QJsonDocument::Compact));
        }
        for (auto it = record.begin(); it != record.end(); ++it)
            if (!want.contains(it.key()))
                diff << it.key() + ": not a record field";
        return diff.join("; ");
    }
    const auto texts = cli::gridTexts(expected).columns();
    const QStringList names = cli::gridColumnNames();
    if (grid.size() != names.size())
        return "grid has " + QString::number(grid.size()) + " texts";
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (grid.value(names[i]).toString() != texts[static_cast<std::size_t>(i)])
            return "grid " + names[i] + ": listed \"" + grid.value(names[i]).toString() + "\" expected \"" +
                   texts[static_cast<std::size_t>(i)] + "\"";
    }
    return {};
}

} // namespace

class LabDiscoveryTest : public QObject {
    Q_OBJECT

    Lab m_lab;
    QTemporaryDir m_tmp;

    // The fleet nodalux-sim runs with these arguments, from its --dump-fleet.
    std::vector<FleetEntry> dumpFleet(const QStringList& simArgs) {
        const RunResult r = labtest::run(m_lab.simPath, simArgs + QStringList{"--dump-fleet"}, kDumpMs);
        if (!r.finished || r.exitCode != 0) {
            qWarning("nodalux-sim --dump-fleet failed (%d): %s", r.exitCode, r.err.constData());
            return {};
        }
        const QJsonObject root = QJsonDocument::fromJson(r.out).object();
        std::vector<FleetEntry> fleet;
        for (const QJsonValue v : root.value("controllers").toArray()) {
            QString error;
            const auto expected = expectedRecord(v.toObject(), error);
            if (!expected) {
                qWarning("fleet entry %zu cannot be encoded: %s", fleet.size(), qPrintable(error));
                return {};
            }
            fleet.push_back({v.toObject(), *expected});
        }
        return fleet;
    }

    RunResult discover(const QStringList& extra, int waitMs) {
        return labtest::run(m_lab.cliPath,
                            QStringList{"discover", "--adapter", m_lab.pcAddress, "--wait", QString::number(waitMs),
                                        "--stats"} +
                                extra,
                            waitMs + kCliMarginMs);
    }

    // Every controller of the fleet listed once, with the fields its reply carries.
    void verifyListing(const Listing& listing, const std::vector<FleetEntry>& fleet) {
        QCOMPARE(listing.duplicateIps, 0);
        QCOMPARE(listing.all.size(), qsizetype(fleet.size()));
        for (const FleetEntry& e : fleet) {
            const QString ip = QString::fromStdString(model::ipText(e.expected.CurrentIP));
            QVERIFY2(listing.byIp.contains(ip), qPrintable(ip + " is not listed"));
            const QString diff = compareListed(listing.byIp.value(ip), e.expected);
            QVERIFY2(diff.isEmpty(), qPrintable(ip + ": " + diff));
        }
    }

private slots:
    void initTestCase() {
        m_lab = Lab::fromEnvironment();
        QVERIFY2(m_lab.missing().isEmpty(), qPrintable(m_lab.missing()));
        QVERIFY(m_tmp.isValid());
    }

    // The default fleet answers one poll: every controller listed once, each
    // with every field its reply carries, and the grid texts; our own poll,
    // which comes back to the pc side, never reaches the readers.
    void defaultFleetIsListedOnce() {
        const std::vector<FleetEntry> fleet = dumpFleet({});
        QVERIFY2(fleet.size() >= 10, "the default fleet could not be read from --dump-fleet");
        QVERIFY(int(fleet.size()) <= m_lab.hosts);

        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {}, kSimStartMs, error), qPrintable(error));

        const RunResult r = discover({"--records"}, kListenMs);
        QVERIFY2(r.finished && r.exitCode == 0, r.err.constData());
        const Listing listing = parseListing(r.out, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        verifyListing(listing, fleet);

        // Only the replies reached the dispatch: the poll's echo was dropped.
        const auto stats = parseStats(r.err);
        QCOMPARE(stats.value("datagrams", -1), int(fleet.size()));
        QCOMPARE(stats.value("ignored", -1), 0);
        QCOMPARE(stats.value("rejected", -1), 0);
        QCOMPARE(stats.value("duplicates", -1), 0);

        // The CSV form lists the same controllers in grid columns.
        const RunResult csv = discover({"--csv"}, kListenMs);
        QVERIFY2(csv.finished && csv.exitCode == 0, csv.err.constData());
        const QStringList lines = QString::fromUtf8(csv.out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), "Model,Nickname,IP,Firmware,Temperature");
        QCOMPARE(lines.size(), qsizetype(fleet.size()) + 1);
    }

    // Two simulators hold the same addresses, so every controller answers the
    // poll twice from one address (with different nicknames): one entry each,
    // the other reply dropped as a duplicate.
    void twoRepliesFromOneAddressGiveOneEntry() {
        const std::vector<FleetEntry> fleet = dumpFleet({});
        QVERIFY(!fleet.empty());

        // The second fleet: the same controllers and addresses, other nicknames.
        QJsonArray twins;
        for (const FleetEntry& e : fleet) {
            QJsonObject entry = e.dumped;
            QJsonObject rec = entry.value("record").toObject();
            rec["Nickname"] = "Twin " + tools::toQString(model::nicknameText(e.expected));
            entry["record"] = rec;
            twins.append(entry);
        }
        const QString twinFile = m_tmp.filePath("twins.json");
        {
            QFile f(twinFile);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QJsonDocument(QJsonObject{{"controllers", twins}}).toJson());
        }
        const std::vector<FleetEntry> twinFleet = dumpFleet({"--fleet", twinFile});
        QCOMPARE(twinFleet.size(), fleet.size());

        SimProcess first, second;
        QString error;
        QVERIFY2(first.start(m_lab, {}, kSimStartMs, error), qPrintable(error));
        QVERIFY2(second.start(m_lab, {"--fleet", twinFile}, kSimStartMs, error),
                 qPrintable(error));

        const RunResult r = discover({"--records"}, kListenMs);
        QVERIFY2(r.finished && r.exitCode == 0, r.err.constData());
        const Listing listing = parseListing(r.out, error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(listing.duplicateIps, 0);
        QCOMPARE(listing.all.size(), qsizetype(fleet.size()));
        for (std::size_t i = 0; i < fleet.size(); ++i) {
            const QString ip = QString::fromStdString(model::ipText(fleet[i].expected.CurrentIP));
            const QJsonObject listed = listing.byIp.value(ip);
            // Whichever reply came first, the entry is that reply whole, never a mix.
            const QString asFirst = compareListed(listed, fleet[i].expected);
            const QString asTwin = compareListed(listed, twinFleet[i].expected);
            QVERIFY2(asFirst.isEmpty() || asTwin.isEmpty(), qPrintable(ip + ": " + asFirst + " / " + asTwin));
        }
        // Both replies of every address arrived; the second was dropped.
        const auto stats = parseStats(r.err);
        QCOMPARE(stats.value("listed", -1), int(fleet.size()));
        QCOMPARE(stats.value("duplicates", -1), int(fleet.size()));
        QCOMPARE(stats.value("datagrams", -1), 2 * int(fleet.size()));
    }

    // The tool's poll and identify broadcasts come back to the pc side (a
    // witness socket on the limited broadcast address hears them), but the
    // endpoint hands only the controllers' replies to the dispatch.
    void ownPollAndIdentifyAreDropped() {
        const std::vector<FleetEntry> fleet = dumpFleet({});
        QVERIFY(!fleet.empty());
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {}, kSimStartMs, error), qPrintable(error));

        QUdpSocket witness;
        QVERIFY(witness.bind(QHostAddress(QHostAddress::Broadcast), protocol::kPort,
                             QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));

        net::QtUdpEndpoint endpoint;
        QVERIFY2(endpoint.bind(QHostAddress(m_lab.pcAddress)), "cannot bind the lab's pc address");
        cli::DiscoverySession session(endpoint);
        QVERIFY(session.start());

        // Identify for a protocol-8 controller of the fleet, then stop it again.
        const FleetEntry* target = nullptr;
        for (const FleetEntry& e : fleet)
            if (e.expected.QorvanaProtVer == protocol::kIdentifyVersion && !model::isBootloader(e.expected))
                target = &e;
        QVERIFY2(target != nullptr, "the default fleet has no protocol-8 controller");
        const QByteArray identify = bytesOf(*protocol::buildIdentify(target->expected, true));
        const QByteArray identifyStop = bytesOf(*protocol::buildIdentify(target->expected, false));
        QVERIFY(endpoint.send("255.255.255.255", identify));
        QVERIFY(endpoint.send("255.255.255.255", identifyStop));

        QTRY_COMPARE_WITH_TIMEOUT(session.stats().listed, int(fleet.size()), kListenMs);
        QTest::qWait(kListenMs / 2); // let any late echo arrive

        QList<QByteArray> echoes;
        while (witness.hasPendingDatagrams()) {
            const QNetworkDatagram d = witness.receiveDatagram();
            if (d.senderAddress().isEqual(QHostAddress(m_lab.pcAddress), QHostAddress::TolerantConversion))
                echoes << d.data();
        }
        QVERIFY2(echoes.contains(bytesOf(protocol::buildPoll())), "the poll did not come back: the test proves nothing");
        QVERIFY2(echoes.contains(identify), "the identify did not come back: the test proves nothing");
        QVERIFY(echoes.contains(identifyStop));

        const cli::DiscoveryStats& s = session.stats();
        QCOMPARE(s.datagrams, int(fleet.size()));
        QCOMPARE(s.ignored, 0);
        QCOMPARE(s.rejected, 0);
        QCOMPARE(s.duplicates, 0);
    }

    // A second copy on the same adapter cannot bind: a clear message and exit
    // code 4; once the first copy has let go, discovery works.
    void secondCopyCannotBind() {
        {
            net::QtUdpEndpoint first;
            QVERIFY(first.bind(QHostAddress(m_lab.pcAddress)));
            const RunResult r = discover({"--csv"}, 0);
            QVERIFY(r.finished);
            QCOMPARE(r.exitCode, 4);
            QVERIFY2(r.err.contains("Could not bind network port. Maybe another instance is running already?"),
                     r.err.constData());
            QVERIFY(r.out.isEmpty());
        }
        const RunResult r = discover({"--csv"}, 0);
        QVERIFY2(r.finished && r.exitCode == 0, r.err.constData());

        // An address that is not one of the PC's is refused before anything is bound.
        const RunResult wrong = labtest::run(m_lab.cliPath, {"discover", "--adapter", "10.77.1.1"}, kCliMarginMs);
        QCOMPARE(wrong.exitCode, 3);
        QVERIFY(wrong.err.contains("is not one of this PC's adapter addresses"));
    }

    // 1000 simulated controllers answer one poll; all 1000 are listed, none lost.
    void thousandControllersAreAllListed() {
        QVERIFY2(m_lab.hosts >= kScaleCount, "run this test in a lab of 1000 hosts (netlab.sh --hosts 1000)");
        const QStringList simArgs{"--count", QString::number(kScaleCount), "--first-ip", "10.77.1.1"};
        const std::vector<FleetEntry> fleet = dumpFleet(simArgs);
        QCOMPARE(int(fleet.size()), kScaleCount);

        // No packet log: the simulator answers as fast as it can, the burst a
        // large installation produces.
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, simArgs, kSimStartMs, error),
                 qPrintable(error));

        // The addresses are the lab's hosts 1..1000.
        QSet<QString> expectedIps;
        for (int k = 0; k < kScaleCount; ++k)
            expectedIps.insert(QStringLiteral("10.77.%1.%2").arg(1 + k / 250).arg(1 + k % 250));

        // Several searches, each one poll: a reply lost to a full buffer or a
        // reader that stopped reading shows in some of them, not always in the first.
        for (int round = 1; round <= kScaleRounds; ++round) {
            const RunResult r = discover({"--records", "--expect", QString::number(kScaleCount)}, kScaleListenMs);
            QVERIFY2(r.finished && r.exitCode == 0,
                     qPrintable(QStringLiteral("search %1 of %2: ").arg(round).arg(kScaleRounds) +
                                QString::fromUtf8(r.err)));
            const Listing listing = parseListing(r.out, error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            verifyListing(listing, fleet);
            QCOMPARE(QSet<QString>(listing.byIp.keyBegin(), listing.byIp.keyEnd()), expectedIps);
        }
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString missing = Lab::fromEnvironment().missing();
    if (!Lab::fromEnvironment().inLab) {
        std::fprintf(stderr, "skipped: %s\n", qPrintable(missing));
        return 77;
    }
    LabDiscoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "lab_discovery_tests.moc"
