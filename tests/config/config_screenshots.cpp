// Pictures of the configuration windows as a user sees them: every tab of the
// configuration window and the advanced windows with 8, 20 and 32 outputs.
// Run on a display (scripts/screenshot-config.sh runs it under Xvfb); each
// window is shown, captured from the screen and written as PNG.
//
// usage: config_screenshots <output directory>

#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QTimer>

#include "ConfigFixture.h"
#include "tests/support/Screenshots.h"

using namespace testing_config;

namespace {

screenshots::Shooter g_shots;

// A controller of the current family as the configuration flow would show it.
TNodaluxCtrl sampleController(int outputs) {
    TNodaluxCtrl r = currentController({{"WS2811", 2, 3, 1}, {"SK6812", 1, 2, 0}, {"APA102", 0, 4, 0}}, outputs, 680);
    r.NumUsableOutputs = static_cast<std::uint8_t>(outputs);
    r.CondensedMode = 1;
    r.DmxSacnCapable = true;
    r.DmxArtNetCapable = true;
    r.DMXOutputs = 4;
    for (int i = 0; i < outputs; ++i) {
        const auto k = static_cast<std::size_t>(i);
        r.NumNodes[k] = 170;
        r.AdvUniv[k] = static_cast<std::uint16_t>(1 + i);
        r.AdvChan[k] = 1;
        r.AdvRgbOrder[k] = static_cast<std::uint8_t>(i % 6);
        r.Grouping[k] = 1;
        r.Brightness[k] = 100;
        r.AdvReverse[k] = static_cast<std::uint8_t>(i % 3 == 0);
    }
    return r;
}

void fillLikeTheFlow(ConfigWindows& w) {
    TNodaluxConfig& c = w.config;
    const QStringList ip = {"192", "168", "1", "50"}, sm = {"255", "255", "255", "0"};
    QLineEdit* ips[] = {c.IP1, c.IP2, c.IP3, c.IP4};
    QLineEdit* sms[] = {c.SM1, c.SM2, c.SM3, c.SM4};
    for (int i = 0; i < 4; ++i) {
        ips[i]->setText(ip[i]);
        sms[i]->setText(sm[i]);
    }
    c.radioStatic->setChecked(true);
    c.txtStartUniv->setText("1");
    c.txtStartChan->setText("1");
    c.txtNodes->setText("170");
    for (int k = 0; k < 4; ++k) c.txtOut[static_cast<std::size_t>(k)]->setText(QString::number(100 + k));
    c.switchOut[0]->setChecked(true);
    c.switchOut[2]->setChecked(true);
    c.checkHoldFrame->setChecked(true);
    c.lblSpeed->setText("Speed:");
    c.trackGammaRed->setValue(22);
    c.trackGammaGreen->setValue(24);
    c.trackGammaBlue->setValue(26);
    c.trackGammaWhite->setValue(18);
    c.comboTestModes->addItems({"None (Live Data)", "RGBW Cycle", "Red", "Green", "Blue", "White", "Set Color",
                                "Color Fade", "Single Pixel"});
    c.lblCurrentTest->setText("None (Live Data)");
    c.txtNickname->setText("Stage left truss");
    c.txtFan->setText("35");
    c.txtFanExit();
    c.lblMAC->setText("MAC: 00-1A-2B-3C-4D-5E");
    c.lblFirmware->setText("V2.1.7");
    c.lblVolt1->setText("12.1V");
    c.lblVolt2->setText("12.0V");
    c.lblVolt3->setText("Off");
    c.lblVolt4->setText("24.3V");
}

int run() {
    ConfigWindows w;
    w.load(sampleController(32));
    fillLikeTheFlow(w);
    w.config.FormShow();
    w.config.enableDisableColourControls();

    const struct {
        QWidget* page;
        const char* name;
    } tabs[] = {{w.config.tabNetwork, "config-1-network"},
                {w.config.tabControl, "config-2-control"},
                {w.config.tabLED, "config-3-leds"},
                {w.config.tabTest, "config-4-test"},
                {w.config.tabMisc, "config-5-misc"}};
    for (const auto& t : tabs) {
        w.config.TabControl1->setCurrentWidget(t.page);
        g_shots.shoot(w.config, QString::fromLatin1(t.name));
    }
    // The Test tab's two editors.
    w.config.TabControl1->setCurrentWidget(w.config.tabTest);
    for (int mode : {6, 8}) {
        w.config.comboTestModes->setCurrentIndex(mode);
        w.config.enableDisableColourControls();
        g_shots.shoot(w.config, QStringLiteral("config-4-test-mode%1").arg(mode));
    }
    // The LED tab of a legacy controller (shorter layout, no clock, no output mode).
    {
        ConfigWindows legacy;
        TNodaluxCtrl r = legacyController("V1.4.11", 16);
        r.DriverChip = 4;
        legacy.config.lblSpeed->setText("Speed:");
        legacy.load(r);
        for (QWidget* x : std::initializer_list<QWidget*>{legacy.config.lblClockSpeed, legacy.config.trackClockSpeed,
                                                          legacy.config.lblOutputs, legacy.config.radioStandard,
                                                          legacy.config.radioCondensed, legacy.config.lblGammaWhite,
                                                          legacy.config.trackGammaWhite, legacy.config.txtGammaWhite})
            x->hide();
        legacy.config.placeLedGroups(120, 120);
        legacy.config.placeMiscGroups(115, 124, 202);
        for (QWidget* x : std::initializer_list<QWidget*>{legacy.config.lblFan, legacy.config.txtFan,
                                                          legacy.config.lblFanUnit, legacy.config.btnFanUp,
                                                          legacy.config.btnFanDown, legacy.config.lblTempF})
            x->hide();
        legacy.config.lblMAC->clear();
        legacy.config.TabControl1->setCurrentWidget(legacy.config.tabLED);
        g_shots.shoot(legacy.config, QStringLiteral("config-3-leds-legacy"));
        legacy.config.TabControl1->setCurrentWidget(legacy.config.tabMisc);
        g_shots.shoot(legacy.config, QStringLiteral("config-5-misc-legacy"));
        legacy.config.hide();
    }
    w.config.hide();

    for (int n : {8, 20, 32}) {
        ConfigWindows a;
        a.load(sampleController(n));
        a.adv.FormShow();
        a.adv.TabControl1->setCurrentIndex(0);
        g_shots.shoot(a.adv, QStringLiteral("advanced-%1-tab1").arg(n));
        if (n > 16) {
            a.adv.TabControl1->setCurrentIndex(1);
            g_shots.shoot(a.adv, QStringLiteral("advanced-%1-tab2").arg(n));
        }
        a.adv.hide();
        a.advRgb.TabControl1->setCurrentIndex(0);
        g_shots.shoot(a.advRgb, QStringLiteral("advanced-rgb-%1-tab1").arg(n));
        if (n > 16) {
            a.advRgb.TabControl1->setCurrentIndex(1);
            g_shots.shoot(a.advRgb, QStringLiteral("advanced-rgb-%1-tab2").arg(n));
        }
        a.advRgb.hide();
    }
    return g_shots.failures() == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!g_shots.takeOutputFolder(argc, argv)) return 2;
    QLocale::setDefault(QLocale::c());
    int rc = 1;
    QTimer::singleShot(0, [&] {
        rc = run();
        QApplication::exit(rc);
    });
    app.exec();
    return rc;
}
