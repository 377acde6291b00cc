// Discovery speed inside the network lab: how long after the poll the last of
// N controllers is in the list, beside how long a bare socket needs to receive
// the same N replies.
//
//   discovery_bench --adapter 10.77.0.1 --count N [--repeat R] [--timeout MS]
//
// "tool": the endpoint the program uses (QtUdpEndpoint) with the receive
//         dispatch, the poll-reply readers and the list's duplicate rule
//         (the command line's DiscoverySession); the clock runs from just
//         before the poll is sent to the moment the Nth controller is listed.
// "bare": one plain socket bound the same way (adapter address, port 49150,
//         4 MiB receive buffer) that sends the same poll and only counts the
//         datagrams from other addresses until it has N.
// The two alternate R times each. One line per run, then a summary. Exit
// status 1 when a run does not see all N within the timeout.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/support/BareSocket.h"
#include "net/QtUdpEndpoint.h"
#include "protocol/Header.h"
#include "tools/cli/DiscoverySession.h"

namespace {

constexpr int kSettleMs = 300; // between runs, so that nothing of one run is in flight in the next
constexpr int kDefaultRepeat = 5;
constexpr int kDefaultTimeoutMs = 20000;

struct Options {
    QString adapter;
    int count = 0;
    int repeat = kDefaultRepeat;
    int timeoutMs = kDefaultTimeoutMs;
};

struct Run {
    bool complete = false;
    double ms = 0;
    int received = 0;
};

Run runTool(const Options& o) {
    vantrel::net::QtUdpEndpoint endpoint;
    if (!endpoint.bind(QHostAddress(o.adapter))) {
        std::fprintf(stderr, "tool: cannot bind %s\n", qPrintable(o.adapter));
        return {};
    }
    vantrel::cli::DiscoverySession session(endpoint);
    QEventLoop loop;
    QObject::connect(&session, &vantrel::cli::DiscoverySession::controllerListed, &loop, [&](int n) {
        if (n >= o.count)
            loop.quit();
    });
    QTimer::singleShot(o.timeoutMs, &loop, &QEventLoop::quit);
    if (!session.start()) {
        std::fprintf(stderr, "tool: the poll could not be sent\n");
        return {};
    }
    loop.exec();
    Run r;
    r.received = static_cast<int>(session.controllers().size());
    r.complete = r.received >= o.count;
    r.ms = static_cast<double>(session.lastListedNs()) / 1e6;
    return r;
}

Run runBare(const Options& o) {
    const vantrel::bench::BareRun bare = vantrel::bench::runBareSocket(o.adapter.toStdString(), o.count, o.timeoutMs);
    return Run{bare.complete, bare.ms, bare.received};
}

void settle() {
    QEventLoop loop;
    QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
    loop.exec();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

bool parse(const QStringList& args, Options& o) {
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& name = args[i];
        const QString& value = args[i + 1];
        if (name == "--adapter")
            o.adapter = value;
        else if (name == "--count")
            o.count = value.toInt();
        else if (name == "--repeat")
            o.repeat = value.toInt();
        else if (name == "--timeout")
            o.timeoutMs = value.toInt();
        else
            return false;
    }
    return args.size() % 2 == 1 && !o.adapter.isEmpty() && o.count > 0 && o.repeat > 0 && o.timeoutMs > 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Options o;
    if (!parse(QCoreApplication::arguments(), o)) {
        std::fprintf(stderr, "usage: discovery_bench --adapter <IPv4> --count N [--repeat R] [--timeout MS]\n");
        return 2;
    }
    std::vector<double> tool, bare;
    bool allComplete = true;
    for (int i = 0; i < o.repeat; ++i) {
        // Alternate which goes first, so neither always follows the other's settle.
        for (int k = 0; k < 2; ++k) {
            const bool isTool = (i + k) % 2 == 0;
            const Run r = isTool ? runTool(o) : runBare(o);
            std::printf("run %d %-4s N=%d received=%d %s %.3f ms\n", i + 1, isTool ? "tool" : "bare", o.count,
                        r.received, r.complete ? "last after" : "INCOMPLETE, last after", r.ms);
            std::fflush(stdout);
            allComplete = allComplete && r.complete;
            if (r.complete)
                (isTool ? tool : bare).push_back(r.ms);
            settle();
        }
    }
    const double t = median(tool), b = median(bare);
    std::printf("summary N=%d runs=%d tool median %.3f ms (min %.3f, max %.3f); bare median %.3f ms (min %.3f, max %.3f); "
                "ratio %.2f\n",
                o.count, o.repeat, t, tool.empty() ? 0 : *std::min_element(tool.begin(), tool.end()),
                tool.empty() ? 0 : *std::max_element(tool.begin(), tool.end()), b,
                bare.empty() ? 0 : *std::min_element(bare.begin(), bare.end()),
                bare.empty() ? 0 : *std::max_element(bare.begin(), bare.end()), b > 0 ? t / b : 0);
    return allComplete ? 0 : 1;
}
