// The program entry: creates the windows in their order, shows the main
// window and runs the event loop until the main window closes.

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Edition.h"
#include "app/TForm1.h"
#include "app/Windows.h"
#include "app/Wiring.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "ui/QtServices.h"
#include "ui/UserSettings.h"

namespace {

// Demonstrations and screenshots: with VANTREL_AUTOSEARCH=1 the program
// presses Search once, shortly after start-up (the program takes no options but --version and --help).
constexpr int kAutoSearchDelayMs = 300;

bool autoSearchRequested() { return qEnvironmentVariable("VANTREL_AUTOSEARCH") == QLatin1String("1"); }

} // namespace

int main(int argc, char* argv[]) {
    // --version and --help are answered before any window (or display) is needed.
    if (const auto answered = vantrel::app::answerCommandLine(argc, argv, vantrel::app::builtEdition(), stdout))
        return *answered;

    vantrel::app::Application application(argc, argv);
    const vantrel::app::Branding edition = vantrel::app::builtEdition();
    vantrel::app::identifyApplication(edition);

    vantrel::ui::QtServices services;
    application.setErrorReporter(&services);
    vantrel::net::SystemAdapterProvider adapters;
    vantrel::net::QtUdpEndpoint endpoint;

    // The choices remembered from the last run, in the user's configuration folder.
    vantrel::ui::UserSettings settings(vantrel::ui::UserSettings::defaultPath());

    vantrel::app::TForm1 form(edition, services, adapters, endpoint);
    form.setUserSettings(&settings);
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
