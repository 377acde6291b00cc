#include "testmode/Handlers.h"

#include <QObject>

namespace vantrel::testmode {

Handlers::~Handlers() {
    for (Entry& e : m_entries) QObject::disconnect(e.connection);
}

Handlers::Id Handlers::add(Connector connector, bool attached) {
    m_entries.push_back(Entry{std::move(connector), {}});
    const Id id = m_entries.size() - 1;
    if (attached) attach(id);
    return id;
}

void Handlers::attach(Id id) {
    if (id >= m_entries.size() || isAttached(id)) return;
    m_entries[id].connection = m_entries[id].connector();
}

void Handlers::detach(Id id) {
    if (id >= m_entries.size()) return;
    QObject::disconnect(m_entries[id].connection);
    m_entries[id].connection = {};
}

bool Handlers::isAttached(Id id) const {
    return id < m_entries.size() && static_cast<bool>(m_entries[id].connection);
}

Handlers::Detached::Detached(Handlers& handlers) : m_handlers(handlers) {
    m_wasAttached.reserve(handlers.m_entries.size());
    for (Id id = 0; id < handlers.m_entries.size(); ++id) {
        m_wasAttached.push_back(handlers.isAttached(id));
        handlers.detach(id);
    }
}

Handlers::Detached::~Detached() {
    for (Id id = 0; id < m_wasAttached.size(); ++id) {
        if (m_wasAttached[id]) m_handlers.attach(id);
    }
}

} // namespace vantrel::testmode
