#pragma once
// Draws the cells of the diagnostics grid: the severity picture centred in
// its cell, every other cell as plain text wrapped to the column's width (at
// word boundaries, or anywhere in a word too long for one line), and a line
// under each cell, so that the grid shows horizontal lines only.
//
// API (used by DiagnosticGrid):
//   DiagnosticDelegate delegate(pictures);          // pictures outlive the delegate
//   delegate.sizeHint(option, index)                // option.rect.width() is the
//                                                   // column's width; the height fits
//                                                   // the whole text

#include <QStyledItemDelegate>

namespace vantrel::diagnostics {

class SeverityPictures;

class DiagnosticDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The width the severity picture is drawn at.
    static constexpr int kPictureWidth = 25;
    // Room between a cell's border and its text or picture.
    static constexpr int kCellMargin = 3;
    // The line under each cell.
    static constexpr int kRuleHeight = 1;

    explicit DiagnosticDelegate(const SeverityPictures& pictures, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Height of `text` in `font` wrapped to `width`, without margins.
    static int textHeight(const QString& text, const QFont& font, int width);

private:
    const SeverityPictures& m_pictures;
};

} // namespace vantrel::diagnostics
