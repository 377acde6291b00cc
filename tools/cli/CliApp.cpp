#include "tools/cli/CliApp.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include "model/Settings.h"
#include "model/Text.h"
#include "net/TcpFirmwareUpload.h"
#include "protocol/Header.h"
#include "tools/cli/DiscoverySession.h"
#include "tools/cli/FleetCommands.h"
#include "tools/cli/OutputFormat.h"

namespace vantrel::cli {

namespace {

const QString kProgram = QStringLiteral("vantrel-cli");

// "010.077.000.001" and "10.77.0.1" name the same adapter.
QString normalizedIp(const QString& text) {
    const auto ip = model::parseIp(text.toStdString());
    return ip ? QString::fromStdString(model::ipText(*ip)) : QString();
}

// The version the build gives (major.minor.build, each 0..255).
std::array<std::uint8_t, 3> versionNumbers() {
    const QStringList parts = versionText().split(u'.');
    std::array<std::uint8_t, 3> v{};
    for (int i = 0; i < 3 && i < parts.size(); ++i) v[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(parts[i].toUInt());
    return v;
}

} // namespace

QString versionText() { return QStringLiteral(VANTREL_CLI_VERSION); }

CliApp::CliApp(const net::AdapterProvider& adapters, net::UdpEndpoint& endpoint)
    : m_adapters(adapters), m_endpoint(endpoint) {
    m_env.makeUpload = [] { return std::make_unique<net::TcpFirmwareUpload>(); };
    m_env.version = versionNumbers();
}

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
        out << commandHelp(parsed.options.helpTopic);
        break;
    case Command::Version:
        out << kProgram << ' ' << versionText() << '\n';
        break;
    case Command::Adapters:
        code = adapters(parsed.options, out);
        break;
    case Command::Discover:
        code = discover(parsed.options, out, err);
        break;
    default:
        code = onControllers(parsed.options, out, err);
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
    case Format::Records:
        out << QString::fromUtf8(adaptersJson(list));
        break;
    case Format::Csv:
        out << adaptersCsv(list);
        break;
    }
    return ExitCode::Ok;
}

std::optional<net::Adapter> CliApp::listedAdapter(const QString& text, QTextStream& err) const {
    const QString address = normalizedIp(text);
    for (const net::Adapter& a : m_adapters.adapters())
        if (normalizedIp(a.address) == address) return a;
    err << kProgram << ": " << address << " is not one of this PC's adapter addresses; 'vantrel-cli adapters' lists them.\n";
    return std::nullopt;
}

int CliApp::bind(const net::Adapter& adapter, QTextStream& err) {
    const QString address = normalizedIp(adapter.address);
    if (m_endpoint.bind(QHostAddress(address))) return ExitCode::Ok;
    err << kProgram << ": Could not bind network port. Maybe another instance is running already? (" << address
        << ", UDP port " << protocol::kPort << ")\n";
    return ExitCode::CannotBind;
}

int CliApp::onControllers(const CliOptions& options, QTextStream& out, QTextStream& err) {
    const auto adapter = listedAdapter(options.adapter, err);
    if (!adapter) return ExitCode::AdapterNotListed;
    if (const int code = bind(*adapter, err); code != ExitCode::Ok) return code;
    FleetCommands commands(options, m_endpoint, *adapter, m_env, &m_interruption, out, err);
    const int code = commands.run();
    m_endpoint.close();
    return code;
}

int CliApp::discover(const CliOptions& options, QTextStream& out, QTextStream& err) {
    const auto adapter = listedAdapter(options.adapter, err);
    if (!adapter) return ExitCode::AdapterNotListed;
    if (const int code = bind(*adapter, err); code != ExitCode::Ok) return code;
    const QString address = normalizedIp(adapter->address);

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
    QObject::connect(&m_interruption, &Interruption::requested, &loop, &QEventLoop::quit);
    deadline.start(options.waitMs);
    if (!m_interruption.isRequested()) loop.exec();
    m_endpoint.close();

    const auto controllers = controllersByAddress(session.controllers());
    switch (options.format) {
    case Format::Table:
        out << controllersTable(controllers);
        break;
    case Format::Records:
        out << QString::fromUtf8(controllersJson(controllers));
        break;
    case Format::Json:
        out << QString::fromUtf8(controllersStatusJson(controllers));
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
    if (m_interruption.isRequested()) return ExitCode::Interrupted; // what answered so far is printed
    if (options.expect > 0 && static_cast<int>(controllers.size()) < options.expect) {
        err << kProgram << ": " << controllers.size() << " of " << options.expect
            << " expected controllers answered within " << options.waitMs << " ms\n";
        return ExitCode::FewerThanExpected;
    }
    return ExitCode::Ok;
}

} // namespace vantrel::cli
