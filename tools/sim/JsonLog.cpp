#include "tools/sim/JsonLog.h"

#include <QJsonDocument>

#include <cstdio>

namespace vantrel::sim {

bool JsonLog::open(const QString& path, QString& error) {
    clock_.start();
    if (path.isEmpty()) return true;
    const bool ok = path == QStringLiteral("-")
                        ? file_.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
                        : (file_.setFileName(path),
                           file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered));
    if (!ok) error = QStringLiteral("cannot write the log %1: %2").arg(path, file_.errorString());
    return ok;
}

void JsonLog::write(QJsonObject line) {
    if (!file_.isOpen()) return;
    line[QStringLiteral("ms")] = clock_.elapsed();
    QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact);
    text.append('\n');
    file_.write(text);
    file_.flush();
}

} // namespace vantrel::sim
