#pragma once
// Filling the three configuration windows from a controller's record, one
// step after another in a fixed order (a step may run a rule of the window
// that a later step depends on). The windows are reused, so every control
// this controller offers is set here; what the fill hides or cannot set is
// reported in the FillPlan, so that the read-back keeps the record's own
// values for it.

#include <optional>

#include "config/ConfigFlowReadBack.h"
#include "model/NodaluxCtrl.h"

namespace vantrel::ui {
class Services;
}

namespace vantrel::config {

class TNodaluxConfig;

inline constexpr char kUnknownTestModeText[] = "Device running unknown test mode.";

// The Network tab: the static address and mask octets and the DHCP radios.
void fillNetworkTab(TNodaluxConfig& window, const model::TNodaluxCtrl& record);

// The readdress path: the Network tab alone, selected.
void showNetworkTabOnly(TNodaluxConfig& window);

// Current family (protocol 5 and later). `record` is the controller's record
// in the list, the one the window's record source supplies; the fill writes
// its NumUsableOutputs. Nothing when the controller runs a test mode the list
// does not offer: the user has been told, and the window must not be shown.
std::optional<FillPlan> fillCurrent(TNodaluxConfig& window, model::TNodaluxCtrl& record, ui::Services& services);

// Legacy family (protocol 4 and earlier), shaped by the model and the firmware.
std::optional<FillPlan> fillLegacy(TNodaluxConfig& window, model::TNodaluxCtrl& record, ui::Services& services);

// The legacy models the tool knows; any other model text is not configured.
bool isKnownLegacyModel(const model::TNodaluxCtrl& record);

} // namespace vantrel::config
