#pragma once
// The senders of the Test tab: the test-set packet (opcode 8), unicast to the
// controller's current address, and the identify packet (opcode 10), broadcast
// and addressed by the MAC inside it. Both go through the tool's one send
// operation with errors shown (SupressError false).

#include <cstdint>

#include "model/Controllers.h"
#include "model/NodaluxCtrl.h"

namespace vantrel::net {
class UdpEndpoint;
}
namespace vantrel::ui {
class Services;
}

namespace vantrel::testmode {

class TestSender {
public:
    TestSender(net::UdpEndpoint& endpoint, ui::Services& services) : m_endpoint(endpoint), m_services(services) {}

    // The test-set packet for `mode`, every other value from the record. Sends
    // nothing for a controller above protocol 8. True when a packet went out.
    bool QorvTestSet(const model::TNodaluxCtrl& record, std::uint8_t mode);
    // The same for the controller at `controller` of the list; an index
    // outside the list sends nothing.
    bool QorvTestSet(const model::ControllerList& list, int controller, std::uint8_t mode);

    // The identify packet: the record's MAC to start, six zero bytes to stop.
    // Sent only to a controller of protocol 8. True when a packet went out.
    bool QorvIdentifySet(const model::TNodaluxCtrl& record, bool enable, std::uint8_t option);
    bool QorvIdentifySet(const model::ControllerList& list, int controller, bool enable, std::uint8_t option);

private:
    net::UdpEndpoint& m_endpoint;
    ui::Services& m_services;
};

} // namespace vantrel::testmode
