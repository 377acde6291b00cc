#pragma once
// The senders of the configuration flows: the configuration packet of either
// layout, unicast to the controller's current address, and the network
// settings packet, broadcast. Each builds its packet from the record as it is
// at the moment of sending and hands it to the one send operation with errors
// reported to the user.

#include "model/NodaluxCtrl.h"

namespace vantrel::net {
class UdpEndpoint;
}
namespace vantrel::ui {
class Services;
}

namespace vantrel::config {

// Current layout (protocol 5 to 8) to the record's CurrentIP. Nothing is
// sent, and nothing said, above protocol 8. True when a packet went out.
bool QorvSendConfig(const model::TNodaluxCtrl& record, net::UdpEndpoint& endpoint, ui::Services& services);

// Legacy layout (338 bytes) to the record's CurrentIP; no version limit.
bool QorvSendConfigV4Below(const model::TNodaluxCtrl& record, net::UdpEndpoint& endpoint, ui::Services& services);

// Network settings (27 bytes) to 255.255.255.255, carrying the record's MAC.
// Nothing above protocol 8.
bool QorvSendNetworkConfig(const model::TNodaluxCtrl& record, net::UdpEndpoint& endpoint, ui::Services& services);

} // namespace vantrel::config
