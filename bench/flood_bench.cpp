// Receive-flood benchmark (not a test). Inside the network lab the main
// window (wired as the program wires it: the system's adapter list, the Qt
// endpoint; offscreen) runs on the "pc" side, and flood_sender floods its
// endpoint from the "lan" side.
//
//   flood_bench diagnostics --sender PATH [--count N] [--rate R] [--bursts B] [--shown]
//       B bursts (default 2) of N diagnostic messages (default 10,000, 470
//       bytes each), R a second (default 0: back to back), with the
//       Diagnostics tab hidden or, with --shown, in front. For each burst:
//       the rows listed and whether every message of the burst is among them,
//       messages ingested per second (from the first datagram handed over to
//       the last row added), the longest the window was held, the datagrams
//       the kernel dropped for want of buffer room, resident memory.
//   flood_bench replies --sender PATH [--count N] [--rate R]
//       N poll replies (default 30,000), each naming a new controller, R a
//       second (default 20,000): replies handled per second for every 1000
//       handled, against the list's size at the time (the list takes 10,000
//       and drops and counts the rest), the longest the window was held, the
//       list's count of dropped replies as the Diagnostics tab shows it.
//
// Run it through bench/flood.sh, which builds the lab.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <vector>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "diagnostics/DiagnosticGrid.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tests/support/LabProcess.h"
#include "ui/testing/ScriptedServices.h"

namespace {

constexpr int kSkip = 77;
constexpr int kSettleMs = 1000;
constexpr int kQuietMs = 1500;       // nothing more arrives: the burst is over
constexpr int kSenderTimeoutMs = 60000;
constexpr int kDiagnosticsTab = 1;
constexpr int kBucket = 1000;

QTextStream out(stdout);
QTextStream err(stderr);

long statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix)) return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// UDP datagrams this network namespace dropped for want of receive-buffer room.
long receiveBufferErrors() {
    QFile snmp(QStringLiteral("/proc/net/snmp"));
    if (!snmp.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> lines = snmp.readAll().split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("Udp:") || !lines[i + 1].startsWith("Udp:")) continue;
        const QList<QByteArray> names = lines[i].simplified().split(' ');
        const QList<QByteArray> values = lines[i + 1].simplified().split(' ');
        const qsizetype at = names.indexOf("RcvbufErrors");
        return at < 0 ? -1 : values.value(at).toLong();
    }
    return -1;
}

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString mib(long kib) { return QString::number(kib / 1024.0, 'f', 1); }

// The UI thread's own CPU time: on a shared machine a long gap may be time
// the thread waited for a CPU rather than time it worked.
qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// The event loop's pulse: a zero-interval timer fires on every turn; the
// largest gap between two firings is the longest the UI thread was held.
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
    qint64 now() const { return m_clock.nsecsElapsed(); }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longest = 0;
    qint64 m_longestCpu = 0;
};

QString blockText(const Pulse& pulse) {
    return QStringLiteral("%1 ms (%2 ms of it on the CPU)")
        .arg(pulse.longestMs(), 0, 'f', 1)
        .arg(pulse.longestCpuMs(), 0, 'f', 1);
}

struct Options {
    QString kind;
    QString sender;
    int count = 0;
    int rate = -1;
    int bursts = 2;
    bool shown = false;
};

bool parse(QStringList args, Options& o) {
    o.shown = args.removeAll(QStringLiteral("--shown")) > 0;
    if (args.isEmpty()) return false;
    o.kind = args.takeFirst();
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        const QString& name = args[i];
        const QString& value = args[i + 1];
        if (name == QLatin1String("--sender"))
            o.sender = value;
        else if (name == QLatin1String("--count"))
            o.count = value.toInt();
        else if (name == QLatin1String("--rate"))
            o.rate = value.toInt();
        else if (name == QLatin1String("--bursts"))
            o.bursts = value.toInt();
        else
            return false;
    }
    const bool diagnostics = o.kind == QLatin1String("diagnostics");
    if (o.count == 0) o.count = diagnostics ? 10000 : 30000;
    if (o.rate < 0) o.rate = diagnostics ? 0 : 20000;
    return args.size() % 2 == 0 && (diagnostics || o.kind == QLatin1String("replies")) && !o.sender.isEmpty() &&
           o.count > 0 && o.bursts > 0;
}

// flood_sender on the lan side; false with its output when it fails.
bool startSender(QProcess& sender, const vantrel::labtest::Lab& lab, const Options& o) {
    const QString from = qEnvironmentVariable("VANTREL_LAB_FIRST_IP", QStringLiteral("10.77.1.1"));
    sender.setProcessChannelMode(QProcess::MergedChannels);
    sender.start(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), lab.lanNamespace, o.sender,
                                        o.kind, QStringLiteral("--from"), from, QStringLiteral("--to"), lab.pcAddress,
                                        QStringLiteral("--count"), QString::number(o.count), QStringLiteral("--rate"),
                                        QString::number(o.rate)});
    return sender.waitForStarted();
}

// Waits until the sender has finished and `progress` has not changed for kQuietMs.
template <typename Progress>
bool waitForQuiet(QProcess& sender, Progress progress) {
    QElapsedTimer total, quiet;
    total.start();
    quiet.start();
    auto last = progress();
    while (total.elapsed() < kSenderTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const auto now = progress();
        if (now != last) {
            last = now;
            quiet.restart();
        }
        if (sender.state() == QProcess::NotRunning && quiet.elapsed() >= kQuietMs) return true;
    }
    return false;
}

int diagnosticsFlood(vantrel::app::TForm1& form, vantrel::net::QtUdpEndpoint& endpoint,
                     const vantrel::labtest::Lab& lab, const Options& o) {
    auto* grid = form.gridDiagnostic;
    auto* model = grid->diagnosticModel();
    if (o.shown) form.tabControl1->setCurrentIndex(kDiagnosticsTab);
    spin(kSettleMs);
    out << "diagnostics flood: " << o.bursts << " bursts of " << o.count << " messages, "
        << (o.rate > 0 ? QStringLiteral("%1 a second").arg(o.rate) : QStringLiteral("back to back"))
        << ", Diagnostics tab " << (o.shown ? "in front (shown)" : "hidden") << "\n";
    out << "memory before: " << mib(statusKiB("VmRSS")) << " MiB resident\n";

    Pulse pulse;
    qint64 firstAt = -1, lastRowAt = -1;
    QObject::connect(&endpoint, &vantrel::net::UdpEndpoint::datagramReceived, [&] {
        if (firstAt < 0) firstAt = pulse.now();
    });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { lastRowAt = pulse.now(); });

    bool allWhole = true;
    for (int b = 0; b < o.bursts; ++b) {
        firstAt = lastRowAt = -1;
        const long dropsBefore = receiveBufferErrors();
        const int rowsBefore = grid->rowCount();
        QProcess sender;
        if (!startSender(sender, lab, o)) {
            err << "flood_sender did not start\n";
            return 1;
        }
        // Starting a process holds this thread; the sender encodes its
        // datagrams before it sends the first, so nothing is missed.
        pulse.start();
        const bool finished = waitForQuiet(sender, [&] { return lastRowAt; });
        pulse.stop();
        const QString sent = QString::fromUtf8(sender.readAll()).trimmed();

        // Every message of the burst is listed when the rows hold each number once.
        QSet<int> numbers;
        static const QRegularExpression number(QStringLiteral("^message (\\d+) "));
        for (int r = 0; r < std::min(grid->rowCount(), o.count); ++r) {
            const auto m = number.match(grid->cellText(r, vantrel::diagnostics::DiagnosticModel::ColMessage));
            if (m.hasMatch()) numbers.insert(m.captured(1).toInt());
        }
        const int expected = std::min(o.count, vantrel::diagnostics::DiagnosticModel::kMaxRows);
        const bool whole = numbers.size() == expected &&
                           grid->rowCount() == std::min(rowsBefore + o.count, vantrel::diagnostics::DiagnosticModel::kMaxRows);
        allWhole = allWhole && whole && finished;
        const double seconds = firstAt >= 0 && lastRowAt > firstAt ? (lastRowAt - firstAt) / 1e9 : 0;
        out << QStringLiteral("burst %1: %2; %3 rows, %4 of the burst's %5 messages listed%6; ingested %7 messages/s "
                              "(first datagram to last row %8 ms); longest block %9; kernel drops %10; "
                              "resident %11 MiB (peak %12 MiB)\n")
                   .arg(b + 1)
                   .arg(sent)
                   .arg(grid->rowCount())
                   .arg(numbers.size())
                   .arg(o.count)
                   .arg(whole ? QStringLiteral(" (whole)") : QStringLiteral(" (NOT WHOLE)"))
                   .arg(seconds > 0 ? QString::number(numbers.size() / seconds, 'f', 0) : QStringLiteral("-"))
                   .arg(seconds * 1000, 0, 'f', 1)
                   .arg(blockText(pulse))
                   .arg(receiveBufferErrors() - dropsBefore)
                   .arg(mib(statusKiB("VmRSS")))
                   .arg(mib(statusKiB("VmHWM")));
        out.flush();
        spin(kSettleMs);
    }
    return allWhole ? 0 : 3;
}

int replyFlood(vantrel::app::TForm1& form, vantrel::net::QtUdpEndpoint& endpoint, const vantrel::labtest::Lab& lab,
               const Options& o) {
    const auto& list = form.controllers();
    form.Net_Search->click(); // an empty list; nothing in the lab answers the poll
    spin(kSettleMs);
    out << "reply flood: " << o.count << " replies each naming a new controller, "
        << (o.rate > 0 ? QStringLiteral("%1 a second").arg(o.rate) : QStringLiteral("back to back")) << "\n";
    const long rssBefore = statusKiB("VmRSS");

    // One mark per 1000 replies handled: when, and how long the list was.
    struct Mark {
        qint64 at;
        std::size_t listed;
    };
    std::vector<Mark> marks;
    Pulse pulse;
    int handled = 0;
    QObject::connect(&endpoint, &vantrel::net::UdpEndpoint::datagramReceived, [&] {
        if (handled++ % kBucket == 0) marks.push_back({pulse.now(), list.size()});
    });
    const long dropsBefore = receiveBufferErrors();
    QProcess sender;
    if (!startSender(sender, lab, o)) {
        err << "flood_sender did not start\n";
        return 1;
    }
    pulse.start();
    const bool finished = waitForQuiet(sender, [&] { return handled; });
    pulse.stop();
    out << QString::fromUtf8(sender.readAll()).trimmed() << "\n";
    out << "replies handled per second, for each " << kBucket << " handled, by the list's size then:\n";
    for (std::size_t i = 1; i < marks.size(); ++i) {
        const double seconds = (marks[i].at - marks[i - 1].at) / 1e9;
        out << QStringLiteral("  %1-%2 listed: %3 /s\n")
                   .arg(marks[i - 1].listed, 5)
                   .arg(marks[i].listed, 5)
                   .arg(seconds > 0 ? kBucket / seconds : 0.0, 0, 'f', 0);
    }
    out << QStringLiteral("handled %1 of %2; listed %3; %4; kernel drops %5; longest block %6; "
                          "resident %7 -> %8 MiB (peak %9 MiB)\n")
               .arg(handled)
               .arg(o.count)
               .arg(list.size())
               .arg(form.lblDroppedReplies->text())
               .arg(receiveBufferErrors() - dropsBefore)
               .arg(blockText(pulse))
               .arg(mib(rssBefore))
               .arg(mib(statusKiB("VmRSS")))
               .arg(mib(statusKiB("VmHWM")));
    return finished ? 0 : 3;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    Options o;
    if (!parse(QCoreApplication::arguments().mid(1), o)) {
        err << "usage: flood_bench diagnostics|replies --sender PATH [--count N] [--rate R] [--bursts B] [--shown]\n";
        return 2;
    }
    const vantrel::labtest::Lab lab = vantrel::labtest::Lab::fromEnvironment();
    if (!lab.inLab) {
        err << "flood_bench: skipped: not inside the network lab (run bench/flood.sh)\n";
        return kSkip;
    }

    vantrel::ui::testing::ScriptedServices services;
    vantrel::net::SystemAdapterProvider adapters;
    vantrel::net::QtUdpEndpoint endpoint;
    // A development build: its Diagnostics tab can be brought to the front.
    vantrel::app::TForm1 form(vantrel::app::Branding{0, {2, 3, 23}, true}, services, adapters, endpoint);
    vantrel::app::createWindows(form, services);
    form.show();
    const int labAdapter = form.comboNetAdapter->findText(lab.pcAddress);
    if (labAdapter < 0) {
        err << "the lab's adapter " << lab.pcAddress << " is not listed\n";
        return 1;
    }
    form.comboNetAdapter->setCurrentIndex(labAdapter);
    if (!endpoint.isBound()) {
        err << "the endpoint could not be bound\n";
        return 1;
    }
    out << "receive buffer: " << endpoint.receiveBufferSize() << " bytes\n";
    const int status = o.kind == QLatin1String("diagnostics") ? diagnosticsFlood(form, endpoint, lab, o)
                                                               : replyFlood(form, endpoint, lab, o);
    out.flush();
    form.close();
    return status;
}
