#include "app/GridOrder.h"

#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <numeric>

#include "model/Text.h"

namespace vantrel::app {

GridOrder::GridOrder() : m_collator(QLocale()) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false); // keys compare as text: V1.2.10 before V1.2.9
}

QString GridOrder::sortKey(const QString& cell, int column) {
    if (column == DeviceGridModel::ColIP)
        return QString::fromStdString(model::ipSortKey(cell.toStdString()));
    // Folded here as well: the collator's case-insensitivity does not reach
    // its sort keys in every locale (the "C" locale compares raw code units).
    return cell.toCaseFolded();
}

std::vector<int> GridOrder::sortedOrder(const std::vector<DeviceGridModel::Row>& rows, int column) const {
    // One collation key per row, so a thousand rows cost a thousand key
    // builds and cheap byte comparisons rather than n log n collations.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const auto& row : rows) keys.push_back(m_collator.sortKey(sortKey(row[column], column)));
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a].compare(keys[b]) < 0; });
    return order;
}

int GridOrder::insertPosition(const std::vector<DeviceGridModel::Row>& rows, const DeviceGridModel::Row& row,
                              int column) const {
    const QString key = sortKey(row[column], column);
    const auto it = std::upper_bound(rows.begin(), rows.end(), key, [&](const QString& k, const auto& r) {
        return m_collator.compare(k, sortKey(r[column], column)) < 0;
    });
    return static_cast<int>(it - rows.begin());
}

} // namespace vantrel::app
