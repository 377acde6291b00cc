#pragma once
// The PC's adapter addresses as the system reports them.

#include "net/AdapterProvider.h"

namespace vantrel::net {

class SystemAdapterProvider final : public AdapterProvider {
public:
    // Every IPv4 address of every interface that is up and running, loopback
    // excluded, ordered by interface index and, within an interface, in the
    // order the system lists its addresses (the primary address first). The
    // same system state always gives the same list.
    QList<Adapter> adapters() const override;
};

} // namespace vantrel::net
