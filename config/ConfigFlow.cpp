#include "config/ConfigFlow.h"

#include <QLabel>
#include <utility>

#include "config/ConfigFlowFill.h"
#include "config/ConfigFlowSenders.h"
#include "config/NodaluxConfig.h"
#include "firmware/BootloaderTrigger.h"
#include "model/Controllers.h"
#include "model/Rules.h"
#include "model/Text.h"
#include "ui/Services.h"

namespace vantrel::config {

namespace {

// Legacy firmware from which a subnet mismatch offers to readdress the controller.
constexpr int kFwReaddress[] = {1, 4, 5};

// Holds auto-poll for as long as it lives.
class AutoPollHold {
public:
    explicit AutoPollHold(const FlowContext& ctx) : m_resume(ctx.resumeAutoPoll) {
        if (ctx.holdAutoPoll) ctx.holdAutoPoll();
    }
    ~AutoPollHold() {
        if (m_resume) m_resume();
    }
    AutoPollHold(const AutoPollHold&) = delete;
    AutoPollHold& operator=(const AutoPollHold&) = delete;

private:
    std::function<void()> m_resume;
};

// Points the configuration window's rules at the flow's controller, and back
// at whatever they read before when the flow ends.
class RecordSourceScope {
public:
    RecordSourceScope(TNodaluxConfig& window, TNodaluxConfig::RecordSource source)
        : m_window(window), m_previous(window.recordSource()) {
        m_window.setRecordSource(std::move(source));
    }
    ~RecordSourceScope() { m_window.setRecordSource(std::move(m_previous)); }
    RecordSourceScope(const RecordSourceScope&) = delete;
    RecordSourceScope& operator=(const RecordSourceScope&) = delete;

private:
    TNodaluxConfig& m_window;
    TNodaluxConfig::RecordSource m_previous;
};

} // namespace

QString toolVersionText(const std::array<std::uint8_t, 3>& required) {
    return QStringLiteral("The device requires V%1.%2.%3 or higher version of software to be properly configured. "
                          "Please check for an updated version of this application.")
        .arg(required[0])
        .arg(required[1])
        .arg(required[2]);
}

ConfigFlow::ConfigFlow(FlowContext context) : m_ctx(std::move(context)) {}

void ConfigFlow::NetCtrlSettings(int index) { run(index, Family::Current); }

void ConfigFlow::NetCtrlSettingsV4Below(int index) { run(index, Family::Legacy); }

void ConfigFlow::run(int index, Family family) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_ctx.list.size()) return;
    const model::TNodaluxCtrl& chosen = m_ctx.list.at(static_cast<std::size_t>(index));
    m_identity = Identity{chosen.CurrentIP, chosen.MAC};
    m_index = index;

    const AutoPollHold hold(m_ctx);
    const RecordSourceScope source(m_ctx.config, [this] { return record(); });
    runGated(family);
}

model::TNodaluxCtrl* ConfigFlow::record() {
    auto& list = m_ctx.list;
    auto same = [this](const model::TNodaluxCtrl& c) {
        return c.CurrentIP == m_identity.ip && c.MAC == m_identity.mac;
    };
    if (m_index >= 0 && static_cast<std::size_t>(m_index) < list.size() &&
        same(list.at(static_cast<std::size_t>(m_index))))
        return &list.at(static_cast<std::size_t>(m_index));
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (same(list.at(i))) {
            m_index = static_cast<int>(i);
            return &list.at(i);
        }
    }
    return nullptr;
}

model::TNodaluxCtrl* ConfigFlow::recordForWriting() {
    model::TNodaluxCtrl* r = record();
    if (!r)
        m_ctx.services.message(ui::MessageKind::Warning, QString::fromLatin1(kRecordGoneText), ui::Buttons::Ok,
                               ui::Answer::Ok);
    return r;
}

QString ConfigFlow::controllerNetwork(const model::TNodaluxCtrl& r) const {
    return QString::fromStdString(model::networkAddressText(r.CurrentIP, r.CurrentSM));
}

void ConfigFlow::runGated(Family family) {
    TNodaluxConfig& w = m_ctx.config;
    const model::TNodaluxCtrl* r = record();
    if (!r) return;

    if (family == Family::Current) {
        // 1. Entry: the MAC digits are appended by the fill.
        w.lblMAC->setText(QStringLiteral("MAC: "));
        // 2. A controller running its bootloader goes to the firmware window.
        if (model::isBootloader(*r)) {
            bootloaderGate(true);
            return;
        }
    } else {
        // No MAC is shown for legacy controllers; unknown models are not configured.
        w.lblMAC->setText(QString());
        if (!isKnownLegacyModel(*r)) return;
        if (model::isBootloader(*r)) {
            bootloaderGate(false);
            return;
        }
    }

    // 3. Minimum tool version.
    if (!toolIsNewEnough(*r)) return;

    // 4. IP compatibility: the legacy family offers to readdress from firmware 1.4.5 only.
    const AdapterInfo adapter = m_ctx.adapter ? m_ctx.adapter() : AdapterInfo{};
    if (adapter.network != controllerNetwork(*r)) {
        const bool offer = family == Family::Current ||
                           model::firmwareAtLeast(r->Firmware, kFwReaddress[0], kFwReaddress[1], kFwReaddress[2]);
        if (offer) {
            switch (ipGate()) {
            case IpGate::Readdress: readdress(); return;
            case IpGate::End: return;
            case IpGate::Fill: break;
            }
        }
    }
    configure(family);
}

bool ConfigFlow::toolIsNewEnough(const model::TNodaluxCtrl& r) {
    if (model::versionAtLeast(m_ctx.appVersion, r.MinVantrelVer)) return true;
    m_ctx.services.message(ui::MessageKind::Plain, toolVersionText(r.MinVantrelVer), ui::Buttons::Ok,
                           ui::Answer::Ok);
    return false;
}

ConfigFlow::IpGate ConfigFlow::ipGate() {
    ui::Services& s = m_ctx.services;
    const ui::Answer a =
        s.message(ui::MessageKind::Warning, QString::fromLatin1(kIpMismatchText), ui::Buttons::YesNo, ui::Answer::Yes);
    if (a == ui::Answer::Yes) return IpGate::Readdress;
    if (a != ui::Answer::No) return IpGate::Fill; // dismissed without an answer
    const AdapterInfo adapter = m_ctx.adapter ? m_ctx.adapter() : AdapterInfo{};
    if (adapter.mask != QLatin1String(kVpnMask)) return IpGate::End;
    const ui::Answer vpn =
        s.message(ui::MessageKind::Warning, QString::fromLatin1(kVpnText), ui::Buttons::YesNo, ui::Answer::Yes);
    return vpn == ui::Answer::Yes ? IpGate::Fill : IpGate::End;
}

void ConfigFlow::bootloaderGate(bool compareSubnet) {
    if (compareSubnet) {
        const model::TNodaluxCtrl* r = record();
        const AdapterInfo adapter = m_ctx.adapter ? m_ctx.adapter() : AdapterInfo{};
        if (!r || adapter.network != controllerNetwork(*r)) {
            const ui::Answer a = m_ctx.services.message(ui::MessageKind::Warning,
                                                        QString::fromLatin1(kBootloaderSubnetText),
                                                        ui::Buttons::AbortIgnore, ui::Answer::Abort);
            if (a != ui::Answer::Ignore) return;
        }
    }
    showFirmwareWindow();
}

void ConfigFlow::showFirmwareWindow() {
    if (m_ctx.firmwareWindow) m_ctx.services.showModal(*m_ctx.firmwareWindow);
}

void ConfigFlow::readdress() {
    TNodaluxConfig& w = m_ctx.config;
    showNetworkTabOnly(w);
    if (const model::TNodaluxCtrl* r = recordForWriting()) {
        fillNetworkTab(w, *r);
    } else {
        return;
    }
    if (w.ShowModal() != kModalOK) return;

    model::TNodaluxCtrl* r = recordForWriting();
    if (!r) return;
    if (const auto error = readBackNetwork(w, *r)) {
        m_ctx.services.message(ui::MessageKind::Error, readBackErrorText(*error), ui::Buttons::Ok, ui::Answer::Ok);
        return;
    }
    // Broadcast, so that it reaches the controller on whatever subnet it is;
    // no search follows (the controller moves to its new address).
    QorvSendNetworkConfig(*r, m_ctx.endpoint, m_ctx.services);
}

void ConfigFlow::configure(Family family) {
    TNodaluxConfig& w = m_ctx.config;
    std::optional<FillPlan> plan;
    {
        model::TNodaluxCtrl* r = recordForWriting();
        if (!r) return;
        // The fill runs no event loop, so the record stays where it is meanwhile.
        plan = family == Family::Current ? fillCurrent(w, *r, m_ctx.services) : fillLegacy(w, *r, m_ctx.services);
    }
    if (!plan) return;

    const int result = w.ShowModal();
    if (result == kModalOK) {
        readBackAndSend(*plan, family);
    } else if (result == kModalFirmware) {
        // Nothing is read back: the trigger, the pause and the firmware window.
        const model::TNodaluxCtrl* r = recordForWriting();
        if (!r || !m_ctx.firmwareWindow) return;
        if (family == Family::Current) {
            firmware::TriggerBootloader(m_ctx.endpoint, m_ctx.services, *r, *m_ctx.firmwareWindow);
        } else {
            firmware::TriggerBootloaderV4Below(m_ctx.endpoint, m_ctx.services, *r, *m_ctx.firmwareWindow);
        }
    }
}

void ConfigFlow::readBackAndSend(const FillPlan& plan, Family family) {
    model::TNodaluxCtrl* r = recordForWriting();
    if (!r) return;
    if (const auto error = readBackConfig(m_ctx.config, plan, *r)) {
        m_ctx.services.message(ui::MessageKind::Error, readBackErrorText(*error), ui::Buttons::Ok, ui::Answer::Ok);
        return;
    }
    if (family == Family::Current) {
        QorvSendConfig(*r, m_ctx.endpoint, m_ctx.services);
    } else {
        QorvSendConfigV4Below(*r, m_ctx.endpoint, m_ctx.services);
    }
    // r may be gone from here on: the send's error message runs an event loop.
    m_ctx.services.sleep(kAfterConfigPauseMs);
    if (m_ctx.search) m_ctx.search(true);
}

} // namespace vantrel::config
