#include "diagnostics/DiagnosticGrid.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

#include "diagnostics/DiagnosticDelegate.h"

namespace vantrel::diagnostics {

namespace {

// A column drag resizes many times a second; the rows are fitted again once
// it has settled, a few milliseconds at a time.
constexpr int kRefitDelayMs = 150;
constexpr qint64 kRefitSliceMs = 15;

} // namespace

DiagnosticGrid::DiagnosticGrid(QWidget* parent, int maxRows)
    : QTableView(parent),
      m_model(new DiagnosticModel(this, maxRows)),
      m_delegate(new DiagnosticDelegate(m_pictures, this)) {
    setObjectName(QStringLiteral("gridDiagnostic"));
    setModel(m_model);
    setItemDelegate(m_delegate);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(true);
    setTextElideMode(Qt::ElideNone);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Row heights are set one by one as rows arrive (fitRowHeight), never
    // by the header measuring every row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    m_refitDelay.setSingleShot(true);
    m_refitDelay.setInterval(kRefitDelayMs);
    m_refitSlices.setInterval(0);
    connect(&m_refitDelay, &QTimer::timeout, this, [this] {
        // The rows in view first, then every row from the top.
        const int first = std::max(0, rowAt(0));
        const int last = rowAt(viewport()->height() - 1);
        for (int row = first; row <= (last < 0 ? first : last); ++row) fitRowHeight(row);
        m_refitNext = 0;
        m_refitSlices.start();
    });
    connect(&m_refitSlices, &QTimer::timeout, this, &DiagnosticGrid::refitSlice);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &DiagnosticGrid::scheduleRefit);
}

DiagnosticGrid::~DiagnosticGrid() = default;

void DiagnosticGrid::diagnosticTabInit() {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The header texts come from the model: empty, "Time", "Device", "Message".
    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionsMovable(true);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setColumnWidth(DiagnosticModel::ColSeverity, kSeverityWidth);
    setColumnWidth(DiagnosticModel::ColTime, kTimeWidth);
    setColumnWidth(DiagnosticModel::ColDevice, kDeviceWidth);
    setColumnWidth(DiagnosticModel::ColMessage,
                   std::max(0, width() - kDeviceWidth - kTimeWidth - kSeverityWidth - kScrollBarAllowance));

    // Horizontal lines only: the delegate draws them under each cell.
    setShowGrid(false);
    fitAllRowHeights();
}

void DiagnosticGrid::add(const protocol::DiagnosticMessage& msg) { addMessage(msg, QDateTime::currentDateTime()); }

void DiagnosticGrid::addMessage(const protocol::DiagnosticMessage& msg, const QDateTime& when) {
    m_model->prepend(DiagnosticModel::rowFor(msg, when));
    // Only the new row needs fitting: the others keep the heights they have.
    fitRowHeight(0);
    // A refit in progress goes on with the same (older) row, one further down.
    if (m_refitNext >= 0) ++m_refitNext;
}

bool DiagnosticGrid::addDatagram(std::span<const std::uint8_t> datagram) {
    const auto msg = protocol::readDiagnosticMessage(datagram);
    if (!msg) return false;
    add(*msg);
    return true;
}

void DiagnosticGrid::fitRowHeight(int row) {
    if (row < 0 || row >= m_model->rowCount()) return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int height = 0;
    for (int column = 0; column < DiagnosticModel::ColumnCount; ++column) {
        if (isColumnHidden(column)) continue;
        // The column's width, not the viewport's: a grid on a hidden tab has
        // no viewport size yet, and its rows must still fit when it is shown.
        option.rect = QRect(0, 0, columnWidth(column), 0);
        height = std::max(height, m_delegate->sizeHint(option, m_model->index(row, column)).height());
    }
    verticalHeader()->resizeSection(row, height);
}

void DiagnosticGrid::fitAllRowHeights() {
    m_refitDelay.stop();
    m_refitSlices.stop();
    m_refitNext = -1;
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row) fitRowHeight(row);
}

void DiagnosticGrid::scheduleRefit() {
    if (m_model->rowCount() == 0) return;
    m_refitSlices.stop();
    m_refitNext = -1;
    m_refitDelay.start();
}

void DiagnosticGrid::refitSlice() {
    QElapsedTimer slice;
    slice.start();
    const int rows = m_model->rowCount();
    while (m_refitNext >= 0 && m_refitNext < rows && !slice.hasExpired(kRefitSliceMs)) fitRowHeight(m_refitNext++);
    if (m_refitNext < 0 || m_refitNext >= rows) {
        m_refitSlices.stop();
        m_refitNext = -1;
    }
}

} // namespace vantrel::diagnostics
