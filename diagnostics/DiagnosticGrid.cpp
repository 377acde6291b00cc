#include "diagnostics/DiagnosticGrid.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>
#include <utility>

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
    // Row heights are set one by one as rows come into view (fitRowHeight),
    // never by the header measuring every row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    // The fitted marks follow the rows.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        m_fitted.insert(m_fitted.begin() + first, static_cast<std::size_t>(last - first + 1), false);
        // A refit in progress goes on with the same (older) row, further down.
        if (m_refitNext >= first) m_refitNext += last - first + 1;
    });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        m_fitted.erase(m_fitted.begin() + first, m_fitted.begin() + last + 1);
    });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { m_fitted.assign(static_cast<std::size_t>(m_model->rowCount()), false); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DiagnosticGrid::fitRowsInView);

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
    verticalHeader()->setDefaultSectionSize(plainRowHeight());
    fitAllRowHeights();
}

int DiagnosticGrid::plainRowHeight() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int textWidth = std::max(1, columnWidth(DiagnosticModel::ColDevice) - 2 * DiagnosticDelegate::kCellMargin);
    const int fiveLines = DiagnosticDelegate::textHeight(QStringLiteral("M\nM\nM\nM\nM"), option.font, textWidth);
    return fiveLines + 2 * DiagnosticDelegate::kCellMargin + DiagnosticDelegate::kRuleHeight;
}

void DiagnosticGrid::add(const protocol::DiagnosticMessage& msg) {
    queue(msg, QDateTime::currentMSecsSinceEpoch());
    showQueued();
}

void DiagnosticGrid::addMessage(const protocol::DiagnosticMessage& msg, const QDateTime& when) {
    m_queued.push_back(DiagnosticModel::rowFor(msg, when));
    showQueued();
}

bool DiagnosticGrid::addDatagram(std::span<const std::uint8_t> datagram) {
    if (!queueDatagram(datagram)) return false;
    showQueued();
    return true;
}

bool DiagnosticGrid::queueDatagram(std::span<const std::uint8_t> datagram) {
    const auto msg = protocol::readDiagnosticMessage(datagram);
    if (!msg) return false;
    queue(*msg, QDateTime::currentMSecsSinceEpoch());
    return true;
}

void DiagnosticGrid::queue(const protocol::DiagnosticMessage& msg, qint64 msecsSinceEpoch) {
    const QString& time = timeTextAt(msecsSinceEpoch);
    m_queued.push_back(DiagnosticRow{QString::fromLatin1(protocol::severityPictureName(msg.severity)), time,
                                     DiagnosticModel::deviceText(msg), DiagnosticModel::messageText(msg.message)});
}

const QString& DiagnosticGrid::timeTextAt(qint64 msecsSinceEpoch) {
    constexpr qint64 kMsPerSecond = 1000;
    const qint64 second = msecsSinceEpoch / kMsPerSecond;
    if (second != m_timeSecond) {
        m_timeSecond = second;
        m_timeText = DiagnosticModel::timeText(QDateTime::fromMSecsSinceEpoch(second * kMsPerSecond));
    }
    return m_timeText;
}

void DiagnosticGrid::showQueued() {
    if (m_queued.empty()) return;
    const int added = std::min(static_cast<int>(m_queued.size()), m_model->maxRows());
    m_model->prependRows(std::exchange(m_queued, {}));
    if (isRefitting()) {
        // A refit fits every row: the new ones at once.
        for (int row = 0; row < added; ++row) fitRowHeight(row);
        return;
    }
    fitRowsInView();
}

void DiagnosticGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    fitRowsInView();
}

void DiagnosticGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitRowsInView();
}

void DiagnosticGrid::fitRowsInView() {
    if (!isVisible()) return;
    const int rows = m_model->rowCount();
    const int bottom = viewport()->height();
    const int first = rowAt(0);
    if (first < 0) return;
    // Fitting a row moves the ones below it, so the rows in view are found
    // as the heights are set.
    int y = rowViewportPosition(first);
    for (int row = first; row < rows && y < bottom; ++row) {
        if (!isRowFitted(row)) fitRowHeight(row);
        y += rowHeight(row);
    }
}

bool DiagnosticGrid::isRowFitted(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_fitted.size() && m_fitted[static_cast<std::size_t>(row)];
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
    if (static_cast<std::size_t>(row) < m_fitted.size()) m_fitted[static_cast<std::size_t>(row)] = true;
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
    std::fill(m_fitted.begin(), m_fitted.end(), false);
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
