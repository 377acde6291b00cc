#include "config/ConfigFlowReadBack.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <limits>

#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/NodaluxConfig.h"
#include "model/Rules.h"

namespace vantrel::config {

namespace {

// The nickname keeps at most this many characters, so a NUL always ends it.
constexpr std::size_t kNicknameStored = model::kNicknameLength - 1;
// txtFan holding a text that is not a whole number stores this.
constexpr std::uint8_t kFanFallback = 35;
// The driver speed code of an adjustable clock: the speed is the clock track.
constexpr int kSpeedClock = 4;
// RgbOrder marking per-output colour orders (legacy).
constexpr std::uint8_t kPerOutputOrder = 255;
constexpr double kTenthsPerUnit = 10.0;
constexpr int kRgbGammas = 3;
constexpr int kGammas = 4;
// Every legacy configuration carries 16 outputs; simple mode lays out all of them.
constexpr int kLegacyOutputs = 16;

template <class T> T lowBits(std::int32_t v) { return static_cast<T>(static_cast<std::uint32_t>(v)); }

// Reads edits strictly; the first failure is kept and every later read is
// skipped, so the caller checks once at the end.
class Reader {
public:
    std::int32_t integer(const QLineEdit* edit, const QString& field) {
        if (m_error) return 0;
        const auto v = strictInt(edit->text());
        if (!v) {
            m_error = ReadBackError{field, edit->text()};
            return 0;
        }
        return *v;
    }

    // A real value in the locale's format, times 10, rounded half to even.
    std::int32_t tenths(const QLineEdit* edit, const QString& field) {
        if (m_error) return 0;
        bool ok = false;
        const double v = QLocale().toDouble(edit->text().trimmed(), &ok);
        if (!ok || !std::isfinite(v)) {
            m_error = ReadBackError{field, edit->text()};
            return 0;
        }
        return static_cast<std::int32_t>(
            std::clamp<long>(model::roundHalfEven(v * kTenthsPerUnit), std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max()));
    }

    const std::optional<ReadBackError>& error() const { return m_error; }

private:
    std::optional<ReadBackError> m_error;
};

QString outputField(int output, const char* column) {
    return QStringLiteral("Output %1 %2").arg(output).arg(QLatin1String(column));
}

void readNetworkFields(const TNodaluxConfig& w, Reader& rd, model::TNodaluxCtrl& r) {
    const QLineEdit* ip[] = {w.IP1, w.IP2, w.IP3, w.IP4};
    const QLineEdit* sm[] = {w.SM1, w.SM2, w.SM3, w.SM4};
    for (std::size_t i = 0; i < 4; ++i) {
        r.StaticIP[i] = lowBits<std::uint8_t>(rd.integer(ip[i], QStringLiteral("IP Address")));
        r.SM[i] = lowBits<std::uint8_t>(rd.integer(sm[i], QStringLiteral("Subnet Mask")));
    }
    r.DHCP = w.radioDHCP->isChecked() ? 1 : 0;
}

// The orders of the first `outputs` lists of the Advanced RGB window (when it exists).
void readAdvancedOrders(const TNodaluxConfig& w, int outputs, model::TNodaluxCtrl& r) {
    const TNodaluxAdvRGB* advRgb = w.advancedRgbWindow();
    if (!advRgb) return;
    for (int i = 0; i < outputs; ++i) {
        const QComboBox* list = advRgb->AdvRGB[static_cast<std::size_t>(i)];
        if (list && list->currentIndex() >= 0)
            r.AdvRgbOrder[static_cast<std::size_t>(i)] = lowBits<std::uint8_t>(list->currentIndex());
    }
}

// The per-output colour order of the current family.
void readColourOrdersCurrent(const TNodaluxConfig& w, model::TNodaluxCtrl& r) {
    if (w.checkAdvRGB->isChecked()) {
        readAdvancedOrders(w, std::min<int>(r.NumUsableOutputs, model::kMaxOutputs), r);
        return;
    }
    const int order = w.comboRGB->currentIndex();
    if (order < 0) return; // no order selected: the record keeps its orders
    const int n = std::min<int>(r.NumStrings, model::kMaxOutputs);
    for (int i = 0; i < n; ++i) r.AdvRgbOrder[static_cast<std::size_t>(i)] = lowBits<std::uint8_t>(order);
}

// The controller-wide colour order of the legacy family.
void readColourOrdersLegacy(const TNodaluxConfig& w, const FillPlan& plan, model::TNodaluxCtrl& r) {
    if (plan.perOutputOrder && w.checkAdvRGB->isChecked()) {
        r.RgbOrder = {kPerOutputOrder, kPerOutputOrder, kPerOutputOrder};
        // Only the lists the window shows for this controller; the hidden ones
        // still hold an earlier controller's orders.
        readAdvancedOrders(w, std::min<int>({r.NumUsableOutputs, model::kMaxOutputs, kLegacyOutputs}), r);
        return;
    }
    const int item = w.comboRGB->currentIndex();
    if (item < 0) return;
    if (plan.orderAsIndex) {
        r.RgbOrder[0] = lowBits<std::uint8_t>(item);
    } else if (!plan.orderSelectable || item != model::itemFromPositionForm(r.RgbOrder[0], r.RgbOrder[1])) {
        r.RgbOrder = model::positionFormFromItem(item);
    }
    // Otherwise the item shown for the controller's own places is chosen: they
    // stay as they are, also places that name no order of the list (0, 0, 0).
}

void readAdvancedOutputs(const TNodaluxConfig& w, const FillPlan& plan, Reader& rd, int outputs,
                         model::TNodaluxCtrl& r) {
    r.SacnUniv = 0;
    r.SacnChan = 0;
    const TNodaluxAdv* adv = w.advancedWindow();
    if (!adv) return;
    const int n = std::clamp(outputs, 0, static_cast<int>(model::kMaxOutputs));
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int out = i + 1;
        r.AdvUniv[k] = lowBits<std::uint16_t>(rd.integer(adv->universes[k], outputField(out, "Start Universe")));
        r.AdvChan[k] = lowBits<std::uint16_t>(rd.integer(adv->channels[k], outputField(out, "Start Channel")));
        if (plan.grouping)
            r.Grouping[k] = lowBits<std::uint16_t>(rd.integer(adv->grouping[k], outputField(out, "Group")));
        r.NumNodes[k] = rd.integer(adv->nodes[k], outputField(out, "Num Pixels"));
        r.AdvNull[k] = lowBits<std::uint8_t>(rd.integer(adv->null[k], outputField(out, "Null Pixels")));
        r.AdvZig[k] = lowBits<std::uint16_t>(rd.integer(adv->zig[k], outputField(out, "Zig Zag")));
        if (plan.grouping)
            r.Brightness[k] =
                lowBits<std::uint8_t>(rd.integer(adv->brightness[k], outputField(out, "Intensity Limit")));
        r.AdvReverse[k] = adv->reverse[k]->isChecked() ? 1 : 0;
    }
}

// Simple mode: every output the same pixel count, laid out one after another
// from the start universe and channel; a pixel never spans two universes.
void readSimpleOutputs(const TNodaluxConfig& w, Reader& rd, int outputs, model::TNodaluxCtrl& r) {
    const std::int32_t pixels = rd.integer(w.txtNodes, QStringLiteral("Pixels Per Output"));
    const auto u = lowBits<std::uint16_t>(rd.integer(w.txtStartUniv, QStringLiteral("Start Universe")));
    const auto c = lowBits<std::uint16_t>(rd.integer(w.txtStartChan, QStringLiteral("Start Channel")));
    if (rd.error()) return;
    const int n = std::clamp(outputs, 0, static_cast<int>(model::kMaxOutputs));
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        r.NumNodes[k] = pixels;
        r.AdvNull[k] = 0;
        r.AdvZig[k] = 0;
        r.AdvReverse[k] = 0;
    }
    const auto layout = model::simpleLayout(u, c, pixels, n, w.radioRGBW->isChecked());
    for (std::size_t k = 0; k < layout.size(); ++k) {
        r.AdvUniv[k] = lowBits<std::uint16_t>(layout[k].universe);
        r.AdvChan[k] = lowBits<std::uint16_t>(layout[k].channel);
    }
}

} // namespace

QString readBackErrorText(const ReadBackError& error) {
    return QStringLiteral("'%1' is not a valid value for %2. The settings were not sent.")
        .arg(error.text, error.field);
}

std::optional<std::int32_t> strictInt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) ++i;
    if (i == t.size()) return std::nullopt;
    for (qsizetype k = i; k < t.size(); ++k) {
        if (t[k] < u'0' || t[k] > u'9') return std::nullopt;
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok) return std::nullopt; // beyond 32 bits
    return v;
}

std::optional<ReadBackError> readBackNetwork(const TNodaluxConfig& window, model::TNodaluxCtrl& record) {
    model::TNodaluxCtrl r = record;
    Reader rd;
    readNetworkFields(window, rd, r);
    if (rd.error()) return rd.error();
    record = std::move(r);
    return std::nullopt;
}

std::optional<ReadBackError> readBackConfig(const TNodaluxConfig& w, const FillPlan& plan,
                                            model::TNodaluxCtrl& record) {
    model::TNodaluxCtrl r = record;
    Reader rd;

    readNetworkFields(w, rd, r);
    r.SacnUniv = lowBits<std::uint16_t>(rd.integer(w.txtStartUniv, QStringLiteral("Start Universe")));
    r.SacnChan = lowBits<std::uint16_t>(rd.integer(w.txtStartChan, QStringLiteral("Start Channel")));

    if (plan.protocol) {
        r.Protocol = w.radioOstra->isChecked() ? 2 : w.radioArtNet->isChecked() ? 1 : 0;
    }
    if (plan.holdFrame) r.HoldLastFrame = w.checkHoldFrame->isChecked() ? 1 : 0;

    const bool advanced = w.checkAdv->isChecked();
    if (!plan.legacy) {
        constexpr std::uint8_t kKeepWhenAdvanced = 0xC6; // bits 0, 3, 4, 5 cleared
        if (!advanced) {
            r.SimpleConfig = static_cast<std::uint8_t>(r.SimpleConfig | 1U);
        } else if (plan.simpleAtFill) {
            r.SimpleConfig = static_cast<std::uint8_t>(r.SimpleConfig & kKeepWhenAdvanced);
        }
    }

    if (plan.dmx) {
        for (std::size_t j = 0; j < model::kMaxDmxOutputs; ++j) {
            r.DmxOutOn[j] = w.switchOut[j]->isChecked() ? 1 : 0;
            r.DmxOutUniv[j] = lowBits<std::uint16_t>(
                rd.integer(w.txtOut[j], QStringLiteral("DMX Out %1 Universe").arg(j + 1)));
        }
    }

    const int chip = w.comboChip->currentIndex();
    if (chip >= 0) r.DriverChip = lowBits<std::uint8_t>(chip);
    if (plan.outputMode) r.CondensedMode = w.radioStandard->isChecked() ? 0 : 1;

    const bool rgbChecked = w.radioRGB->isChecked();
    if (plan.ledType || rgbChecked != plan.rgbCheckedAfterFill) r.LedType = rgbChecked ? 0 : 1;

    if (plan.legacy) {
        readColourOrdersLegacy(w, plan, r);
        if (plan.speed) r.ProtocolSpeed = w.radioSlow->isChecked() ? 0 : 1;
    } else {
        readColourOrdersCurrent(w, r);
        // With no chip selected the record keeps its chip and its speed.
        if (chip >= 0) {
            const bool clock = chip < r.NumDrivers && static_cast<std::size_t>(chip) < r.DriverSpeed.size() &&
                               r.DriverSpeed[static_cast<std::size_t>(chip)] == kSpeedClock;
            if (clock) {
                r.ProtocolSpeed = lowBits<std::uint8_t>(w.trackClockSpeed->value());
            } else {
                r.ProtocolSpeed = w.radioSlow->isChecked() ? 0 : 1;
            }
        }
    }

    const QLineEdit* gammaEdits[kGammas] = {w.txtGammaRed, w.txtGammaGreen, w.txtGammaBlue, w.txtGammaWhite};
    const char* gammaNames[kGammas] = {"Gamma Red", "Gamma Green", "Gamma Blue", "Gamma White"};
    const int gammas = plan.legacy || !plan.whiteGamma ? kRgbGammas : kGammas;
    for (int g = 0; g < gammas; ++g) {
        r.Gamma[static_cast<std::size_t>(g)] =
            lowBits<std::uint8_t>(rd.tenths(gammaEdits[g], QLatin1String(gammaNames[g])));
    }

    model::setNickname(r, w.txtNickname->text().toStdU16String(), kNicknameStored);

    if (plan.fan) {
        const auto fan = strictInt(w.txtFan->text());
        r.FanTemp = fan ? lowBits<std::uint8_t>(*fan) : kFanFallback;
    }

    if (advanced) {
        readAdvancedOutputs(w, plan, rd, plan.legacy ? r.NumStrings : r.NumUsableOutputs, r);
    } else {
        readSimpleOutputs(w, rd, plan.legacy ? kLegacyOutputs : r.NumStrings, r);
    }

    if (rd.error()) return rd.error();
    record = std::move(r);
    return std::nullopt;
}

} // namespace vantrel::config
