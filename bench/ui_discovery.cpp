// Main window discovery benchmark (not a test). Inside the network lab, N
// simulated controllers (nodalux-sim --count N on the lab's "lan" side) answer
// one poll; the main window, wired as the program wires it (system adapter
// list, Qt endpoint), runs offscreen on the "pc" side. For each Search it
// measures:
//   - the time from the click to the N-th grid row;
//   - the longest time the UI thread was blocked meanwhile (the largest gap
//     between two turns of the event loop, seen by a zero-interval timer);
//   - whether every controller was listed.
// and, once per process, the resident memory before the first Search and its
// peak at the end. A second mode re-sorts the whole grid after every row, as
// a literal "sort after each reply" would, for comparison.
//
//   ui_discovery_bench N [searches] [--resort-each-row]
// Run it through bench/ui_discovery.sh, which builds the lab.

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "app/TForm1.h"
#include "app/Windows.h"
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
    int rows = 0;
    int datagrams = 0; // handed to the window by the endpoint
};

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool resortEachRow = args.removeAll(QStringLiteral("--resort-each-row")) > 0;
    const int count = args.value(0).toInt();
    const int searches = args.size() > 1 ? args.value(1).toInt() : kDefaultSearches;
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (count <= 0 || searches <= 0) {
        err << "usage: ui_discovery_bench N [searches] [--resort-each-row]\n";
        return 2;
    }

    const vantrel::labtest::Lab lab = vantrel::labtest::Lab::fromEnvironment();
    if (const QString missing = lab.missing(false); !missing.isEmpty()) {
        err << "ui_discovery_bench: skipped: " << missing << "\n";
        return kSkip;
    }
    vantrel::labtest::SimProcess sim;
    QString error;
    if (!sim.start(lab, {QStringLiteral("--count"), QString::number(count)}, kSimStartMs, error)) {
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
    QElapsedTimer clock;
    clock.start();
    qint64 lastBeat = clock.nsecsElapsed();
    qint64 longestGap = 0;
    QTimer heartbeat;
    heartbeat.setInterval(0);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastBeat);
        lastBeat = now;
    });

    qint64 searchStart = 0;
    qint64 lastRowAt = -1;
    bool inSearch = false;
    QObject::connect(&form.gridModel(), &QAbstractItemModel::rowsInserted, [&] {
        if (resortEachRow) form.GridSort();
        if (inSearch && form.gridModel().rowCount() == count && lastRowAt < 0) lastRowAt = clock.nsecsElapsed();
    });

    int datagrams = 0;
    QObject::connect(&endpoint, &vantrel::net::UdpEndpoint::datagramReceived, [&] { ++datagrams; });

    std::vector<Search> results;
    for (int s = 0; s < searches; ++s) {
        lastRowAt = -1;
        inSearch = true;
        heartbeat.start();
        // The click is handled inside the first beat's measurement window.
        lastBeat = clock.nsecsElapsed();
        longestGap = 0;
        searchStart = clock.nsecsElapsed();
        datagrams = 0;
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
        r.longestBlockMs = longestGap / 1e6;
        if (lastRowAt >= 0) r.toLastRowMs = (lastRowAt - searchStart) / 1e6;
        results.push_back(r);
        spin(kSettleMs);
    }
    const long rssAfterKiB = statusKiB("VmRSS");
    const long peakKiB = statusKiB("VmHWM");

    std::vector<double> toLast, blocked;
    int complete = 0;
    for (const Search& r : results) {
        blocked.push_back(r.longestBlockMs);
        if (r.toLastRowMs >= 0) {
            toLast.push_back(r.toLastRowMs);
            ++complete;
        }
    }
    out << "controllers: " << count << (resortEachRow ? " (full re-sort after every row)" : "") << "\n";
    out << "searches: " << searches << ", all rows listed in " << complete << "\n";
    for (std::size_t i = 0; i < results.size(); ++i)
        out << QStringLiteral("  search %1: %2 rows (%5 datagrams), last row after %3 ms, longest block %4 ms\n")
                   .arg(i + 1)
                   .arg(results[i].rows)
                   .arg(results[i].toLastRowMs, 0, 'f', 1)
                   .arg(results[i].longestBlockMs, 0, 'f', 1)
                   .arg(results[i].datagrams);
    out << QStringLiteral("median time to the last row: %1 ms (max %2)\n")
               .arg(median(toLast), 0, 'f', 1)
               .arg(toLast.empty() ? 0.0 : *std::max_element(toLast.begin(), toLast.end()), 0, 'f', 1);
    out << QStringLiteral("median longest block: %1 ms (max %2)\n")
               .arg(median(blocked), 0, 'f', 1)
               .arg(*std::max_element(blocked.begin(), blocked.end()), 0, 'f', 1);
    out << QStringLiteral("memory: %1 MiB resident before the first search, %2 MiB after, peak %3 MiB\n")
               .arg(rssBeforeKiB / 1024.0, 0, 'f', 1)
               .arg(rssAfterKiB / 1024.0, 0, 'f', 1)
               .arg(peakKiB / 1024.0, 0, 'f', 1);
    out.flush();
    form.close();
    return complete == searches ? 0 : 3;
}
