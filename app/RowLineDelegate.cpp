#include "app/RowLineDelegate.h"

#include <QPainter>
#include <QStyle>

namespace vantrel::app {

void RowLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    // The colour the table would draw its grid in.
    const QStyle* style = option.widget ? option.widget->style() : nullptr;
    const QColor colour = style ? QColor::fromRgba(static_cast<QRgb>(
                                      style->styleHint(QStyle::SH_Table_GridLineColor, &option, option.widget)))
                                : option.palette.color(QPalette::Mid);
    painter->save();
    painter->setPen(QPen(colour, 0));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

} // namespace vantrel::app
