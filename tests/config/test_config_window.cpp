// The configuration window's fields: exit checks, up/down buttons, gamma,
// nickname, the advanced switches and buttons, the DMX group rule and the
// window's modal results. Everything is done through the controls, as a user
// would.

#include <QCheckBox>
#include <QGroupBox>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "ConfigFixture.h"

using namespace testing_config;

namespace {
const QString kDeg = QStringLiteral("\u00B0");
}

class TestConfigWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void controlsExistWithCaptions_data();
    void controlsExistWithCaptions();
    void exitChecks_data();
    void exitChecks();
    void leavingByFocusAlsoChecks();
    void leavingToOkChecksBeforeClosing();
    void stepButtons_data();
    void stepButtons();
    void gammaEdits_data();
    void gammaEdits();
    void gammaSliderFollowsLock();
    void gammaUsesLocaleSeparator();
    void nicknameStopsAt32TypedCharacters();
    void advancedSwitchesEnableTheirControls();
    void modalResults_data();
    void modalResults();
    void dmxGroupFollowsProtocol_data();
    void dmxGroupFollowsProtocol();
    void advancedCancelRestoresWindow();
    void advancedRgbCancelRestoresOrders();
    void formShowByProtocol_data();
    void formShowByProtocol();
    void testTabVisibility_data();
    void testTabVisibility();
};

void TestConfigWindow::controlsExistWithCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    auto row = [](const char* name, const QString& caption) { QTest::newRow(name) << name << caption; };
    row("lblIP", "(Static) IP Address:");
    row("lblSM", "(Static) Subnet Mask:");
    row("radioDHCP", "DHCP");
    row("radioStatic", "Static");
    row("lblDHCP", "Type of IP:");
    row("lblUniv", "Start Universe:");
    row("txtStartUniv", "0");
    row("lblStartChan", "Start Channel:");
    row("txtStartChan", "0");
    row("lblNodes", "Pixels Per Output:");
    row("txtNodes", "0");
    row("checkAdv", "Advanced");
    row("btnAdvanced", "Advanced");
    row("radioSACN", "sACN (E1.31)");
    row("radioArtNet", "Art-Net");
    row("lblProtocol", "Ethernet Protocol:");
    row("checkHoldFrame", "Hold Last Frame (Timeout Action)");
    row("lblOut1", "Out 1:");
    row("lblOut4", "Out 4:");
    row("txtOut3", "0");
    row("lblDMXOn1", "Off/On");
    row("lblDMXUniv2", "Universe");
    row("lblChip", "Pixel IC:");
    row("lblSpeed", "Sp");
    row("radioSlow", "Slow");
    row("radioFast", "Fast");
    row("lblClockSpeed", "Clock Speed:");
    row("lblOutputs", "Controller Outputs:");
    row("radioStandard", "Normal");
    row("radioCondensed", "Condensed");
    row("lblLedType", "LED Type:");
    row("radioRGB", "RGB");
    row("radioRGBW", "RGBW");
    row("lblRGB", "RGB Order:");
    row("checkAdvRGB", "Advanced");
    row("btnAdvancedRGB", "Advanced");
    row("lblGammaRed", "Red:");
    row("lblGammaWhite", "White:");
    row("txtGammaBlue", "1.0");
    row("lblTrackLock", "Lock Sliders:");
    row("lblGammaNote", "Only applied to chips that are higher than 8 bit.");
    row("lblDesc3", "Prior to running test mode, all other settings should be saved to controller (Press OK).");
    row("lblDesc1", "Current Test: ");
    row("lblCurrentTest", "Unavailable");
    row("lblDesc2", "Set Test:");
    row("radioTestAllOutputs", "All Outputs");
    row("radioTestSingleOutput", "Individual Output");
    row("lblTestOutput", "Output:");
    row("btnTestOutputInc", QStringLiteral("\u25B2"));
    row("lblTestWhite", "White");
    row("editTestGreen", "0");
    row("lblTestPixelNumber", "Pixel Number:");
    row("lblTestPixelAutoTime", "Auto Increment (s):");
    row("btnTestPixelAutoStart", "Start");
    row("btnTestPixelAutoStop", "Stop");
    row("lblNickname", "Nickname:");
    row("lblFan", "Fan Control - Fully On Temp:");
    row("lblFanUnit", kDeg + "C");
    row("lblTempF", kDeg + "F");
    row("lblMAC", "MAC: ");
    row("btnIdentifyStart", "Start Identify");
    row("btnIdentifyStop", "Stop Identify");
    row("lblFirmware", "V0.0.0");
    row("btnFirmware", "Update Firmware");
    row("Label5", "1:");
    row("Label9", "4:");
    row("btnOK", "OK");
    row("btnCancel", "Cancel");
}

void TestConfigWindow::controlsExistWithCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    ConfigWindows w;
    QWidget* c = find<QWidget>(w.config, name);
    QString text;
    if (auto* l = qobject_cast<QLabel*>(c)) text = l->text();
    else if (auto* e = qobject_cast<QLineEdit*>(c)) text = e->text();
    else if (auto* b = qobject_cast<QAbstractButton*>(c)) text = b->text();
    QCOMPARE(text, caption);
}

void TestConfigWindow::exitChecks_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("fahrenheit"); // empty: not a fan row

    auto row = [](const char* tag, const char* edit, bool rgbw, const QString& typed, const QString& expected,
                  const QString& f = QString()) {
        QTest::newRow(tag) << edit << rgbw << typed << expected << f;
    };
    // Octets: 256 or more is 255, below 0 is 0, letters 0.
    row("IP2 300", "IP2", false, "300", "255");
    row("IP2 -1", "IP2", false, "-1", "0");
    row("IP2 letters", "IP2", false, "abc", "0");
    row("IP1 in range", "IP1", false, "192", "192");
    row("SM4 256", "SM4", false, "256", "255");
    row("SM1 empty", "SM1", false, "", "0");
    // Universes: 1 to 63999.
    row("univ letters", "txtStartUniv", false, "abc", "1");
    row("univ 0", "txtStartUniv", false, "0", "1");
    row("univ negative", "txtStartUniv", false, "-7", "1");
    row("univ 64000", "txtStartUniv", false, "64000", "63999");
    row("univ huge", "txtStartUniv", false, "123456789012345678901234567890", "63999");
    row("univ decimal", "txtStartUniv", false, "2.5", "1");
    row("univ blanks", "txtStartUniv", false, " 42 ", "42");
    row("DMX out 3 letters", "txtOut3", false, "x", "1");
    row("DMX out 1 70000", "txtOut1", false, "70000", "63999");
    row("DMX out 4 0", "txtOut4", false, "0", "1");
    // Pixels: 1 to the pixel limit (400 for this controller with RGB).
    row("nodes 0", "txtNodes", false, "0", "1");
    row("nodes 500", "txtNodes", false, "500", "400");
    row("nodes letters", "txtNodes", false, "many", "1");
    row("nodes RGBW 350", "txtNodes", true, "350", "300");
    // Start channel on the pixel grid: RGB 1, 4, ... 508; RGBW 1, 5, ... 509.
    row("chan RGB 6", "txtStartChan", false, "6", "7");
    row("chan RGB 5", "txtStartChan", false, "5", "4");
    row("chan RGB 600", "txtStartChan", false, "600", "508");
    row("chan RGB -10", "txtStartChan", false, "-10", "1");
    row("chan RGB letters", "txtStartChan", false, "abc", "1");
    row("chan RGB 508", "txtStartChan", false, "508", "508");
    row("chan RGBW 3", "txtStartChan", true, "3", "1");
    row("chan RGBW 7", "txtStartChan", true, "7", "9");
    row("chan RGBW 11", "txtStartChan", true, "11", "9");
    row("chan RGBW 510", "txtStartChan", true, "510", "509");
    // Fan: 10 to 60, the Fahrenheit label follows.
    row("fan 9", "txtFan", false, "9", "10", "50 " + kDeg + "F");
    row("fan 61", "txtFan", false, "61", "60", "140 " + kDeg + "F");
    row("fan 11", "txtFan", false, "11", "11", "52 " + kDeg + "F");
    row("fan 35", "txtFan", false, "35", "35", "95 " + kDeg + "F");
    row("fan letters", "txtFan", false, "hot", "10", "50 " + kDeg + "F");
}

void TestConfigWindow::exitChecks() {
    QFETCH(QString, edit);
    QFETCH(bool, rgbw);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(QString, fahrenheit);

    ConfigWindows w;
    w.load(currentController({{"WS2811", 2, 3, 0}}, 8, 400));
    (rgbw ? w.config.radioRGBW : w.config.radioRGB)->setChecked(true);

    typeAndLeave(w.edit(edit), typed);
    QCOMPARE(w.edit(edit)->text(), expected);
    if (!fahrenheit.isEmpty()) QCOMPARE(w.cfg<QLabel>("lblTempF")->text(), fahrenheit);
}

void TestConfigWindow::leavingByFocusAlsoChecks() {
    ConfigWindows w;
    w.load(currentController({{"WS2811", 2, 3, 0}}));
    w.config.TabControl1->setCurrentWidget(w.config.tabNetwork);
    QVERIFY(showActive(w.config));

    QLineEdit* ip1 = w.edit("IP1");
    typeAndLeave(ip1, "300", Leave::Tab);
    QCOMPARE(ip1->text(), QStringLiteral("255"));
    QCOMPARE(QApplication::focusWidget(), w.edit("IP2"));
    w.config.hide();
}

void TestConfigWindow::leavingToOkChecksBeforeClosing() {
    ConfigWindows w;
    w.load(currentController({{"WS2811", 2, 3, 0}}));
    w.config.lblMAC->setText("MAC: 00-1A-2B-3C-4D-5E");
    w.services.queueModal([&w](QDialog& d) {
        if (!showActive(d)) return -1;
        QLineEdit* univ = w.edit("txtStartUniv");
        univ->setFocus();
        univ->selectAll();
        QTest::keyClicks(univ, "64000");
        click(w.config.btnOK); // focus moves to OK: the edit is left first
        return d.result();
    });
    QCOMPARE(w.config.ShowModal(), 1);
    QCOMPARE(w.edit("txtStartUniv")->text(), QStringLiteral("63999"));
    QCOMPARE(w.config.lblMAC->text(), QStringLiteral("MAC: "));
}

void TestConfigWindow::stepButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("fahrenheit");

    auto row = [](const char* tag, const char* button, const char* edit, bool rgbw, const QString& start, int clicks,
                  const QString& expected, const QString& f = QString()) {
        QTest::newRow(tag) << button << edit << rgbw << start << clicks << expected << f;
    };
    row("univ up to the top", "btnUnivUp", "txtStartUniv", false, "63998", 3, "63999");
    row("univ up above range", "btnUnivUp", "txtStartUniv", false, "64000", 1, "64000");
    row("univ down above range", "btnUnivDown", "txtStartUniv", false, "64000", 1, "63999");
    row("univ down at 1", "btnUnivDown", "txtStartUniv", false, "1", 1, "1");
    row("univ up from letters", "btnUnivUp", "txtStartUniv", false, "abc", 1, "2");
    row("univ down from letters", "btnUnivDown", "txtStartUniv", false, "abc", 1, "1");
    row("chan RGB up 505", "btnChanUp", "txtStartChan", false, "505", 1, "508");
    row("chan RGB up stays 508", "btnChanUp", "txtStartChan", false, "505", 2, "508");
    row("chan RGBW up 505", "btnChanUp", "txtStartChan", true, "505", 1, "509");
    row("chan RGBW up stays 509", "btnChanUp", "txtStartChan", true, "509", 1, "509");
    row("chan RGB up aligns first", "btnChanUp", "txtStartChan", false, "6", 1, "10");
    row("chan RGB up from 1", "btnChanUp", "txtStartChan", false, "1", 3, "10");
    row("chan RGB down 4", "btnChanDown", "txtStartChan", false, "4", 1, "1");
    row("chan RGB down 1", "btnChanDown", "txtStartChan", false, "1", 1, "1");
    row("chan RGBW down 5", "btnChanDown", "txtStartChan", true, "5", 1, "1");
    row("chan RGBW down 509", "btnChanDown", "txtStartChan", true, "509", 2, "501");
    row("chan up from letters", "btnChanUp", "txtStartChan", false, "x", 1, "4");
    row("nodes up stops at limit", "btnNodesUp", "txtNodes", false, "399", 3, "400");
    row("nodes down at 1", "btnNodesDown", "txtNodes", false, "1", 1, "1");
    row("nodes down", "btnNodesDown", "txtNodes", false, "7", 2, "5");
    row("DMX 2 up", "btnOut2Up", "txtOut2", false, "7", 1, "8");
    row("DMX 3 up at top", "btnOut3Up", "txtOut3", false, "63999", 1, "63999");
    row("DMX 4 down at 1", "btnOut4Down", "txtOut4", false, "1", 1, "1");
    row("DMX 1 down", "btnOut1Down", "txtOut1", false, "10", 1, "9");
    row("fan up to 60", "btnFanUp", "txtFan", false, "59", 3, "60", "140 " + kDeg + "F");
    row("fan down at 10", "btnFanDown", "txtFan", false, "10", 1, "10", "50 " + kDeg + "F");
    row("fan down", "btnFanDown", "txtFan", false, "36", 1, "35", "95 " + kDeg + "F");
    row("fan up from letters", "btnFanUp", "txtFan", false, "warm", 1, "11", "52 " + kDeg + "F");
}

void TestConfigWindow::stepButtons() {
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(bool, rgbw);
    QFETCH(QString, start);
    QFETCH(int, clicks);
    QFETCH(QString, expected);
    QFETCH(QString, fahrenheit);

    ConfigWindows w;
    w.load(currentController({{"WS2811", 2, 3, 0}}, 8, 400));
    (rgbw ? w.config.radioRGBW : w.config.radioRGB)->setChecked(true);
    w.edit(edit)->setText(start);
    for (int i = 0; i < clicks; ++i) click(w.button(button));
    QCOMPARE(w.edit(edit)->text(), expected);
    if (!fahrenheit.isEmpty()) QCOMPARE(w.cfg<QLabel>("lblTempF")->text(), fahrenheit);
}

void TestConfigWindow::gammaEdits_data() {
    QTest::addColumn<QString>("colour");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("lock");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("tenths");

    QTest::newRow("2.46 rounds") << "Green" << "2.46" << false << "2.5" << 25;
    QTest::newRow("0.5 is below") << "Red" << "0.5" << false << "1.0" << 10;
    QTest::newRow("5 is above") << "Blue" << "5" << false << "3.0" << 30;
    QTest::newRow("letters") << "White" << "abc" << false << "1.0" << 10;
    QTest::newRow("2.96 rounds to the top") << "Red" << "2.96" << false << "3.0" << 30;
    QTest::newRow("locked 2.46") << "Blue" << "2.46" << true << "2.5" << 25;
    QTest::newRow("locked 5") << "Red" << "5" << true << "3.0" << 30;
}

void TestConfigWindow::gammaEdits() {
    QFETCH(QString, colour);
    QFETCH(QString, typed);
    QFETCH(bool, lock);
    QFETCH(QString, expected);
    QFETCH(int, tenths);

    ConfigWindows w;
    // Start every colour at 2.0 so that a change (or none) shows.
    const QStringList colours = {"Red", "Green", "Blue", "White"};
    for (const QString& c : colours) {
        w.cfg<QSlider>("trackGamma" + c)->setValue(20);
        QCOMPARE(w.edit("txtGamma" + c)->text(), QStringLiteral("2.0"));
    }
    if (lock) click(w.cfg<QCheckBox>("switchLockSliders"));

    typeAndLeave(w.edit("txtGamma" + colour), typed);
    for (const QString& c : colours) {
        const bool follows = lock || c == colour;
        QCOMPARE(w.edit("txtGamma" + c)->text(), follows ? expected : QStringLiteral("2.0"));
        QCOMPARE(w.cfg<QSlider>("trackGamma" + c)->value(), follows ? tenths : 20);
    }
}

void TestConfigWindow::gammaSliderFollowsLock() {
    ConfigWindows w;
    QSlider* red = w.cfg<QSlider>("trackGammaRed");
    red->triggerAction(QAbstractSlider::SliderSingleStepAdd); // 1.0 -> 1.1
    QCOMPARE(w.edit("txtGammaRed")->text(), QStringLiteral("1.1"));
    QCOMPARE(w.edit("txtGammaGreen")->text(), QStringLiteral("1.0"));

    click(w.cfg<QCheckBox>("switchLockSliders"));
    // The lock itself changes nothing; the next change carries the others along.
    QCOMPARE(w.edit("txtGammaGreen")->text(), QStringLiteral("1.0"));
    QSlider* white = w.cfg<QSlider>("trackGammaWhite");
    white->triggerAction(QAbstractSlider::SliderSingleStepAdd); // 1.0 -> 1.1, then everyone 1.1
    for (const char* c : {"Red", "Green", "Blue", "White"}) {
        QCOMPARE(w.edit(QStringLiteral("txtGamma") + c)->text(), QStringLiteral("1.1"));
        QCOMPARE(w.cfg<QSlider>(QStringLiteral("trackGamma") + c)->value(), 11);
    }
    w.cfg<QSlider>("trackGammaGreen")->setValue(30);
    for (const char* c : {"Red", "Green", "Blue", "White"})
        QCOMPARE(w.edit(QStringLiteral("txtGamma") + c)->text(), QStringLiteral("3.0"));
}

void TestConfigWindow::gammaUsesLocaleSeparator() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        ConfigWindows w;
        typeAndLeave(w.edit("txtGammaRed"), "2,46");
        QCOMPARE(w.edit("txtGammaRed")->text(), QStringLiteral("2,5"));
        QCOMPARE(w.cfg<QSlider>("trackGammaRed")->value(), 25);
    }
    QLocale::setDefault(QLocale::c());
}

void TestConfigWindow::nicknameStopsAt32TypedCharacters() {
    ConfigWindows w;
    QLineEdit* nick = w.edit("txtNickname");
    nick->setFocus();
    const QString thirtyTwo = QStringLiteral("abcdefghijklmnopqrstuvwxyz012345");
    QTest::keyClicks(nick, thirtyTwo);
    QCOMPARE(nick->text(), thirtyTwo);
    QTest::keyClicks(nick, "X");
    QCOMPARE(nick->text(), thirtyTwo);
    QTest::keyClick(nick, Qt::Key_Backspace);
    QCOMPARE(nick->text(), thirtyTwo.left(31));
    QTest::keyClicks(nick, "Y");
    QCOMPARE(nick->text(), thirtyTwo.left(31) + "Y");
    // Moving within the text still works at the limit.
    QTest::keyClick(nick, Qt::Key_Home);
    QCOMPARE(nick->cursorPosition(), 0);
    // Pasted text is not limited.
    nick->insert("PASTED");
    QCOMPARE(nick->text().size(), 38);
}

void TestConfigWindow::advancedSwitchesEnableTheirControls() {
    ConfigWindows w;
    const QStringList simple = {"txtStartUniv", "txtStartChan", "txtNodes",   "btnUnivUp",   "btnUnivDown",
                                "btnChanUp",    "btnChanDown",  "btnNodesUp", "btnNodesDown"};
    auto check = [&](bool advanced) {
        QCOMPARE(w.button("btnAdvanced")->isEnabled(), advanced);
        for (const QString& n : simple) QVERIFY2(find<QWidget>(w.config, n)->isEnabled() != advanced, qPrintable(n));
    };
    check(false);
    click(w.cfg<QCheckBox>("checkAdv"));
    check(true);
    click(w.cfg<QCheckBox>("checkAdv"));
    check(false);

    QCOMPARE(w.button("btnAdvancedRGB")->isEnabled(), false);
    QCOMPARE(w.cfg<QComboBox>("comboRGB")->isEnabled(), true);
    click(w.cfg<QCheckBox>("checkAdvRGB"));
    QCOMPARE(w.button("btnAdvancedRGB")->isEnabled(), true);
    QCOMPARE(w.cfg<QComboBox>("comboRGB")->isEnabled(), false);
}

void TestConfigWindow::modalResults_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("mac");
    QTest::newRow("OK") << "btnOK" << 1 << "MAC: ";
    QTest::newRow("Cancel") << "btnCancel" << 2 << "MAC: ";
    QTest::newRow("Update Firmware") << "btnFirmware" << 3 << "MAC: 00-1A-2B-3C-4D-5E";
    QTest::newRow("title bar") << "" << 2 << "MAC: ";
}

void TestConfigWindow::modalResults() {
    QFETCH(QString, button);
    QFETCH(int, result);
    QFETCH(QString, mac);
    ConfigWindows w;
    w.config.lblMAC->setText("MAC: 00-1A-2B-3C-4D-5E");
    w.services.queueModal([&](QDialog& d) {
        if (button.isEmpty()) {
            d.reject(); // closing by the title bar or Escape
        } else {
            click(find<QAbstractButton>(d, button));
        }
        return d.result();
    });
    QCOMPARE(w.config.ShowModal(), result);
    QCOMPARE(w.config.lblMAC->text(), mac);
}

void TestConfigWindow::dmxGroupFollowsProtocol_data() {
    QTest::addColumn<bool>("sacnCapable");
    QTest::addColumn<bool>("artNetCapable");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("sACN, not capable") << false << true << "radioSACN" << false;
    QTest::newRow("sACN, capable") << true << false << "radioSACN" << true;
    QTest::newRow("Art-Net, capable") << false << true << "radioArtNet" << true;
    QTest::newRow("Art-Net, not capable") << true << false << "radioArtNet" << false;
    QTest::newRow("third protocol") << true << true << "radioOstra" << false;
}

void TestConfigWindow::dmxGroupFollowsProtocol() {
    QFETCH(bool, sacnCapable);
    QFETCH(bool, artNetCapable);
    QFETCH(QString, radio);
    QFETCH(bool, enabled);
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"WS2811", 2, 3, 0}});
    r.DmxSacnCapable = sacnCapable;
    r.DmxArtNetCapable = artNetCapable;
    w.load(r);
    w.config.radioOstra->setVisible(true);
    QVERIFY(showActive(w.config));
    // Start from the other side so that the chosen radio is a change.
    (radio == "radioSACN" ? w.config.radioArtNet : w.config.radioSACN)->setChecked(true);
    w.config.radioSACNChange(); // as the flow does after setting the radios
    click(w.cfg<QRadioButton>(radio));
    QVERIFY(w.cfg<QRadioButton>(radio)->isChecked());
    QCOMPARE(w.cfg<QGroupBox>("gboxDMX")->isEnabled(), enabled);
    w.config.hide();
}

void TestConfigWindow::advancedCancelRestoresWindow() {
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"WS2811", 2, 3, 0}}, 3);
    r.NumNodes[0] = 100;
    r.NumNodes[1] = 120;
    r.AdvUniv[1] = 7;
    w.load(r);
    click(w.cfg<QCheckBox>("checkAdv"));

    // First visit: chain the outputs, change a count, OK.
    w.openAdvanced([](TNodaluxAdv& a) {
        click(find<QCheckBox>(a, "checkAutoChan"));
        typeAndLeave(find<QLineEdit>(a, "editNodes1"), "170");
        QTest::mouseClick(a.btnOK, Qt::LeftButton);
        return a.result();
    });
    QVERIFY(w.adv.checkAutoChan->isChecked());
    QCOMPARE(w.advEdit("editNodes1")->text(), QStringLiteral("170"));
    QCOMPARE(w.advEdit("editUniv2")->text(), QStringLiteral("2")); // chained after 170 pixels

    // Second visit: unchain, edit, Cancel: nothing edited survives.
    w.openAdvanced([](TNodaluxAdv& a) {
        click(find<QCheckBox>(a, "checkAutoChan"));
        typeAndLeave(find<QLineEdit>(a, "editNodes2"), "5");
        typeAndLeave(find<QLineEdit>(a, "editUniv3"), "99");
        QTest::mouseClick(a.btnCancel, Qt::LeftButton);
        return a.result();
    });
    QCOMPARE(w.services.modals.size(), 2);
    QCOMPARE(w.services.modals.last().result, 2);
    QVERIFY(w.adv.checkAutoChan->isChecked());
    QCOMPARE(w.advEdit("editNodes1")->text(), QStringLiteral("100"));
    QCOMPARE(w.advEdit("editNodes2")->text(), QStringLiteral("120"));
    // Chaining is back on, so rows 2 and 3 follow row 1 again.
    QCOMPARE(w.advEdit("editUniv2")->text(), QStringLiteral("1"));
    QCOMPARE(w.advEdit("editChan2")->text(), QStringLiteral("301"));
    QVERIFY(!w.advEdit("editUniv3")->isEnabled());

    // The next opening of the configuration window starts with chaining off.
    w.services.queueModalResult(2);
    w.config.ShowModal();
    QVERIFY(!w.adv.checkAutoChan->isChecked());
}

void TestConfigWindow::advancedRgbCancelRestoresOrders() {
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"WS2811", 0, 3, 0}}, 4);
    r.AdvRgbOrder = {2, 3, 4, 5};
    w.load(r);
    click(w.cfg<QCheckBox>("checkAdvRGB"));

    w.openAdvancedRgb([](TNodaluxAdvRGB& a) {
        find<QComboBox>(a, "ComboBox2")->setCurrentIndex(0);
        QTest::mouseClick(a.btnCancel, Qt::LeftButton);
        return a.result();
    });
    QCOMPARE(w.advRgb.AdvRGB[1]->currentIndex(), 3);

    w.openAdvancedRgb([](TNodaluxAdvRGB& a) {
        find<QComboBox>(a, "ComboBox2")->setCurrentIndex(1);
        QTest::mouseClick(a.btnOK, Qt::LeftButton);
        return a.result();
    });
    QCOMPARE(w.advRgb.AdvRGB[1]->currentIndex(), 1);
    QCOMPARE(w.advRgb.TabControl1->currentIndex(), 0);
}

void TestConfigWindow::formShowByProtocol_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("protocol 8") << 8 << true;
    QTest::newRow("protocol 7") << 7 << false;
    QTest::newRow("legacy") << 0 << false;
}

void TestConfigWindow::formShowByProtocol() {
    QFETCH(int, protocol);
    QFETCH(bool, enabled);
    ConfigWindows w;
    w.rec = currentController({{"WS2811", 2, 3, 0}});
    w.rec.QorvanaProtVer = static_cast<std::uint8_t>(protocol);
    w.config.radioTestSingleOutput->setChecked(true);
    w.services.queueModalResult(2);
    w.config.ShowModal();
    for (const char* n : {"radioTestAllOutputs", "radioTestSingleOutput", "btnIdentifyStart", "btnIdentifyStop"})
        QCOMPARE(find<QWidget>(w.config, n)->isEnabled(), enabled);
    QCOMPARE(w.config.radioTestAllOutputs->isChecked(), !enabled);
}

void TestConfigWindow::testTabVisibility_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("ledType");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("outputs");
    QTest::addColumn<bool>("setColour");
    QTest::addColumn<bool>("white");
    QTest::addColumn<bool>("pixel");
    QTest::newRow("live data") << 0 << 0 << 8 << false << false << false << false;
    QTest::newRow("red") << 2 << 0 << 8 << true << false << false << false;
    QTest::newRow("set colour RGB") << 6 << 0 << 8 << true << true << false << false;
    QTest::newRow("set colour RGBW") << 6 << 1 << 6 << true << true << true << false;
    QTest::newRow("set colour RGBW protocol 5") << 6 << 1 << 5 << true << true << false << false;
    QTest::newRow("single pixel") << 8 << 0 << 8 << true << false << false << true;
}

void TestConfigWindow::testTabVisibility() {
    QFETCH(int, mode);
    QFETCH(int, ledType);
    QFETCH(int, protocol);
    QFETCH(bool, outputs);
    QFETCH(bool, setColour);
    QFETCH(bool, white);
    QFETCH(bool, pixel);
    ConfigWindows w;
    w.rec.LedType = static_cast<std::uint8_t>(ledType);
    w.rec.QorvanaProtVer = static_cast<std::uint8_t>(protocol);
    QComboBox* modes = w.cfg<QComboBox>("comboTestModes");
    modes->addItems({"None (Live Data)", "RGBW Cycle", "Red", "Green", "Blue", "White", "Set Color", "Color Fade",
                     "Single Pixel"});
    modes->setCurrentIndex(mode);
    w.config.enableDisableColourControls();
    for (const char* n : {"radioTestAllOutputs", "radioTestSingleOutput", "lblTestOutput", "numboxTestOutput",
                          "btnTestOutputInc", "btnTestOutputDec"})
        QCOMPARE(!find<QWidget>(w.config, n)->isHidden(), outputs);
    QCOMPARE(!w.cfg<QWidget>("pnlTestSetCol")->isHidden(), setColour);
    if (setColour) {
        for (const char* n : {"editTestWhite", "trackTestWhite", "lblTestWhite"})
            QCOMPARE(!find<QWidget>(w.config, n)->isHidden(), white);
    }
    QCOMPARE(!w.cfg<QWidget>("pnlTestPixel")->isHidden(), pixel);
}

QTEST_MAIN(TestConfigWindow)
#include "test_config_window.moc"
