#pragma once
// Processes of a lab test: the simulator on the lab's "lan" side, the command
// line on the "pc" side (where the test itself runs), and what the lab script
// tells the test through its environment.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

namespace vantrel::labtest {

// The lab as scripts/netlab.sh describes it; `inLab` is false outside it.
struct Lab {
    bool inLab = false;
    QString lanNamespace;
    QString pcAddress; // the adapter address of the pc side, 10.77.0.1
    QString mask;
    int hosts = 0;
    QString simPath; // nodalux-sim
    QString cliPath; // vantrel-cli
    QString appPath; // vantrel (VANTREL_APP), for tests that run the program itself
    // The second segment: the pc's other adapter and the "other" namespace's address.
    QString otherNamespace;
    QString otherPcAddress; // 172.31.77.1
    QString otherAddress;   // 172.31.77.2
    static Lab fromEnvironment();
    // Why the tests cannot run here; empty when they can. Tests that do not
    // run the command line pass false.
    QString missing(bool needsCli = true) const;
};

// A simulator running in the lan namespace until stop() or destruction.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts `nodalux-sim args...` on the lan side (or in the namespace
    // `ns`) and waits until it prints "ready". False, with what it printed in
    // `error`, when it does not.
    bool start(const Lab& lab, const QStringList& args, int timeoutMs, QString& error, const QString& ns = {});
    void stop();

private:
    std::unique_ptr<QProcess> m_process;
};

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

// The objects of a JSON-lines file (the simulator's --log), so far.
QList<QJsonObject> jsonLines(const QString& path);

// Runs a program to its end (on the side the test runs on).
RunResult run(const QString& program, const QStringList& args, int timeoutMs);
// Runs a program on the lan side.
RunResult runOnLan(const Lab& lab, const QString& program, const QStringList& args, int timeoutMs);

} // namespace vantrel::labtest
