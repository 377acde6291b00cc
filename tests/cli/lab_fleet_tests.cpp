// vantrel-cli's fleet commands end to end in the network lab: the command
// line on the pc side, nodalux-sim (the default fleet) on the lan side, real
// sockets and broadcasts in between. What the controllers received is read
// from the simulator's packet log.
//
// Run through scripts/netlab.sh (CTest does); outside the lab the program
// exits 77 with the reason, which CTest counts as a skip.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <map>

#include "model/Settings.h"
#include "model/Text.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Header.h"
#include "protocol/TestPackets.h"
#include "tests/support/LabProcess.h"
#include "tools/common/RecordJson.h"

using namespace vantrel;
using labtest::Lab;
using labtest::RunResult;
using labtest::SimProcess;

namespace {

constexpr int kSimStartMs = 30000;
constexpr int kListenMs = 2500;
constexpr int kCommandMs = 120000;
constexpr int kFleetSize = 15;
constexpr int kBootloaderHost = 15;

QString host(int k) { return QStringLiteral("10.77.1.%1").arg(k); }

// The controllers a search lists, by address, as their records.
std::map<QString, model::TNodaluxCtrl> recordsOf(const QByteArray& json) {
    std::map<QString, model::TNodaluxCtrl> out;
    for (const QJsonValue v : QJsonDocument::fromJson(json).array()) {
        QJsonObject o = v.toObject();
        o.remove("grid");
        model::TNodaluxCtrl r;
        if (tools::recordFromJson(o, r)) out[QString::fromStdString(model::ipText(r.CurrentIP))] = r;
    }
    return out;
}

// The packets of one opcode the simulator received, in order, with their destinations.
QList<std::pair<QString, QByteArray>> received(const QString& log, int opcode) {
    QList<std::pair<QString, QByteArray>> out;
    for (const QJsonObject& line : labtest::jsonLines(log)) {
        if (line.value("dir").toString() == "rx" && line.value("opcode").toInt() == opcode)
            out.append({line.value("to").toString(), QByteArray::fromHex(line.value("hex").toString().toLatin1())});
    }
    return out;
}

QList<QJsonObject> events(const QString& log, const QString& name) {
    QList<QJsonObject> out;
    for (const QJsonObject& line : labtest::jsonLines(log))
        if (line.value("event").toString() == name) out << line;
    return out;
}

QByteArray bytesOf(const protocol::Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())); }

QJsonObject resultFor(const QByteArray& json, const QString& ip) {
    for (const QJsonValue v : QJsonDocument::fromJson(json).array())
        if (v.toObject().value("ip").toString() == ip) return v.toObject();
    return {};
}

} // namespace

class LabFleetTest : public QObject {
    Q_OBJECT

    Lab m_lab;
    QTemporaryDir m_tmp;

    QString file(const QString& name) const { return m_tmp.filePath(name); }

    RunResult cli(const QStringList& args) {
        return labtest::run(m_lab.cliPath, QStringList{args.first(), "--adapter", m_lab.pcAddress} + args.mid(1), kCommandMs);
    }

    std::map<QString, model::TNodaluxCtrl> listed() {
        const RunResult r = cli({"discover", "--wait", QString::number(kListenMs), "--records"});
        if (!r.finished || r.exitCode != 0) qWarning("discover failed: %s", r.err.constData());
        return recordsOf(r.out);
    }

private slots:
    void initTestCase() {
        m_lab = Lab::fromEnvironment();
        QVERIFY2(m_lab.missing().isEmpty(), qPrintable(m_lab.missing()));
        QVERIFY(m_tmp.isValid());
    }

    // Back up the whole default fleet, change several controllers with set,
    // restore them from the backup: every controller reports its original
    // settings, and each restore's configuration packet is the one the
    // window's untouched OK sends for that controller.
    void backupChangeRestore() {
        const QString log = file("backup.log");
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {"--log", log}, kSimStartMs, error), qPrintable(error));

        const RunResult records = cli({"discover", "--wait", QString::number(kListenMs), "--records"});
        QVERIFY2(records.finished && records.exitCode == 0, records.err.constData());
        const auto original = recordsOf(records.out);
        QCOMPARE(int(original.size()), kFleetSize);

        // What discover --records prints is a fleet file for the simulator, as printed.
        QFile recordsFile(file("records.json"));
        QVERIFY(recordsFile.open(QIODevice::WriteOnly));
        recordsFile.write(records.out);
        recordsFile.close();
        const RunResult dump = labtest::run(m_lab.simPath, {"--fleet", recordsFile.fileName(), "--dump-fleet"}, kCommandMs);
        QVERIFY2(dump.finished && dump.exitCode == 0, dump.err.constData());
        QCOMPARE(QJsonDocument::fromJson(dump.out).object().value("controllers").toArray().size(), kFleetSize);

        const QString folder = file("backup");
        RunResult r = cli({"backup", "--target", "all", "--out", folder, "--json"});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 1); // the controller in its bootloader has no settings
        QCOMPARE(QDir(folder).entryList({"*.json"}, QDir::Files).size(), kFleetSize - 1);
        QCOMPARE(resultFor(r.out, host(kBootloaderHost)).value("result").toString(), "failed");

        // Legacy controllers of several firmware generations and current ones of protocols 5 to 8.
        const QList<int> changed{1, 3, 5, 8, 9, 10, 12};
        QStringList set{"set", "nickname=Changed", "start_universe=40", "gamma=2.5", "--yes", "--json"};
        for (int k : changed) set << "--target" << host(k);
        r = cli(set);
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        const auto afterSet = listed();
        for (int k : changed) QCOMPARE(tools::toQString(model::nicknameText(afterSet.at(host(k)))), "Changed");

        QStringList restore{"restore", "--from", folder, "--yes", "--json"};
        for (int k : changed) restore << "--target" << host(k);
        r = cli(restore);
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        for (int k : changed)
            QVERIFY2(resultFor(r.out, host(k)).value("message").toString().endsWith("sent and verified"), r.out.constData());

        const auto now = listed();
        QCOMPARE(int(now.size()), kFleetSize);
        for (const auto& [ip, before] : original) {
            if (model::isBootloader(before)) continue;
            const auto differences = model::settingsDifferences(before, now.at(ip));
            const QString first = differences.empty() ? QString() : QString::fromStdString(differences.front().key);
            QVERIFY2(differences.empty(), qPrintable(ip + ": " + first));
        }
        // Two configurations each (set, restore); the restore is the untouched OK of the original.
        const auto configs = received(log, protocol::Opcode::Config);
        QCOMPARE(configs.size(), 2 * changed.size());
        for (int k : changed) {
            QByteArray last;
            for (const auto& [to, bytes] : configs)
                if (to == host(k)) last = bytes;
            QCOMPARE(last, bytesOf(*protocol::buildConfigAsSent(original.at(host(k)))));
        }
    }

    void identifyTestAndReaddress() {
        const QString log = file("ops.log");
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {"--log", log}, kSimStartMs, error), qPrintable(error));
        const auto before = listed();
        const model::TNodaluxCtrl eight = before.at(host(12));

        RunResult r = cli({"identify", "--target", host(12), "--start"});
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        r = cli({"identify", "--target", host(12), "--stop"});
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        QTRY_COMPARE_WITH_TIMEOUT(events(log, "identify").size(), qsizetype(2), kListenMs);
        QCOMPARE(events(log, "identify")[0].value("enable").toBool(), true);
        QCOMPARE(events(log, "identify")[1].value("enable").toBool(), false);

        r = cli({"test", "--target", host(12), "--mode", "red"});
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        QVERIFY2(r.out.contains("ok: it runs red"), r.out.constData());
        const auto tests = received(log, protocol::Opcode::TestSet);
        QCOMPARE(tests.size(), 1);
        QCOMPARE(tests[0].second, bytesOf(*protocol::buildTestSet(eight, 2)));
        r = cli({"test", "--target", host(12), "--mode", "none"});
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());

        const model::TNodaluxCtrl moving = before.at(host(13));
        r = cli({"readdress", "--mac", QString::fromStdString(model::macText(moving.MAC)), "--ip", host(19), "--mask",
                 "255.255.0.0"});
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        QVERIFY2(r.out.contains("ok: it answers at 10.77.1.19"), r.out.constData());
        const auto after = listed();
        QVERIFY(after.count(host(19)) == 1);
        QCOMPARE(after.at(host(19)).MAC, moving.MAC);
        QVERIFY(after.count(host(13)) == 0);
    }

    void firmwareUpdate() {
        const QString log = file("firmware.log");
        const QString uploads = file("uploads");
        QVERIFY(QDir().mkpath(uploads));
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {"--log", log, "--upload-dir", uploads}, kSimStartMs, error), qPrintable(error));

        QByteArray firmware;
        for (int i = 0; i < 20000; ++i) firmware.append(static_cast<char>('0' + i % 10));
        const QString path = file("Nodalux16-MkII-V2.4.0.hex");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(firmware);
        f.close();

        // One controller running its application, one waiting in its bootloader.
        const RunResult r = cli({"firmware", "--target", host(12), "--target", host(kBootloaderHost), "--file", path,
                                 "--yes", "--json"});
        QVERIFY2(r.finished && r.exitCode == 0, r.out.constData());
        for (int k : {12, kBootloaderHost}) {
            QFile stored(QDir(uploads).filePath(host(k) + ".bin"));
            QVERIFY2(stored.open(QIODevice::ReadOnly), qPrintable(stored.fileName()));
            QCOMPARE(stored.readAll(), firmware);
        }
        QCOMPARE(received(log, protocol::Opcode::BootloaderTrigger).size(), 1);
        const auto after = listed();
        QVERIFY(!model::isBootloader(after.at(host(kBootloaderHost))));
        QVERIFY(!model::isBootloader(after.at(host(12))));
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const Lab lab = Lab::fromEnvironment();
    if (!lab.inLab) {
        std::fprintf(stderr, "skipped: %s\n", qPrintable(lab.missing()));
        return 77;
    }
    LabFleetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "lab_fleet_tests.moc"
