// vantrel-cli's commands on controllers, against the simulator's controllers
// behind an in-process endpoint: what goes out byte for byte, what is
// verified, partial failures (one refuses, one vanishes, one never answers),
// confirmation and Ctrl-C.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "model/Settings.h"
#include "model/Text.h"
#include "net/Datagrams.h"
#include "net/testing/FakeAdapterProvider.h"
#include "protocol/ConfigPackets.h"
#include "protocol/PollReply.h"
#include "protocol/TestPackets.h"
#include "tests/cli/SimulatedFleet.h"
#include "tools/cli/CliApp.h"
#include "tools/common/RecordJson.h"

using namespace vantrel;
using testing::SimulatedFleet;

namespace {

const QList<net::Adapter> kLab{net::Adapter{"10.77.0.1", "255.255.0.0", "vpc"}};
constexpr int kWaitMs = 300;

// The default fleet, by the lab host each controller answers from.
constexpr int kLegacy16 = 0;       // 10.77.1.1, Nodalux 16, V1.2.8
constexpr int kCurrent5 = 7;       // 10.77.1.8, protocol 5
constexpr int kCurrent7 = 9;       // 10.77.1.10, protocol 7, 32 outputs
constexpr int kArvello8 = 10;      // 10.77.1.11, protocol 7
constexpr int kEightSixteen = 11;  // 10.77.1.12, protocol 8
constexpr int kEightFour = 12;     // 10.77.1.13, protocol 8, RGBW
constexpr int kBootloader = 14;    // 10.77.1.15, protocol 8 in its bootloader

QString hostOf(int index) { return QStringLiteral("10.77.1.%1").arg(index + 1); }

QByteArray bytes(const protocol::Bytes& b) { return net::toByteArray(b); }

struct Run {
    int code = -1;
    QString out;
    QString err;
    QJsonArray json() const { return QJsonDocument::fromJson(out.toUtf8()).array(); }
};

class Rig {
public:
    SimulatedFleet fleet{sim::defaultFleet()};
    net::testing::FakeAdapterProvider adapters{kLab};
    QList<net::FirmwareUploadRequest> uploads;
    cli::Terminal terminal;
    std::function<void(cli::CliApp&)> whileRunning;

    // What the tool's readers make of controller i's reply now.
    model::TNodaluxCtrl listed(int i) const {
        const auto& c = fleet.simulator().controllers()[static_cast<std::size_t>(i)];
        const auto bytes = c.replyBytes();
        return *(bytes[11] < protocol::kFirstCurrentVersion ? protocol::readPollReplyV4Below(bytes)
                                                             : protocol::readPollReply(bytes));
    }

    Run run(const QStringList& args) {
        cli::CliApp app(adapters, fleet);
        cli::CliEnvironment env = app.environment();
        env.terminal = terminal;
        env.timing = {.settleMs = 1, .bootloaderPauseMs = 1, .bootloaderWaitMs = 400, .restartWaitMs = 400,
                      .searchEveryMs = 50, .readdressTries = 2};
        env.makeUpload = [this] { return std::make_unique<testing::SimulatedUpload>(fleet, uploads); };
        app.setEnvironment(env);
        if (whileRunning) whileRunning(app);
        Run r;
        QTextStream out(&r.out);
        QTextStream err(&r.err);
        r.code = app.run(QStringList{args.first(), "--adapter", "10.77.0.1", "--wait", QString::number(kWaitMs)} +
                             args.mid(1),
                         out, err);
        fleet.onSend = {};
        return r;
    }
};

QStringList targets(std::initializer_list<int> indexes) {
    QStringList args;
    for (int i : indexes) args << "--target" << hostOf(i);
    return args;
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QJsonObject resultFor(const Run& r, int index) {
    for (const QJsonValue v : r.json())
        if (v.toObject().value("ip").toString() == hostOf(index)) return v.toObject();
    return {};
}

} // namespace

class FleetCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void commandLinesOfTheFleetCommands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error"); // empty: accepted
        const QStringList a{"--adapter", "10.77.0.1"};
        QTest::newRow("backup") << (QStringList{"backup"} + a + QStringList{"--target", "all", "--out", "d"}) << "";
        QTest::newRow("restore needs --from") << (QStringList{"restore"} + a + QStringList{"--target", "all"})
                                              << "restore needs --from";
        QTest::newRow("set needs a setting") << (QStringList{"set"} + a + QStringList{"--target", "all"})
                                             << "set needs at least one KEY=VALUE";
        QTest::newRow("set with settings") << (QStringList{"set"} + a + QStringList{"--target", "nickname:Bar", "pixels=5", "--yes"}) << "";
        QTest::newRow("target by MAC with dashes")
            << (QStringList{"identify"} + a + QStringList{"--target", "02-4E-4C-00-00-0C", "--start"}) << "";
        QTest::newRow("a target that is nothing")
            << (QStringList{"identify"} + a + QStringList{"--target", "stage", "--start"}) << "--target \"stage\" is none of";
        QTest::newRow("no target") << (QStringList{"backup"} + a + QStringList{"--out", "d"}) << "backup needs --target";
        QTest::newRow("identify needs an action") << (QStringList{"identify"} + a + QStringList{"--target", "all"})
                                                  << "identify needs --start, --stop or --seconds N";
        QTest::newRow("two identify actions")
            << (QStringList{"identify"} + a + QStringList{"--target", "all", "--start", "--stop"}) << "choose one of --start";
        QTest::newRow("test mode") << (QStringList{"test"} + a + QStringList{"--target", "all", "--mode", "sparkle"})
                                   << "--mode must be one of none|rgbw-cycle|red";
        QTest::newRow("test colour") << (QStringList{"test"} + a + QStringList{"--target", "all", "--mode", "color", "--color", "1,2"})
                                     << "--color needs R,G,B or R,G,B,W";
        QTest::newRow("pixel without pixel mode")
            << (QStringList{"test"} + a + QStringList{"--target", "all", "--mode", "red", "--pixel", "3"}) << "--pixel goes with --mode pixel";
        QTest::newRow("readdress both ways")
            << (QStringList{"readdress"} + a + QStringList{"--mac", "02:4e:4c:00:00:0c", "--dhcp", "--ip", "10.0.0.1"})
            << "either --dhcp or --ip";
        QTest::newRow("readdress without mask") << (QStringList{"readdress"} + a + QStringList{"--mac", "02:4e:4c:00:00:0c", "--ip", "10.0.0.1"})
                                                << "--ip A.B.C.D with --mask M";
        QTest::newRow("option of another command") << (QStringList{"backup"} + a + QStringList{"--target", "all", "--out", "d", "--yes"})
                                                   << "backup does not take \"--yes\"";
        QTest::newRow("version") << QStringList{"--version"} << "";
        QTest::newRow("help of a command") << QStringList{"restore", "--help"} << "";
    }

    void commandLinesOfTheFleetCommands() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const cli::ParseResult r = cli::parseArguments(args);
        QCOMPARE(r.ok, error.isEmpty());
        if (!error.isEmpty()) QVERIFY2(r.error.contains(error), qPrintable(r.error));
    }

    void everyCommandHasItsHelpAndTheToolItsVersion() {
        Rig rig;
        for (const char* command : {"adapters", "discover", "backup", "restore", "set", "identify", "test", "readdress", "firmware"}) {
            const Run r = rig.run({command, "--help"});
            QCOMPARE(r.code, 0);
            QVERIFY2(r.out.startsWith(QStringLiteral("usage: vantrel-cli ") + command), qPrintable(r.out));
        }
        cli::CliApp app(rig.adapters, rig.fleet);
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(app.run({"--version"}, o, e), 0);
        QCOMPARE(out, "vantrel-cli " + cli::versionText() + "\n");
        QVERIFY(rig.fleet.sent.isEmpty());
    }

    // Every controller that answers gets its settings file; the one in its
    // bootloader has none and is reported.
    void backupWritesEachControllersSettingsFile() {
        Rig rig;
        QTemporaryDir dir;
        const Run r = rig.run({"backup", "--target", "all", "--out", dir.path(), "--json"});
        QCOMPARE(r.code, cli::ExitCode::Failed);
        const QJsonArray results = r.json();
        QCOMPARE(results.size(), 15);
        for (int i = 0; i < 15; ++i) {
            const QJsonObject o = resultFor(r, i);
            const model::TNodaluxCtrl listed = rig.listed(i);
            if (i == kBootloader) {
                QCOMPARE(o["result"].toString(), "failed");
                QVERIFY(o["message"].toString().contains("bootloader"));
                continue;
            }
            QCOMPARE(o["result"].toString(), "ok");
            QFile f(QDir(dir.path()).filePath(QString::fromStdString(model::settingsFileName(listed))));
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
            QCOMPARE(f.readAll().toStdString(), *model::settingsFileText(listed));
        }
        QCOMPARE(rig.fleet.sentWith(protocol::Opcode::Config).size(), 0);

        // One controller named by its address: PATH is the file.
        const QString one = dir.filePath("stage.json");
        const Run single = rig.run({"backup", "--target", hostOf(kEightSixteen), "--out", one});
        QCOMPARE(single.code, 0);
        QVERIFY(QFile::exists(one));
        QVERIFY2(single.out.contains("10.77.1.12 02-4E-4C-00-00-0C \"Eight Sixteen\": ok: wrote"), qPrintable(single.out));
    }

    // set sends each controller the configuration built from its record with
    // the change, checks what it reports afterwards, and asks before changing several.
    void setChangesSeveralControllersAfterConfirmation() {
        Rig rig;
        const QStringList args = QStringList{"set"} + targets({kEightSixteen, kEightFour}) + QStringList{"nickname=Stage", "gamma=2.5"};
        Run r = rig.run(args);
        QCOMPARE(r.code, cli::ExitCode::NotConfirmed);
        QVERIFY2(r.err.contains("Change 2 controllers needs --yes"), qPrintable(r.err));
        QVERIFY(rig.fleet.sentWith(protocol::Opcode::Config).isEmpty());

        QStringList answers{"n"};
        rig.terminal = {.canConfirm = true, .readAnswer = [&] { return answers.takeFirst(); }};
        r = rig.run(args);
        QCOMPARE(r.code, cli::ExitCode::NotConfirmed);
        QVERIFY(r.err.contains("Change 2 controllers? [y/N]"));
        QVERIFY(r.err.contains("nickname: \"Eight Sixteen\" \u2192 \"Stage\""));
        QVERIFY(rig.fleet.sentWith(protocol::Opcode::Config).isEmpty());

        const model::TNodaluxCtrl before[] = {rig.listed(kEightSixteen), rig.listed(kEightFour)};
        answers = {"y"};
        r = rig.run(args + QStringList{"--json"});
        QCOMPARE(r.code, 0);
        const auto configs = rig.fleet.sentWith(protocol::Opcode::Config);
        QCOMPARE(configs.size(), 2);
        for (int k = 0; k < 2; ++k) {
            const int i = k == 0 ? kEightSixteen : kEightFour;
            model::TNodaluxCtrl expected = before[k];
            model::setNickname(expected, u"Stage", 39);
            expected.Gamma = {25, 25, 25, 25};
            QCOMPARE(configs[k].ip, hostOf(i));
            QCOMPARE(configs[k].bytes, bytes(*protocol::buildConfigAsSent(expected)));
            QCOMPARE(model::nicknameText(rig.listed(i)), u"Stage");
            const QJsonObject o = resultFor(r, i);
            QCOMPARE(o["result"].toString(), "ok");
            QCOMPARE(o["action"].toString(), "set");
            QCOMPARE(o["message"].toString(), "5 change(s) sent and verified");
            QCOMPARE(o["changes"].toArray()[0].toObject(),
                     (QJsonObject{{"key", "nickname"}, {"old", k == 0 ? "Eight Sixteen" : "Eight Four"}, {"new", "Stage"}}));
        }
    }

    // The acceptance in miniature: back up, change, restore. Every controller
    // reports its original settings, and each restore packet is the
    // configuration the window's untouched OK sends for the original controller.
    void restoreBringsBackTheBackup() {
        Rig rig;
        QTemporaryDir dir;
        const std::vector<int> changed{kLegacy16, 2, kCurrent5, kCurrent7, kEightSixteen};
        std::vector<model::TNodaluxCtrl> original;
        for (int i : changed) original.push_back(rig.listed(i));
        QCOMPARE(rig.run({"backup", "--target", "all", "--out", dir.path()}).code, cli::ExitCode::Failed);

        QStringList args{"set"};
        for (int i : changed) args << "--target" << hostOf(i);
        args << "nickname=Changed" << "start_universe=40" << "gamma=2.5" << "--yes";
        Run r = rig.run(args);
        QVERIFY2(r.code == 0, qPrintable(r.out));

        rig.fleet.sent.clear();
        QStringList restore{"restore", "--from", dir.path(), "--yes"};
        for (int i : changed) restore << "--target" << hostOf(i);
        r = rig.run(restore);
        QCOMPARE(r.code, 0);
        const auto configs = rig.fleet.sentWith(protocol::Opcode::Config);
        for (std::size_t k = 0; k < changed.size(); ++k) {
            const model::TNodaluxCtrl now = rig.listed(changed[k]);
            QVERIFY2(model::settingsDifferences(original[k], now).empty(), qPrintable(hostOf(changed[k])));
            for (const auto& sent : configs)
                if (sent.ip == hostOf(changed[k]))
                    QCOMPARE(sent.bytes, bytes(*protocol::buildConfigAsSent(original[k])));
        }
        QVERIFY(!configs.isEmpty());

        // Nothing left to change: nothing is sent.
        rig.fleet.sent.clear();
        r = rig.run(restore);
        QCOMPARE(r.code, 0);
        QVERIFY(rig.fleet.sentWith(protocol::Opcode::Config).isEmpty());
        QVERIFY(r.out.contains("it has these settings already; nothing sent"));
    }

    // Several targets: one takes the change, one refuses it, one vanishes
    // after it, one never answers. Each is reported; nothing goes to the silent one.
    void partialFailuresAreReportedOneByOne() {
        Rig rig;
        rig.fleet.refuses = {kEightFour};
        rig.fleet.vanishesAfterChange = {kArvello8};
        rig.fleet.silent = {kCurrent7};
        const Run r = rig.run(QStringList{"set"} + targets({kEightSixteen, kEightFour, kArvello8, kCurrent7}) +
                              QStringList{"nickname=Bar", "--yes", "--json"});
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QCOMPARE(resultFor(r, kEightSixteen)["result"].toString(), "ok");
        QCOMPARE(resultFor(r, kEightFour)["result"].toString(), "failed");
        QVERIFY(resultFor(r, kEightFour)["message"].toString().contains("configuration sent, but it reports nickname \"Eight Four\" (sent \"Bar\")"));
        QCOMPARE(resultFor(r, kArvello8)["message"].toString(), "configuration sent, but it did not answer the search that followed");
        bool unresolved = false;
        for (const QJsonValue v : r.json()) {
            const QJsonObject o = v.toObject();
            if (o["target"].toString() != hostOf(kCurrent7)) continue;
            unresolved = true;
            QVERIFY(o["ip"].isNull());
            QCOMPARE(o["result"].toString(), "failed");
            QVERIFY(o["message"].toString().startsWith("no controller answered as 10.77.1.10"));
        }
        QVERIFY(unresolved);
        QStringList destinations;
        for (const auto& s : rig.fleet.sentWith(protocol::Opcode::Config)) destinations << s.ip;
        QCOMPARE(destinations, (QStringList{hostOf(kArvello8), hostOf(kEightSixteen), hostOf(kEightFour)}));
    }

    // Ctrl-C after the first configuration: nothing more is sent, and what
    // was done is reported.
    void ctrlCStopsSendingAndReports() {
        Rig rig;
        cli::CliApp* running = nullptr;
        rig.whileRunning = [&](cli::CliApp& app) { running = &app; };
        rig.fleet.onSend = [&](const SimulatedFleet::Sent& s) {
            if (s.opcode() == protocol::Opcode::Config) running->interruption().request();
        };
        const Run r = rig.run(QStringList{"set"} + targets({kArvello8, kEightSixteen, kEightFour}) + QStringList{"nickname=Cut", "--yes"});
        QCOMPARE(r.code, cli::ExitCode::Interrupted);
        QCOMPARE(rig.fleet.sentWith(protocol::Opcode::Config).size(), 1);
        QCOMPARE(rig.fleet.sentWith(protocol::Opcode::Poll).size(), 1); // no search after Ctrl-C
        QVERIFY2(r.out.contains("10.77.1.11 02-4E-4C-00-00-0B \"Seven Eight\": failed: configuration sent; not verified (interrupted)"), qPrintable(r.out));
        QCOMPARE(r.out.count("skipped: interrupted before it was sent; nothing sent"), 2);
    }

    void dryRunShowsTheChangesAndSendsNothing() {
        Rig rig;
        const Run r = rig.run(QStringList{"set"} + targets({kEightSixteen, kEightFour}) + QStringList{"pixels=100", "--dry-run"});
        QCOMPARE(r.code, 0);
        QVERIFY(rig.fleet.sentWith(protocol::Opcode::Config).isEmpty());
        QVERIFY2(r.out.contains("ok: dry run: 1 change(s), nothing sent\n    pixels: 200 \u2192 100"), qPrintable(r.out));
    }

    void settingsThatCannotBeUsedSendNothing() {
        Rig rig;
        QTemporaryDir dir;
        const QString bad = dir.filePath("bad.json");
        QVERIFY(writeFile(bad, R"({"format":"vantrel-settings","version":2,"identity":{},"settings":{}})"));
        Run r = rig.run(QStringList{"restore", "--from", bad} + targets({kEightSixteen}));
        QCOMPARE(r.code, cli::ExitCode::FileUnusable);
        QVERIFY2(r.err.contains("version: 2 is not allowed; allowed: 1"), qPrintable(r.err));
        r = rig.run(QStringList{"set", "pixels=lots"} + targets({kEightSixteen}));
        QCOMPARE(r.code, cli::ExitCode::Usage);
        QVERIFY(r.err.contains("pixels: \"lots\" is not allowed; allowed: a whole number"));
        // A value the controller does not allow fails that controller only.
        r = rig.run(QStringList{"set", "pixels=2000", "--yes"} + targets({kEightSixteen, kEightFour}));
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QVERIFY(r.out.contains("pixels: 2000 is not allowed; allowed: 1 to 1020"));
        QVERIFY(r.out.contains("pixels: 2000 is not allowed; allowed: 1 to 510"));
        QVERIFY(rig.fleet.sentWith(protocol::Opcode::Config).isEmpty());
        // One file's network onto several controllers would give them one address.
        const QString one = dir.filePath("one.json");
        QCOMPARE(rig.run({"backup", "--target", hostOf(kEightSixteen), "--out", one}).code, 0);
        r = rig.run(QStringList{"restore", "--from", one, "--with-network", "--yes"} + targets({kEightSixteen, kEightFour}));
        QCOMPARE(r.code, cli::ExitCode::Usage);
        QVERIFY(rig.fleet.sentWith(protocol::Opcode::Config).isEmpty());
    }

    void identifyStartsAndStopsByMac() {
        Rig rig;
        const model::TNodaluxCtrl c = rig.listed(kEightSixteen);
        Run r = rig.run(QStringList{"identify", "--start"} + targets({kEightSixteen, kArvello8}));
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QVERIFY(r.out.contains("identify needs protocol 8; it speaks protocol 7"));
        QVERIFY(rig.fleet.simulator().controllers()[kEightSixteen].identifying);
        auto sent = rig.fleet.sentWith(protocol::Opcode::Identify);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].ip, "255.255.255.255");
        QCOMPARE(sent[0].bytes, bytes(*protocol::buildIdentify(c, true)));

        rig.fleet.sent.clear();
        r = rig.run(QStringList{"identify", "--seconds", "1"} + targets({kEightSixteen}));
        QCOMPARE(r.code, 0);
        sent = rig.fleet.sentWith(protocol::Opcode::Identify);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[1].bytes, bytes(*protocol::buildIdentify(c, false)));
        QVERIFY(!rig.fleet.simulator().controllers()[kEightSixteen].identifying);
    }

    void testSendsWhatTheTestTabSendsAndWaitsForTheReport() {
        Rig rig;
        model::TNodaluxCtrl c = rig.listed(kEightSixteen);
        Run r = rig.run(QStringList{"test", "--mode", "color", "--color", "10,20,30,40", "--output", "2"} + targets({kEightSixteen}));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("ok: it runs color"), qPrintable(r.out));
        c.TestModeCols = {10, 20, 30, 40};
        c.TestOutputNum = 2;
        const auto sent = rig.fleet.sentWith(protocol::Opcode::TestSet);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].ip, hostOf(kEightSixteen));
        QCOMPARE(sent[0].bytes, bytes(*protocol::buildTestSet(c, 6)));

        // A controller that does not report its test times out; one beyond its pixels is refused.
        rig.fleet.noTestReports = {kEightFour};
        r = rig.run(QStringList{"test", "--mode", "red"} + targets({kEightFour}));
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QVERIFY2(r.out.contains("test sent; it did not report its test within 0.3 s"), qPrintable(r.out));
        r = rig.run(QStringList{"test", "--mode", "pixel", "--pixel", "5000"} + targets({kEightSixteen, kArvello8}));
        QVERIFY(r.out.contains("pixel 5000: the test reaches pixel 200 on all outputs"));
        QVERIFY(r.out.contains("the single-pixel test needs protocol 8; it speaks protocol 7"));
    }

    void readdressMovesOneControllerAndChecksItsNewAddress() {
        Rig rig;
        const model::TNodaluxCtrl c = rig.listed(kEightSixteen);
        const QString mac = QString::fromStdString(model::macText(c.MAC)).replace('-', ':').toLower();
        Run r = rig.run({"readdress", "--mac", mac, "--ip", hostOf(kEightFour), "--mask", "255.255.0.0"});
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QVERIFY2(r.out.contains("10.77.1.13 is in use by 02-4E-4C-00-00-0D; nothing sent"), qPrintable(r.out));

        r = rig.run({"readdress", "--mac", mac, "--ip", "10.77.1.40", "--mask", "255.255.0.0"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("ok: it answers at 10.77.1.40"), qPrintable(r.out));
        model::TNodaluxCtrl expected = c;
        expected.StaticIP = {10, 77, 1, 40};
        const auto sent = rig.fleet.sentWith(protocol::Opcode::NetworkSettings);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].ip, "255.255.255.255");
        QCOMPARE(sent[0].bytes, bytes(*protocol::buildNetworkSettings(expected)));

        r = rig.run({"readdress", "--mac", "02:00:00:00:00:99", "--dhcp"});
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QVERIFY(r.out.contains("no controller answered with MAC 02-00-00-00-00-99"));
    }

    void firmwareTriggersUploadsAndWaitsForTheApplication() {
        Rig rig;
        QTemporaryDir dir;
        const QString mk2 = dir.filePath("Nodalux16-MkII-V2.4.hex");
        QVERIFY(writeFile(mk2, ":00000001FF\n"));
        const model::TNodaluxCtrl c = rig.listed(kEightSixteen);
        Run r = rig.run(QStringList{"firmware", "--file", mk2, "--yes"} + targets({kEightSixteen, kBootloader}));
        QCOMPARE(r.code, 0);
        const auto triggers = rig.fleet.sentWith(protocol::Opcode::BootloaderTrigger);
        QCOMPARE(triggers.size(), 1); // the controller in its bootloader needs none
        QCOMPARE(triggers[0].bytes, bytes(*protocol::buildBootloaderTrigger(c)));
        QCOMPARE(rig.uploads.size(), 2);
        QCOMPARE(rig.uploads[0].host, hostOf(kEightSixteen));
        QCOMPARE(rig.uploads[0].header, QByteArray("Firmware Nodalux 16\r\n"));
        QCOMPARE(rig.uploads[0].pauseMs, 2000);
        QCOMPARE(rig.uploads[0].file, QByteArray(":00000001FF\n"));
        QVERIFY2(r.out.contains("ok: 12 bytes sent; it runs V2.3.1 at 10.77.1.12"), qPrintable(r.out));
        QVERIFY(!rig.fleet.simulator().controllers()[kBootloader].bootloader);

        // A file of the other generation needs --force; a name without .hex is no firmware file.
        const QString first = dir.filePath("Nodalux16-V1.4.hex");
        QFile::copy(mk2, first);
        r = rig.run(QStringList{"firmware", "--file", first} + targets({kEightSixteen}));
        QCOMPARE(r.code, cli::ExitCode::Failed);
        QVERIFY(r.out.contains("other hardware generation than this \"Nodalux 16 MkII\"; give --force"));
        r = rig.run(QStringList{"firmware", "--file", dir.filePath("fw.bin")} + targets({kEightSixteen}));
        QCOMPARE(r.code, cli::ExitCode::FileUnusable);
        QCOMPARE(rig.uploads.size(), 2);
    }

    void discoverPrintsIdentityAndStatusOrRecords() {
        Rig rig;
        Run r = rig.run({"discover", "--json"});
        QCOMPARE(r.code, 0);
        const QJsonArray status = r.json();
        QCOMPARE(status.size(), 15);
        const QJsonObject first = status[0].toObject();
        QCOMPARE(first, QJsonDocument::fromJson(QByteArray::fromStdString(model::statusJson(rig.listed(0)))).object());
        QCOMPARE(first["firmware"].toString(), "V1.2.8");
        QCOMPARE(status[kBootloader].toObject()["bootloader"].toBool(), true);

        r = rig.run({"discover", "--records"});
        QJsonObject record = r.json()[kEightSixteen].toObject();
        record.remove("grid");
        QCOMPARE(record, tools::recordToJson(rig.listed(kEightSixteen)));
    }
};

QTEST_GUILESS_MAIN(FleetCommandsTest)
#include "test_fleet_commands.moc"
