#pragma once
// ConfigFlow: what happens when the user double-clicks a controller. The
// flow runs its gates (bootloader, minimum tool version, IP compatibility
// with the offer to readdress), fills the configuration window and the two
// advanced windows from the controller's record, shows the configuration
// window and acts on its result: on OK it reads the controls back into the
// record, sends the configuration, waits 200 ms and searches again.
//
// NetCtrlSettings serves controllers of protocol 5 and later,
// NetCtrlSettingsV4Below those of protocol 4 and earlier.
//
// The flow keeps hold of its controller by identity (MAC and current
// address), not by list position: auto-poll is held while it runs, and
// before anything is written or sent the record is found again; if it has
// left the list, the user is told and nothing is sent.

#include <QString>
#include <optional>

#include "config/ConfigFlowContext.h"
#include "config/ConfigFlowReadBack.h"
#include "model/NodaluxCtrl.h"

namespace vantrel::config {

inline constexpr char kBootloaderSubnetText[] =
    "The IP address of the device is not compatible with your computer's IP address. We recommend you abort and "
    "change your computer's IP address.";
inline constexpr char kIpMismatchText[] =
    "The IP address settings of the device are not compatible with your PC's IP settings. Would you like to change "
    "the IP settings on the device so you can properly communicate with it?";
inline constexpr char kVpnText[] = "Possible VPN connection detected. Bypass network validation test?";
inline constexpr char kVpnMask[] = "255.255.255.255";
inline constexpr char kRecordGoneText[] =
    "The device is no longer in the device list (a search has replaced the list). Its settings were not sent; "
    "please search again and reopen the device.";
// Pause between sending a configuration and the new search.
inline constexpr int kAfterConfigPauseMs = 200;

// "The device requires V2.4.0 or higher version of software ..." for a minimum tool version.
QString toolVersionText(const std::array<std::uint8_t, 3>& required);

class ConfigFlow {
public:
    explicit ConfigFlow(FlowContext context);

    // The flows, for the controller at `index` of the list (the selected one).
    void NetCtrlSettings(int index);
    void NetCtrlSettingsV4Below(int index);

private:
    struct Identity {
        model::Ip4 ip{};
        model::Mac mac{};
    };
    enum class Family { Current, Legacy };
    enum class IpGate { Fill, Readdress, End };

    void run(int index, Family family);
    void runGated(Family family);
    // The controller's record in the list now, or null when it has left it.
    model::TNodaluxCtrl* record();
    // Found again by identity; the user is told when it is gone.
    model::TNodaluxCtrl* recordForWriting();

    QString controllerNetwork(const model::TNodaluxCtrl& r) const;
    bool toolIsNewEnough(const model::TNodaluxCtrl& r);
    IpGate ipGate();
    void bootloaderGate(bool compareSubnet);
    void readdress();
    void configure(Family family);
    void readBackAndSend(const FillPlan& plan, Family family);
    void showFirmwareWindow();

    FlowContext m_ctx;
    Identity m_identity;
    int m_index = -1; // where the record was last found
};

} // namespace vantrel::config
