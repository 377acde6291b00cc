#include "config/NodaluxAdvancedRGB.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabWidget>
#include <algorithm>

#include "config/Controls.h"
#include "config/NodaluxConfig.h"
#include "config/QtText.h"

namespace vantrel::config {

using namespace controls;

namespace {

constexpr int kMargin = 8;
constexpr int kHeadTop = 4;
constexpr int kHeadHeight = 20;
constexpr int kFirstRowTop = 26;
constexpr int kRowPitch = 32;
constexpr int kListWidth = 120;
constexpr int kListHeight = 24;
constexpr int kColumnGap = 30;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 26;
constexpr int kBottomGap = 12;

} // namespace

TNodaluxAdvRGB::TNodaluxAdvRGB(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("NodaluxAdvRGB"));
    setWindowTitle(QStringLiteral("Advanced RGB Order"));

    TabControl1 = outputPages(this, TabItem1, TabItem2);

    const QFontMetrics fm(font());
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("Output 32")) + 12;
    const int columnWidth = labelWidth + kListWidth;
    const int columnX[] = {kMargin, kMargin + columnWidth + kColumnGap};
    const int contentWidth = columnX[1] + columnWidth + kMargin;

    QLabel** heads[] = {&Label35, &Label36, &Label53, &Label54};
    const QString headNames[] = {QStringLiteral("Label35"), QStringLiteral("Label36"), QStringLiteral("Label53"),
                                 QStringLiteral("Label54")};
    for (int h = 0; h < 4; ++h) {
        QWidget* page = h < 2 ? TabItem1 : TabItem2;
        *heads[h] = label(page, headNames[h], QStringLiteral("RGB Order"), columnX[h % 2] + labelWidth, kHeadTop,
                          kListWidth, kHeadHeight);
        (*heads[h])->setAlignment(Qt::AlignCenter);
    }

    for (int i = 0; i < kOutputs; ++i) {
        const auto r = static_cast<std::size_t>(i);
        QWidget* page = i < kOutputsPerTab ? TabItem1 : TabItem2;
        const int column = (i % kOutputsPerTab) / kRowsPerColumn;
        const int y = kFirstRowTop + (i % kRowsPerColumn) * kRowPitch;
        const QString n = QString::number(i + 1);
        m_labels[r] = label(page, QStringLiteral("Label") + n, QStringLiteral("Output ") + n, columnX[column], y + 1,
                            labelWidth, kListHeight);
        m_lists[r] = combo(page, QStringLiteral("ComboBox") + n, columnX[column] + labelWidth, y, kListWidth,
                           kListHeight);
        m_lists[r]->addItems(designColourOrders());
    }

    btnOK = button(this, QStringLiteral("btnOK"), QStringLiteral("OK"), 0, 0, kButtonWidth, kButtonHeight);
    btnCancel = button(this, QStringLiteral("btnCancel"), QStringLiteral("Cancel"), 0, 0, kButtonWidth, kButtonHeight);
    connect(btnOK, &QPushButton::clicked, this, [this] { done(kModalOK); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(kModalCancel); });

    TabControl1->setGeometry(kMargin, kMargin, contentWidth + 2 * kMargin, kBaseTabHeight);
    AdvRGBArrayInit();
    // As designed: eight rows.
    setHeights(kRowsPerColumn);
    TabControl1->setTabVisible(1, false);
}

void TNodaluxAdvRGB::AdvRGBArrayInit() {
    AdvRGB = m_lists;
    AdvRGB_LBL = m_labels;
}

void TNodaluxAdvRGB::setHeights(int rowsShown) {
    const int extra = std::clamp(rowsShown, 1, kRowsPerColumn) - 1;
    TabControl1->resize(TabControl1->width(), kBaseTabHeight + kTabStep * extra);
    setFixedSize(TabControl1->width() + 2 * kMargin, kBaseClientHeight + kClientStep * extra);
    layoutButtons();
}

void TNodaluxAdvRGB::layoutButtons() {
    if (!btnOK) return;
    const int y = height() - kButtonHeight - kBottomGap;
    btnCancel->move(width() - kMargin - kButtonWidth, y);
    btnOK->move(width() - 2 * kMargin - 2 * kButtonWidth, y);
}

void TNodaluxAdvRGB::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutButtons();
}

void TNodaluxAdvRGB::FillAdvancedRGBForm(const model::TNodaluxCtrl& record) {
    AdvRGBArrayInit();
    const int n = std::min<int>(record.NumUsableOutputs, kOutputs);
    m_rows = n;

    TabControl1->setTabEnabled(1, true);
    TabControl1->setTabVisible(1, false);

    for (int i = 0; i < kOutputs; ++i) {
        const auto r = static_cast<std::size_t>(i);
        QComboBox* list = m_lists[r];
        const bool used = i < n;
        m_labels[r]->setVisible(used);
        list->setVisible(used);
        list->setEnabled(used);
        if (!used) continue;
        // A stored order that the list does not offer selects nothing, so
        // that the controller keeps it unless the user chooses one.
        const int order = record.AdvRgbOrder[r];
        list->setCurrentIndex(order < list->count() ? order : -1);
    }

    if (n >= 1) setHeights(std::min(n, kRowsPerColumn));
    Label36->setVisible(n > kRowsPerColumn);
    Label54->setVisible(n > kOutputsPerTab + kRowsPerColumn);
    if (n > kOutputsPerTab) TabControl1->setTabVisible(1, true);

    if (n > kOutputsPerTab) {
        TabControl1->setTabText(0, QStringLiteral("Outputs 1 - 16"));
        TabControl1->setTabText(1, n == kOutputsPerTab + 1 ? QStringLiteral("Output 17")
                                                           : QStringLiteral("Outputs 17 - %1").arg(n));
    } else {
        TabControl1->setTabText(0, n >= 2 ? QStringLiteral("Outputs 1 - %1").arg(n) : QStringLiteral("Output 1"));
    }
}

void TNodaluxAdvRGB::reject() { done(kModalCancel); }

} // namespace vantrel::config
