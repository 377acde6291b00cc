#include "tools/cli/CliOptions.h"

#include <QSet>

#include "model/Text.h"

namespace vantrel::cli {

namespace {

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

    // Splits "--name=value" and "--name value"; `value` stays null for a flag.
    bool next(QString& name, QString& value, bool& hasInlineValue) {
        const QString arg = args.at(pos++);
        const qsizetype eq = arg.indexOf(u'=');
        hasInlineValue = arg.startsWith(QLatin1String("--")) && eq > 2;
        name = hasInlineValue ? arg.left(eq) : arg;
        value = hasInlineValue ? arg.mid(eq + 1) : QString();
        return true;
    }

    bool takeValue(const QString& name, bool hasInlineValue, QString& value) {
        if (hasInlineValue)
            return true;
        if (pos >= args.size() || args.at(pos).startsWith(QLatin1String("--")))
            return fail(QStringLiteral("%1 needs a value").arg(name));
        value = args.at(pos++);
        return true;
    }

    bool once(const QString& name) {
        if (seen.contains(name))
            return fail(QStringLiteral("%1 is given more than once").arg(name));
        seen.insert(name);
        return true;
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

    bool format(const QString& name) {
        if (!once(QStringLiteral("format")))
            return fail(QStringLiteral("choose one of --json and --csv"));
        result.options.format = name == QLatin1String("--json") ? Format::Json : Format::Csv;
        return true;
    }

    bool parse() {
        if (args.isEmpty())
            return fail(QStringLiteral("no command given"));
        const QString command = args.at(pos++);
        CliOptions& o = result.options;
        if (command == QLatin1String("help") || command == QLatin1String("--help") ||
            command == QLatin1String("-h")) {
            o.command = Command::Help;
            if (pos < args.size())
                return fail(QStringLiteral("help takes no arguments"));
            result.ok = true;
            return true;
        }
        if (command == QLatin1String("adapters"))
            o.command = Command::Adapters;
        else if (command == QLatin1String("discover"))
            o.command = Command::Discover;
        else
            return fail(QStringLiteral("unknown command \"%1\"").arg(command));
        const bool discover = o.command == Command::Discover;

        while (pos < args.size()) {
            QString name, value;
            bool inlineValue = false;
            next(name, value, inlineValue);
            const bool isFlag = name == QLatin1String("--json") || name == QLatin1String("--csv") ||
                                name == QLatin1String("--stats");
            if (isFlag && inlineValue)
                return fail(QStringLiteral("%1 takes no value").arg(name));
            if (name == QLatin1String("--json") || name == QLatin1String("--csv")) {
                if (!format(name))
                    return false;
            } else if (discover && name == QLatin1String("--stats")) {
                if (!once(name))
                    return false;
                o.stats = true;
            } else if (discover && name == QLatin1String("--adapter")) {
                if (!once(name) || !takeValue(name, inlineValue, value))
                    return false;
                if (!model::parseIp(value.toStdString()))
                    return fail(QStringLiteral("--adapter needs an IPv4 address like 192.168.1.20, not \"%1\"")
                                    .arg(value));
                o.adapter = value;
            } else if (discover && name == QLatin1String("--wait")) {
                if (!once(name) || !takeValue(name, inlineValue, value) ||
                    !number(name, value, 0, CliOptions::kMaxWaitMs, o.waitMs))
                    return false;
            } else if (discover && name == QLatin1String("--expect")) {
                if (!once(name) || !takeValue(name, inlineValue, value) ||
                    !number(name, value, 1, CliOptions::kMaxExpect, o.expect))
                    return false;
            } else {
                return fail(QStringLiteral("%1 does not take \"%2\"").arg(command, name));
            }
        }
        if (discover && o.adapter.isEmpty())
            return fail(QStringLiteral("discover needs --adapter <IPv4> (see 'vantrel-cli adapters')"));
        result.ok = true;
        return true;
    }
};

} // namespace

ParseResult parseArguments(const QStringList& arguments) {
    Parser p;
    p.args = arguments;
    p.parse();
    return p.result;
}

QString usageText() {
    return QStringLiteral(
        "usage:\n"
        "  vantrel-cli adapters [--json|--csv]\n"
        "      Lists this PC's IPv4 adapters: address, subnet mask, network address.\n"
        "  vantrel-cli discover --adapter <IPv4> [--wait <ms>] [--expect <n>] [--json|--csv] [--stats]\n"
        "      Binds UDP port 49150 on the adapter, broadcasts one poll, listens for\n"
        "      <ms> milliseconds (default %1, at most %2) or until <n> controllers are\n"
        "      listed, and prints every controller that answered, one per address,\n"
        "      ordered by IP address. --json gives every field of each controller and\n"
        "      its grid texts; --csv the grid columns Model, Nickname, IP, Firmware,\n"
        "      Temperature; --stats counts the received datagrams on the error stream.\n"
        "  vantrel-cli help\n"
        "exit codes: 0 done, 2 wrong command line, 3 the adapter is not listed,\n"
        "            4 the port cannot be bound, 5 the poll cannot be sent,\n"
        "            6 fewer controllers than --expect answered\n")
        .arg(CliOptions::kDefaultWaitMs)
        .arg(CliOptions::kMaxWaitMs);
}

} // namespace vantrel::cli
