#include "tools/cli/CliOptions.h"

#include <QSet>

#include "model/Text.h"
#include "tools/cli/Targets.h"

namespace vantrel::cli {

namespace {

struct CommandName {
    const char* name;
    Command command;
};
constexpr CommandName kCommands[] = {
    {"adapters", Command::Adapters}, {"discover", Command::Discover}, {"backup", Command::Backup},
    {"restore", Command::Restore},   {"set", Command::Set},           {"identify", Command::Identify},
    {"test", Command::Test},         {"readdress", Command::Readdress}, {"firmware", Command::Firmware},
};

// The options each command takes. Options with a value are marked "=".
QStringList optionsOf(Command command) {
    const QStringList device{"--adapter=", "--target=", "--wait=", "--json"};
    switch (command) {
    case Command::Adapters: return {"--json", "--csv"};
    case Command::Discover: return {"--adapter=", "--wait=", "--expect=", "--json", "--csv", "--records", "--stats"};
    case Command::Backup: return device + QStringList{"--out="};
    case Command::Restore: return device + QStringList{"--from=", "--dry-run", "--force", "--with-network", "--yes"};
    case Command::Set: return device + QStringList{"--dry-run", "--force", "--yes"};
    case Command::Identify: return device + QStringList{"--start", "--stop", "--seconds=", "--yes"};
    case Command::Test: return device + QStringList{"--mode=", "--color=", "--output=", "--pixel=", "--yes"};
    case Command::Readdress: return {"--adapter=", "--mac=", "--ip=", "--mask=", "--dhcp", "--wait=", "--json", "--yes"};
    case Command::Firmware: return device + QStringList{"--file=", "--force", "--yes"};
    default: return {};
    }
}

const QStringList kTestModes{"none", "rgbw-cycle", "red", "green", "blue", "white", "color", "fade", "pixel"};
constexpr int kPixelMode = 8;
constexpr int kMaxTestOutput = 32;
constexpr int kMaxTestPixel = 65535;

struct Parser {
    QStringList args;
    qsizetype pos = 0;
    QSet<QString> seen;
    ParseResult result;

    bool fail(const QString& message) {
        result.ok = false;
        result.error = message;
        return false;
    }

    bool number(const QString& name, const QString& text, int low, int high, int& out) {
        bool ok = false;
        const qlonglong v = text.toLongLong(&ok);
        if (!ok || v < low || v > high)
            return fail(QStringLiteral("%1 must be a whole number from %2 to %3, not \"%4\"")
                            .arg(name)
                            .arg(low)
                            .arg(high)
                            .arg(text));
        out = static_cast<int>(v);
        return true;
    }

    bool address(const QString& name, const QString& text, QString& out) {
        if (!model::parseIp(text.toStdString()))
            return fail(QStringLiteral("%1 needs an IPv4 address like 192.168.1.20, not \"%2\"").arg(name, text));
        out = text;
        return true;
    }

    bool format(Format f) {
        if (!seen.contains(QStringLiteral("format"))) {
            seen.insert(QStringLiteral("format"));
            result.options.format = f;
            return true;
        }
        return fail(result.options.command == Command::Discover
                        ? QStringLiteral("choose one of --json, --csv and --records")
                        : QStringLiteral("choose one of --json and --csv"));
    }

    bool colour(const QString& text) {
        const QStringList parts = text.split(u',');
        QList<int> levels;
        for (const QString& p : parts) {
            int v = 0;
            if (!number(QStringLiteral("--color"), p.trimmed(), 0, 255, v)) return false;
            levels.append(v);
        }
        if (levels.size() != 3 && levels.size() != 4)
            return fail(QStringLiteral("--color needs R,G,B or R,G,B,W levels 0 to 255, not \"%1\"").arg(text));
        result.options.colour = levels;
        return true;
    }

    // One option with its value (empty for a flag).
    bool option(const QString& name, const QString& value) {
        CliOptions& o = result.options;
        if (name == QLatin1String("--json")) return format(Format::Json);
        if (name == QLatin1String("--csv")) return format(Format::Csv);
        if (name == QLatin1String("--records")) return format(Format::Records);
        if (name == QLatin1String("--stats")) return (o.stats = true);
        if (name == QLatin1String("--adapter")) return address(name, value, o.adapter);
        if (name == QLatin1String("--wait")) return number(name, value, 0, CliOptions::kMaxWaitMs, o.waitMs);
        if (name == QLatin1String("--expect")) return number(name, value, 1, CliOptions::kMaxExpect, o.expect);
        if (name == QLatin1String("--target")) {
            QString why;
            if (!parseSelector(value, why)) return fail(why);
            o.targets.append(value);
            return true;
        }
        if (name == QLatin1String("--out")) return !(o.outPath = value).isEmpty() || fail(QStringLiteral("--out needs a path"));
        if (name == QLatin1String("--from")) return !(o.fromPath = value).isEmpty() || fail(QStringLiteral("--from needs a path"));
        if (name == QLatin1String("--file")) return !(o.firmwarePath = value).isEmpty() || fail(QStringLiteral("--file needs a path"));
        if (name == QLatin1String("--dry-run")) return (o.dryRun = true);
        if (name == QLatin1String("--force")) return (o.force = true);
        if (name == QLatin1String("--with-network")) return (o.withNetwork = true);
        if (name == QLatin1String("--yes")) return (o.yes = true);
        if (name == QLatin1String("--start") || name == QLatin1String("--stop") || name == QLatin1String("--seconds")) {
            if (o.identify != IdentifyAction::None) return fail(QStringLiteral("choose one of --start, --stop and --seconds"));
            if (name == QLatin1String("--start")) o.identify = IdentifyAction::Start;
            else if (name == QLatin1String("--stop")) o.identify = IdentifyAction::Stop;
            else {
                o.identify = IdentifyAction::Seconds;
                return number(name, value, 1, CliOptions::kMaxIdentifySeconds, o.identifySeconds);
            }
            return true;
        }
        if (name == QLatin1String("--mode")) {
            o.testMode = static_cast<int>(kTestModes.indexOf(value.toLower()));
            if (o.testMode < 0)
                return fail(QStringLiteral("--mode must be one of %1, not \"%2\"").arg(kTestModes.join(u'|'), value));
            return true;
        }
        if (name == QLatin1String("--color")) return colour(value);
        if (name == QLatin1String("--output")) {
            int v = 0;
            if (!number(name, value, 1, kMaxTestOutput, v)) return false;
            o.testOutput = v;
            return true;
        }
        if (name == QLatin1String("--pixel")) {
            int v = 0;
            if (!number(name, value, 1, kMaxTestPixel, v)) return false;
            o.testPixel = v;
            return true;
        }
        if (name == QLatin1String("--mac")) {
            if (!model::parseMac(value.toStdString()))
                return fail(QStringLiteral("--mac needs a MAC address like 02:4e:c0:a8:4d:10 or 02-4E-C0-A8-4D-10, not \"%1\"").arg(value));
            o.mac = value;
            return true;
        }
        if (name == QLatin1String("--ip")) return address(name, value, o.ip);
        if (name == QLatin1String("--mask")) return address(name, value, o.mask);
        if (name == QLatin1String("--dhcp")) return (o.dhcp = true);
        return fail(QStringLiteral("%1 is not an option").arg(name));
    }

    bool required(bool given, const QString& message) { return given || fail(message); }

    // What each command needs beyond its options' own checks.
    bool complete() {
        CliOptions& o = result.options;
        const Command c = o.command;
        const QString name = commandName(c);
        if (c != Command::Adapters && !required(!o.adapter.isEmpty(), name + QStringLiteral(" needs --adapter <IPv4> (see 'vantrel-cli adapters')")))
            return false;
        const bool onTargets = c != Command::Adapters && c != Command::Discover && c != Command::Readdress;
        if (onTargets && !required(!o.targets.isEmpty(), name + QStringLiteral(" needs --target SEL: an IP address, a MAC, nickname:TEXT or all")))
            return false;
        switch (c) {
        case Command::Backup: return required(!o.outPath.isEmpty(), QStringLiteral("backup needs --out PATH"));
        case Command::Restore: return required(!o.fromPath.isEmpty(), QStringLiteral("restore needs --from FILE or FOLDER"));
        case Command::Set:
            return required(!o.assignments.isEmpty(), QStringLiteral("set needs at least one KEY=VALUE, for example nickname=Stage"));
        case Command::Identify:
            return required(o.identify != IdentifyAction::None, QStringLiteral("identify needs --start, --stop or --seconds N"));
        case Command::Test:
            if (!required(o.testMode >= 0, QStringLiteral("test needs --mode %1").arg(kTestModes.join(u'|')))) return false;
            return required(!o.testPixel || o.testMode == kPixelMode, QStringLiteral("--pixel goes with --mode pixel"));
        case Command::Readdress:
            if (!required(!o.mac.isEmpty(), QStringLiteral("readdress needs --mac MAC"))) return false;
            if (o.dhcp)
                return required(o.ip.isEmpty() && o.mask.isEmpty(), QStringLiteral("give either --dhcp or --ip with --mask, not both"));
            return required(!o.ip.isEmpty() && !o.mask.isEmpty(), QStringLiteral("readdress needs --ip A.B.C.D with --mask M, or --dhcp"));
        case Command::Firmware: return required(!o.firmwarePath.isEmpty(), QStringLiteral("firmware needs --file FILE.hex"));
        default: return true;
        }
    }

    static QString commandName(Command c) {
        for (const auto& entry : kCommands)
            if (entry.command == c) return QLatin1String(entry.name);
        return QString();
    }

    bool parse() {
        if (args.isEmpty()) return fail(QStringLiteral("no command given"));
        const QString first = args.at(pos++);
        CliOptions& o = result.options;
        if (first == QLatin1String("--version")) {
            o.command = Command::Version;
            return pos == args.size() ? (result.ok = true) : fail(QStringLiteral("--version takes no arguments"));
        }
        if (first == QLatin1String("help") || first == QLatin1String("--help") || first == QLatin1String("-h")) {
            o.command = Command::Help;
            if (pos < args.size()) o.helpTopic = args.at(pos++);
            return pos == args.size() ? (result.ok = true) : fail(QStringLiteral("help takes one command name at most"));
        }
        bool known = false;
        for (const auto& entry : kCommands) {
            if (first == QLatin1String(entry.name)) {
                o.command = entry.command;
                known = true;
            }
        }
        if (!known) return fail(QStringLiteral("unknown command \"%1\"").arg(first));
        const QStringList allowed = optionsOf(o.command);
        // "COMMAND ... --help" asks for the command's usage, whatever else is given.
        for (qsizetype i = pos; i < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--help") || args.at(i) == QLatin1String("-h")) {
                result.options = CliOptions{};
                result.options.command = Command::Help;
                result.options.helpTopic = first;
                result.ok = true;
                return true;
            }
        }

        while (pos < args.size()) {
            const QString arg = args.at(pos++);
            if (!arg.startsWith(QLatin1String("--"))) {
                // set takes its settings as KEY=VALUE words.
                if (o.command == Command::Set && arg.contains(u'=')) {
                    o.assignments.append(arg);
                    continue;
                }
                return fail(QStringLiteral("%1 does not take \"%2\"").arg(first, arg));
            }
            const qsizetype eq = arg.indexOf(u'=');
            const QString name = eq > 2 ? arg.left(eq) : arg;
            const bool hasValue = allowed.contains(name + u'=');
            if (!hasValue && !allowed.contains(name)) return fail(QStringLiteral("%1 does not take \"%2\"").arg(first, name));
            QString value;
            if (hasValue) {
                if (eq > 2) {
                    value = arg.mid(eq + 1);
                } else {
                    if (pos >= args.size() || args.at(pos).startsWith(QLatin1String("--")))
                        return fail(QStringLiteral("%1 needs a value").arg(name));
                    value = args.at(pos++);
                }
            } else if (eq > 2) {
                return fail(QStringLiteral("%1 takes no value").arg(name));
            }
            if (name != QLatin1String("--target") && name != QLatin1String("--json") &&
                name != QLatin1String("--csv") && name != QLatin1String("--records") && seen.contains(name))
                return fail(QStringLiteral("%1 is given more than once").arg(name));
            seen.insert(name);
            if (!option(name, value)) return false;
        }
        if (!complete()) return false;
        result.ok = true;
        return true;
    }
};

const char* const kOverview =
    "usage: vantrel-cli COMMAND [options]    (vantrel-cli COMMAND --help tells more)\n"
    "  adapters   list this PC's IPv4 adapters\n"
    "  discover   search the network and list the controllers that answer\n"
    "  backup     write the settings of controllers to settings files\n"
    "  restore    send settings from settings files back to controllers\n"
    "  set        change named settings of controllers\n"
    "  identify   make controllers flash their status LED\n"
    "  test       run a test pattern on controllers\n"
    "  readdress  give a controller a new IP address\n"
    "  firmware   update the firmware of controllers\n"
    "  help [COMMAND], COMMAND --help, --version\n"
    "Controllers are chosen with --target SEL (repeatable): an IP address, a MAC\n"
    "(02:4e:c0:a8:4d:10 or 02-4E-C0-A8-4D-10), nickname:TEXT, or all. Every command\n"
    "first searches from --adapter <IPv4> for --wait ms (default %1); a target that\n"
    "does not answer is reported and the others go on. Changing more than one\n"
    "controller asks on a terminal and needs --yes otherwise. --json prints one\n"
    "result object per controller.\n"
    "exit codes: 0 every target done, 1 a target failed or was skipped,\n"
    "            2 wrong command line, 3 the adapter is not listed,\n"
    "            4 the port cannot be bound, 5 the poll cannot be sent,\n"
    "            6 fewer controllers than --expect answered, 7 not confirmed,\n"
    "            8 the settings or firmware file cannot be used, 130 interrupted\n";

struct Help {
    const char* command;
    const char* text;
};
const Help kHelp[] = {
    {"adapters", "usage: vantrel-cli adapters [--json|--csv]\n"
                 "Lists this PC's IPv4 adapters: address, subnet mask, network address.\n"},
    {"discover",
     "usage: vantrel-cli discover --adapter <IPv4> [--wait <ms>] [--expect <n>]\n"
     "                            [--json|--csv|--records] [--stats]\n"
     "Binds UDP port 49150 on the adapter, broadcasts one poll, listens for <ms>\n"
     "milliseconds (default %1, at most %2) or until <n> controllers are listed, and\n"
     "prints every controller that answered, one per address, ordered by IP address.\n"
     "  --json     each controller's identity and status: ip, mask, model, mac,\n"
     "             firmware, protocol_version, outputs, nickname, bootloader,\n"
     "             temperature_c, voltages_v\n"
     "  --records  every field of each controller's record under its own name, and\n"
     "             \"grid\" with its grid texts (nodalux-sim --fleet reads this)\n"
     "  --csv      the grid columns Model, Nickname, IP, Firmware, Temperature\n"
     "  --stats    counts the received datagrams on the error stream\n"
     "Exit code 6 when fewer than --expect controllers answered.\n"},
    {"backup",
     "usage: vantrel-cli backup --adapter <IPv4> --target SEL... --out PATH [--json]\n"
     "Writes each controller's settings file (docs/settings-format.md). With one\n"
     "controller PATH is the file (or a folder to write <MAC>.json into); with\n"
     "several it is a folder, created when missing, with one <MAC>.json each.\n"},
    {"restore",
     "usage: vantrel-cli restore --adapter <IPv4> --target SEL... --from FILE|FOLDER\n"
     "                           [--dry-run] [--force] [--with-network] [--yes] [--json]\n"
     "Shows the changes (key: old -> new), sends each controller its configuration,\n"
     "searches again and checks that it reports the new settings. From a folder\n"
     "written by backup, each controller takes the file with its MAC.\n"
     "  --dry-run       show the changes, send nothing\n"
     "  --force         apply a file made from another model (what that controller\n"
     "                  does not have is left out), or to a controller on another subnet\n"
     "  --with-network  take the file's network settings also onto another controller\n"
     "                  (without it a copied file never duplicates an address)\n"},
    {"set",
     "usage: vantrel-cli set --adapter <IPv4> --target SEL... KEY=VALUE... [--dry-run]\n"
     "                       [--force] [--yes] [--json]\n"
     "Changes named settings and checks them like restore. Keys as in the settings\n"
     "file: nickname=Stage start_universe=5 start_channel=1 pixels=170 mode=simple\n"
     "chip=WS2811 led_type=RGBW colour_order=GRB (every output) speed=fast\n"
     "gamma=2.2 (every colour) gamma.red=2.4 protocol=artnet hold_last_frame=true\n"
     "network.ip=10.0.0.5 outputs.3.pixels=100 dmx_outputs.1.universe=7 ...\n"},
    {"identify",
     "usage: vantrel-cli identify --adapter <IPv4> --target SEL... (--start | --stop | --seconds N)\n"
     "Makes controllers (protocol 8) flash their status LED; --stop ends it on\n"
     "every controller; --seconds N starts it and stops it after N seconds (or at Ctrl-C).\n"},
    {"test",
     "usage: vantrel-cli test --adapter <IPv4> --target SEL...\n"
     "                        --mode none|rgbw-cycle|red|green|blue|white|color|fade|pixel\n"
     "                        [--color R,G,B[,W]] [--output N] [--pixel N] [--json]\n"
     "Sends the test packet the Test tab sends and waits for the controller to\n"
     "report the test. --output N runs it on output N only; --pixel N lights pixel\n"
     "N (with --mode pixel); none returns to live data.\n"},
    {"readdress",
     "usage: vantrel-cli readdress --adapter <IPv4> --mac MAC (--ip A.B.C.D --mask M | --dhcp)\n"
     "                             [--yes] [--json]\n"
     "Broadcasts the network settings to the controller with that MAC (it must\n"
     "answer the search) and checks that it answers at its new address.\n"},
    {"firmware",
     "usage: vantrel-cli firmware --adapter <IPv4> --target SEL... --file FILE.hex\n"
     "                            [--force] [--yes] [--json]\n"
     "Checks the file against each controller's model (a file of the other\n"
     "hardware generation needs --force), starts the controller's bootloader,\n"
     "uploads the file and waits until the controller answers with its application\n"
     "again. Progress goes to the error stream when it is a terminal.\n"},
};

} // namespace

ParseResult parseArguments(const QStringList& arguments) {
    Parser p;
    p.args = arguments;
    p.parse();
    return p.result;
}

QString usageText() { return QString::fromLatin1(kOverview).arg(CliOptions::kDefaultWaitMs); }

QString commandHelp(const QString& command) {
    for (const Help& h : kHelp) {
        if (command == QLatin1String(h.command)) {
            QString text = QString::fromLatin1(h.text);
            if (text.contains(QLatin1String("%2"))) return text.arg(CliOptions::kDefaultWaitMs).arg(CliOptions::kMaxWaitMs);
            return text;
        }
    }
    return usageText();
}

QStringList testModeNames() { return kTestModes; }

} // namespace vantrel::cli
