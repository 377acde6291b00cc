#include "diagnostics/Guide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "ui/Services.h"

namespace vantrel::diagnostics {

namespace {

// Writes `data` to `path`, replacing what is there. The bytes go to a new
// file beside it first, which then takes the guide's name in one step: a
// copy that a viewer has open is never left half written, and a link placed
// at that name in a shared temporary folder is replaced rather than followed.
bool replaceFile(const QString& path, const QByteArray& data) {
    QTemporaryFile temp(path + QStringLiteral(".XXXXXX"));
    if (!temp.open()) return false;
    if (temp.write(data) != data.size() || !temp.flush()) return false;
    temp.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(temp.fileName()).toStdString(),
                            QFile::encodeName(path).toStdString(), error);
    if (error) return false;
    temp.setAutoRemove(false); // it is the guide now
    return true;
}

// A copy left from an earlier click may be opened; anything else found at
// that name in a shared temporary folder (another user's file, a folder, a
// link) is not handed to the viewer.
bool isOurOwnFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isSymLink() && info.ownerId() == ::getuid();
}

} // namespace

QString guidePath() {
    // Qt gives an empty path when TMPDIR names a folder that does not exist;
    // the guide must then not land in the current or the root folder.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return QString();
    return folder + QLatin1Char('/') + QLatin1String(kGuideFileName);
}

void TPdfOpener::Open() {
    const QString path = guidePath();
    if (path.isEmpty()) return; // no temporary folder: nothing to open, nothing said
    QFile resource(QStringLiteral(":/") + FDocName);
    bool written = false;
    if (resource.open(QIODevice::ReadOnly)) written = replaceFile(path, resource.readAll());
    // A failed write is not reported: the copy already there, if any, is opened.
    if (!written && !isOurOwnFile(path)) return;
    if (m_services.openFile(path) == ui::OpenResult::NoApplication)
        m_services.message(ui::MessageKind::Plain, QString::fromLatin1(kNoPdfApplicationText));
}

void openGuide(ui::Services& services) {
    TPdfOpener opener(services);
    opener.FDocName = QString::fromLatin1(kGuideResource);
    opener.Open();
}

} // namespace vantrel::diagnostics
