#pragma once
// The device grid's model: a view over the controller list. Row r shows the
// record the list's row map names for it, in five read-only text columns
// (Model, Nickname, IP, Firmware, Temperature), always as plain text. The
// rows are kept in ascending order of the sort column.
//
// The list is the one copy of the data. Records are appended to it as
// replies arrive; showNewRecords() then shows every record appended since its
// last call, in one insertion: the new rows come at the bottom and are put in
// their places by one re-order (the order of adding each at the bottom and
// sorting after each), so a burst of replies costs the grid one update.
//
//   DeviceGridModel grid(list);
//   list.append(record); list.append(other);   // the grid shows nothing new yet
//   grid.showNewRecords(column);               // now both, sorted by `column`
//   grid.sortBy(column);                       // a header click
//   grid.clear();                              // empties the list and the grid

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "app/GridOrder.h"
#include "model/Controllers.h"

namespace vantrel::app {

class DeviceGridModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColModel = 0, ColNickname = 1, ColIP = 2, ColFirmware = 3, ColTemperature = 4, ColumnCount = 5 };
    using Row = std::array<QString, ColumnCount>;

    // The list outlives the model.
    explicit DeviceGridModel(model::ControllerList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The five texts a record shows.
    Row textsOf(const model::TNodaluxCtrl& record) const;
    // Temperatures are written with this decimal separator (the window's
    // locale); "." until set.
    void setDecimalSeparator(const QString& separator);
    // The texts of grid row `row`; empty outside the grid.
    Row row(int row) const;
    // The texts of every row, in the grid's order (an export of the list).
    std::vector<Row> rows() const;
    // The text of one cell; empty outside the grid.
    QString cell(int row, int column) const;
    // The list index that grid row `row` shows, or -1 outside the grid.
    int listIndexOfRow(int row) const;

    // Shows the records appended to the list since the last call, each in
    // its place by `column`; the current row and the selection stay with the
    // controllers they were on.
    void showNewRecords(int column);
    // Re-orders every row by `column`. As the rows' texts move, the current
    // row and the selection keep their row numbers.
    void sortBy(int column);
    // Empties the list and the grid together.
    void clear();

  private:
    bool ipColumn(int column) const { return column == ColIP; }
    // Sort keys for the list indices not keyed yet; every one when the column
    // changed (then true).
    bool keyRecords(int column);
    bool less(std::int32_t a, std::int32_t b) const;

    model::ControllerList& m_list;
    GridOrder m_order;
    int m_shown = 0;                      // rows the views know of: the first rows of the row map
    int m_keyColumn = -1;                 // the column m_keys are of
    std::vector<QCollatorSortKey> m_keys; // sort key of each list index
    std::string m_decimalSeparator = ".";
};

} // namespace vantrel::app
