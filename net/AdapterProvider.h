#pragma once
// The PC's IPv4 adapter addresses with their masks, in a stable order,
// without loopback, IPv6, or interfaces that are down.

#include <QList>
#include <QString>

namespace vantrel::net {

struct Adapter {
    QString address; // dotted IPv4, "192.168.1.23"
    QString mask;    // dotted IPv4, "255.255.255.0"
    QString interfaceName;
    bool operator==(const Adapter&) const = default;
};

class AdapterProvider {
public:
    virtual ~AdapterProvider() = default;
    virtual QList<Adapter> adapters() const = 0;
};

} // namespace vantrel::net
