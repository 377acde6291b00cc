#pragma once
// The simulator's command line:
//   nodalux-sim [--fleet FILE.json] [--count N] [--first-ip A.B.C.D] [--mask M]
//               [--log FILE|-] [--upload-dir DIR] [--max-delay-ms MS] [--seed S]
//               [--dump-fleet] [--diagnostic-every MS] [--sockets shared|per-address]
//   nodalux-sim --help | --version

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

#include "model/NodaluxCtrl.h"

namespace vantrel::sim {

enum class SocketMode {
    Shared,     // one socket on 0.0.0.0:49150; replies name their source address (IP_PKTINFO)
    PerAddress, // and one socket per controller address, bound to address:49150, that sends its replies
};

struct SimOptions {
    QString fleetPath;
    int count = 0; // > 0: generated protocol-8 fleet
    std::optional<model::Ip4> firstIp;
    std::optional<model::Ip4> mask;
    QString logPath;
    QString uploadDir;
    int maxDelayMs = 0;
    std::uint32_t seed = 1;
    bool dumpFleet = false;
    int diagnosticEveryMs = 0; // 0: only on SIGUSR1
    SocketMode sockets = SocketMode::Shared;
};

// Parses the arguments (the program name first). Nothing, with a message,
// when they are wrong; `helpText` receives the usage when --help is given,
// the version line with --version.
std::optional<SimOptions> parseOptions(const QStringList& arguments, QString& error, QString& helpText);

} // namespace vantrel::sim
