#pragma once
// Draws a device-grid cell and the row line along its bottom edge: the grid
// shows lines between the rows and none between the columns.

#include <QStyledItemDelegate>

namespace vantrel::app {

class RowLineDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace vantrel::app
