// vantrel-cli: the command-line companion of the desktop program, for
// scripting and inventory. "vantrel-cli help" tells how to use it.

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tools/cli/CliApp.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments == QStringList{QStringLiteral("--version")}) {
        QTextStream(stdout) << "vantrel-cli " << VANTREL_VERSION_TEXT << "\n";
        return 0;
    }

    vantrel::net::SystemAdapterProvider adapters;
    vantrel::net::QtUdpEndpoint endpoint;
    vantrel::cli::CliApp cli(adapters, endpoint);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli.run(arguments, out, err);
}
