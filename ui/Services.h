#pragma once
// The services seam: every message box, modal show, blocking pause, file or
// URL open and file choice of every window and flow goes through here.
// Production uses Qt (QtServices); tests script the answers and record what
// was shown (ScriptedServices), so no dialog ever waits for a person.

#include <QString>

class QDialog;
class QWidget;

namespace vantrel::ui {

enum class MessageKind { Plain, Information, Warning, Error };

enum class Buttons { Ok, YesNo, AbortIgnore };

enum class Answer { Ok, Yes, No, Abort, Ignore, Dismissed };

enum class OpenResult { Opened, NoApplication, Failed };

class Services {
public:
    virtual ~Services() = default;

    // A modal message box with a fixed button set; `defaultAnswer` is the
    // default button (Yes for the Yes/No questions).
    virtual Answer message(MessageKind kind, const QString& text, Buttons buttons = Buttons::Ok,
                           Answer defaultAnswer = Answer::Ok) = 0;

    // Shows a window modally and returns its modal result (1 OK, 2 Cancel, 3 firmware).
    virtual int showModal(QDialog& dialog) = 0;

    // A blocking pause on the UI thread (200 ms after a configuration, 1000 ms
    // after a bootloader trigger, 2000 ms in the firmware upload).
    virtual void sleep(int milliseconds) = 0;

    // Opens a local file or a web address with the system's application.
    virtual OpenResult openFile(const QString& path) = 0;
    virtual OpenResult openUrl(const QString& url) = 0;

    // A file-open dialog; empty when the user cancelled. `filter` in Qt's form
    // ("Label (*.ext)") or as "Label|*.ext" pairs. `startFolder` is where it
    // opens (empty: the process's current folder).
    virtual QString chooseOpenFile(const QString& caption, const QString& filter,
                                   const QString& startFolder = QString()) = 0;

    // A file-save dialog proposing `suggestedName` in `startFolder`; empty
    // when the user cancelled.
    virtual QString chooseSaveFile(const QString& caption, const QString& filter, const QString& startFolder,
                                   const QString& suggestedName) = 0;

    // A folder dialog; empty when the user cancelled.
    virtual QString chooseFolder(const QString& caption, const QString& startFolder) = 0;
};

} // namespace vantrel::ui
