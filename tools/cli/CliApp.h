#pragma once
// vantrel-cli's commands on top of the adapter list and the UDP endpoint, both
// given from outside: main() hands in the real ones, tests the in-process fakes.

#include <QStringList>
#include <QTextStream>

#include "net/AdapterProvider.h"
#include "net/UdpEndpoint.h"
#include "tools/cli/CliOptions.h"

namespace vantrel::cli {

namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int Usage = 2;
inline constexpr int AdapterNotListed = 3;
inline constexpr int CannotBind = 4;
inline constexpr int CannotSend = 5;
inline constexpr int FewerThanExpected = 6;
} // namespace ExitCode

class CliApp {
public:
    CliApp(const net::AdapterProvider& adapters, net::UdpEndpoint& endpoint);

    // Runs one command line (without the program name). Results go to `out`,
    // messages to `err`. Needs a running Q(Core)Application: discover waits
    // in a local event loop.
    int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

private:
    int adapters(const CliOptions& options, QTextStream& out);
    int discover(const CliOptions& options, QTextStream& out, QTextStream& err);

    const net::AdapterProvider& m_adapters;
    net::UdpEndpoint& m_endpoint;
};

} // namespace vantrel::cli
