#include "ui/DesktopApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>

namespace vantrel::ui {

namespace {

constexpr char kDesktopEntryGroup[] = "Desktop Entry";
constexpr char kDefaultGroup[] = "Default Applications";
constexpr char kAddedGroup[] = "Added Associations";
constexpr char kRemovedGroup[] = "Removed Associations";

// One group of a desktop entry or mimeapps.list: key → value as written
// (localised keys such as Name[de] are skipped).
using Group = QHash<QString, QString>;

// Reads the groups of an ini-like freedesktop file; nothing for a file that cannot be read.
QHash<QString, Group> readGroups(const QString& path) {
    QHash<QString, Group> groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return groups;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QString current;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || current.isEmpty()) continue;
        const QString key = line.left(eq).trimmed();
        if (key.contains(u'[')) continue;
        Group& group = groups[current];
        if (!group.contains(key)) group.insert(key, line.mid(eq + 1).trimmed()); // the first one counts
    }
    return groups;
}

// The string escapes of desktop entries: \s \n \t \r \\.
QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        if (next == u's') out += u' ';
        else if (next == u'n') out += u'\n';
        else if (next == u't') out += u'\t';
        else if (next == u'r') out += u'\r';
        else if (next == u'\\') out += u'\\';
        else out += QString(c) + next; // kept for the Exec quoting rules
    }
    return out;
}

QStringList listValue(const QString& value) {
    QStringList items;
    for (const QString& item : value.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = item.trimmed();
        if (!trimmed.isEmpty()) items << trimmed;
    }
    return items;
}

// Splits an Exec line into arguments: blanks separate them, double quotes
// group them, and inside quotes a backslash escapes " ` $ and \. Nothing for
// an unterminated quote.
std::optional<QStringList> splitExec(const QString& exec) {
    QStringList args;
    QString current;
    bool quoted = false;
    bool started = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t') {
            if (started) args << current;
            current.clear();
            started = false;
        } else if (c == u'"') {
            quoted = true;
            started = true;
        } else {
            current += c;
            started = true;
        }
    }
    if (quoted) return std::nullopt;
    if (started) args << current;
    return args;
}

bool isRunnable(const QString& program) {
    if (program.isEmpty()) return false;
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isAbsolute() && info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QStringList absoluteFolders(const QString& variable, const QStringList& defaults) {
    const QString value = qEnvironmentVariable(variable.toLatin1().constData());
    const QStringList given = value.split(u':', Qt::SkipEmptyParts);
    QStringList folders;
    // Relative paths are not valid in these variables.
    for (const QString& f : given.isEmpty() ? defaults : given)
        if (QDir::isAbsolutePath(f)) folders << QDir::cleanPath(f);
    return folders;
}

// Every installed desktop entry: its id → its file, the first folder winning.
// The id is the path under "applications" with '/' written as '-'.
QHash<QString, QString> installedEntries(const XdgFolders& folders) {
    QHash<QString, QString> entries;
    for (const QString& data : folders.data) {
        const QString root = data + QStringLiteral("/applications");
        QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString id = QDir(root).relativeFilePath(file).replace(u'/', u'-');
            if (!entries.contains(id)) entries.insert(id, file);
        }
    }
    return entries;
}

// The entry as an application that can run; nothing for a hidden entry, one
// of another type, one for a terminal, or one whose program is not installed.
std::optional<DesktopApplication> runnableEntry(const QString& id, const QString& file, Group* mimeTypesOut = nullptr) {
    const QHash<QString, Group> groups = readGroups(file);
    const auto found = groups.constFind(QString::fromLatin1(kDesktopEntryGroup));
    if (found == groups.constEnd()) return std::nullopt;
    const Group& entry = *found;
    if (mimeTypesOut) *mimeTypesOut = entry;
    if (entry.value(QStringLiteral("Type")) != QLatin1String("Application")) return std::nullopt;
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true")) return std::nullopt;
    if (entry.value(QStringLiteral("Terminal")) == QLatin1String("true")) return std::nullopt;
    const QString tryExec = unescape(entry.value(QStringLiteral("TryExec")));
    if (!tryExec.isEmpty() && !isRunnable(tryExec)) return std::nullopt;
    DesktopApplication app{id, file, unescape(entry.value(QStringLiteral("Name"))),
                           unescape(entry.value(QStringLiteral("Exec"))), unescape(entry.value(QStringLiteral("Icon")))};
    const auto args = splitExec(app.exec);
    if (!args || args->isEmpty() || !isRunnable(args->front())) return std::nullopt;
    return app;
}

// The mimeapps.list files, most important first.
QStringList mimeappsLists(const XdgFolders& folders) {
    QStringList names;
    for (const QString& desktop : folders.desktops) names << desktop + QStringLiteral("-mimeapps.list");
    names << QStringLiteral("mimeapps.list");
    QStringList files;
    const auto add = [&](const QString& folder) {
        for (const QString& name : names) files << folder + u'/' + name;
    };
    for (const QString& config : folders.config) add(config);
    for (const QString& data : folders.data) add(data + QStringLiteral("/applications"));
    return files;
}

} // namespace

XdgFolders XdgFolders::fromEnvironment() {
    const QString home = QDir::homePath();
    XdgFolders folders;
    folders.config = absoluteFolders(QStringLiteral("XDG_CONFIG_HOME"), {home + QStringLiteral("/.config")}) +
                     absoluteFolders(QStringLiteral("XDG_CONFIG_DIRS"), {QStringLiteral("/etc/xdg")});
    folders.data = absoluteFolders(QStringLiteral("XDG_DATA_HOME"), {home + QStringLiteral("/.local/share")}) +
                   absoluteFolders(QStringLiteral("XDG_DATA_DIRS"),
                                   {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        folders.desktops << d.trimmed().toLower();
    return folders;
}

std::optional<DesktopApplication> applicationFor(const QStringList& mimeTypes, const XdgFolders& folders) {
    const QHash<QString, QString> installed = installedEntries(folders);
    const auto runnable = [&](const QString& id) -> std::optional<DesktopApplication> {
        const auto file = installed.constFind(id);
        if (file == installed.constEnd()) return std::nullopt;
        return runnableEntry(id, *file);
    };
    QList<QHash<QString, Group>> lists;
    for (const QString& file : mimeappsLists(folders)) lists << readGroups(file);

    // The desktop's default: the first installed, runnable one, most important list first.
    for (const auto& list : lists) {
        const Group defaults = list.value(QString::fromLatin1(kDefaultGroup));
        for (const QString& type : mimeTypes)
            for (const QString& id : listValue(defaults.value(type)))
                if (auto app = runnable(id)) return app;
    }

    // Otherwise any associated one: added associations in the order of the
    // lists, then the entries that name the type themselves; an association
    // removed by a list holds against the less important lists and the entries.
    QSet<QString> removed;
    QStringList candidates;
    for (const auto& list : lists) {
        const Group added = list.value(QString::fromLatin1(kAddedGroup));
        const Group dropped = list.value(QString::fromLatin1(kRemovedGroup));
        for (const QString& type : mimeTypes) {
            for (const QString& id : listValue(added.value(type)))
                if (!removed.contains(id) && !candidates.contains(id)) candidates << id;
        }
        for (const QString& type : mimeTypes)
            for (const QString& id : listValue(dropped.value(type))) removed.insert(id);
    }
    for (const QString& id : candidates)
        if (auto app = runnable(id)) return app;

    QStringList ids = installed.keys();
    ids.sort(); // a stable choice among the entries
    for (const QString& id : ids) {
        if (removed.contains(id) || candidates.contains(id)) continue;
        Group entry;
        auto app = runnableEntry(id, installed.value(id), &entry);
        if (!app) continue;
        const QStringList declared = listValue(entry.value(QStringLiteral("MimeType")));
        for (const QString& type : mimeTypes)
            if (declared.contains(type)) return app;
    }
    return std::nullopt;
}

QStringList commandFor(const DesktopApplication& application, const QString& path) {
    const auto args = splitExec(application.exec);
    if (!args || args->isEmpty()) return {};
    QStringList command;
    bool fileGiven = false;
    for (const QString& arg : *args) {
        if (arg == QLatin1String("%i")) {
            if (!application.icon.isEmpty()) command << QStringLiteral("--icon") << application.icon;
            continue;
        }
        QString out;
        bool dropped = false;
        for (qsizetype i = 0; i < arg.size(); ++i) {
            if (arg[i] != u'%' || i + 1 == arg.size()) {
                out += arg[i];
                continue;
            }
            const QChar code = arg[++i];
            switch (code.unicode()) {
            case u'f': case u'F': case u'u': case u'U':
                out += path;
                fileGiven = true;
                break;
            case u'c': out += application.name; break;
            case u'k': out += application.file; break;
            case u'%': out += u'%'; break;
            default: dropped = true; break; // %i inside an argument, and the deprecated codes
            }
        }
        if (dropped && out.isEmpty()) continue;
        command << out;
    }
    if (command.isEmpty()) return {};
    if (!fileGiven) command << path;
    return command;
}

} // namespace vantrel::ui
