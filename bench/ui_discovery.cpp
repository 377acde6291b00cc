// Main window discovery benchmark (not a test). Inside the network lab, N
// simulated controllers (nodalux-sim --count N on the lab's "lan" side) answer
// one poll; the main window, wired as the program wires it (system adapter
// list, Qt endpoint), runs offscreen on the "pc" side. Searches by the window
// and by a bare socket (bench/support/BareSocket.h) alternate, the order
// swapping every round. For each window search it measures:
//   - the time from the click to the N-th grid row (every reply decoded,
//     listed and placed in sort order by nickname);
//   - the longest time the UI thread was blocked meanwhile (the largest gap
//     between two turns of the event loop, seen by a zero-interval timer);
//   - whether every controller was listed;
// for each bare search the time from the poll to the N-th reply; and, once
// per process, the resident memory before the first search and its peak.
//
//   ui_discovery_bench N [rounds]
// Run it through bench/ui_discovery.sh, which builds the lab.

#include <QApplication>
#include <QPushButton>

#include "bench/support/BareSocket.h"
#include "bench/support/BenchWindow.h"

namespace {

constexpr int kSimStartMs = 30000;
constexpr int kSearchTimeoutMs = 20000;
constexpr int kSettleMs = 500; // quiet time between searches
constexpr int kDefaultRounds = 5;
constexpr int kSkip = 77;

struct Search {
    double toLastRowMs = -1; // -1: not all rows arrived
    QString longestBlock;
    double longestBlockMs = 0;
    double longestBlockCpuMs = 0; // of it, on the CPU
    int rows = 0;
    int datagrams = 0; // handed to the window by the endpoint
    int batches = 0;   // batches they came in
};

} // namespace

int main(int argc, char* argv[]) {
    using namespace vantrel::bench;
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const int count = args.value(0).toInt();
    const int rounds = args.size() > 1 ? args.value(1).toInt() : kDefaultRounds;
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (count <= 0 || rounds <= 0) {
        err << "usage: ui_discovery_bench N [rounds]\n";
        return 2;
    }

    const vantrel::labtest::Lab lab = vantrel::labtest::Lab::fromEnvironment();
    if (const QString missing = lab.missing(false); !missing.isEmpty()) {
        err << "ui_discovery_bench: skipped: " << missing << "\n";
        return kSkip;
    }
    vantrel::labtest::SimProcess sim;
    QString error;
    if (!sim.start(lab, {QStringLiteral("--count"), QString::number(count), QStringLiteral("--max-delay-ms"),
                         QStringLiteral("0")},
                   kSimStartMs, error)) {
        err << error << "\n";
        return 1;
    }

    BenchWindow window;
    if (!window.open(lab, vantrel::app::Branding{}, err)) return 1;
    vantrel::app::TForm1& form = *window.form;
    spin(kSettleMs);
    const long rssBeforeKiB = statusKiB("VmRSS");

    // The N-th row is in its place once the batch that brought it is shown.
    Pulse pulse;
    qint64 lastRowAt = -1;
    bool inSearch = false;
    QObject::connect(&form.gridModel(), &QAbstractItemModel::layoutChanged, [&] {
        if (inSearch && form.gridModel().rowCount() == count && lastRowAt < 0) lastRowAt = pulse.now();
    });
    int datagrams = 0;
    int batches = 0;
    QObject::connect(&window.endpoint, &vantrel::net::UdpEndpoint::datagramReceived, [&] { ++datagrams; });
    QObject::connect(&window.endpoint, &vantrel::net::UdpEndpoint::batchDelivered, [&] { ++batches; });

    const auto windowSearch = [&] {
        lastRowAt = -1;
        inSearch = true;
        datagrams = batches = 0;
        // The click is handled inside the pulse's first measurement.
        pulse.start();
        const qint64 searchStart = pulse.now();
        form.Net_Search->click();
        QElapsedTimer wait;
        wait.start();
        while (lastRowAt < 0 && wait.elapsed() < kSearchTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pulse.stop();
        inSearch = false;
        Search r;
        r.rows = form.gridModel().rowCount();
        r.datagrams = datagrams;
        r.batches = batches;
        r.longestBlock = pulse.longestText();
        r.longestBlockMs = pulse.longestMs();
        r.longestBlockCpuMs = pulse.longestCpuMs();
        if (lastRowAt >= 0) r.toLastRowMs = (lastRowAt - searchStart) / 1e6;
        return r;
    };
    const auto bareSearch = [&] {
        // The bare socket takes the endpoint's address for its turn.
        window.endpoint.close();
        const BareRun bare = runBareSocket(lab.pcAddress.toStdString(), count, kSearchTimeoutMs);
        window.endpoint.bind(QHostAddress(lab.pcAddress));
        return bare;
    };

    std::vector<double> toLast, blocked, blockedCpu, bare;
    int searches = 0;
    int bareRuns = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((round + turn) % 2 == 0) {
                const Search r = windowSearch();
                ++searches;
                blocked.push_back(r.longestBlockMs);
                blockedCpu.push_back(r.longestBlockCpuMs);
                if (r.toLastRowMs >= 0) toLast.push_back(r.toLastRowMs);
                out << QStringLiteral("round %1 window: %2 rows (%3 datagrams in %4 batches), last row after %5 ms, "
                                      "longest block %6\n")
                           .arg(round + 1)
                           .arg(r.rows)
                           .arg(r.datagrams)
                           .arg(r.batches)
                           .arg(r.toLastRowMs, 0, 'f', 1)
                           .arg(r.longestBlock);
            } else {
                const BareRun b = bareSearch();
                ++bareRuns;
                if (b.complete) bare.push_back(b.ms);
                out << QStringLiteral("round %1 bare:   %2 replies, last after %3 ms%4\n")
                           .arg(round + 1)
                           .arg(b.received)
                           .arg(b.ms, 0, 'f', 1)
                           .arg(b.complete ? QString() : QStringLiteral(" (INCOMPLETE)"));
            }
            out.flush();
            spin(kSettleMs);
        }
    }

    out << "controllers: " << count << ", rounds: " << rounds << "\n";
    out << QStringLiteral("window: all rows listed in %1 of %2; time to the last row %3\n")
               .arg(toLast.size())
               .arg(searches)
               .arg(spread(toLast));
    out << QStringLiteral("bare socket: all replies in %1 of %2; %3\n").arg(bare.size()).arg(bareRuns).arg(spread(bare));
    out << QStringLiteral("ratio window / bare (medians): %1\n")
               .arg(median(bare) > 0 ? median(toLast) / median(bare) : 0, 0, 'f', 2);
    out << QStringLiteral("longest block: %1; on the CPU: %2\n").arg(spread(blocked), spread(blockedCpu));
    out << QStringLiteral("memory: %1 MiB resident before the first search, %2 MiB after, peak %3 MiB\n")
               .arg(mib(rssBeforeKiB), mib(statusKiB("VmRSS")), mib(statusKiB("VmHWM")));
    out.flush();
    form.close();
    return static_cast<int>(toLast.size()) == searches && static_cast<int>(bare.size()) == bareRuns ? 0 : 3;
}
