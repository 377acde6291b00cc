#include "config/NodaluxConfig.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QFrame>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "config/Controls.h"
#include "config/EditChecks.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/QtText.h"
#include "model/Controllers.h"
#include "model/Rules.h"
#include "ui/Services.h"

namespace vantrel::config {

namespace {

// The first protocol version of the current family (variable-length replies
// with the controller's own driver table).
constexpr int kFirstCurrentProtocol = 5;
// From this protocol version the Test tab offers per-output tests and identify.
constexpr int kFirstOutputTestProtocol = 8;
// The white test controls exist from this protocol version (RGBW pixels).
constexpr int kFirstWhiteTestProtocol = 6;

// Driver table codes (current protocol).
constexpr int kTypeRgb = 0;
constexpr int kTypeRgbw = 1;
constexpr int kTypeEither = 2;
constexpr int kSpeedNone = 0;
constexpr int kSpeedFixedSlow = 1;
constexpr int kSpeedFixedFast = 2;
constexpr int kSpeedChoice = 3;
constexpr int kSpeedClock = 4;
constexpr int kModeNone = 0;
constexpr int kModeExpandable = 1;
constexpr int kModeCondensable = 2;
constexpr int kClockPositions = 11; // track 0..11

// Legacy chips: speed choice is offered when the flow captioned lblSpeed so.
const QString kSpeedCaptionOffered = QStringLiteral("Speed:");
// Legacy firmware from which an RGBW chip lets the user choose the LED type.
constexpr int kLedChoiceFw[] = {1, 4, 11};

// Test-mode list entries with their own controls.
constexpr int kTestNone = 0;
constexpr int kTestSetColour = 6;
constexpr int kTestSinglePixel = 8;

constexpr int kColours = 4;

const model::TNodaluxCtrl& emptyRecord() {
    static const model::TNodaluxCtrl empty{};
    return empty;
}

} // namespace

void CalculateExpandedOutputs(model::TNodaluxCtrl& record, bool condensedChecked) {
    record.NumUsableOutputs =
        model::outputsInUse(record.NumStrings, record.DriverExpandable, record.NumDrivers, condensedChecked);
}

TNodaluxConfig::TNodaluxConfig(const app::Branding& branding, ui::Services& services, QWidget* parent)
    : QDialog(parent), m_branding(branding), m_services(services) {
    setObjectName(QStringLiteral("NodaluxConfig"));
    setWindowTitle(m_branding.configCaption());
    setFixedSize(kClientWidth, kClientHeight);

    TabControl1 = controls::named(new QTabWidget(this), QStringLiteral("TabControl1"));
    TabControl1->setGeometry(8, 8, kClientWidth - 16, kClientHeight - 50);
    buildNetworkTab();
    buildControlTab();
    buildLedTab();
    buildTestTab();
    buildMiscTab();
    TabControl1->setCurrentWidget(tabControl);

    btnOK = controls::button(this, QStringLiteral("btnOK"), QStringLiteral("OK"), kClientWidth - 196,
                             kClientHeight - 34, 90);
    btnCancel = controls::button(this, QStringLiteral("btnCancel"), QStringLiteral("Cancel"), kClientWidth - 98,
                                 kClientHeight - 34, 90);

    connectRules();
    // Initial enabling as designed: simple mode, one colour order.
    checkAdvChange();
    checkAdvRGBChange();
}

void TNodaluxConfig::setAdvancedWindows(TNodaluxAdv* adv, TNodaluxAdvRGB* advRgb) {
    m_adv = adv;
    m_advRgb = advRgb;
    if (m_adv) m_adv->setConfigWindow(this);
}

model::TNodaluxCtrl* TNodaluxConfig::record() const { return m_recordSource ? m_recordSource() : nullptr; }

const model::TNodaluxCtrl& TNodaluxConfig::recordView() const {
    const model::TNodaluxCtrl* r = record();
    return r ? *r : emptyRecord();
}

bool TNodaluxConfig::isNewProtocol() const { return recordView().QorvanaProtVer >= kFirstCurrentProtocol; }

bool TNodaluxConfig::isRgbw() const { return radioRGBW->isChecked(); }

int TNodaluxConfig::ShowModal() {
    FormShow();
    const int result = m_services.showModal(*this);
    FormClose();
    return result;
}

void TNodaluxConfig::connectRules() {
    // Leaving an edit: focus moving away (also to OK) and Enter both finish it.
    for (QLineEdit* e : {IP1, IP2, IP3, IP4, SM1, SM2, SM3, SM4})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { IP_SMExit(e); });
    connect(txtStartUniv, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtStartUnivExit);
    connect(txtStartChan, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtStartChanExit);
    connect(txtNodes, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtNodesExit);
    for (int k = 0; k < model::kMaxDmxOutputs; ++k) {
        const auto i = static_cast<std::size_t>(k);
        connect(txtOut[i], &QLineEdit::editingFinished, this, [this, k] { txtOutExit(k + 1); });
        connect(btnOutUp[i], &QPushButton::clicked, this, [this, k] { btnOutUpClick(k + 1); });
        connect(btnOutDown[i], &QPushButton::clicked, this, [this, k] { btnOutDownClick(k + 1); });
    }
    connect(txtFan, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtFanExit);
    connect(txtGammaRed, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtGammaRedExit);
    connect(txtGammaGreen, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtGammaGreenExit);
    connect(txtGammaBlue, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtGammaBlueExit);
    connect(txtGammaWhite, &QLineEdit::editingFinished, this, &TNodaluxConfig::txtGammaWhiteExit);

    connect(btnUnivUp, &QPushButton::clicked, this, &TNodaluxConfig::btnUnivUpClick);
    connect(btnUnivDown, &QPushButton::clicked, this, &TNodaluxConfig::btnUnivDownClick);
    connect(btnChanUp, &QPushButton::clicked, this, &TNodaluxConfig::btnChanUpClick);
    connect(btnChanDown, &QPushButton::clicked, this, &TNodaluxConfig::btnChanDownClick);
    connect(btnNodesUp, &QPushButton::clicked, this, &TNodaluxConfig::btnNodesUpClick);
    connect(btnNodesDown, &QPushButton::clicked, this, &TNodaluxConfig::btnNodesDownClick);
    connect(btnFanUp, &QPushButton::clicked, this, &TNodaluxConfig::btnFanUpClick);
    connect(btnFanDown, &QPushButton::clicked, this, &TNodaluxConfig::btnFanDownClick);
    connect(btnAdvanced, &QPushButton::clicked, this, &TNodaluxConfig::btnAdvancedClick);
    connect(btnAdvancedRGB, &QPushButton::clicked, this, &TNodaluxConfig::btnAdvancedRGBClick);
    connect(btnOK, &QPushButton::clicked, this, &TNodaluxConfig::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TNodaluxConfig::btnCancelClick);
    connect(btnFirmware, &QPushButton::clicked, this, &TNodaluxConfig::btnFirmwareClick);

    // A slider's rule runs only when its value actually changes, so the
    // cross-updates of the lock end after one pass.
    for (int c = 0; c < kColours; ++c)
        connect(gammaTrack(c), &QSlider::valueChanged, this, [this, c] { trackGammaChange(c); });

    connect(checkAdv, &QCheckBox::toggled, this, &TNodaluxConfig::checkAdvChange);
    connect(checkAdvRGB, &QCheckBox::toggled, this, &TNodaluxConfig::checkAdvRGBChange);
    // Radio rules run when the radio becomes checked or unchecked.
    connect(radioSACN, &QRadioButton::toggled, this, &TNodaluxConfig::radioSACNChange);
    connect(radioCondensed, &QRadioButton::toggled, this, &TNodaluxConfig::radioCondensedChange);
    connect(radioRGB, &QRadioButton::toggled, this, &TNodaluxConfig::radioRGBChange);
    // The chip rule also runs when the flow sets the selection.
    connect(comboChip, &QComboBox::currentIndexChanged, this, &TNodaluxConfig::comboChipChange);
    connect(trackClockSpeed, &QSlider::valueChanged, this, &TNodaluxConfig::trackClockSpeedChange);

    txtNickname->installEventFilter(this);
}

// --- exit checks -------------------------------------------------------------

void TNodaluxConfig::IP_SMExit(QLineEdit* edit) { editToInt(edit, 0, kOctetMax); }

void TNodaluxConfig::txtStartUnivExit() { editToInt(txtStartUniv, 1, kMaxUniverse); }

void TNodaluxConfig::txtStartChanExit() { txtStartChanValidate(); }

void TNodaluxConfig::txtStartChanValidate() {
    const auto v = parseWholeNumber(txtStartChan->text());
    if (!v) {
        txtStartChan->setText(QStringLiteral("1"));
        return;
    }
    const long clamped = static_cast<long>(std::clamp<long long>(*v, std::numeric_limits<long>::min(),
                                                                  std::numeric_limits<long>::max()));
    const QString aligned = QString::number(model::alignStartChannel(clamped, isRgbw()));
    if (txtStartChan->text() != aligned) txtStartChan->setText(aligned);
}

void TNodaluxConfig::txtNodesExit() { editToInt(txtNodes, 1, MaxPixelsPerOutput()); }

void TNodaluxConfig::txtOutExit(int output) {
    if (output < 1 || output > model::kMaxDmxOutputs) return;
    editToInt(txtOut[static_cast<std::size_t>(output - 1)], 1, kMaxUniverse);
}

void TNodaluxConfig::txtFanExit() {
    editToInt(txtFan, kFanMin, kFanMax);
    updateFahrenheit();
}

void TNodaluxConfig::updateFahrenheit() {
    // The edit holds a checked value here; a text that is not one shows the fallback's.
    const long long c = parseWholeNumber(txtFan->text()).value_or(kFanMin);
    lblTempF->setText(fahrenheitText(static_cast<double>(c)));
}

// --- up/down buttons -----------------------------------------------------------

namespace {

// The edit's whole number; a text that is not one is replaced by the fallback.
long long valueOrReset(QLineEdit* edit, long long fallback) {
    if (const auto parsed = parseWholeNumber(edit->text())) return *parsed;
    edit->setText(QString::number(fallback));
    return fallback;
}

} // namespace

void TNodaluxConfig::stepUp(QLineEdit* edit, long long fallback, long long step, long long below) {
    const long long v = valueOrReset(edit, fallback);
    if (v < below) edit->setText(QString::number(v + step));
}

void TNodaluxConfig::stepDown(QLineEdit* edit, long long fallback, long long step, long long above) {
    const long long v = valueOrReset(edit, fallback);
    if (v > above) edit->setText(QString::number(v - step));
}

void TNodaluxConfig::btnUnivUpClick() { stepUp(txtStartUniv, 1, 1, kMaxUniverse); }
void TNodaluxConfig::btnUnivDownClick() { stepDown(txtStartUniv, 1, 1, 1); }

void TNodaluxConfig::btnChanUpClick() {
    txtStartChanValidate();
    stepUp(txtStartChan, 1, model::channelsPerPixel(isRgbw()), kChanUpLimit);
}

void TNodaluxConfig::btnChanDownClick() {
    txtStartChanValidate();
    const int c = model::channelsPerPixel(isRgbw());
    stepDown(txtStartChan, 1, c, c);
}

void TNodaluxConfig::btnNodesUpClick() { stepUp(txtNodes, 1, 1, MaxPixelsPerOutput()); }
void TNodaluxConfig::btnNodesDownClick() { stepDown(txtNodes, 1, 1, 1); }

void TNodaluxConfig::btnOutUpClick(int output) {
    if (output < 1 || output > model::kMaxDmxOutputs) return;
    stepUp(txtOut[static_cast<std::size_t>(output - 1)], 1, 1, kMaxUniverse);
}

void TNodaluxConfig::btnOutDownClick(int output) {
    if (output < 1 || output > model::kMaxDmxOutputs) return;
    stepDown(txtOut[static_cast<std::size_t>(output - 1)], 1, 1, 1);
}

void TNodaluxConfig::btnFanUpClick() {
    stepUp(txtFan, kFanMin, 1, kFanMax);
    updateFahrenheit();
}

void TNodaluxConfig::btnFanDownClick() {
    stepDown(txtFan, kFanMin, 1, kFanMin);
    updateFahrenheit();
}

// --- gamma ---------------------------------------------------------------------

QSlider* TNodaluxConfig::gammaTrack(int colour) const {
    QSlider* const tracks[] = {trackGammaRed, trackGammaGreen, trackGammaBlue, trackGammaWhite};
    return tracks[colour];
}

QLineEdit* TNodaluxConfig::gammaEdit(int colour) const {
    QLineEdit* const edits[] = {txtGammaRed, txtGammaGreen, txtGammaBlue, txtGammaWhite};
    return edits[colour];
}

void TNodaluxConfig::trackGammaChange(int colour) {
    if (colour < 0 || colour >= kColours) return;
    const int value = gammaTrack(colour)->value();
    if (switchLockSliders->isChecked()) {
        for (int other = 0; other < kColours; ++other) {
            if (other == colour) continue;
            gammaTrack(other)->setValue(value);
            gammaEdit(other)->setText(oneDecimal(value / 10.0));
        }
    }
    gammaEdit(colour)->setText(oneDecimal(value / 10.0));
}

void TNodaluxConfig::gammaExit(int colour) {
    const float v = editTo1DecimalSingle(gammaEdit(colour), kGammaMax, kGammaMin);
    const int t = tenths(v);
    if (switchLockSliders->isChecked()) {
        for (int other = 0; other < kColours; ++other) {
            if (other != colour) gammaTrack(other)->setValue(t);
        }
    }
    gammaTrack(colour)->setValue(t);
}

void TNodaluxConfig::txtGammaRedExit() { gammaExit(0); }
void TNodaluxConfig::txtGammaGreenExit() { gammaExit(1); }
void TNodaluxConfig::txtGammaBlueExit() { gammaExit(2); }
void TNodaluxConfig::txtGammaWhiteExit() { gammaExit(3); }

// --- nickname ------------------------------------------------------------------

bool TNodaluxConfig::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtNickname && event->type() == QEvent::KeyPress)
        return txtNicknameKeyDown(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

bool TNodaluxConfig::txtNicknameKeyDown(QKeyEvent* event) {
    if (txtNickname->text().size() < kNicknameTypingLimit) return false;
    // Keys that carry no character (Backspace, Delete, arrows) and shortcuts
    // (paste is not limited) keep working.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return false;
    return true;
}

// --- advanced outputs and colour order ------------------------------------------

void TNodaluxConfig::checkAdvChange() {
    const bool adv = checkAdv->isChecked();
    btnAdvanced->setEnabled(adv);
    for (QWidget* w : std::initializer_list<QWidget*>{txtStartUniv, txtStartChan, txtNodes, btnUnivUp, btnUnivDown,
                                                      btnChanUp, btnChanDown, btnNodesUp, btnNodesDown})
        w->setEnabled(!adv);
}

void TNodaluxConfig::checkAdvRGBChange() {
    const bool adv = checkAdvRGB->isChecked();
    btnAdvancedRGB->setEnabled(adv);
    comboRGB->setEnabled(!adv);
}

void TNodaluxConfig::btnAdvancedClick() {
    if (!m_adv) return;
    m_adv->TabControl1->setCurrentIndex(0);
    const bool autoChan = m_adv->checkAutoChan->isChecked();
    m_adv->FormShow();
    const int result = m_services.showModal(*m_adv);
    if (result == kModalCancel) {
        // Nothing edited there survives Cancel.
        if (const model::TNodaluxCtrl* r = record()) m_adv->FillAdvancedForm(*r);
        m_adv->checkAutoChan->setChecked(autoChan);
    }
}

void TNodaluxConfig::btnAdvancedRGBClick() {
    if (!m_advRgb) return;
    m_advRgb->TabControl1->setCurrentIndex(0);
    const int result = m_services.showModal(*m_advRgb);
    if (result == kModalCancel) {
        if (const model::TNodaluxCtrl* r = record()) m_advRgb->FillAdvancedRGBForm(*r);
    }
}

// --- protocol and output mode ------------------------------------------------------

void TNodaluxConfig::radioSACNChange() {
    const model::TNodaluxCtrl& r = recordView();
    if (radioSACN->isChecked()) {
        gboxDMX->setEnabled(r.DmxSacnCapable);
    } else if (radioArtNet->isChecked()) {
        gboxDMX->setEnabled(r.DmxArtNetCapable);
    } else {
        gboxDMX->setEnabled(false);
    }
}

void TNodaluxConfig::CalculateExpandedOutputs() {
    if (model::TNodaluxCtrl* r = record()) config::CalculateExpandedOutputs(*r, radioCondensed->isChecked());
}

void TNodaluxConfig::radioCondensedChange() {
    CalculateExpandedOutputs();
    const model::TNodaluxCtrl* r = record();
    if (!r) return;
    if (m_adv) m_adv->FillAdvancedForm(*r);
    if (m_advRgb) m_advRgb->FillAdvancedRGBForm(*r);
}

// --- LED driver options --------------------------------------------------------------

int TNodaluxConfig::driverCode(const std::vector<std::uint8_t>& table) const {
    const int idx = comboChip->currentIndex();
    const int drivers = std::min<int>(recordView().NumDrivers, static_cast<int>(table.size()));
    if (idx < 0 || idx >= drivers) return -1;
    return table[static_cast<std::size_t>(idx)];
}

bool TNodaluxConfig::CurrentDriverExpandable() const {
    return driverCode(recordView().DriverExpandable) == kModeExpandable;
}

bool TNodaluxConfig::CurrentDriverCondensable() const {
    return driverCode(recordView().DriverExpandable) == kModeCondensable;
}

bool TNodaluxConfig::IsRgbwChipV4Below(int driverIndex) { return model::isRgbwChipV4Below(driverIndex); }

int TNodaluxConfig::MaxPixelsPerOutput() const {
    const model::TNodaluxCtrl& r = recordView();
    if (!isNewProtocol()) {
        // A 16-output legacy controller is the one that reports 16 strings
        // (the window shows its second voltage bank).
        return model::maxPixelsLegacy(r.NumStrings == 16, isRgbw());
    }
    return model::maxPixelsCurrent(r.MaxPixels, isRgbw(), radioCondensed->isChecked(), CurrentDriverExpandable());
}

void TNodaluxConfig::placeLedGroups(int ledsHeight, int gammaTop) {
    gboxLEDs->resize(gboxLEDs->width(), ledsHeight);
    gboxGamma->move(gboxGamma->x(), gammaTop);
}

void TNodaluxConfig::placeMiscGroups(int miscHeight, int firmwareTop, int voltageTop) {
    gboxMisc->resize(gboxMisc->width(), miscHeight);
    gboxFirmware->move(gboxFirmware->x(), firmwareTop);
    gboxVoltage->move(gboxVoltage->x(), voltageTop);
}

void TNodaluxConfig::setLedTypeEnabled(bool enabled) {
    radioRGB->setEnabled(enabled);
    radioRGBW->setEnabled(enabled);
}

void TNodaluxConfig::setModeRadiosEnabled(bool enabled) {
    radioStandard->setEnabled(enabled);
    radioCondensed->setEnabled(enabled);
}

void TNodaluxConfig::setSpeedControls(bool visible, bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{lblSpeed, radioSlow, radioFast}) {
        w->setVisible(visible);
        w->setEnabled(enabled);
    }
}

void TNodaluxConfig::setClockEnabled(bool enabled) {
    lblClockSpeed->setEnabled(enabled);
    trackClockSpeed->setEnabled(enabled);
}

void TNodaluxConfig::comboChipChange() {
    if (isNewProtocol()) {
        chipChangeCurrent();
    } else {
        chipChangeLegacy();
    }
    // The LED type may have changed: back onto the pixel grid.
    txtStartChanValidate();
}

void TNodaluxConfig::chipChangeCurrent() {
    // 1. Every row of the LED group shown.
    for (QWidget* w : std::initializer_list<QWidget*>{radioRGB, radioRGBW, lblOutputs, radioStandard, radioCondensed,
                                                      lblClockSpeed, trackClockSpeed})
        w->setVisible(true);
    placeLedGroups(kLedsHeightAllRows, kGammaTopAllRows);

    // 2. The advanced windows' second pages, by the mode as it is now.
    const bool standard = radioStandard->isChecked();
    if (m_adv) m_adv->TabControl1->setTabEnabled(1, !standard);
    if (m_advRgb) {
        // Shown only when it has outputs to show: an empty page would offer nothing.
        m_advRgb->TabControl1->setTabVisible(1, !standard && m_advRgb->rowCount() > TNodaluxAdvRGB::kOutputsPerTab);
    }

    const model::TNodaluxCtrl& r = recordView();
    // 3. LED type. Changing radioRGB runs its rule (the colour-order lists).
    switch (driverCode(r.DriverType)) {
    case kTypeRgb:
        radioRGB->setChecked(true);
        setLedTypeEnabled(false);
        break;
    case kTypeRgbw:
        radioRGBW->setChecked(true);
        setLedTypeEnabled(false);
        break;
    case kTypeEither: setLedTypeEnabled(true); break;
    default: break; // an unknown code leaves the radios as they are
    }

    // 4. Output mode. Checking "Normal" while the mode radio was checked runs
    // the output-mode rule.
    if (CurrentDriverExpandable()) {
        radioCondensed->setText(QStringLiteral("Expanded"));
        setModeRadiosEnabled(true);
    } else if (CurrentDriverCondensable()) {
        radioCondensed->setText(QStringLiteral("Condensed"));
        setModeRadiosEnabled(true);
    } else if (driverCode(r.DriverExpandable) == kModeNone) {
        radioStandard->setChecked(true);
        setModeRadiosEnabled(false);
    }

    // 5. Speed and clock.
    switch (driverCode(r.DriverSpeed)) {
    case kSpeedNone:
        for (QWidget* w : std::initializer_list<QWidget*>{lblSpeed, radioSlow, radioFast}) w->setVisible(false);
        setClockEnabled(false);
        break;
    case kSpeedFixedSlow:
        setSpeedControls(true, false);
        radioSlow->setChecked(true);
        setClockEnabled(false);
        break;
    case kSpeedFixedFast:
        setSpeedControls(true, false);
        radioFast->setChecked(true);
        setClockEnabled(false);
        break;
    case kSpeedChoice:
        setSpeedControls(true, true);
        setClockEnabled(false);
        break;
    case kSpeedClock:
        for (QWidget* w : std::initializer_list<QWidget*>{lblSpeed, radioSlow, radioFast}) w->setVisible(false);
        setClockEnabled(true);
        trackClockSpeed->setRange(0, kClockPositions);
        trackClockSpeed->setSingleStep(1);
        break;
    default: break; // an unknown code leaves the speed and clock controls as they are
    }

    // 6. The clock caption.
    ClockSpeedUpdate();
}

void TNodaluxConfig::chipChangeLegacy() {
    const int chip = comboChip->currentIndex();
    radioCondensed->setText(QStringLiteral("Condensed"));
    const bool speed = model::legacyChipHasSpeedChoice(chip) && lblSpeed->text() == kSpeedCaptionOffered;
    for (QWidget* w : std::initializer_list<QWidget*>{lblSpeed, radioSlow, radioFast}) w->setVisible(speed);
    if (model::legacyChipHasModeChoice(chip)) {
        setModeRadiosEnabled(true);
    } else {
        radioStandard->setChecked(true);
        setModeRadiosEnabled(false);
    }
    RefreshLedTypeOptionsV4Below();
}

void TNodaluxConfig::RefreshLedTypeOptionsV4Below() {
    const int chip = comboChip->currentIndex();
    const bool rgbwChip = IsRgbwChipV4Below(chip);
    setLedTypeEnabled(false);
    if (model::firmwareAtLeast(recordView().Firmware, kLedChoiceFw[0], kLedChoiceFw[1], kLedChoiceFw[2])) {
        if (rgbwChip) {
            setLedTypeEnabled(true); // the user chooses
        } else {
            radioRGB->setChecked(true);
        }
    } else if (rgbwChip) {
        radioRGBW->setChecked(true);
    } else {
        radioRGB->setChecked(true);
    }
}

void TNodaluxConfig::resetLedGroup() {
    {
        const QSignalBlocker quietRgb(radioRGB), quietRgbw(radioRGBW), quietStandard(radioStandard),
            quietCondensed(radioCondensed);
        radioRGB->setChecked(true);
        radioStandard->setChecked(true);
    }
    radioSlow->setChecked(true);
    radioCondensed->setText(QStringLiteral("Condensed"));
    for (QWidget* w : std::initializer_list<QWidget*>{radioRGB, radioRGBW, lblOutputs, radioStandard, radioCondensed,
                                                      lblClockSpeed, trackClockSpeed})
        w->setVisible(true);
    setLedTypeEnabled(true);
    setModeRadiosEnabled(true);
    setSpeedControls(true, true);
    setClockEnabled(true);
    trackClockSpeed->setRange(0, kClockPositions);
}

void TNodaluxConfig::trackClockSpeedChange() { ClockSpeedUpdate(); }

void TNodaluxConfig::ClockSpeedUpdate() {
    const char separator = static_cast<char>(QLocale().decimalPoint().at(0).toLatin1());
    const std::string caption = model::clockSpeedCaption(driverCode(recordView().DriverSpeed),
                                                         static_cast<double>(trackClockSpeed->value()),
                                                         separator != 0 ? separator : '.');
    lblClockSpeed->setText(QString::fromStdString(caption));
}

void TNodaluxConfig::radioRGBChange() { RefreshRgbOrderOptions(); }

void TNodaluxConfig::RefreshRgbOrderOptions() {
    if (m_advRgb) m_advRgb->AdvRGBArrayInit();
    const bool rgbwList = !radioRGB->isChecked() && isNewProtocol();
    QStringList items;
    for (const auto& s : rgbwList ? model::rgbwList() : model::rgbList()) items << fromU16(s);
    // Each list holds `items` at its first entry afterwards; a list that
    // already holds them is not rebuilt (33 lists of up to 24 entries).
    const auto refill = [&items](QComboBox* list) {
        bool same = list->count() == items.size();
        for (int i = 0; same && i < items.size(); ++i) same = list->itemText(i) == items[i];
        if (!same) {
            list->clear();
            list->addItems(items);
        }
        list->setCurrentIndex(0);
    };
    refill(comboRGB);
    if (!m_advRgb) return;
    for (QComboBox* list : m_advRgb->AdvRGB) {
        if (list) refill(list);
    }
}

// --- test tab visibility ---------------------------------------------------------------

void TNodaluxConfig::enableDisableColourControls() {
    const int mode = comboTestModes->currentIndex();
    const bool outputs = mode != kTestNone;
    for (QWidget* w : std::initializer_list<QWidget*>{radioTestAllOutputs, radioTestSingleOutput, lblTestOutput,
                                                      numboxTestOutput, btnTestOutputInc, btnTestOutputDec})
        w->setVisible(outputs);
    if (mode == kTestSetColour) {
        pnlTestSetCol->setVisible(true);
        const model::TNodaluxCtrl& r = recordView();
        const bool white = r.LedType == 1 && r.QorvanaProtVer >= kFirstWhiteTestProtocol;
        for (QWidget* w : std::initializer_list<QWidget*>{editTestWhite, trackTestWhite, lblTestWhite})
            w->setVisible(white);
    } else {
        pnlTestSetCol->setVisible(false);
    }
    pnlTestPixel->setVisible(mode == kTestSinglePixel);
}

// --- window ----------------------------------------------------------------------------------

void TNodaluxConfig::FormShow() {
    // Automatic chaining starts off for every controller.
    if (m_adv) m_adv->checkAutoChan->setChecked(false);
    if (m_testTabShow) m_testTabShow();
    const bool outputTests = recordView().QorvanaProtVer >= kFirstOutputTestProtocol;
    if (!outputTests) radioTestAllOutputs->setChecked(true);
    for (QWidget* w : std::initializer_list<QWidget*>{radioTestAllOutputs, radioTestSingleOutput, btnIdentifyStart,
                                                      btnIdentifyStop})
        w->setEnabled(outputTests);
}

void TNodaluxConfig::FormClose() {
    if (m_testTabClose) m_testTabClose();
    tmrTestPixelAuto->stop();
}

void TNodaluxConfig::setTestTabHooks(std::function<void()> onShow, std::function<void()> onClose) {
    m_testTabShow = std::move(onShow);
    m_testTabClose = std::move(onClose);
}

void TNodaluxConfig::btnOKClick() {
    lblMAC->setText(QStringLiteral("MAC: "));
    done(kModalOK);
}

void TNodaluxConfig::btnCancelClick() {
    lblMAC->setText(QStringLiteral("MAC: "));
    done(kModalCancel);
}

void TNodaluxConfig::btnFirmwareClick() { done(kModalFirmware); }

void TNodaluxConfig::reject() { btnCancelClick(); }

} // namespace vantrel::config
