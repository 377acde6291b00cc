#include "app/GridOrder.h"

#include <QLocale>

#include "model/Text.h"

namespace vantrel::app {

GridOrder::GridOrder() : m_collator(QLocale()) {
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setNumericMode(false); // keys compare as text: V1.2.10 before V1.2.9
}

QString GridOrder::sortText(const QString& cell, bool ipColumn) {
    if (ipColumn) return QString::fromStdString(model::ipSortKey(cell.toStdString()));
    // Folded here as well: the collator's case-insensitivity does not reach
    // its sort keys in every locale (the "C" locale compares raw code units).
    return cell.toCaseFolded();
}

QCollatorSortKey GridOrder::key(const QString& cell, bool ipColumn) const {
    return m_collator.sortKey(sortText(cell, ipColumn));
}

} // namespace vantrel::app
