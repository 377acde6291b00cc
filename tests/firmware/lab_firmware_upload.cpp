// Firmware upload end to end in the network lab: the firmware window on the
// pc side with its real TCP upload, nodalux-sim on the lan side storing what
// its bootloaders receive. The simulator's default fleet has one controller
// in its bootloader; the others run their application.
//
// Run through scripts/netlab.sh (CTest does); outside the lab the program
// exits 77 with the reason, which CTest counts as a skip.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <optional>

#include "FirmwareFixture.h"
#include "firmware/BootloaderTrigger.h"
#include "firmware/EthFirmware.h"
#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "net/QtUdpEndpoint.h"
#include "tools/common/RecordJson.h"
#include "ui/testing/ScriptedServices.h"

#include "tests/support/LabProcess.h"

using namespace vantrel;
using labtest::Lab;
using labtest::RunResult;
using labtest::SimProcess;
using ui::testing::ScriptedServices;

namespace {

constexpr int kSimStartMs = 30000;
constexpr int kDumpMs = 30000;
// The simulator stores an upload when the connection has closed.
constexpr int kStoreWaitMs = 10000;
constexpr int kCliMarginMs = 30000;
constexpr int kListenMs = 2000;

struct SimController {
    model::TNodaluxCtrl record; // the application's settings (CurrentIP, MAC, protocol)
    bool bootloader = false;
    bool legacy = false;
    QString ip() const { return QString::fromStdString(model::ipText(record.CurrentIP)); }
};

QString modelOf(const SimController& c) { return QString::fromStdString(model::toUtf8(c.record.Model)); }

// A file name that passes the generation check for this model.
QString firmwareNameFor(const QString& model) {
    const bool secondGen = model.contains(QLatin1String("MkII")) || model.contains(QLatin1String("Mk2"));
    return secondGen ? QStringLiteral("Nodalux-MkII-lab.hex") : QStringLiteral("Nodalux-lab.hex");
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class LabFirmwareTest : public QObject {
    Q_OBJECT

    Lab m_lab;
    QTemporaryDir m_tmp;

    std::vector<SimController> dumpFleet() {
        std::vector<SimController> fleet;
        const RunResult r = labtest::run(m_lab.simPath, {"--dump-fleet"}, kDumpMs);
        if (!r.finished || r.exitCode != 0) {
            qWarning("nodalux-sim --dump-fleet failed (%d): %s", r.exitCode, r.err.constData());
            return fleet;
        }
        for (const QJsonValue v : QJsonDocument::fromJson(r.out).object().value("controllers").toArray()) {
            const QJsonObject e = v.toObject();
            SimController c;
            QString error;
            if (!tools::recordFromJson(e.value("record").toObject(), c.record, &error)) {
                qWarning("fleet entry: %s", qPrintable(error));
                return {};
            }
            c.bootloader = e.value("bootloader").toBool();
            c.legacy = e.value("layoutVersion").toInt() < 5;
            fleet.push_back(c);
        }
        return fleet;
    }

    // The Firmware text a search lists for `ip`, through vantrel-cli; empty when not listed.
    QString listedFirmware(const QString& ip) {
        const RunResult r = labtest::run(
            m_lab.cliPath, {"discover", "--adapter", m_lab.pcAddress, "--wait", QString::number(kListenMs), "--records"},
            kListenMs + kCliMarginMs);
        if (!r.finished || r.exitCode != 0) return {};
        for (const QJsonValue v : QJsonDocument::fromJson(r.out).array())
            if (v.toObject().value("CurrentIP").toString() == ip) return v.toObject().value("Firmware").toString();
        return {};
    }

    QString writeFirmware(const QString& name, const QByteArray& bytes) {
        const QString path = QDir(m_tmp.path()).filePath(name);
        if (!firmware_test::writeFile(path, bytes)) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QString uploadDir() const { return QDir(m_tmp.path()).filePath(QStringLiteral("uploads")); }

    // The window as the user works it: the file typed, then "Update".
    static void updateWith(firmware::TTCPFirmware& window, const QString& path) {
        window.findChild<QLineEdit*>(QStringLiteral("FileDisplay"))->setText(path);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Update")), Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        m_lab = Lab::fromEnvironment();
        QVERIFY(m_tmp.isValid());
        QVERIFY(QDir().mkpath(uploadDir()));
    }

    // A controller in its bootloader takes the file; the simulator holds a
    // byte-identical copy, and the controller comes back with its application.
    void uploadToABootloader() {
        const std::vector<SimController> fleet = dumpFleet();
        const auto it = std::find_if(fleet.begin(), fleet.end(), [](const SimController& c) { return c.bootloader; });
        QVERIFY2(it != fleet.end(), "the default fleet has no controller in its bootloader");
        const SimController target = *it;

        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {"--upload-dir", uploadDir()}, kSimStartMs, error), qPrintable(error));
        if (!m_lab.cliPath.isEmpty())
            QVERIFY2(listedFirmware(target.ip()).startsWith(QLatin1String("Bootloader")),
                     qPrintable(listedFirmware(target.ip())));

        const QByteArray file = firmware_test::hexLikeBytes(300 * 1024 + 5);
        const QString path = writeFirmware(firmwareNameFor(modelOf(target)), file);
        ScriptedServices services;
        firmware::TTCPFirmware window(services);
        window.setControllerSource([&] { return firmware::FirmwareTarget{target.ip(), modelOf(target)}; });
        window.show();
        updateWith(window, path);

        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages.front().text, QStringLiteral("Update Sent"));
        const QString stored = QDir(uploadDir()).filePath(target.ip() + QStringLiteral(".bin"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stored), kStoreWaitMs);
        const QByteArray copy = readAll(stored);
        QVERIFY2(copy == file, qPrintable(firmware_test::byteDiff(file, copy)));
        if (!m_lab.cliPath.isEmpty()) {
            const QString firmware = listedFirmware(target.ip());
            QVERIFY2(!firmware.isEmpty() && !firmware.startsWith(QLatin1String("Bootloader")), qPrintable(firmware));
        }
    }

    // The trigger on a controller running its application: it switches to its
    // bootloader, and the firmware window that follows uploads to it.
    void triggerThenUpload_data() {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("current layout") << false;
        QTest::newRow("legacy layout") << true;
    }
    void triggerThenUpload() {
        QFETCH(bool, legacy);
        const std::vector<SimController> fleet = dumpFleet();
        const auto it = std::find_if(fleet.begin(), fleet.end(), [&](const SimController& c) {
            return !c.bootloader && c.legacy == legacy && c.record.QorvanaProtVer <= 8;
        });
        QVERIFY2(it != fleet.end(), "the default fleet has no such controller");
        const SimController target = *it;

        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {"--upload-dir", uploadDir()}, kSimStartMs, error), qPrintable(error));

        net::QtUdpEndpoint endpoint;
        QVERIFY(endpoint.bind(QHostAddress(m_lab.pcAddress)));
        ScriptedServices services;
        firmware::TTCPFirmware window(services);
        window.setControllerSource([&] { return firmware::FirmwareTarget{target.ip(), modelOf(target)}; });
        const QByteArray file = firmware_test::hexLikeBytes(64 * 1024 + (legacy ? 1 : 2));
        const QString path = writeFirmware(firmwareNameFor(modelOf(target)), file);
        int result = -1;
        services.queueModal([&](QDialog& shown) {
            // The scripted pause does not wait: the controller gets its time here.
            QTest::qWait(firmware::kBootloaderPauseMs);
            shown.show();
            updateWith(window, path);
            result = shown.result();
            return result;
        });

        if (legacy)
            firmware::TriggerBootloaderV4Below(endpoint, services, target.record, window);
        else
            firmware::TriggerBootloader(endpoint, services, target.record, window);

        QCOMPARE(services.modals.size(), 1);
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages.front().text, QStringLiteral("Update Sent"));
        QCOMPARE(result, firmware::kModalClose);
        const QString stored = QDir(uploadDir()).filePath(target.ip() + QStringLiteral(".bin"));
        QTRY_VERIFY_WITH_TIMEOUT(readAll(stored) == file, kStoreWaitMs);
    }

    // A controller that is not in its bootloader refuses the connection.
    void applicationRefusesTheUpload() {
        const std::vector<SimController> fleet = dumpFleet();
        const auto it = std::find_if(fleet.begin(), fleet.end(), [](const SimController& c) { return !c.bootloader; });
        QVERIFY(it != fleet.end());
        SimProcess sim;
        QString error;
        QVERIFY2(sim.start(m_lab, {}, kSimStartMs, error), qPrintable(error));

        ScriptedServices services;
        firmware::TTCPFirmware window(services);
        window.setControllerSource([&] { return firmware::FirmwareTarget{it->ip(), modelOf(*it)}; });
        window.show();
        updateWith(window, writeFirmware(firmwareNameFor(modelOf(*it)), firmware_test::hexLikeBytes(1000)));
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages.front().text, QString::fromLatin1(firmware::kCannotConnectText));
        QVERIFY(window.isVisible());
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const Lab lab = Lab::fromEnvironment();
    const QString missing = lab.missing(false);
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "skipped: %s\n", qPrintable(missing));
        return 77;
    }
    LabFirmwareTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "lab_firmware_upload.moc"
