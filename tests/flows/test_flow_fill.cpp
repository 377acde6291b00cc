// The fill of the configuration flow (protocol 5 and later): what the three
// windows show for a controller, step by step, including the steps that run a
// rule of the window (chip, LED type, output mode) and the test-mode gate.

#include <QGroupBox>
#include <QLocale>
#include <QTest>

#include "FlowRig.h"

using namespace flowtest;
using vantrel::config::kModalCancel;
using vantrel::config::kUnknownTestModeText;

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QColor textColour(const QLabel* l) { return l->palette().color(QPalette::WindowText); }

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

} // namespace

class TestFlowFill : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void fillShowsTheRecord();
    void advancedModeHandsOverToTheAdvancedWindow();
    void partnerProtocolOnlyForBrand1();
    void dmxRows_data();
    void dmxRows();
    void chipRuleRunsForTheFilledChip();
    void unknownTestMode_data();
    void unknownTestMode();
    void colourOrder_data();
    void colourOrder();
    void gammaLockFollowsTheRecord();
    void whiteGammaFromProtocol6_data();
    void whiteGammaFromProtocol6();
    void fanRow_data();
    void fanRow();
    void voltageBanks_data();
    void voltageBanks();
    void controlsALegacyControllerHidReturn();
};

void TestFlowFill::fillShowsTheRecord() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.DHCP = 0;
    r.StaticIP = {10, 1, 2, 3};
    r.SM = {255, 255, 0, 0};
    r.AdvUniv[0] = 7;
    r.AdvChan[0] = 4;
    r.NumNodes[0] = 120;
    r.Protocol = 1;
    r.HoldLastFrame = 1;
    r.DriverNameLength = 6; // names are cut to this length
    r.Nickname.fill(u'\0');
    r.Nickname[0] = u'A';
    r.Nickname[2] = u'B'; // a NUL between characters is skipped
    r.Firmware = u"V2.1.0 build 1234567890";
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;

    QCOMPARE(rig.modalNames(), QStringList{QStringLiteral("NodaluxConfig")});
    // Network tab.
    QStringList octets;
    for (QLineEdit* e : {w.IP1, w.IP2, w.IP3, w.IP4, w.SM1, w.SM2, w.SM3, w.SM4}) octets << e->text();
    QCOMPARE(octets, (QStringList{"10", "1", "2", "3", "255", "255", "0", "0"}));
    QVERIFY(w.radioStatic->isChecked());
    // Control tab, simple mode.
    QCOMPARE(w.txtStartUniv->text(), QStringLiteral("7"));
    QCOMPARE(w.txtStartChan->text(), QStringLiteral("4"));
    QCOMPARE(w.txtNodes->text(), QStringLiteral("120"));
    QVERIFY(!w.checkAdv->isChecked());
    QVERIFY(!w.btnAdvanced->isEnabled());
    QVERIFY(w.txtStartUniv->isEnabled() && w.btnNodesDown->isEnabled());
    QVERIFY(w.radioArtNet->isChecked() && !w.radioSACN->isChecked());
    QVERIFY(shown(w.radioSACN) && shown(w.lblProtocol));
    QVERIFY(w.checkHoldFrame->isChecked());
    // LEDs tab.
    QCOMPARE(items(w.comboChip), (QStringList{"WS2811", "SK6812"}));
    QCOMPARE(w.comboChip->currentIndex(), 0);
    QCOMPARE(w.lblSpeed->text(), QStringLiteral("Speed"));
    QVERIFY(w.radioFast->isChecked());
    QVERIFY(w.radioRGB->isChecked());
    QCOMPARE(w.comboRGB->count(), 6);
    // Test tab.
    QVERIFY(w.TabControl1->isTabEnabled(3));
    QCOMPARE(w.comboTestModes->count(), 9);
    QCOMPARE(w.lblCurrentTest->text(), QStringLiteral("None (Live Data)"));
    // Misc tab.
    QCOMPARE(w.txtNickname->text(), QStringLiteral("AB"));
    QCOMPARE(w.lblMAC->text(), QStringLiteral("MAC: 00-1A-2B-3C-4D-5E"));
    QCOMPARE(w.lblFirmware->text(), QStringLiteral("V2.1.0 build 1234567"));
    // The advanced windows hold this controller's four outputs.
    QCOMPARE(rig.adv.rowCount(), 4);
    QCOMPARE(rig.advRgb.rowCount(), 4);
    QCOMPARE(rig.adv.nodes[0]->text(), QStringLiteral("120"));
    QCOMPARE(rig.at(0).NumUsableOutputs, 4);
}

void TestFlowFill::advancedModeHandsOverToTheAdvancedWindow() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.SimpleConfig = 0x02; // bit 0 clear: advanced
    r.AdvUniv[2] = 33;
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(w.txtStartUniv->text(), QStringLiteral("1"));
    QCOMPARE(w.txtStartChan->text(), QStringLiteral("1"));
    QCOMPARE(w.txtNodes->text(), QStringLiteral("1"));
    QVERIFY(w.checkAdv->isChecked());
    QVERIFY(w.btnAdvanced->isEnabled());
    QVERIFY(!w.txtStartUniv->isEnabled() && !w.btnChanUp->isEnabled());
    QCOMPARE(rig.adv.universes[2]->text(), QStringLiteral("33"));
}

void TestFlowFill::partnerProtocolOnlyForBrand1() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.Brand = 1;
    r.Protocol = 2;
    rig.closeWith(kModalCancel);
    rig.open(r);
    QVERIFY(shown(rig.config.radioOstra));
    QVERIFY(rig.config.radioOstra->isChecked());
    QVERIFY(!rig.config.radioSACN->isChecked() && !rig.config.radioArtNet->isChecked());
    QVERIFY(!rig.config.gboxDMX->isEnabled()); // the third protocol drives no DMX outputs

    r.Brand = 0;
    r.Protocol = 0;
    r.CurrentIP[3] = 51;
    rig.closeWith(kModalCancel);
    rig.open(r);
    QVERIFY(!shown(rig.config.radioOstra));
    QVERIFY(rig.config.radioSACN->isChecked());
}

void TestFlowFill::dmxRows_data() {
    QTest::addColumn<int>("outputs");
    QTest::addColumn<bool>("group");
    QTest::addColumn<int>("rows");
    QTest::newRow("none: group hidden") << 0 << false << 0;
    QTest::newRow("1") << 1 << true << 1;
    QTest::newRow("2") << 2 << true << 2;
    QTest::newRow("3") << 3 << true << 3;
    QTest::newRow("4") << 4 << true << 4;
}

void TestFlowFill::dmxRows() {
    QFETCH(int, outputs);
    QFETCH(bool, group);
    QFETCH(int, rows);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.DMXOutputs = std::uint8_t(outputs);
    r.DmxOutOn = {1, 0, 1, 0};
    r.DmxOutUniv = {11, 12, 13, 14};
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(shown(w.gboxDMX), group);
    if (!group) return;
    for (int k = 0; k < 4; ++k) {
        const auto j = std::size_t(k);
        QCOMPARE(shown(w.txtOut[j]), k < rows);
        QCOMPARE(shown(w.switchOut[j]), k < rows);
        QCOMPARE(shown(w.lblOut[j]), k < rows);
        // Every row is filled, shown or not.
        QCOMPARE(w.txtOut[j]->text(), QString::number(11 + k));
        QCOMPARE(w.switchOut[j]->isChecked(), k % 2 == 0);
    }
    QCOMPARE(shown(w.lblDMXOn2), rows > 1);
    QCOMPARE(shown(w.lblDMXUniv2), rows > 1);
    QVERIFY(shown(w.lblDMXOn1) && shown(w.lblDMXUniv1));
}

void TestFlowFill::chipRuleRunsForTheFilledChip() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.DriverChip = 1; // RGBW only, no speed choice
    r.LedType = 1;
    r.AdvRgbOrder.fill(7);
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(w.comboChip->currentIndex(), 1);
    QVERIFY(w.radioRGBW->isChecked());
    QVERIFY(!w.radioRGB->isEnabled() && !w.radioRGBW->isEnabled());
    QVERIFY(!shown(w.radioSlow));
    // The RGBW colour orders, at the record's order.
    QCOMPARE(w.comboRGB->count(), 24);
    QCOMPARE(w.comboRGB->currentIndex(), 7);
    QCOMPARE(rig.advRgb.AdvRGB[3]->currentIndex(), 7);
}

void TestFlowFill::unknownTestMode_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("testMode");
    QTest::addColumn<bool>("stops");
    QTest::newRow("mode 8 on protocol 7") << 7 << 8 << true;
    QTest::newRow("mode 8 on protocol 8") << 8 << 8 << false;
    QTest::newRow("mode 9 on protocol 8") << 8 << 9 << true;
    QTest::newRow("mode 7 on protocol 5") << 5 << 7 << false;
}

void TestFlowFill::unknownTestMode() {
    QFETCH(int, protocol);
    QFETCH(int, testMode);
    QFETCH(bool, stops);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.QorvanaProtVer = std::uint8_t(protocol);
    r.TestMode = std::uint8_t(testMode);
    rig.closeWith(kModalCancel);
    rig.open(r);
    if (stops) {
        QCOMPARE(rig.services.messages.size(), 1);
        QCOMPARE(rig.services.messages[0].text, QString::fromLatin1(kUnknownTestModeText));
        QCOMPARE(rig.services.messages[0].kind, MessageKind::Error);
        QVERIFY(rig.modalNames().isEmpty());
        QVERIFY(rig.at(0) == r); // NumUsableOutputs recomputed to what it was
    } else {
        QVERIFY(rig.services.messages.isEmpty());
        const QStringList expected = {"None (Live Data)", "RGBW Cycle", "Red",       "Green",     "Blue",
                                      "White",            "Set Color",  "Color Fade", "Single Pixel"};
        QCOMPARE(items(rig.config.comboTestModes), expected.mid(0, protocol >= 8 ? 9 : 8));
        QCOMPARE(rig.config.comboTestModes->currentIndex(), testMode);
        QCOMPARE(rig.config.lblCurrentTest->text(), expected[testMode]);
    }
}

void TestFlowFill::colourOrder_data() {
    QTest::addColumn<QList<int>>("orders"); // outputs 0..3
    QTest::addColumn<int>("usable");
    QTest::addColumn<bool>("perOutput");
    QTest::addColumn<int>("comboItem");
    QTest::newRow("all alike") << QList<int>{3, 3, 3, 3} << 4 << false << 3;
    QTest::newRow("output 3 differs") << QList<int>{3, 3, 2, 3} << 4 << true << 0;
    QTest::newRow("difference beyond the outputs in use") << QList<int>{5, 5, 1, 1} << 2 << false << 5;
}

void TestFlowFill::colourOrder() {
    QFETCH(QList<int>, orders);
    QFETCH(int, usable);
    QFETCH(bool, perOutput);
    QFETCH(int, comboItem);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.NumStrings = std::uint8_t(usable);
    for (int i = 0; i < orders.size(); ++i) r.AdvRgbOrder[std::size_t(i)] = std::uint8_t(orders[i]);
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(w.checkAdvRGB->isChecked(), perOutput);
    QCOMPARE(w.btnAdvancedRGB->isEnabled(), perOutput);
    QCOMPARE(w.comboRGB->isEnabled(), !perOutput);
    QCOMPARE(w.comboRGB->currentIndex(), comboItem);
    for (int i = 0; i < usable; ++i) QCOMPARE(rig.advRgb.AdvRGB[std::size_t(i)]->currentIndex(), orders[i]);
}

void TestFlowFill::gammaLockFollowsTheRecord() {
    FlowRig rig;
    TNodaluxCtrl alike = currentController();
    alike.Gamma = {10, 10, 10, 10};
    rig.closeWith(kModalCancel);
    rig.open(alike);
    QVERIFY(rig.config.switchLockSliders->isChecked());

    // The previous flow ended with the lock on; each slider still gets its own value.
    TNodaluxCtrl apart = currentController();
    apart.CurrentIP[3] = 51;
    apart.Gamma = {10, 20, 30, 25};
    rig.closeWith(kModalCancel);
    rig.open(apart);
    TNodaluxConfig& w = rig.config;
    QVERIFY(!w.switchLockSliders->isChecked());
    QCOMPARE(w.trackGammaRed->value(), 10);
    QCOMPARE(w.trackGammaGreen->value(), 20);
    QCOMPARE(w.trackGammaBlue->value(), 30);
    QCOMPARE(w.trackGammaWhite->value(), 25);
    QCOMPARE(w.txtGammaRed->text(), QStringLiteral("1.0"));
    QCOMPARE(w.txtGammaGreen->text(), QStringLiteral("2.0"));
    QCOMPARE(w.txtGammaBlue->text(), QStringLiteral("3.0"));
    QCOMPARE(w.txtGammaWhite->text(), QStringLiteral("2.5"));
}

void TestFlowFill::whiteGammaFromProtocol6_data() {
    QTest::addColumn<int>("protocol");
    QTest::newRow("5: hidden") << 5;
    QTest::newRow("6: shown") << 6;
}

void TestFlowFill::whiteGammaFromProtocol6() {
    QFETCH(int, protocol);
    FlowRig rig;
    rig.config.txtGammaWhite->setText(QStringLiteral("2.9")); // an earlier controller's
    TNodaluxCtrl r = currentController();
    r.QorvanaProtVer = std::uint8_t(protocol);
    r.Gamma = {22, 22, 22, 18};
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    const bool white = protocol >= 6;
    QCOMPARE(shown(w.txtGammaWhite), white);
    QCOMPARE(shown(w.trackGammaWhite), white);
    QCOMPARE(shown(w.lblGammaWhite), white);
    QCOMPARE(w.txtGammaWhite->text(), white ? QStringLiteral("1.8") : QStringLiteral("2.9"));
}

void TestFlowFill::fanRow_data() {
    QTest::addColumn<int>("hwRev");
    QTest::addColumn<int>("fanTemp");
    QTest::addColumn<bool>("row");
    QTest::newRow("hardware revision 4: hidden") << 4 << 35 << false;
    QTest::newRow("fan temperature 255: hidden") << 5 << 255 << false;
    QTest::newRow("revision 5, 35 degrees") << 5 << 35 << true;
}

void TestFlowFill::fanRow() {
    QFETCH(int, hwRev);
    QFETCH(int, fanTemp);
    QFETCH(bool, row);
    FlowRig rig;
    rig.config.txtFan->setText(QStringLiteral("48")); // an earlier controller's
    TNodaluxCtrl r = currentController();
    r.HwRev = std::uint8_t(hwRev);
    r.FanTemp = std::uint8_t(fanTemp);
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    for (QWidget* c : std::initializer_list<QWidget*>{w.lblFan, w.txtFan, w.lblFanUnit, w.btnFanUp, w.btnFanDown,
                                                      w.lblTempF})
        QCOMPARE(shown(c), row);
    QCOMPARE(w.gboxMisc->height(), row ? 187 : 150);
    QCOMPARE(w.gboxFirmware->y(), row ? 196 : 159);
    QCOMPARE(w.gboxVoltage->y(), row ? 274 : 237);
    if (row) {
        QCOMPARE(w.txtFan->text(), QStringLiteral("35"));
        QCOMPARE(w.lblTempF->text(), QStringLiteral("95 \u00B0F"));
    } else {
        QCOMPARE(w.txtFan->text(), QStringLiteral("48"));
    }
}

void TestFlowFill::voltageBanks_data() {
    QTest::addColumn<int>("banks");
    QTest::newRow("no banks: group hidden") << 0;
    QTest::newRow("one bank") << 1;
    QTest::newRow("two banks") << 2;
    QTest::newRow("four banks") << 4;
}

void TestFlowFill::voltageBanks() {
    QFETCH(int, banks);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.NumBanks = std::uint8_t(banks);
    r.Voltage = {121, 0, 240, 0};
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(shown(w.gboxVoltage), banks > 0);
    if (banks == 0) return;
    QCOMPARE(w.lblVolt1->text(), QStringLiteral("12.1V"));
    QCOMPARE(textColour(w.lblVolt1), kGreen);
    QCOMPARE(w.lblVolt2->text(), QStringLiteral("Off"));
    QCOMPARE(textColour(w.lblVolt2), kRed);
    QCOMPARE(w.lblVolt3->text(), QStringLiteral("24.0V"));
    QCOMPARE(textColour(w.lblVolt3), kGreen);
    QLabel* captions[] = {w.Label5, w.Label6, w.Label7, w.Label9};
    QLabel* values[] = {w.lblVolt1, w.lblVolt2, w.lblVolt3, w.lblVolt4};
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(shown(captions[k]), k < banks);
        QCOMPARE(shown(values[k]), k < banks);
    }
}

void TestFlowFill::controlsALegacyControllerHidReturn() {
    FlowRig rig;
    // An old legacy controller hides the protocol, hold-frame, clock, DMX and
    // per-output colour controls and the voltage group...
    rig.closeWith(kModalCancel);
    rig.open(legacyController(u"V1.2.0", u"Nodalux 16 Long Range"));
    TNodaluxConfig& w = rig.config;
    QVERIFY(!shown(w.checkHoldFrame) && !shown(w.radioSACN) && !shown(w.checkAdvRGB));
    QVERIFY(!w.TabControl1->isTabEnabled(3));

    // ...and a current controller opened next offers them again.
    TNodaluxCtrl r = currentController();
    r.DMXOutputs = 2;
    rig.closeWith(kModalCancel);
    rig.open(r);
    for (QWidget* c : std::initializer_list<QWidget*>{w.checkHoldFrame, w.radioSACN, w.radioArtNet, w.lblProtocol,
                                                      w.checkAdvRGB, w.btnAdvancedRGB, w.trackClockSpeed,
                                                      w.lblClockSpeed, w.gboxDMX, w.gboxVoltage, w.radioStandard})
        QVERIFY2(shown(c), qPrintable(c->objectName()));
    QVERIFY(w.lblRGB->isEnabled() && w.comboRGB->isEnabled());
    QVERIFY(w.TabControl1->isTabEnabled(3));
    QCOMPARE(w.lblMAC->text(), QStringLiteral("MAC: 00-1A-2B-3C-4D-5E"));
}

QTEST_MAIN(TestFlowFill)
#include "test_flow_fill.moc"
