// The program entry: creates the windows in their order, shows the main
// window and runs the event loop until the main window closes.

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "app/Edition.h"
#include "app/TForm1.h"
#include "app/Windows.h"
#include "app/Wiring.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "ui/QtServices.h"

namespace {

// Demonstrations and screenshots: with VANTREL_AUTOSEARCH=1 the program
// presses Search once, shortly after start-up (the program reads no command line).
constexpr int kAutoSearchDelayMs = 300;

bool autoSearchRequested() { return qEnvironmentVariable("VANTREL_AUTOSEARCH") == QLatin1String("1"); }

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const vantrel::app::Branding edition = vantrel::app::builtEdition();
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    QApplication::setApplicationDisplayName(edition.mainTitle());
    QApplication::setApplicationVersion(edition.versionText());

    vantrel::ui::QtServices services;
    vantrel::net::SystemAdapterProvider adapters;
    vantrel::net::QtUdpEndpoint endpoint;

    vantrel::app::TForm1 form(edition, services, adapters, endpoint);
    services.setDialogParent(&form);
    vantrel::app::createWindows(form, services);
    vantrel::app::wireFlowsAndTestTab(form, endpoint, services);
    vantrel::app::wireDeviceGridMenu(form, endpoint, services);

    form.show();
    if (autoSearchRequested() && !form.bindFailed()) {
        QTimer::singleShot(kAutoSearchDelayMs, &form, [&form] {
            if (form.Net_Search->isEnabled()) form.Net_SearchClick();
        });
    }
    const int result = QApplication::exec();
    return form.bindFailed() ? 1 : result;
}
