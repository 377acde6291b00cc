#include "app/Windows.h"

#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/NodaluxConfig.h"
#include "diagnostics/AboutWindows.h"
#include "firmware/EthFirmware.h"

namespace vantrel::app {

namespace {

// Windows are known by their instance names (the class name without its T).
template <typename T>
T* made(T* window, const char* name) {
    if (window->objectName().isEmpty()) window->setObjectName(QString::fromLatin1(name));
    return window;
}

} // namespace

TForm1::Windows createWindows(TForm1& form, ui::Services& services) {
    const Branding& branding = form.branding();
    const QString version = branding.versionText();
    TForm1::Windows w;
    w.NodaluxConfig = made(new config::TNodaluxConfig(branding, services, &form), "NodaluxConfig");
    w.NodaluxAdv = made(new config::TNodaluxAdv(&form), "NodaluxAdv");
    w.TCPFirmware = made(new firmware::TTCPFirmware(services, &form), "TCPFirmware");
    w.AboutWin = made(new diagnostics::TAboutWin(version, &form), "AboutWin");
    w.NodaluxAdvRGB = made(new config::TNodaluxAdvRGB(&form), "NodaluxAdvRGB");
    w.AboutWinBrand1 = made(new diagnostics::TAboutWinBrand1(version, &form), "AboutWinBrand1");
    w.AboutWinBrand2 = made(new diagnostics::TAboutWinBrand2(version, &form), "AboutWinBrand2");
    w.AboutWinBrand4 = made(new diagnostics::TAboutWinBrand4(version, &form), "AboutWinBrand4");
    w.NodaluxConfig->setAdvancedWindows(w.NodaluxAdv, w.NodaluxAdvRGB);
    w.NodaluxConfig->setRecordSource([&form] { return form.selectedRecord(); });
    w.TCPFirmware->setUserSettings(form.userSettings());
    w.TCPFirmware->setControllerSource([&form]() -> std::optional<firmware::FirmwareTarget> {
        const model::TNodaluxCtrl* record = form.selectedRecord();
        if (!record) return std::nullopt;
        return firmware::targetOf(*record, form.SelectedControllerModel());
    });
    form.setWindows(w);
    return w;
}

} // namespace vantrel::app
