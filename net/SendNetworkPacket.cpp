#include "net/SendNetworkPacket.h"

#include "net/UdpEndpoint.h"
#include "ui/Services.h"

namespace vantrel::net {

bool sendNetworkPacket(UdpEndpoint& endpoint, ui::Services& services, const QString& ip, const QByteArray& bytes,
                       bool SupressError) {
    if (endpoint.send(ip, bytes))
        return true;
    if (!SupressError)
        services.message(ui::MessageKind::Plain, QString::fromLatin1(kSendErrorMessage));
    return false;
}

} // namespace vantrel::net
