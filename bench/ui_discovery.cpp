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
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <vector>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "bench/support/BareSocket.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tests/support/LabProcess.h"
#include "ui/testing/ScriptedServices.h"

namespace {

constexpr int kSimStartMs = 30000;
constexpr int kSearchTimeoutMs = 20000;
constexpr int kSettleMs = 500; // quiet time between searches
constexpr int kDefaultSearches = 5;
constexpr int kSkip = 77;

// A line of /proc/self/status ("VmRSS", "VmHWM") in KiB.
long statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Search {
    double toLastRowMs = -1; // -1: not all rows arrived
    double longestBlockMs = 0;
    double longestBlockCpuMs = 0; // of it, on the CPU
    int rows = 0;
    int datagrams = 0; // handed to the window by the endpoint
    int batches = 0;   // batches they came in
};

qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64{t.tv_sec} * 1000000000 + t.tv_nsec;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const int count = args.value(0).toInt();
    const int rounds = args.size() > 1 ? args.value(1).toInt() : kDefaultSearches;
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

    vantrel::ui::testing::ScriptedServices services;
    vantrel::net::SystemAdapterProvider adapters;
    vantrel::net::QtUdpEndpoint endpoint;
    vantrel::app::TForm1 form(vantrel::app::Branding{}, services, adapters, endpoint);
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
    spin(kSettleMs);
    const long rssBeforeKiB = statusKiB("VmRSS");

    // The event loop's pulse: a zero-interval timer fires on every turn; the
    // largest gap between two firings is the longest the UI thread was busy.
    // The thread's own CPU time tells how much of the longest gap it worked:
    // on a shared machine the rest is time it waited for a CPU.
    QElapsedTimer clock;
    clock.start();
    qint64 lastBeat = clock.nsecsElapsed();
    qint64 lastCpu = threadCpuNs();
    qint64 longestGap = 0;
    qint64 longestGapCpu = 0;
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (now - lastBeat > longestGap) {
            longestGap = now - lastBeat;
            longestGapCpu = cpu - lastCpu;
        }
        lastBeat = now;
        lastCpu = cpu;
    });

    // The N-th row is in its place once the batch that brought it is shown.
    qint64 lastRowAt = -1;
    bool inSearch = false;
    QObject::connect(&form.gridModel(), &QAbstractItemModel::layoutChanged, [&] {
        if (inSearch && form.gridModel().rowCount() == count && lastRowAt < 0) lastRowAt = clock.nsecsElapsed();
    });
    int datagrams = 0;
    int batches = 0;
    QObject::connect(&endpoint, &vantrel::net::UdpEndpoint::datagramReceived, [&] { ++datagrams; });
    QObject::connect(&endpoint, &vantrel::net::UdpEndpoint::batchDelivered, [&] { ++batches; });

    const auto windowSearch = [&] {
        lastRowAt = -1;
        inSearch = true;
        datagrams = batches = 0;
        heartbeat.start();
        // The click is handled inside the first beat's measurement window.
        lastBeat = clock.nsecsElapsed();
        lastCpu = threadCpuNs();
        longestGap = longestGapCpu = 0;
        const qint64 searchStart = clock.nsecsElapsed();
        form.Net_Search->click();
        QElapsedTimer wait;
        wait.start();
        while (lastRowAt < 0 && wait.elapsed() < kSearchTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        heartbeat.stop();
        inSearch = false;
        Search r;
        r.rows = form.gridModel().rowCount();
        r.datagrams = datagrams;
        r.batches = batches;
        r.longestBlockMs = longestGap / 1e6;
        r.longestBlockCpuMs = longestGapCpu / 1e6;
        if (lastRowAt >= 0) r.toLastRowMs = (lastRowAt - searchStart) / 1e6;
        return r;
    };
    const auto bareSearch = [&] {
        // The bare socket takes the endpoint's address for its turn.
        endpoint.close();
        const vantrel::bench::BareRun bare =
            vantrel::bench::runBareSocket(lab.pcAddress.toStdString(), count, kSearchTimeoutMs);
        endpoint.bind(QHostAddress(lab.pcAddress));
        return bare;
    };

    std::vector<Search> results;
    std::vector<vantrel::bench::BareRun> bares;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((round + turn) % 2 == 0) {
                results.push_back(windowSearch());
                const Search& r = results.back();
                out << QStringLiteral("round %1 window: %2 rows (%3 datagrams in %4 batches), last row after %5 ms, "
                                      "longest block %6 ms (%7 ms on the CPU)\n")
                           .arg(round + 1)
                           .arg(r.rows)
                           .arg(r.datagrams)
                           .arg(r.batches)
                           .arg(r.toLastRowMs, 0, 'f', 1)
                           .arg(r.longestBlockMs, 0, 'f', 1)
                           .arg(r.longestBlockCpuMs, 0, 'f', 1);
            } else {
                bares.push_back(bareSearch());
                const auto& b = bares.back();
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
    const long rssAfterKiB = statusKiB("VmRSS");
    const long peakKiB = statusKiB("VmHWM");

    std::vector<double> toLast, blocked, blockedCpu, bare;
    int complete = 0;
    for (const Search& r : results) {
        blocked.push_back(r.longestBlockMs);
        blockedCpu.push_back(r.longestBlockCpuMs);
        if (r.toLastRowMs >= 0) {
            toLast.push_back(r.toLastRowMs);
            ++complete;
        }
    }
    int bareComplete = 0;
    for (const auto& b : bares) {
        if (!b.complete) continue;
        bare.push_back(b.ms);
        ++bareComplete;
    }
    const auto maxOf = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); };
    const auto minOf = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end()); };
    out << "controllers: " << count << ", rounds: " << rounds << "\n";
    out << QStringLiteral("window: all rows listed in %1 of %2; time to the last row median %3 ms (%4-%5)\n")
               .arg(complete)
               .arg(results.size())
               .arg(median(toLast), 0, 'f', 1)
               .arg(minOf(toLast), 0, 'f', 1)
               .arg(maxOf(toLast), 0, 'f', 1);
    out << QStringLiteral("bare socket: all replies in %1 of %2; median %3 ms (%4-%5)\n")
               .arg(bareComplete)
               .arg(bares.size())
               .arg(median(bare), 0, 'f', 1)
               .arg(minOf(bare), 0, 'f', 1)
               .arg(maxOf(bare), 0, 'f', 1);
    out << QStringLiteral("ratio window / bare (medians): %1\n").arg(median(bare) > 0 ? median(toLast) / median(bare) : 0, 0, 'f', 2);
    out << QStringLiteral("longest block: median %1 ms, max %2 ms; on the CPU: median %3 ms, max %4 ms\n")
               .arg(median(blocked), 0, 'f', 1)
               .arg(maxOf(blocked), 0, 'f', 1)
               .arg(median(blockedCpu), 0, 'f', 1)
               .arg(maxOf(blockedCpu), 0, 'f', 1);
    out << QStringLiteral("memory: %1 MiB resident before the first search, %2 MiB after, peak %3 MiB\n")
               .arg(rssBeforeKiB / 1024.0, 0, 'f', 1)
               .arg(rssAfterKiB / 1024.0, 0, 'f', 1)
               .arg(peakKiB / 1024.0, 0, 'f', 1);
    out.flush();
    form.close();
    return complete == static_cast<int>(results.size()) && bareComplete == static_cast<int>(bares.size()) ? 0 : 3;
}
