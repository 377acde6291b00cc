#pragma once
// Which application the desktop opens a file type with, from the freedesktop
// associations: the desktop entries (*.desktop) under the data folders'
// "applications", their MimeType lists, and the mimeapps.list files of the
// configuration and data folders (default, added and removed associations).
// An application counts only when its entry can run: a visible application
// entry whose program is installed.
//
// The desktop's own opener answers "done" as soon as it has started, whether
// or not anything could show the file; this lookup tells beforehand.

#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel::ui {

// The folders the lookup reads, most important first.
struct XdgFolders {
    QStringList config;   // XDG_CONFIG_HOME, then XDG_CONFIG_DIRS
    QStringList data;     // XDG_DATA_HOME, then XDG_DATA_DIRS
    QStringList desktops; // XDG_CURRENT_DESKTOP, lower case ("gnome"): their <desktop>-mimeapps.list come first

    // From the environment, with the freedesktop defaults for unset variables.
    static XdgFolders fromEnvironment();
};

struct DesktopApplication {
    QString id;   // the desktop file id: "org.example.Viewer.desktop"
    QString file; // the desktop entry's path
    QString name; // Name=
    QString exec; // Exec=, as written
    QString icon; // Icon=
};

// The application that opens files of the given types (a MIME type and its
// aliases): the desktop's default when it can run, otherwise the first that
// can. Nothing when no application can open them.
std::optional<DesktopApplication> applicationFor(const QStringList& mimeTypes, const XdgFolders& folders);

// The program and its arguments that open `path` with `application`: the Exec
// line split as the desktop entry rules say, its field codes filled in (the
// path is added at the end when the line has no file code). Empty when the
// line cannot be read.
QStringList commandFor(const DesktopApplication& application, const QString& path);

} // namespace vantrel::ui
