#include "diagnostics/AboutWindows.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace vantrel::diagnostics {

namespace {

constexpr int kLogoTop = 12;
constexpr int kGapUnderLogo = 10;
constexpr int kSideMargin = 16;
constexpr int kButtonWidth = 81;
constexpr int kButtonHeight = 25;
constexpr int kButtonMargin = 10;

} // namespace

AboutWindowBase::AboutWindowBase(int clientWidth, int clientHeight, const QString& logoResource,
                                 QSize logoSize, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(clientWidth, clientHeight);
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    // A missing picture leaves the image empty.
    const QPixmap logo(logoResource);
    if (!logo.isNull()) Image1->setPixmap(logo);
    Image1->setScaledContents(true);
    // Centred: X = (width of the window - width of the image) / 2.
    Image1->setGeometry((clientWidth - logoSize.width()) / 2, kLogoTop, logoSize.width(), logoSize.height());
    m_nextLineTop = Image1->geometry().bottom() + 1 + kGapUnderLogo;

    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(clientWidth - kButtonWidth - kButtonMargin, clientHeight - kButtonHeight - kButtonMargin,
                          kButtonWidth, kButtonHeight);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &AboutWindowBase::btnCloseClick);
}

QLabel* AboutWindowBase::addLine(const char* name, const QString& text, int gapAbove, Qt::Alignment alignment) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(alignment);
    label->setText(text);
    const int lineWidth = width() - 2 * kSideMargin;
    const int top = m_nextLineTop + gapAbove;
    label->setGeometry(kSideMargin, top, lineWidth, label->heightForWidth(lineWidth));
    m_nextLineTop = label->geometry().bottom() + 1;
    return label;
}

void AboutWindowBase::makeBold(QLabel* label, int pointSizeDelta) {
    QFont font = label->font();
    font.setBold(true);
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() + pointSizeDelta);
    label->setFont(font);
    label->resize(label->width(), label->heightForWidth(label->width()));
    m_nextLineTop = label->geometry().bottom() + 1;
}

QString AboutWindowBase::versionLine(const QString& versionText) {
    return QStringLiteral("Version ") + versionText;
}

void AboutWindowBase::btnCloseClick() { done(kAboutCloseResult); }

TAboutWin::TAboutWin(const QString& versionText, QWidget* parent)
    : AboutWindowBase(344, 268, QStringLiteral(":/logos/LogoQorvana.png"), QSize(262, 65), parent) {
    setObjectName(QStringLiteral("TAboutWin"));
    Text1 = addLine("Text1", QStringLiteral("Qorvana Vantrel Configuration Utility"), 0);
    makeBold(Text1);
    Label1 = addLine("Label1", versionLine(versionText), 2);
    Label2 = addLine("Label2",
                     QStringLiteral("Finds, configures, tests and updates Nodalux pixel-LED controllers on your "
                                    "network."),
                     10);
    Text2 = addLine("Text2", QStringLiteral("Copyright \u00A9 Qorvana. All rights reserved."), 10);
}

TAboutWinBrand1::TAboutWinBrand1(const QString& versionText, QWidget* parent)
    : AboutWindowBase(344, 247, QStringLiteral(":/logos/LogoBrand1.png"), QSize(231, 65), parent) {
    setObjectName(QStringLiteral("TAboutWinBrand1"));
    lblHead = addLine("lblHead", QStringLiteral("Brightwell PixelSetup"), 0);
    makeBold(lblHead);
    Label1 = addLine("Label1", versionLine(versionText), 2);
    Label2 = addLine("Label2",
                     QStringLiteral("Sets up Brightwell pixel controllers: addressing, outputs, test patterns and "
                                    "firmware."),
                     8);
    Label3 = addLine("Label3", QStringLiteral("\u00A9 Brightwell Stage Systems"), 8);
}

TAboutWinBrand2::TAboutWinBrand2(const QString& /*versionText*/, QWidget* parent)
    : AboutWindowBase(344, 258, QStringLiteral(":/logos/LogoBrand2.png"), QSize(197, 65), parent) {
    setObjectName(QStringLiteral("TAboutWinBrand2"));
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignTop;
    lblHead = addLine("lblHead", QStringLiteral("About This Utility:"), 0, left);
    makeBold(lblHead, 0);
    Text1 = addLine("Text1",
                    QStringLiteral("Kestrel Node Manager finds the pixel controllers on your network and sets "
                                   "their addressing, outputs and LED options. It also runs test patterns and "
                                   "updates their firmware."),
                    4, left);
    Text2 = addLine("Text2", QStringLiteral("Support: support@kestrel-lightworks.example"), 10, left);
}

TAboutWinBrand4::TAboutWinBrand4(const QString& versionText, QWidget* parent)
    : AboutWindowBase(344, 191, QStringLiteral(":/logos/LogoBrand4.png"), QSize(258, 66), parent) {
    setObjectName(QStringLiteral("TAboutWinBrand4"));
    Text1 = addLine("Text1", QStringLiteral("Solwyn LED Config"), 0);
    makeBold(Text1);
    Label1 = addLine("Label1", versionLine(versionText), 2);
}

} // namespace vantrel::diagnostics
