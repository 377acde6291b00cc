#pragma once
// TNodaluxAdv: the advanced output window. Instead of one start universe,
// start channel and pixel count for the whole controller it gives every
// output its own start universe, start channel, pixel count, null pixels,
// zig-zag, grouping, intensity limit and direction, shows where each
// output's data ends, and can chain the outputs one after another.
//
// One row per output, 32 rows on two tab pages (rows 1-16, 17-32). Created
// once at start-up and reused; the configuration window shows it and refills
// it, and supplies the LED type, the pixel limit and the record.

#include <QDialog>
#include <array>

#include "model/NodaluxCtrl.h"
#include "model/Rules.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vantrel::config {

class TNodaluxConfig;

class TNodaluxAdv : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = model::kMaxOutputs;
    static constexpr int kRowsPerTab = 16;
    static constexpr int kStripes = kRows / 2;

    // Sizes of the window: with one row the client area is 145 high and the
    // tab control 98; both grow by 32 for each further row of the first tab.
    static constexpr int kBaseClientHeight = 145;
    static constexpr int kBaseTabHeight = 98;
    static constexpr int kRowPitch = 32;

    // Tab positions of the keyboard order start here.
    static constexpr int kFirstTabPosition = 1000;

    // Ranges of the columns.
    static constexpr int kMaxUniverse = model::kMaxUniverse;
    static constexpr int kMaxIntensity = 100;
    static constexpr int kLegacyMaxNull = 10;
    static constexpr int kMaxNull = 255;
    static constexpr int kLegacyMaxZig16 = 339;
    static constexpr int kLegacyMaxZig = 679;

    explicit TNodaluxAdv(QWidget* parent = nullptr);

    // The configuration window this one belongs to (set by it).
    void setConfigWindow(const TNodaluxConfig* config) { m_config = config; }

    // Binds the control arrays: entry r - 1 of each array is the control of row r.
    void initArrays();
    // Fills rows 1 to n (n = the record's NumUsableOutputs, at most 32) from
    // the record and lays out the window; rows beyond n are hidden.
    void FillAdvancedForm(const model::TNodaluxCtrl& record);
    // Firmware without per-output grouping and intensity: those edits show
    // "1" and "100" and stay disabled at every fill. On by default.
    void setGroupingAvailable(bool available);
    bool groupingAvailable() const { return m_groupingAvailable; }
    // Rows in use since the last fill.
    int rowCount() const { return m_rows; }

    void FormShow();
    // End universe and channel of every row in use (and the automatic chain).
    void updateEnds();
    void ShowHideAutoChan();
    void updateTabOrders();
    // The keyboard order as tab positions: the control at position
    // kFirstTabPosition + i is entry i (the edits of rows 1 to n in use).
    QList<QLineEdit*> tabSequence() const;

    // --- handlers (row 1..32) ------------------------------------------------
    void startUnivExit(int row);
    void startChanExit(int row);
    void numNodesExit(int row);
    void nullPixExit(int row);
    void zigExit(int row);
    void groupExit(int row);
    void intensityExit(int row);
    void checkAutoChanChange();
    void radioTabOrderChange();

    // Cancel and closing by the title bar (or Escape) close with result 2.
    void reject() override;

    // --- controls (objectName = name) ------------------------------------------
    QTabWidget* TabControl1 = nullptr;
    QWidget* TabItem1 = nullptr;
    QWidget* TabItem2 = nullptr;
    QCheckBox* checkAutoChan = nullptr;
    QRadioButton* radioTabVertical = nullptr; // "Tab Down"
    QRadioButton* radioTabRight = nullptr;    // "Tab Right"
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The control arrays (entry r - 1 is row r).
    std::array<QLabel*, kRows> AdvLBL{};
    std::array<QFrame*, kStripes> AdvPanel{}; // panel k + 1 lies behind row 2k + 1
    std::array<QLineEdit*, kRows> universes{};
    std::array<QLineEdit*, kRows> channels{};
    std::array<QLineEdit*, kRows> end_universes{};
    std::array<QLineEdit*, kRows> end_channels{};
    std::array<QLineEdit*, kRows> nodes{};
    std::array<QLineEdit*, kRows> null{};
    std::array<QLineEdit*, kRows> zig{};
    std::array<QLineEdit*, kRows> grouping{};
    std::array<QLineEdit*, kRows> brightness{};
    std::array<QCheckBox*, kRows> reverse{};

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        QLabel* label = nullptr;
        QLineEdit* univ = nullptr;
        QLineEdit* chan = nullptr;
        QLineEdit* endUniv = nullptr;
        QLineEdit* endChan = nullptr;
        QLineEdit* nodes = nullptr;
        QLineEdit* null = nullptr;
        QLineEdit* zig = nullptr;
        QLineEdit* group = nullptr;
        QLineEdit* bright = nullptr;
        QCheckBox* rev = nullptr;
    };

    void buildRows();
    void layoutBottomRow();
    void setHeights(int rowsShown);
    bool rgbw() const;
    int maxPixelsPerOutput() const;
    const model::TNodaluxCtrl& record() const;
    bool legacyProtocol() const;
    // The record's MaxPixels − 1, never below 0.
    int maxPixelsLessOne() const;
    // The whole number in an edit, or `fallback` when it holds none.
    static long long valueOf(const QLineEdit* edit, long long fallback);

    const TNodaluxConfig* m_config = nullptr;
    std::array<Row, kRows> m_row{};
    int m_rows = 0;
    bool m_groupingAvailable = true;
    int m_contentWidth = 0;
};

} // namespace vantrel::config
