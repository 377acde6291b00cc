#include "testmode/TestSender.h"

#include <QByteArray>
#include <QString>

#include "net/SendNetworkPacket.h"
#include "protocol/ConfigPackets.h"
#include "protocol/TestPackets.h"
#include "net/Datagrams.h"

namespace vantrel::testmode {

namespace {

const model::TNodaluxCtrl* at(const model::ControllerList& list, int controller) {
    if (controller < 0 || static_cast<std::size_t>(controller) >= list.size()) return nullptr;
    return &list.at(static_cast<std::size_t>(controller));
}

} // namespace

bool TestSender::QorvTestSet(const model::TNodaluxCtrl& record, std::uint8_t mode) {
    const auto packet = protocol::buildTestSet(record, mode);
    if (!packet) return false;
    return net::sendNetworkPacket(m_endpoint, m_services, net::currentAddress(record), net::toByteArray(*packet),
                                  false);
}

bool TestSender::QorvTestSet(const model::ControllerList& list, int controller, std::uint8_t mode) {
    const model::TNodaluxCtrl* record = at(list, controller);
    return record ? QorvTestSet(*record, mode) : false;
}

bool TestSender::QorvIdentifySet(const model::TNodaluxCtrl& record, bool enable, std::uint8_t option) {
    const auto packet = protocol::buildIdentify(record, enable, option);
    if (!packet) return false;
    return net::sendNetworkPacket(m_endpoint, m_services, QString::fromLatin1(net::kLimitedBroadcast),
                                  net::toByteArray(*packet), false);
}

bool TestSender::QorvIdentifySet(const model::ControllerList& list, int controller, bool enable,
                                 std::uint8_t option) {
    const model::TNodaluxCtrl* record = at(list, controller);
    return record ? QorvIdentifySet(*record, enable, option) : false;
}

} // namespace vantrel::testmode
