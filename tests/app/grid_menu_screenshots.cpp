// Pictures of the device grid's context menu for review
// (scripts/screenshot-grid-menu.sh): the main window listing the simulator's
// default fleet through the in-process endpoint, with the menu opened on a
// controller and below the rows.

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTableView>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "app/Wiring.h"
#include "net/Datagrams.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "tests/support/Screenshots.h"
#include "tools/sim/Fleet.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    screenshots::Shooter shooter;
    if (!shooter.takeOutputFolder(argc, argv, "grid_menu_screenshots")) return 2;

    ui::testing::ScriptedServices services;
    net::testing::FakeAdapterProvider adapters({net::Adapter{"10.77.0.1", "255.255.0.0", "vpc"}});
    net::testing::FakeUdpEndpoint endpoint;
    app::TForm1 form(app::Branding{}, services, adapters, endpoint);
    app::createWindows(form, services);
    app::wireDeviceGridMenu(form, endpoint, services);
    form.move(20, 20);
    form.show();
    form.Net_SearchClick();
    for (const auto& c : sim::defaultFleet()) endpoint.inject(net::toByteArray(c.replyBytes()), QHostAddress("10.77.1.1"));
    shooter.shoot(form, "main-window");

    QTableView* grid = form.Network_Grid;
    const auto menuAt = [&](const QPoint& pos, const QString& name) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, grid->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid->viewport(), &event);
        QMenu* menu = grid->findChild<QMenu*>("menuDeviceGrid");
        if (!menu || !QTest::qWaitForWindowExposed(menu)) {
            shooter.fail();
            return;
        }
        QTest::qWait(screenshots::kSettleMs);
        const QRect area = form.frameGeometry().united(menu->frameGeometry());
        shooter.save(form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()), form, name);
        menu->close();
    };
    menuAt(grid->visualRect(grid->model()->index(5, 1)).center(), "menu-on-controller");
    menuAt(QPoint(60, grid->viewport()->height() - 20), "menu-on-list");
    return shooter.failures() == 0 ? 0 : 1;
}
