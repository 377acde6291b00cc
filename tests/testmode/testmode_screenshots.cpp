// Pictures of the configuration window's Test tab as a user sees it: the
// colour editor of "Set Color" (with the white controls of an RGBW
// controller), the single-pixel panel while stepping runs, a plain test on one
// output, and the Misc tab's identify buttons. Run on a display
// (scripts/screenshot-testmode.sh runs it under Xvfb); each picture is written
// as PNG. Nothing is sent anywhere: the endpoint is the in-process fake.
//
// usage: testmode_screenshots <output directory>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTimer>

#include "TestTabRig.h"
#include "tests/support/Screenshots.h"

using namespace testmode_test;

namespace {

screenshots::Shooter g_shots;

int run() {
    {
        Rig rig;
        TNodaluxCtrl r = controller(8);
        r.LedType = 1;
        r.TestMode = 6;
        r.TestModeCols = {230, 120, 40, 90};
        rig.open(r);
        g_shots.shoot(rig.config, QStringLiteral("test-1-set-colour-rgbw"));
    }
    {
        Rig rig;
        TNodaluxCtrl r = controller(6);
        r.LedType = 0;
        r.TestMode = 6;
        r.TestModeCols = {40, 160, 220, 0};
        rig.open(r);
        g_shots.shoot(rig.config, QStringLiteral("test-2-set-colour-rgb"));
    }
    {
        Rig rig;
        TNodaluxCtrl r = controller(8);
        r.TestMode = 8;
        r.TestOutputNum = 3;
        r.AdvNull[2] = 2;
        r.TestSinglePixelNum = 42;
        rig.open(r);
        rig.config.numboxTestPixelAutoTime->setValue(0.5);
        Rig::click(rig.config.btnTestPixelAutoStart);
        g_shots.shoot(rig.config, QStringLiteral("test-3-single-pixel-stepping"));
        Rig::click(rig.config.btnTestPixelAutoStop);
    }
    {
        Rig rig;
        TNodaluxCtrl r = controller(8);
        r.TestMode = 2;
        r.TestOutputNum = 5;
        rig.open(r);
        g_shots.shoot(rig.config, QStringLiteral("test-4-red-one-output"));
    }
    {
        Rig rig;
        rig.open(controller(8));
        g_shots.shoot(rig.config, QStringLiteral("test-5-live-data"));
        rig.config.TabControl1->setCurrentWidget(rig.config.tabMisc);
        g_shots.shoot(rig.config, QStringLiteral("test-6-misc-identify"));
    }
    return g_shots.failures();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!g_shots.takeOutputFolder(argc, argv)) return 2;
    const int failures = run();
    return failures == 0 ? 0 : 1;
}
