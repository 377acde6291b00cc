#pragma once
// The simulator's log: one compact JSON object a line, written and flushed at
// once so that a test reading the file sees every line as soon as it happened.
// Each line gets "ms", the milliseconds since the log was opened.

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QString>

namespace vantrel::sim {

class JsonLog {
  public:
    // "-" is standard output; an empty path logs nothing.
    bool open(const QString& path, QString& error);
    bool enabled() const { return file_.isOpen(); }
    void write(QJsonObject line);

  private:
    QFile file_;
    QElapsedTimer clock_;
};

} // namespace vantrel::sim
