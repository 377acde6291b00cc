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
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>

#include "bench/support/BenchWindow.h"
#include "diagnostics/DiagnosticGrid.h"

namespace {

using namespace vantrel::bench;

constexpr int kSkip = 77;
constexpr int kSettleMs = 1000;
constexpr int kQuietMs = 1500;       // nothing more arrives: the burst is over
constexpr int kSenderTimeoutMs = 60000;
constexpr int kDiagnosticsTab = 1;
constexpr int kBucket = 1000;

QTextStream out(stdout);
QTextStream err(stderr);

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

struct Flood {
    bool started = false;
    bool finished = false; // the sender ended and the window took what came
    QString output;        // the sender's report
};

// Floods the window from the lan side, the pulse measuring meanwhile, until
// the sender has finished and `progress` has settled.
template <typename Progress>
Flood runFlood(const vantrel::labtest::Lab& lab, const Options& o, Pulse& pulse, Progress progress) {
    Flood flood;
    QProcess sender;
    flood.started = startSender(sender, lab, o);
    if (!flood.started) {
        err << "flood_sender did not start\n";
        return flood;
    }
    // Starting a process holds this thread; the sender encodes its
    // datagrams before it sends the first, so nothing is missed.
    pulse.start();
    flood.finished = waitForQuiet(sender, progress);
    pulse.stop();
    flood.output = QString::fromUtf8(sender.readAll()).trimmed();
    return flood;
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
        const Flood flood = runFlood(lab, o, pulse, [&] { return lastRowAt; });
        if (!flood.started) return 1;
        const bool finished = flood.finished;
        const QString sent = flood.output;

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
                   .arg(pulse.longestText())
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
    const Flood flood = runFlood(lab, o, pulse, [&] { return handled; });
    if (!flood.started) return 1;
    const bool finished = flood.finished;
    out << flood.output << "\n";
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
               .arg(pulse.longestText())
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

    BenchWindow window;
    // A development build: its Diagnostics tab can be brought to the front.
    if (!window.open(lab, vantrel::app::Branding{0, {2, 3, 23}, true}, err)) return 1;
    vantrel::app::TForm1& form = *window.form;
    vantrel::net::QtUdpEndpoint& endpoint = window.endpoint;
    out << "receive buffer: " << endpoint.receiveBufferSize() << " bytes\n";
    const int status = o.kind == QLatin1String("diagnostics") ? diagnosticsFlood(form, endpoint, lab, o)
                                                               : replyFlood(form, endpoint, lab, o);
    out.flush();
    form.close();
    return status;
}
