// The main window with the user's remembered choices, as the program wires
// it: the adapter chosen in one run is chosen again at the next start (and
// by Refresh Adapters) while it is listed, otherwise the first adapter as
// always; the auto-poll interval comes back too. Runs on the fake endpoint
// and adapters; the settings file lives in a temporary folder.

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "AppRig.h"
#include "ui/UserSettings.h"

using namespace apptest;
using vantrel::ui::UserSettings;

namespace {

template <typename T>
T* control(QWidget& form, const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
}

// One run of the program: its settings read from `file` before the window is shown.
struct Run {
    UserSettings settings;
    AppRig rig;
    explicit Run(const QString& file, QList<Adapter> adapters = twoAdapters(), const Branding& edition = {})
        : settings(file), rig(edition, std::move(adapters), false) {
        rig.form->setUserSettings(&settings);
        vantrel::app::createWindows(*rig.form, rig.services);
        rig.form->show();
    }
    QComboBox* combo() { return control<QComboBox>(*rig.form, "comboNetAdapter"); }
};

const QHostAddress kFirst(QStringLiteral("192.168.77.1"));
const QHostAddress kSecond(QStringLiteral("10.1.2.3"));

} // namespace

class RememberedChoicesTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file() const { return m_dir.filePath(QStringLiteral("vantrel/vantrel.conf")); }

private slots:
    void init() { QFile::remove(file()); }

    void theAdapterChosenIsChosenAgainAtTheNextStart() {
        {
            Run first(file());
            QCOMPARE(first.combo()->currentText(), kFirst.toString()); // nothing remembered: the first
            first.combo()->setCurrentIndex(1);                        // the user picks the other one
            QCOMPARE(first.rig.endpoint.boundAddress(), kSecond);
        }
        Run next(file());
        QCOMPARE(next.combo()->currentText(), kSecond.toString());
        QCOMPARE(next.rig.endpoint.bindRequests(), QList<QHostAddress>{kSecond}); // bound once, to it
        // Search goes out through it.
        QTest::mouseClick(control<QPushButton>(*next.rig.form, "Net_Search"), Qt::LeftButton);
        QCOMPARE(next.rig.endpoint.sent().size(), 1);
        QCOMPARE(next.rig.endpoint.boundAddress(), kSecond);
        // Refresh Adapters keeps it too.
        QTest::mouseClick(control<QPushButton>(*next.rig.form, "btnRefresh"), Qt::LeftButton);
        QCOMPARE(next.combo()->currentText(), kSecond.toString());
    }

    void anAdapterThatIsGoneGivesTheFirstAndStaysRemembered() {
        { UserSettings(file()).setAdapter(QStringLiteral("172.16.5.5")); }
        {
            Run run(file());
            QCOMPARE(run.combo()->currentText(), kFirst.toString());
            QCOMPARE(run.rig.endpoint.boundAddress(), kFirst);
        }
        // Starting without it did not forget it: it is chosen once it is back.
        QList<Adapter> back = twoAdapters();
        back << Adapter{QStringLiteral("172.16.5.5"), QStringLiteral("255.255.0.0"), QStringLiteral("usb0")};
        Run run(file(), back);
        QCOMPARE(run.combo()->currentText(), QStringLiteral("172.16.5.5"));
    }

    void noAdapterAtAllKeepsNoneFoundAndRemembersNothing() {
        { UserSettings(file()).setAdapter(kSecond.toString()); }
        {
            Run run(file(), {});
            QCOMPARE(run.combo()->currentText(), QStringLiteral("None Found"));
        }
        QCOMPARE(UserSettings(file()).adapter(), kSecond.toString());
    }

    void aCorruptFileStartsWithTheDefaults() {
        QDir().mkpath(QFileInfo(file()).absolutePath());
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[network]\nadapter=10.1.2.3\n[diagnostics\nautoPollInterval=2500\n\xff\xfe");
        f.close();
        Run run(file());
        QCOMPARE(run.combo()->currentText(), kFirst.toString());
        QCOMPARE(control<QSpinBox>(*run.rig.form, "numAutoPollTime")->value(), TForm1::kAutoPollDefault);
    }

    void theAutoPollIntervalComesBack() {
        const Branding dev{0, {2, 3, 23}, true}; // the Diagnostics tab with the interval is shown
        {
            Run first(file(), twoAdapters(), dev);
            control<QTabWidget>(*first.rig.form, "tabControl1")->setCurrentIndex(1);
            QSpinBox* interval = control<QSpinBox>(*first.rig.form, "numAutoPollTime");
            QCOMPARE(interval->value(), TForm1::kAutoPollDefault);
            interval->setFocus();
            interval->selectAll();
            QTest::keyClicks(interval, QStringLiteral("2500"));
            QTest::keyClick(interval, Qt::Key_Tab);
            QCOMPARE(interval->value(), 2500);
        }
        Run next(file(), twoAdapters(), dev);
        QCOMPARE(control<QSpinBox>(*next.rig.form, "numAutoPollTime")->value(), 2500);
        QCOMPARE(control<QTimer>(*next.rig.form, "AutoPollTimer")->interval(), 2500);
    }
};

QTEST_MAIN(RememberedChoicesTest)
#include "test_remembered_choices.moc"
