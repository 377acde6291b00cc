// The Test tab on real sockets, inside the network lab: the main window and
// its configuration window as the program wires them, offscreen on the lab's
// "pc" side; three simulated protocol-8 controllers on the "lan" side, logging
// every packet they receive and send. Exits 77 (a skip for CTest) outside
// the lab.
//
// - Choosing "Red" makes the simulated controller run it; its announce comes
//   back and "Current Test:" shows "Red".
// - Single Pixel stepping reaches the controller pixel by pixel up to the
//   maximum, and the controller reports the last pixel.
// - Start / Stop Identify reach the controller with the selected MAC only.

#include <QDoubleSpinBox>
#include <QJsonObject>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "config/NodaluxConfig.h"
#include "testmode/TestTab.h"
#include "tests/support/LabWindow.h"

namespace {

constexpr int kSimStartMs = 10000;
constexpr int kReplyMs = 10000;
constexpr int kControllers = 3;
// The selected controller: the lab's second host.
const QString kTarget = QStringLiteral("10.77.1.2");

} // namespace

class LabTestTab : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void redRunsAndIsReported();
    void singlePixelSteppingReachesTheController();
    void identifyReachesTheControllerByMac();
    void cleanupTestCase();

private:
    // The simulator's log lines so far.
    QList<QJsonObject> logLines() const;
    // Packets the simulator received from the tool of `kind` for the target (rx).
    QList<QJsonObject> received(const QString& kind) const;
    QList<QJsonObject> events(const QString& name) const;

    QString logPath() const { return m_lab->dir.filePath(QStringLiteral("sim.jsonl")); }

    std::unique_ptr<labwindow::LabWindow> m_lab = std::make_unique<labwindow::LabWindow>();
    vantrel::testmode::TestTab* m_tab = nullptr; // owned by the main window
    vantrel::config::TNodaluxConfig* m_config = nullptr;
};

QList<QJsonObject> LabTestTab::logLines() const { return labwindow::jsonLines(logPath()); }

QList<QJsonObject> LabTestTab::received(const QString& kind) const {
    QList<QJsonObject> out;
    for (const QJsonObject& line : logLines()) {
        if (line.value("dir").toString() != "rx" || line.value("to").toString() != kTarget) continue;
        const QJsonObject packet = line.value("decoded").toObject();
        if (packet.value("kind").toString() == kind) out << packet;
    }
    return out;
}

QList<QJsonObject> LabTestTab::events(const QString& name) const {
    QList<QJsonObject> out;
    for (const QJsonObject& line : logLines())
        if (line.value("event").toString() == name) out << line;
    return out;
}

void LabTestTab::initTestCase() {
    QVERIFY(m_lab->dir.isValid());
    QString error;
    // The Test tab and the flows as the program binds them: the main
    // window's reader applies announcements, the tab shows them.
    QVERIFY2(m_lab->start({QStringLiteral("--count"), QString::number(kControllers), QStringLiteral("--log"), logPath()},
                          kSimStartMs, error),
             qPrintable(error));
    m_config = m_lab->windows.NodaluxConfig;
    QVERIFY(m_config);
    m_tab = m_lab->form.findChild<vantrel::testmode::TestTab*>();
    QVERIFY(m_tab);

    m_lab->pressSearch();
    QTRY_COMPARE_WITH_TIMEOUT(m_lab->form.gridModel().rowCount(), kControllers, kReplyMs);
    const int row = m_lab->rowOf(kTarget, vantrel::app::DeviceGridModel::ColIP);
    QVERIFY2(row >= 0, "the target controller is not listed");
    m_lab->form.SetSelectedController(row);
    QVERIFY(m_lab->form.selectedRecord());

    // What the configuration flow does before it shows the window.
    const vantrel::model::TNodaluxCtrl& rec = *m_lab->form.selectedRecord();
    m_config->comboTestModes->clear();
    m_config->comboTestModes->addItems(vantrel::testmode::testModeEntries(rec.QorvanaProtVer));
    m_config->comboTestModes->setCurrentIndex(rec.TestMode);
    m_config->lblCurrentTest->setText(m_config->comboTestModes->currentText());
    m_config->TabControl1->setCurrentWidget(m_config->tabTest);
    m_config->show();
    m_config->FormShow();
    QVERIFY(received(QStringLiteral("testSet")).isEmpty());
}

void LabTestTab::redRunsAndIsReported() {
    m_config->comboTestModes->setCurrentIndex(m_config->comboTestModes->findText(QStringLiteral("Red")));

    QTRY_COMPARE_WITH_TIMEOUT(m_config->lblCurrentTest->text(), QStringLiteral("Red"), kReplyMs);
    QCOMPARE(m_lab->form.selectedRecord()->TestMode, 2);
    const auto tests = events(QStringLiteral("test"));
    QCOMPARE(tests.size(), 1);
    QCOMPARE(tests[0].value("ip").toString(), kTarget);
    QVERIFY(tests[0].value("accepted").toBool());
    QCOMPARE(m_lab->services.messages.size(), 0);
}

void LabTestTab::singlePixelSteppingReachesTheController() {
    m_config->comboTestModes->setCurrentIndex(m_config->comboTestModes->findText(QStringLiteral("Single Pixel")));
    QTRY_COMPARE_WITH_TIMEOUT(m_config->lblCurrentTest->text(), QStringLiteral("Single Pixel"), kReplyMs);

    // Start two pixels below the end of the outputs, half a second a step.
    QSpinBox* pixel = m_config->numboxTestPixelNumber;
    const int maximum = pixel->maximum();
    QVERIFY(maximum > 3);
    pixel->setValue(maximum - 2);
    m_config->numboxTestPixelAutoTime->setValue(0.5);
    QTest::mouseClick(m_config->btnTestPixelAutoStart, Qt::LeftButton);
    QVERIFY(m_tab->isStepping());
    QTRY_VERIFY_WITH_TIMEOUT(!m_tab->isStepping(), kReplyMs);

    // Every pixel reached the controller, one after the other.
    QList<int> pixels;
    for (const QJsonObject& p : received(QStringLiteral("testSet")))
        if (p.value("mode").toInt() == 8) pixels << p.value("pixel").toInt();
    QVERIFY(pixels.size() >= 3);
    QCOMPARE(pixels.mid(pixels.size() - 3), (QList<int>{maximum - 2, maximum - 1, maximum}));
    // The controller reports the last one, and the tab shows it.
    QTRY_COMPARE_WITH_TIMEOUT(m_lab->form.selectedRecord()->TestSinglePixelNum, maximum, kReplyMs);
    QCOMPARE(pixel->value(), maximum);
    QCOMPARE(m_lab->services.messages.size(), 0);
}

void LabTestTab::identifyReachesTheControllerByMac() {
    QTest::mouseClick(m_config->btnIdentifyStart, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(events(QStringLiteral("identify")).size(), 1, kReplyMs);
    QJsonObject e = events(QStringLiteral("identify")).at(0);
    QCOMPARE(e.value("ip").toString(), kTarget);
    QVERIFY(e.value("enable").toBool());

    QTest::mouseClick(m_config->btnIdentifyStop, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(events(QStringLiteral("identify")).size(), 2, kReplyMs);
    e = events(QStringLiteral("identify")).at(1);
    QCOMPARE(e.value("ip").toString(), kTarget);
    QVERIFY(!e.value("enable").toBool());
    QCOMPARE(m_lab->services.messages.size(), 0);
}

void LabTestTab::cleanupTestCase() {
    if (m_config) m_config->FormClose();
    m_tab = nullptr;
    m_lab.reset();
}

int main(int argc, char* argv[]) { return labwindow::runInLab<LabTestTab>(argc, argv, "lab_test_tab"); }

#include "lab_test_tab.moc"
