// nodalux-sim: simulated Nodalux controllers for tests and demonstrations.
//
// Exit codes: 0 after SIGTERM/SIGINT or --dump-fleet/--help; 2 for a wrong
// command line or an unusable fleet; 1 when the sockets cannot be bound.

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTextStream>

#include <csignal>
#include <cstdio>

#include "tools/sim/Fleet.h"
#include "tools/sim/JsonLog.h"
#include "tools/sim/SignalBridge.h"
#include "tools/sim/SimOptions.h"
#include "tools/sim/SimServer.h"
#include "tools/sim/Simulator.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitRuntime = 1;

int fail(int code, const QString& message) {
    QTextStream(stderr) << "nodalux-sim: " << message << "\n";
    return code;
}

} // namespace

int main(int argc, char** argv) {
    using namespace vantrel::sim;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nodalux-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION_TEXT));

    QString error;
    QString help;
    const auto options = parseOptions(QCoreApplication::arguments(), error, help);
    if (!options) {
        if (!help.isEmpty()) {
            QTextStream(stdout) << help;
            return 0;
        }
        return fail(kExitUsage, error + QStringLiteral(" (see --help)"));
    }

    const vantrel::model::Ip4 mask = options->mask.value_or(kLabMask);
    std::vector<SimController> fleet;
    if (!options->fleetPath.isEmpty()) {
        auto loaded = loadFleet(options->fleetPath, error);
        if (!loaded) return fail(kExitUsage, error);
        fleet = std::move(*loaded);
    } else if (options->count > 0) {
        auto generated = generatedFleet(options->count, options->firstIp.value_or(kLabBase), mask, error);
        if (!generated) return fail(kExitUsage, error);
        fleet = std::move(*generated);
    } else {
        fleet = defaultFleet();
    }
    if (options->count == 0 && (options->firstIp || options->mask)) {
        if (!readdressFleet(fleet, options->firstIp.value_or(kLabBase), mask, error))
            return fail(kExitUsage, error);
    }

    if (options->dumpFleet) {
        QTextStream(stdout) << QJsonDocument(fleetToJson(fleet)).toJson(QJsonDocument::Indented);
        return 0;
    }

    JsonLog log;
    if (!log.open(options->logPath, error)) return fail(kExitUsage, error);

    const std::size_t controllers = fleet.size();
    Simulator sim(std::move(fleet), options->seed, options->maxDelayMs);
    SimServer::Config config;
    config.sockets = options->sockets;
    config.uploadDir = options->uploadDir;
    config.diagnosticEveryMs = options->diagnosticEveryMs;
    SimServer server(sim, log, config);

    SignalBridge signalBridge;
    if (!signalBridge.watch({SIGTERM, SIGINT, SIGUSR1}))
        return fail(kExitRuntime, QStringLiteral("cannot catch signals"));
    QObject::connect(&signalBridge, &SignalBridge::caught, &app, [&](int number) {
        if (number == SIGUSR1) {
            server.sendDiagnosticRound();
            return;
        }
        QJsonObject e;
        e[QStringLiteral("event")] = QStringLiteral("stopping");
        e[QStringLiteral("signal")] = number;
        log.write(e);
        QCoreApplication::quit();
    });

    if (!server.start(error)) return fail(kExitRuntime, error);

    QJsonObject ready;
    ready[QStringLiteral("event")] = QStringLiteral("ready");
    ready[QStringLiteral("controllers")] = static_cast<qint64>(controllers);
    ready[QStringLiteral("sockets")] =
        options->sockets == SocketMode::Shared ? QStringLiteral("shared") : QStringLiteral("per-address");
    log.write(ready);
    QTextStream(stderr) << "nodalux-sim: ready: " << controllers << " controllers\n";
    return QCoreApplication::exec();
}
