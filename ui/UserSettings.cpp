#include "ui/UserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace vantrel::ui {

namespace {

// Keys of the file, grouped as [network], [diagnostics] and [folders].
constexpr char kAdapterKey[] = "network/adapter";
constexpr char kAutoPollKey[] = "diagnostics/autoPollInterval";
constexpr char kFirmwareFolderKey[] = "folders/firmware";
constexpr char kSettingsFolderKey[] = "folders/settings";

constexpr char kFolderName[] = "vantrel";
constexpr char kFileName[] = "vantrel.conf";
constexpr int kOctetMax = 255;

// "a.b.c.d" with four decimal octets, written back without leading zeros;
// anything else gives an empty text.
QString dottedIPv4(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) return {};
    QStringList octets;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3) return {};
        bool ok = false;
        const int value = part.toInt(&ok, 10);
        if (!ok || value < 0 || value > kOctetMax || !part.front().isDigit()) return {};
        octets << QString::number(value);
    }
    return octets.join(QLatin1Char('.'));
}

QString absoluteFolder(const QString& text) {
    if (text.isEmpty() || text.contains(QChar(u'\0')) || !QDir::isAbsolutePath(text)) return {};
    return QDir::cleanPath(text);
}

// A value the INI reader gave as text (a list or a byte array is not one of ours).
QString textOf(const QVariant& value) {
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QString UserSettings::defaultPath() {
    // XDG_CONFIG_HOME, or ~/.config.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("%1/%2").arg(QLatin1String(kFolderName), QLatin1String(kFileName)));
}

UserSettings::UserSettings(QString path) : m_path(std::move(path)) { load(); }

void UserSettings::load() {
    const QFileInfo info(m_path);
    if (!info.exists()) return; // the first run: the defaults, and nothing to ignore
    QSettings file(m_path, QSettings::IniFormat);
    if (!info.isFile() || !info.isReadable() || file.status() != QSettings::NoError) {
        m_fileUsable = false;
        return;
    }
    m_adapter = dottedIPv4(textOf(file.value(QLatin1String(kAdapterKey))));
    bool ok = false;
    const int interval = textOf(file.value(QLatin1String(kAutoPollKey))).toInt(&ok, 10);
    if (ok) m_autoPollInterval = interval;
    m_firmwareFolder = absoluteFolder(textOf(file.value(QLatin1String(kFirmwareFolderKey))));
    m_settingsFolder = absoluteFolder(textOf(file.value(QLatin1String(kSettingsFolderKey))));
}

void UserSettings::store(const char* key, const QString& value) {
    if (!m_fileUsable) {
        // The ignored file gives way to a new one. (A folder in its place
        // cannot be removed; writing then fails, silently.)
        if (QFileInfo(m_path).isFile()) QFile::remove(m_path);
        m_fileUsable = true;
    }
    QSettings file(m_path, QSettings::IniFormat);
    file.setValue(QLatin1String(key), value);
    file.sync();
}

void UserSettings::setAdapter(const QString& address) {
    const QString dotted = dottedIPv4(address);
    if (dotted.isEmpty() || dotted == m_adapter) return;
    m_adapter = dotted;
    store(kAdapterKey, m_adapter);
}

std::optional<int> UserSettings::autoPollInterval(int min, int max) const {
    if (!m_autoPollInterval || *m_autoPollInterval < min || *m_autoPollInterval > max) return std::nullopt;
    return m_autoPollInterval;
}

void UserSettings::setAutoPollInterval(int milliseconds) {
    if (m_autoPollInterval == milliseconds) return;
    m_autoPollInterval = milliseconds;
    store(kAutoPollKey, QString::number(milliseconds));
}

void UserSettings::setFirmwareFolder(const QString& folder) {
    const QString clean = absoluteFolder(folder);
    if (clean.isEmpty() || clean == m_firmwareFolder) return;
    m_firmwareFolder = clean;
    store(kFirmwareFolderKey, m_firmwareFolder);
}

void UserSettings::setSettingsFolder(const QString& folder) {
    const QString clean = absoluteFolder(folder);
    if (clean.isEmpty() || clean == m_settingsFolder) return;
    m_settingsFolder = clean;
    store(kSettingsFolderKey, m_settingsFolder);
}

QString UserSettings::existingFolder(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

} // namespace vantrel::ui
