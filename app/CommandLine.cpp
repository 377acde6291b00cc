#include "app/CommandLine.h"

#include <cstring>

namespace vantrel::app {

namespace {

constexpr char kProgram[] = "vantrel";
constexpr char kTitleSuffix[] = " - V"; // every title prefix of the brand table ends in it

// The edition's name: its title prefix without the " - V" before the version.
QString editionName(const Branding& edition) {
    QString name = QString::fromLatin1(edition.entry().titlePrefix);
    if (name.endsWith(QLatin1String(kTitleSuffix))) name.chop(static_cast<qsizetype>(std::strlen(kTitleSuffix)));
    return name;
}

void printVersion(const Branding& edition, std::FILE* out) {
    std::fprintf(out, "%s %s\nEdition %d: %s%s\n", kProgram, qPrintable(edition.versionText()),
                 static_cast<int>(edition.AppBrand), qPrintable(editionName(edition)),
                 edition.DevBuild ? ", development build" : "");
}

void printHelp(std::FILE* out) {
    std::fprintf(out,
                 "Usage: %s [--version | --help]\n"
                 "Finds, configures, tests and updates Nodalux pixel-LED controllers on the network.\n"
                 "Without these options it opens its main window.\n"
                 "\n"
                 "  --version  print the version and edition, then exit\n"
                 "  --help     print this help, then exit\n",
                 kProgram);
}

} // namespace

std::optional<int> answerCommandLine(int argc, const char* const* argv, const Branding& edition, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            printVersion(edition, out);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp(out);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace vantrel::app
