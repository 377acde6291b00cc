// The main window with the simulator's default fleet but without sockets:
// scripts/screenshot-main.sh uses it where the network lab cannot be made.
// The window presses Search and the fleet's replies are handed to it through
// the in-process endpoint; it stays open until closed.

#include <QApplication>
#include <QTimer>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "tools/sim/Fleet.h"
#include "ui/testing/ScriptedServices.h"

namespace {
constexpr int kSearchDelayMs = 300;
}

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    vantrel::ui::testing::ScriptedServices services;
    vantrel::net::testing::FakeAdapterProvider adapters(
        {vantrel::net::Adapter{QStringLiteral("10.77.0.1"), QStringLiteral("255.255.0.0"), QStringLiteral("vpc")}});
    vantrel::net::testing::FakeUdpEndpoint endpoint;

    vantrel::app::TForm1 form(vantrel::app::Branding{}, services, adapters, endpoint);
    vantrel::app::createWindows(form, services);
    form.show();

    QTimer::singleShot(kSearchDelayMs, &form, [&] {
        form.Net_SearchClick();
        for (const auto& controller : vantrel::sim::defaultFleet()) {
            const auto bytes = controller.replyBytes();
            endpoint.inject(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                            QHostAddress(QStringLiteral("10.77.1.1")));
        }
    });
    return QApplication::exec();
}
