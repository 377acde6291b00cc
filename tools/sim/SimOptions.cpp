#include "tools/sim/SimOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <limits>

#include "model/Text.h"

namespace vantrel::sim {

namespace {

constexpr int kMaxDelayMs = 60000;
constexpr int kMinDiagnosticEveryMs = 10;
constexpr int kMaxCount = 65535;

bool readInt(const QCommandLineParser& p, const QString& name, int lo, int hi, int& out, QString& error) {
    if (!p.isSet(name)) return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < lo || v > hi) {
        error = QStringLiteral("--%1 must be a whole number from %2 to %3").arg(name).arg(lo).arg(hi);
        return false;
    }
    out = v;
    return true;
}

bool readIp(const QCommandLineParser& p, const QString& name, std::optional<model::Ip4>& out,
            QString& error) {
    if (!p.isSet(name)) return true;
    const auto ip = model::parseIp(p.value(name).toStdString());
    if (!ip) {
        error = QStringLiteral("--%1 must be an IPv4 address like 10.77.1.1").arg(name);
        return false;
    }
    out = *ip;
    return true;
}

} // namespace

std::optional<SimOptions> parseOptions(const QStringList& arguments, QString& error, QString& helpText) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated Nodalux controllers on UDP port 49150: they answer polls, take configuration, network "
        "settings,\n"
        "test, identify and bootloader packets, accept a firmware upload over TCP in their bootloader and "
        "send\n"
        "diagnostic messages. Run it only where its addresses exist, such as inside the network lab.\n"
        "Signals: SIGUSR1 sends one diagnostic message from every controller; SIGTERM and SIGINT stop it."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    p.addOption(help);
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    p.addOption(version);
    p.addOption({QStringLiteral("fleet"),
                 QStringLiteral("Controllers from a fleet file (JSON, see --dump-fleet)."),
                 QStringLiteral("FILE.json")});
    p.addOption({QStringLiteral("count"),
                 QStringLiteral("N generated protocol-8 controllers instead of a fleet."),
                 QStringLiteral("N")});
    p.addOption(
        {QStringLiteral("first-ip"),
         QStringLiteral("Address of the first controller; the others follow (10.77.1.1: the lab's numbering, "
                        "250 hosts per block; otherwise consecutive)."),
         QStringLiteral("A.B.C.D")});
    p.addOption({QStringLiteral("mask"),
                 QStringLiteral("Subnet mask with --count or --first-ip (255.255.0.0)."),
                 QStringLiteral("M")});
    p.addOption({QStringLiteral("log"),
                 QStringLiteral("Log every packet and event as JSON lines (- for stdout)."),
                 QStringLiteral("FILE")});
    p.addOption({QStringLiteral("upload-dir"),
                 QStringLiteral("Store firmware uploads as DIR/<controller address>.bin."),
                 QStringLiteral("DIR")});
    p.addOption({QStringLiteral("max-delay-ms"),
                 QStringLiteral("Delay each poll reply randomly by up to MS milliseconds (0)."),
                 QStringLiteral("MS")});
    p.addOption(
        {QStringLiteral("seed"), QStringLiteral("Seed of the random delays (1)."), QStringLiteral("S")});
    p.addOption({QStringLiteral("dump-fleet"), QStringLiteral("Print the fleet as JSON and exit.")});
    p.addOption(
        {QStringLiteral("diagnostic-every"),
         QStringLiteral("Every MS milliseconds the next controller in turn sends a diagnostic message."),
         QStringLiteral("MS")});
    p.addOption(
        {QStringLiteral("sockets"),
         QStringLiteral("shared: one socket, replies name their source address (default); per-address: one "
                        "socket per controller address."),
         QStringLiteral("MODE")});

    if (!p.parse(arguments)) {
        error = p.errorText();
        return std::nullopt;
    }
    if (p.isSet(help)) {
        helpText = p.helpText();
        return std::nullopt;
    }
    if (p.isSet(version)) {
        helpText = QStringLiteral("nodalux-sim %1\n").arg(QCoreApplication::applicationVersion());
        return std::nullopt;
    }
    if (!p.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument: %1").arg(p.positionalArguments().first());
        return std::nullopt;
    }

    SimOptions o;
    o.fleetPath = p.value(QStringLiteral("fleet"));
    o.logPath = p.value(QStringLiteral("log"));
    o.uploadDir = p.value(QStringLiteral("upload-dir"));
    o.dumpFleet = p.isSet(QStringLiteral("dump-fleet"));
    int seed = 1;
    if (!readInt(p, QStringLiteral("count"), 1, kMaxCount, o.count, error) ||
        !readInt(p, QStringLiteral("max-delay-ms"), 0, kMaxDelayMs, o.maxDelayMs, error) ||
        !readInt(p, QStringLiteral("seed"), 0, std::numeric_limits<int>::max(), seed, error) ||
        !readIp(p, QStringLiteral("first-ip"), o.firstIp, error) ||
        !readIp(p, QStringLiteral("mask"), o.mask, error))
        return std::nullopt;
    o.seed = static_cast<std::uint32_t>(seed);
    if (p.isSet(QStringLiteral("diagnostic-every"))) {
        if (!readInt(p, QStringLiteral("diagnostic-every"), kMinDiagnosticEveryMs,
                     std::numeric_limits<int>::max(), o.diagnosticEveryMs, error))
            return std::nullopt;
    }
    if (p.isSet(QStringLiteral("sockets"))) {
        const QString mode = p.value(QStringLiteral("sockets"));
        if (mode == QStringLiteral("shared")) {
            o.sockets = SocketMode::Shared;
        } else if (mode == QStringLiteral("per-address")) {
            o.sockets = SocketMode::PerAddress;
        } else {
            error = QStringLiteral("--sockets must be shared or per-address");
            return std::nullopt;
        }
    }
    if (!o.fleetPath.isEmpty() && o.count > 0) {
        error = QStringLiteral("give either --fleet or --count, not both");
        return std::nullopt;
    }
    return o;
}

} // namespace vantrel::sim
