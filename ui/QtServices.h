#pragma once
// The services seam on Qt: real message boxes, modal windows, pauses and the
// desktop's "open" action.

#include "ui/Services.h"

namespace vantrel::ui {

class QtServices final : public Services {
public:
    // `dialogParent` is the window message boxes are centred on (may be null).
    explicit QtServices(QWidget* dialogParent = nullptr) : m_parent(dialogParent) {}

    void setDialogParent(QWidget* parent) { m_parent = parent; }

    Answer message(MessageKind kind, const QString& text, Buttons buttons = Buttons::Ok,
                   Answer defaultAnswer = Answer::Ok) override;
    int showModal(QDialog& dialog) override;
    void sleep(int milliseconds) override;
    OpenResult openFile(const QString& path) override;
    OpenResult openUrl(const QString& url) override;
    QString chooseOpenFile(const QString& caption, const QString& filter,
                           const QString& startFolder = QString()) override;
    QString chooseSaveFile(const QString& caption, const QString& filter, const QString& startFolder,
                           const QString& suggestedName) override;
    QString chooseFolder(const QString& caption, const QString& startFolder) override;

private:
    QWidget* m_parent = nullptr;
};

// A file-dialog filter in Qt's form; a filter of "label|pattern" pairs
// ("Firmware Hex File|*.hex") is translated, other texts pass unchanged.
QString qtFileFilter(const QString& filter);

} // namespace vantrel::ui
