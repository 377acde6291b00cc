#pragma once
// The rows of the diagnostics grid, newest first.
//
// API (used by DiagnosticGrid; tests may read it directly):
//   DiagnosticModel model;                 // empty, capped at kMaxRows
//   model.prepend(DiagnosticModel::rowFor(msg, QDateTime::currentDateTime()));
//   model.prependRows(std::move(rows));    // a batch in arrival order, one insertion
//   model.rowCount();                      // rows held, at most the cap
//   model.row(0);                          // the newest message
//   model.data(index(r, c))                // DisplayRole: the cell's text (plain text,
//                                          // lines separated by '\n'); column 0 has no
//                                          // text, its PictureNameRole is "Error",
//                                          // "Warning" or "Info"
// Rows are never edited; the oldest are dropped once the cap is reached.

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>
#include <deque>
#include <vector>

#include "protocol/Diagnostic.h"

namespace vantrel::diagnostics {

// One message as the grid shows it.
struct DiagnosticRow {
    QString pictureName; // "Error", "Warning" or "Info"
    QString time;        // time of arrival, '\n', date of arrival
    QString device;      // model, nickname, IP, MAC, firmware: five lines
    QString message;

    bool operator==(const DiagnosticRow&) const = default;
};

class DiagnosticModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColSeverity = 0, ColTime = 1, ColDevice = 2, ColMessage = 3, ColumnCount = 4 };

    // Controllers send these messages in unauthenticated datagrams, and they
    // are collected even while the Diagnostics tab is hidden, so a flood must
    // not grow the grid without end: beyond this many rows the oldest go.
    static constexpr int kMaxRows = 10000;
    // The severity picture's name ("Error", "Warning", "Info") of column 0.
    static constexpr int PictureNameRole = Qt::UserRole + 1;

    explicit DiagnosticModel(QObject* parent = nullptr, int maxRows = kMaxRows);

    // The texts of one message received at `when` (local time).
    static DiagnosticRow rowFor(const vantrel::protocol::DiagnosticMessage& msg, const QDateTime& when);
    // The Time cell: the local time in the system's long time format, a line
    // break, the date in its short date format.
    static QString timeText(const QDateTime& when);
    // The Device cell: model, nickname, IP, MAC and firmware on five lines.
    // Line breaks and other control characters a controller put into its
    // texts become blanks, so the five lines stay five; NULs are left out.
    static QString deviceText(const vantrel::protocol::DiagnosticMessage& msg);
    // The Message cell: the text as sent, NULs left out and its line breaks
    // ("\r\n", "\r" or "\n") shown as line breaks.
    static QString messageText(const std::u16string& message);

    // Adds `row` on top; drops the oldest rows beyond the cap.
    void prepend(DiagnosticRow row);
    // Adds a batch in arrival order (its last row ends on top) in one
    // insertion, then drops the oldest rows beyond the cap in one removal.
    void prependRows(std::vector<DiagnosticRow> rows);
    // Removes every row.
    void clear();

    int maxRows() const { return m_maxRows; }
    const DiagnosticRow& row(int r) const { return m_rows.at(static_cast<std::size_t>(r)); }
    // The text of one cell (empty for the picture column).
    QString cellText(int r, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::deque<DiagnosticRow> m_rows; // newest first
    int m_maxRows;
};

} // namespace vantrel::diagnostics
