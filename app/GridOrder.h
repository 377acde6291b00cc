#pragma once
// The device grid's order: rows compare by the text of the sort column,
// case-insensitively and by the rules of the user's locale; the IP column
// compares by its key with every octet written as three digits, so that
// 10.0.0.9 comes before 10.0.0.10. The order is always ascending.

#include <QCollator>
#include <QCollatorSortKey>
#include <QString>

namespace vantrel::app {

class GridOrder {
  public:
    // Uses the default locale (the user's, unless a program or test set another).
    GridOrder();

    // The text a cell is compared by: case-folded, or the IP column's key.
    static QString sortText(const QString& cell, bool ipColumn);

    // A key per cell, so that a thousand rows cost a thousand key builds and
    // cheap comparisons rather than n log n collations.
    QCollatorSortKey key(const QString& cell, bool ipColumn) const;

  private:
    QCollator m_collator;
};

} // namespace vantrel::app
