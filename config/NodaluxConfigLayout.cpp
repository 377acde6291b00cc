// The configuration window's controls: names, captions, initial values and
// their places. Positions are device-independent pixels within each tab page.

#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "config/ColourPanel.h"
#include "config/Controls.h"
#include "config/NodaluxConfig.h"
#include "config/QtText.h"

namespace vantrel::config {

using namespace controls;

namespace {

// Common geometry of the tab pages.
constexpr int kGroupX = 8;
constexpr int kGroupWidth = 500;
constexpr int kCaptionX = 12;
constexpr int kStepButtonSize = 26;

// Network tab.
constexpr int kOctetX = 170;
constexpr int kOctetPitch = 60;
constexpr int kOctetWidth = 44;

// Control tab.
constexpr int kEthernetEditX = 145;
constexpr int kEthernetEditWidth = 70;
constexpr int kEthernetRowY[] = {28, 60, 92};
constexpr int kDmxColumnOffset = 250;
constexpr int kDmxFirstRowY = 50;
constexpr int kDmxRowPitch = 32;

// LEDs tab.
constexpr int kLedFieldX = 140;
constexpr int kGammaRowY = 26;
constexpr int kGammaRowPitch = 28;
constexpr int kGammaHeight = 150;

// Misc tab: group heights and tops with every row shown (new protocol, fan row shown).
constexpr int kMiscHeight = 187;
constexpr int kFirmwareTop = 196;
constexpr int kFirmwareHeight = 72;
constexpr int kVoltageTop = 274;
constexpr int kVoltageHeight = 60;
constexpr int kVoltagePitch = 120;

// Test tab.
constexpr int kTestSliderMax = 255;
constexpr int kTestNumberMin = 1;
constexpr int kTestNumberMax = 5;
constexpr double kAutoTimeMin = 0.5;
constexpr double kAutoTimeMax = 60.0;
constexpr double kAutoTimeDefault = 1.0;

// Gamma sliders in tenths.
constexpr int kGammaTenthsMin = 10;
constexpr int kGammaTenthsMax = 30;

QWidget* page(QTabWidget* tabs, const QString& name, const QString& caption) {
    auto* p = named(new QWidget(tabs), name);
    tabs->addTab(p, caption);
    return p;
}

} // namespace

void TNodaluxConfig::buildNetworkTab() {
    tabNetwork = page(TabControl1, QStringLiteral("tabNetwork"), QStringLiteral("Network"));
    gboxNetwork = group(tabNetwork, QStringLiteral("gboxNetwork"), QStringLiteral("IP Address"), kGroupX, 8,
                        kGroupWidth, 136);

    auto octetRow = [this](const QString& prefix, int y, std::array<QLineEdit**, 4> edits) {
        for (int i = 0; i < 4; ++i) {
            const int x = kOctetX + i * kOctetPitch;
            *edits[static_cast<std::size_t>(i)] =
                edit(gboxNetwork, prefix + QString::number(i + 1), QStringLiteral("0"), x, y - 1, kOctetWidth);
            if (i < 3) {
                auto* dot = label(gboxNetwork, QString(), QStringLiteral("."), x + kOctetWidth + 2, y, 12);
                dot->setAlignment(Qt::AlignCenter);
            }
        }
    };
    lblIP = label(gboxNetwork, QStringLiteral("lblIP"), QStringLiteral("(Static) IP Address:"), kCaptionX, 28, 152);
    octetRow(QStringLiteral("IP"), 28, {&IP1, &IP2, &IP3, &IP4});
    lblSM = label(gboxNetwork, QStringLiteral("lblSM"), QStringLiteral("(Static) Subnet Mask:"), kCaptionX, 62, 152);
    octetRow(QStringLiteral("SM"), 62, {&SM1, &SM2, &SM3, &SM4});
    lblDHCP = label(gboxNetwork, QStringLiteral("lblDHCP"), QStringLiteral("Type of IP:"), kCaptionX, 98, 152);
    radioDHCP = radio(gboxNetwork, QStringLiteral("radioDHCP"), QStringLiteral("DHCP"), kOctetX, 98, 80);
    radioStatic = radio(gboxNetwork, QStringLiteral("radioStatic"), QStringLiteral("Static"), kOctetX + 90, 98, 90);
    radioDHCP->setChecked(true);
}

void TNodaluxConfig::buildControlTab() {
    tabControl = page(TabControl1, QStringLiteral("tabControl"), QStringLiteral("Control"));
    gboxEthernet = group(tabControl, QStringLiteral("gboxEthernet"), QStringLiteral("Ethernet Control"), kGroupX, 8,
                         kGroupWidth, 188);

    auto stepRow = [this](int y, const QString& caption, const QString& lbl, const QString& txt, const QString& up,
                          const QString& down, QLabel*& l, QLineEdit*& e, QPushButton*& u, QPushButton*& d) {
        l = label(gboxEthernet, lbl, caption, kCaptionX, y, 130);
        e = edit(gboxEthernet, txt, QStringLiteral("0"), kEthernetEditX, y - 1, kEthernetEditWidth);
        const int bx = kEthernetEditX + kEthernetEditWidth + 4;
        u = button(gboxEthernet, up, upArrow(), bx, y - 2, kStepButtonSize, kStepButtonSize);
        d = button(gboxEthernet, down, downArrow(), bx + kStepButtonSize + 2, y - 2, kStepButtonSize,
                   kStepButtonSize);
    };
    stepRow(kEthernetRowY[0], QStringLiteral("Start Universe:"), QStringLiteral("lblUniv"),
            QStringLiteral("txtStartUniv"), QStringLiteral("btnUnivUp"), QStringLiteral("btnUnivDown"), lblUniv,
            txtStartUniv, btnUnivUp, btnUnivDown);
    stepRow(kEthernetRowY[1], QStringLiteral("Start Channel:"), QStringLiteral("lblStartChan"),
            QStringLiteral("txtStartChan"), QStringLiteral("btnChanUp"), QStringLiteral("btnChanDown"), lblStartChan,
            txtStartChan, btnChanUp, btnChanDown);
    stepRow(kEthernetRowY[2], QStringLiteral("Pixels Per Output:"), QStringLiteral("lblNodes"),
            QStringLiteral("txtNodes"), QStringLiteral("btnNodesUp"), QStringLiteral("btnNodesDown"), lblNodes,
            txtNodes, btnNodesUp, btnNodesDown);

    checkAdv = check(gboxEthernet, QStringLiteral("checkAdv"), QStringLiteral("Advanced"), 310, kEthernetRowY[1], 90);
    btnAdvanced = button(gboxEthernet, QStringLiteral("btnAdvanced"), QStringLiteral("Advanced"), 400,
                         kEthernetRowY[1] - 2, 90);

    lblProtocol = label(gboxEthernet, QStringLiteral("lblProtocol"), QStringLiteral("Ethernet Protocol:"), kCaptionX,
                        126, 130);
    radioSACN = radio(gboxEthernet, QStringLiteral("radioSACN"), QStringLiteral("sACN (E1.31)"), kEthernetEditX, 126,
                      120);
    radioArtNet = radio(gboxEthernet, QStringLiteral("radioArtNet"), QStringLiteral("Art-Net"), 270, 126, 90);
    radioOstra = radio(gboxEthernet, QStringLiteral("radioOstra"), QStringLiteral("Ostra"), 365, 126, 125);
    radioOstra->setVisible(false); // offered for one partner's controllers only
    radioSACN->setChecked(true);
    checkHoldFrame = check(gboxEthernet, QStringLiteral("checkHoldFrame"),
                           QStringLiteral("Hold Last Frame (Timeout Action)"), kCaptionX, 156, 320);

    gboxDMX = group(tabControl, QStringLiteral("gboxDMX"), QStringLiteral("DMX512 Outputs"), kGroupX, 204,
                    kGroupWidth, 120);
    lblDMXOn1 = label(gboxDMX, QStringLiteral("lblDMXOn1"), QStringLiteral("Off/On"), 58, 24, 50);
    lblDMXUniv1 = label(gboxDMX, QStringLiteral("lblDMXUniv1"), QStringLiteral("Universe"), 112, 24, 70);
    lblDMXOn2 = label(gboxDMX, QStringLiteral("lblDMXOn2"), QStringLiteral("Off/On"), 58 + kDmxColumnOffset, 24, 50);
    lblDMXUniv2 =
        label(gboxDMX, QStringLiteral("lblDMXUniv2"), QStringLiteral("Universe"), 112 + kDmxColumnOffset, 24, 70);
    for (int k = 0; k < model::kMaxDmxOutputs; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString n = QString::number(k + 1);
        const int x0 = (k / 2) * kDmxColumnOffset;
        const int y = kDmxFirstRowY + (k % 2) * kDmxRowPitch;
        lblOut[i] = label(gboxDMX, QStringLiteral("lblOut") + n, QStringLiteral("Out %1:").arg(n), x0 + kCaptionX, y,
                          46);
        switchOut[i] = check(gboxDMX, QStringLiteral("switchOut") + n, QString(), x0 + 68, y, 24);
        txtOut[i] = edit(gboxDMX, QStringLiteral("txtOut") + n, QStringLiteral("0"), x0 + 112, y - 1, 64);
        btnOutUp[i] = button(gboxDMX, QStringLiteral("btnOut%1Up").arg(n), upArrow(), x0 + 180, y - 2,
                             kStepButtonSize, kStepButtonSize);
        btnOutDown[i] = button(gboxDMX, QStringLiteral("btnOut%1Down").arg(n), downArrow(),
                               x0 + 182 + kStepButtonSize, y - 2, kStepButtonSize, kStepButtonSize);
    }
}

void TNodaluxConfig::buildLedTab() {
    tabLED = page(TabControl1, QStringLiteral("tabLED"), QStringLiteral("LEDs"));
    pnlLEDs = named(new QWidget(tabLED), QStringLiteral("pnlLEDs"));
    pnlLEDs->setGeometry(kGroupX, 6, kGroupWidth, 356);

    gboxLEDs = group(pnlLEDs, QStringLiteral("gboxLEDs"), QStringLiteral("LED Pixels"), 0, 0, kGroupWidth,
                     kLedsHeightAllRows);
    // Row 1: chip and data speed.
    lblChip = label(gboxLEDs, QStringLiteral("lblChip"), QStringLiteral("Pixel IC:"), kCaptionX, 24, 120);
    comboChip = combo(gboxLEDs, QStringLiteral("comboChip"), kLedFieldX, 23, 150);
    lblSpeed = label(gboxLEDs, QStringLiteral("lblSpeed"), QStringLiteral("Sp"), 300, 24, 54);
    radioSlow = radio(gboxLEDs, QStringLiteral("radioSlow"), QStringLiteral("Slow"), 356, 24, 62);
    radioFast = radio(gboxLEDs, QStringLiteral("radioFast"), QStringLiteral("Fast"), 422, 24, 62);
    // Row 2: LED type.
    lblLedType = label(gboxLEDs, QStringLiteral("lblLedType"), QStringLiteral("LED Type:"), kCaptionX, 54, 120);
    radioRGB = radio(gboxLEDs, QStringLiteral("radioRGB"), QStringLiteral("RGB"), kLedFieldX, 54, 70);
    radioRGBW = radio(gboxLEDs, QStringLiteral("radioRGBW"), QStringLiteral("RGBW"), kLedFieldX + 80, 54, 80);
    // Row 3: colour order.
    lblRGB = label(gboxLEDs, QStringLiteral("lblRGB"), QStringLiteral("RGB Order:"), kCaptionX, 84, 120);
    comboRGB = combo(gboxLEDs, QStringLiteral("comboRGB"), kLedFieldX, 83, 150);
    comboRGB->addItems(designColourOrders());
    checkAdvRGB = check(gboxLEDs, QStringLiteral("checkAdvRGB"), QStringLiteral("Advanced"), 300, 84, 95);
    btnAdvancedRGB = button(gboxLEDs, QStringLiteral("btnAdvancedRGB"), QStringLiteral("Advanced"), 398, 82, 90);
    // Row 4: output mode (hidden for most legacy models).
    lblOutputs =
        label(gboxLEDs, QStringLiteral("lblOutputs"), QStringLiteral("Controller Outputs:"), kCaptionX, 116, 126);
    radioStandard = radio(gboxLEDs, QStringLiteral("radioStandard"), QStringLiteral("Normal"), kLedFieldX, 116, 80);
    radioCondensed =
        radio(gboxLEDs, QStringLiteral("radioCondensed"), QStringLiteral("Condensed"), kLedFieldX + 90, 116, 110);
    // Row 5: clock rate (chips with an adjustable clock).
    lblClockSpeed =
        label(gboxLEDs, QStringLiteral("lblClockSpeed"), QStringLiteral("Clock Speed:"), kCaptionX, 146, 180);
    trackClockSpeed = slider(gboxLEDs, QStringLiteral("trackClockSpeed"), Qt::Horizontal, 0, 11, 196, 146, 290, 22);
    trackClockSpeed->setTickPosition(QSlider::TicksBelow);

    groupSpeed = named(new QButtonGroup(this), QStringLiteral("groupSpeed"));
    groupSpeed->addButton(radioSlow);
    groupSpeed->addButton(radioFast);
    groupOutputs = named(new QButtonGroup(this), QStringLiteral("groupOutputs"));
    groupOutputs->addButton(radioStandard);
    groupOutputs->addButton(radioCondensed);
    groupLedType = named(new QButtonGroup(this), QStringLiteral("groupLedType"));
    groupLedType->addButton(radioRGB);
    groupLedType->addButton(radioRGBW);
    radioSlow->setChecked(true);
    radioStandard->setChecked(true);
    radioRGB->setChecked(true);

    gboxGamma = group(pnlLEDs, QStringLiteral("gboxGamma"), QStringLiteral("Gamma Correction"), 0, kGammaTopAllRows,
                      kGroupWidth, kGammaHeight);
    const QString colours[] = {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue"),
                               QStringLiteral("White")};
    QSlider** tracks[] = {&trackGammaRed, &trackGammaGreen, &trackGammaBlue, &trackGammaWhite};
    QLineEdit** edits[] = {&txtGammaRed, &txtGammaGreen, &txtGammaBlue, &txtGammaWhite};
    QLabel** labels[] = {&lblGammaRed, &lblGammaGreen, &lblGammaBlue, &lblGammaWhite};
    for (int k = 0; k < 4; ++k) {
        const int y = kGammaRowY + k * kGammaRowPitch;
        *labels[k] = label(gboxGamma, QStringLiteral("lblGamma") + colours[k], colours[k] + QStringLiteral(":"),
                           kCaptionX, y, 52);
        *tracks[k] = slider(gboxGamma, QStringLiteral("trackGamma") + colours[k], Qt::Horizontal, kGammaTenthsMin,
                            kGammaTenthsMax, 66, y, 200, 22);
        (*tracks[k])->setValue(kGammaTenthsMin);
        *edits[k] = edit(gboxGamma, QStringLiteral("txtGamma") + colours[k], QStringLiteral("1.0"), 272, y - 1, 48);
    }
    lblTrackLock = label(gboxGamma, QStringLiteral("lblTrackLock"), QStringLiteral("Lock Sliders:"), 338, kGammaRowY,
                         96);
    switchLockSliders = check(gboxGamma, QStringLiteral("switchLockSliders"), QString(), 436, kGammaRowY, 24);
    lblGammaNote = label(gboxGamma, QStringLiteral("lblGammaNote"),
                         QStringLiteral("Only applied to chips that are higher than 8 bit."), 338, 58, 150, 64);
    lblGammaNote->setWordWrap(true);
    lblGammaNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TNodaluxConfig::buildTestTab() {
    tabTest = page(TabControl1, QStringLiteral("tabTest"), QStringLiteral("Test"));
    gboxTest = group(tabTest, QStringLiteral("gboxTest"), QStringLiteral("Test Mode"), kGroupX, 8, kGroupWidth, 352);

    lblDesc3 = label(gboxTest, QStringLiteral("lblDesc3"),
                     QStringLiteral("Prior to running test mode, all other settings should be saved to controller "
                                    "(Press OK)."),
                     kCaptionX, 22, 476, 38);
    lblDesc3->setWordWrap(true);
    lblDesc3->setAlignment(Qt::AlignCenter);
    lblDesc1 = label(gboxTest, QStringLiteral("lblDesc1"), QStringLiteral("Current Test: "), kCaptionX, 68, 100);
    lblCurrentTest = label(gboxTest, QStringLiteral("lblCurrentTest"), QStringLiteral("Unavailable"), 112, 68, 170);
    lblDesc2 = label(gboxTest, QStringLiteral("lblDesc2"), QStringLiteral("Set Test:"), kCaptionX, 98, 100);
    comboTestModes = combo(gboxTest, QStringLiteral("comboTestModes"), 112, 97, 170);

    radioTestAllOutputs =
        radio(gboxTest, QStringLiteral("radioTestAllOutputs"), QStringLiteral("All Outputs"), 304, 64, 180);
    radioTestSingleOutput =
        radio(gboxTest, QStringLiteral("radioTestSingleOutput"), QStringLiteral("Individual Output"), 304, 88, 180);
    testPixelOutputs = named(new QButtonGroup(this), QStringLiteral("testPixelOutputs"));
    testPixelOutputs->addButton(radioTestAllOutputs);
    testPixelOutputs->addButton(radioTestSingleOutput);
    radioTestAllOutputs->setChecked(true);
    lblTestOutput = label(gboxTest, QStringLiteral("lblTestOutput"), QStringLiteral("Output:"), 304, 118, 56);
    numboxTestOutput = named(new QSpinBox(gboxTest), QStringLiteral("numboxTestOutput"));
    numboxTestOutput->setGeometry(362, 117, 60, 24);
    numboxTestOutput->setRange(kTestNumberMin, kTestNumberMax);
    numboxTestOutput->setValue(kTestNumberMin);
    btnTestOutputInc = button(gboxTest, QStringLiteral("btnTestOutputInc"), upArrow(), 426, 116, kStepButtonSize,
                              kStepButtonSize);
    btnTestOutputDec = button(gboxTest, QStringLiteral("btnTestOutputDec"), downArrow(), 428 + kStepButtonSize, 116,
                              kStepButtonSize, kStepButtonSize);
    for (QWidget* w : std::initializer_list<QWidget*>{lblTestOutput, numboxTestOutput, btnTestOutputInc,
                                                      btnTestOutputDec})
        w->setEnabled(false);

    // The colour editor of "Set Color".
    pnlTestSetCol = named(new QFrame(gboxTest), QStringLiteral("pnlTestSetCol"));
    pnlTestSetCol->setGeometry(kCaptionX, 150, 476, 196);
    colPanelTest = named(new ColourPanel(pnlTestSetCol), QStringLiteral("colPanelTest"));
    colPanelTest->setGeometry(0, 8, 150, 178);
    const QString colours[] = {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue"),
                               QStringLiteral("White")};
    QSlider** tracks[] = {&trackTestRed, &trackTestGreen, &trackTestBlue, &trackTestWhite};
    QLineEdit** edits[] = {&editTestRed, &editTestGreen, &editTestBlue, &editTestWhite};
    QLabel** labels[] = {&lblTestRed, &lblTestGreen, &lblTestBlue, &lblTestWhite};
    for (int k = 0; k < 4; ++k) {
        const int x = 176 + k * 74;
        *labels[k] = label(pnlTestSetCol, QStringLiteral("lblTest") + colours[k], colours[k], x, 0, 60, 18);
        (*labels[k])->setAlignment(Qt::AlignCenter);
        *tracks[k] = slider(pnlTestSetCol, QStringLiteral("trackTest") + colours[k], Qt::Vertical, 0, kTestSliderMax,
                            x + 18, 20, 24, 130);
        *edits[k] = edit(pnlTestSetCol, QStringLiteral("editTest") + colours[k], QStringLiteral("0"), x + 5, 156, 50);
    }
    pnlTestSetCol->setVisible(false);

    // The single-pixel controls.
    pnlTestPixel = named(new QFrame(gboxTest), QStringLiteral("pnlTestPixel"));
    pnlTestPixel->setGeometry(kCaptionX, 150, 476, 120);
    lblTestPixelNumber =
        label(pnlTestPixel, QStringLiteral("lblTestPixelNumber"), QStringLiteral("Pixel Number:"), 0, 8, 140);
    numboxTestPixelNumber = named(new QSpinBox(pnlTestPixel), QStringLiteral("numboxTestPixelNumber"));
    numboxTestPixelNumber->setGeometry(146, 7, 80, 24);
    numboxTestPixelNumber->setRange(kTestNumberMin, kTestNumberMax);
    numboxTestPixelNumber->setValue(kTestNumberMin);
    btnTestPixelNumberInc = button(pnlTestPixel, QStringLiteral("btnTestPixelNumberInc"), upArrow(), 230, 6,
                                   kStepButtonSize, kStepButtonSize);
    btnTestPixelNumberDec = button(pnlTestPixel, QStringLiteral("btnTestPixelNumberDec"), downArrow(),
                                   232 + kStepButtonSize, 6, kStepButtonSize, kStepButtonSize);
    lblTestPixelAutoTime = label(pnlTestPixel, QStringLiteral("lblTestPixelAutoTime"),
                                 QStringLiteral("Auto Increment (s):"), 0, 44, 140);
    numboxTestPixelAutoTime = named(new QDoubleSpinBox(pnlTestPixel), QStringLiteral("numboxTestPixelAutoTime"));
    numboxTestPixelAutoTime->setGeometry(146, 43, 80, 24);
    numboxTestPixelAutoTime->setDecimals(1);
    numboxTestPixelAutoTime->setRange(kAutoTimeMin, kAutoTimeMax);
    numboxTestPixelAutoTime->setValue(kAutoTimeDefault);
    btnTestPixelAutoStart =
        button(pnlTestPixel, QStringLiteral("btnTestPixelAutoStart"), QStringLiteral("Start"), 230, 42, 72);
    btnTestPixelAutoStop =
        button(pnlTestPixel, QStringLiteral("btnTestPixelAutoStop"), QStringLiteral("Stop"), 306, 42, 72);
    btnTestPixelAutoStop->setEnabled(false);
    btnTestPixelHelp = named(new QToolButton(pnlTestPixel), QStringLiteral("btnTestPixelHelp"));
    btnTestPixelHelp->setText(QStringLiteral("i"));
    btnTestPixelHelp->setIcon(btnTestPixelHelp->style()->standardIcon(QStyle::SP_MessageBoxInformation));
    btnTestPixelHelp->setToolTip(QStringLiteral("About the single-pixel test"));
    btnTestPixelHelp->setGeometry(384, 42, kStepButtonSize, kStepButtonSize);
    pnlTestPixel->setVisible(false); // shown for "Single Pixel"

    tmrTestPixelAuto = named(new QTimer(this), QStringLiteral("tmrTestPixelAuto"));
    tmrTestPixelAuto->stop();
}

void TNodaluxConfig::buildMiscTab() {
    tabMisc = page(TabControl1, QStringLiteral("tabMisc"), QStringLiteral("Misc"));
    auto* pnlMisc = named(new QWidget(tabMisc), QStringLiteral("pnlMisc"));
    pnlMisc->setGeometry(kGroupX, 4, kGroupWidth, 356);

    gboxMisc = group(pnlMisc, QStringLiteral("gboxMisc"), QStringLiteral("Misc"), 0, 0, kGroupWidth, kMiscHeight);
    lblNickname = label(gboxMisc, QStringLiteral("lblNickname"), QStringLiteral("Nickname:"), kCaptionX, 26, 100);
    txtNickname = edit(gboxMisc, QStringLiteral("txtNickname"), QString(), 116, 25, 300);
    lblMAC = label(gboxMisc, QStringLiteral("lblMAC"), QStringLiteral("MAC: "), kCaptionX, 54, 300);
    btnIdentifyStart =
        button(gboxMisc, QStringLiteral("btnIdentifyStart"), QStringLiteral("Start Identify"), kCaptionX, 80, 130);
    btnIdentifyStop =
        button(gboxMisc, QStringLiteral("btnIdentifyStop"), QStringLiteral("Stop Identify"), 150, 80, 130);
    btnIdentifyStart->setToolTip(QStringLiteral("Set the device's status LED to flash in an identifiable way."));
    // The fan row is the last row, so that hiding it only shortens the group.
    lblFan = label(gboxMisc, QStringLiteral("lblFan"), QStringLiteral("Fan Control - Fully On Temp:"), kCaptionX, 120,
                   206);
    txtFan = edit(gboxMisc, QStringLiteral("txtFan"), QStringLiteral("35"), 220, 119, 48);
    lblFanUnit = label(gboxMisc, QStringLiteral("lblFanUnit"), QStringLiteral("\u00B0C"), 272, 120, 24);
    btnFanUp = button(gboxMisc, QStringLiteral("btnFanUp"), upArrow(), 298, 118, kStepButtonSize, kStepButtonSize);
    btnFanDown = button(gboxMisc, QStringLiteral("btnFanDown"), downArrow(), 300 + kStepButtonSize, 118,
                        kStepButtonSize, kStepButtonSize);
    lblTempF = label(gboxMisc, QStringLiteral("lblTempF"), QStringLiteral("\u00B0F"), 366, 120, 90);

    gboxFirmware = group(pnlMisc, QStringLiteral("gboxFirmware"), QStringLiteral("Firmware"), 0, kFirmwareTop,
                         kGroupWidth, kFirmwareHeight);
    lblFirmware = label(gboxFirmware, QStringLiteral("lblFirmware"), QStringLiteral("V0.0.0"), kCaptionX, 32, 300);
    btnFirmware = button(gboxFirmware, QStringLiteral("btnFirmware"), QStringLiteral("Update Firmware"), 340, 30, 146);

    gboxVoltage = group(pnlMisc, QStringLiteral("gboxVoltage"), QStringLiteral("Voltage Banks"), 0, kVoltageTop,
                        kGroupWidth, kVoltageHeight);
    QLabel** captions[] = {&Label5, &Label6, &Label7, &Label9};
    const QString captionNames[] = {QStringLiteral("Label5"), QStringLiteral("Label6"), QStringLiteral("Label7"),
                                    QStringLiteral("Label9")};
    QLabel** values[] = {&lblVolt1, &lblVolt2, &lblVolt3, &lblVolt4};
    for (int k = 0; k < model::kMaxBanks; ++k) {
        const int x = kCaptionX + k * kVoltagePitch;
        *captions[k] = label(gboxVoltage, captionNames[k], QStringLiteral("%1:").arg(k + 1), x, 28, 22);
        *values[k] = label(gboxVoltage, QStringLiteral("lblVolt%1").arg(k + 1), QStringLiteral("-"), x + 24, 28, 80);
    }
}

} // namespace vantrel::config
