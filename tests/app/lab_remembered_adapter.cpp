// The adapter remembered across two runs of the program, in the network lab.
// The lab's pc side has two adapters: 10.77.0.1 towards the "lan" segment,
// where the simulator plays its default fleet, and 172.31.77.1 towards the
// "other" segment, where one simulated controller answers at 172.31.77.2.
// Which adapter a run searches through shows in which simulator hears its poll.
//
// Run 1 is the main window as the program wires it, with the user's settings
// in a temporary XDG configuration folder: the user chooses the adapter that
// is not the first and finds the controller behind it. Run 2 is the program
// itself (offscreen, searching once at start-up): it starts on that adapter.
// Then the settings file is corrupted: run 3, the program again, ignores it,
// starts on the first adapter as it always did, and keeps running.
// Exits 77 (a skip for CTest) outside the lab.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tests/support/LabWindow.h"
#include "ui/UserSettings.h"
#include "ui/testing/ScriptedServices.h"

namespace {

constexpr int kSimStartMs = 10000;
constexpr int kRepliesMs = 10000;
constexpr int kProgramPollMs = 15000;
constexpr int kStopMs = 5000;

// How many polls from `from` a simulator's log shows.
int pollsFrom(const QString& log, const QString& from) {
    int n = 0;
    for (const QJsonObject& line : labwindow::jsonLines(log))
        if (line.value(QStringLiteral("dir")).toString() == QStringLiteral("rx") &&
            line.value(QStringLiteral("from")).toString() == from && line.value(QStringLiteral("len")).toInt() == 12)
            ++n;
    return n;
}

// The program itself, offscreen, with the settings of `configHome`; it
// presses Search once shortly after start-up.
class Program {
public:
    bool start(const QString& path, const QString& configHome) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env.insert(QStringLiteral("VANTREL_AUTOSEARCH"), QStringLiteral("1"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(path, {});
        return m_process.waitForStarted(kStopMs);
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString output() { return QString::fromLocal8Bit(m_process.readAll()); }
    ~Program() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.terminate();
        if (!m_process.waitForFinished(kStopMs)) {
            m_process.kill();
            m_process.waitForFinished(kStopMs);
        }
    }

private:
    QProcess m_process;
};

} // namespace

class LabRememberedAdapter : public QObject {
    Q_OBJECT

private slots:
    void theAdapterIsRememberedAndACorruptFileIgnored() {
        const auto lab = vantrel::labtest::Lab::fromEnvironment();
        QVERIFY2(QFileInfo(lab.appPath).isExecutable(), "VANTREL_APP must name the built vantrel");
        QVERIFY2(!lab.otherNamespace.isEmpty() && !lab.otherPcAddress.isEmpty(), "the lab has no second segment");

        QTemporaryDir dir;
        const QString configHome = dir.filePath(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
        const QString settingsFile = vantrel::ui::UserSettings::defaultPath();
        QCOMPARE(settingsFile, configHome + QStringLiteral("/vantrel/vantrel.conf"));

        // The two segments, each with simulated controllers that log what they hear.
        const QString lanLog = dir.filePath(QStringLiteral("lan.log"));
        const QString otherLog = dir.filePath(QStringLiteral("other.log"));
        vantrel::labtest::SimProcess lanSim;
        vantrel::labtest::SimProcess otherSim;
        QString error;
        QVERIFY2(lanSim.start(lab, {QStringLiteral("--log"), lanLog}, kSimStartMs, error), qPrintable(error));
        QVERIFY2(otherSim.start(lab,
                                {QStringLiteral("--count"), QStringLiteral("1"), QStringLiteral("--first-ip"),
                                 lab.otherAddress, QStringLiteral("--mask"), QStringLiteral("255.255.255.0"),
                                 QStringLiteral("--log"), otherLog},
                                kSimStartMs, error, lab.otherNamespace),
                 qPrintable(error));
        const auto logBehind = [&](const QString& adapter) { return adapter == lab.pcAddress ? lanLog : otherLog; };

        // --- run 1: the user chooses the adapter that is not the first -----------------
        QString first;
        QString chosen;
        {
            vantrel::ui::UserSettings settings(settingsFile);
            vantrel::ui::testing::ScriptedServices services;
            vantrel::net::SystemAdapterProvider adapters;
            vantrel::net::QtUdpEndpoint endpoint;
            vantrel::app::TForm1 form(vantrel::app::Branding{}, services, adapters, endpoint);
            form.setUserSettings(&settings);
            vantrel::app::createWindows(form, services);
            form.show();
            auto* combo = form.findChild<QComboBox*>(QStringLiteral("comboNetAdapter"));
            QVERIFY(combo->findText(lab.pcAddress) >= 0 && combo->findText(lab.otherPcAddress) >= 0);
            first = combo->currentText();
            QCOMPARE(first, combo->itemText(0)); // nothing remembered yet: the first adapter
            chosen = first == lab.pcAddress ? lab.otherPcAddress : lab.pcAddress;
            combo->setCurrentIndex(combo->findText(chosen));
            QCOMPARE(endpoint.boundAddress(), QHostAddress(chosen));
            QTest::mouseClick(form.Net_Search, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(form.gridModel().rowCount() > 0, kRepliesMs);
            QVERIFY(pollsFrom(logBehind(chosen), chosen) >= 1);
            form.close();
        }
        QVERIFY(QFileInfo(settingsFile).isFile());
        const int lanPolls = pollsFrom(lanLog, lab.pcAddress);
        const int otherPolls = pollsFrom(otherLog, lab.otherPcAddress);
        const auto pollsThrough = [&](const QString& adapter) {
            return adapter == lab.pcAddress ? pollsFrom(lanLog, adapter) - lanPolls
                                            : pollsFrom(otherLog, adapter) - otherPolls;
        };

        // --- run 2: the program starts on the adapter chosen in run 1 ---------------------
        {
            Program program;
            QVERIFY(program.start(lab.appPath, configHome));
            QVERIFY2(QTest::qWaitFor([&] { return pollsThrough(chosen) > 0; }, kProgramPollMs),
                     qPrintable(QStringLiteral("no poll through %1; the program printed: %2")
                                    .arg(chosen, program.output())));
            QCOMPARE(pollsThrough(first), 0);
            QVERIFY(program.running());
        }

        // --- run 3: a corrupt settings file is ignored -----------------------------------
        {
            QFile file(settingsFile);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            // A good line, then a broken group and binary bytes: the whole file is ignored.
            QByteArray content = QByteArray("[network]\nadapter=") + chosen.toLatin1() + "\n[folders\n";
            content.append(QByteArray("\xff\xfe\x00garbage", 10));
            QVERIFY(file.write(content) == content.size());
        }
        const int chosenBefore = pollsThrough(chosen);
        {
            Program program;
            QVERIFY(program.start(lab.appPath, configHome));
            QVERIFY2(QTest::qWaitFor([&] { return pollsThrough(first) > 0; }, kProgramPollMs),
                     qPrintable(QStringLiteral("no poll through %1; the program printed: %2")
                                    .arg(first, program.output())));
            QCOMPARE(pollsThrough(chosen), chosenBefore);
            QVERIFY2(program.running(), qPrintable(program.output()));
        }
    }
};

int main(int argc, char* argv[]) {
    return labwindow::runInLab<LabRememberedAdapter>(argc, argv, "lab_remembered_adapter");
}

#include "lab_remembered_adapter.moc"
