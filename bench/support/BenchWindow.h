#pragma once
// What the lab benchmarks of the main window share: the window wired as the
// program wires it (the system's adapter list, the Qt endpoint, offscreen)
// and bound to the lab's adapter, the event loop's pulse (how long the window
// was held), and the process's memory.

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tests/support/LabProcess.h"
#include "ui/testing/ScriptedServices.h"

namespace vantrel::bench {

// A line of /proc/self/status ("VmRSS", "VmHWM") in KiB; -1 when unreadable.
inline long statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix)) return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

inline QString mib(long kib) { return QString::number(kib / 1024.0, 'f', 1); }

// Runs the event loop for `ms`.
inline void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The UI thread's own CPU time: on a shared machine a long gap may be time
// the thread waited for a CPU rather than time it worked.
inline qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// The event loop's pulse: a zero-interval timer fires on every turn; the
// largest gap between two firings is the longest the window was held.
class Pulse {
public:
    Pulse() {
        m_clock.start();
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuNs();
            if (now - m_last > m_longest) {
                m_longest = now - m_last;
                m_longestCpu = cpu - m_lastCpu;
            }
            m_last = now;
            m_lastCpu = cpu;
        });
    }
    void start() {
        m_longest = m_longestCpu = 0;
        m_last = m_clock.nsecsElapsed();
        m_lastCpu = threadCpuNs();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return m_longest / 1e6; }
    // How much of the longest gap the thread spent on a CPU.
    double longestCpuMs() const { return m_longestCpu / 1e6; }
    QString longestText() const {
        return QStringLiteral("%1 ms (%2 ms of it on the CPU)").arg(longestMs(), 0, 'f', 1).arg(longestCpuMs(), 0, 'f', 1);
    }
    // Nanoseconds on the pulse's clock.
    qint64 now() const { return m_clock.nsecsElapsed(); }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longest = 0;
    qint64 m_longestCpu = 0;
};

// The main window bound to the lab's adapter.
struct BenchWindow {
    ui::testing::ScriptedServices services;
    net::SystemAdapterProvider adapters;
    net::QtUdpEndpoint endpoint;
    std::unique_ptr<app::TForm1> form;

    // False, with the reason on `err`, when the lab's adapter cannot be bound.
    bool open(const labtest::Lab& lab, const app::Branding& branding, QTextStream& err) {
        form = std::make_unique<app::TForm1>(branding, services, adapters, endpoint);
        app::createWindows(*form, services);
        form->show();
        const int labAdapter = form->comboNetAdapter->findText(lab.pcAddress);
        if (labAdapter < 0) {
            err << "the lab's adapter " << lab.pcAddress << " is not listed\n";
            return false;
        }
        form->comboNetAdapter->setCurrentIndex(labAdapter);
        if (!endpoint.isBound()) {
            err << "the endpoint could not be bound\n";
            return false;
        }
        return true;
    }
};

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// "median M ms (min-max)" of a series.
inline QString spread(const std::vector<double>& v) {
    const double lo = v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
    const double hi = v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    return QStringLiteral("median %1 ms (%2-%3)").arg(median(v), 0, 'f', 1).arg(lo, 0, 'f', 1).arg(hi, 0, 'f', 1);
}

} // namespace vantrel::bench
