#pragma once
// The About windows: one for the maker's edition and one for each partner
// edition that has one (1, 2 and 4). Each is created once and shown modally;
// its Close button ends it with the modal result 8.
//
// API for the main window:
//   // at start-up, in the program's window order; the version text is the
//   // three numbers without leading zeros ("2.3.23", Branding::versionText()):
//   auto* about = new TAboutWin(branding.versionText(), mainWindow);
//   auto* about1 = new TAboutWinBrand1(branding.versionText(), mainWindow);
//   auto* about2 = new TAboutWinBrand2(branding.versionText(), mainWindow); // shows no version
//   auto* about4 = new TAboutWinBrand4(branding.versionText(), mainWindow);
//   // btnAboutClick, by AppBrand (0, 1, 2, 4; other editions have none):
//   services.showModal(*about);                 // 8 when closed with "Close"
//
// Each window: caption "About", fixed client size (edition 0: 344 x 268,
// 1: 344 x 247, 2: 344 x 258, 4: 344 x 191), the edition's logo `Image1`
// (":/logos/LogoQorvana.png", ":/logos/LogoBrand1.png", ...) at the size of
// the brand table, centred horizontally at the top; `Label1` "Version 2.3.23"
// centred under it (not in edition 2); `btnClose` "Close" at the bottom right.
// Every text is plain text.

#include <QDialog>

class QLabel;
class QPushButton;

namespace vantrel::diagnostics {

// What the Close button of every About window returns.
inline constexpr int kAboutCloseResult = 8;

// The frame the four windows share: fixed client size, caption "About", the
// logo `Image1` centred at the top and `btnClose` at the bottom right.
class AboutWindowBase : public QDialog {
    Q_OBJECT

public:
    QLabel* Image1 = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    AboutWindowBase(int clientWidth, int clientHeight, const QString& logoResource, QSize logoSize,
                    QWidget* parent);

    // A plain-text label across the window, `gapAbove` under the previous
    // line (the first under the logo), as high as its wrapped text.
    QLabel* addLine(const char* name, const QString& text, int gapAbove,
                    Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop);
    // Bold, `pointSizeDelta` points larger; the label keeps fitting its text.
    // Call right after the label's addLine.
    void makeBold(QLabel* label, int pointSizeDelta = 1);
    // "Version " and the version text: "Version 2.3.23".
    static QString versionLine(const QString& versionText);
    void btnCloseClick();

private:
    int m_nextLineTop = 0;
};

// Edition 0, the maker's own.
class TAboutWin : public AboutWindowBase {
    Q_OBJECT

public:
    TAboutWin(const QString& versionText, QWidget* parent = nullptr);

    QLabel* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Text2 = nullptr;
};

// Edition 1.
class TAboutWinBrand1 : public AboutWindowBase {
    Q_OBJECT

public:
    TAboutWinBrand1(const QString& versionText, QWidget* parent = nullptr);

    QLabel* lblHead = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
};

// Edition 2: no version line.
class TAboutWinBrand2 : public AboutWindowBase {
    Q_OBJECT

public:
    TAboutWinBrand2(const QString& versionText, QWidget* parent = nullptr);

    QLabel* lblHead = nullptr;
    QLabel* Text1 = nullptr;
    QLabel* Text2 = nullptr;
};

// Edition 4.
class TAboutWinBrand4 : public AboutWindowBase {
    Q_OBJECT

public:
    TAboutWinBrand4(const QString& versionText, QWidget* parent = nullptr);

    QLabel* Text1 = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace vantrel::diagnostics
