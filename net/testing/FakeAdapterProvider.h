#pragma once
// An adapter list that a test sets.

#include <utility>

#include "net/AdapterProvider.h"

namespace vantrel::net::testing {

class FakeAdapterProvider final : public AdapterProvider {
public:
    FakeAdapterProvider() = default;
    explicit FakeAdapterProvider(QList<Adapter> adapters) : m_adapters(std::move(adapters)) {}

    QList<Adapter> adapters() const override { return m_adapters; }
    void setAdapters(QList<Adapter> adapters) { m_adapters = std::move(adapters); }

private:
    QList<Adapter> m_adapters;
};

} // namespace vantrel::net::testing
