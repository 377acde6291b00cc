// The LED tab's driver rules: chip, LED type, speed and clock, output mode,
// colour-order lists, pixel limit and outputs in use, for both protocol
// families.

#include <QCheckBox>
#include <QLocale>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "ConfigFixture.h"

using namespace testing_config;

class TestLedOptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void rgbwOnlyChipForcesRgbwAndRefillsLists();
    void driverType_data();
    void driverType();
    void driverSpeed_data();
    void driverSpeed();
    void clockCaption_data();
    void clockCaption();
    void outputMode_data();
    void outputMode();
    void chipWithoutModeLeavesExpandedMode();
    void pixelLimit_data();
    void pixelLimit();
    void chipChangeDoesNotRewritePixels();
    void ledTypeSwitchAlignsOnlyOnNextCheck();
    void outputsInUse_data();
    void outputsInUse();
    void legacySpeedChoice_data();
    void legacySpeedChoice();
    void legacyModeChoice_data();
    void legacyModeChoice();
    void legacyLedType_data();
    void legacyLedType();
    void legacyListsStayRgb();
};

void TestLedOptions::rgbwOnlyChipForcesRgbwAndRefillsLists() {
    ConfigWindows w;
    w.load(currentController({{"WS2811", 2, 3, 0}, {"SK6812", 1, 0, 0}}));
    QVERIFY(w.config.radioRGB->isChecked());
    QCOMPARE(w.config.comboRGB->count(), 6);
    w.config.comboRGB->setCurrentIndex(4);
    w.advRgb.AdvRGB[5]->setCurrentIndex(2);
    w.edit("txtStartChan")->setText("4");

    w.config.comboChip->setCurrentIndex(1);

    QVERIFY(w.config.radioRGBW->isChecked());
    QVERIFY(!w.config.radioRGB->isEnabled());
    QVERIFY(!w.config.radioRGBW->isEnabled());
    QCOMPARE(w.config.comboRGB->count(), 24);
    QCOMPARE(w.config.comboRGB->currentIndex(), 0);
    QCOMPARE(w.config.comboRGB->itemText(0), QStringLiteral("R-G-B-W"));
    for (QComboBox* list : w.advRgb.AdvRGB) {
        QCOMPARE(list->count(), 24);
        QCOMPARE(list->currentIndex(), 0);
    }
    // Re-aligned to the RGBW grid.
    QCOMPARE(w.edit("txtStartChan")->text(), QStringLiteral("5"));
}

void TestLedOptions::driverType_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("rgbwBefore");
    QTest::addColumn<bool>("rgbwAfter");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("RGB only from RGBW") << 0 << true << false << false;
    QTest::newRow("RGBW only from RGB") << 1 << false << true << false;
    QTest::newRow("either keeps RGBW") << 2 << true << true << true;
    QTest::newRow("either keeps RGB") << 2 << false << false << true;
    QTest::newRow("unknown code keeps the radios") << 9 << true << true << false;
}

void TestLedOptions::driverType() {
    QFETCH(int, type);
    QFETCH(bool, rgbwBefore);
    QFETCH(bool, rgbwAfter);
    QFETCH(bool, enabled);
    ConfigWindows w;
    // Chip 0 fixes the type to RGB (radios disabled); chip 1 is under test.
    w.load(currentController({{"Fixed", 0, 0, 0}, {"Tested", static_cast<std::uint8_t>(type), 0, 0}}));
    (rgbwBefore ? w.config.radioRGBW : w.config.radioRGB)->setChecked(true);
    w.config.comboChip->setCurrentIndex(1);
    QCOMPARE(w.config.radioRGBW->isChecked(), rgbwAfter);
    QCOMPARE(w.config.radioRGB->isChecked(), !rgbwAfter);
    QCOMPARE(w.config.radioRGB->isEnabled(), enabled);
    QCOMPARE(w.config.radioRGBW->isEnabled(), enabled);
}

void TestLedOptions::driverSpeed_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("fastBefore");
    QTest::addColumn<bool>("speedShown");
    QTest::addColumn<bool>("speedEnabled");
    QTest::addColumn<bool>("fastAfter");
    QTest::addColumn<bool>("clockEnabled");
    QTest::newRow("0 no choice") << 0 << true << false << true << true << false;
    QTest::newRow("1 fixed slow") << 1 << true << true << false << false << false;
    QTest::newRow("2 fixed fast") << 2 << false << true << false << true << false;
    QTest::newRow("3 slow or fast keeps") << 3 << true << true << true << true << false;
    QTest::newRow("4 adjustable clock") << 4 << false << false << true << false << true;
}

void TestLedOptions::driverSpeed() {
    QFETCH(int, speed);
    QFETCH(bool, fastBefore);
    QFETCH(bool, speedShown);
    QFETCH(bool, speedEnabled);
    QFETCH(bool, fastAfter);
    QFETCH(bool, clockEnabled);
    ConfigWindows w;
    // Chip 0 lets the user choose the speed (controls shown and enabled).
    w.load(currentController({{"Choice", 2, 3, 0}, {"Tested", 2, static_cast<std::uint8_t>(speed), 0}}));
    (fastBefore ? w.config.radioFast : w.config.radioSlow)->setChecked(true);
    w.config.comboChip->setCurrentIndex(1);
    for (QWidget* c : std::initializer_list<QWidget*>{w.config.lblSpeed, w.config.radioSlow, w.config.radioFast}) {
        QCOMPARE(!c->isHidden(), speedShown);
        if (speedShown) QCOMPARE(c->isEnabled(), speedEnabled);
    }
    QCOMPARE(w.config.radioFast->isChecked(), fastAfter);
    QCOMPARE(w.config.trackClockSpeed->isEnabled(), clockEnabled);
    QCOMPARE(w.config.lblClockSpeed->isEnabled(), clockEnabled);
    QVERIFY(!w.config.trackClockSpeed->isHidden());
}

void TestLedOptions::clockCaption_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::newRow("position 10") << 4 << 10 << "Clock Speed:    2.5MHz";
    QTest::newRow("position 11") << 4 << 11 << "Clock Speed:    2.9MHz";
    QTest::newRow("position 0") << 4 << 0 << "Clock Speed:    0.4MHz";
    QTest::newRow("position 9") << 4 << 9 << "Clock Speed:    2.2MHz";
    QTest::newRow("speed choice chip") << 3 << 10 << "Clock Speed:";
}

void TestLedOptions::clockCaption() {
    QFETCH(int, speed);
    QFETCH(int, position);
    QFETCH(QString, caption);
    ConfigWindows w;
    w.load(currentController({{"Clocked", 2, static_cast<std::uint8_t>(speed), 0}}));
    QSlider* track = w.cfg<QSlider>("trackClockSpeed");
    track->setValue(position == 0 ? 1 : 0); // so that the position below is a change
    track->setValue(position);
    QCOMPARE(w.cfg<QLabel>("lblClockSpeed")->text(), caption);
    QCOMPARE(track->maximum(), 11);
}

void TestLedOptions::outputMode_data() {
    QTest::addColumn<int>("expandable");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("expandable") << 1 << "Expanded" << true;
    QTest::newRow("condensable") << 2 << "Condensed" << true;
    QTest::newRow("neither") << 0 << "Condensed" << false;
}

void TestLedOptions::outputMode() {
    QFETCH(int, expandable);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    ConfigWindows w;
    w.load(currentController({{"Condensable", 2, 3, 2}, {"Tested", 2, 3, static_cast<std::uint8_t>(expandable)}}));
    w.config.comboChip->setCurrentIndex(1);
    QCOMPARE(w.config.radioCondensed->text(), caption);
    QCOMPARE(w.config.radioStandard->isEnabled(), enabled);
    QCOMPARE(w.config.radioCondensed->isEnabled(), enabled);
    if (!enabled) QVERIFY(w.config.radioStandard->isChecked());
}

void TestLedOptions::chipWithoutModeLeavesExpandedMode() {
    ConfigWindows w;
    // 32 outputs, chip 0 expandable: "Normal" uses 16, "Expanded" all 32.
    w.load(currentController({{"Expander", 2, 3, 1}, {"Plain", 2, 3, 0}}, 32));
    QCOMPARE(w.rec.NumUsableOutputs, 16);
    click(w.config.radioCondensed);
    QCOMPARE(w.rec.NumUsableOutputs, 32);
    QCOMPARE(w.adv.rowCount(), 32);
    QVERIFY(w.adv.TabControl1->isTabVisible(1));

    // A chip without a mode choice checks "Normal": the output-mode rule runs
    // and both advanced windows are refilled with 16 outputs.
    w.config.comboChip->setCurrentIndex(1);
    QVERIFY(w.config.radioStandard->isChecked());
    QCOMPARE(w.rec.NumUsableOutputs, 16);
    QCOMPARE(w.adv.rowCount(), 16);
    QCOMPARE(w.advRgb.rowCount(), 16);
    QVERIFY(!w.adv.TabControl1->isTabVisible(1));
    QVERIFY(!w.advRgb.TabControl1->isTabVisible(1));
    QVERIFY(!w.adv.findChild<QLineEdit*>("editNodes17")->isVisibleTo(&w.adv));
}

void TestLedOptions::pixelLimit_data() {
    QTest::addColumn<int>("maxPixels");
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<int>("limit");
    QTest::newRow("RGB") << 1023 << false << false << 1023;
    QTest::newRow("RGBW") << 1023 << true << false << 767;
    QTest::newRow("RGBW expanded") << 1023 << true << true << 383;
    QTest::newRow("RGB expanded") << 1000 << false << true << 500;
}

void TestLedOptions::pixelLimit() {
    QFETCH(int, maxPixels);
    QFETCH(bool, rgbw);
    QFETCH(bool, expanded);
    QFETCH(int, limit);
    ConfigWindows w;
    w.load(currentController({{"Expander", 2, 3, 1}}, 8, static_cast<std::uint16_t>(maxPixels)));
    click(rgbw ? w.config.radioRGBW : w.config.radioRGB);
    if (expanded) click(w.config.radioCondensed);
    QCOMPARE(w.config.MaxPixelsPerOutput(), limit);
    // What the user sees: a larger count is cut to the limit, ▲ stops there.
    typeAndLeave(w.edit("txtNodes"), "5000");
    QCOMPARE(w.edit("txtNodes")->text(), QString::number(limit));
    click(w.button("btnNodesUp"));
    QCOMPARE(w.edit("txtNodes")->text(), QString::number(limit));
}

void TestLedOptions::chipChangeDoesNotRewritePixels() {
    ConfigWindows w;
    w.load(currentController({{"Either", 2, 3, 0}, {"RGBW only", 1, 3, 0}}, 8, 400));
    w.edit("txtNodes")->setText("400");
    w.config.comboChip->setCurrentIndex(1); // limit now 300
    QCOMPARE(w.edit("txtNodes")->text(), QStringLiteral("400"));
    click(w.button("btnNodesDown"));
    QCOMPARE(w.edit("txtNodes")->text(), QStringLiteral("399"));
    typeAndLeave(w.edit("txtNodes"), "399");
    QCOMPARE(w.edit("txtNodes")->text(), QStringLiteral("300"));
}

void TestLedOptions::ledTypeSwitchAlignsOnlyOnNextCheck() {
    ConfigWindows w;
    w.load(currentController({{"Either", 2, 3, 0}}));
    w.edit("txtStartChan")->setText("4");
    click(w.config.radioRGBW);
    QCOMPARE(w.edit("txtStartChan")->text(), QStringLiteral("4"));
    click(w.button("btnChanUp")); // aligns to 5, then steps by 4
    QCOMPARE(w.edit("txtStartChan")->text(), QStringLiteral("9"));
}

void TestLedOptions::outputsInUse_data() {
    QTest::addColumn<int>("strings");
    QTest::addColumn<int>("expandable");
    QTest::addColumn<bool>("modeChecked");
    QTest::addColumn<int>("used");
    QTest::newRow("32 expandable, Normal") << 32 << 1 << false << 16;
    QTest::newRow("32 expandable, Expanded") << 32 << 1 << true << 32;
    QTest::newRow("5 expandable, Normal") << 5 << 1 << false << 3;
    QTest::newRow("8 condensable, Normal") << 8 << 2 << false << 8;
    QTest::newRow("8 condensable, Condensed") << 8 << 2 << true << 8;
}

void TestLedOptions::outputsInUse() {
    QFETCH(int, strings);
    QFETCH(int, expandable);
    QFETCH(bool, modeChecked);
    QFETCH(int, used);
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"Tested", 2, 3, static_cast<std::uint8_t>(expandable)}}, strings);
    r.CondensedMode = modeChecked ? 0 : 1; // the user switches below
    w.load(r);
    click(modeChecked ? w.config.radioCondensed : w.config.radioStandard);
    QCOMPARE(int(w.rec.NumUsableOutputs), used);
    QCOMPARE(w.adv.rowCount(), used);
    QCOMPARE(w.advRgb.rowCount(), used);
}

void TestLedOptions::legacySpeedChoice_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<QString>("speedCaption");
    QTest::addColumn<bool>("shown");
    QTest::newRow("WS2811/12, firmware with speeds") << 4 << "Speed:" << true;
    QTest::newRow("TM1804, firmware with speeds") << 7 << "Speed:" << true;
    QTest::newRow("WS2811/12, old firmware") << 4 << "Sp" << false;
    QTest::newRow("WS2801") << 2 << "Speed:" << false;
}

void TestLedOptions::legacySpeedChoice() {
    QFETCH(int, chip);
    QFETCH(QString, speedCaption);
    QFETCH(bool, shown);
    ConfigWindows w;
    w.config.lblSpeed->setText(speedCaption);
    TNodaluxCtrl r = legacyController("V1.4.11");
    r.DriverChip = static_cast<std::uint8_t>(chip);
    w.config.radioFast->setChecked(true);
    w.load(r);
    for (QWidget* c : std::initializer_list<QWidget*>{w.config.lblSpeed, w.config.radioSlow, w.config.radioFast})
        QCOMPARE(!c->isHidden(), shown);
    QVERIFY(w.config.radioFast->isChecked()); // states are not touched
}

void TestLedOptions::legacyModeChoice_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<bool>("choice");
    for (int chip : {0, 4, 6, 7, 8, 12, 13}) QTest::addRow("chip %d", chip) << chip << true;
    for (int chip : {1, 2, 3, 5, 9, 10, 11, 14}) QTest::addRow("chip %d", chip) << chip << false;
}

void TestLedOptions::legacyModeChoice() {
    QFETCH(int, chip);
    QFETCH(bool, choice);
    ConfigWindows w;
    TNodaluxCtrl r = legacyController("V1.4.11");
    r.CondensedMode = 1;
    w.load(r);
    w.config.radioCondensed->setChecked(true);
    w.config.comboChip->setCurrentIndex(chip);
    QCOMPARE(w.config.radioCondensed->text(), QStringLiteral("Condensed"));
    QCOMPARE(w.config.radioStandard->isEnabled(), choice);
    QCOMPARE(w.config.radioCondensed->isEnabled(), choice);
    QCOMPARE(w.config.radioCondensed->isChecked(), choice);
}

void TestLedOptions::legacyLedType_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<int>("chip");
    QTest::addColumn<bool>("rgbwBefore");
    QTest::addColumn<bool>("rgbwAfter");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("limit");
    QTest::newRow("SK6812, old firmware") << "V1.4.10" << 12 << false << true << false << 256;
    QTest::newRow("SK6812, 1.4.11, user's RGBW") << "V1.4.11" << 12 << true << true << true << 256;
    QTest::newRow("SK6812, 1.4.11, user's RGB") << "V1.4.11" << 12 << false << false << true << 340;
    QTest::newRow("WS2811/12, 1.4.11") << "V1.4.11" << 4 << true << false << false << 340;
    QTest::newRow("WS2811/12, old firmware") << "V1.4.10" << 4 << true << false << false << 340;
}

void TestLedOptions::legacyLedType() {
    QFETCH(QString, firmware);
    QFETCH(int, chip);
    QFETCH(bool, rgbwBefore);
    QFETCH(bool, rgbwAfter);
    QFETCH(bool, enabled);
    QFETCH(int, limit);
    ConfigWindows w;
    TNodaluxCtrl r = legacyController(firmware, 16);
    w.load(r);
    (rgbwBefore ? w.config.radioRGBW : w.config.radioRGB)->setChecked(true);
    w.config.comboChip->setCurrentIndex(chip);
    QCOMPARE(w.config.radioRGBW->isChecked(), rgbwAfter);
    QCOMPARE(w.config.radioRGB->isEnabled(), enabled);
    QCOMPARE(w.config.radioRGBW->isEnabled(), enabled);
    QCOMPARE(w.config.MaxPixelsPerOutput(), limit);
    typeAndLeave(w.edit("txtNodes"), "1000");
    QCOMPARE(w.edit("txtNodes")->text(), QString::number(limit));
}

void TestLedOptions::legacyListsStayRgb() {
    ConfigWindows w;
    TNodaluxCtrl r = legacyController("V1.4.10", 4);
    r.DriverChip = 12;
    w.load(r);
    QVERIFY(w.config.radioRGBW->isChecked());
    QCOMPARE(w.config.comboRGB->count(), 6);
    QCOMPARE(w.config.comboRGB->itemText(0), QStringLiteral("R-G-B"));
    QCOMPARE(w.advRgb.AdvRGB[31]->count(), 6);
    // A 4-output legacy controller drives 512 RGBW pixels per output.
    QCOMPARE(w.config.MaxPixelsPerOutput(), 512);
}

QTEST_MAIN(TestLedOptions)
#include "test_led_options.moc"
