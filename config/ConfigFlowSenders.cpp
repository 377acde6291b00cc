#include "config/ConfigFlowSenders.h"

#include <QByteArray>
#include <QString>

#include "model/Text.h"
#include "net/SendNetworkPacket.h"
#include "protocol/ConfigPackets.h"

namespace vantrel::config {

namespace {

constexpr char kLimitedBroadcast[] = "255.255.255.255";

QByteArray toByteArray(const protocol::Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QString currentAddress(const model::TNodaluxCtrl& record) {
    return QString::fromStdString(model::ipText(record.CurrentIP));
}

} // namespace

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
