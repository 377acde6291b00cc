#pragma once
// The one send operation of every UDP sender of the tool.

#include <QByteArray>
#include <QString>

namespace vantrel::ui {
class Services;
}

namespace vantrel::net {

class UdpEndpoint;

// Shown in a plain modal message box when a send fails and the caller did not
// suppress it.
inline constexpr char kSendErrorMessage[] =
    "Couldn't send network message. Check network connection or try clicking \"Refresh Adapters\".";

// Sends `bytes` as one datagram to (`ip`, 49150) through `endpoint`. `ip` is a
// dotted IPv4 text, "255.255.255.255" for the limited broadcast. True when
// the send succeeded. On failure shows kSendErrorMessage through `services`
// unless `SupressError` is set, and returns false; nothing is retried.
bool sendNetworkPacket(UdpEndpoint& endpoint, ui::Services& services, const QString& ip, const QByteArray& bytes,
                       bool SupressError);

} // namespace vantrel::net
