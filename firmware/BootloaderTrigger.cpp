#include "firmware/BootloaderTrigger.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include "model/NodaluxCtrl.h"
#include "net/SendNetworkPacket.h"
#include "protocol/ConfigPackets.h"
#include "net/Datagrams.h"
#include "ui/Services.h"

namespace vantrel::firmware {

using net::currentAddress;
using net::toByteArray;

void TriggerBootloader(net::UdpEndpoint& endpoint, ui::Services& services, const model::TNodaluxCtrl& record,
                       QDialog& firmwareWindow) {
    const auto packet = protocol::buildBootloaderTrigger(record);
    if (!packet) return; // protocol above 8: no packet, no message
    if (!net::sendNetworkPacket(endpoint, services, currentAddress(record), toByteArray(*packet), false)) return;
    services.sleep(kBootloaderPauseMs);
    services.showModal(firmwareWindow);
}

void TriggerBootloaderV4Below(net::UdpEndpoint& endpoint, ui::Services& services, const model::TNodaluxCtrl& record,
                              QDialog& firmwareWindow) {
    // A failed send has shown its message; the user may still try the upload.
    const QByteArray packet = toByteArray(protocol::buildBootloaderTriggerV4Below());
    net::sendNetworkPacket(endpoint, services, currentAddress(record), packet, false);
    services.sleep(kBootloaderPauseMs);
    services.showModal(firmwareWindow);
}

} // namespace vantrel::firmware
