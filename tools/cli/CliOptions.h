#pragma once
// The command line of vantrel-cli, parsed into a plain value. No sockets, no
// output: main() and the tests hand it the arguments, it says what to do or
// why the command line is wrong. commandHelp() has every command's usage.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel::cli {

enum class Command { Help, Version, Adapters, Discover, Backup, Restore, Set, Identify, Test, Readdress, Firmware };
// Discover's output: a readable table, the controllers' identity and status
// as JSON, the grid columns as CSV, or every field of the records as JSON.
enum class Format { Table, Json, Csv, Records };
enum class IdentifyAction { None, Start, Stop, Seconds };

struct CliOptions {
    // How long a search listens for replies after its poll.
    static constexpr int kDefaultWaitMs = 2000;
    static constexpr int kMaxWaitMs = 600000;
    // Highest --expect: more controllers than the addresses of a /16.
    static constexpr int kMaxExpect = 65536;
    static constexpr int kMaxIdentifySeconds = 3600;

    Command command = Command::Help;
    // With Help: the command whose usage is asked for; empty for the overview.
    QString helpTopic;
    Format format = Format::Table;
    QString adapter; // dotted IPv4, as given (checked to be four octets)
    int waitMs = kDefaultWaitMs;
    // Stop listening as soon as this many controllers are listed; 0: listen for waitMs.
    int expect = 0;
    // Print what the endpoint handed over (replies, duplicates, dropped datagrams) on the error stream.
    bool stats = false;

    // Commands that act on controllers.
    QStringList targets; // --target SEL, in the order given
    QString outPath;     // backup --out
    QString fromPath;    // restore --from
    QString firmwarePath; // firmware --file
    QStringList assignments; // set KEY=VALUE...
    bool dryRun = false;
    bool force = false;
    bool withNetwork = false;
    bool yes = false;

    IdentifyAction identify = IdentifyAction::None;
    int identifySeconds = 0;

    int testMode = -1; // the Test tab's list position, 0..8
    std::optional<QList<int>> colour; // 3 or 4 levels 0..255
    std::optional<int> testOutput;   // 1.., the single-output test
    std::optional<int> testPixel;    // 1.., the single-pixel test

    QString mac;  // readdress --mac
    QString ip;   // readdress --ip
    QString mask; // readdress --mask
    bool dhcp = false;
};

struct ParseResult {
    bool ok = false;
    CliOptions options;
    QString error; // what is wrong with the command line, when !ok
};

// `arguments` without the program name.
ParseResult parseArguments(const QStringList& arguments);

// The overview printed by "help" and after a command-line error.
QString usageText();
// One command's usage ("help backup", "backup --help"); the overview for an unknown name.
QString commandHelp(const QString& command);

// The test modes by their names on the command line, in list order (the
// position is the mode code the Test tab sends).
QStringList testModeNames();

} // namespace vantrel::cli
