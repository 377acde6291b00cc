// The firmware window as a user meets it: its controls, the file dialog, the
// file-name and generation checks, the warning, and what each end of an upload
// shows. The upload here is scripted (no socket): these tests look at what the
// window asks for and shows; the transfer itself is tested against a loopback
// server in test_firmware_transfer.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "FirmwareFixture.h"
#include "firmware/EthFirmware.h"
#include "ui/QtServices.h"
#include "ui/UserSettings.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel;
using firmware::TTCPFirmware;
using firmware_test::ScriptedUpload;
using net::FirmwareUploadResult;
using ui::testing::ScriptedServices;

namespace {

template <class T> T* find(const QWidget& window, const char* name) {
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
}

void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
}

const QByteArray kFile = firmware_test::hexLikeBytes(700);

enum class Outcome { Sent, Warned, Refused };

} // namespace
Q_DECLARE_METATYPE(Outcome)

class FirmwareWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_oldCwd;

    struct Rig {
        ScriptedServices services;
        ScriptedUpload* upload = new ScriptedUpload;
        TTCPFirmware window{services, std::unique_ptr<ScriptedUpload>(upload)};

        explicit Rig(const QString& model = QStringLiteral("Nodalux 16 MkII")) {
            window.setControllerSource(
                [model] { return firmware::FirmwareTarget{QStringLiteral("10.77.1.5"), model}; });
            window.show();
        }
        void updateWith(const QString& path) {
            typeAndLeave(find<QLineEdit>(window, "FileDisplay"), path);
            QTest::mouseClick(find<QPushButton>(window, "Update"), Qt::LeftButton);
        }
    };

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("MkII")));
        for (const char* name : {"Nodalux16-MkII-V2.0.hex", "Nodalux16-V1.4.hex", "Nodalux4-Mk2-V2.1.hex",
                                 "Nodalux4-V1.6.hex", "FIRMWARE.HEX", "Nodalux16-mkii-V2.0.hex",
                                 "MkII/Nodalux16-V1.4.hex", "anything.hex"})
            QVERIFY(firmware_test::writeFile(path(QString::fromLatin1(name)), kFile));
        QVERIFY(firmware_test::writeFile(path(QStringLiteral("empty.hex")), {}));
        // Typed names without a folder are found in the current directory.
        m_oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldCwd); }

    void windowAndControls() {
        Rig rig;
        const TTCPFirmware& w = rig.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Firmware  Update"));
        QCOMPARE(w.size(), QSize(366, 88));
        QCOMPARE(find<QPushButton>(w, "FileOpenBtn")->text(), QStringLiteral("Browse"));
        QCOMPARE(find<QLineEdit>(w, "FileDisplay")->text(), QString());
        QCOMPARE(find<QLabel>(w, "lblStatus")->text(), QStringLiteral("Please wait, updating firmware..."));
        QVERIFY(!find<QLabel>(w, "lblStatus")->isVisible());
        QVERIFY(!find<QProgressBar>(w, "progressUpload")->isVisible());
        QCOMPARE(find<QPushButton>(w, "Cancel")->text(), QStringLiteral("Close"));
        QCOMPARE(find<QPushButton>(w, "Update")->text(), QStringLiteral("Update"));
        QVERIFY(w.findChild<net::FirmwareUpload*>(QStringLiteral("IdTCPClient1")));
        // Every control lies inside the client area.
        for (const QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(QRect(QPoint(0, 0), w.size()).contains(c->geometry()), qPrintable(c->objectName()));
    }

    void closeEndsWithResult2AndKeepsTheFileName() {
        Rig rig;
        typeAndLeave(find<QLineEdit>(rig.window, "FileDisplay"), path(QStringLiteral("anything.hex")));
        QTest::mouseClick(find<QPushButton>(rig.window, "Cancel"), Qt::LeftButton);
        QVERIFY(!rig.window.isVisible());
        QCOMPARE(rig.window.result(), 2);
        rig.window.show();
        QCOMPARE(find<QLineEdit>(rig.window, "FileDisplay")->text(), path(QStringLiteral("anything.hex")));
    }

    void browseFillsThePathThroughTheFileDialog() {
        Rig rig;
        rig.services.queueFileChoice(path(QStringLiteral("Nodalux4-V1.6.hex")));
        QTest::mouseClick(find<QPushButton>(rig.window, "FileOpenBtn"), Qt::LeftButton);
        QCOMPARE(rig.services.fileDialogs.size(), 1);
        QCOMPARE(rig.services.fileDialogs.front().filter, QStringLiteral("Firmware Hex File|*.hex"));
        QCOMPARE(find<QLineEdit>(rig.window, "FileDisplay")->text(), path(QStringLiteral("Nodalux4-V1.6.hex")));
        // Cancelling the dialog keeps the path.
        QTest::mouseClick(find<QPushButton>(rig.window, "FileOpenBtn"), Qt::LeftButton);
        QCOMPARE(find<QLineEdit>(rig.window, "FileDisplay")->text(), path(QStringLiteral("Nodalux4-V1.6.hex")));
        // The production dialog gets the filter in its own form.
        QCOMPARE(ui::qtFileFilter(QStringLiteral("Firmware Hex File|*.hex")),
                 QStringLiteral("Firmware Hex File (*.hex)"));
    }

    // Browse opens where the last firmware file was chosen, also in the next
    // run of the program; a folder that has gone opens the current folder.
    void browseStartsInTheFolderOfTheFileChosenLast() {
        QTemporaryDir config;
        const QString settingsFile = config.filePath(QStringLiteral("vantrel/vantrel.conf"));
        {
            Rig rig;
            ui::UserSettings settings(settingsFile);
            rig.window.setUserSettings(&settings);
            rig.services.queueFileChoice(path(QStringLiteral("MkII/Nodalux16-V1.4.hex")));
            QTest::mouseClick(find<QPushButton>(rig.window, "FileOpenBtn"), Qt::LeftButton);
            QCOMPARE(rig.services.fileDialogs.front().startFolder, QString()); // nothing remembered yet
            // A cancelled dialog remembers nothing.
            QTest::mouseClick(find<QPushButton>(rig.window, "FileOpenBtn"), Qt::LeftButton);
            QCOMPARE(rig.services.fileDialogs.at(1).startFolder, path(QStringLiteral("MkII")));
        }
        {
            Rig rig; // the next run
            ui::UserSettings settings(settingsFile);
            rig.window.setUserSettings(&settings);
            QTest::mouseClick(find<QPushButton>(rig.window, "FileOpenBtn"), Qt::LeftButton);
            QCOMPARE(rig.services.fileDialogs.front().startFolder, path(QStringLiteral("MkII")));
            QCOMPARE(find<QLineEdit>(rig.window, "FileDisplay")->text(), QString());
        }
        QTemporaryDir gone;
        const QString goneFolder = gone.path();
        {
            ui::UserSettings settings(settingsFile);
            settings.setFirmwareFolder(goneFolder);
        }
        gone.remove();
        Rig rig;
        ui::UserSettings settings(settingsFile);
        rig.window.setUserSettings(&settings);
        QTest::mouseClick(find<QPushButton>(rig.window, "FileOpenBtn"), Qt::LeftButton);
        QCOMPARE(rig.services.fileDialogs.front().startFolder, QString());
    }

    void fileNameIsTheTextAfterTheLastSeparator_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslashes") << "C:\\Firmware\\MkII\\Nodalux16-V1.4.hex" << "Nodalux16-V1.4.hex";
        QTest::newRow("slashes") << "/home/user/MkII/Nodalux16-V1.4.hex" << "Nodalux16-V1.4.hex";
        QTest::newRow("mixed, slash last") << "C:\\fw\\MkII/Nodalux16-V1.4.hex" << "Nodalux16-V1.4.hex";
        QTest::newRow("mixed, backslash last") << "/fw/Mk2\\Nodalux4.hex" << "Nodalux4.hex";
        QTest::newRow("no separator") << "Nodalux16-MkII-V2.0.hex" << "Nodalux16-MkII-V2.0.hex";
        QTest::newRow("ends in a separator") << "C:\\Firmware\\" << "";
        QTest::newRow("empty") << "" << "";
    }
    void fileNameIsTheTextAfterTheLastSeparator() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(TTCPFirmware::GetFileName(path), name);
    }

    // The generation check: exact and case-sensitive, on the file's name only.
    void generationCheck_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Outcome>("outcome");
        const QString mk2 = QStringLiteral("Nodalux 16 MkII");
        QTest::newRow("MkII model, MkII file") << mk2 << path("Nodalux16-MkII-V2.0.hex") << Outcome::Sent;
        QTest::newRow("MkII model, first-gen file") << mk2 << path("Nodalux16-V1.4.hex") << Outcome::Warned;
        QTest::newRow("MkII model, lower-case mkii") << mk2 << path("Nodalux16-mkii-V2.0.hex") << Outcome::Warned;
        QTest::newRow("Mk2 model, Mk2 file") << "Nodalux 4 Mk2" << path("Nodalux4-Mk2-V2.1.hex") << Outcome::Sent;
        QTest::newRow("first-gen model, Mk2 file") << "Nodalux 4" << path("Nodalux4-Mk2-V2.1.hex") << Outcome::Warned;
        QTest::newRow("first-gen model, first-gen file") << "Nodalux 4" << path("Nodalux4-V1.6.hex") << Outcome::Sent;
        QTest::newRow("first-gen model, lower-case mkii") << "Nodalux 16" << path("Nodalux16-mkii-V2.0.hex")
                                                          << Outcome::Sent;
        QTest::newRow("first-gen model, MkII folder") << "Nodalux 16" << path("MkII/Nodalux16-V1.4.hex")
                                                      << Outcome::Sent;
        QTest::newRow("MkII model, MkII folder only") << mk2 << path("MkII/Nodalux16-V1.4.hex") << Outcome::Warned;
        QTest::newRow("other family, MkII file") << "Arvello 16" << path("Nodalux16-MkII-V2.0.hex") << Outcome::Sent;
        QTest::newRow("other family, any file") << "Arvello 16" << path("anything.hex") << Outcome::Sent;
        QTest::newRow("lower-case family is not the family") << "nodalux 4" << path("Nodalux16-MkII-V2.0.hex")
                                                             << Outcome::Sent;
        QTest::newRow("typed name, checked whole") << "Nodalux 4" << "Nodalux4-Mk2-V2.1.hex" << Outcome::Warned;
        QTest::newRow("typed name, sent") << mk2 << "Nodalux16-MkII-V2.0.hex" << Outcome::Sent;
        QTest::newRow("upper-case extension") << mk2 << path("FIRMWARE.HEX") << Outcome::Refused;
        QTest::newRow("no extension") << mk2 << path("MkII") << Outcome::Refused;
        QTest::newRow("empty") << mk2 << "" << Outcome::Refused;
    }
    void generationCheck() {
        QFETCH(QString, model);
        QFETCH(QString, file);
        QFETCH(Outcome, outcome);
        Rig rig(model);
        rig.services.queueAnswer(ui::Answer::Abort);
        rig.updateWith(file);

        const QString warning = QString::fromLatin1(firmware::kIncompatibleText);
        switch (outcome) {
        case Outcome::Sent: {
            QCOMPARE(rig.services.countMessages(warning), 0);
            QCOMPARE(rig.upload->requests.size(), 1);
            const auto& r = rig.upload->requests.front();
            QCOMPARE(r.host, QStringLiteral("10.77.1.5"));
            QCOMPARE(r.port, quint16(49150));
            QCOMPARE(r.header, QByteArray("Firmware Nodalux 16\r\n"));
            QCOMPARE(r.pauseMs, 2000);
            QVERIFY2(r.file == kFile, qPrintable(firmware_test::byteDiff(kFile, r.file)));
            QCOMPARE(rig.services.countMessages(QStringLiteral("Update Sent")), 1);
            break;
        }
        case Outcome::Warned: {
            QCOMPARE(rig.services.messages.size(), 1);
            const auto& m = rig.services.messages.front();
            QCOMPARE(m.text, warning);
            QCOMPARE(m.kind, ui::MessageKind::Warning);
            QCOMPARE(m.buttons, ui::Buttons::AbortIgnore);
            QVERIFY(rig.upload->requests.isEmpty()); // Abort sends nothing
            QVERIFY(rig.window.isVisible());
            break;
        }
        case Outcome::Refused:
            QCOMPARE(rig.services.messages.size(), 1);
            QCOMPARE(rig.services.messages.front().text, QStringLiteral("Please select a valid firmware file."));
            QVERIFY(rig.upload->requests.isEmpty());
            QVERIFY(rig.window.isVisible());
            break;
        }
    }

    void ignoreSendsDespiteTheWarning() {
        Rig rig(QStringLiteral("Nodalux 4"));
        rig.services.queueAnswer(ui::Answer::Ignore);
        rig.updateWith(path(QStringLiteral("Nodalux4-Mk2-V2.1.hex")));
        QCOMPARE(rig.services.countMessages(QString::fromLatin1(firmware::kIncompatibleText)), 1);
        QCOMPARE(rig.upload->requests.size(), 1);
        QCOMPARE(rig.services.countMessages(QStringLiteral("Update Sent")), 1);
    }

    void dismissingTheWarningSendsNothing() {
        Rig rig(QStringLiteral("Nodalux 4"));
        rig.services.queueAnswer(ui::Answer::Dismissed);
        rig.updateWith(path(QStringLiteral("Nodalux4-Mk2-V2.1.hex")));
        QVERIFY(rig.upload->requests.isEmpty());
        QVERIFY(rig.window.isVisible());
    }

    // "Update Sent" is an information box; the window then closes with result 2.
    void sentReportsAndCloses() {
        Rig rig;
        rig.updateWith(path(QStringLiteral("Nodalux16-MkII-V2.0.hex")));
        QCOMPARE(rig.services.messages.size(), 1);
        QCOMPARE(rig.services.messages.front().text, QStringLiteral("Update Sent"));
        QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Information);
        QVERIFY(!rig.window.isVisible());
        QCOMPARE(rig.window.result(), 2);
    }

    // Every failure: a message, the status hidden, the window open and usable.
    void failuresAreReportedAndTheWindowStaysOpen_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("kind");
        QTest::newRow("cannot connect")
            << int(FirmwareUploadResult::CannotConnect)
            << "Cannot connect to the device, maybe it is offline?\r\rCheck network cable is still connected and "
               "device LEDs indicate bootload mode."
            << int(ui::MessageKind::Plain);
        QTest::newRow("broken") << int(FirmwareUploadResult::ConnectionBroken)
                                << "Error Sending File\r\rThe connection to the device broke before the upload was "
                                   "complete. Connection reset."
                                << int(ui::MessageKind::Error);
        QTest::newRow("stalled") << int(FirmwareUploadResult::Stalled)
                                 << "Error Sending File\r\rThe device stopped taking data before the whole file was "
                                    "sent. Connection reset."
                                 << int(ui::MessageKind::Error);
    }
    void failuresAreReportedAndTheWindowStaysOpen() {
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(int, kind);
        Rig rig;
        rig.upload->result = FirmwareUploadResult(result);
        rig.upload->detail = QStringLiteral("Connection reset.");
        rig.updateWith(path(QStringLiteral("Nodalux16-MkII-V2.0.hex")));
        QCOMPARE(rig.services.messages.size(), 1);
        QCOMPARE(rig.services.messages.front().text, message);
        QCOMPARE(int(rig.services.messages.front().kind), kind);
        QVERIFY(rig.window.isVisible());
        QVERIFY(!find<QLabel>(rig.window, "lblStatus")->isVisible());
        QVERIFY(!find<QProgressBar>(rig.window, "progressUpload")->isVisible());
        QVERIFY(find<QPushButton>(rig.window, "Update")->isEnabled());
        QVERIFY(find<QPushButton>(rig.window, "Cancel")->isEnabled());
        // The user can try again.
        rig.upload->result = FirmwareUploadResult::Sent;
        QTest::mouseClick(find<QPushButton>(rig.window, "Update"), Qt::LeftButton);
        QCOMPARE(rig.upload->requests.size(), 2);
        QCOMPARE(rig.services.countMessages(QStringLiteral("Update Sent")), 1);
    }

    // Files that cannot be sent end before any connection is made.
    void unusableFilesAreReportedWithoutConnecting_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << path("empty.hex") << "Error Sending File";
        QTest::newRow("missing") << path("gone.hex") << "Cannot read the firmware file \"" + path("gone.hex") + "\": ";
        QTest::newRow("a folder") << path("folder.hex") << "Cannot read the firmware file \"" + path("folder.hex") +
                                                               "\": ";
    }
    void unusableFilesAreReportedWithoutConnecting() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QDir(m_dir.path()).mkpath(QStringLiteral("folder.hex"));
        Rig rig(QStringLiteral("Arvello 16")); // no generation check
        rig.updateWith(file);
        QCOMPARE(rig.services.messages.size(), 1);
        const QString shown = rig.services.messages.front().text;
        QVERIFY2(shown.startsWith(message), qPrintable(shown));
        QCOMPARE(rig.services.messages.front().kind, ui::MessageKind::Error);
        QVERIFY(rig.upload->requests.isEmpty());
        QVERIFY(rig.window.isVisible());
        QVERIFY(!find<QLabel>(rig.window, "lblStatus")->isVisible());
    }

    void withoutASelectedControllerNothingIsSent() {
        Rig rig;
        rig.window.setControllerSource([] { return std::optional<firmware::FirmwareTarget>(); });
        rig.window.hide();
        rig.window.show(); // the selection is taken when the window is shown
        rig.updateWith(path(QStringLiteral("Nodalux16-MkII-V2.0.hex")));
        QCOMPARE(rig.services.messages.size(), 1);
        QCOMPARE(rig.services.messages.front().text, QString::fromLatin1(firmware::kNoControllerText));
        QVERIFY(rig.upload->requests.isEmpty());
    }

    // While the upload runs: the status shows, the window cannot be closed or
    // started again, and it keeps handling events.
    void whileSendingTheWindowShowsItAndCannotBeClosed() {
        Rig rig;
        rig.upload->holdOpen = true;
        bool looked = false;
        QTimer::singleShot(50, &rig.window, [&] {
            looked = true;
            QVERIFY(rig.window.isSending());
            QVERIFY(find<QLabel>(rig.window, "lblStatus")->isVisible());
            QVERIFY(find<QProgressBar>(rig.window, "progressUpload")->isVisible());
            QVERIFY(!find<QPushButton>(rig.window, "Update")->isEnabled());
            QVERIFY(!find<QPushButton>(rig.window, "Cancel")->isEnabled());
            QVERIFY(!find<QPushButton>(rig.window, "FileOpenBtn")->isEnabled());
            rig.window.close();                             // the title bar
            QTest::keyClick(&rig.window, Qt::Key_Escape);   // the keyboard
            QVERIFY(rig.window.isVisible());
            rig.window.UpdateClick();                       // a second start is ignored
            QCOMPARE(rig.upload->requests.size(), 1);
            rig.upload->finishNow();
        });
        rig.updateWith(path(QStringLiteral("Nodalux16-MkII-V2.0.hex")));
        QVERIFY(looked);
        QCOMPARE(rig.services.countMessages(QStringLiteral("Update Sent")), 1);
        QVERIFY(!rig.window.isSending());
    }
};

QTEST_MAIN(FirmwareWindowTest)
#include "test_firmware_window.moc"
