// vantrel-cli: the command-line companion of the desktop program, for
// scripting, inventory and fleet operations. "vantrel-cli help" tells how to use it.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>

#include <unistd.h>

#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tools/cli/CliApp.h"

namespace {

// Ctrl-C is noted through a pipe and handled on the event loop; a second
// Ctrl-C ends the program at once.
int interruptPipe[2] = {-1, -1};

void onInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

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

    QTextStream in(stdin);
    vantrel::cli::CliEnvironment environment = cli.environment();
    environment.terminal.canConfirm = ::isatty(STDIN_FILENO) != 0;
    environment.terminal.showProgress = ::isatty(STDERR_FILENO) != 0;
    environment.terminal.readAnswer = [&in] { return in.readLine(); };
    cli.setEnvironment(environment);

    if (::pipe(interruptPipe) == 0) {
        auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&cli, notifier] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(interruptPipe[0], &byte, 1);
            notifier->setEnabled(false);
            cli.interruption().request();
        });
        std::signal(SIGINT, onInterrupt);
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli.run(arguments, out, err);
}
