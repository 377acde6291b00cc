#pragma once
// vantrel-cli's commands on top of the adapter list and the UDP endpoint, both
// given from outside: main() hands in the real ones, tests the in-process fakes.

#include <QStringList>
#include <QTextStream>

#include <optional>

#include "net/AdapterProvider.h"
#include "net/UdpEndpoint.h"
#include "tools/cli/CliEnvironment.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/ExitCode.h"

namespace vantrel::cli {

// The tool's version as "major.minor.build".
QString versionText();

class CliApp {
public:
    CliApp(const net::AdapterProvider& adapters, net::UdpEndpoint& endpoint);

    // The terminal, the waits and the firmware upload (by default: no
    // terminal, the commands' own waits, the TCP upload).
    void setEnvironment(CliEnvironment environment) { m_env = std::move(environment); }
    const CliEnvironment& environment() const { return m_env; }
    // Ctrl-C: a running command stops sending and reports what it did.
    Interruption& interruption() { return m_interruption; }

    // Runs one command line (without the program name). Results go to `out`,
    // messages to `err`. Needs a running Q(Core)Application: the commands wait
    // in local event loops.
    int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

private:
    int adapters(const CliOptions& options, QTextStream& out);
    // The listed adapter of `text` ("010.077.000.001" names 10.77.0.1), or nothing after a message.
    std::optional<net::Adapter> listedAdapter(const QString& text, QTextStream& err) const;
    int bind(const net::Adapter& adapter, QTextStream& err);
    int discover(const CliOptions& options, QTextStream& out, QTextStream& err);
    int onControllers(const CliOptions& options, QTextStream& out, QTextStream& err);

    const net::AdapterProvider& m_adapters;
    net::UdpEndpoint& m_endpoint;
    CliEnvironment m_env;
    Interruption m_interruption;
};

} // namespace vantrel::cli
