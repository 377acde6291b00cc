#pragma once
// The controller record as JSON, field by field under the record's own names.
//
// Addresses are dotted texts ("10.77.1.1"), the MAC is "02-4E-4C-00-00-01",
// texts are strings (every character kept, NULs included), fixed arrays are
// arrays of numbers with all their entries. The simulator's fleet files and
// the command line's discover --records output use this one form.

#include <QJsonObject>
#include <QString>

#include "model/NodaluxCtrl.h"

namespace vantrel::tools {

QJsonObject recordToJson(const model::TNodaluxCtrl& c);

// Fills a record from JSON. Missing fields stay as they are in `out`; arrays
// shorter than the record's fill their first entries. False with a message in
// `error` when a field has the wrong kind or a value out of its range.
bool recordFromJson(const QJsonObject& json, model::TNodaluxCtrl& out, QString* error = nullptr);

QString toQString(std::u16string_view text);
std::u16string fromQString(const QString& text);

// The text before the first NUL.
QString untilNul(std::u16string_view text);

} // namespace vantrel::tools
