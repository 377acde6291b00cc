#pragma once
// What a command did for each controller, printed for people (one line a
// controller, its changes indented below) or as JSON for scripts (one object
// a controller: target, ip, mac, action, result, message, changes).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "model/Settings.h"

namespace vantrel::cli {

struct TargetResult {
    enum class Outcome { Ok, Failed, Skipped };
    QString target;                               // the --target that named it
    std::optional<model::TNodaluxCtrl> controller; // as the search listed it; none when it did not answer
    QString action;                               // the command: "backup", "restore", ...
    Outcome outcome = Outcome::Failed;
    QString message;
    std::vector<model::SettingChange> changes;
    QStringList notes;
};

QString outcomeWord(TargetResult::Outcome outcome);

// Lines for people; control characters in device texts are shown as U+FFFD.
QString resultsText(const std::vector<TargetResult>& results);
// A JSON array with one object a line.
QByteArray resultsJson(const std::vector<TargetResult>& results);

// discover --json: each controller's identity and status (model::statusJson), one a line.
QByteArray controllersStatusJson(const std::vector<model::TNodaluxCtrl>& controllers);

} // namespace vantrel::cli
