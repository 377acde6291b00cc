#pragma once
// What a configuration flow needs from the main window: the controller list,
// the endpoint and the services, the configuration window (joined to its two
// advanced windows), the tool's version, the chosen adapter, the search, the
// auto-poll timer and the firmware window. The main window hands one of these to
// ConfigFlow once, at start-up; tests build one around fakes.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QDialog;

namespace vantrel::model {
class ControllerList;
}
namespace vantrel::net {
class UdpEndpoint;
}
namespace vantrel::ui {
class Services;
}

namespace vantrel::config {

class TNodaluxConfig;

// The adapter chosen in the main window: its network address text (address
// AND mask, dotted) and its mask text as the network stack reports it. Both
// empty when no adapter is listed.
struct AdapterInfo {
    QString network;
    QString mask;
};

struct FlowContext {
    model::ControllerList& list;
    net::UdpEndpoint& endpoint;
    ui::Services& services;
    // Joined to its advanced windows (setAdvancedWindows). The flow points the
    // window's record source at the controller it configures while it runs and
    // restores the previous source afterwards.
    TNodaluxConfig& config;
    // The tool's own version (major, minor, build), compared with a
    // controller's minimum tool version.
    std::array<std::uint8_t, 3> appVersion{};

    // The adapter chosen now (the selected entries of the adapter lists).
    std::function<AdapterInfo()> adapter;
    // SearchDevices: empties the list and the grid and polls again.
    std::function<void(bool SupressError)> search;
    // Auto-poll is held while a flow runs, so that no search empties the list
    // under an open window; resume restarts it only if it was running.
    std::function<void()> holdAutoPoll;
    std::function<void()> resumeAutoPoll;
    // The firmware window (TTCPFirmware): shown modally for a controller that
    // already runs its bootloader, and after the bootloader trigger that the
    // "Update Firmware" button starts. Without one neither happens.
    QDialog* firmwareWindow = nullptr;
};

} // namespace vantrel::config
