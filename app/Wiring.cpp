#include "app/Wiring.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <memory>

#include "app/DeviceGridMenu.h"
#include "config/ConfigFlow.h"
#include "firmware/EthFirmware.h"
#include "testmode/TestTab.h"

namespace vantrel::app {

namespace {

void wireConfigurationFlows(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services) {
    using config::AdapterInfo;
    const auto& w = form.windows();
    // Whether auto-poll was running when a flow began: a search while a
    // controller is being configured would rebuild the list under the flow.
    auto wasPolling = std::make_shared<bool>(false);
    config::FlowContext context{
        .list = form.controllers(),
        .endpoint = endpoint,
        .services = services,
        .config = *w.NodaluxConfig,
        .appVersion = form.branding().AppVersion,
        .adapter =
            [&form] {
                const int i = form.comboNetAdapter->currentIndex();
                return AdapterInfo{form.AdapterNetworks.value(i), form.AdapterMasks.value(i)};
            },
        .search = [&form](bool SupressError) { form.SearchDevices(SupressError); },
        .holdAutoPoll =
            [&form, wasPolling] {
                *wasPolling = form.AutoPollTimer->isActive();
                form.AutoPollTimer->stop();
            },
        .resumeAutoPoll =
            [&form, wasPolling] {
                if (*wasPolling && form.checkBoxAutoPoll->isChecked()) form.AutoPollTimer->start();
            },
        .firmwareWindow = w.TCPFirmware,
    };
    auto flow = std::make_shared<config::ConfigFlow>(std::move(context));
    form.setConfigurationFlows([flow](int index) { flow->NetCtrlSettings(index); },
                               [flow](int index) { flow->NetCtrlSettingsV4Below(index); });
}

} // namespace

void wireFlowsAndTestTab(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services) {
    wireConfigurationFlows(form, endpoint, services);
    auto* tab = new testmode::TestTab(*form.windows().NodaluxConfig, endpoint, services, &form);
    QObject::connect(&form, &TForm1::testAnnounceApplied, tab, &testmode::TestTab::testAnnounceApplied);
}

DeviceGridMenu* wireDeviceGridMenu(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services) {
    return new DeviceGridMenu(form, endpoint, services);
}

} // namespace vantrel::app
