#pragma once
// The diagnostics grid `gridDiagnostic` of the main window's Diagnostics tab:
// one row per diagnostic message a controller sent, the newest on top.
//
// API for the main window:
//   auto* grid = new DiagnosticGrid(tabPage);    // objectName "gridDiagnostic"
//   grid->setGeometry(0, 54, 737, 403);           // size it first, then:
//   grid->diagnosticTabInit();                    // once, from FormCreate
//   // QorvReadDiagnosticMessage(packet, length), for each datagram of a batch:
//   grid->queueDatagram(std::span(packet, length)); // false: not a whole message, dropped
//   // when the batch ends:
//   grid->showQueued();                           // the batch on top, in one insertion
//   // one datagram or message at once:
//   grid->addDatagram(std::span(packet, length)); // false: not a whole message, dropped
//   grid->add(msg);                               // stamped with the current local time
//
// Rows are collected whether or not the grid is visible (in release builds
// its tab is hidden). At most DiagnosticModel::kMaxRows (10,000) rows are
// kept: the newest; older ones are dropped so that a flood of datagrams
// cannot use up the memory.
//
// Row heights are fitted to the rows' contents only where someone can see
// them: the rows in view, while the grid is visible (when it is shown, when
// it scrolls, when a batch arrives). Rows never seen keep the height of a
// row whose five device lines are its tallest cell. After a column changes
// width every row is fitted again in slices (see below).
//
// Reading it (tests): rowCount(); cellText(row, column) with row 0 the newest
// (the row directly under the header) and the columns of DiagnosticModel;
// pictureName(row) is "Error", "Warning" or "Info". Every text is plain
// text: a message "<b>x" shows as those four characters.

#include <QTableView>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "diagnostics/DiagnosticModel.h"
#include "diagnostics/SeverityPictures.h"
#include "protocol/Diagnostic.h"

class QDateTime;

namespace vantrel::diagnostics {

class DiagnosticDelegate;

class DiagnosticGrid final : public QTableView {
    Q_OBJECT

public:
    static constexpr int kSeverityWidth = 45;
    static constexpr int kTimeWidth = 80;
    static constexpr int kDeviceWidth = 160;
    // Kept free beside the message column for the vertical scroll bar.
    static constexpr int kScrollBarAllowance = 20;

    explicit DiagnosticGrid(QWidget* parent = nullptr, int maxRows = DiagnosticModel::kMaxRows);
    ~DiagnosticGrid() override;

    // Prepares the grid: scroll bars, header texts, column widths (the
    // message column takes the grid's width less the other three and 20),
    // horizontal lines only. Call once, after the grid has its size.
    void diagnosticTabInit();

    // Adds one message as the new top row, received now / at `when`.
    void add(const vantrel::protocol::DiagnosticMessage& msg);
    void addMessage(const vantrel::protocol::DiagnosticMessage& msg, const QDateTime& when);
    // Reads a diagnostic message datagram (opcode 10) and adds it; a datagram
    // that does not hold a whole message is dropped and false returned.
    bool addDatagram(std::span<const std::uint8_t> datagram);
    // Reads a diagnostic message datagram and keeps its row, stamped with the
    // time it was read, for showQueued(); false (nothing kept) when the
    // datagram does not hold a whole message.
    bool queueDatagram(std::span<const std::uint8_t> datagram);
    // Adds every kept row on top in one insertion, the last one read on top.
    void showQueued();
    int queuedCount() const { return static_cast<int>(m_queued.size()); }

    int rowCount() const { return m_model->rowCount(); }
    QString cellText(int row, int column) const { return m_model->cellText(row, column); }
    QString pictureName(int row) const { return m_model->row(row).pictureName; }
    DiagnosticModel* diagnosticModel() const { return m_model; }
    // `bitmapContainerSeverity`: the grid's three pictures.
    const SeverityPictures& bitmapContainerSeverity() const { return m_pictures; }

    // Fits one row's height to its contents at the current column widths.
    void fitRowHeight(int row);
    // Whether a row's height has been fitted at the current column widths.
    bool isRowFitted(int row) const;
    // Fits every row at once.
    void fitAllRowHeights();
    // True while rows are still being fitted again after a column changed width.
    bool isRefitting() const { return m_refitNext >= 0; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Fits the rows in view that are not fitted yet; nothing while hidden.
    void fitRowsInView();
    void queue(const vantrel::protocol::DiagnosticMessage& msg, qint64 msecsSinceEpoch);
    // The Time cell's text; it changes once a second, so it is made once a second.
    const QString& timeTextAt(qint64 msecsSinceEpoch);
    // The height of a row whose five device lines are its tallest cell.
    int plainRowHeight() const;
    // After a column changed width every row is fitted again: the rows in
    // view first, then all of them in slices of a few milliseconds, so that
    // a full grid never holds up the window.
    void scheduleRefit();
    void refitSlice();

    SeverityPictures m_pictures;
    DiagnosticModel* m_model;
    DiagnosticDelegate* m_delegate;
    QTimer m_refitDelay; // lets a column drag settle
    QTimer m_refitSlices;
    int m_refitNext = -1; // the next row to fit again; -1: none
    std::vector<DiagnosticRow> m_queued; // read, not shown yet; oldest first
    std::deque<bool> m_fitted;           // per row, newest first: height fitted
    qint64 m_timeSecond = -1;
    QString m_timeText;
};

} // namespace vantrel::diagnostics
