#pragma once
// The bootloader trigger: tells a controller over UDP to leave its application
// and start its bootloader, waits 1000 ms for it to come up, then shows the
// firmware window modally. The configuration flows call these after the
// configuration window closed with "Update Firmware" (modal result 3).

class QDialog;

namespace vantrel::ui {
class Services;
}
namespace vantrel::net {
class UdpEndpoint;
}
namespace vantrel::model {
struct TNodaluxCtrl;
}

namespace vantrel::firmware {

// The pause between the trigger and the firmware window.
inline constexpr int kBootloaderPauseMs = 1000;

// Protocol 5 and later: 18 bytes with the controller's MAC, sent to its
// CurrentIP. Nothing at all above protocol 8. When the send fails the
// transport's message is shown and the firmware window is not opened.
void TriggerBootloader(net::UdpEndpoint& endpoint, ui::Services& services, const model::TNodaluxCtrl& record,
                       QDialog& firmwareWindow);

// Protocol 4 and earlier: the 12-byte header with version byte 2, sent to the
// controller's CurrentIP. The firmware window opens whether the send succeeded
// or not (the upload fails with its own message if the controller is absent).
void TriggerBootloaderV4Below(net::UdpEndpoint& endpoint, ui::Services& services, const model::TNodaluxCtrl& record,
                              QDialog& firmwareWindow);

} // namespace vantrel::firmware
