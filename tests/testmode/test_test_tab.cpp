// The Test tab as a user works it: what each action stores in the record,
// what the tab shows and which test-set packets go out; the controller's
// announcements; automatic single-pixel stepping; identify.

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "TestTabRig.h"
#include "config/ColourPanel.h"
#include "net/SendNetworkPacket.h"
#include "protocol/TestPackets.h"

Q_DECLARE_METATYPE(vantrel::model::TNodaluxCtrl)

using namespace testmode_test;
using vantrel::ui::MessageKind;

namespace {

const QString kMaxMessage = QString::fromUtf8(vantrel::testmode::kPixelMaximumMessage);

// A controller whose outputs 1..3 have the given pixels (no null pixels) and
// the given pixel limit.
TNodaluxCtrl threeOutputs(int a, int b, int c, int limit) {
    TNodaluxCtrl r = controller(8);
    r.NumStrings = 3;
    r.NumUsableOutputs = 3;
    r.MaxPixels = static_cast<std::uint16_t>(limit);
    r.NumNodes = {};
    r.NumNodes[0] = a;
    r.NumNodes[1] = b;
    r.NumNodes[2] = c;
    return r;
}

// An announce of protocol 5 written out by hand: the address sits at 18..21.
QByteArray announceV5(const QByteArray& ip, int mode, int red, int green, int blue) {
    return header(9, 5) + bytes({0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}) // not interpreted
           + ip                                                       // 18..21 address
           + bytes({mode, red, green, blue});                          // 22..25
}

// A protocol-8 announce from 192.168.77.50.
QByteArray announceV8(int mode, std::array<int, 4> cols, int output, int pixel) {
    return header(9, 8) + bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}) // not interpreted
           + bytes({192, 168, 77, 50})                                // 18..21 address
           + bytes({mode, cols[0], cols[1], cols[2], cols[3]})         // 22..26 mode, colour
           + bytes({output, pixel >> 8, pixel & 0xFF});                // 27..29 output, pixel
}

} // namespace

class TestTestTab : public QObject {
    Q_OBJECT

private slots:
    // --- packets from user actions ---------------------------------------------------
    void packetsFromTheList_data();
    void packetsFromTheList();
    void singlePixelPacketCarriesOutputAndPixel();
    void sendFailureIsShownAndTheRecordKeepsItsValue();

    // --- colour -------------------------------------------------------------------------
    void sliderSendsOnceAndTheOtherControlsFollow();
    void levelAlreadyStoredSendsNothing();
    void typedLevelIsClampedStoredAndSent();
    void pickerSendsItsColourWithTheWhiteSlider();
    void whiteControls_data();
    void whiteControls();

    // --- outputs and the pixel limit -------------------------------------------------------
    void outputChoiceIsStoredAndSent();
    void pixelMaximum_data();
    void pixelMaximum();
    void lowerMaximumPullsThePixelDownInOnePacket();

    // --- stepping ---------------------------------------------------------------------------
    void steppingWalksToTheMaximumAndStops();
    void steppingRunsOnItsTimer();
    void steppingStops_data();
    void steppingStops();
    void stepIntervalFollowsTheBox();
    void incrementAtMaximumShowsTheMessage();
    void helpButtonExplainsTheTest();

    // --- announcements -------------------------------------------------------------------------
    void announceV5ReadsTheAddressAt18();
    void controlsFollowAnAnnounceWhileOpen();
    void equalAnnounceDoesNotRefresh();
    void announceDropped_data();
    void announceDropped();
    void refreshShowsTheSelectedController();

    // --- the window ---------------------------------------------------------------------------
    void fillingOpeningAndClosingSendNothing();
    void listIsInertWhileClosed();
    void unknownTestModeLeavesTheControls();
    void showModalRunsTheTabsPart();
    void windowMayGoFirst();

    // --- identify -------------------------------------------------------------------------------
    void identifyPacketsByMac();
    void identifyByProtocol_data();
    void identifyByProtocol();
};

// --- packets from user actions ---------------------------------------------------------------

void TestTestTab::packetsFromTheList_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QByteArray>("expected"); // empty: nothing is sent

    const QByteArray mac = bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    // Colours 10, 20, 30, 40, all outputs, stored pixel 300 (0x012C).
    QTest::newRow("protocol 8, Red") << 8 << "Red"
                                     << header(8, 8) + mac        // 0..17 header, MAC
                                            + bytes({0x02})       // 18 mode 2
                                            + bytes({10, 20, 30, 40}) // 19..22 colour
                                            + bytes({0x00})       // 23 all outputs
                                            + bytes({0x01, 0x00}); // 24..25 pixel high byte, low byte 0 (mode not 8)
    QTest::newRow("protocol 7, Color Fade") << 7 << "Color Fade"
                                            << header(8, 7) + mac + bytes({0x07}) + bytes({10, 20, 30, 40});
    QTest::newRow("protocol 6, Set Color") << 6 << "Set Color"
                                           << header(8, 6) + mac           // 0..17
                                                  + bytes({0x06})          // 18 mode
                                                  + bytes({10, 20, 30, 40}); // 19..22 with white
    QTest::newRow("protocol 5, Blue") << 5 << "Blue"
                                      << header(8, 5) + mac + bytes({0x04}) + bytes({10, 20, 30}); // no white
    QTest::newRow("protocol 4, Set Color") << 4 << "Set Color"
                                           << header(8, 4)            // 0..11, no MAC
                                                  + bytes({0x06})     // 12 mode
                                                  + bytes({10, 20, 30}); // 13..15 no white
    QTest::newRow("protocol 9, Red") << 9 << "Red" << QByteArray();
}

void TestTestTab::packetsFromTheList() {
    QFETCH(int, protocol);
    QFETCH(QString, entry);
    QFETCH(QByteArray, expected);
    Rig rig;
    TNodaluxCtrl r = controller(protocol);
    r.TestModeCols = {10, 20, 30, 40};
    r.TestSinglePixelNum = 300;
    rig.open(r);

    rig.choose(entry);

    if (expected.isEmpty()) {
        QVERIFY(rig.sent().isEmpty());
        QVERIFY(rig.services.messages.isEmpty());
        return;
    }
    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("192.168.77.50"));
    QVERIFY2(rig.sent()[0].bytes == expected, hexPair(rig.sent()[0].bytes, expected).constData());
    // The user's choice is not what the controller reports.
    QCOMPARE(rig.rec().TestMode, 0);
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("None (Live Data)"));
}

void TestTestTab::singlePixelPacketCarriesOutputAndPixel() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestModeCols = {10, 20, 30, 40};
    r.TestOutputNum = 3;
    r.TestSinglePixelNum = 300;
    r.NumNodes[2] = 400;
    rig.open(r);
    QVERIFY(rig.config.radioTestSingleOutput->isChecked());
    QCOMPARE(rig.config.numboxTestOutput->value(), 3);

    rig.choose(QStringLiteral("Single Pixel"));

    const QByteArray expected = header(8, 8) + bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}) // 0..17
                                + bytes({0x08})                                           // 18 mode 8
                                + bytes({0xFF, 0xFF, 0xFF, 0xFF})                         // 19..22 colour
                                + bytes({0x03})                                           // 23 output 3
                                + bytes({0x01, 0x2C});                                    // 24..25 pixel 300
    QCOMPARE(rig.sent().size(), 1);
    QVERIFY2(rig.sent()[0].bytes == expected, hexPair(rig.sent()[0].bytes, expected).constData());
    QVERIFY(!rig.config.pnlTestPixel->isHidden());
}

void TestTestTab::sendFailureIsShownAndTheRecordKeepsItsValue() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 6;
    rig.open(r);
    rig.endpoint.failNextSends(1);

    Rig::typeAndLeave(rig.config.editTestGreen, QStringLiteral("77"));

    QCOMPARE(rig.services.countMessages(QString::fromLatin1(vantrel::net::kSendErrorMessage)), 1);
    QCOMPARE(rig.rec().TestModeCols[1], 77);
    QCOMPARE(rig.config.trackTestGreen->value(), 77);
}

// --- colour --------------------------------------------------------------------------------------

void TestTestTab::sliderSendsOnceAndTheOtherControlsFollow() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 6; // the controller runs "Set Color"
    r.LedType = 1;
    r.TestModeCols = {10, 20, 30, 40};
    rig.open(r);
    QVERIFY(!rig.config.pnlTestSetCol->isHidden());

    rig.config.trackTestBlue->setFocus();
    QTest::keyClick(rig.config.trackTestBlue, Qt::Key_Up);

    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].bytes.mid(18, 5), bytes({6, 10, 20, 31, 40}));
    QCOMPARE(rig.rec().TestModeCols, (std::array<std::uint8_t, 4>{10, 20, 31, 40}));
    QCOMPARE(rig.config.editTestBlue->text(), QStringLiteral("31"));
    QCOMPARE(rig.config.colPanelTest->color(), QColor(10, 20, 31));
    QCOMPARE(rig.config.comboTestModes->currentIndex(), 6);
}

void TestTestTab::levelAlreadyStoredSendsNothing() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 6;
    r.TestModeCols = {10, 20, 30, 0};
    rig.open(r);

    // A slider change that ends at the stored levels, a typed level equal to
    // the stored one, and the picker set to the stored colour.
    rig.tab->testSliderChange();
    Rig::typeAndLeave(rig.config.editTestRed, QStringLiteral("10"));
    rig.config.colPanelTest->setColor(QColor(10, 20, 30));

    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::typedLevelIsClampedStoredAndSent() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 6;
    rig.open(r);

    Rig::typeAndLeave(rig.config.editTestRed, QStringLiteral("300"));

    QCOMPARE(rig.config.editTestRed->text(), QStringLiteral("255"));
    QCOMPARE(rig.rec().TestModeCols[0], 255);
    QCOMPARE(rig.config.trackTestRed->value(), 255);
    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].bytes.mid(18, 5), bytes({6, 255, 0, 0, 0}));

    rig.clearSent();
    Rig::typeAndLeave(rig.config.editTestGreen, QStringLiteral("abc"));
    QCOMPARE(rig.config.editTestGreen->text(), QStringLiteral("0"));
    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::pickerSendsItsColourWithTheWhiteSlider() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 6;
    r.LedType = 1;
    r.TestModeCols = {0, 0, 0, 40};
    rig.open(r);
    vantrel::config::ColourPanel* picker = rig.config.colPanelTest;

    // Full saturation and brightness (top right) of the hue at the top of the strip: red.
    const QRect area = picker->saturationValueArea();
    QTest::mouseClick(picker, Qt::LeftButton, Qt::NoModifier, area.topRight());

    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].bytes.mid(18, 5), bytes({6, 255, 0, 0, 40}));
    QCOMPARE(rig.config.editTestRed->text(), QStringLiteral("255"));
    QCOMPARE(rig.config.trackTestRed->value(), 255);

    // The hue strip's middle: a cyan.
    const QRect hue = picker->hueArea();
    QTest::mouseClick(picker, Qt::LeftButton, Qt::NoModifier, QPoint(hue.center().x(), hue.center().y()));
    QCOMPARE(rig.sent().size(), 2);
    const auto cols = rig.rec().TestModeCols;
    QCOMPARE(cols[0], 0);
    QVERIFY(cols[1] > 200 && cols[2] > 200);
    QCOMPARE(cols[3], 40);
}

void TestTestTab::whiteControls_data() {
    QTest::addColumn<int>("ledType");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("white");
    QTest::newRow("RGB, protocol 8") << 0 << 8 << false;
    QTest::newRow("RGBW, protocol 5") << 1 << 5 << false;
    QTest::newRow("RGBW, protocol 6") << 1 << 6 << true;
}

void TestTestTab::whiteControls() {
    QFETCH(int, ledType);
    QFETCH(int, protocol);
    QFETCH(bool, white);
    Rig rig;
    TNodaluxCtrl r = controller(protocol);
    r.LedType = static_cast<std::uint8_t>(ledType);
    rig.open(r);
    rig.choose(QStringLiteral("Set Color"));
    for (QWidget* w : std::initializer_list<QWidget*>{rig.config.editTestWhite, rig.config.trackTestWhite,
                                                      rig.config.lblTestWhite})
        QCOMPARE(w->isVisible(), white);
    for (QWidget* w : std::initializer_list<QWidget*>{rig.config.editTestRed, rig.config.trackTestRed,
                                                      rig.config.lblTestRed, rig.config.colPanelTest})
        QVERIFY(w->isVisible());
}

// --- outputs and the pixel limit ----------------------------------------------------------------

void TestTestTab::outputChoiceIsStoredAndSent() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.NumUsableOutputs = 2;
    rig.open(r);
    rig.choose(QStringLiteral("Red"));
    rig.clearSent();
    QVERIFY(!rig.config.numboxTestOutput->isEnabled());

    Rig::click(rig.config.radioTestSingleOutput);
    QCOMPARE(rig.rec().TestOutputNum, 1);
    QVERIFY(rig.config.numboxTestOutput->isEnabled() && rig.config.btnTestOutputInc->isEnabled());

    Rig::click(rig.config.btnTestOutputInc);
    QCOMPARE(rig.rec().TestOutputNum, 2);
    Rig::click(rig.config.btnTestOutputInc); // already at NumUsableOutputs: nothing
    Rig::click(rig.config.radioTestAllOutputs);
    QCOMPARE(rig.rec().TestOutputNum, 0);
    QVERIFY(!rig.config.btnTestOutputDec->isEnabled());

    QCOMPARE(rig.sent().size(), 3);
    const int outputs[] = {1, 2, 0};
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(static_cast<int>(rig.sent()[k].bytes.at(18)), 2); // the list's selection
        QCOMPARE(static_cast<int>(rig.sent()[k].bytes.at(23)), outputs[k]);
    }
}

void TestTestTab::pixelMaximum_data() {
    QTest::addColumn<TNodaluxCtrl>("record");
    QTest::addColumn<int>("output"); // 0: all outputs
    QTest::addColumn<int>("maximum");

    QTest::newRow("all outputs end with the shortest") << threeOutputs(170, 100, 170, 340) << 0 << 100;
    QTest::newRow("all outputs within the driver limit") << threeOutputs(500, 400, 600, 340) << 0 << 340;
    TNodaluxCtrl nulls = threeOutputs(170, 100, 170, 340);
    nulls.AdvNull[1] = 2;
    QTest::newRow("individual output counts null pixels") << nulls << 2 << 102;
    QTest::newRow("individual output 3") << threeOutputs(170, 100, 170, 340) << 3 << 170;
    QTest::newRow("an empty output still offers pixel 1") << threeOutputs(170, 0, 170, 340) << 2 << 1;
}

void TestTestTab::pixelMaximum() {
    QFETCH(TNodaluxCtrl, record);
    QFETCH(int, output);
    QFETCH(int, maximum);
    Rig rig;
    record.TestOutputNum = static_cast<std::uint8_t>(output);
    record.TestMode = 8;
    rig.open(record);
    QCOMPARE(rig.config.numboxTestPixelNumber->maximum(), maximum);
    QCOMPARE(rig.config.numboxTestOutput->maximum(), 3);
}

void TestTestTab::lowerMaximumPullsThePixelDownInOnePacket() {
    Rig rig;
    TNodaluxCtrl r = threeOutputs(170, 100, 170, 340);
    r.TestMode = 8;
    r.TestOutputNum = 1;
    r.TestSinglePixelNum = 150;
    rig.open(r);
    QCOMPARE(rig.config.numboxTestPixelNumber->value(), 150);

    Rig::click(rig.config.btnTestOutputInc); // output 2 has 100 pixels

    QCOMPARE(rig.config.numboxTestPixelNumber->value(), 100);
    QCOMPARE(rig.rec().TestSinglePixelNum, 100);
    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].bytes.mid(23), bytes({2, 0, 100}));
}

// --- stepping ---------------------------------------------------------------------------------------

void TestTestTab::steppingWalksToTheMaximumAndStops() {
    Rig rig;
    TNodaluxCtrl r = threeOutputs(3, 3, 3, 340);
    r.TestMode = 8;
    r.TestSinglePixelNum = 1;
    rig.open(r);
    QTimer* timer = rig.config.tmrTestPixelAuto;

    Rig::click(rig.config.btnTestPixelAutoStart);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!rig.config.btnTestPixelAutoStart->isEnabled());
    QVERIFY(rig.config.btnTestPixelAutoStop->isEnabled());
    QVERIFY(rig.sent().isEmpty()); // the first step comes one interval later

    // The timer's ticks, driven by the test.
    rig.tab->tmrTestPixelAutoTimer();
    QVERIFY(timer->isActive());
    rig.tab->tmrTestPixelAutoTimer();

    QVERIFY(!timer->isActive());
    QVERIFY(rig.config.btnTestPixelAutoStart->isEnabled());
    QVERIFY(!rig.config.btnTestPixelAutoStop->isEnabled());
    QCOMPARE(rig.sent().size(), 2);
    QCOMPARE(rig.sent()[0].bytes.mid(18), bytes({8, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2}));
    QCOMPARE(rig.sent()[1].bytes.mid(18), bytes({8, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 3}));
    QCOMPARE(rig.rec().TestSinglePixelNum, 3);

    Rig::click(rig.config.btnTestPixelAutoStart);
    QCOMPARE(rig.services.countMessages(kMaxMessage), 1);
    QCOMPARE(rig.services.messages.last().kind, MessageKind::Information);
    QVERIFY(!timer->isActive());
    QCOMPARE(rig.sent().size(), 2);
}

void TestTestTab::steppingRunsOnItsTimer() {
    Rig rig;
    TNodaluxCtrl r = threeOutputs(3, 3, 3, 340);
    r.TestMode = 8;
    r.TestSinglePixelNum = 1;
    rig.open(r);
    rig.config.numboxTestPixelAutoTime->setValue(0.5);

    Rig::click(rig.config.btnTestPixelAutoStart);

    // Waits for the real timer; no duration is asserted.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.config.tmrTestPixelAuto->isActive(), 20000);
    QCOMPARE(rig.sent().size(), 2);
    QCOMPARE(rig.config.numboxTestPixelNumber->value(), 3);
}

void TestTestTab::steppingStops_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("packets"); // sent by the action itself
    QTest::newRow("Stop") << "stop" << 0;
    QTest::newRow("another test") << "list" << 1;
    QTest::newRow("pixel up") << "up" << 1;
    QTest::newRow("pixel down") << "down" << 1;
    QTest::newRow("window closes") << "close" << 0;
}

void TestTestTab::steppingStops() {
    QFETCH(QString, action);
    QFETCH(int, packets);
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 8;
    r.TestSinglePixelNum = 5;
    rig.open(r);
    Rig::click(rig.config.btnTestPixelAutoStart);
    QVERIFY(rig.tab->isStepping());

    if (action == "stop") Rig::click(rig.config.btnTestPixelAutoStop);
    if (action == "list") rig.choose(QStringLiteral("Green"));
    if (action == "up") Rig::click(rig.config.btnTestPixelNumberInc);
    if (action == "down") Rig::click(rig.config.btnTestPixelNumberDec);
    if (action == "close") rig.close();

    QVERIFY(!rig.tab->isStepping());
    QVERIFY(rig.config.btnTestPixelAutoStart->isEnabled());
    QVERIFY(!rig.config.btnTestPixelAutoStop->isEnabled());
    QCOMPARE(rig.sent().size(), packets);
}

void TestTestTab::stepIntervalFollowsTheBox() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 8;
    rig.open(r);
    Rig::click(rig.config.btnTestPixelAutoStart);

    rig.config.numboxTestPixelAutoTime->setValue(2.5);
    QCOMPARE(rig.config.tmrTestPixelAuto->interval(), 2500);
    QVERIFY(rig.tab->isStepping());
    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::incrementAtMaximumShowsTheMessage() {
    Rig rig;
    TNodaluxCtrl r = threeOutputs(4, 4, 4, 340);
    r.TestMode = 8;
    r.TestSinglePixelNum = 3;
    rig.open(r);

    Rig::click(rig.config.btnTestPixelNumberInc);
    QCOMPARE(rig.config.numboxTestPixelNumber->value(), 4);
    QCOMPARE(rig.sent().size(), 1);
    QVERIFY(rig.services.messages.isEmpty());

    Rig::click(rig.config.btnTestPixelNumberInc);
    QCOMPARE(rig.services.countMessages(kMaxMessage), 1);
    QCOMPARE(rig.config.numboxTestPixelNumber->value(), 4);
    QCOMPARE(rig.sent().size(), 1);

    Rig::click(rig.config.btnTestPixelNumberDec);
    QCOMPARE(rig.rec().TestSinglePixelNum, 3);
    QCOMPARE(rig.sent().size(), 2);
}

void TestTestTab::helpButtonExplainsTheTest() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 8;
    rig.open(r);
    Rig::click(rig.config.btnTestPixelHelp);
    QCOMPARE(rig.services.messages.size(), 1);
    QCOMPARE(rig.services.messages[0].kind, MessageKind::Information);
    QCOMPARE(rig.services.messages[0].text, QString::fromUtf8(vantrel::testmode::kPixelHelpMessage));
    QVERIFY(rig.services.messages[0].text.startsWith("This test will turn on physical pixels one at a time.\r\r"));
    QVERIFY(rig.sent().isEmpty());
}

// --- announcements --------------------------------------------------------------------------------

void TestTestTab::announceV5ReadsTheAddressAt18() {
    Rig rig;
    TNodaluxCtrl r = controller(5);
    rig.open(r);

    const auto result =
        rig.tab->QorvReadTestAnnounce(rig.list, announceV5(bytes({192, 168, 77, 50}), 3, 1, 2, 3), 5);

    QCOMPARE(result.index, 0);
    QVERIFY(result.changed);
    QCOMPARE(rig.rec().TestMode, 3);
    QCOMPARE(rig.rec().TestModeCols, (std::array<std::uint8_t, 4>{1, 2, 3, 0}));
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("Green"));
    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::controlsFollowAnAnnounceWhileOpen() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.LedType = 1;
    rig.open(r);

    rig.tab->QorvReadTestAnnounce(rig.list, announceV8(8, {1, 2, 3, 4}, 2, 7), 8);

    TNodaluxConfig& c = rig.config;
    QCOMPARE(c.lblCurrentTest->text(), QStringLiteral("Single Pixel"));
    QCOMPARE(c.comboTestModes->currentIndex(), 8);
    QVERIFY(!c.pnlTestPixel->isHidden());
    QVERIFY(c.radioTestSingleOutput->isChecked());
    QVERIFY(c.numboxTestOutput->isEnabled());
    QCOMPARE(c.numboxTestOutput->value(), 2);
    QCOMPARE(c.numboxTestPixelNumber->value(), 7);
    QCOMPARE(c.trackTestWhite->value(), 4);
    QCOMPARE(c.editTestGreen->text(), QStringLiteral("2"));
    QCOMPARE(c.colPanelTest->color(), QColor(1, 2, 3));
    QVERIFY(rig.sent().isEmpty());

    // Closed: the record follows, the controls wait for the next opening.
    rig.close();
    rig.tab->QorvReadTestAnnounce(rig.list, announceV8(2, {1, 2, 3, 4}, 0, 7), 8);
    QCOMPARE(rig.rec().TestMode, 2);
    QCOMPARE(c.lblCurrentTest->text(), QStringLiteral("Single Pixel"));
    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::equalAnnounceDoesNotRefresh() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestModeCols = {1, 2, 3, 4};
    r.TestSinglePixelNum = 7;
    rig.open(r);
    rig.choose(QStringLiteral("Red")); // the controller has not reported it yet

    const auto same = rig.tab->QorvReadTestAnnounce(rig.list, announceV8(0, {1, 2, 3, 4}, 0, 7), 8);
    QVERIFY(!same.changed);
    QCOMPARE(rig.config.comboTestModes->currentText(), QStringLiteral("Red"));

    // A change refreshes: the list shows what the controller reports.
    rig.tab->QorvReadTestAnnounce(rig.list, announceV8(0, {1, 2, 3, 5}, 0, 7), 8);
    QCOMPARE(rig.config.comboTestModes->currentText(), QStringLiteral("None (Live Data)"));
    QCOMPARE(rig.sent().size(), 1); // only the user's choice
}

void TestTestTab::announceDropped_data() {
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("version");
    QTest::newRow("unknown address") << announceV5(bytes({192, 168, 77, 51}), 2, 9, 9, 9) << 5;
    QByteArray v9 = announceV8(2, {9, 9, 9, 9}, 0, 7);
    v9[11] = 9;
    QTest::newRow("version above 8") << v9 << 9;
    QTest::newRow("too short for protocol 8") << announceV8(2, {9, 9, 9, 9}, 0, 7).left(29) << 8;
    QTest::newRow("too short for protocol 5") << announceV5(bytes({192, 168, 77, 50}), 2, 9, 9, 9).left(25) << 5;
}

void TestTestTab::announceDropped() {
    QFETCH(QByteArray, datagram);
    QFETCH(int, version);
    Rig rig;
    TNodaluxCtrl r = controller(8);
    rig.open(r);
    const TNodaluxCtrl before = rig.rec();

    const auto result = rig.tab->QorvReadTestAnnounce(rig.list, datagram, static_cast<std::uint8_t>(version));

    QVERIFY(!result.changed);
    QCOMPARE(rig.rec().TestMode, before.TestMode);
    QCOMPARE(rig.rec().TestModeCols, before.TestModeCols);
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("None (Live Data)"));
    QVERIFY(rig.services.messages.isEmpty());
}

void TestTestTab::refreshShowsTheSelectedController() {
    Rig rig;
    TNodaluxCtrl first = controller(8);
    TNodaluxCtrl second = controller(8);
    second.CurrentIP = {192, 168, 77, 60};
    second.TestMode = 4;
    rig.list.append(first);
    rig.list.append(second);
    rig.selected = 1;
    rig.openSelected();
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("Blue"));

    // The first controller reports "Red": its record changes, the tab still
    // shows the selected one.
    rig.tab->QorvReadTestAnnounce(rig.list, announceV8(2, {0, 0, 0, 0}, 0, 0), 8);
    QCOMPARE(rig.list.at(0).TestMode, 2);
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("Blue"));
    QCOMPARE(rig.config.comboTestModes->currentIndex(), 4);
}

// --- the window ---------------------------------------------------------------------------------

void TestTestTab::fillingOpeningAndClosingSendNothing() {
    Rig rig;
    // A protocol-7 controller that reports "Set Color" on output 2 while the
    // controls still show another controller's single-output choice.
    rig.config.radioTestSingleOutput->setChecked(true);
    rig.config.numboxTestOutput->setValue(4);
    TNodaluxCtrl r = controller(7);
    r.TestMode = 6;
    r.TestOutputNum = 2;
    r.TestModeCols = {5, 6, 7, 8};
    rig.open(r);

    QVERIFY(rig.sent().isEmpty());
    QCOMPARE(rig.config.comboTestModes->count(), 8); // no "Single Pixel" below protocol 8
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("Set Color"));
    QVERIFY(rig.config.radioTestAllOutputs->isChecked());
    QVERIFY(!rig.config.radioTestSingleOutput->isEnabled());
    QCOMPARE(rig.config.editTestBlue->text(), QStringLiteral("7"));
    QCOMPARE(rig.rec().TestModeCols, (std::array<std::uint8_t, 4>{5, 6, 7, 8}));

    rig.close();
    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::listIsInertWhileClosed() {
    Rig rig;
    rig.open(controller(8));
    rig.close();
    // The next flow fills and selects the list: nothing goes out.
    rig.fillLikeTheFlow();
    rig.config.comboTestModes->setCurrentIndex(2);
    QVERIFY(rig.sent().isEmpty());

    rig.openSelected();
    rig.choose(QStringLiteral("Blue"));
    QCOMPARE(rig.sent().size(), 1);
}

void TestTestTab::unknownTestModeLeavesTheControls() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 2;
    r.TestModeCols = {1, 2, 3, 4};
    rig.open(r);

    rig.rec().TestMode = 12;
    rig.rec().TestModeCols = {9, 9, 9, 9};
    rig.tab->refreshTestModeControls();

    QCOMPARE(rig.config.comboTestModes->currentIndex(), 2);
    QCOMPARE(rig.config.lblCurrentTest->text(), QStringLiteral("Red"));
    QCOMPARE(rig.config.trackTestRed->value(), 1);
    QVERIFY(rig.sent().isEmpty());
}

void TestTestTab::showModalRunsTheTabsPart() {
    Rig rig;
    TNodaluxCtrl r = controller(8);
    r.TestMode = 8;
    rig.list.append(r);
    rig.fillLikeTheFlow();
    rig.services.queueModal([&rig](QDialog&) {
        // While the window is open the list sends and stepping can start.
        Rig::click(rig.config.btnTestPixelAutoStart);
        rig.choose(QStringLiteral("Single Pixel")); // already selected: no change
        rig.choose(QStringLiteral("Red"));
        Rig::click(rig.config.btnTestPixelAutoStart);
        return 2;
    });

    QCOMPARE(rig.config.ShowModal(), 2);

    QCOMPARE(rig.sent().size(), 1);
    QVERIFY(!rig.tab->isStepping());
    QVERIFY(!rig.tab->windowShown());
}

void TestTestTab::windowMayGoFirst() {
    ScriptedServices services;
    FakeUdpEndpoint endpoint;
    endpoint.bind(QHostAddress(kPcAddress));
    TNodaluxCtrl rec = controller(8);
    rec.TestMode = 8;
    auto window = std::make_unique<TNodaluxConfig>(vantrel::app::Branding{}, services);
    window->setRecordSource([&rec] { return &rec; });
    window->comboTestModes->addItems(vantrel::testmode::testModeEntries(8));
    TestTab tab(*window, endpoint, services);
    window->FormShow();
    window->btnTestPixelAutoStart->click();
    QVERIFY(tab.isStepping());

    window.reset();

    QVERIFY(!tab.windowShown());
    QVERIFY(endpoint.sent().isEmpty());
}

// --- identify ------------------------------------------------------------------------------------

void TestTestTab::identifyPacketsByMac() {
    Rig rig;
    rig.open(controller(8));
    QCOMPARE(rig.config.btnIdentifyStart->toolTip(),
             QStringLiteral("Set the device's status LED to flash in an identifiable way."));

    Rig::click(rig.config.btnIdentifyStart);
    Rig::click(rig.config.btnIdentifyStop);

    QCOMPARE(rig.sent().size(), 2);
    const QByteArray start = header(10, 8)                                     // 0..11 opcode 10, protocol 8
                             + bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55})     // 12..17 target MAC
                             + bytes({0x00});                                  // 18 option
    const QByteArray stop = header(10, 8) + bytes({0, 0, 0, 0, 0, 0}) + bytes({0x00});
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("255.255.255.255"));
    QVERIFY2(rig.sent()[0].bytes == start, hexPair(rig.sent()[0].bytes, start).constData());
    QCOMPARE(rig.sent()[1].ip, QStringLiteral("255.255.255.255"));
    QVERIFY2(rig.sent()[1].bytes == stop, hexPair(rig.sent()[1].bytes, stop).constData());
}

void TestTestTab::identifyByProtocol_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("protocol 7") << 7 << false;
    QTest::newRow("protocol 9") << 9 << true;
}

void TestTestTab::identifyByProtocol() {
    QFETCH(int, protocol);
    QFETCH(bool, enabled);
    Rig rig;
    rig.open(controller(protocol));
    QCOMPARE(rig.config.btnIdentifyStart->isEnabled(), enabled);
    QCOMPARE(rig.config.btnIdentifyStop->isEnabled(), enabled);

    Rig::click(rig.config.btnIdentifyStart);
    Rig::click(rig.config.btnIdentifyStop);
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.services.messages.isEmpty());
}

QTEST_MAIN(TestTestTab)
#include "test_test_tab.moc"
