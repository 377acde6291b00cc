// The main window with the simulator's default fleet but without sockets:
// scripts/screenshot-main.sh uses it where the network lab cannot be made.
// The window presses Search and the fleet's replies are handed to it through
// the in-process endpoint; it stays open until closed.
//
// With --diagnostics it is a development build showing its Diagnostics tab
// with a few of the fleet's diagnostic messages.

#include <QApplication>
#include <QTabWidget>
#include <QTimer>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "protocol/Diagnostic.h"
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

    const bool diagnostics = QCoreApplication::arguments().contains(QStringLiteral("--diagnostics"));
    const auto inject = [&](const vantrel::protocol::Bytes& bytes) {
        endpoint.inject(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
                        QHostAddress(QStringLiteral("10.77.1.1")));
    };

    vantrel::app::TForm1 form(vantrel::app::Branding{0, {2, 3, 23}, diagnostics}, services, adapters, endpoint);
    vantrel::app::createWindows(form, services);
    form.show();

    QTimer::singleShot(kSearchDelayMs, &form, [&] {
        form.Net_SearchClick();
        for (const auto& controller : vantrel::sim::defaultFleet()) inject(controller.replyBytes());
        if (!diagnostics) return;
        form.tabControl1->setCurrentIndex(1);
        const char16_t* texts[] = {u"Output 3 over current", u"Power bank 2 voltage low: 11.2 V",
                                   u"Started, firmware V2.1.0"};
        std::uint8_t severity = 0;
        for (const auto& controller : vantrel::sim::defaultFleet()) {
            if (severity > 2) break;
            vantrel::protocol::DiagnosticMessage msg;
            msg.mac = controller.rec.MAC;
            msg.ip = controller.rec.CurrentIP;
            msg.model = controller.rec.ModelName.empty() ? controller.rec.Model : controller.rec.ModelName;
            msg.nickname = vantrel::model::nicknameText(controller.rec);
            msg.firmware = controller.rec.Firmware;
            msg.severity = severity;
            msg.message = texts[severity++];
            inject(vantrel::protocol::encodeDiagnosticMessage(msg));
        }
    });
    return QApplication::exec();
}
