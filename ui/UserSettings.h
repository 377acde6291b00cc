#pragma once
// The user's remembered choices: the adapter chosen last, the auto-poll
// interval, and the folders last used for firmware files and for settings
// files. They are kept with Qt's settings (INI form) in the user's
// configuration folder, $XDG_CONFIG_HOME/vantrel/vantrel.conf
// (~/.config/vantrel/vantrel.conf when the variable is not set).
//
// The file is read once, when the object is made. A file that is missing,
// cannot be read or does not parse is ignored as a whole, and so is every
// value that is not of its kind: the program then starts with its defaults,
// without a message. Every change is written at once, so a program that is
// ended by force keeps what the user chose; a write that fails (a read-only
// folder) changes nothing for the running program.
//
//   ui::UserSettings settings(ui::UserSettings::defaultPath());
//   if (auto ms = settings.autoPollInterval(10, 60000)) ...;
//   settings.setAdapter(QStringLiteral("192.168.1.10"));

#include <QString>
#include <optional>

namespace vantrel::ui {

class UserSettings {
public:
    // The user's file in the XDG configuration folder.
    static QString defaultPath();
    // `path` is the settings file; the folders above it are made when it is first written.
    explicit UserSettings(QString path);

    QString path() const { return m_path; }
    // False when an existing file was ignored (unreadable or corrupt); the
    // first change then replaces it with a file of the current values.
    bool fileWasUsable() const { return m_fileUsable; }

    // The IPv4 address of the adapter chosen last, dotted; empty when none is known.
    QString adapter() const { return m_adapter; }
    void setAdapter(const QString& address);

    // The auto-poll interval in milliseconds, when one is stored and lies
    // within [min, max] (the window's range); nothing otherwise.
    std::optional<int> autoPollInterval(int min, int max) const;
    void setAutoPollInterval(int milliseconds);

    // Absolute folder paths; empty when none is known.
    QString firmwareFolder() const { return m_firmwareFolder; }
    void setFirmwareFolder(const QString& folder);
    QString settingsFolder() const { return m_settingsFolder; }
    void setSettingsFolder(const QString& folder);

    // `folder` when it names an existing folder, otherwise empty (a file
    // dialog then opens in the current folder).
    static QString existingFolder(const QString& folder);

private:
    void load();
    void store(const char* key, const QString& value);

    QString m_path;
    bool m_fileUsable = true;
    QString m_adapter;
    std::optional<int> m_autoPollInterval;
    QString m_firmwareFolder;
    QString m_settingsFolder;
};

} // namespace vantrel::ui
