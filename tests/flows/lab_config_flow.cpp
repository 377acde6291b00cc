// The configuration flows on real sockets, inside the network lab: the main
// window offscreen on the lab's "pc" side with the configuration flows wired
// to it, simulated controllers on the "lan" side. A user double-clicks a
// controller, edits it and presses OK; after the automatic search the
// controller reports the new settings. Covers a current controller, a legacy
// one, and the readdress of a controller whose subnet does not match the
// adapter's. Exits 77 (a skip for CTest) outside the lab.

#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/TForm1.h"
#include "config/ConfigFlow.h"
#include "config/NodaluxConfig.h"
#include "model/Text.h"
#include "tests/support/LabWindow.h"
#include "tools/sim/Fleet.h"

using vantrel::config::TNodaluxConfig;
using vantrel::model::TNodaluxCtrl;

namespace {

constexpr int kSimStartMs = 10000;
constexpr int kRepliesMs = 10000;
// The fleet's controller whose mask does not match the lab's adapter (255.255.0.0).
const QString kOffSubnetNickname = QStringLiteral("Eight Four");
const QString kCurrentNickname = QStringLiteral("Eight Sixteen");
const QString kLegacyNickname = QStringLiteral("Small Four");
// A lab host no controller of the fleet uses.
const QString kReaddressTo = QStringLiteral("10.77.1.18");

void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// The default fleet, with one controller given a /24 mask so that its
// network address (10.77.1.0) differs from the adapter's (10.77.0.0).
QString writeFleet(const QTemporaryDir& dir) {
    auto fleet = vantrel::sim::defaultFleet();
    for (auto& c : fleet) {
        if (QString::fromStdU16String(vantrel::model::nicknameText(c.rec)) == kOffSubnetNickname) {
            c.rec.CurrentSM = {255, 255, 255, 0};
            c.rec.SM = {255, 255, 255, 0};
        }
    }
    const QString path = dir.filePath(QStringLiteral("fleet.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(QJsonDocument(vantrel::sim::fleetToJson(fleet)).toJson());
    return path;
}

struct Lab : labwindow::LabWindow {
    int fleetSize = static_cast<int>(vantrel::sim::defaultFleet().size());

    bool start(QString& error) {
        const QString fleet = writeFleet(dir);
        if (fleet.isEmpty()) {
            error = QStringLiteral("cannot write the fleet file");
            return false;
        }
        return LabWindow::start({QStringLiteral("--fleet"), fleet}, kSimStartMs, error);
    }

    // The record of the controller with this MAC, or null.
    const TNodaluxCtrl* byMac(const vantrel::model::Mac& mac) const {
        for (const auto& r : form.controllers().records())
            if (r.MAC == mac) return &r;
        return nullptr;
    }
    bool allListed() const { return form.gridModel().rowCount() == fleetSize; }

    // The configuration window's next showing: `act` edits it, then OK.
    template <class Act>
    void whileConfigOpen(Act act) {
        whileOpen<TNodaluxConfig>([act](TNodaluxConfig& w) {
            act(w);
            QTest::mouseClick(w.btnOK, Qt::LeftButton);
        });
    }
};

} // namespace

class LabConfigFlow : public QObject {
    Q_OBJECT

private slots:
    void configuresSimulatedControllers();
};

void LabConfigFlow::configuresSimulatedControllers() {
    Lab lab;
    QString error;
    QVERIFY2(lab.start(error), qPrintable(error));
    lab.pressSearch();
    QTRY_VERIFY_WITH_TIMEOUT(lab.allListed(), kRepliesMs);

    // --- a current controller (protocol 8) ---------------------------------
    int row = lab.rowOf(kCurrentNickname);
    QVERIFY(row >= 0);
    const auto currentMac = lab.recordOfRow(row).MAC;
    lab.whileConfigOpen([](TNodaluxConfig& w) {
        typeAndLeave(w.txtStartUniv, QStringLiteral("21"));
        typeAndLeave(w.txtNodes, QStringLiteral("150"));
        typeAndLeave(w.txtNickname, QStringLiteral("Lab Current"));
        w.comboChip->setCurrentIndex(1);
    });
    lab.form.Network_GridCellDblClick(row);
    QCOMPARE(lab.services.messages.size(), 0);
    // The flow searched again by itself: wait for the fresh replies.
    QTRY_VERIFY_WITH_TIMEOUT(lab.allListed() && lab.byMac(currentMac), kRepliesMs);
    {
        const TNodaluxCtrl& r = *lab.byMac(currentMac);
        QCOMPARE(QString::fromStdU16String(vantrel::model::nicknameText(r)), QStringLiteral("Lab Current"));
        QCOMPARE(r.AdvUniv[0], 21);
        QCOMPARE(r.NumNodes[0], 150);
        QCOMPARE(r.NumNodes[15], 150);
        QCOMPARE(r.DriverChip, 1);
        QVERIFY(r.SimpleConfig & 1U);
    }

    // --- a legacy controller ("Nodalux 4", V1.4.11) ------------------------
    row = lab.rowOf(kLegacyNickname);
    QVERIFY(row >= 0);
    const auto legacyIp = lab.recordOfRow(row).CurrentIP;
    lab.whileConfigOpen([](TNodaluxConfig& w) {
        typeAndLeave(w.txtStartUniv, QStringLiteral("33"));
        typeAndLeave(w.txtNodes, QStringLiteral("120"));
        typeAndLeave(w.txtNickname, QStringLiteral("Lab Legacy"));
        w.comboChip->setCurrentIndex(2);
    });
    lab.form.Network_GridCellDblClick(row);
    QCOMPARE(lab.services.messages.size(), 0);
    auto legacyRecord = [&]() -> const TNodaluxCtrl* {
        const int i = lab.form.controllers().indexOfIP(legacyIp);
        return i < 0 ? nullptr : &lab.form.controllers().at(std::size_t(i));
    };
    QTRY_VERIFY_WITH_TIMEOUT(lab.allListed() && legacyRecord(), kRepliesMs);
    {
        const TNodaluxCtrl& r = *legacyRecord();
        QCOMPARE(QString::fromStdU16String(vantrel::model::nicknameText(r)), QStringLiteral("Lab Legacy"));
        QCOMPARE(r.SacnUniv, 33);
        QCOMPARE(r.NumNodes[0], 120);
        QCOMPARE(r.DriverChip, 2);
        QCOMPARE(lab.rowOf(QStringLiteral("Lab Legacy")) >= 0, true);
    }

    // --- readdress: a controller whose subnet does not match -------------
    row = lab.rowOf(kOffSubnetNickname);
    QVERIFY(row >= 0);
    const auto offMac = lab.recordOfRow(row).MAC;
    lab.services.queueAnswer(vantrel::ui::Answer::Yes); // change the device's IP settings
    lab.whileConfigOpen([](TNodaluxConfig& w) {
        typeAndLeave(w.IP4, QStringLiteral("18"));
        typeAndLeave(w.SM3, QStringLiteral("0"));
    });
    lab.form.Network_GridCellDblClick(row);
    QCOMPARE(lab.services.countMessages(QString::fromLatin1(vantrel::config::kIpMismatchText)), 1);
    // No search follows a readdress: the user searches.
    lab.pressSearch();
    QTRY_VERIFY_WITH_TIMEOUT(lab.allListed() && lab.byMac(offMac), kRepliesMs);
    {
        const TNodaluxCtrl& r = *lab.byMac(offMac);
        QCOMPARE(QString::fromStdString(vantrel::model::ipText(r.CurrentIP)), kReaddressTo);
        QCOMPARE(QString::fromStdString(vantrel::model::ipText(r.CurrentSM)), QStringLiteral("255.255.0.0"));
    }
    // Now it opens without the question.
    lab.services.clearRecord();
    lab.services.queueModalResult(vantrel::config::kModalCancel);
    lab.form.Network_GridCellDblClick(lab.rowOf(kOffSubnetNickname));
    QCOMPARE(lab.services.messages.size(), 0);
    QCOMPARE(lab.services.modals.size(), 1);
    QCOMPARE(lab.services.modals[0].objectName, QStringLiteral("NodaluxConfig"));
}

int main(int argc, char* argv[]) { return labwindow::runInLab<LabConfigFlow>(argc, argv, "lab_config_flow"); }

#include "lab_config_flow.moc"
