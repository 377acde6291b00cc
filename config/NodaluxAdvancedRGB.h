#pragma once
// TNodaluxAdvRGB: the advanced colour-order window. Instead of one colour
// order for the whole controller it gives every output its own: 32 lists on
// two tab pages, outputs 1-8 and 9-16 in two columns of the first page, 17-24
// and 25-32 on the second. Created once at start-up and reused. The lists
// have no change rules; the configuration window refills them (LED type) and
// the configuration flow reads them back.

#include <QDialog>
#include <array>

#include "model/NodaluxCtrl.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace vantrel::config {

class TNodaluxAdvRGB : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOutputs = model::kMaxOutputs;
    static constexpr int kRowsPerColumn = 8;
    static constexpr int kOutputsPerTab = 16;

    // Sizes: with one row the client area is 155 high and the tab control
    // 100; per further row (at most 8) the window grows by 33, the tab by 32.
    static constexpr int kBaseClientHeight = 155;
    static constexpr int kBaseTabHeight = 100;
    static constexpr int kClientStep = 33;
    static constexpr int kTabStep = 32;

    explicit TNodaluxAdvRGB(QWidget* parent = nullptr);

    // Binds AdvRGB and AdvRGB_LBL (entry r - 1 is output r).
    void AdvRGBArrayInit();
    // Fills outputs 1 to n (n = the record's NumUsableOutputs, at most 32)
    // from the record's AdvRgbOrder and lays out the window. A stored order
    // that is not an entry of the list selects nothing (the read-back then
    // keeps the stored order).
    void FillAdvancedRGBForm(const model::TNodaluxCtrl& record);
    // Outputs in use since the last fill.
    int rowCount() const { return m_rows; }

    // Cancel and closing by the title bar (or Escape) close with result 2.
    void reject() override;

    // --- controls (objectName = name) ------------------------------------------
    QTabWidget* TabControl1 = nullptr;
    QWidget* TabItem1 = nullptr;
    QWidget* TabItem2 = nullptr;
    QLabel* Label35 = nullptr; // "RGB Order", first tab, left column
    QLabel* Label36 = nullptr; // first tab, right column
    QLabel* Label53 = nullptr; // second tab, left column
    QLabel* Label54 = nullptr; // second tab, right column
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    std::array<QComboBox*, kOutputs> AdvRGB{};
    std::array<QLabel*, kOutputs> AdvRGB_LBL{};

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setHeights(int rowsShown);
    void layoutButtons();

    std::array<QComboBox*, kOutputs> m_lists{};
    std::array<QLabel*, kOutputs> m_labels{};
    int m_rows = 0;
};

} // namespace vantrel::config
