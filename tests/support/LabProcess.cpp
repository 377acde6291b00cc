#include "tests/support/LabProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <unistd.h>

namespace vantrel::labtest {

namespace {

constexpr int kStopGraceMs = 3000;
const QString kIp = QStringLiteral("ip");
const QRegularExpression kReady(QStringLiteral("^(nodalux-sim: )?ready\\b"));

QStringList inNamespace(const QString& ns, const QString& program, const QStringList& args) {
    return QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns, program} + args;
}

QStringList onLan(const Lab& lab, const QString& program, const QStringList& args) {
    return inNamespace(lab.lanNamespace, program, args);
}

} // namespace

Lab Lab::fromEnvironment() {
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Lab lab;
    lab.lanNamespace = env.value(QStringLiteral("VANTREL_LAB_LAN_NS"));
    lab.pcAddress = env.value(QStringLiteral("VANTREL_LAB_PC_IP"));
    lab.mask = env.value(QStringLiteral("VANTREL_LAB_MASK"));
    lab.hosts = env.value(QStringLiteral("VANTREL_LAB_HOSTS")).toInt();
    lab.simPath = env.value(QStringLiteral("VANTREL_SIM"));
    lab.cliPath = env.value(QStringLiteral("VANTREL_CLI"));
    lab.appPath = env.value(QStringLiteral("VANTREL_APP"));
    lab.otherNamespace = env.value(QStringLiteral("VANTREL_LAB_OTHER_NS"));
    lab.otherPcAddress = env.value(QStringLiteral("VANTREL_LAB_PCX_IP"));
    lab.otherAddress = env.value(QStringLiteral("VANTREL_LAB_OTHER_IP"));
    lab.inLab = !lab.lanNamespace.isEmpty() && !lab.pcAddress.isEmpty();
    return lab;
}

QString Lab::missing(bool needsCli) const {
    if (!inLab)
        return QStringLiteral("not inside the network lab: run it through scripts/netlab.sh (CTest does)");
    if (::geteuid() != 0)
        return QStringLiteral("the lab's commands need root");
    if (simPath.isEmpty() || !QFileInfo(simPath).isExecutable())
        return QStringLiteral("VANTREL_SIM must name the built nodalux-sim");
    if (needsCli && (cliPath.isEmpty() || !QFileInfo(cliPath).isExecutable()))
        return QStringLiteral("VANTREL_CLI must name the built vantrel-cli");
    return {};
}

SimProcess::~SimProcess() { stop(); }

bool SimProcess::start(const Lab& lab, const QStringList& args, int timeoutMs, QString& error, const QString& ns) {
    stop();
    m_process = std::make_unique<QProcess>();
    // It announces "ready" on either stream ("nodalux-sim: ready: 15 controllers").
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // "ip netns exec" replaces itself with the simulator, so terminate() reaches it.
    m_process->start(kIp, inNamespace(ns.isEmpty() ? lab.lanNamespace : ns, lab.simPath, args));
    if (!m_process->waitForStarted(timeoutMs)) {
        error = QStringLiteral("nodalux-sim did not start: ") + m_process->errorString();
        return false;
    }
    QByteArray seen;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (m_process->canReadLine()) {
            const QByteArray line = m_process->readLine();
            seen += line;
            if (kReady.match(QString::fromUtf8(line)).hasMatch())
                return true;
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
        m_process->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
    seen += m_process->readAllStandardOutput();
    error = QStringLiteral("nodalux-sim %1 did not print \"ready\"; it printed:\n%2")
                .arg(args.join(u' '), QString::fromUtf8(seen));
    stop();
    return false;
}

void SimProcess::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(kStopGraceMs)) {
            m_process->kill();
            m_process->waitForFinished(kStopGraceMs);
        }
    }
    m_process.reset();
}

QList<QJsonObject> jsonLines(const QString& path) {
    QList<QJsonObject> lines;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return lines;
    while (!f.atEnd()) {
        const QJsonDocument doc = QJsonDocument::fromJson(f.readLine());
        if (doc.isObject()) lines << doc.object();
    }
    return lines;
}

RunResult run(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    RunResult r;
    if (!p.waitForStarted(timeoutMs))
        return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(kStopGraceMs);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

RunResult runOnLan(const Lab& lab, const QString& program, const QStringList& args, int timeoutMs) {
    return run(kIp, onLan(lab, program, args), timeoutMs);
}

} // namespace vantrel::labtest
