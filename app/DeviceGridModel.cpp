#include "app/DeviceGridModel.h"

#include "model/GridTexts.h"

namespace vantrel::app {

namespace {
constexpr std::array<const char*, DeviceGridModel::ColumnCount> kHeaders{"Model", "Nickname", "IP", "Firmware",
                                                                         "Temperature"};
}

DeviceGridModel::DeviceGridModel(model::ControllerList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {}

int DeviceGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int DeviceGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

void DeviceGridModel::setDecimalSeparator(const QString& separator) {
    beginResetModel();
    m_decimalSeparator = separator.toStdString();
    m_keyColumn = -1; // the temperature texts, and their sort keys, change
    endResetModel();
}

DeviceGridModel::Row DeviceGridModel::textsOf(const model::TNodaluxCtrl& record) const {
    const model::GridTexts texts = model::gridTexts(record, m_decimalSeparator);
    Row row;
    row[ColModel] = QString::fromStdU16String(texts.model);
    row[ColNickname] = QString::fromStdU16String(texts.nickname);
    row[ColIP] = QString::fromStdString(texts.ip);
    row[ColFirmware] = QString::fromStdU16String(texts.firmware);
    row[ColTemperature] = QString::fromStdString(texts.temperature);
    return row;
}

int DeviceGridModel::listIndexOfRow(int row) const {
    if (row < 0 || row >= m_shown) return -1;
    return m_list.indexAtRow(static_cast<std::size_t>(row));
}

DeviceGridModel::Row DeviceGridModel::row(int row) const {
    const int index = listIndexOfRow(row);
    return index < 0 ? Row{} : textsOf(m_list.at(static_cast<std::size_t>(index)));
}

std::vector<DeviceGridModel::Row> DeviceGridModel::rows() const {
    std::vector<Row> all;
    all.reserve(static_cast<std::size_t>(m_shown));
    for (int r = 0; r < m_shown; ++r) all.push_back(row(r));
    return all;
}

QString DeviceGridModel::cell(int row, int column) const {
    if (column < 0 || column >= ColumnCount) return {};
    return this->row(row)[static_cast<std::size_t>(column)];
}

QVariant DeviceGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= ColumnCount) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (listIndexOfRow(index.row()) < 0) return {};
        return cell(index.row(), index.column());
    }
    return {};
}

QVariant DeviceGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromLatin1(kHeaders[static_cast<std::size_t>(section)]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DeviceGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // read-only
}

bool DeviceGridModel::keyRecords(int column) {
    const bool changed = column != m_keyColumn;
    if (changed) {
        m_keys.clear();
        m_keyColumn = column;
    }
    const std::size_t total = m_list.size();
    for (std::size_t i = m_keys.size(); i < total; ++i)
        m_keys.push_back(m_order.key(textsOf(m_list.at(i))[static_cast<std::size_t>(column)], ipColumn(column)));
    return changed;
}

bool DeviceGridModel::less(std::int32_t a, std::int32_t b) const {
    return m_keys[static_cast<std::size_t>(a)].compare(m_keys[static_cast<std::size_t>(b)]) < 0;
}

void DeviceGridModel::showNewRecords(int column) {
    if (column < 0 || column >= ColumnCount) return;
    const int placed = m_shown;
    const int total = static_cast<int>(m_list.size());
    const bool columnChanged = keyRecords(column);
    if (total == placed && !(columnChanged && placed > 1)) return;

    // One insertion: the new rows at the bottom, as the list appended them.
    if (total > placed) {
        beginInsertRows(QModelIndex(), placed, total - 1);
        m_shown = total;
        endInsertRows();
    }

    // Then one re-order that puts them in their places. The current row and
    // the selection follow their controllers, as they would if each row had
    // been inserted at its place.
    const QModelIndexList persistent = persistentIndexList();
    const std::vector<std::int32_t> before = persistent.isEmpty() ? std::vector<std::int32_t>{} : m_list.rowMap();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const auto order = [this](std::int32_t a, std::int32_t b) { return less(a, b); };
    if (columnChanged)
        m_list.sortRows(order);
    else
        m_list.placeNewRows(static_cast<std::size_t>(placed), order);
    if (!persistent.isEmpty()) {
        const std::vector<std::int32_t>& after = m_list.rowMap();
        std::vector<int> rowOf(after.size());
        for (std::size_t r = 0; r < after.size(); ++r) rowOf[static_cast<std::size_t>(after[r])] = static_cast<int>(r);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (const QModelIndex& from : persistent)
            moved << index(rowOf[static_cast<std::size_t>(before[static_cast<std::size_t>(from.row())])],
                           from.column());
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DeviceGridModel::sortBy(int column) {
    if (column < 0 || column >= ColumnCount) return;
    // Rows not shown yet go to their places in the present order first.
    showNewRecords(m_keyColumn < 0 ? column : m_keyColumn);
    keyRecords(column);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_list.sortRows([this](std::int32_t a, std::int32_t b) { return less(a, b); });
    // Selection and current row keep their row numbers: the grid moves
    // texts, as the row map does.
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DeviceGridModel::clear() {
    const bool shown = m_shown > 0;
    if (shown) beginResetModel();
    m_list.clear();
    m_keys.clear();
    m_shown = 0;
    if (shown) endResetModel();
}

} // namespace vantrel::app
