#include "tools/cli/OutputFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <algorithm>

#include "model/Text.h"
#include "tools/cli/GridTexts.h"
#include "tools/common/RecordJson.h"

namespace vantrel::cli {

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr int kColumnGap = 2;

// C0 controls, DEL and C1 controls: anything a terminal may act on.
bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString printable(QString text) {
    for (QChar& c : text) {
        if (isControl(c))
            c = QChar(kReplacementCharacter);
    }
    return text;
}

// Rows of cells as left-aligned columns, the last column unpadded.
QString table(const QStringList& header, const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QString& h : header) widths.append(h.size());
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size() && i < widths.size(); ++i) widths[i] = qMax(widths[i], row[i].size());
    }
    QString out;
    const auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i + 1 < cells.size())
                text += cells[i].leftJustified(widths[i] + kColumnGap, u' ');
            else
                text += cells[i];
        }
        out += text + u'\n';
    };
    line(header);
    for (const QStringList& row : rows) line(row);
    return out;
}

QString csv(const QStringList& header, const QList<QStringList>& rows) {
    QString out;
    const auto line = [&](const QStringList& cells) {
        QStringList fields;
        for (const QString& c : cells) fields.append(csvField(c));
        out += fields.join(u',') + u'\n';
    };
    line(header);
    for (const QStringList& row : rows) line(row);
    return out;
}

// A JSON array with each element compact on its own line.
QByteArray jsonLines(const QList<QJsonObject>& objects) {
    if (objects.isEmpty())
        return QByteArrayLiteral("[]\n");
    QByteArray out = "[\n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        out += QJsonDocument(objects[i]).toJson(QJsonDocument::Compact);
        out += i + 1 < objects.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

QStringList gridRow(const model::TNodaluxCtrl& c, const QString& decimalSeparator = QStringLiteral(".")) {
    const auto columns = gridTexts(c, decimalSeparator).columns();
    return QStringList(columns.begin(), columns.end());
}

QStringList adapterCells(const net::Adapter& a) {
    const AdapterRow r = adapterRow(a);
    return {r.address, r.mask, r.network, r.interfaceName};
}

QStringList adapterHeader() {
    return {QStringLiteral("Address"), QStringLiteral("Mask"), QStringLiteral("Network"),
            QStringLiteral("Interface")};
}

} // namespace

std::vector<model::TNodaluxCtrl> controllersByAddress(const model::ControllerList& list) {
    std::vector<model::TNodaluxCtrl> out = list.records();
    std::stable_sort(out.begin(), out.end(),
                     [](const model::TNodaluxCtrl& a, const model::TNodaluxCtrl& b) { return a.CurrentIP < b.CurrentIP; });
    return out;
}

QString controllersTable(const std::vector<model::TNodaluxCtrl>& controllers) {
    QList<QStringList> rows;
    // Read by people: temperatures as the user's locale writes them.
    const QString separator = QLocale().decimalPoint();
    for (const auto& c : controllers) {
        QStringList row = gridRow(c, separator);
        for (QString& cell : row) cell = printable(cell);
        rows.append(row);
    }
    QString out = table(gridColumnNames(), rows);
    out += QStringLiteral("Found %1 Device(s)\n").arg(controllers.size());
    return out;
}

QByteArray controllersJson(const std::vector<model::TNodaluxCtrl>& controllers) {
    const QStringList names = gridColumnNames();
    QList<QJsonObject> objects;
    for (const auto& c : controllers) {
        QJsonObject o = tools::recordToJson(c);
        const auto columns = gridTexts(c).columns();
        QJsonObject grid;
        for (std::size_t i = 0; i < columns.size(); ++i) grid[names[static_cast<qsizetype>(i)]] = columns[i];
        o[QStringLiteral("grid")] = grid;
        objects.append(o);
    }
    return jsonLines(objects);
}

QString controllersCsv(const std::vector<model::TNodaluxCtrl>& controllers) {
    QList<QStringList> rows;
    for (const auto& c : controllers) rows.append(gridRow(c));
    return csv(gridColumnNames(), rows);
}

AdapterRow adapterRow(const net::Adapter& adapter) {
    const auto network = model::networkAddressText(adapter.address.toStdString(), adapter.mask.toStdString());
    return {adapter.address, adapter.mask, network ? QString::fromStdString(*network) : QString(),
            adapter.interfaceName};
}

QString adaptersTable(const QList<net::Adapter>& adapters) {
    if (adapters.isEmpty())
        return QStringLiteral("None Found\n");
    QList<QStringList> rows;
    for (const auto& a : adapters) {
        QStringList row = adapterCells(a);
        for (QString& cell : row) cell = printable(cell);
        rows.append(row);
    }
    return table(adapterHeader(), rows);
}

QByteArray adaptersJson(const QList<net::Adapter>& adapters) {
    QList<QJsonObject> objects;
    for (const auto& a : adapters) {
        const AdapterRow r = adapterRow(a);
        objects.append(QJsonObject{{QStringLiteral("address"), r.address},
                                   {QStringLiteral("mask"), r.mask},
                                   {QStringLiteral("network"), r.network},
                                   {QStringLiteral("interface"), r.interfaceName}});
    }
    return jsonLines(objects);
}

QString adaptersCsv(const QList<net::Adapter>& adapters) {
    QList<QStringList> rows;
    for (const auto& a : adapters) rows.append(adapterCells(a));
    return csv(adapterHeader(), rows);
}

QString csvField(const QString& text) { return QString::fromStdString(model::csvField(text.toStdString())); }

QString printableText(const QString& text) { return printable(text); }

QByteArray jsonArrayLines(const QList<QJsonObject>& objects) { return jsonLines(objects); }

} // namespace vantrel::cli
