#pragma once
// The simulator on the network lab's "lan" side, for the main window's lab
// test and the discovery benchmark. Both run inside scripts/netlab.sh, which
// names the lan namespace in VANTREL_LAB_LAN_NS; VANTREL_SIM names the
// simulator program.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <unistd.h>

namespace apptest {

struct LabEnvironment {
    QString lanNamespace = qEnvironmentVariable("VANTREL_LAB_LAN_NS");
    QString pcAddress = qEnvironmentVariable("VANTREL_LAB_PC_IP");
    QString simPath = qEnvironmentVariable("VANTREL_SIM");

    // Why it cannot run here; empty when it can.
    QString missing() const {
        if (lanNamespace.isEmpty() || pcAddress.isEmpty())
            return QStringLiteral("not inside the network lab: run it through scripts/netlab.sh (CTest does)");
        if (::geteuid() != 0) return QStringLiteral("the lab's commands need root");
        if (simPath.isEmpty()) return QStringLiteral("VANTREL_SIM must name the built nodalux-sim");
        return {};
    }
};

// nodalux-sim running on the lan side until destroyed.
class LabSim {
public:
    ~LabSim() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(kStopGraceMs)) m_process.kill();
            m_process.waitForFinished(kStopGraceMs);
        }
    }

    // Starts it with `args` and waits for its "ready" line; false with what it printed.
    bool start(const LabEnvironment& lab, const QStringList& args, int timeoutMs, QString& error) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // "ip netns exec" replaces itself with the simulator, so terminate() reaches it.
        m_process.start(QStringLiteral("ip"),
                        QStringList{QStringLiteral("netns"), QStringLiteral("exec"), lab.lanNamespace, lab.simPath} +
                            args);
        QByteArray seen;
        const QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine();
                seen += line;
                if (line.startsWith("nodalux-sim: ready")) return true;
            }
        }
        error = QStringLiteral("nodalux-sim did not become ready; it printed:\n") + QString::fromUtf8(seen) +
                QString::fromUtf8(m_process.readAll());
        return false;
    }

private:
    static constexpr int kStopGraceMs = 3000;
    QProcess m_process;
};

} // namespace apptest
