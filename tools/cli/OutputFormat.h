#pragma once
// What vantrel-cli prints: controllers and adapters as a readable table, as
// JSON or as CSV. Pure formatting, no sockets.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <vector>

#include "model/Controllers.h"
#include "model/NodaluxCtrl.h"
#include "net/AdapterProvider.h"

namespace vantrel::cli {

// The listed controllers ordered by address (10.0.0.9 before 10.0.0.10).
std::vector<model::TNodaluxCtrl> controllersByAddress(const model::ControllerList& list);

// The grid columns padded to their widest text, then "Found %d Device(s)".
// Control characters in device-supplied texts are shown as U+FFFD, so that a
// nickname cannot steer the terminal. Temperatures are written with the
// locale's decimal separator; JSON and CSV always write ".".
QString controllersTable(const std::vector<model::TNodaluxCtrl>& controllers);

// A JSON array, one object per controller on a line of its own: every record
// field under its own name, and "grid" with the five grid texts under their
// column names.
QByteArray controllersJson(const std::vector<model::TNodaluxCtrl>& controllers);

// A header row with the grid's column names, then one row per controller;
// fields holding a comma, a quote or a line break are quoted (RFC 4180).
QString controllersCsv(const std::vector<model::TNodaluxCtrl>& controllers);

// One adapter as the adapter list shows it: address, mask and network address.
struct AdapterRow {
    QString address;
    QString mask;
    QString network; // each octet of address AND mask
    QString interfaceName;
};
AdapterRow adapterRow(const net::Adapter& adapter);

// "None Found" when the list is empty, as the adapter list shows it.
QString adaptersTable(const QList<net::Adapter>& adapters);
QByteArray adaptersJson(const QList<net::Adapter>& adapters);
QString adaptersCsv(const QList<net::Adapter>& adapters);

// Quotes one CSV field when it needs it.
QString csvField(const QString& text);

// Device-supplied text made safe for a terminal: control characters become U+FFFD.
QString printableText(const QString& text);
// A JSON array with each object compact on a line of its own.
QByteArray jsonArrayLines(const QList<QJsonObject>& objects);

} // namespace vantrel::cli
