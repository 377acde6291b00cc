#include "config/ConfigFlowSenders.h"

#include <QByteArray>
#include <QString>

#include "net/SendNetworkPacket.h"
#include "protocol/ConfigPackets.h"
#include "net/Datagrams.h"

namespace vantrel::config {

using net::currentAddress;
using net::kLimitedBroadcast;
using net::toByteArray;

bool QorvSendConfig(const model::TNodaluxCtrl& record, net::UdpEndpoint& endpoint, ui::Services& services) {
    const auto packet = protocol::buildConfig(record);
    if (!packet) return false;
    return net::sendNetworkPacket(endpoint, services, currentAddress(record), toByteArray(*packet), false);
}

bool QorvSendConfigV4Below(const model::TNodaluxCtrl& record, net::UdpEndpoint& endpoint, ui::Services& services) {
    return net::sendNetworkPacket(endpoint, services, currentAddress(record),
                                  toByteArray(protocol::buildConfigV4Below(record)), false);
}

bool QorvSendNetworkConfig(const model::TNodaluxCtrl& record, net::UdpEndpoint& endpoint, ui::Services& services) {
    const auto packet = protocol::buildNetworkSettings(record);
    if (!packet) return false;
    return net::sendNetworkPacket(endpoint, services, QString::fromLatin1(kLimitedBroadcast), toByteArray(*packet),
                                  false);
}

} // namespace vantrel::config
