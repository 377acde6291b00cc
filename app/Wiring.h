#pragma once
// Joins the main window to the behaviour that works across windows: the
// configuration flows (double-click on a controller) and the Test tab of the
// configuration window (test set, test announce, identify). Called once at
// start-up, after the windows have been created.

#include "app/TForm1.h"
#include "net/UdpEndpoint.h"
#include "ui/Services.h"

namespace vantrel::app {

// `endpoint` and `services` outlive `form`; what this creates is owned by `form`.
void wireFlowsAndTestTab(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services);

class DeviceGridMenu;
// The device grid's context menu (app/DeviceGridMenu.h), owned by `form`.
DeviceGridMenu* wireDeviceGridMenu(TForm1& form, net::UdpEndpoint& endpoint, ui::Services& services);

} // namespace vantrel::app
