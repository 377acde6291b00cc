#pragma once
// The PC's IPv4 adapter addresses with their masks, in a stable order,
// without loopback, IPv6, or interfaces that are down.
//
//   Adapter{"192.168.1.23", "255.255.255.0", "eth0"}.networkAddress() == "192.168.1.0"

#include <QList>
#include <QString>

namespace vantrel::net {

struct Adapter {
    QString address; // dotted IPv4, "192.168.1.23"
    QString mask;    // dotted IPv4 as the system reports it, "255.255.255.0"
    QString interfaceName;

    // The network address text: each octet of the address AND the same octet
    // of the mask, dotted ("192.168.1.0"). Empty when either text is not an
    // IPv4 address.
    QString networkAddress() const;

    bool operator==(const Adapter&) const = default;
};

class AdapterProvider {
public:
    virtual ~AdapterProvider() = default;
    virtual QList<Adapter> adapters() const = 0;
};

} // namespace vantrel::net
