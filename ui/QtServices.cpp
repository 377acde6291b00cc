#include "ui/QtServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QUrl>

#include "ui/DesktopApplications.h"

namespace vantrel::ui {

namespace {

QMessageBox::Icon iconFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Plain: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton buttonFor(Answer answer) {
    switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    case Answer::Abort: return QMessageBox::Abort;
    case Answer::Ignore: return QMessageBox::Ignore;
    case Answer::Dismissed: break;
    }
    return QMessageBox::NoButton;
}

} // namespace

Answer QtServices::message(MessageKind kind, const QString& text, Buttons buttons, Answer defaultAnswer) {
    QMessageBox box(m_parent);
    box.setIcon(iconFor(kind));
    // Message boxes carry the title of the window they belong to (the main
    // window's, with the program's name and version).
    const QWidget* owner = m_parent ? m_parent->window() : nullptr;
    box.setWindowTitle(owner ? owner->windowTitle() : QApplication::applicationName());
    // Texts may carry what a controller sent; never interpret them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::AbortIgnore: box.setStandardButtons(QMessageBox::Abort | QMessageBox::Ignore); break;
    }
    if (const auto def = buttonFor(defaultAnswer); def != QMessageBox::NoButton && box.button(def))
        box.setDefaultButton(def);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Abort: return Answer::Abort;
    case QMessageBox::Ignore: return Answer::Ignore;
    default: return Answer::Dismissed;
    }
}

int QtServices::showModal(QDialog& dialog) { return dialog.exec(); }

void QtServices::sleep(int milliseconds) {
    if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

OpenResult QtServices::openFile(const QString& path) {
    if (!QFileInfo::exists(path)) return OpenResult::Failed;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener reports success as soon as it has started, even
    // when nothing can show the file; so the application is looked up in the
    // desktop's associations first and started directly.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    const auto application = applicationFor(QStringList{type.name()} + type.aliases(), XdgFolders::fromEnvironment());
    if (!application) return OpenResult::NoApplication;
    const QStringList command = commandFor(*application, path);
    if (command.isEmpty()) return OpenResult::Failed;
    return QProcess::startDetached(command.front(), command.mid(1)) ? OpenResult::Opened : OpenResult::Failed;
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? OpenResult::Opened : OpenResult::NoApplication;
#endif
}

OpenResult QtServices::openUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid()) return OpenResult::Failed;
    return QDesktopServices::openUrl(parsed) ? OpenResult::Opened : OpenResult::NoApplication;
}

QString QtServices::chooseOpenFile(const QString& caption, const QString& filter, const QString& startFolder) {
    return QFileDialog::getOpenFileName(m_parent, caption, startFolder, qtFileFilter(filter));
}

QString QtServices::chooseSaveFile(const QString& caption, const QString& filter, const QString& startFolder,
                                   const QString& suggestedName) {
    const QString start = startFolder.isEmpty() ? suggestedName : QDir(startFolder).filePath(suggestedName);
    return QFileDialog::getSaveFileName(m_parent, caption, start, qtFileFilter(filter));
}

QString QtServices::chooseFolder(const QString& caption, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(m_parent, caption, startFolder);
}

QString qtFileFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|'))) return filter;
    // "label|pattern|label|pattern" becomes "label (pattern);;label (pattern)".
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(u';', u' '));
    return entries.join(QStringLiteral(";;"));
}

} // namespace vantrel::ui
