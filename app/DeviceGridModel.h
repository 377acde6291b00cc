#pragma once
// The device grid's contents: five read-only text columns, one row per
// controller. The texts are shown as plain text whatever they hold.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

namespace vantrel::app {

class DeviceGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColModel = 0, ColNickname = 1, ColIP = 2, ColFirmware = 3, ColTemperature = 4, ColumnCount = 5 };
    using Row = std::array<QString, ColumnCount>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::vector<Row>& rows() const { return m_rows; }
    // The text of one cell; empty outside the grid.
    QString cell(int row, int column) const;

    // Removes every row.
    void clear();
    // Inserts a row so that it becomes row `position` (0..rowCount()).
    void insertAt(int position, Row row);
    // Reorders the rows: new row i is old row order[i]. `order` is a
    // permutation of the rows.
    void reorder(const std::vector<int>& order);

private:
    std::vector<Row> m_rows;
};

} // namespace vantrel::app
