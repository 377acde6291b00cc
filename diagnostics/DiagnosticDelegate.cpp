#include "diagnostics/DiagnosticDelegate.h"

#include <QPainter>
#include <QTextLayout>
#include <cmath>

#include "diagnostics/DiagnosticModel.h"
#include "diagnostics/SeverityPictures.h"

namespace vantrel::diagnostics {

namespace {

// A wrap width for cells that have not been given one yet.
constexpr int kUnboundedWidth = 1 << 20;

// Lays `text` out in lines of `width` and returns the height it takes.
qreal layOut(QTextLayout& layout, qreal width) {
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(textOption);
    layout.setCacheEnabled(true);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

// The line breaks of a cell's text as the text layout knows them.
QString layoutText(QString text) {
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

QPixmap pictureAtWidth(const QPixmap& picture, int width) {
    if (picture.isNull() || picture.width() == width) return picture;
    return picture.scaledToWidth(width, Qt::SmoothTransformation);
}

} // namespace

DiagnosticDelegate::DiagnosticDelegate(const SeverityPictures& pictures, QObject* parent)
    : QStyledItemDelegate(parent), m_pictures(pictures) {}

int DiagnosticDelegate::textHeight(const QString& text, const QFont& font, int width) {
    QTextLayout layout(layoutText(text), font);
    return static_cast<int>(std::ceil(layOut(layout, width > 0 ? width : kUnboundedWidth)));
}

void DiagnosticDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    // The panel (background, selection, focus) from the style; the contents
    // are drawn below, text always as plain text.
    opt.text.clear();
    opt.icon = QIcon();
    opt.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : nullptr;
    if (style) style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    painter->save();
    painter->setClipRect(option.rect);
    const QRect inner = option.rect.adjusted(kCellMargin, kCellMargin, -kCellMargin, -kCellMargin - kRuleHeight);
    if (index.column() == DiagnosticModel::ColSeverity) {
        const QPixmap picture = pictureAtWidth(
            m_pictures.picture(index.data(DiagnosticModel::PictureNameRole).toString()), kPictureWidth);
        if (!picture.isNull()) {
            const QRect target = QStyle::alignedRect(opt.direction, Qt::AlignCenter, picture.size(), option.rect);
            painter->drawPixmap(target.topLeft(), picture);
        }
    } else if (!text.isEmpty()) {
        QTextLayout layout(layoutText(text), opt.font);
        layOut(layout, inner.width());
        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        layout.draw(painter, inner.topLeft());
    }
    const QColor rule = style ? QColor(static_cast<QRgb>(style->styleHint(QStyle::SH_Table_GridLineColor, &option,
                                                                          widget)))
                              : QColor(Qt::lightGray);
    painter->setPen(rule);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

QSize DiagnosticDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const int width = option.rect.width();
    if (index.column() == DiagnosticModel::ColSeverity) {
        const QPixmap picture = pictureAtWidth(
            m_pictures.picture(index.data(DiagnosticModel::PictureNameRole).toString()), kPictureWidth);
        const int height = picture.isNull() ? kPictureWidth : picture.height();
        return QSize(kPictureWidth + 2 * kCellMargin, height + 2 * kCellMargin + kRuleHeight);
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const int textWidth = width > 0 ? width - 2 * kCellMargin : kUnboundedWidth;
    const int height = textHeight(opt.text, opt.font, std::max(1, textWidth));
    return QSize(width, height + 2 * kCellMargin + kRuleHeight);
}

} // namespace vantrel::diagnostics
