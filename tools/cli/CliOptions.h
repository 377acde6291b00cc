#pragma once
// The command line of vantrel-cli, parsed into a plain value. No sockets, no
// output: main() and the tests hand it the arguments, it says what to do or
// why the command line is wrong.
//
//   vantrel-cli adapters [--json|--csv]
//   vantrel-cli discover --adapter <IPv4> [--wait <ms>] [--expect <n>] [--json|--csv]
//   vantrel-cli help | --help | -h

#include <QString>
#include <QStringList>

namespace vantrel::cli {

enum class Command { Help, Adapters, Discover };
enum class Format { Table, Json, Csv };

struct CliOptions {
    // How long discover listens for replies after its poll.
    static constexpr int kDefaultWaitMs = 2000;
    static constexpr int kMaxWaitMs = 600000;
    // Highest --expect: more controllers than the addresses of a /16.
    static constexpr int kMaxExpect = 65536;

    Command command = Command::Help;
    Format format = Format::Table;
    QString adapter; // dotted IPv4, as given (checked to be four octets)
    int waitMs = kDefaultWaitMs;
    // Stop listening as soon as this many controllers are listed; 0: listen for waitMs.
    int expect = 0;
    // Print what the endpoint handed over (replies, duplicates, dropped datagrams) on the error stream.
    bool stats = false;
};

struct ParseResult {
    bool ok = false;
    CliOptions options;
    QString error; // what is wrong with the command line, when !ok
};

// `arguments` without the program name.
ParseResult parseArguments(const QStringList& arguments);

// The usage text printed by "help" and after a command-line error.
QString usageText();

} // namespace vantrel::cli
