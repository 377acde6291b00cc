// A firmware update as the user starts it, on real sockets inside the network
// lab: the main window offscreen on the lab's "pc" side with the flows wired
// to it, nodalux-sim on the "lan" side storing what its bootloaders receive.
// The user double-clicks a controller, presses "Update Firmware" on the Misc
// tab; the controller is told to start its bootloader, the firmware window
// uploads a file, the simulator keeps a byte-identical copy, and the next
// search lists the controller with its application again. A controller left
// in its bootloader is listed in its bootloader form, and a double-click on it
// leads straight to the firmware window. Covers a protocol-8 controller and a
// legacy one. Exits 77 (a skip for CTest) outside the lab.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "FirmwareFixture.h"
#include "config/NodaluxConfig.h"
#include "firmware/BootloaderTrigger.h"
#include "firmware/EthFirmware.h"
#include "model/Text.h"
#include "tests/support/LabWindow.h"
#include "tools/sim/Fleet.h"

using vantrel::app::DeviceGridModel;
using vantrel::config::TNodaluxConfig;
using vantrel::firmware::TTCPFirmware;
using vantrel::model::TNodaluxCtrl;

namespace {

constexpr int kSimStartMs = 10000;
constexpr int kRepliesMs = 10000;
// The simulator notes the trigger as soon as the datagram arrives, and stores
// an upload once the connection has closed.
constexpr int kSimEventMs = 10000;

const QString kUpdateSent = QString::fromLatin1(vantrel::firmware::kUpdateSentText);
const QLatin1String kBootloaderPrefix("Bootloader");

void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString sha256Hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// What the grid and the record say about one controller, taken from a search.
struct Listed {
    QString model;
    QString ip;
    QString firmware; // the grid's Firmware column
    bool bootloader = false;
};

struct Lab : labwindow::LabWindow {
    int fleetSize = static_cast<int>(vantrel::sim::defaultFleet().size());

    QString uploadDir() const { return dir.filePath(QStringLiteral("uploads")); }
    QString logPath() const { return dir.filePath(QStringLiteral("sim.jsonl")); }

    bool start(QString& error) {
        if (!dir.isValid() || !QDir().mkpath(uploadDir())) {
            error = QStringLiteral("cannot make the test's folders");
            return false;
        }
        return LabWindow::start({QStringLiteral("--upload-dir"), uploadDir(), QStringLiteral("--log"), logPath()},
                                kSimStartMs, error);
    }

    // Presses "Search" and waits until every controller has answered.
    bool search() { return LabWindow::search(fleetSize, kRepliesMs); }

    std::optional<Listed> listed(const QString& nickname) const {
        const int row = rowOf(nickname);
        if (row < 0) return std::nullopt;
        const auto& grid = form.gridModel();
        return Listed{grid.cell(row, DeviceGridModel::ColModel), grid.cell(row, DeviceGridModel::ColIP),
                      grid.cell(row, DeviceGridModel::ColFirmware), vantrel::model::isBootloader(recordOfRow(row))};
    }

    // The simulator's events of this kind about the controller at `ip`, so far.
    QList<QJsonObject> simEvents(const QString& kind, const QString& ip) const {
        QList<QJsonObject> found;
        for (const QJsonObject& e : labwindow::jsonLines(logPath()))
            if (e.value(QStringLiteral("event")).toString() == kind && e.value(QStringLiteral("ip")).toString() == ip)
                found.push_back(e);
        return found;
    }

    // The configuration window's next showing: the user opens the Misc tab
    // and presses "Update Firmware".
    void whileConfigOpenUpdateFirmware() {
        whileOpen<TNodaluxConfig>([](TNodaluxConfig& w) {
            w.TabControl1->setCurrentWidget(w.findChild<QWidget*>(QStringLiteral("tabMisc")));
            QTest::mouseClick(w.btnFirmware, Qt::LeftButton);
        });
    }

    // The firmware window's next showing: `act` works it while it is shown.
    template <class Act>
    void whileFirmwareOpen(Act act) {
        whileOpen<TTCPFirmware>(act);
    }
};

// The user types the file's path and presses "Update"; the window returns
// when the upload has ended.
void uploadWith(TTCPFirmware& w, const QString& path) {
    typeAndLeave(w.FileDisplay, path);
    QTest::mouseClick(w.Update, Qt::LeftButton);
}

} // namespace

class LabUpdateFromConfig : public QObject {
    Q_OBJECT

    // The two controllers: a protocol-8 "Nodalux 16 MkII" and a legacy
    // "Nodalux 4"; each file name passes the generation check for its model.
    static void controllers() {
        QTest::addColumn<QString>("nickname");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("legacy");
        QTest::newRow("protocol 8") << QStringLiteral("Eight Sixteen") << QStringLiteral("Nodalux16-MkII-lab.hex")
                                    << false;
        QTest::newRow("legacy") << QStringLiteral("Small Four") << QStringLiteral("Nodalux4-V1.4.12-lab.hex") << true;
    }

private slots:
    void updateFirmwareUploadsToTheBootloader_data() { controllers(); }
    void updateFirmwareUploadsToTheBootloader();
    void controllerLeftInItsBootloaderResumes_data() { controllers(); }
    void controllerLeftInItsBootloaderResumes();
};

// "Update Firmware" → trigger → the firmware window uploads → stored copy →
// the controller is listed with its application again.
void LabUpdateFromConfig::updateFirmwareUploadsToTheBootloader() {
    QFETCH(QString, nickname);
    QFETCH(QString, fileName);
    QFETCH(bool, legacy);

    Lab lab;
    QString error;
    QVERIFY2(lab.start(error), qPrintable(error));
    QVERIFY(lab.search());
    const int row = lab.rowOf(nickname);
    QVERIFY(row >= 0);
    const Listed before = *lab.listed(nickname);
    // The grid's double-click takes the legacy flow at protocol 4 and below.
    const int protocol = lab.recordOfRow(row).QorvanaProtVer;
    QVERIFY2(legacy ? protocol <= 4 : protocol == 8, qPrintable(QString::number(protocol)));
    QVERIFY2(!before.bootloader, qPrintable(before.firmware));

    const QByteArray file = firmware_test::hexLikeBytes(96 * 1024 + (legacy ? 1 : 2));
    const QString path = lab.dir.filePath(fileName);
    QVERIFY(firmware_test::writeFile(path, file));

    lab.whileConfigOpenUpdateFirmware();
    bool triggered = false;
    QString target;
    lab.whileFirmwareOpen([&](TTCPFirmware& w) {
        // The scripted pause does not wait: the controller gets its time here.
        QTest::qWait(vantrel::firmware::kBootloaderPauseMs);
        triggered = QTest::qWaitFor(
            [&] {
                const auto events = lab.simEvents(QStringLiteral("bootloader"), before.ip);
                return !events.isEmpty() && events.back().value(QStringLiteral("accepted")).toBool();
            },
            kSimEventMs);
        target = w.target() ? w.target()->ip + QLatin1Char(' ') + w.target()->model : QString();
        uploadWith(w, path);
    });
    lab.form.Network_GridCellDblClick(row);

    QVERIFY2(triggered, "the simulator did not take the bootloader trigger");
    QCOMPARE(target, before.ip + QLatin1Char(' ') + before.model);
    QCOMPARE(lab.services.sleeps, QList<int>{vantrel::firmware::kBootloaderPauseMs});
    QCOMPARE(lab.services.modals.size(), 2);
    QCOMPARE(lab.services.modals[0].objectName, QStringLiteral("NodaluxConfig"));
    QCOMPARE(lab.services.modals[0].result, vantrel::config::kModalFirmware);
    QCOMPARE(lab.services.modals[1].objectName, QStringLiteral("TCPFirmware"));
    QCOMPARE(lab.services.modals[1].result, vantrel::firmware::kModalClose);
    QCOMPARE(lab.services.messages.size(), 1);
    QCOMPARE(lab.services.messages[0].text, kUpdateSent);

    const QString stored = QDir(lab.uploadDir()).filePath(before.ip + QStringLiteral(".bin"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stored), kSimEventMs);
    const QByteArray copy = readAll(stored);
    QVERIFY2(copy == file, qPrintable(firmware_test::byteDiff(file, copy)));
    const auto uploads = lab.simEvents(QStringLiteral("upload"), before.ip);
    QCOMPARE(uploads.size(), 1);
    QCOMPARE(uploads[0].value(QStringLiteral("header")).toString(), QStringLiteral("Firmware Nodalux 16"));
    QCOMPARE(uploads[0].value(QStringLiteral("sha256")).toString(), sha256Hex(file));

    // The flow does not search after an update; the user does.
    QVERIFY(lab.search());
    const auto after = lab.listed(nickname);
    QVERIFY(after);
    QVERIFY2(!after->bootloader, qPrintable(after->firmware));
    QCOMPARE(after->firmware, before.firmware);
    QCOMPARE(after->model, before.model);
    QCOMPARE(after->ip, before.ip);
}

// The user closes the firmware window without uploading: the controller stays
// in its bootloader and is listed so; a double-click opens the firmware window
// directly, and the upload brings the controller back.
void LabUpdateFromConfig::controllerLeftInItsBootloaderResumes() {
    QFETCH(QString, nickname);
    QFETCH(QString, fileName);

    Lab lab;
    QString error;
    QVERIFY2(lab.start(error), qPrintable(error));
    QVERIFY(lab.search());
    int row = lab.rowOf(nickname);
    QVERIFY(row >= 0);
    const Listed before = *lab.listed(nickname);

    lab.whileConfigOpenUpdateFirmware();
    lab.whileFirmwareOpen([](TTCPFirmware& w) {
        QTest::qWait(vantrel::firmware::kBootloaderPauseMs);
        QTest::mouseClick(w.Cancel, Qt::LeftButton);
    });
    lab.form.Network_GridCellDblClick(row);
    QCOMPARE(lab.services.modals.size(), 2);
    QCOMPARE(lab.services.modals[1].objectName, QStringLiteral("TCPFirmware"));
    QCOMPARE(lab.services.modals[1].result, vantrel::firmware::kModalClose);
    QCOMPARE(lab.services.messages.size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!lab.simEvents(QStringLiteral("bootloader"), before.ip).isEmpty(), kSimEventMs);

    QVERIFY(lab.search());
    const auto inBootloader = lab.listed(nickname);
    QVERIFY(inBootloader);
    QVERIFY2(inBootloader->bootloader, qPrintable(inBootloader->firmware));
    QVERIFY2(inBootloader->firmware.startsWith(kBootloaderPrefix), qPrintable(inBootloader->firmware));
    QCOMPARE(inBootloader->ip, before.ip);
    QCOMPARE(inBootloader->model, before.model);

    // Straight to the firmware window: no configuration window, no trigger.
    const QByteArray file = firmware_test::hexLikeBytes(20 * 1024 + 3);
    const QString path = lab.dir.filePath(fileName);
    QVERIFY(firmware_test::writeFile(path, file));
    lab.services.clearRecord();
    lab.whileFirmwareOpen([&](TTCPFirmware& w) { uploadWith(w, path); });
    row = lab.rowOf(nickname);
    lab.form.Network_GridCellDblClick(row);
    QCOMPARE(lab.services.modals.size(), 1);
    QCOMPARE(lab.services.modals[0].objectName, QStringLiteral("TCPFirmware"));
    QCOMPARE(lab.services.sleeps.size(), 0);
    QCOMPARE(lab.services.messages.size(), 1);
    QCOMPARE(lab.services.messages[0].text, kUpdateSent);
    QCOMPARE(lab.simEvents(QStringLiteral("bootloader"), before.ip).size(), 1);

    const QString stored = QDir(lab.uploadDir()).filePath(before.ip + QStringLiteral(".bin"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(stored), kSimEventMs);
    const QByteArray copy = readAll(stored);
    QVERIFY2(copy == file, qPrintable(firmware_test::byteDiff(file, copy)));

    QVERIFY(lab.search());
    const auto after = lab.listed(nickname);
    QVERIFY(after);
    QVERIFY2(!after->bootloader, qPrintable(after->firmware));
    QCOMPARE(after->firmware, before.firmware);
}

int main(int argc, char* argv[]) {
    return labwindow::runInLab<LabUpdateFromConfig>(argc, argv, "lab_update_from_config");
}

#include "lab_update_from_config.moc"
