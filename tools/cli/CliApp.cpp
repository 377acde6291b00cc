#include "tools/cli/CliApp.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include "model/Text.h"
#include "protocol/Header.h"
#include "tools/cli/DiscoverySession.h"
#include "tools/cli/OutputFormat.h"

namespace vantrel::cli {

namespace {

const QString kProgram = QStringLiteral("vantrel-cli");

// "010.077.000.001" and "10.77.0.1" name the same adapter.
QString normalizedIp(const QString& text) {
    const auto ip = model::parseIp(text.toStdString());
    return ip ? QString::fromStdString(model::ipText(*ip)) : QString();
}

} // namespace

CliApp::CliApp(const net::AdapterProvider& adapters, net::UdpEndpoint& endpoint)
    : m_adapters(adapters), m_endpoint(endpoint) {}

int CliApp::run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const ParseResult parsed = parseArguments(arguments);
    if (!parsed.ok) {
        err << kProgram << ": " << parsed.error << "\n\n" << usageText();
        err.flush();
        return ExitCode::Usage;
    }
    int code = ExitCode::Ok;
    switch (parsed.options.command) {
    case Command::Help:
        out << usageText();
        break;
    case Command::Adapters:
        code = adapters(parsed.options, out);
        break;
    case Command::Discover:
        code = discover(parsed.options, out, err);
        break;
    }
    out.flush();
    err.flush();
    return code;
}

int CliApp::adapters(const CliOptions& options, QTextStream& out) {
    const QList<net::Adapter> list = m_adapters.adapters();
    switch (options.format) {
    case Format::Table:
        out << adaptersTable(list);
        break;
    case Format::Json:
        out << QString::fromUtf8(adaptersJson(list));
        break;
    case Format::Csv:
        out << adaptersCsv(list);
        break;
    }
    return ExitCode::Ok;
}

int CliApp::discover(const CliOptions& options, QTextStream& out, QTextStream& err) {
    const QString address = normalizedIp(options.adapter);
    bool listed = false;
    for (const net::Adapter& a : m_adapters.adapters()) listed = listed || normalizedIp(a.address) == address;
    if (!listed) {
        err << kProgram << ": " << address
            << " is not one of this PC's adapter addresses; 'vantrel-cli adapters' lists them.\n";
        return ExitCode::AdapterNotListed;
    }

    if (!m_endpoint.bind(QHostAddress(address))) {
        err << kProgram << ": Could not bind network port. Maybe another instance is running already? (" << address
            << ", UDP port " << protocol::kPort << ")\n";
        return ExitCode::CannotBind;
    }

    DiscoverySession session(m_endpoint);
    if (!session.start()) {
        m_endpoint.close();
        err << kProgram << ": Couldn't send the poll from " << address << " to " << net::kLimitedBroadcast
            << ":" << protocol::kPort << ". Check the network connection.\n";
        return ExitCode::CannotSend;
    }

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (options.expect > 0) {
        QObject::connect(&session, &DiscoverySession::controllerListed, &loop, [&](int count) {
            if (count >= options.expect)
                loop.quit();
        });
    }
    deadline.start(options.waitMs);
    loop.exec();
    m_endpoint.close();

    const auto controllers = controllersByAddress(session.controllers());
    switch (options.format) {
    case Format::Table:
        out << controllersTable(controllers);
        break;
    case Format::Json:
        out << QString::fromUtf8(controllersJson(controllers));
        break;
    case Format::Csv:
        out << controllersCsv(controllers);
        break;
    }

    if (options.stats) {
        const DiscoveryStats& s = session.stats();
        err << "datagrams " << s.datagrams << ", listed " << s.listed << ", duplicates " << s.duplicates
            << ", rejected " << s.rejected << ", ignored " << s.ignored << ", dropped (list full) " << s.full << ", last listed after "
            << (session.lastListedNs() < 0 ? QStringLiteral("-") : QString::number(session.lastListedNs() / 1e6, 'f', 3))
            << " ms\n";
    }
    if (options.expect > 0 && static_cast<int>(controllers.size()) < options.expect) {
        err << kProgram << ": " << controllers.size() << " of " << options.expect
            << " expected controllers answered within " << options.waitMs << " ms\n";
        return ExitCode::FewerThanExpected;
    }
    return ExitCode::Ok;
}

} // namespace vantrel::cli
