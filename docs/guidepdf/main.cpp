// Renders the user guide (Markdown) into the PDF that the program carries as
// its "Guide" resource. Runs at build time, without a display:
//   guidepdf <guide.md> <out.pdf> <image folder>[:<image folder>...] [<version>]
//
// - Images written as ![text](path) are read from the first image folder
//   that holds path; a missing image fails the build. An image keeps the
//   size it has on a screen; one named name@2x.png is drawn at twice the
//   screen's density (half its pixel size), and one wider than the text is
//   scaled down to the text's width.
// - Every level-1 heading after the first starts a new page; the first page
//   is the cover.
// - A paragraph that reads [[contents]] becomes the list of chapters (the
//   level-1 headings) with their page numbers.
// - {{version}} in the text becomes <version>.
// - A heading never ends a page: it moves to the next one with its text.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kResolution = 300;          // dots per inch of the PDF's coordinate space
constexpr qreal kScreenDpi = 96.0;        // images keep the size they have on a screen
constexpr qreal kPointsPerInch = 72.0;
constexpr qreal kMarginMm = 20.0;         // page margins
constexpr qreal kFooterMm = 10.0;         // room under the text for the page number
constexpr qreal kMmPerInch = 25.4;
constexpr qreal kBodyPointSize = 10.5;
constexpr qreal kHeadingPointSizes[] = {22.0, 14.5, 12.0, 11.0}; // levels 1 to 4
constexpr qreal kHeadingSpaceAbovePt[] = {0.0, 14.0, 10.0, 8.0};
constexpr qreal kHeadingSpaceBelowPt = 6.0;
constexpr qreal kParagraphSpacePt = 6.0;
constexpr qreal kTableCellPaddingPt = 3.0;
// A heading that starts in the last part of a page moves to the next page.
constexpr qreal kKeepWithNextFraction = 0.12;
// How far a block that opens a page may start above the page's top.
constexpr qreal kPageSeamTolerance = 2.0;
const QColor kHeadingColour(0x0f, 0x7c, 0x8c);
const QColor kSubHeadingColour(0x1d, 0x2b, 0x3a);
const QColor kTableHeaderColour(0xe3, 0xf1, 0xf3);
const QColor kFooterColour(0x60, 0x60, 0x60);
const QString kContentsMarker = QStringLiteral("[[contents]]");
const QString kDoubleDensitySuffix = QStringLiteral("@2x");

int fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "guidepdf: %s %s\n", what, qPrintable(detail));
    return 1;
}

// Lengths in block and table formats are given in pixels of a 96-dpi screen;
// the layout scales them to the PDF's resolution.
qreal points(qreal pt) { return pt * kScreenDpi / kPointsPerInch; }

// The layout works lazily: after formats change, blocks further down may
// keep their old lines (or none) until the layout is asked for them. Lay
// the whole document out again before measuring or drawing it.
void relayout(QTextDocument& doc) {
    doc.markContentsDirty(0, doc.characterCount());
    (void)doc.documentLayout()->documentSize();
}

// The first of `folders` that holds `name`; empty when none does.
QString findImage(const QStringList& folders, const QString& name) {
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path)) return path;
    }
    return {};
}

// Loads every image the guide names from the image folders, sized for a page
// whose text is `maxWidth` wide (in the layout's screen pixels); false when
// one is missing.
bool loadImages(QTextDocument& doc, const QStringList& folders, qreal maxWidth, QString& missing) {
    struct Found {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Found> found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                found.push_back({fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
        }
    for (Found& image : found) {
        const QString name = image.format.name();
        const QString path = findImage(folders, name);
        const QImage picture(path);
        if (picture.isNull()) {
            missing = path.isEmpty() ? name : path;
            return false;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        const qreal density = QFileInfo(name).completeBaseName().endsWith(kDoubleDensitySuffix) ? 2.0 : 1.0;
        const qreal fit = std::min(1.0, maxWidth * density / picture.width());
        image.format.setWidth(picture.width() * fit / density);
        image.format.setHeight(picture.height() * fit / density);
        QTextCursor cursor(&doc);
        cursor.setPosition(image.position);
        cursor.setPosition(image.position + image.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(image.format);
    }
    return true;
}

// Heading sizes and colours, paragraph spacing, table borders and padding.
void styleDocument(QTextDocument& doc) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        const int level = format.headingLevel();
        if (level > 0) {
            const int i = std::min(level, 4) - 1;
            format.setTopMargin(points(kHeadingSpaceAbovePt[i]));
            format.setBottomMargin(points(kHeadingSpaceBelowPt));
            cursor.setBlockFormat(format);
            // The heading's own size replaces the importer's relative one,
            // which would otherwise win over a point size.
            std::vector<std::pair<int, int>> fragments;
            for (auto it = block.begin(); !it.atEnd(); ++it)
                fragments.emplace_back(it.fragment().position(), it.fragment().length());
            for (const auto& [position, length] : fragments) {
                QTextCursor range(&doc);
                range.setPosition(position);
                range.setPosition(position + length, QTextCursor::KeepAnchor);
                QTextCharFormat chars = range.charFormat();
                chars.clearProperty(QTextFormat::FontSizeAdjustment);
                chars.setFontPointSize(kHeadingPointSizes[i]);
                chars.setFontWeight(QFont::Bold);
                chars.setForeground(level == 1 ? kHeadingColour : kSubHeadingColour);
                range.setCharFormat(chars);
            }
        } else if (!block.textList() && !cursor.currentTable()) {
            format.setTopMargin(0);
            format.setBottomMargin(points(kParagraphSpacePt));
            format.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
            cursor.setBlockFormat(format);
        }
    }
    // Tables: thin grey rules, padded cells, a tinted header row.
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table) continue;
        QTextTableFormat format = table->format();
        format.setBorder(1);
        format.setBorderBrush(QColor(0xb0, 0xb0, 0xb0));
        format.setBorderCollapse(true);
        format.setCellPadding(points(kTableCellPaddingPt));
        format.setCellSpacing(0);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setBottomMargin(points(kParagraphSpacePt));
        table->setFormat(format);
        for (int c = 0; c < table->columns(); ++c) {
            QTextTableCell cell = table->cellAt(0, c);
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setBackground(kTableHeaderColour);
            cell.setFormat(cellFormat);
        }
    }
}

int pageOf(const QTextDocument& doc, const QTextBlock& block) {
    // A block that opens a page may start a hair above its page's top.
    const QRectF box = doc.documentLayout()->blockBoundingRect(block);
    return static_cast<int>(std::floor((box.top() + kPageSeamTolerance) / doc.pageSize().height()));
}

std::vector<QTextBlock> chapters(const QTextDocument& doc) {
    std::vector<QTextBlock> found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() == 1) found.push_back(block);
    return found;
}

void breakBeforeChapters(QTextDocument& doc) {
    const auto all = chapters(doc);
    for (std::size_t i = 1; i < all.size(); ++i) {
        QTextCursor cursor(all[i]);
        QTextBlockFormat format = all[i].blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        format.setTopMargin(0);
        cursor.setBlockFormat(format);
    }
}

// Moves a heading that would stand alone at the foot of a page to the next
// page: one in the page's last part, and one whose next block (a picture)
// does not fit under it.
void keepHeadingsWithTheirText(QTextDocument& doc) {
    const qreal pageHeight = doc.pageSize().height();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() < 2 || format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) continue;
        const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
        const qreal onPage = top - std::floor(top / pageHeight) * pageHeight;
        const QTextBlock next = block.next();
        bool nextMoves = false;
        if (next.isValid() && !QTextCursor(next).currentTable()) {
            const QRectF box = doc.documentLayout()->blockBoundingRect(next);
            const int lastPage = static_cast<int>(std::floor((box.bottom() - kPageSeamTolerance) / pageHeight));
            nextMoves = box.height() < pageHeight / 2 && lastPage > pageOf(doc, block);
        }
        if (onPage > pageHeight * (1.0 - kKeepWithNextFraction) || nextMoves) {
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
            relayout(doc);
        }
    }
}

// Replaces the [[contents]] paragraph with a table of the chapters and their pages.
void writeContents(QTextDocument& doc) {
    QTextBlock marker;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (block.text().trimmed() == kContentsMarker) marker = block;
    if (!marker.isValid()) return;

    std::vector<QString> titles;
    for (const QTextBlock& chapter : chapters(doc)) titles.push_back(chapter.text());
    if (titles.size() < 2) return;
    const int rows = static_cast<int>(titles.size()) - 1; // the first chapter is the cover

    QTextCursor cursor(marker);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    QTextTableFormat format;
    format.setBorder(0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    format.setCellPadding(points(2));
    format.setCellSpacing(0);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                      QTextLength(QTextLength::PercentageLength, 10)});
    QTextTable* table = cursor.insertTable(rows, 2, format);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    // First with placeholder numbers, so that the table takes its room; then
    // with the pages the chapters landed on.
    for (int r = 0; r < rows; ++r) {
        table->cellAt(r, 0).firstCursorPosition().insertText(titles[static_cast<std::size_t>(r) + 1]);
        QTextCursor page = table->cellAt(r, 1).firstCursorPosition();
        page.setBlockFormat(right);
        page.insertText(QStringLiteral("00"));
    }
    relayout(doc);
    const auto all = chapters(doc);
    for (int r = 0; r < rows; ++r) {
        QTextCursor page = table->cellAt(r, 1).firstCursorPosition();
        page.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        page.insertText(QString::number(pageOf(doc, all[static_cast<std::size_t>(r) + 1]) + 1));
    }
    relayout(doc);
}

} // namespace

int main(int argc, char** argv) {
    // Build machines have no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: guidepdf <guide.md> <out.pdf> <image folder>[:<image folder>...] [<version>]\n");
        return 2;
    }
    QFile input(args.at(1));
    if (!input.open(QIODevice::ReadOnly)) return fail("cannot read", args.at(1));
    QString markdown = QString::fromUtf8(input.readAll());
    if (args.size() > 4) markdown.replace(QStringLiteral("{{version}}"), args.at(4));
    const QStringList imageFolders = args.at(3).split(QLatin1Char(':'), Qt::SkipEmptyParts);

    QPdfWriter writer(args.at(2));
    writer.setResolution(kResolution);
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    writer.setTitle(QStringLiteral("Nodalux Configuration Guide"));
    writer.setCreator(QStringLiteral("Qorvana Vantrel"));

    QTextDocument doc;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(kBodyPointSize);
    doc.setDefaultFont(body);
    doc.setMarkdown(markdown);
    // Lay the text out in the page's printable area (in the writer's device
    // units), leaving a strip at the bottom for the page number.
    const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
    const qreal footer = kFooterMm / kMmPerInch * writer.resolution();
    const QSizeF textArea(page.width(), page.height() - footer);
    QString missing;
    if (!loadImages(doc, imageFolders, textArea.width() * kScreenDpi / writer.resolution(), missing))
        return fail("cannot read image", missing);
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setPageSize(textArea);
    doc.setDocumentMargin(0);

    styleDocument(doc);
    relayout(doc);
    breakBeforeChapters(doc);
    relayout(doc);
    keepHeadingsWithTheirText(doc);
    writeContents(doc);

    QPainter painter;
    if (!painter.begin(&writer)) return fail("cannot write", args.at(2));
    const int pages = doc.pageCount();
    QFont footerFont = body;
    footerFont.setPointSizeF(kBodyPointSize - 2);
    for (int i = 0; i < pages; ++i) {
        if (i > 0) writer.newPage();
        painter.save();
        painter.setClipRect(QRectF(0, 0, textArea.width(), textArea.height()));
        painter.translate(0, -i * textArea.height());
        QAbstractTextDocumentLayout::PaintContext context;
        // A block that opens the next page may reach a hair into this one;
        // it must not be drawn here as well.
        context.clip = QRectF(0, i * textArea.height(), textArea.width(), textArea.height() - kPageSeamTolerance);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();

        if (i == 0) continue; // no number on the cover
        painter.setFont(footerFont);
        painter.setPen(kFooterColour);
        painter.drawText(QRectF(0, textArea.height(), textArea.width(), footer), Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Nodalux Configuration Guide \u2014 page %1 of %2").arg(i + 1).arg(pages));
    }
    painter.end();
    return 0;
}
