#include "tools/cli/Results.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "model/Text.h"
#include "tools/cli/OutputFormat.h"
#include "tools/common/RecordJson.h"

namespace vantrel::cli {

namespace {

const QString kArrow = QStringLiteral(" \u2192 ");

QString ipOf(const TargetResult& r) {
    return r.controller ? QString::fromStdString(model::ipText(r.controller->CurrentIP)) : QString();
}
QString macOf(const TargetResult& r) {
    return r.controller ? QString::fromStdString(model::macText(r.controller->MAC)) : QString();
}

// A change's value as JSON: the text the core gives is JSON already.
QJsonValue jsonValue(const std::string& text) {
    if (text.empty()) return QJsonValue(QJsonValue::Null);
    const QJsonDocument doc = QJsonDocument::fromJson("[" + QByteArray::fromStdString(text) + "]");
    return doc.isArray() && !doc.array().isEmpty() ? doc.array().first() : QJsonValue(QString::fromStdString(text));
}

QString shown(const std::string& text) { return text.empty() ? QStringLiteral("(none)") : QString::fromStdString(text); }

} // namespace

QString outcomeWord(TargetResult::Outcome outcome) {
    switch (outcome) {
    case TargetResult::Outcome::Ok: return QStringLiteral("ok");
    case TargetResult::Outcome::Failed: return QStringLiteral("failed");
    case TargetResult::Outcome::Skipped: return QStringLiteral("skipped");
    }
    return QString();
}

QString resultsText(const std::vector<TargetResult>& results) {
    QString out;
    for (const TargetResult& r : results) {
        QString who;
        if (r.controller) {
            who = ipOf(r) + u' ' + macOf(r);
            const QString nick = tools::toQString(model::nicknameText(*r.controller));
            if (!nick.isEmpty()) who += QStringLiteral(" \"") + printableText(nick) + u'"';
        } else {
            who = printableText(r.target);
        }
        out += who + QStringLiteral(": ") + outcomeWord(r.outcome);
        if (!r.message.isEmpty()) out += QStringLiteral(": ") + printableText(r.message);
        out += u'\n';
        for (const auto& c : r.changes)
            out += QStringLiteral("    ") + QString::fromStdString(c.key) + QStringLiteral(": ") +
                   printableText(shown(c.before)) + kArrow + printableText(shown(c.after)) + u'\n';
        for (const QString& note : r.notes) out += QStringLiteral("    note: ") + printableText(note) + u'\n';
    }
    return out;
}

QByteArray resultsJson(const std::vector<TargetResult>& results) {
    QList<QJsonObject> objects;
    for (const TargetResult& r : results) {
        QJsonArray changes;
        for (const auto& c : r.changes)
            changes.append(QJsonObject{{QStringLiteral("key"), QString::fromStdString(c.key)},
                                       {QStringLiteral("old"), jsonValue(c.before)},
                                       {QStringLiteral("new"), jsonValue(c.after)}});
        QJsonObject o{{QStringLiteral("target"), r.target},
                      {QStringLiteral("ip"), r.controller ? QJsonValue(ipOf(r)) : QJsonValue(QJsonValue::Null)},
                      {QStringLiteral("mac"), r.controller ? QJsonValue(macOf(r)) : QJsonValue(QJsonValue::Null)},
                      {QStringLiteral("action"), r.action},
                      {QStringLiteral("result"), outcomeWord(r.outcome)},
                      {QStringLiteral("message"), r.message},
                      {QStringLiteral("changes"), changes}};
        if (!r.notes.isEmpty()) o[QStringLiteral("notes")] = QJsonArray::fromStringList(r.notes);
        objects.append(o);
    }
    return jsonArrayLines(objects);
}

QByteArray controllersStatusJson(const std::vector<model::TNodaluxCtrl>& controllers) {
    if (controllers.empty()) return QByteArrayLiteral("[]\n");
    QByteArray out = "[\n";
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        out += QByteArray::fromStdString(model::statusJson(controllers[i]));
        out += i + 1 < controllers.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

} // namespace vantrel::cli
