#include "app/DeviceGridModel.h"

namespace vantrel::app {

namespace {
constexpr std::array<const char*, DeviceGridModel::ColumnCount> kHeaders{"Model", "Nickname", "IP", "Firmware",
                                                                          "Temperature"};
}

int DeviceGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DeviceGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DeviceGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return m_rows[index.row()][index.column()];
    return {};
}

QVariant DeviceGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(kHeaders[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DeviceGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // read-only
}

QString DeviceGridModel::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount) return {};
    return m_rows[row][column];
}

void DeviceGridModel::clear() {
    if (m_rows.empty()) return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void DeviceGridModel::insertAt(int position, Row row) {
    position = std::clamp(position, 0, rowCount());
    beginInsertRows(QModelIndex(), position, position);
    m_rows.insert(m_rows.begin() + position, std::move(row));
    endInsertRows();
}

void DeviceGridModel::reorder(const std::vector<int>& order) {
    Q_ASSERT(order.size() == m_rows.size());
    emit layoutAboutToBeChanged();
    std::vector<Row> next;
    next.reserve(m_rows.size());
    for (int from : order) next.push_back(std::move(m_rows[from]));
    m_rows = std::move(next);
    // Selection and current row follow the row number, not the controller:
    // the grid moves texts, as the row map does.
    emit layoutChanged();
}

} // namespace vantrel::app
