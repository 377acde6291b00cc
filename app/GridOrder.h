#pragma once
// The device grid's order: rows compare by the text of the sort column,
// case-insensitively and by the rules of the user's locale; the IP column
// compares by its key with every octet written as three digits, so that
// 10.0.0.9 comes before 10.0.0.10. The order is always ascending.

#include <QCollator>
#include <vector>

#include "app/DeviceGridModel.h"

namespace vantrel::app {

class GridOrder {
public:
    // Uses the default locale (the user's, unless a program or test set another).
    GridOrder();

    // The text a cell of `column` is compared by (case-folded; the IP key).
    static QString sortKey(const QString& cell, int column);

    // The order that sorts `rows` by `column`: entry i is the old row that
    // becomes row i.
    std::vector<int> sortedOrder(const std::vector<DeviceGridModel::Row>& rows, int column) const;

    // Where `row` goes among `rows`, which are sorted by `column`: after every
    // row whose key is not greater than its own.
    int insertPosition(const std::vector<DeviceGridModel::Row>& rows, const DeviceGridModel::Row& row,
                       int column) const;

private:
    QCollator m_collator;
};

} // namespace vantrel::app
