#pragma once
// The configuration window with its Test tab bound, on the in-process
// endpoint and the scripted services; a controller list with the selected
// controller; and the user's hands: pick from the list, click, type and leave.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "app/Branding.h"
#include "config/NodaluxConfig.h"
#include "model/Controllers.h"
#include "model/NodaluxCtrl.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "testmode/TestTab.h"
#include "ui/testing/ScriptedServices.h"

namespace testmode_test {

using vantrel::config::TNodaluxConfig;
using vantrel::model::TNodaluxCtrl;
using vantrel::net::testing::FakeUdpEndpoint;
using vantrel::testmode::TestTab;
using vantrel::ui::testing::ScriptedServices;

inline const QString kPcAddress = QStringLiteral("192.168.77.1");

// A controller of protocol `version` at 192.168.77.50 with MAC 00-11-22-33-44-55,
// eight outputs of 170 pixels and a pixel limit of 680.
inline TNodaluxCtrl controller(int version = 8) {
    TNodaluxCtrl r{};
    r.QorvanaProtVer = static_cast<std::uint8_t>(version);
    r.CurrentIP = {192, 168, 77, 50};
    r.MAC = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    r.NumStrings = 8;
    r.NumUsableOutputs = 8;
    r.MaxPixels = 680;
    for (int i = 0; i < r.NumStrings; ++i) r.NumNodes[static_cast<std::size_t>(i)] = 170;
    return r;
}

struct Rig {
    vantrel::app::Branding branding{};
    ScriptedServices services;
    FakeUdpEndpoint endpoint;
    vantrel::model::ControllerList list;
    int selected = 0;
    TNodaluxConfig config{branding, services};
    std::unique_ptr<TestTab> tab;

    Rig() {
        endpoint.bind(QHostAddress(kPcAddress));
        config.setRecordSource([this]() -> TNodaluxCtrl* {
            if (selected < 0 || static_cast<std::size_t>(selected) >= list.size()) return nullptr;
            return &list.at(static_cast<std::size_t>(selected));
        });
        tab = std::make_unique<TestTab>(config, endpoint, services);
    }

    TNodaluxCtrl& rec() { return list.at(static_cast<std::size_t>(selected)); }

    // What the configuration flow does before it shows the window: fill the
    // list, select the record's test, name it.
    void fillLikeTheFlow() {
        const TNodaluxCtrl& r = rec();
        config.comboTestModes->clear();
        config.comboTestModes->addItems(vantrel::testmode::testModeEntries(r.QorvanaProtVer));
        config.comboTestModes->setCurrentIndex(r.TestMode);
        config.lblCurrentTest->setText(config.comboTestModes->currentText());
    }

    // Selects `record` (the only one in the list), fills and opens the window
    // on its Test tab.
    void open(const TNodaluxCtrl& record) {
        list.clear();
        list.append(record);
        selected = 0;
        openSelected();
    }

    void openSelected() {
        fillLikeTheFlow();
        config.TabControl1->setCurrentWidget(config.tabTest);
        config.show();
        QApplication::setActiveWindow(&config);
        config.FormShow();
    }

    void close() {
        config.FormClose();
        config.hide();
    }

    // --- the user's hands ------------------------------------------------------
    void choose(const QString& entry) {
        const int index = config.comboTestModes->findText(entry);
        if (index < 0) qFatal("no test named %s", qPrintable(entry));
        config.comboTestModes->setCurrentIndex(index);
    }

    static void click(QAbstractButton* button) {
        // Radio buttons answer clicks on their mark.
        if (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button)) {
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }

    static void typeAndLeave(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // --- what went out ------------------------------------------------------------
    const QList<FakeUdpEndpoint::Sent>& sent() const { return endpoint.sent(); }
    void clearSent() { endpoint.clearSent(); }
};

// The 12-byte header: magic, NUL, opcode (big-endian), protocol version.
inline QByteArray header(int opcode, int version) {
    QByteArray b("Qorvanix", 8);
    b.append('\0');
    b.append(static_cast<char>(opcode >> 8));
    b.append(static_cast<char>(opcode & 0xFF));
    b.append(static_cast<char>(version));
    return b;
}

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}

// Both byte strings in hex, for failure messages.
inline QByteArray hexPair(const QByteArray& actual, const QByteArray& expected) {
    return "\n  actual:   " + actual.toHex(' ') + "\n  expected: " + expected.toHex(' ');
}

} // namespace testmode_test
