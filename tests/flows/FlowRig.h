#pragma once
// The configuration flows on the fakes: a controller list, the in-process
// endpoint bound to the adapter 192.168.1.10/24, scripted services answering
// every dialog and modal window, the three configuration windows joined as the
// program joins them, and a stand-in firmware window (a plain dialog named as
// the program's). The search empties the
// list as the main window's does, and auto-poll hold and resume are counted.
//
// The user's hands: find a control by name, type into an edit and leave it,
// click; `whileOpen` acts in a window while it is "shown" and closes it with
// one of its buttons, as a user would.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "app/Branding.h"
#include "config/ConfigFlow.h"
#include "config/ConfigFlowFill.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/NodaluxConfig.h"
#include "model/Controllers.h"
#include "model/NodaluxCtrl.h"
#include "model/Text.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "ui/testing/ScriptedServices.h"
#include "HexDiff.h"

namespace flowtest {

using vantrel::config::AdapterInfo;
using vantrel::config::ConfigFlow;
using vantrel::config::FlowContext;
using vantrel::config::TNodaluxAdv;
using vantrel::config::TNodaluxAdvRGB;
using vantrel::config::TNodaluxConfig;
using vantrel::model::TNodaluxCtrl;
using vantrel::ui::Answer;
using vantrel::ui::Buttons;
using vantrel::ui::MessageKind;
using vantrel::ui::testing::ScriptedServices;

inline constexpr char kAdapterIp[] = "192.168.1.10";

// A control by its name; a missing one ends the test run loudly.
template <class T> T* find(const QWidget& window, const QString& name) {
    T* w = window.findChild<T*>(name);
    if (!w) qFatal("no control named %s in %s", qPrintable(name), qPrintable(window.objectName()));
    return w;
}

// Selects the edit's text, types over it and leaves the edit with Enter.
inline void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        QTest::keyClicks(edit, text);
    }
    QTest::keyClick(edit, Qt::Key_Return);
}

// Radio buttons and check boxes answer clicks on their mark only.
inline void click(QAbstractButton* button) {
    if (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button)) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

// A control the window shows: neither it nor a group around it is hidden.
// Whether its tab page is the current one does not count (the windows are not
// really on screen while the scripted services "show" them).
inline bool shown(const QWidget* w) {
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget()) {
        if (qobject_cast<const QStackedWidget*>(p->parentWidget())) break; // a tab page
        if (p->isHidden()) return false;
    }
    return true;
}

// A controller of the current family at 192.168.1.50/24: protocol 8, four
// outputs in simple mode (universe 1 channel 1, 50 pixels), one driver that
// takes either LED type and offers a slow/fast choice, a fan row, one bank.
inline TNodaluxCtrl currentController() {
    TNodaluxCtrl r{};
    r.CurrentIP = {192, 168, 1, 50};
    r.CurrentSM = {255, 255, 255, 0};
    r.StaticIP = {192, 168, 1, 50};
    r.SM = {255, 255, 255, 0};
    r.DHCP = 0;
    r.MAC = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    r.QorvanaProtVer = 8;
    r.Firmware = u"V2.1.0";
    r.ModelName = u"Nodalux Pro 4";
    r.MinVantrelVer = {2, 0, 0};
    r.NumStrings = 4;
    r.NumUsableOutputs = 4;
    r.MaxPixels = 680;
    r.NumDrivers = 2;
    r.DriverNameLength = 8;
    r.DriverNames = {u"WS2811  ", u"SK6812  "};
    r.DriverType = {2, 1};
    r.DriverSpeed = {3, 0};
    r.DriverExpandable = {0, 0};
    r.DriverChip = 0;
    r.LedType = 0;
    r.ProtocolSpeed = 1;
    r.SimpleConfig = 1;
    r.HwRev = 5;
    r.FanTemp = 40;
    r.NumBanks = 1;
    r.Voltage = {121, 0, 0, 0};
    r.Gamma = {22, 22, 22, 22};
    r.DmxSacnCapable = true;
    r.DmxArtNetCapable = true;
    const std::u16string nick = u"Stage left";
    std::copy(nick.begin(), nick.end(), r.Nickname.begin());
    for (std::size_t i = 0; i < vantrel::model::kMaxOutputs; ++i) {
        r.NumNodes[i] = 50;
        r.AdvUniv[i] = 1;
        r.AdvChan[i] = static_cast<std::uint16_t>(1 + 150 * (i % 3));
        r.Grouping[i] = 1;
        r.Brightness[i] = 100;
    }
    return r;
}

// A legacy controller (protocol 0) at 192.168.1.60/24: "Nodalux 16", 16
// outputs in simple mode from universe 1 channel 1.
inline TNodaluxCtrl legacyController(const std::u16string& firmware = u"V1.4.11",
                                     const std::u16string& model = u"Nodalux 16") {
    TNodaluxCtrl r{};
    r.CurrentIP = {192, 168, 1, 60};
    r.CurrentSM = {255, 255, 255, 0};
    r.StaticIP = {192, 168, 1, 60};
    r.SM = {255, 255, 255, 0};
    r.QorvanaProtVer = 0;
    r.Firmware = firmware;
    r.Model = model;
    r.NumStrings = 16;
    r.NumUsableOutputs = 16;
    r.HwRev = 5;
    r.FanTemp = 45;
    r.SacnUniv = 1;
    r.SacnChan = 1;
    r.DriverChip = 4;
    r.Gamma = {25, 25, 25, 0};
    r.Voltage = {120, 118, 0xFFFF, 0xFFFF};
    r.DmxMix = 3;
    r.MixMode = 4;
    r.DmxStart = 7;
    for (std::size_t i = 0; i < vantrel::model::kMaxOutputs; ++i) {
        r.NumNodes[i] = 100;
        r.AdvUniv[i] = 1;
        r.AdvChan[i] = 1;
        r.Grouping[i] = 1;
        r.Brightness[i] = 100;
    }
    return r;
}

struct FlowRig {
    vantrel::app::Branding branding{};
    ScriptedServices services;
    vantrel::net::testing::FakeUdpEndpoint endpoint;
    vantrel::model::ControllerList list;
    TNodaluxConfig config{branding, services};
    TNodaluxAdv adv;
    TNodaluxAdvRGB advRgb;
    QDialog firmwareWindow;
    AdapterInfo adapter{QStringLiteral("192.168.1.0"), QStringLiteral("255.255.255.0")};

    QList<bool> searches;      // SupressError of each search
    bool searchEmptiesList = true; // false: a test reads the record after the flow
    int holds = 0;
    int resumes = 0;

    ConfigFlow flow{FlowContext{
        .list = list,
        .endpoint = endpoint,
        .services = services,
        .config = config,
        .appVersion = {2, 3, 23},
        .adapter = [this] { return adapter; },
        .search =
            [this](bool suppress) {
                searches.append(suppress);
                if (searchEmptiesList) list.clear();
            },
        .holdAutoPoll = [this] { ++holds; },
        .resumeAutoPoll = [this] { ++resumes; },
        .firmwareWindow = &firmwareWindow,
    }};

    FlowRig() {
        config.setAdvancedWindows(&adv, &advRgb);
        firmwareWindow.setObjectName(QStringLiteral("TCPFirmware"));
        endpoint.bind(QHostAddress(QString::fromLatin1(kAdapterIp)));
    }

    int add(const TNodaluxCtrl& record) { return list.append(record).value_or(-1); }
    TNodaluxCtrl& at(int index) { return list.at(static_cast<std::size_t>(index)); }

    // Adds the controller and runs the flow of its family on it.
    void open(const TNodaluxCtrl& record) {
        const int index = add(record);
        record.QorvanaProtVer > 4 ? flow.NetCtrlSettings(index) : flow.NetCtrlSettingsV4Below(index);
    }
    void openAt(int index) {
        at(index).QorvanaProtVer > 4 ? flow.NetCtrlSettings(index) : flow.NetCtrlSettingsV4Below(index);
    }

    // The next modal window: shown, `act` works in it, then the user closes it
    // with `button` (of the window that is open) and the result is returned.
    void whileOpen(std::function<void()> act, const QString& button = QStringLiteral("btnOK")) {
        services.queueModal([act, button](QDialog& d) {
            d.show();
            QApplication::setActiveWindow(&d);
            act();
            click(find<QPushButton>(d, button));
            d.hide();
            return d.result();
        });
    }
    // The next modal window is closed with its OK button at once, untouched.
    // Unlike whileOpen the window is not put on screen, which keeps long
    // sweeps of openings quick.
    void pressOkUntouched() {
        services.queueModal([](QDialog& d) {
            find<QPushButton>(d, QStringLiteral("btnOK"))->click();
            return d.result();
        });
    }
    // The next modal window closes with `result` at once.
    void closeWith(int result) { services.queueModalResult(result); }

    // Sends made so far.
    const QList<vantrel::net::testing::FakeUdpEndpoint::Sent>& sent() const { return endpoint.sent(); }
    // Modal windows shown, by object name.
    QStringList modalNames() const {
        QStringList names;
        for (const auto& m : services.modals) names << m.objectName;
        return names;
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : services.messages) texts << m.text;
        return texts;
    }

    QLineEdit* edit(const QString& name) { return find<QLineEdit>(config, name); }
    QAbstractButton* button(const QString& name) { return find<QAbstractButton>(config, name); }
    QLabel* label(const QString& name) { return find<QLabel>(config, name); }
};

// Big-endian reads of a sent packet.
inline int u8At(const QByteArray& b, int offset) { return static_cast<std::uint8_t>(b.at(offset)); }
inline int u16At(const QByteArray& b, int offset) { return (u8At(b, offset) << 8) | u8At(b, offset + 1); }

} // namespace flowtest
