#pragma once
// The Test tab's change handlers as a set that can be detached and attached
// again: the tab shows a record in its controls with every handler detached,
// so that setting a control in code sends nothing.

#include <QMetaObject>
#include <functional>
#include <vector>

namespace vantrel::testmode {

class Handlers {
public:
    // Makes one connection (a control's signal to its handler).
    using Connector = std::function<QMetaObject::Connection()>;
    // Names a handler of the set.
    using Id = std::size_t;

    Handlers() = default;
    Handlers(const Handlers&) = delete;
    Handlers& operator=(const Handlers&) = delete;
    ~Handlers();

    // Adds a handler, attached at once unless `attached` is false.
    Id add(Connector connector, bool attached = true);
    void attach(Id id);
    void detach(Id id);
    bool isAttached(Id id) const;
    std::size_t size() const { return m_entries.size(); }

    // Detaches every handler for its lifetime and afterwards attaches again
    // exactly those that were attached before. Nested guards are fine.
    class Detached {
    public:
        explicit Detached(Handlers& handlers);
        ~Detached();
        Detached(const Detached&) = delete;
        Detached& operator=(const Detached&) = delete;

    private:
        Handlers& m_handlers;
        std::vector<bool> m_wasAttached;
    };

private:
    struct Entry {
        Connector connector;
        QMetaObject::Connection connection;
    };
    std::vector<Entry> m_entries;
};

} // namespace vantrel::testmode
