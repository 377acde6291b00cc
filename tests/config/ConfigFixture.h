#pragma once
// The three configuration windows wired together as the program wires them,
// a controller record they read, and the user's hands: find a control by
// name, type into an edit and leave it, click.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>

#include "app/Branding.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxAdvancedRGB.h"
#include "config/NodaluxConfig.h"
#include "model/NodaluxCtrl.h"
#include "model/Rules.h"
#include "ui/testing/ScriptedServices.h"

namespace testing_config {

using vantrel::config::TNodaluxAdv;
using vantrel::config::TNodaluxAdvRGB;
using vantrel::config::TNodaluxConfig;
using vantrel::model::TNodaluxCtrl;
using vantrel::ui::testing::ScriptedServices;

// A control by its name; a missing one ends the test run loudly.
template <class T> T* find(const QWidget& window, const QString& name) {
    T* w = window.findChild<T*>(name);
    if (!w) qFatal("no control named %s in %s", qPrintable(name), qPrintable(window.objectName()));
    return w;
}

enum class Leave { Enter, Tab };

// Selects the edit's text, types over it and leaves the edit.
inline void typeAndLeave(QLineEdit* edit, const QString& text, Leave how = Leave::Enter) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        QTest::keyClicks(edit, text);
    }
    QTest::keyClick(edit, how == Leave::Enter ? Qt::Key_Return : Qt::Key_Tab);
}

// Radio buttons and check boxes answer clicks on their mark and caption
// only, so they are clicked on the mark.
inline void click(QAbstractButton* button) {
    if (qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button)) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

// A controller of the current protocol family with a driver table of its own.
struct Driver {
    QString name;
    std::uint8_t type;       // 0 RGB, 1 RGBW, 2 either
    std::uint8_t speed;      // 0 none, 1 slow, 2 fast, 3 choice, 4 clock
    std::uint8_t expandable; // 0 neither, 1 expandable, 2 condensable
};

inline TNodaluxCtrl currentController(const std::vector<Driver>& drivers, int numStrings = 8,
                                      std::uint16_t maxPixels = 400) {
    TNodaluxCtrl r{};
    r.QorvanaProtVer = 8;
    r.NumStrings = static_cast<std::uint8_t>(numStrings);
    r.NumUsableOutputs = static_cast<std::uint8_t>(numStrings);
    r.MaxPixels = maxPixels;
    r.NumDrivers = static_cast<std::uint8_t>(drivers.size());
    r.DriverNameLength = 10;
    for (const Driver& d : drivers) {
        r.DriverNames.push_back(d.name.toStdU16String());
        r.DriverType.push_back(d.type);
        r.DriverSpeed.push_back(d.speed);
        r.DriverExpandable.push_back(d.expandable);
    }
    for (int i = 0; i < vantrel::model::kMaxOutputs; ++i) {
        const auto k = static_cast<std::size_t>(i);
        r.AdvUniv[k] = 1;
        r.AdvChan[k] = 1;
        r.NumNodes[k] = 50;
        r.Grouping[k] = 1;
        r.Brightness[k] = 100;
    }
    return r;
}

// A controller of the legacy family (protocol 4 and earlier).
inline TNodaluxCtrl legacyController(const QString& firmware, int numStrings = 16) {
    TNodaluxCtrl r = currentController({}, numStrings, 0);
    r.QorvanaProtVer = 0;
    r.Firmware = firmware.toStdU16String();
    r.Model = u"Nodalux 16";
    return r;
}

struct ConfigWindows {
    vantrel::app::Branding branding{};
    ScriptedServices services;
    TNodaluxCtrl rec{};
    TNodaluxConfig config{branding, services};
    TNodaluxAdv adv;
    TNodaluxAdvRGB advRgb;

    ConfigWindows() {
        config.setAdvancedWindows(&adv, &advRgb);
        config.setRecordSource([this] { return &rec; });
    }

    // What the configuration flow does with the driver part of a record:
    // the chip list (its selection runs the chip rule), then the LED type
    // and the colour-order lists, the output mode, the advanced windows.
    void load(const TNodaluxCtrl& record) {
        rec = record;
        config.comboChip->clear();
        if (rec.QorvanaProtVer >= 5) {
            for (const auto& n : rec.DriverNames) config.comboChip->addItem(QString::fromStdU16String(n));
        } else {
            for (const auto& chip : vantrel::model::legacyChipList(rec.Firmware))
                config.comboChip->addItem(QString::fromStdU16String(std::u16string(chip.name)));
        }
        config.comboChip->setCurrentIndex(rec.DriverChip);
        if (rec.LedType == 0) config.radioRGB->setChecked(true);
        if (rec.QorvanaProtVer >= 5) {
            if (rec.LedType == 1) config.radioRGBW->setChecked(true);
        } else {
            if (rec.LedType != 0) config.radioRGBW->setChecked(true);
            config.RefreshLedTypeOptionsV4Below();
        }
        config.RefreshRgbOrderOptions();
        (rec.CondensedMode == 1 ? config.radioCondensed : config.radioStandard)->setChecked(true);
        config.CalculateExpandedOutputs();
        adv.initArrays();
        advRgb.AdvRGBArrayInit();
        adv.FillAdvancedForm(rec);
        advRgb.FillAdvancedRGBForm(rec);
    }

    template <class T> T* cfg(const QString& name) { return find<T>(config, name); }
    QLineEdit* edit(const QString& name) { return find<QLineEdit>(config, name); }
    QAbstractButton* button(const QString& name) { return find<QAbstractButton>(config, name); }
    QLineEdit* advEdit(const QString& name) { return find<QLineEdit>(adv, name); }

    // Opens the advanced output window with its button; `inside` acts in it
    // while it is open and returns the modal result.
    void openAdvanced(const std::function<int(TNodaluxAdv&)>& inside) {
        services.queueModal([inside](QDialog& d) { return inside(static_cast<TNodaluxAdv&>(d)); });
        click(config.btnAdvanced);
    }
    void openAdvancedRgb(const std::function<int(TNodaluxAdvRGB&)>& inside) {
        services.queueModal([inside](QDialog& d) { return inside(static_cast<TNodaluxAdvRGB&>(d)); });
        click(config.btnAdvancedRGB);
    }
};

// Shows a window and waits until it is the active one (focus events need it).
inline bool showActive(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    return QTest::qWaitForWindowActive(&w);
}

} // namespace testing_config
