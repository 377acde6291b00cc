#include "tools/cli/FleetCommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <span>

#include "model/FirmwareFile.h"
#include "model/GridTexts.h"
#include "model/LegacyFeatures.h"
#include "model/Rules.h"
#include "model/SentConfiguration.h"
#include "model/Settings.h"
#include "model/Text.h"
#include "net/Datagrams.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Header.h"
#include "protocol/TestPackets.h"
#include "tools/cli/DiscoverySession.h"
#include "tools/cli/ExitCode.h"
#include "tools/cli/OutputFormat.h"
#include "tools/common/RecordJson.h"

namespace vantrel::cli {

namespace {

using Outcome = TargetResult::Outcome;
const QString kProgram = QStringLiteral("vantrel-cli");
constexpr int kSinglePixelMode = protocol::kSinglePixelMode;
constexpr int kPercent = 100;

QString ipText(const model::TNodaluxCtrl& c) { return QString::fromStdString(model::ipText(c.CurrentIP)); }
QString macText(const model::Mac& mac) { return QString::fromStdString(model::macText(mac)); }
QString qs(const std::string& text) { return QString::fromStdString(text); }

// The core's message lines as one line.
QString oneLine(const std::string& text) { return qs(text).replace(u'\n', QStringLiteral("; ")); }

std::span<const std::uint8_t> bytesOf(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size())};
}

QString seconds(int ms) { return QString::number(ms / 1000.0, 'f', ms % 1000 == 0 ? 0 : 1) + QStringLiteral(" s"); }

} // namespace

struct FleetCommands::Plan {
    std::size_t result; // its entry in m_results
    model::TNodaluxCtrl before;
    model::TNodaluxCtrl after;
};

FleetCommands::FleetCommands(const CliOptions& options, net::UdpEndpoint& endpoint, const net::Adapter& adapter,
                             const CliEnvironment& environment, Interruption* interruption, QTextStream& out,
                             QTextStream& err)
    : m_options(options), m_endpoint(endpoint), m_adapter(adapter), m_env(environment), m_interruption(interruption),
      m_out(out), m_err(err) {
    for (const QString& text : options.targets) {
        QString ignored;
        if (auto s = parseSelector(text, ignored)) m_selectors.push_back(*s);
    }
}

bool FleetCommands::interrupted() const { return m_interruption && m_interruption->isRequested(); }

std::optional<std::vector<model::TNodaluxCtrl>> FleetCommands::search(
    int waitMs, const std::function<bool(const std::vector<model::TNodaluxCtrl>&)>& enough) {
    DiscoverySession session(m_endpoint);
    if (!session.start()) return std::nullopt;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (enough) {
        QObject::connect(&session, &DiscoverySession::controllerListed, &loop, [&] {
            if (enough(controllersByAddress(session.controllers()))) loop.quit();
        });
    }
    if (m_interruption) QObject::connect(m_interruption, &Interruption::requested, &loop, &QEventLoop::quit);
    if (!interrupted()) {
        deadline.start(waitMs);
        loop.exec();
    }
    return controllersByAddress(session.controllers());
}

bool FleetCommands::pause(int ms) {
    if (interrupted()) return false;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (m_interruption) QObject::connect(m_interruption, &Interruption::requested, &loop, &QEventLoop::quit);
    loop.exec();
    return !interrupted();
}

TargetResult& FleetCommands::result(const Resolved& target, Outcome outcome, const QString& message) {
    m_results.push_back({target.target, target.record, actionName(), outcome, message, {}, {}});
    return m_results.back();
}

QString FleetCommands::actionName() const {
    switch (m_options.command) {
    case Command::Backup: return QStringLiteral("backup");
    case Command::Restore: return QStringLiteral("restore");
    case Command::Set: return QStringLiteral("set");
    case Command::Identify: return QStringLiteral("identify");
    case Command::Test: return QStringLiteral("test");
    case Command::Readdress: return QStringLiteral("readdress");
    case Command::Firmware: return QStringLiteral("firmware");
    default: return QString();
    }
}

std::optional<QString> FleetCommands::refusal(const model::TNodaluxCtrl& c, bool subnet) const {
    if (model::isBootloader(c)) return QStringLiteral("it runs its bootloader (update its firmware first)");
    if (!model::isLegacy(c) && c.QorvanaProtVer > protocol::kMaxSendVersion)
        return QStringLiteral("it speaks protocol %1; this tool sends to protocol %2 and earlier")
            .arg(c.QorvanaProtVer)
            .arg(protocol::kMaxSendVersion);
    if (!model::versionAtLeast(m_env.version, c.MinVantrelVer))
        return QStringLiteral("it requires version %1.%2.%3 or later of this tool")
            .arg(c.MinVantrelVer[0])
            .arg(c.MinVantrelVer[1])
            .arg(c.MinVantrelVer[2]);
    if (subnet && !m_options.force) {
        const QString own = qs(model::networkAddressText(c.CurrentIP, c.CurrentSM));
        const QString adapterNetwork = m_adapter.networkAddress();
        if (own != adapterNetwork)
            return QStringLiteral("it is on network %1, the adapter on %2: readdress it first "
                                  "(vantrel-cli readdress), or give --force")
                .arg(own, adapterNetwork);
    }
    return std::nullopt;
}

bool FleetCommands::confirmed(int count, const QString& what) {
    if (count <= 1 || m_options.yes) return true;
    if (!m_env.terminal.canConfirm || !m_env.terminal.readAnswer) {
        m_err << kProgram << ": " << what << " " << count
              << " controllers needs --yes (there is no terminal to confirm on); nothing was sent\n";
        return false;
    }
    m_err << resultsText(m_results) << what << " " << count << " controllers? [y/N] ";
    m_err.flush();
    const QString answer = m_env.terminal.readAnswer().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes")) return true;
    m_err << kProgram << ": not confirmed; nothing was sent\n";
    return false;
}

int FleetCommands::finish(int code) {
    if (m_options.format == Format::Json) m_out << QString::fromUtf8(resultsJson(m_results));
    else m_out << resultsText(m_results);
    m_out.flush();
    if (code >= 0) return code;
    if (interrupted()) return ExitCode::Interrupted;
    const bool allOk = std::all_of(m_results.begin(), m_results.end(), [](const TargetResult& r) {
        return r.outcome == Outcome::Ok;
    });
    return allOk ? ExitCode::Ok : ExitCode::Failed;
}

int FleetCommands::run() {
    if (m_options.command == Command::Readdress) {
        const auto mac = model::parseMac(m_options.mac.toStdString());
        const auto listed = search(m_options.waitMs, [&](const std::vector<model::TNodaluxCtrl>& list) {
            return std::any_of(list.begin(), list.end(), [&](const auto& c) { return c.MAC == *mac; });
        });
        if (!listed) {
            m_err << kProgram << ": couldn't send the poll from " << m_adapter.address << ". Check the network connection.\n";
            return ExitCode::CannotSend;
        }
        return readdress(*listed);
    }

    const auto listed = search(m_options.waitMs, [&](const std::vector<model::TNodaluxCtrl>& list) {
        return allExactTargetsListed(m_selectors, list);
    });
    if (!listed) {
        m_err << kProgram << ": couldn't send the poll from " << m_adapter.address << ". Check the network connection.\n";
        return ExitCode::CannotSend;
    }
    const Resolution resolution = resolveTargets(m_selectors, *listed);
    for (const QString& missing : resolution.unresolved) {
        m_results.push_back({missing, std::nullopt, actionName(), Outcome::Failed,
                             QStringLiteral("no controller answered as %1 within %2").arg(missing, seconds(m_options.waitMs)),
                             {}, {}});
    }
    switch (m_options.command) {
    case Command::Backup:
        backup(resolution.controllers);
        return finish();
    case Command::Restore:
    case Command::Set: return changeSettings(resolution.controllers);
    case Command::Identify:
        identify(resolution.controllers);
        return finish();
    case Command::Test:
        test(resolution.controllers);
        return finish();
    case Command::Firmware: return firmware(resolution.controllers);
    default: return finish();
    }
}

// --- backup --------------------------------------------------------------------------------

void FleetCommands::backup(const std::vector<Resolved>& targets) {
    const QString out = m_options.outPath;
    // One controller named by its address or MAC goes to a file; anything else to a folder.
    const bool oneFile = m_selectors.size() == 1 && m_selectors.front().exact() && targets.size() == 1 &&
                         !QFileInfo(out).isDir() && !out.endsWith(u'/');
    if (!oneFile && !targets.empty() && !QDir().mkpath(out)) {
        for (const Resolved& t : targets) result(t, Outcome::Failed, QStringLiteral("cannot create the folder %1").arg(out));
        return;
    }
    for (const Resolved& t : targets) {
        const auto text = model::settingsFileText(t.record);
        if (!text) {
            result(t, Outcome::Failed, QStringLiteral("it runs its bootloader and reports no settings"));
            continue;
        }
        const QString path =
            oneFile ? out : QDir(out).filePath(QString::fromStdString(model::settingsFileName(t.record)));
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray::fromStdString(*text)) < 0 || !file.commit()) {
            result(t, Outcome::Failed, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
            continue;
        }
        result(t, Outcome::Ok, QStringLiteral("wrote %1").arg(path));
    }
}

// --- restore and set -------------------------------------------------------------------------

namespace {

// A settings file's text, or nothing with the reason.
std::optional<model::SettingsParse> readSettingsFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray text = file.read(static_cast<qint64>(model::kMaxSettingsFileSize) + 1);
    if (text.isEmpty()) {
        error = QStringLiteral("%1 is empty").arg(path);
        return std::nullopt;
    }
    return model::parseSettingsFile(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

} // namespace

int FleetCommands::changeSettings(const std::vector<Resolved>& targets) {
    std::optional<model::SettingsSource> common;
    QString folder;
    if (m_options.command == Command::Set) {
        std::vector<std::string> assignments;
        for (const QString& a : m_options.assignments) assignments.push_back(a.toStdString());
        const model::SettingsParse parsed = model::parseAssignments(assignments);
        if (!parsed.settings) {
            m_err << kProgram << ": " << qs(parsed.error) << "\n";
            return ExitCode::Usage;
        }
        common = parsed.settings;
    } else if (QFileInfo(m_options.fromPath).isDir()) {
        folder = m_options.fromPath;
    } else {
        QString error;
        const auto parsed = readSettingsFile(m_options.fromPath, error);
        if (parsed && !parsed->settings) error = qs(parsed->error);
        if (!parsed || !parsed->settings) {
            m_err << kProgram << ": the settings file " << m_options.fromPath << " cannot be used:\n" << error << "\n";
            return ExitCode::FileUnusable;
        }
        common = parsed->settings;
        if (m_options.withNetwork && targets.size() > 1) {
            m_err << kProgram << ": --with-network would give " << targets.size()
                  << " controllers the one address of " << m_options.fromPath << "; nothing was sent\n";
            return ExitCode::Usage;
        }
    }

    std::vector<Plan> plans;
    for (const Resolved& t : targets) {
        if (const auto why = refusal(t.record, true)) {
            result(t, Outcome::Failed, *why);
            continue;
        }
        std::optional<model::SettingsSource> source = common;
        if (!source) {
            const QString path = QDir(folder).filePath(QString::fromStdString(model::settingsFileName(t.record)));
            if (!QFileInfo::exists(path)) {
                result(t, Outcome::Failed, QStringLiteral("%1 has no settings file for it (%2)").arg(folder, QFileInfo(path).fileName()));
                continue;
            }
            QString error;
            const auto parsed = readSettingsFile(path, error);
            if (!parsed || !parsed->settings) {
                result(t, Outcome::Failed, QStringLiteral("%1 cannot be used: %2").arg(path, parsed ? oneLine(parsed->error) : error));
                continue;
            }
            source = parsed->settings;
        }
        const model::ApplyResult applied =
            model::applySettings(*source, t.record, {.force = m_options.force, .withNetwork = m_options.withNetwork});
        if (!applied.ok) {
            TargetResult& r = result(t, Outcome::Failed, oneLine(applied.error));
            for (const auto& note : applied.notes) r.notes.append(qs(note));
            continue;
        }
        TargetResult& r = result(t, Outcome::Ok, QString());
        for (const auto& note : applied.notes) r.notes.append(qs(note));
        r.changes = applied.changes;
        if (applied.changes.empty()) {
            r.message = QStringLiteral("it has these settings already; nothing sent");
            continue;
        }
        r.outcome = Outcome::Skipped;
        r.message = QStringLiteral("not sent");
        plans.push_back({m_results.size() - 1, t.record, applied.record});
    }

    if (m_options.dryRun) {
        for (const Plan& p : plans) {
            m_results[p.result].outcome = Outcome::Ok;
            m_results[p.result].message = QStringLiteral("dry run: %1 change(s), nothing sent").arg(m_results[p.result].changes.size());
        }
        return finish();
    }
    if (!confirmed(static_cast<int>(plans.size()), QStringLiteral("Change"))) {
        for (const Plan& p : plans) m_results[p.result].message = QStringLiteral("not confirmed; nothing sent");
        return finish(ExitCode::NotConfirmed);
    }
    sendAndVerify(plans);
    return finish();
}

void FleetCommands::sendAndVerify(std::vector<Plan>& plans) {
    std::vector<const Plan*> sent;
    for (const Plan& p : plans) {
        TargetResult& r = m_results[p.result];
        if (interrupted()) {
            r.message = QStringLiteral("interrupted before it was sent; nothing sent");
            continue;
        }
        // Never half a configuration: the packet is built whole before it goes.
        const auto packet = protocol::buildConfigAsSent(p.after);
        if (!packet) {
            r.outcome = Outcome::Failed;
            r.message = QStringLiteral("this tool sends no configuration to protocol %1").arg(p.after.QorvanaProtVer);
            continue;
        }
        if (!m_endpoint.send(net::currentAddress(p.before), net::toByteArray(*packet))) {
            r.outcome = Outcome::Failed;
            r.message = QStringLiteral("could not send the configuration to %1").arg(ipText(p.before));
            continue;
        }
        r.outcome = Outcome::Failed;
        r.message = QStringLiteral("configuration sent; not verified");
        sent.push_back(&p);
    }
    if (sent.empty()) return;
    if (!pause(m_env.timing.settleMs)) {
        for (const Plan* p : sent) m_results[p->result].message = QStringLiteral("configuration sent; not verified (interrupted)");
        return;
    }
    const auto listed = search(m_options.waitMs, [&](const std::vector<model::TNodaluxCtrl>& list) {
        return std::all_of(sent.begin(), sent.end(), [&](const Plan* p) {
            return std::any_of(list.begin(), list.end(), [&](const auto& c) { return c.MAC == p->before.MAC; });
        });
    });
    for (const Plan* p : sent) {
        TargetResult& r = m_results[p->result];
        const model::TNodaluxCtrl* reported = nullptr;
        if (listed) {
            for (const auto& c : *listed)
                if (c.MAC == p->before.MAC && (!reported || c.CurrentIP == p->before.CurrentIP)) reported = &c;
        }
        if (!reported) {
            r.message = interrupted() ? QStringLiteral("configuration sent; not verified (interrupted)")
                                      : QStringLiteral("configuration sent, but it did not answer the search that followed");
            continue;
        }
        const auto differences = model::settingsDifferences(p->after, *reported);
        if (!differences.empty()) {
            QStringList what;
            for (const auto& d : differences)
                what << QStringLiteral("%1 %2 (sent %3)").arg(qs(d.key), qs(d.after.empty() ? "(none)" : d.after), qs(d.before));
            r.message = QStringLiteral("configuration sent, but it reports ") + what.join(QStringLiteral(", "));
            continue;
        }
        r.outcome = Outcome::Ok;
        r.message = QStringLiteral("%1 change(s) sent and verified").arg(r.changes.size());
    }
}

// --- identify -----------------------------------------------------------------------------------

void FleetCommands::identify(const std::vector<Resolved>& targets) {
    std::vector<std::size_t> started;
    std::optional<model::TNodaluxCtrl> any;
    for (const Resolved& t : targets) {
        if (model::isBootloader(t.record)) {
            result(t, Outcome::Failed, QStringLiteral("it runs its bootloader"));
            continue;
        }
        if (t.record.QorvanaProtVer != protocol::kIdentifyVersion) {
            result(t, Outcome::Failed, QStringLiteral("identify needs protocol %1; it speaks protocol %2")
                                           .arg(protocol::kIdentifyVersion)
                                           .arg(t.record.QorvanaProtVer));
            continue;
        }
        any = t.record;
        TargetResult& r = result(t, Outcome::Ok, QString());
        if (m_options.identify == IdentifyAction::Stop) {
            r.message = QStringLiteral("identify stopped");
            continue;
        }
        if (interrupted()) {
            r.outcome = Outcome::Skipped;
            r.message = QStringLiteral("interrupted; nothing sent");
            continue;
        }
        const auto packet = protocol::buildIdentify(t.record, true);
        if (!m_endpoint.send(QString::fromLatin1(net::kLimitedBroadcast), net::toByteArray(*packet))) {
            r.outcome = Outcome::Failed;
            r.message = QStringLiteral("could not send identify");
            continue;
        }
        r.message = QStringLiteral("identifying");
        started.push_back(m_results.size() - 1);
    }
    if (!any || m_options.identify == IdentifyAction::Start) return;
    if (m_options.identify == IdentifyAction::Seconds) {
        if (started.empty()) return;
        const bool whole = pause(m_options.identifySeconds * 1000);
        for (const std::size_t i : started)
            m_results[i].message = whole ? QStringLiteral("identified for %1").arg(seconds(m_options.identifySeconds * 1000))
                                         : QStringLiteral("identify stopped early (interrupted)");
    }
    // Stop carries no MAC: one packet ends identify on every controller.
    const auto stop = protocol::buildIdentify(*any, false);
    if (!m_endpoint.send(QString::fromLatin1(net::kLimitedBroadcast), net::toByteArray(*stop))) {
        for (TargetResult& r : m_results) {
            if (r.outcome != Outcome::Ok || !r.controller) continue;
            r.outcome = Outcome::Failed;
            r.message = QStringLiteral("could not send the stop of identify");
        }
    }
}

// --- test -----------------------------------------------------------------------------------------

void FleetCommands::test(const std::vector<Resolved>& targets) {
    const int mode = m_options.testMode;
    const QString modeName = testModeNames().value(mode);
    struct Pending {
        std::size_t result;
        model::TNodaluxCtrl record;
        QByteArray packet;
        std::optional<int> reported;
    };
    std::vector<Pending> pending;
    for (const Resolved& t : targets) {
        if (const auto why = refusal(t.record, true)) {
            result(t, Outcome::Failed, *why);
            continue;
        }
        model::TNodaluxCtrl r = t.record;
        const int version = model::isLegacy(r) ? 0 : r.QorvanaProtVer;
        const auto fail = [&](const QString& why) { result(t, Outcome::Failed, why); };
        if (model::isLegacy(r) && !model::legacyFeatures(r).testTab) {
            fail(QStringLiteral("its firmware has no test modes (they come with V1.4.10)"));
            continue;
        }
        if ((mode == kSinglePixelMode || m_options.testOutput) && version < protocol::kFirstSinglePixelVersion) {
            fail(QStringLiteral("%1 needs protocol %2; it speaks protocol %3")
                     .arg(mode == kSinglePixelMode ? QStringLiteral("the single-pixel test") : QStringLiteral("a single output"))
                     .arg(protocol::kFirstSinglePixelVersion)
                     .arg(version));
            continue;
        }
        const int outputs = model::outputsInUse(r);
        if (m_options.testOutput && *m_options.testOutput > outputs) {
            fail(QStringLiteral("output %1: it has %2 outputs in use").arg(*m_options.testOutput).arg(outputs));
            continue;
        }
        r.TestOutputNum = static_cast<std::uint8_t>(m_options.testOutput.value_or(0));
        if (m_options.colour) {
            if (m_options.colour->size() == 4 && version < protocol::kFirstTestWhiteVersion) {
                fail(QStringLiteral("a white level needs protocol %1; it speaks protocol %2")
                         .arg(protocol::kFirstTestWhiteVersion)
                         .arg(version));
                continue;
            }
            for (qsizetype i = 0; i < m_options.colour->size(); ++i)
                r.TestModeCols[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(m_options.colour->at(i));
        }
        if (mode == kSinglePixelMode) {
            const int pixel = m_options.testPixel.value_or(std::max<int>(1, r.TestSinglePixelNum));
            const int maximum = model::testPixelMaximum(r, r.TestOutputNum);
            if (pixel > maximum) {
                fail(QStringLiteral("pixel %1: the test reaches pixel %2 %3").arg(pixel).arg(maximum)
                         .arg(r.TestOutputNum ? QStringLiteral("on output %1").arg(r.TestOutputNum)
                                              : QStringLiteral("on all outputs")));
                continue;
            }
            r.TestSinglePixelNum = static_cast<std::uint16_t>(pixel);
        }
        const auto packet = protocol::buildTestSet(r, static_cast<std::uint8_t>(mode));
        if (!packet) {
            fail(QStringLiteral("this tool sends no test to protocol %1").arg(r.QorvanaProtVer));
            continue;
        }
        result(t, Outcome::Skipped, QStringLiteral("not sent"));
        pending.push_back({m_results.size() - 1, r, net::toByteArray(*packet), std::nullopt});
    }
    if (pending.empty()) return;

    // The controllers answer with a test announce, which says what they run.
    QEventLoop loop;
    const auto reportedAll = [&] {
        return std::all_of(pending.begin(), pending.end(), [](const Pending& p) { return p.reported.has_value(); });
    };
    const auto link = QObject::connect(&m_endpoint, &net::UdpEndpoint::datagramReceived, &loop,
                                       [&](const QByteArray& bytes, const QHostAddress&) {
        const auto datagram = bytesOf(bytes);
        protocol::Header header;
        if (protocol::routeDatagram(datagram) != protocol::Route::TestAnnounce || !protocol::parseHeader(datagram, header))
            return;
        const auto announce = protocol::readTestAnnounce(datagram, header.version);
        if (!announce) return;
        for (Pending& p : pending)
            if (p.record.CurrentIP == announce->ip && m_results[p.result].outcome != Outcome::Skipped) p.reported = announce->mode;
        if (reportedAll()) loop.quit();
    });
    bool anySent = false;
    for (Pending& p : pending) {
        TargetResult& r = m_results[p.result];
        if (interrupted()) {
            r.message = QStringLiteral("interrupted; nothing sent");
            continue;
        }
        if (!m_endpoint.send(net::currentAddress(p.record), p.packet)) {
            r.outcome = Outcome::Failed;
            r.message = QStringLiteral("could not send the test to %1").arg(ipText(p.record));
            p.reported = -1;
            continue;
        }
        r.outcome = Outcome::Failed;
        r.message = QStringLiteral("test sent; it did not report its test within %1").arg(seconds(m_options.waitMs));
        anySent = true;
    }
    if (anySent && !reportedAll() && !interrupted()) {
        QTimer::singleShot(m_options.waitMs, &loop, &QEventLoop::quit);
        if (m_interruption) QObject::connect(m_interruption, &Interruption::requested, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(link);
    for (const Pending& p : pending) {
        TargetResult& r = m_results[p.result];
        if (!p.reported || *p.reported < 0 || r.outcome == Outcome::Skipped) continue;
        if (*p.reported == mode) {
            r.outcome = Outcome::Ok;
            r.message = QStringLiteral("it runs %1").arg(modeName);
        } else {
            r.message = QStringLiteral("test sent, but it reports test %1").arg(testModeNames().value(*p.reported, QString::number(*p.reported)));
        }
    }
}

// --- readdress ----------------------------------------------------------------------------------

std::optional<model::TNodaluxCtrl> FleetCommands::waitForController(
    const model::Mac& mac, int totalMs, const std::function<bool(const model::TNodaluxCtrl&)>& ready) {
    QElapsedTimer clock;
    clock.start();
    while (!interrupted()) {
        const int left = totalMs - static_cast<int>(clock.elapsed());
        if (left <= 0) break;
        const auto found = [&](const model::TNodaluxCtrl& c) { return c.MAC == mac && ready(c); };
        const auto listed = search(std::min(left, m_env.timing.searchEveryMs), [&](const auto& list) {
            return std::any_of(list.begin(), list.end(), found);
        });
        if (!listed) return std::nullopt;
        const auto it = std::find_if(listed->begin(), listed->end(), found);
        if (it != listed->end()) return *it;
    }
    return std::nullopt;
}

int FleetCommands::readdress(const std::vector<model::TNodaluxCtrl>& listed) {
    const model::Mac mac = *model::parseMac(m_options.mac.toStdString());
    std::vector<model::TNodaluxCtrl> matches;
    for (const auto& c : listed)
        if (c.MAC == mac) matches.push_back(c);
    const QString target = m_options.mac;
    if (matches.size() != 1) {
        QStringList where;
        for (const auto& c : matches) where << ipText(c);
        m_results.push_back({target, std::nullopt, actionName(), Outcome::Failed,
                             matches.empty() ? QStringLiteral("no controller answered with MAC %1 within %2").arg(macText(mac), seconds(m_options.waitMs))
                                             : QStringLiteral("%1 controllers answer with MAC %2 (at %3); nothing sent")
                                                   .arg(matches.size())
                                                   .arg(macText(mac), where.join(QStringLiteral(", "))),
                             {}, {}});
        return finish();
    }
    const Resolved t{target, matches.front()};
    if (model::isBootloader(t.record)) {
        result(t, Outcome::Failed, QStringLiteral("it runs its bootloader"));
        return finish();
    }
    std::vector<std::string> assignments{m_options.dhcp ? "network.dhcp=true" : "network.dhcp=false"};
    if (!m_options.dhcp) {
        assignments.push_back("network.ip=" + m_options.ip.toStdString());
        assignments.push_back("network.mask=" + m_options.mask.toStdString());
    }
    const model::SettingsParse parsed = model::parseAssignments(assignments);
    const model::ApplyResult applied = parsed.settings ? model::applySettings(*parsed.settings, t.record) : model::ApplyResult{};
    if (!applied.ok) {
        result(t, Outcome::Failed, oneLine(parsed.settings ? applied.error : parsed.error));
        return finish();
    }
    if (!m_options.dhcp) {
        const auto ip = model::parseIp(m_options.ip.toStdString());
        for (const auto& other : listed) {
            if (other.MAC != mac && other.CurrentIP == *ip) {
                result(t, Outcome::Failed, QStringLiteral("%1 is in use by %2; nothing sent").arg(m_options.ip, macText(other.MAC)));
                return finish();
            }
        }
    }
    TargetResult& r = result(t, Outcome::Failed, QString());
    const std::size_t index = m_results.size() - 1;
    r.changes = applied.changes;
    const auto packet = protocol::buildNetworkSettings(applied.record);
    if (!packet) {
        r.message = QStringLiteral("this tool sends no network settings to protocol %1").arg(t.record.QorvanaProtVer);
        return finish();
    }
    if (!m_endpoint.send(QString::fromLatin1(net::kLimitedBroadcast), net::toByteArray(*packet))) {
        r.message = QStringLiteral("could not send the network settings");
        return finish();
    }
    m_results[index].message = QStringLiteral("network settings sent; not verified");
    if (!pause(m_env.timing.settleMs)) return finish();
    const auto now = waitForController(mac, m_env.timing.readdressTries * m_options.waitMs, [&](const model::TNodaluxCtrl& c) {
        if (m_options.dhcp) return c.DHCP == 1;
        return c.CurrentIP == applied.record.StaticIP && c.CurrentSM == applied.record.SM && c.DHCP == 0;
    });
    TargetResult& done = m_results[index];
    if (!now) {
        if (!interrupted())
            done.message = QStringLiteral("network settings sent, but it did not answer %1 within %2")
                               .arg(m_options.dhcp ? QStringLiteral("with DHCP on") : QStringLiteral("at ") + m_options.ip,
                                    seconds(m_env.timing.readdressTries * m_options.waitMs));
        return finish();
    }
    done.outcome = Outcome::Ok;
    done.message = QStringLiteral("it answers at %1").arg(ipText(*now));
    return finish();
}

// --- firmware -----------------------------------------------------------------------------------

int FleetCommands::firmware(const std::vector<Resolved>& targets) {
    const QString path = m_options.firmwarePath;
    const std::u16string name(model::firmwareFileName(path.toStdU16String()));
    if (model::checkFirmwareFile(name, u"") == model::FirmwareCheck::Invalid) {
        m_err << kProgram << ": " << path << " is not a firmware file: its name must end in \"" << model::kFirmwareExtension << "\"\n";
        return ExitCode::FileUnusable;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_err << kProgram << ": cannot read the firmware file " << path << ": " << file.errorString() << "\n";
        return ExitCode::FileUnusable;
    }
    if (file.size() > model::kMaxFirmwareFileSize) {
        m_err << kProgram << ": " << path << " is too large for a firmware file (" << file.size() << " bytes)\n";
        return ExitCode::FileUnusable;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty() || file.error() != QFileDevice::NoError) {
        m_err << kProgram << ": cannot read the firmware file " << path << (bytes.isEmpty() ? ": it is empty" : "") << "\n";
        return ExitCode::FileUnusable;
    }

    std::vector<std::size_t> plans;
    for (const Resolved& t : targets) {
        const bool inBootloader = model::isBootloader(t.record);
        if (!inBootloader) {
            if (const auto why = refusal(t.record, true)) {
                result(t, Outcome::Failed, *why);
                continue;
            }
        }
        const std::u16string gridModel = model::gridTexts(t.record).model;
        if (model::checkFirmwareFile(name, gridModel) == model::FirmwareCheck::Warn && !m_options.force) {
            result(t, Outcome::Failed,
                   QStringLiteral("the file looks like firmware of the other hardware generation than this \"%1\"; "
                                  "give --force to send it anyway")
                       .arg(tools::toQString(gridModel)));
            continue;
        }
        result(t, Outcome::Skipped, QStringLiteral("not sent"));
        plans.push_back(m_results.size() - 1);
    }
    if (!confirmed(static_cast<int>(plans.size()), QStringLiteral("Update the firmware of"))) {
        for (const std::size_t i : plans) m_results[i].message = QStringLiteral("not confirmed; nothing sent");
        return finish(ExitCode::NotConfirmed);
    }
    for (const std::size_t i : plans) {
        TargetResult& r = m_results[i];
        if (interrupted()) {
            r.message = QStringLiteral("interrupted before its update; nothing sent");
            continue;
        }
        r.outcome = Outcome::Failed;
        if (const auto failure = updateFirmware(r, bytes)) {
            r.message = *failure;
            continue;
        }
        r.outcome = Outcome::Ok;
    }
    return finish();
}

std::optional<QString> FleetCommands::updateFirmware(TargetResult& r, const QByteArray& file) {
    model::TNodaluxCtrl c = *r.controller;
    if (!model::isBootloader(c)) {
        const auto trigger = model::isLegacy(c) ? std::optional(protocol::buildBootloaderTriggerV4Below())
                                                : protocol::buildBootloaderTrigger(c);
        if (!trigger) return QStringLiteral("this tool sends no bootloader trigger to protocol %1").arg(c.QorvanaProtVer);
        if (!m_endpoint.send(net::currentAddress(c), net::toByteArray(*trigger)))
            return QStringLiteral("could not send the bootloader trigger to %1").arg(ipText(c));
        if (!pause(m_env.timing.bootloaderPauseMs)) return QStringLiteral("interrupted after the bootloader trigger");
        const auto boot = waitForController(c.MAC, m_env.timing.bootloaderWaitMs, [](const model::TNodaluxCtrl& x) {
            return model::isBootloader(x);
        });
        if (!boot)
            return interrupted() ? QStringLiteral("interrupted while waiting for its bootloader")
                                 : QStringLiteral("it did not answer from its bootloader within %1").arg(seconds(m_env.timing.bootloaderWaitMs));
        c = *boot;
    }

    net::FirmwareUploadRequest request;
    request.host = net::currentAddress(c);
    request.port = net::kFirmwarePort;
    request.header = QByteArray(model::kFirmwareHeaderLine);
    request.pauseMs = model::kFirmwareHeaderPauseMs;
    request.file = file;
    request.connectTimeoutMs = model::kFirmwareConnectTimeoutMs;
    request.stallTimeoutMs = model::kFirmwareStallTimeoutMs;
    request.closeTimeoutMs = model::kFirmwareCloseTimeoutMs;

    std::unique_ptr<net::FirmwareUpload> upload = m_env.makeUpload ? m_env.makeUpload() : nullptr;
    if (!upload) return QStringLiteral("no firmware upload is available");
    std::optional<std::pair<net::FirmwareUploadResult, QString>> outcome;
    QEventLoop loop;
    QObject::connect(upload.get(), &net::FirmwareUpload::finished, &loop,
                     [&](net::FirmwareUploadResult result, const QString& detail) {
                         outcome.emplace(result, detail);
                         loop.quit();
                     });
    const QString who = ipText(c);
    if (m_env.terminal.showProgress) {
        QObject::connect(upload.get(), &net::FirmwareUpload::progress, &loop, [&](qint64 delivered, qint64 total) {
            m_err << "\r" << who << ": " << (total > 0 ? delivered * kPercent / total : 0) << "% of " << total << " bytes";
            m_err.flush();
        });
    }
    if (m_interruption) QObject::connect(m_interruption, &Interruption::requested, upload.get(), &net::FirmwareUpload::cancel);
    upload->start(request);
    if (!outcome) loop.exec();
    if (m_env.terminal.showProgress) m_err << "\n";
    if (!outcome) {
        upload->cancel();
        return QStringLiteral("the upload did not end");
    }
    using R = net::FirmwareUploadResult;
    switch (outcome->first) {
    case R::Sent: break;
    case R::CannotConnect: return QStringLiteral("cannot connect to its bootloader at %1: %2").arg(who, outcome->second);
    case R::ConnectionBroken:
        return QStringLiteral("the connection broke before the whole file was sent: %1").arg(outcome->second);
    case R::Stalled: return QStringLiteral("it stopped taking data before the whole file was sent: %1").arg(outcome->second);
    case R::Cancelled: return QStringLiteral("interrupted during the upload; the controller stays in its bootloader");
    }
    const auto back = waitForController(c.MAC, m_env.timing.restartWaitMs, [](const model::TNodaluxCtrl& x) {
        return !model::isBootloader(x);
    });
    if (!back)
        return interrupted() ? QStringLiteral("file sent; interrupted while waiting for its application")
                             : QStringLiteral("file sent, but it did not answer with its application within %1")
                                   .arg(seconds(m_env.timing.restartWaitMs));
    r.message = QStringLiteral("%1 bytes sent; it runs %2 at %3")
                    .arg(file.size())
                    .arg(tools::toQString(model::untilNul(back->Firmware)), ipText(*back));
    return std::nullopt;
}

} // namespace vantrel::cli
