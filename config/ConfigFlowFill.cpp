#include "config/ConfigFlowFill.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStringList>
#include <QTabWidget>
#include <algorithm>
#include <initializer_list>

#include "config/EditChecks.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/NodaluxConfig.h"
#include "config/QtText.h"
#include "model/Controllers.h"
#include "model/Rules.h"
#include "model/Text.h"
#include "ui/Services.h"

namespace vantrel::config {

namespace {

// Tabs of the configuration window: 0 Network, then Control, LEDs, Test, Misc.
constexpr int kNetworkTab = 0;
constexpr int kLastTab = 4;

// Current family.
constexpr int kFirstWhiteGammaProtocol = 6;
constexpr int kFirstSinglePixelProtocol = 8;
constexpr int kFirstFanHwRev = 5;
constexpr std::uint8_t kNoFan = 255;
constexpr std::uint8_t kPartnerBrand = 1;
// Misc tab layouts: the Misc group's height, then the firmware and voltage groups' tops.
struct MiscLayout {
    int misc, firmware, voltage;
};
constexpr MiscLayout kMiscWithFan{187, 196, 274};
constexpr MiscLayout kMiscWithoutFan{150, 159, 237};
constexpr MiscLayout kLegacyMiscWithFan{154, 164, 244};
constexpr MiscLayout kLegacyMiscWithoutFan{115, 124, 202};
// LED tab layouts of the legacy family: the LED group's height and the gamma group's top.
constexpr int kLegacyLedsWithModes = 147;
constexpr int kLegacyGammaWithModes = 152;
constexpr int kLegacyLedsWithoutModes = 120;
constexpr int kLegacyGammaWithoutModes = 120;

constexpr int kFirmwareShown = 20; // characters of the firmware text shown
constexpr double kTenthsPerUnit = 10.0;
constexpr std::uint16_t kBankNotReported = 0xFFFF; // legacy voltage banks
constexpr int kLegacy16Outputs = 16;
constexpr std::uint8_t kPerOutputOrder = 255;
constexpr int kLegacyDmxAllRowsHwRev = 3;
constexpr int kLegacyChipWithSpeed[] = {4, 7}; // "WS2811/12", "TM1804"

// Legacy firmware thresholds (major, minor, patch).
struct Fw {
    int major, minor, patch;
};
constexpr Fw kFwColourOrder{1, 2, 4};
constexpr Fw kFwDmx{1, 2, 9};
constexpr Fw kFwSpeed{1, 3, 0};
constexpr Fw kFwPerOutputOrder{1, 3, 1};
constexpr Fw kFwProtocol{1, 4, 0};
constexpr Fw kFwHoldFrame{1, 4, 4};
constexpr Fw kFwThirdProtocol{1, 4, 6};
constexpr Fw kFwTestTab{1, 4, 10};

const QColor kOk{0, 128, 0};
const QColor kOff{255, 0, 0};

const std::u16string_view kArvello16 = u"Arvello 16";
const std::u16string_view kLongRange = u"Nodalux 16 Long Range";
const std::u16string_view kKnownLegacyModels[] = {
    u"Nodalux 16", u"Arvello 16", u"Nodalux 16 Long Range", u"Nodalux 16 Plug & Play", u"Nodalux 4",
    u"Nodalux 4 Rugged", u"Nodalux 16 MkII Long Range", u"Nodalux 16 MkII", u"Nodalux 4 Pro"};
// Models without a DMX output group and without a fan row.
const std::u16string_view kCompactLegacyModels[] = {u"Nodalux 4 Rugged", u"Nodalux 16 Plug & Play",
                                                    u"Nodalux 4 Pro"};

bool isCompactLegacyModel(const model::TNodaluxCtrl& r) {
    return std::find(std::begin(kCompactLegacyModels), std::end(kCompactLegacyModels), r.Model) !=
           std::end(kCompactLegacyModels);
}

bool fwAtLeast(const model::TNodaluxCtrl& r, const Fw& v) {
    return model::firmwareAtLeast(r.Firmware, v.major, v.minor, v.patch);
}

void setVisible(std::initializer_list<QWidget*> widgets, bool visible) {
    for (QWidget* w : widgets) w->setVisible(visible);
}

void setColouredText(QLabel* label, const QString& text, const QColor& colour) {
    label->setText(text);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

QString volts(std::uint16_t tenthsOfVolt) { return oneDecimal(tenthsOfVolt / kTenthsPerUnit) + QStringLiteral("V"); }

void showAllTabs(TNodaluxConfig& w) {
    for (int t = kNetworkTab + 1; t <= kLastTab; ++t) w.TabControl1->setTabVisible(t, true);
}

// Simple mode shows one start universe, channel and pixel count; advanced mode
// hands them to the advanced output window.
void fillUniverses(TNodaluxConfig& w, bool simple, long universe, long channel, long pixels) {
    if (simple) {
        w.txtStartUniv->setText(QString::number(universe));
        w.txtStartChan->setText(QString::number(channel));
        w.txtNodes->setText(QString::number(pixels));
    } else {
        for (QLineEdit* e : {w.txtStartUniv, w.txtStartChan, w.txtNodes}) e->setText(QStringLiteral("1"));
    }
    w.checkAdv->setChecked(!simple);
    // The switch's rule sets the enabling; run it also when the state did not change.
    w.checkAdvChange();
}

void checkProtocolRadio(TNodaluxConfig& w, std::uint8_t protocol) {
    QRadioButton* chosen = protocol == 2 ? w.radioOstra : protocol == 1 ? w.radioArtNet : w.radioSACN;
    // The three share their group box, so checking one clears the others.
    chosen->setChecked(true);
}

void fillDmxValues(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    for (std::size_t j = 0; j < model::kMaxDmxOutputs; ++j) {
        w.switchOut[j]->setChecked(r.DmxOutOn[j] != 0);
        w.txtOut[j]->setText(QString::number(r.DmxOutUniv[j]));
    }
}

void showDmxRows(TNodaluxConfig& w, int rows) {
    for (int k = 0; k < model::kMaxDmxOutputs; ++k) {
        const auto j = static_cast<std::size_t>(k);
        setVisible({w.lblOut[j], w.txtOut[j], w.switchOut[j], w.btnOutUp[j], w.btnOutDown[j]}, k < rows);
    }
    setVisible({w.lblDMXOn2, w.lblDMXUniv2}, rows > 1);
}

// The chip list and the selection, then the chip rule once for this chip
// (filling the list runs no rule for the chips before it). A chip outside the
// list leaves no selection, and the rule runs for that too.
void fillChipList(TNodaluxConfig& w, const QStringList& chips, int selected) {
    {
        const QSignalBlocker quiet(w.comboChip);
        w.comboChip->clear();
        w.comboChip->addItems(chips);
        w.comboChip->setCurrentIndex(selected < chips.size() ? selected : -1);
    }
    w.comboChipChange();
}

// Each slider and edit ends with its own channel's value: the lock is off
// while they are set, and on afterwards when red, green and blue agree.
void fillGamma(TNodaluxConfig& w, const model::TNodaluxCtrl& r, bool white) {
    w.switchLockSliders->setChecked(false);
    QSlider* const tracks[] = {w.trackGammaRed, w.trackGammaGreen, w.trackGammaBlue, w.trackGammaWhite};
    QLineEdit* const edits[] = {w.txtGammaRed, w.txtGammaGreen, w.txtGammaBlue, w.txtGammaWhite};
    const int colours = white ? 4 : 3;
    for (int c = 0; c < colours; ++c) {
        const std::uint8_t g = r.Gamma[static_cast<std::size_t>(c)];
        tracks[c]->setValue(g);
        edits[c]->setText(oneDecimal(g / kTenthsPerUnit));
    }
    setVisible({w.lblGammaWhite, w.trackGammaWhite, w.txtGammaWhite}, white);
    w.switchLockSliders->setChecked(r.Gamma[0] == r.Gamma[1] && r.Gamma[1] == r.Gamma[2]);
}

// The test-mode list; false (and the message shown) when the controller runs
// a test the list does not offer.
bool fillTestModes(TNodaluxConfig& w, const model::TNodaluxCtrl& r, const QStringList& items,
                   ui::Services& services) {
    w.TabControl1->setTabEnabled(w.TabControl1->indexOf(w.tabTest), true);
    w.comboTestModes->clear();
    w.comboTestModes->addItems(items);
    if (r.TestMode >= items.size()) {
        services.message(ui::MessageKind::Error, QString::fromLatin1(kUnknownTestModeText), ui::Buttons::Ok,
                         ui::Answer::Ok);
        return false;
    }
    w.lblCurrentTest->setText(w.comboTestModes->itemText(r.TestMode));
    w.comboTestModes->setCurrentIndex(r.TestMode);
    return true;
}

void fillNickname(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    w.txtNickname->setText(withoutNuls(std::u16string_view(r.Nickname.data(), r.Nickname.size())));
}

// The fan row; false when it is hidden (txtFan then keeps its text).
bool fillFan(TNodaluxConfig& w, const model::TNodaluxCtrl& r, bool shown, const MiscLayout& with,
             const MiscLayout& without) {
    setVisible({w.lblFan, w.txtFan, w.lblFanUnit, w.btnFanUp, w.btnFanDown, w.lblTempF}, shown);
    const MiscLayout& l = shown ? with : without;
    w.placeMiscGroups(l.misc, l.firmware, l.voltage);
    if (!shown) return false;
    w.txtFan->setText(QString::number(r.FanTemp));
    w.lblTempF->setText(fahrenheitText(r.FanTemp));
    return true;
}

void fillFirmwareLabel(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    w.lblFirmware->setText(withoutNuls(std::u16string_view(r.Firmware).substr(0, kFirmwareShown)));
}

QLabel* bankCaption(TNodaluxConfig& w, int bank) {
    QLabel* const captions[] = {w.Label5, w.Label6, w.Label7, w.Label9};
    return captions[bank];
}
QLabel* bankValue(TNodaluxConfig& w, int bank) {
    QLabel* const values[] = {w.lblVolt1, w.lblVolt2, w.lblVolt3, w.lblVolt4};
    return values[bank];
}

void fillVoltagesCurrent(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    w.gboxVoltage->setVisible(r.NumBanks != 0);
    if (r.NumBanks == 0) return;
    setColouredText(w.lblVolt1, volts(r.Voltage[0]), kOk);
    for (int bank = 1; bank < model::kMaxBanks; ++bank) {
        const std::uint16_t v = r.Voltage[static_cast<std::size_t>(bank)];
        if (v != 0) {
            setColouredText(bankValue(w, bank), volts(v), kOk);
        } else {
            setColouredText(bankValue(w, bank), QStringLiteral("Off"), kOff);
        }
        setVisible({bankCaption(w, bank), bankValue(w, bank)}, r.NumBanks >= bank + 1);
    }
    setVisible({w.Label5, w.lblVolt1}, true);
}

void fillVoltagesLegacy(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    for (int bank = 0; bank < model::kMaxBanks; ++bank) {
        const std::uint16_t v = r.Voltage[static_cast<std::size_t>(bank)];
        QLabel* value = bankValue(w, bank);
        bool visible = true;
        if (bank < 2) {
            if (v == kBankNotReported) {
                setColouredText(value, QStringLiteral("Powered"), kOk);
            } else if (v != 0) {
                setColouredText(value, volts(v), kOk);
            } else {
                setColouredText(value, QStringLiteral("Off"), kOff);
            }
            visible = bank == 0 || r.NumStrings == kLegacy16Outputs;
        } else if (v == kBankNotReported) {
            visible = false;
        } else if (v != 0) {
            setColouredText(value, volts(v), kOk);
        } else {
            setColouredText(value, QStringLiteral("Off"), kOff);
        }
        setVisible({bankCaption(w, bank), value}, visible);
    }
    w.gboxVoltage->setVisible(r.Model != kLongRange);
}

void appendMac(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    w.lblMAC->setText(w.lblMAC->text() + QString::fromStdString(model::macText(r.MAC)));
}

void fillAdvancedWindows(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    if (TNodaluxAdv* adv = w.advancedWindow()) adv->FillAdvancedForm(r);
    if (TNodaluxAdvRGB* advRgb = w.advancedRgbWindow()) advRgb->FillAdvancedRGBForm(r);
}

void bindAdvancedArrays(TNodaluxConfig& w, bool grouping) {
    if (TNodaluxAdv* adv = w.advancedWindow()) {
        adv->initArrays();
        adv->setGroupingAvailable(grouping);
    }
    if (TNodaluxAdvRGB* advRgb = w.advancedRgbWindow()) advRgb->AdvRGBArrayInit();
}

} // namespace

bool isKnownLegacyModel(const model::TNodaluxCtrl& record) {
    return std::find(std::begin(kKnownLegacyModels), std::end(kKnownLegacyModels), record.Model) !=
           std::end(kKnownLegacyModels);
}

void fillNetworkTab(TNodaluxConfig& w, const model::TNodaluxCtrl& r) {
    QLineEdit* const ip[] = {w.IP1, w.IP2, w.IP3, w.IP4};
    QLineEdit* const sm[] = {w.SM1, w.SM2, w.SM3, w.SM4};
    for (std::size_t i = 0; i < 4; ++i) {
        ip[i]->setText(QString::number(r.StaticIP[i]));
        sm[i]->setText(QString::number(r.SM[i]));
    }
    (r.DHCP == 1 ? w.radioDHCP : w.radioStatic)->setChecked(true);
}

void showNetworkTabOnly(TNodaluxConfig& w) {
    for (int t = kNetworkTab + 1; t <= kLastTab; ++t) w.TabControl1->setTabVisible(t, false);
    w.TabControl1->setCurrentIndex(kNetworkTab);
}

std::optional<FillPlan> fillCurrent(TNodaluxConfig& w, model::TNodaluxCtrl& r, ui::Services& services) {
    FillPlan plan;
    // 1. The advanced windows' control arrays (grouping is offered by every current controller).
    bindAdvancedArrays(w, true);
    // 2.
    showAllTabs(w);
    w.lblSpeed->setText(QStringLiteral("Speed"));
    // 3.
    fillNetworkTab(w, r);
    // 4. Universes and pixels: after the LED group (below).
    plan.simpleAtFill = (r.SimpleConfig & 1U) != 0;
    // 5. Protocol.
    setVisible({w.lblProtocol, w.radioSACN, w.radioArtNet}, true);
    w.radioOstra->setVisible(r.Brand == kPartnerBrand);
    checkProtocolRadio(w, r.Protocol);
    w.radioSACNChange();
    // 6. Shown too: a legacy controller before may have hidden it.
    w.checkHoldFrame->setVisible(true);
    w.checkHoldFrame->setChecked(r.HoldLastFrame == 1);
    // 7. DMX outputs.
    if (r.DMXOutputs == 0) {
        w.gboxDMX->setVisible(false);
        plan.dmx = false;
    } else {
        w.gboxDMX->setVisible(true);
        showDmxRows(w, r.DMXOutputs > model::kMaxDmxOutputs ? 1 : r.DMXOutputs);
        fillDmxValues(w, r);
    }
    // 8. Pixel chip: the controller's own driver list. The LED group starts
    // as designed, so that what the chip's rule leaves as it is (an unknown
    // code, no driver at all) is not what an earlier controller left.
    w.resetLedGroup();
    QStringList chips;
    const std::size_t drivers = std::min<std::size_t>(r.NumDrivers, r.DriverNames.size());
    for (std::size_t i = 0; i < drivers; ++i)
        chips << fromU16(std::u16string_view(r.DriverNames[i]).substr(0, r.DriverNameLength));
    fillChipList(w, chips, r.DriverChip);
    // 9. LED type.
    if (r.LedType == 0) {
        w.radioRGB->setChecked(true);
    } else if (r.LedType == 1) {
        w.radioRGBW->setChecked(true);
    } else {
        plan.ledType = false;
    }
    w.RefreshRgbOrderOptions();
    // 10. Output mode, then the outputs in use.
    (r.CondensedMode == 1 ? w.radioCondensed : w.radioStandard)->setChecked(true);
    w.CalculateExpandedOutputs();
    // 11. Speed and clock.
    (r.ProtocolSpeed == 1 ? w.radioFast : w.radioSlow)->setChecked(true);
    w.trackClockSpeed->setValue(r.ProtocolSpeed);
    w.ClockSpeedUpdate();
    // 4. The record's universes and pixels, now that the chip's rule has run:
    // for a user's chip change that rule re-aligns the start channel to the
    // LED type, but the fill shows the controller's own channel.
    fillUniverses(w, plan.simpleAtFill, r.AdvUniv[0], r.AdvChan[0], r.NumNodes[0]);
    // 12. Colour order: one for all, or per output when the outputs differ.
    setVisible({w.checkAdvRGB, w.btnAdvancedRGB}, true);
    w.lblRGB->setEnabled(true);
    w.checkAdvRGB->setChecked(false);
    w.btnAdvancedRGB->setEnabled(false);
    w.comboRGB->setEnabled(true);
    w.comboRGB->setCurrentIndex(r.AdvRgbOrder[0] < w.comboRGB->count() ? r.AdvRgbOrder[0] : -1);
    // One order stands for all outputs only when every output has it: with
    // one order the read-back writes it to all NumStrings outputs, also to
    // those an output mode leaves out of use.
    const int outputs = std::min<int>(r.NumStrings, model::kMaxOutputs);
    for (int i = 1; i < outputs; ++i) {
        if (r.AdvRgbOrder[static_cast<std::size_t>(i)] == r.AdvRgbOrder[0]) continue;
        w.checkAdvRGB->setChecked(true);
        w.btnAdvancedRGB->setEnabled(true);
        w.comboRGB->setEnabled(false);
        w.comboRGB->setCurrentIndex(0);
    }
    // 13. Gamma.
    const bool white = r.QorvanaProtVer >= kFirstWhiteGammaProtocol;
    fillGamma(w, r, white);
    plan.whiteGamma = white;
    // 14. Test tab: the last gate.
    if (!fillTestModes(w, r, testModeItems(r.QorvanaProtVer >= kFirstSinglePixelProtocol), services))
        return std::nullopt;
    // 15.
    fillNickname(w, r);
    // 16.
    plan.fan = fillFan(w, r, r.HwRev >= kFirstFanHwRev && r.FanTemp != kNoFan, kMiscWithFan, kMiscWithoutFan);
    // 17, 18.
    appendMac(w, r);
    fillFirmwareLabel(w, r);
    // 19.
    fillVoltagesCurrent(w, r);
    // 20.
    fillAdvancedWindows(w, r);

    plan.rgbCheckedAfterFill = w.radioRGB->isChecked();
    return plan;
}

std::optional<FillPlan> fillLegacy(TNodaluxConfig& w, model::TNodaluxCtrl& r, ui::Services& services) {
    FillPlan plan;
    plan.legacy = true;
    // 1 to 3 as for the current family; per-output grouping and intensity from
    // 1.4.4 (below, the advanced window shows none and the record keeps its own).
    plan.grouping = fwAtLeast(r, kFwHoldFrame);
    bindAdvancedArrays(w, plan.grouping);
    showAllTabs(w);
    fillNetworkTab(w, r);
    // Protocol.
    if (fwAtLeast(r, kFwProtocol)) {
        setVisible({w.lblProtocol, w.radioSACN, w.radioArtNet}, true);
        checkProtocolRadio(w, r.Protocol);
        w.gboxDMX->setEnabled(r.Protocol == 0);
    } else {
        setVisible({w.lblProtocol, w.radioSACN, w.radioArtNet}, false);
        // No protocol choice: the DMX group follows nothing an earlier controller chose.
        w.gboxDMX->setEnabled(true);
        plan.protocol = false;
    }
    w.radioOstra->setVisible(fwAtLeast(r, kFwThirdProtocol) && r.Model == kArvello16);
    // Hold last frame.
    if (fwAtLeast(r, kFwHoldFrame)) {
        w.checkHoldFrame->setVisible(true);
        w.checkHoldFrame->setChecked(r.HoldLastFrame == 1);
    } else {
        w.checkHoldFrame->setVisible(false);
        plan.holdFrame = false;
    }
    // DMX outputs.
    if (fwAtLeast(r, kFwDmx) && !isCompactLegacyModel(r)) {
        w.gboxDMX->setVisible(true);
        const bool allRows = r.HwRev >= kLegacyDmxAllRowsHwRev && r.NumStrings == kLegacy16Outputs;
        showDmxRows(w, allRows ? model::kMaxDmxOutputs : 1);
        fillDmxValues(w, r);
    } else {
        w.gboxDMX->setVisible(false);
        plan.dmx = false;
    }
    // The LED group as designed (see the current family), without a clock speed.
    w.resetLedGroup();
    setVisible({w.lblClockSpeed, w.trackClockSpeed}, false);
    // Pixel chip: the fixed legacy list for this firmware.
    QStringList chips;
    for (const auto& chip : model::legacyChipList(r.Firmware)) chips << fromU16(chip.name);
    fillChipList(w, chips, r.DriverChip);
    // LED type: the enabling by the chip and firmware, then the controller's
    // own type (the rule would force the chip's type on it). A code other
    // than 0 or 1 shows RGBW; the record keeps it unless the user changes it.
    w.RefreshLedTypeOptionsV4Below();
    (r.LedType == 0 ? w.radioRGB : w.radioRGBW)->setChecked(true);
    plan.ledType = r.LedType <= 1;
    // The colour-order lists are the RGB orders for every legacy controller;
    // without this they could still hold an earlier controller's RGBW orders.
    w.RefreshRgbOrderOptions();
    // Normal/condensed: one model only.
    const bool longRange = r.Model == kLongRange;
    setVisible({w.lblOutputs, w.radioStandard, w.radioCondensed}, longRange);
    if (longRange) {
        w.placeLedGroups(kLegacyLedsWithModes, kLegacyGammaWithModes);
        (r.CondensedMode == 1 ? w.radioCondensed : w.radioStandard)->setChecked(true);
    } else {
        w.placeLedGroups(kLegacyLedsWithoutModes, kLegacyGammaWithoutModes);
        plan.outputMode = false;
    }
    // Universes and pixels, after the chip's rule (as for the current
    // family): a start universe of 0 marks the advanced configuration.
    fillUniverses(w, r.SacnUniv != 0, r.SacnUniv, r.SacnChan, r.NumNodes[0]);
    // Colour order, in the encoding of the firmware.
    if (fwAtLeast(r, kFwPerOutputOrder)) {
        setVisible({w.checkAdvRGB, w.btnAdvancedRGB}, true);
        w.lblRGB->setEnabled(true);
        const bool perOutput = r.RgbOrder[0] == kPerOutputOrder;
        w.checkAdvRGB->setChecked(perOutput);
        w.btnAdvancedRGB->setEnabled(perOutput);
        w.comboRGB->setEnabled(!perOutput);
        const int item = perOutput ? 0 : r.RgbOrder[0];
        w.comboRGB->setCurrentIndex(item < w.comboRGB->count() ? item : -1);
    } else {
        setVisible({w.checkAdvRGB, w.btnAdvancedRGB}, false);
        plan.perOutputOrder = false;
        plan.orderAsIndex = false;
        const bool selectable = fwAtLeast(r, kFwColourOrder);
        plan.orderSelectable = selectable;
        w.comboRGB->setCurrentIndex(selectable ? model::itemFromPositionForm(r.RgbOrder[0], r.RgbOrder[1]) : 0);
        w.comboRGB->setEnabled(selectable);
        w.lblRGB->setEnabled(selectable);
    }
    // Speed.
    if (fwAtLeast(r, kFwSpeed)) {
        w.lblSpeed->setText(QStringLiteral("Speed:"));
        (r.ProtocolSpeed != 0 ? w.radioFast : w.radioSlow)->setChecked(true);
        const int chip = w.comboChip->currentIndex();
        const bool offered = std::find(std::begin(kLegacyChipWithSpeed), std::end(kLegacyChipWithSpeed), chip) !=
                             std::end(kLegacyChipWithSpeed);
        setVisible({w.lblSpeed, w.radioSlow, w.radioFast}, offered);
        // A current controller before may have left them fixed.
        for (QWidget* c : {static_cast<QWidget*>(w.lblSpeed), static_cast<QWidget*>(w.radioSlow),
                           static_cast<QWidget*>(w.radioFast)})
            c->setEnabled(true);
    } else {
        w.lblSpeed->setText(QStringLiteral("Sp"));
        setVisible({w.lblSpeed, w.radioSlow, w.radioFast}, false);
        plan.speed = false;
    }
    // Gamma: red, green and blue only.
    fillGamma(w, r, false);
    plan.whiteGamma = false;
    // Test tab.
    if (fwAtLeast(r, kFwTestTab)) {
        if (!fillTestModes(w, r, testModeItems(false), services)) return std::nullopt;
    } else {
        const int testTab = w.TabControl1->indexOf(w.tabTest);
        // Network first: disabling the selected tab would otherwise select the next one.
        if (w.TabControl1->currentIndex() == testTab) w.TabControl1->setCurrentIndex(kNetworkTab);
        w.TabControl1->setTabEnabled(testTab, false);
    }
    fillNickname(w, r);
    plan.fan = fillFan(w, r, r.HwRev >= kFirstFanHwRev && !isCompactLegacyModel(r), kLegacyMiscWithFan,
                       kLegacyMiscWithoutFan);
    fillFirmwareLabel(w, r);
    fillVoltagesLegacy(w, r);
    w.CalculateExpandedOutputs();
    fillAdvancedWindows(w, r);

    plan.rgbCheckedAfterFill = w.radioRGB->isChecked();
    return plan;
}

} // namespace vantrel::config
