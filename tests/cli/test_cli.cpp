// vantrel-cli without sockets: the command line, the grid texts, the output
// formats, and the commands against the in-process endpoint and adapter list.

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTest>
#include <QTimer>

#include <functional>

#include "model/NodaluxCtrl.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "tools/cli/CliApp.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/DiscoverySession.h"
#include "tools/cli/GridTexts.h"
#include "tools/cli/OutputFormat.h"
#include "tools/common/RecordJson.h"

using namespace vantrel;
using vantrel::net::testing::FakeAdapterProvider;
using vantrel::net::testing::FakeUdpEndpoint;

namespace {

const QString kDegree = QString(QChar(0x00B0));

QByteArray toQByteArray(const protocol::Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// A protocol-8 controller with four outputs, one DMX output, two drivers and two banks.
model::TNodaluxCtrl currentController(model::Ip4 ip, std::u16string_view nickname) {
    model::TNodaluxCtrl c;
    c.CurrentIP = ip;
    c.CurrentSM = {255, 255, 0, 0};
    c.MAC = {0x02, 0x4E, 0x4C, 0x00, ip[2], ip[3]};
    c.QorvanaProtVer = 8;
    c.ModelName = u"Nodalux Pro 32";
    c.HwRev = 2;
    c.MinVantrelVer = {2, 3, 0};
    c.Firmware = u"V2.1.0";
    c.StaticIP = ip;
    c.SM = {255, 255, 0, 0};
    c.NumStrings = 4;
    for (int i = 0; i < 4; ++i) {
        c.NumNodes[i] = 170;
        c.AdvUniv[i] = static_cast<std::uint16_t>(1 + i);
        c.AdvChan[i] = 1;
        c.Grouping[i] = 1;
        c.Brightness[i] = 100;
    }
    c.MaxPixels = 1024;
    c.DMXOutputs = 1;
    c.DmxOutOn[0] = 1;
    c.DmxOutUniv[0] = 9;
    c.DmxSacnCapable = true;
    c.DmxArtNetCapable = true;
    c.NumDrivers = 2;
    c.DriverNameLength = 6;
    c.DriverType = {1, 2};
    c.DriverSpeed = {0, 4};
    c.DriverExpandable = {0, 1};
    c.DriverNames = {u"WS2811", u"APA102"};
    c.Gamma = {22, 22, 22, 22};
    c.Temperature = 453;
    c.FanTemp = 50;
    c.NumBanks = 2;
    c.Voltage = {120, 121, 0, 0};
    model::setNickname(c, nickname);
    return c;
}

model::TNodaluxCtrl legacyController(model::Ip4 ip, std::u16string_view nickname) {
    model::TNodaluxCtrl c;
    c.CurrentIP = ip;
    c.CurrentSM = {255, 255, 0, 0};
    c.MAC = {0x02, 0x4E, 0x4C, 0x01, ip[2], ip[3]};
    c.Firmware = u"V1.4.10";
    c.NumStrings = 16;
    c.Temperature = 0xFFFF;
    model::setNickname(c, nickname);
    return c;
}

protocol::Bytes currentReply(const model::TNodaluxCtrl& c) { return protocol::encodePollReply(c, 8); }
protocol::Bytes legacyReply(const model::TNodaluxCtrl& c) {
    return protocol::encodePollReplyV4Below(c, 4, 388, u"Nodalux 16 LR");
}

// What the program's readers make of the reply: the record the output must show.
model::TNodaluxCtrl decoded(const protocol::Bytes& reply) {
    const auto r = reply.size() > 11 && reply[11] < 5 ? protocol::readPollReplyV4Below(reply)
                                                       : protocol::readPollReply(reply);
    if (!r)
        qFatal("fixture reply does not decode");
    return *r;
}

struct RunResult {
    int code = -1;
    QString out;
    QString err;
};

// Runs one command line; `whileWaiting` runs from the event loop once discover waits.
RunResult runCli(const QStringList& args, const QList<net::Adapter>& adapters, FakeUdpEndpoint& endpoint,
                 const std::function<void()>& whileWaiting = {}) {
    FakeAdapterProvider provider(adapters);
    cli::CliApp app(provider, endpoint);
    RunResult r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    if (whileWaiting)
        QTimer::singleShot(0, whileWaiting);
    r.code = app.run(args, out, err);
    return r;
}

const QList<net::Adapter> kLabAdapters{
    net::Adapter{QStringLiteral("10.77.0.1"), QStringLiteral("255.255.0.0"), QStringLiteral("vpc")},
    net::Adapter{QStringLiteral("172.31.77.1"), QStringLiteral("255.255.255.0"), QStringLiteral("vpcx")},
};

} // namespace

class CliTest : public QObject {
    Q_OBJECT

private slots:
    // --- the command line ---

    void parsesCommandLines_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<int>("waitMs");
        QTest::addColumn<int>("expect");
        QTest::addColumn<QString>("errorPart");

        const int help = int(cli::Command::Help), adapters = int(cli::Command::Adapters),
                  discover = int(cli::Command::Discover);
        const int table = int(cli::Format::Table), json = int(cli::Format::Json), csv = int(cli::Format::Csv);
        const int wait = cli::CliOptions::kDefaultWaitMs;
        const QString ip = QStringLiteral("10.77.0.1");

        QTest::newRow("help") << QStringList{"help"} << true << help << table << QString() << wait << 0 << QString();
        QTest::newRow("--help") << QStringList{"--help"} << true << help << table << QString() << wait << 0
                                << QString();
        QTest::newRow("adapters") << QStringList{"adapters"} << true << adapters << table << QString() << wait << 0
                                  << QString();
        QTest::newRow("adapters csv") << QStringList{"adapters", "--csv"} << true << adapters << csv << QString()
                                      << wait << 0 << QString();
        QTest::newRow("discover") << QStringList{"discover", "--adapter", ip} << true << discover << table << ip
                                  << wait << 0 << QString();
        QTest::newRow("discover all options")
            << QStringList{"discover", "--json", "--wait", "500", "--adapter", ip, "--expect", "1000"} << true
            << discover << json << ip << 500 << 1000 << QString();
        QTest::newRow("inline values") << QStringList{"discover", "--adapter=10.77.0.1", "--wait=0", "--csv"}
                                       << true << discover << csv << ip << 0 << 0 << QString();

        QTest::newRow("nothing") << QStringList{} << false << 0 << 0 << QString() << 0 << 0 << "no command";
        QTest::newRow("unknown command") << QStringList{"scan"} << false << 0 << 0 << QString() << 0 << 0
                                         << "unknown command \"scan\"";
        QTest::newRow("no adapter") << QStringList{"discover"} << false << 0 << 0 << QString() << 0 << 0
                                    << "needs --adapter";
        QTest::newRow("adapter value missing") << QStringList{"discover", "--adapter"} << false << 0 << 0
                                               << QString() << 0 << 0 << "--adapter needs a value";
        QTest::newRow("adapter followed by option") << QStringList{"discover", "--adapter", "--json"} << false << 0
                                                    << 0 << QString() << 0 << 0 << "--adapter needs a value";
        QTest::newRow("adapter not IPv4") << QStringList{"discover", "--adapter", "10.77.0.256"} << false << 0 << 0
                                          << QString() << 0 << 0 << "IPv4 address";
        QTest::newRow("adapter host name") << QStringList{"discover", "--adapter", "localhost"} << false << 0 << 0
                                           << QString() << 0 << 0 << "IPv4 address";
        QTest::newRow("wait negative") << QStringList{"discover", "--adapter", ip, "--wait", "-1"} << false << 0
                                       << 0 << QString() << 0 << 0 << "--wait must be a whole number from 0";
        QTest::newRow("wait too long") << QStringList{"discover", "--adapter", ip, "--wait", "600001"} << false
                                       << 0 << 0 << QString() << 0 << 0 << "--wait must be";
        QTest::newRow("wait not a number") << QStringList{"discover", "--adapter", ip, "--wait", "2s"} << false
                                           << 0 << 0 << QString() << 0 << 0 << "--wait must be";
        QTest::newRow("expect zero") << QStringList{"discover", "--adapter", ip, "--expect", "0"} << false << 0
                                     << 0 << QString() << 0 << 0 << "--expect must be";
        QTest::newRow("json and csv") << QStringList{"discover", "--adapter", ip, "--json", "--csv"} << false << 0
                                      << 0 << QString() << 0 << 0 << "choose one of --json, --csv and --records";
        QTest::newRow("adapter twice") << QStringList{"discover", "--adapter", ip, "--adapter", ip} << false << 0
                                       << 0 << QString() << 0 << 0 << "more than once";
        QTest::newRow("flag with value") << QStringList{"discover", "--adapter", ip, "--json=1"} << false << 0 << 0
                                         << QString() << 0 << 0 << "--json takes no value";
        QTest::newRow("adapters takes no adapter") << QStringList{"adapters", "--adapter", ip} << false << 0 << 0
                                                   << QString() << 0 << 0 << "adapters does not take";
        QTest::newRow("stray word") << QStringList{"discover", "--adapter", ip, "now"} << false << 0 << 0
                                    << QString() << 0 << 0 << "does not take \"now\"";
    }

    void parsesCommandLines() {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(QString, errorPart);
        const cli::ParseResult r = cli::parseArguments(args);
        QCOMPARE(r.ok, ok);
        if (!ok) {
            QVERIFY2(r.error.contains(errorPart), qPrintable(r.error));
            return;
        }
        QFETCH(int, command);
        QFETCH(int, format);
        QFETCH(QString, adapter);
        QFETCH(int, waitMs);
        QFETCH(int, expect);
        QCOMPARE(int(r.options.command), command);
        QCOMPARE(int(r.options.format), format);
        QCOMPARE(r.options.adapter, adapter);
        QCOMPARE(r.options.waitMs, waitMs);
        QCOMPARE(r.options.expect, expect);
    }

    void wrongCommandLineExitsWithUsage() {
        FakeUdpEndpoint endpoint;
        const RunResult r = runCli({"discover", "--wait", "10"}, kLabAdapters, endpoint);
        QCOMPARE(r.code, cli::ExitCode::Usage);
        QVERIFY(r.err.startsWith("vantrel-cli: discover needs --adapter"));
        QVERIFY(r.err.contains("usage:"));
        QVERIFY(r.out.isEmpty());
        QVERIFY(endpoint.bindRequests().isEmpty());
    }

    // --- grid texts ---

    void gridTextsFollowTheGridRules() {
        const model::TNodaluxCtrl current = decoded(currentReply(currentController({10, 77, 1, 2}, u"Stage left")));
        cli::GridTexts t = cli::gridTexts(current);
        QCOMPARE(t.model, "Nodalux Pro 32");
        QCOMPARE(t.nickname, "Stage left"); // the 40-character field ends at its first NUL
        QCOMPARE(t.ip, "10.77.1.2");
        QCOMPARE(t.firmware, "V2.1.0");
        QCOMPARE(t.temperature, "45.3" + kDegree + "C / 113.5" + kDegree + "F");

        // Legacy: the model table's name, a 20-character firmware field cut at
        // its first NUL, temperature not available.
        const model::TNodaluxCtrl legacy = decoded(legacyReply(legacyController({10, 77, 1, 10}, u"Dock")));
        t = cli::gridTexts(legacy);
        QCOMPARE(t.model, "Nodalux 16 Long Range");
        QCOMPARE(t.firmware, "V1.4.10");
        QCOMPARE(t.temperature, "N/A");

        // Bootloader: the Temperature cell stays empty.
        model::TNodaluxCtrl boot = currentController({10, 77, 1, 3}, u"Flashing");
        boot.Firmware = u"Bootloader V1.0.2";
        t = cli::gridTexts(decoded(currentReply(boot)));
        QCOMPARE(t.firmware, "Bootloader V1.0.2");
        QCOMPARE(t.nickname, "Flashing");
        QCOMPARE(t.temperature, QString());
    }

    // --- output formats ---

    void csvHasTheGridColumnsAndQuotes() {
        model::TNodaluxCtrl c = decoded(currentReply(currentController({10, 77, 1, 2}, u"Bar, \"north\"")));
        const QString csv = cli::controllersCsv({c});
        QCOMPARE(csv, "Model,Nickname,IP,Firmware,Temperature\n"
                      "Nodalux Pro 32,\"Bar, \"\"north\"\"\",10.77.1.2,V2.1.0,45.3" +
                          kDegree + "C / 113.5" + kDegree + "F\n");
        QCOMPARE(cli::csvField("a\nb"), "\"a\nb\"");
        QCOMPARE(cli::controllersCsv({}), "Model,Nickname,IP,Firmware,Temperature\n");
    }

    // The readable table writes temperatures as the user's locale does; CSV and
    // JSON, which scripts read, keep "." whatever the locale.
    void temperatureSeparatorByFormat() {
        const model::TNodaluxCtrl c = decoded(currentReply(currentController({10, 77, 1, 2}, u"Stage")));
        const QString point = "45.3" + kDegree + "C / 113.5" + kDegree + "F";
        const QString comma = "45,3" + kDegree + "C / 113,5" + kDegree + "F";
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString table = cli::controllersTable({c});
        const QString csv = cli::controllersCsv({c});
        const QByteArray json = cli::controllersJson({c});
        QLocale::setDefault(QLocale::c());
        QVERIFY2(table.contains(comma), qPrintable(table));
        QVERIFY2(csv.contains(point) && !csv.contains(comma), qPrintable(csv));
        const QJsonArray parsed = QJsonDocument::fromJson(json).array();
        QCOMPARE(parsed.at(0)[QStringLiteral("grid")][QStringLiteral("Temperature")].toString(), point);
        QVERIFY(cli::controllersTable({c}).contains(point)); // in the C locale
    }

    void tableShowsNoControlCharacters() {
        // A nickname with an escape sequence and a line break must not reach the terminal as such.
        model::TNodaluxCtrl c = decoded(currentReply(currentController({10, 77, 1, 2}, u"A\x1b[2JB\nC")));
        const QString table = cli::controllersTable({c});
        const QStringList lines = table.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("Model"));
        QVERIFY(lines[1].contains(QString("A") + QChar(0xFFFD) + "[2JB" + QChar(0xFFFD) + "C"));
        QCOMPARE(lines[2], "Found 1 Device(s)");
        for (QChar ch : table) QVERIFY(ch == '\n' || ch.unicode() >= 0x20);
    }

    void controllersAreOrderedByAddress() {
        model::ControllerList list;
        for (model::Ip4 ip : {model::Ip4{10, 77, 1, 100}, model::Ip4{10, 77, 1, 20}, model::Ip4{10, 77, 1, 3},
                              model::Ip4{9, 255, 255, 255}})
            list.append(decoded(currentReply(currentController(ip, u"x"))));
        QStringList order;
        for (const auto& c : cli::controllersByAddress(list)) order << cli::gridTexts(c).ip;
        QCOMPARE(order, QStringList({"9.255.255.255", "10.77.1.3", "10.77.1.20", "10.77.1.100"}));
    }

    void adaptersAreListedAsTheWindowLists() {
        const QList<net::Adapter> adapters{
            net::Adapter{"10.1.2.3", "255.0.0.0", "eth0"},
            net::Adapter{"192.168.7.9", "255.255.255.255", "vpn0"},
        };
        FakeUdpEndpoint endpoint;
        RunResult r = runCli({"adapters", "--csv"}, adapters, endpoint);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "Address,Mask,Network,Interface\n"
                        "10.1.2.3,255.0.0.0,10.0.0.0,eth0\n"
                        "192.168.7.9,255.255.255.255,192.168.7.9,vpn0\n");

        r = runCli({"adapters"}, adapters, endpoint);
        QVERIFY(r.out.contains(QRegularExpression("10\\.1\\.2\\.3 +255\\.0\\.0\\.0 +10\\.0\\.0\\.0 +eth0\n")));

        r = runCli({"adapters", "--json"}, adapters, endpoint);
        const QJsonArray arr = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(arr.size(), 2);
        QCOMPARE(arr[0].toObject()["network"].toString(), "10.0.0.0");

        r = runCli({"adapters"}, {}, endpoint);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "None Found\n");
        QVERIFY(endpoint.bindRequests().isEmpty()); // listing adapters opens no socket
    }

    // --- discover against the fake endpoint ---

    void discoverRefusesAnAdapterThatIsNotListed() {
        FakeUdpEndpoint endpoint;
        const RunResult r = runCli({"discover", "--adapter", "10.77.0.2"}, kLabAdapters, endpoint);
        QCOMPARE(r.code, cli::ExitCode::AdapterNotListed);
        QVERIFY2(r.err.contains("10.77.0.2 is not one of this PC's adapter addresses"), qPrintable(r.err));
        QVERIFY(endpoint.bindRequests().isEmpty());
        QVERIFY(endpoint.sent().isEmpty());
        QVERIFY(r.out.isEmpty());
    }

    void discoverReportsABindFailure() {
        FakeUdpEndpoint endpoint;
        endpoint.setBindFails(QHostAddress("10.77.0.1"));
        // Leading zeros name the same adapter.
        const RunResult r = runCli({"discover", "--adapter", "010.077.000.001"}, kLabAdapters, endpoint);
        QCOMPARE(r.code, cli::ExitCode::CannotBind);
        QVERIFY2(r.err.contains("Could not bind network port. Maybe another instance is running already?"),
                 qPrintable(r.err));
        QVERIFY(r.err.contains("10.77.0.1"));
        QCOMPARE(endpoint.bindRequests(), QList<QHostAddress>{QHostAddress("10.77.0.1")});
        QVERIFY(endpoint.sent().isEmpty());
        QVERIFY(r.out.isEmpty());
    }

    void discoverReportsASendFailure() {
        FakeUdpEndpoint endpoint;
        endpoint.failNextSends(1);
        const RunResult r = runCli({"discover", "--adapter", "10.77.0.1", "--wait", "0"}, kLabAdapters, endpoint);
        QCOMPARE(r.code, cli::ExitCode::CannotSend);
        QVERIFY2(r.err.contains("Couldn't send the poll"), qPrintable(r.err));
        QVERIFY(!endpoint.isBound());
        QVERIFY(r.out.isEmpty());
    }

    // One poll out; replies of both layouts listed once each, the first of two
    // replies from one address kept, and everything else left alone.
    void discoverListsEachControllerOnce() {
        const model::Ip4 a{10, 77, 1, 2}, b{10, 77, 1, 1};
        const protocol::Bytes first = currentReply(currentController(a, u"First"));
        const protocol::Bytes second = currentReply(currentController(a, u"Second"));
        const protocol::Bytes legacy = legacyReply(legacyController(b, u"Dock"));
        protocol::Bytes truncated = currentReply(currentController({10, 77, 1, 3}, u"Cut"));
        truncated.resize(truncated.size() - 1);
        protocol::Bytes wrongMagic = currentReply(currentController({10, 77, 1, 4}, u"Other"));
        wrongMagic[0] = 'X';
        model::TNodaluxCtrl v8;
        v8.QorvanaProtVer = 8;
        v8.MAC = {1, 2, 3, 4, 5, 6};
        const protocol::Bytes identify = *protocol::buildIdentify(v8, true);
        const QHostAddress own("10.77.0.1");

        FakeUdpEndpoint endpoint;
        const RunResult r = runCli(
            {"discover", "--adapter", "10.77.0.1", "--wait", "50", "--records", "--stats"}, kLabAdapters, endpoint,
            [&] {
                endpoint.inject(toQByteArray(protocol::buildPoll()), own); // our own poll, should it come back
                endpoint.inject(toQByteArray(identify), own);              // our own identify
                endpoint.inject(toQByteArray(first), QHostAddress("10.77.1.2"));
                endpoint.inject(toQByteArray(legacy), QHostAddress("10.77.1.1"));
                endpoint.inject(toQByteArray(second), QHostAddress("10.77.1.2"));
                endpoint.inject(toQByteArray(truncated), QHostAddress("10.77.1.3"));
                endpoint.inject(toQByteArray(wrongMagic), QHostAddress("10.77.1.4"));
                endpoint.inject(QByteArray("Qorvanix"), QHostAddress("10.77.1.5"));
            });
        QCOMPARE(r.code, 0);

        // Exactly one poll, broadcast from the chosen adapter.
        QCOMPARE(endpoint.bindRequests(), QList<QHostAddress>{own});
        QCOMPARE(endpoint.sent().size(), 1);
        QCOMPARE(endpoint.sent()[0].ip, "255.255.255.255");
        QCOMPARE(endpoint.sent()[0].bytes, QByteArray("Qorvanix\0\x00\x01\x08", 12));
        QVERIFY(!endpoint.isBound()); // released when done

        const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8());
        QVERIFY2(doc.isArray(), qPrintable(r.out));
        const QJsonArray list = doc.array();
        QCOMPARE(list.size(), 2);

        // Ordered by address; each object is the record under its field names plus "grid".
        QJsonObject legacyJson = list[0].toObject();
        QJsonObject currentJson = list[1].toObject();
        const QJsonObject legacyGrid = legacyJson.take("grid").toObject();
        const QJsonObject currentGrid = currentJson.take("grid").toObject();
        QCOMPARE(legacyJson, tools::recordToJson(decoded(legacy)));
        QCOMPARE(currentJson, tools::recordToJson(decoded(first))); // the first reply stays
        QCOMPARE(currentGrid, (QJsonObject{{"Model", "Nodalux Pro 32"},
                                           {"Nickname", "First"},
                                           {"IP", "10.77.1.2"},
                                           {"Firmware", "V2.1.0"},
                                           {"Temperature", "45.3" + kDegree + "C / 113.5" + kDegree + "F"}}));
        QCOMPARE(legacyGrid["Model"].toString(), "Nodalux 16 Long Range");
        QCOMPARE(legacyGrid["Temperature"].toString(), "N/A");
        QCOMPARE(legacyJson["QorvanaProtVer"].toInt(), 0);
        QCOMPARE(currentJson["DriverNames"].toArray(), (QJsonArray{"WS2811", "APA102"}));

        QVERIFY2(r.err.contains("datagrams 8, listed 2, duplicates 1, rejected 1, ignored 4"), qPrintable(r.err));
    }

    // A flood of replies naming ever new addresses: the list takes 10,000 and
    // --stats counts the rest as dropped.
    void discoverStatsCountRepliesBeyondTheCap() {
        QList<QByteArray> flood;
        for (int k = 0; k < 10002; ++k) {
            const model::Ip4 address{10, 78, static_cast<std::uint8_t>(k / 250), static_cast<std::uint8_t>(1 + k % 250)};
            flood << toQByteArray(currentReply(currentController(address, u"x")));
        }
        FakeUdpEndpoint endpoint;
        const RunResult r =
            runCli({"discover", "--adapter", "10.77.0.1", "--wait", "50", "--csv", "--stats"}, kLabAdapters, endpoint,
                   [&] { endpoint.injectBatch(flood, QHostAddress("10.77.1.9")); });
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count('\n'), 10001); // the header and 10,000 controllers
        QVERIFY2(r.err.contains("datagrams 10002, listed 10000, duplicates 0") &&
                     r.err.contains("dropped (list full) 2"),
                 qPrintable(r.err));
    }

    void discoverStopsWhenTheExpectedCountIsListed() {
        FakeUdpEndpoint endpoint;
        const auto replies = [&] {
            endpoint.inject(toQByteArray(currentReply(currentController({10, 77, 1, 1}, u"a"))),
                            QHostAddress("10.77.1.1"));
            endpoint.inject(toQByteArray(currentReply(currentController({10, 77, 1, 2}, u"b"))),
                            QHostAddress("10.77.1.2"));
        };
        QElapsedTimer clock;
        clock.start();
        RunResult r = runCli({"discover", "--adapter", "10.77.0.1", "--wait", "600000", "--expect", "2", "--csv"},
                             kLabAdapters, endpoint, replies);
        QCOMPARE(r.code, 0);
        QVERIFY(clock.elapsed() < 60000); // not the ten minutes of --wait
        QCOMPARE(r.out.count('\n'), 3);

        r = runCli({"discover", "--adapter", "10.77.0.1", "--wait", "20", "--expect", "3", "--csv"}, kLabAdapters,
                   endpoint, replies);
        QCOMPARE(r.code, cli::ExitCode::FewerThanExpected);
        QVERIFY2(r.err.contains("2 of 3 expected controllers answered"), qPrintable(r.err));
        QCOMPARE(r.out.count('\n'), 3); // what did answer is still printed
    }

    void discoverTableWithNoAnswers() {
        FakeUdpEndpoint endpoint;
        const RunResult r = runCli({"discover", "--adapter", "172.31.77.1", "--wait", "0"}, kLabAdapters, endpoint);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "Model  Nickname  IP  Firmware  Temperature\nFound 0 Device(s)\n");
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
