#pragma once
// TNodaluxConfig: the controller configuration window. Created once at
// start-up and reused for every controller; its caption comes from the
// edition. Five tabs (Network, Control, LEDs, Test, Misc) and OK / Cancel.
//
// The window holds no data of its own beyond its controls: the configuration
// flow fills the controls from the selected controller's record, shows the
// window and reads the controls back. While it is open, the rules here govern
// the controls: the checks on leaving an edit, the up/down buttons, the
// enabling rules, the derived labels, the LED driver options and the two
// buttons that open the advanced windows. Rules that need controller data read
// the record that the record source supplies (the selected controller).

#include <QDialog>
#include <array>
#include <functional>

#include "app/Branding.h"
#include "model/NodaluxCtrl.h"
#include "model/Rules.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;

namespace vantrel::ui {
class Services;
}

namespace vantrel::config {

class ColourPanel;
class TNodaluxAdv;
class TNodaluxAdvRGB;

// Modal results of the tool's windows.
inline constexpr int kModalOK = 1;
inline constexpr int kModalCancel = 2;
inline constexpr int kModalFirmware = 3;

// Outputs in use (sets the record's NumUsableOutputs): half of NumStrings,
// rounded up, when the mode radio is not checked and one of the controller's
// drivers is expandable; NumStrings otherwise (every legacy controller).
void CalculateExpandedOutputs(model::TNodaluxCtrl& record, bool condensedChecked);

class TNodaluxConfig : public QDialog {
    Q_OBJECT
public:
    // The record the rules read: the selected controller's, or null when there
    // is none (the rules then read an empty record and write nothing).
    using RecordSource = std::function<model::TNodaluxCtrl*()>;

    // --- fixed layout (device-independent pixels) ---------------------------
    static constexpr int kClientWidth = 540;
    static constexpr int kClientHeight = 448;
    // The LED tab's group layout with every row shown; the legacy flow uses
    // shorter layouts (placeLedGroups).
    static constexpr int kLedsHeightAllRows = 179;
    static constexpr int kGammaTopAllRows = 184;

    // Ranges of the edits.
    static constexpr int kMaxUniverse = model::kMaxUniverse;
    static constexpr int kOctetMax = 255;
    static constexpr int kFanMin = 10;
    static constexpr int kFanMax = 60;
    static constexpr double kGammaMin = 1.0;
    static constexpr double kGammaMax = 3.0;
    static constexpr int kNicknameTypingLimit = 32;
    // The start channel's ▲ steps while the value is below this.
    static constexpr int kChanUpLimit = 506;

    // The services show the advanced windows modally.
    TNodaluxConfig(const app::Branding& branding, ui::Services& services, QWidget* parent = nullptr);

    // Binds the two advanced windows (both created at start-up) to this one:
    // this window shows and refills them, they read the LED type, the pixel
    // limit and the record through this window.
    void setAdvancedWindows(TNodaluxAdv* adv, TNodaluxAdvRGB* advRgb);
    TNodaluxAdv* advancedWindow() const { return m_adv; }
    TNodaluxAdvRGB* advancedRgbWindow() const { return m_advRgb; }

    void setRecordSource(RecordSource source) { m_recordSource = std::move(source); }
    const RecordSource& recordSource() const { return m_recordSource; }
    // The record, or null.
    model::TNodaluxCtrl* record() const;
    // The record for reading; an empty record when there is none.
    const model::TNodaluxCtrl& recordView() const;
    // Protocol family of the record: 5 and later is the current one.
    bool isNewProtocol() const;

    // Shows the window modally through the services: FormShow, the modal
    // show, FormClose. Returns the modal result (1 OK, 2 Cancel, 3 firmware).
    int ShowModal();

    // --- operations other windows and the flows call -------------------------
    void txtStartChanValidate();
    void radioSACNChange();
    void radioCondensedChange();
    void enableDisableColourControls();
    void comboChipChange();
    void ClockSpeedUpdate();
    void radioRGBChange();
    void RefreshRgbOrderOptions();
    void RefreshLedTypeOptionsV4Below();
    // The LED group's choices, their enabling and their rows as the window was
    // designed (RGB, Normal, Slow; every row shown and every choice offered),
    // without running their rules. The fills start from it before the chip's rule,
    // so that nothing an earlier controller left there carries over.
    void resetLedGroup();
    static bool IsRgbwChipV4Below(int driverIndex);
    int MaxPixelsPerOutput() const;
    bool CurrentDriverExpandable() const;
    bool CurrentDriverCondensable() const;
    // Sets the record's NumUsableOutputs from the mode radio.
    void CalculateExpandedOutputs();
    // The LED tab's layout: the LED group's height and the gamma group's top.
    void placeLedGroups(int ledsHeight, int gammaTop);
    // The Misc tab's layout: the Misc group's height and the tops of the
    // firmware and voltage groups (the fan row is the Misc group's last row).
    void placeMiscGroups(int miscHeight, int firmwareTop, int voltageTop);
    // Channels per pixel and highest start channel follow radioRGBW.
    bool isRgbw() const;

    // --- handlers ------------------------------------------------------------
    void IP_SMExit(QLineEdit* edit);
    void txtStartUnivExit();
    void txtStartChanExit();
    void txtNodesExit();
    void txtOutExit(int output); // txtOut1Exit .. txtOut4Exit (output 1..4)
    void txtFanExit();
    void txtGammaRedExit();
    void txtGammaGreenExit();
    void txtGammaBlueExit();
    void txtGammaWhiteExit();
    void btnUnivUpClick();
    void btnUnivDownClick();
    void btnChanUpClick();
    void btnChanDownClick();
    void btnNodesUpClick();
    void btnNodesDownClick();
    void btnOutUpClick(int output);   // btnOut1UpClick .. btnOut4UpClick
    void btnOutDownClick(int output); // btnOut1DownClick .. btnOut4DownClick
    void btnFanUpClick();
    void btnFanDownClick();
    void btnAdvancedClick();
    void btnAdvancedRGBClick();
    void btnOKClick();
    void btnCancelClick();
    void btnFirmwareClick();
    void trackGammaChange(int colour); // trackGammaRedChange .. trackGammaWhiteChange (0..3)
    void checkAdvChange();
    void checkAdvRGBChange();
    void trackClockSpeedChange();
    // Returns true when the key is swallowed.
    bool txtNicknameKeyDown(QKeyEvent* event);
    void FormShow();
    void FormClose();
    // The Test tab's behaviour (testmode/) takes its part of FormShow (show the
    // record, attach the test-mode list's handler) and of FormClose (detach
    // it, stop stepping). Empty functions remove the hooks.
    void setTestTabHooks(std::function<void()> onShow, std::function<void()> onClose);

    // Cancel and closing by the title bar (or Escape) close with result 2.
    void reject() override;

    // --- controls (objectName = member name) ---------------------------------
    QTabWidget* TabControl1 = nullptr;
    QWidget* tabNetwork = nullptr;
    QWidget* tabControl = nullptr;
    QWidget* tabLED = nullptr;
    QWidget* tabTest = nullptr;
    QWidget* tabMisc = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // Network
    QGroupBox* gboxNetwork = nullptr;
    QLabel* lblIP = nullptr;
    QLineEdit* IP1 = nullptr;
    QLineEdit* IP2 = nullptr;
    QLineEdit* IP3 = nullptr;
    QLineEdit* IP4 = nullptr;
    QLabel* lblSM = nullptr;
    QLineEdit* SM1 = nullptr;
    QLineEdit* SM2 = nullptr;
    QLineEdit* SM3 = nullptr;
    QLineEdit* SM4 = nullptr;
    QLabel* lblDHCP = nullptr;
    QRadioButton* radioDHCP = nullptr;
    QRadioButton* radioStatic = nullptr;

    // Control
    QGroupBox* gboxEthernet = nullptr;
    QLabel* lblUniv = nullptr;
    QLineEdit* txtStartUniv = nullptr;
    QPushButton* btnUnivUp = nullptr;
    QPushButton* btnUnivDown = nullptr;
    QLabel* lblStartChan = nullptr;
    QLineEdit* txtStartChan = nullptr;
    QPushButton* btnChanUp = nullptr;
    QPushButton* btnChanDown = nullptr;
    QLabel* lblNodes = nullptr;
    QLineEdit* txtNodes = nullptr;
    QPushButton* btnNodesUp = nullptr;
    QPushButton* btnNodesDown = nullptr;
    QCheckBox* checkAdv = nullptr;
    QPushButton* btnAdvanced = nullptr;
    QLabel* lblProtocol = nullptr;
    QRadioButton* radioSACN = nullptr;
    QRadioButton* radioArtNet = nullptr;
    QRadioButton* radioOstra = nullptr;
    QCheckBox* checkHoldFrame = nullptr;
    QGroupBox* gboxDMX = nullptr;
    QLabel* lblDMXOn1 = nullptr;
    QLabel* lblDMXUniv1 = nullptr;
    QLabel* lblDMXOn2 = nullptr;
    QLabel* lblDMXUniv2 = nullptr;
    // Entry k is DMX output k + 1 (lblOut1, switchOut1, txtOut1, btnOut1Up, btnOut1Down, ...).
    std::array<QLabel*, model::kMaxDmxOutputs> lblOut{};
    std::array<QCheckBox*, model::kMaxDmxOutputs> switchOut{};
    std::array<QLineEdit*, model::kMaxDmxOutputs> txtOut{};
    std::array<QPushButton*, model::kMaxDmxOutputs> btnOutUp{};
    std::array<QPushButton*, model::kMaxDmxOutputs> btnOutDown{};

    // LEDs
    QWidget* pnlLEDs = nullptr; // holds the two groups; their positions are relative to it
    QGroupBox* gboxLEDs = nullptr;
    QLabel* lblChip = nullptr;
    QComboBox* comboChip = nullptr;
    QLabel* lblSpeed = nullptr;
    QRadioButton* radioSlow = nullptr;
    QRadioButton* radioFast = nullptr;
    QLabel* lblClockSpeed = nullptr;
    QSlider* trackClockSpeed = nullptr;
    QLabel* lblOutputs = nullptr;
    QRadioButton* radioStandard = nullptr;
    QRadioButton* radioCondensed = nullptr;
    QLabel* lblLedType = nullptr;
    QRadioButton* radioRGB = nullptr;
    QRadioButton* radioRGBW = nullptr;
    QLabel* lblRGB = nullptr;
    QComboBox* comboRGB = nullptr;
    QCheckBox* checkAdvRGB = nullptr;
    QPushButton* btnAdvancedRGB = nullptr;
    QButtonGroup* groupSpeed = nullptr;
    QButtonGroup* groupOutputs = nullptr;
    QButtonGroup* groupLedType = nullptr;
    QGroupBox* gboxGamma = nullptr;
    // The gamma sliders hold the value in tenths: 10 (1.0) to 30 (3.0), step 1 (0.1).
    QSlider* trackGammaRed = nullptr;
    QSlider* trackGammaGreen = nullptr;
    QSlider* trackGammaBlue = nullptr;
    QSlider* trackGammaWhite = nullptr;
    QLineEdit* txtGammaRed = nullptr;
    QLineEdit* txtGammaGreen = nullptr;
    QLineEdit* txtGammaBlue = nullptr;
    QLineEdit* txtGammaWhite = nullptr;
    QLabel* lblGammaRed = nullptr;
    QLabel* lblGammaGreen = nullptr;
    QLabel* lblGammaBlue = nullptr;
    QLabel* lblGammaWhite = nullptr;
    QLabel* lblTrackLock = nullptr;
    QCheckBox* switchLockSliders = nullptr;
    QLabel* lblGammaNote = nullptr;

    // Test
    QGroupBox* gboxTest = nullptr;
    QLabel* lblDesc3 = nullptr;
    QLabel* lblDesc1 = nullptr;
    QLabel* lblCurrentTest = nullptr;
    QLabel* lblDesc2 = nullptr;
    QComboBox* comboTestModes = nullptr;
    QButtonGroup* testPixelOutputs = nullptr;
    QRadioButton* radioTestAllOutputs = nullptr;
    QRadioButton* radioTestSingleOutput = nullptr;
    QLabel* lblTestOutput = nullptr;
    QSpinBox* numboxTestOutput = nullptr;
    QPushButton* btnTestOutputInc = nullptr;
    QPushButton* btnTestOutputDec = nullptr;
    QFrame* pnlTestSetCol = nullptr;
    ColourPanel* colPanelTest = nullptr;
    QSlider* trackTestRed = nullptr;
    QSlider* trackTestGreen = nullptr;
    QSlider* trackTestBlue = nullptr;
    QSlider* trackTestWhite = nullptr;
    QLineEdit* editTestRed = nullptr;
    QLineEdit* editTestGreen = nullptr;
    QLineEdit* editTestBlue = nullptr;
    QLineEdit* editTestWhite = nullptr;
    QLabel* lblTestRed = nullptr;
    QLabel* lblTestGreen = nullptr;
    QLabel* lblTestBlue = nullptr;
    QLabel* lblTestWhite = nullptr;
    QFrame* pnlTestPixel = nullptr;
    QLabel* lblTestPixelNumber = nullptr;
    QSpinBox* numboxTestPixelNumber = nullptr;
    QPushButton* btnTestPixelNumberInc = nullptr;
    QPushButton* btnTestPixelNumberDec = nullptr;
    QLabel* lblTestPixelAutoTime = nullptr;
    QDoubleSpinBox* numboxTestPixelAutoTime = nullptr;
    QPushButton* btnTestPixelAutoStart = nullptr;
    QPushButton* btnTestPixelAutoStop = nullptr;
    QToolButton* btnTestPixelHelp = nullptr;
    QTimer* tmrTestPixelAuto = nullptr;

    // Misc
    QGroupBox* gboxMisc = nullptr;
    QLabel* lblNickname = nullptr;
    QLineEdit* txtNickname = nullptr;
    QLabel* lblFan = nullptr;
    QLineEdit* txtFan = nullptr;
    QPushButton* btnFanUp = nullptr;
    QPushButton* btnFanDown = nullptr;
    QLabel* lblFanUnit = nullptr;
    QLabel* lblTempF = nullptr;
    QLabel* lblMAC = nullptr;
    QPushButton* btnIdentifyStart = nullptr;
    QPushButton* btnIdentifyStop = nullptr;
    QGroupBox* gboxFirmware = nullptr;
    QLabel* lblFirmware = nullptr;
    QPushButton* btnFirmware = nullptr;
    QGroupBox* gboxVoltage = nullptr;
    QLabel* Label5 = nullptr; // "1:"
    QLabel* Label6 = nullptr; // "2:"
    QLabel* Label7 = nullptr; // "3:"
    QLabel* Label9 = nullptr; // "4:"
    QLabel* lblVolt1 = nullptr;
    QLabel* lblVolt2 = nullptr;
    QLabel* lblVolt3 = nullptr;
    QLabel* lblVolt4 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildNetworkTab();
    void buildControlTab();
    void buildLedTab();
    void buildTestTab();
    void buildMiscTab();
    void connectRules();

    // The chip rules of the two protocol families.
    void chipChangeCurrent();
    void chipChangeLegacy();
    // The driver table entry of the chosen chip, or -1 when the chip index
    // lies outside the record's table.
    int driverCode(const std::vector<std::uint8_t>& table) const;
    // Sets both LED-type radios' enabled state.
    void setLedTypeEnabled(bool enabled);
    void setModeRadiosEnabled(bool enabled);
    void setSpeedControls(bool visible, bool enabled);
    void setClockEnabled(bool enabled);

    // Up/down: reads the edit (a text that is not a whole number becomes
    // `fallback` first) and writes value ± step when the condition holds.
    void stepUp(QLineEdit* edit, long long fallback, long long step, long long below);
    void stepDown(QLineEdit* edit, long long fallback, long long step, long long above);
    void updateFahrenheit();
    void gammaExit(int colour);
    QSlider* gammaTrack(int colour) const;
    QLineEdit* gammaEdit(int colour) const;

    app::Branding m_branding;
    ui::Services& m_services;
    RecordSource m_recordSource;
    TNodaluxAdv* m_adv = nullptr;
    TNodaluxAdvRGB* m_advRgb = nullptr;
    std::function<void()> m_testTabShow;
    std::function<void()> m_testTabClose;
};

} // namespace vantrel::config
