#include "firmware/BootloaderTrigger.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "net/SendNetworkPacket.h"
#include "protocol/ConfigPackets.h"
#include "ui/Services.h"

namespace vantrel::firmware {

namespace {

QByteArray toBytes(const protocol::Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QString destinationOf(const model::TNodaluxCtrl& record) {
    return QString::fromStdString(model::ipText(record.CurrentIP));
}

} // namespace

void TriggerBootloader(net::UdpEndpoint& endpoint, ui::Services& services, const model::TNodaluxCtrl& record,
                       QDialog& firmwareWindow) {
    const auto packet = protocol::buildBootloaderTrigger(record);
    if (!packet) return; // protocol above 8: no packet, no message
    if (!net::sendNetworkPacket(endpoint, services, destinationOf(record), toBytes(*packet), false)) return;
    services.sleep(kBootloaderPauseMs);
    services.showModal(firmwareWindow);
}

void TriggerBootloaderV4Below(net::UdpEndpoint& endpoint, ui::Services& services, const model::TNodaluxCtrl& record,
                              QDialog& firmwareWindow) {
    // A failed send has shown its message; the user may still try the upload.
    const QByteArray packet = toBytes(protocol::buildBootloaderTriggerV4Below());
    net::sendNetworkPacket(endpoint, services, destinationOf(record), packet, false);
    services.sleep(kBootloaderPauseMs);
    services.showModal(firmwareWindow);
}

} // namespace vantrel::firmware
