#pragma once
// The main window on real sockets inside the network lab, as the program
// wires it: offscreen on the lab's "pc" side with the system's adapter list
// and the Qt endpoint, nodalux-sim on the "lan" side. Shared by the window
// tests that run in the lab (tests/app, flows, firmware, testmode).

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include "app/TForm1.h"
#include "app/Windows.h"
#include "app/Wiring.h"
#include "net/QtUdpEndpoint.h"
#include "net/SystemAdapterProvider.h"
#include "tests/support/LabProcess.h"
#include "ui/testing/ScriptedServices.h"

namespace labwindow {

// Whether the configuration flows and the Test tab are bound to the window.
enum class Flows { Wired, NotWired };

struct LabWindow {
    vantrel::labtest::Lab env = vantrel::labtest::Lab::fromEnvironment();
    vantrel::labtest::SimProcess sim;
    QTemporaryDir dir; // the test's files: fleet, simulator log, uploads
    vantrel::ui::testing::ScriptedServices services;
    vantrel::net::SystemAdapterProvider adapters;
    vantrel::net::QtUdpEndpoint endpoint;
    vantrel::app::TForm1 form{vantrel::app::Branding{}, services, adapters, endpoint};
    vantrel::app::TForm1::Windows windows{};

    // Starts the simulator with `simArgs`, builds the windows, shows the main
    // window and chooses the lab's adapter. False with the reason in `error`.
    bool start(const QStringList& simArgs, int simStartMs, QString& error, Flows flows = Flows::Wired) {
        if (!sim.start(env, simArgs, simStartMs, error)) return false;
        windows = vantrel::app::createWindows(form, services);
        if (flows == Flows::Wired) vantrel::app::wireFlowsAndTestTab(form, endpoint, services);
        form.show();
        // The lab's pc side has the 10.77 adapter and another segment; choose the lab's.
        auto* combo = form.findChild<QComboBox*>(QStringLiteral("comboNetAdapter"));
        const int labAdapter = combo->findText(env.pcAddress);
        if (labAdapter < 0) {
            error = QStringLiteral("the lab's adapter address is not listed");
            return false;
        }
        combo->setCurrentIndex(labAdapter);
        if (!endpoint.isBound()) {
            error = QStringLiteral("the endpoint is not bound to the lab's adapter");
            return false;
        }
        return true;
    }

    void pressSearch() { QTest::mouseClick(form.Net_Search, Qt::LeftButton); }

    // Presses "Search" and waits until `expected` controllers are listed.
    bool search(int expected, int timeoutMs) {
        pressSearch();
        return QTest::qWaitFor([this, expected] { return form.gridModel().rowCount() == expected; }, timeoutMs);
    }

    // Grid row whose `column` shows `text`, or -1.
    int rowOf(const QString& text, int column = vantrel::app::DeviceGridModel::ColNickname) const {
        for (int r = 0; r < form.gridModel().rowCount(); ++r)
            if (form.gridModel().cell(r, column) == text) return r;
        return -1;
    }
    const vantrel::model::TNodaluxCtrl& recordOfRow(int row) const {
        return form.controllers().at(std::size_t(form.controllers().indexAtRow(std::size_t(row))));
    }

    // The next modal showing of a `Window`: shown and active while `act`
    // works it, then hidden; its result is what the flow gets.
    template <class Window, class Act>
    void whileOpen(Act act) {
        services.queueModal([act](QDialog& d) {
            auto& w = static_cast<Window&>(d);
            d.show();
            QApplication::setActiveWindow(&d);
            act(w);
            d.hide();
            return d.result();
        });
    }
};

using vantrel::labtest::jsonLines;

// main() of a lab window test: exits 77 (a skip for CTest) with the reason
// outside the lab, otherwise runs `Test`.
template <class Test>
int runInLab(int argc, char* argv[], const char* program) {
    QApplication application(argc, argv);
    const QString missing = vantrel::labtest::Lab::fromEnvironment().missing(false);
    if (!missing.isEmpty()) {
        QTextStream(stderr) << program << ": skipped: " << missing << "\n";
        return 77;
    }
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace labwindow
