#include "diagnostics/DiagnosticModel.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

#include "model/Text.h"

namespace vantrel::diagnostics {

namespace {

constexpr char16_t kNul = u'\0';
constexpr char16_t kFirstPrintable = u' ';
constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1Control = 0x9F;

bool isControl(char16_t c) { return c < kFirstPrintable || (c >= kDelete && c <= kLastC1Control); }

// One line of the Device cell from a text the controller sent.
QString deviceLine(const std::u16string& text) {
    QString line;
    line.reserve(static_cast<qsizetype>(text.size()));
    for (const char16_t c : text) {
        if (c == kNul) continue;
        line.append(isControl(c) ? QChar(u' ') : QChar(c));
    }
    return line;
}

} // namespace

DiagnosticModel::DiagnosticModel(QObject* parent, int maxRows)
    : QAbstractTableModel(parent), m_maxRows(std::max(1, maxRows)) {}

QString DiagnosticModel::timeText(const QDateTime& when) {
    const QLocale locale = QLocale::system();
    const QDateTime local = when.toLocalTime();
    return locale.toString(local.time(), QLocale::LongFormat) + QLatin1Char('\n') +
           locale.toString(local.date(), QLocale::ShortFormat);
}

QString DiagnosticModel::deviceText(const protocol::DiagnosticMessage& msg) {
    return QStringList{deviceLine(msg.model), deviceLine(msg.nickname),
                       QString::fromStdString(model::ipText(msg.ip)),
                       QString::fromStdString(model::macText(msg.mac)), deviceLine(msg.firmware)}
        .join(QLatin1Char('\n'));
}

QString DiagnosticModel::messageText(const std::u16string& message) {
    QString text;
    text.reserve(static_cast<qsizetype>(message.size()));
    for (std::size_t i = 0; i < message.size(); ++i) {
        const char16_t c = message[i];
        if (c == kNul) continue;
        if (c == u'\r') {
            text.append(QLatin1Char('\n'));
            if (i + 1 < message.size() && message[i + 1] == u'\n') ++i;
            continue;
        }
        text.append(QChar(c));
    }
    return text;
}

DiagnosticRow DiagnosticModel::rowFor(const protocol::DiagnosticMessage& msg, const QDateTime& when) {
    return DiagnosticRow{QString::fromLatin1(protocol::severityPictureName(msg.severity)), timeText(when),
                         deviceText(msg), messageText(msg.message)};
}

void DiagnosticModel::prepend(DiagnosticRow row) {
    std::vector<DiagnosticRow> one;
    one.push_back(std::move(row));
    prependRows(std::move(one));
}

void DiagnosticModel::prependRows(std::vector<DiagnosticRow> rows) {
    if (rows.empty()) return;
    // Rows that the cap would drop at once are never inserted.
    const std::size_t cap = static_cast<std::size_t>(m_maxRows);
    const std::size_t skip = rows.size() > cap ? rows.size() - cap : 0;
    const int added = static_cast<int>(rows.size() - skip);
    beginInsertRows(QModelIndex(), 0, added - 1);
    for (std::size_t i = skip; i < rows.size(); ++i) m_rows.push_front(std::move(rows[i]));
    endInsertRows();
    const int count = static_cast<int>(m_rows.size());
    if (count > m_maxRows) {
        beginRemoveRows(QModelIndex(), m_maxRows, count - 1);
        m_rows.resize(cap);
        endRemoveRows();
    }
}

void DiagnosticModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString DiagnosticModel::cellText(int r, int column) const {
    const DiagnosticRow& shown = row(r);
    switch (column) {
    case ColTime: return shown.time;
    case ColDevice: return shown.device;
    case ColMessage: return shown.message;
    default: return QString();
    }
}

int DiagnosticModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DiagnosticModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DiagnosticModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ColSeverity) return {};
        return cellText(index.row(), index.column());
    case PictureNameRole:
    case Qt::ToolTipRole: // a fixed word, never a text the controller sent
        if (index.column() == ColSeverity) return row(index.row()).pictureName;
        return {};
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignTop));
    default: return {};
    }
}

QVariant DiagnosticModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case ColTime: return QStringLiteral("Time");
    case ColDevice: return QStringLiteral("Device");
    case ColMessage: return QStringLiteral("Message");
    default: return QString();
    }
}

Qt::ItemFlags DiagnosticModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace vantrel::diagnostics
