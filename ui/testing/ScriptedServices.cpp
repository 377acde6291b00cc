#include "ui/testing/ScriptedServices.h"

#include <QDialog>
#include <QMetaObject>

namespace vantrel::ui::testing {

namespace {
constexpr int kModalCancel = 2;
}

void ScriptedServices::queueModalResult(int result) {
    m_modals.push_back([result](QDialog&) { return result; });
}

int ScriptedServices::countMessages(const QString& text) const {
    int n = 0;
    for (const auto& m : messages) n += m.text == text ? 1 : 0;
    return n;
}

void ScriptedServices::clearRecord() {
    messages.clear();
    modals.clear();
    sleeps.clear();
    openedFiles.clear();
    openedUrls.clear();
    fileDialogs.clear();
    m_unscripted = 0;
}

Answer ScriptedServices::message(MessageKind kind, const QString& text, Buttons buttons, Answer defaultAnswer) {
    messages.push_back({kind, text, buttons, defaultAnswer});
    if (onMessage) onMessage(messages.back());
    if (m_answers.empty()) {
        ++m_unscripted;
        return defaultAnswer;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

int ScriptedServices::showModal(QDialog& dialog) {
    int result = kModalCancel;
    if (m_modals.empty()) {
        ++m_unscripted;
    } else {
        ModalHandler handler = std::move(m_modals.front());
        m_modals.pop_front();
        result = handler(dialog);
    }
    dialog.setResult(result);
    modals.push_back({dialog.objectName(), QString::fromLatin1(dialog.metaObject()->className()),
                      dialog.windowTitle(), result});
    return result;
}

OpenResult ScriptedServices::nextOpenResult() {
    if (m_opens.empty()) {
        ++m_unscripted;
        return OpenResult::Opened;
    }
    const OpenResult r = m_opens.front();
    m_opens.pop_front();
    return r;
}

OpenResult ScriptedServices::openFile(const QString& path) {
    openedFiles.push_back(path);
    return nextOpenResult();
}

OpenResult ScriptedServices::openUrl(const QString& url) {
    openedUrls.push_back(url);
    return nextOpenResult();
}

QString ScriptedServices::nextFileChoice(FileDialog dialog) {
    fileDialogs.push_back(std::move(dialog));
    if (m_files.empty()) {
        ++m_unscripted;
        return {};
    }
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

QString ScriptedServices::chooseOpenFile(const QString& caption, const QString& filter, const QString& startFolder) {
    return nextFileChoice({caption, filter, startFolder});
}

QString ScriptedServices::chooseSaveFile(const QString& caption, const QString& filter, const QString& startFolder,
                                         const QString& suggestedName) {
    return nextFileChoice({caption, filter, startFolder, QStringLiteral("save"), suggestedName});
}

QString ScriptedServices::chooseFolder(const QString& caption, const QString& startFolder) {
    return nextFileChoice({caption, QString(), startFolder, QStringLiteral("folder")});
}

} // namespace vantrel::ui::testing
