#include "net/SystemAdapterProvider.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <algorithm>

namespace vantrel::net {

namespace {

constexpr int kIpv4Bits = 32;

QString maskText(const QNetworkAddressEntry& entry) {
    const QHostAddress mask = entry.netmask();
    if (mask.protocol() == QAbstractSocket::IPv4Protocol)
        return mask.toString();
    // Some systems give only the prefix length.
    const int prefix = qBound(0, entry.prefixLength(), kIpv4Bits);
    const quint32 bits = prefix == 0 ? 0u : ~quint32{0} << (kIpv4Bits - prefix);
    return QHostAddress(bits).toString();
}

} // namespace

QList<Adapter> SystemAdapterProvider::adapters() const {
    QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    std::stable_sort(interfaces.begin(), interfaces.end(),
                     [](const QNetworkInterface& a, const QNetworkInterface& b) { return a.index() < b.index(); });
    QList<Adapter> result;
    for (const QNetworkInterface& iface : std::as_const(interfaces)) {
        const QNetworkInterface::InterfaceFlags flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) || !flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning))
            continue;
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol || ip.isLoopback() || ip.isNull())
                continue;
            result.append(Adapter{ip.toString(), maskText(entry), iface.name()});
        }
    }
    return result;
}

} // namespace vantrel::net
