#pragma once
// The services seam for tests: answers are scripted per call kind and used in
// order; every message, modal show, pause, open and file choice is recorded.
// Nothing waits for a person and nothing sleeps.

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "ui/Services.h"

namespace vantrel::ui::testing {

class ScriptedServices final : public Services {
public:
    struct Message {
        MessageKind kind;
        QString text;
        Buttons buttons;
        Answer defaultAnswer;
    };
    struct ModalShow {
        QString objectName;
        QString className;
        QString windowTitle;
        int result;
    };
    struct FileDialog {
        QString caption;
        QString filter;
        QString startFolder = QString();
        QString kind = QStringLiteral("open"); // "open", "save" or "folder"
        QString suggestedName = QString();
    };
    // Runs while a window is "shown"; may work its controls; returns the modal result.
    using ModalHandler = std::function<int(QDialog&)>;

    // --- script ------------------------------------------------------------
    // Answers for `message`; without one the box's default answer is taken.
    void queueAnswer(Answer answer) { m_answers.push_back(answer); }
    // Results for `showModal`; without one a window is closed with 2 (Cancel).
    void queueModalResult(int result);
    void queueModal(ModalHandler handler) { m_modals.push_back(std::move(handler)); }
    // Results for `openFile` and `openUrl`; without one the open succeeds.
    void queueOpenResult(OpenResult result) { m_opens.push_back(result); }
    // Choices for `chooseOpenFile`, `chooseSaveFile` and `chooseFolder`, in
    // call order; without one the user cancels (empty text).
    void queueFileChoice(const QString& path) { m_files.push_back(path); }

    // Called for every message after it is recorded (a test may act as the user would).
    std::function<void(const Message&)> onMessage;

    // --- record ------------------------------------------------------------
    QList<Message> messages;
    QList<ModalShow> modals;
    QList<int> sleeps;
    QStringList openedFiles;
    QStringList openedUrls;
    QList<FileDialog> fileDialogs;

    // How many messages had exactly this text.
    int countMessages(const QString& text) const;
    // Calls made beyond the script (answered with the defaults above).
    int unscriptedCalls() const { return m_unscripted; }
    // Forgets the record (the script stays).
    void clearRecord();

    // --- Services ------------------------------------------------------------
    Answer message(MessageKind kind, const QString& text, Buttons buttons = Buttons::Ok,
                   Answer defaultAnswer = Answer::Ok) override;
    int showModal(QDialog& dialog) override;
    void sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
    OpenResult openFile(const QString& path) override;
    OpenResult openUrl(const QString& url) override;
    QString chooseOpenFile(const QString& caption, const QString& filter,
                           const QString& startFolder = QString()) override;
    QString chooseSaveFile(const QString& caption, const QString& filter, const QString& startFolder,
                           const QString& suggestedName) override;
    QString chooseFolder(const QString& caption, const QString& startFolder) override;

private:
    OpenResult nextOpenResult();
    QString nextFileChoice(FileDialog dialog);

    std::deque<Answer> m_answers;
    std::deque<ModalHandler> m_modals;
    std::deque<OpenResult> m_opens;
    std::deque<QString> m_files;
    int m_unscripted = 0;
};

} // namespace vantrel::ui::testing
