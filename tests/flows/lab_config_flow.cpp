// The configuration flows on real sockets, inside the network lab: the main
// window offscreen on the lab's "pc" side with the configuration flows wired
// to it, simulated controllers on the "lan" side. A user double-clicks a
// controller, edits it and presses OK; after the automatic search the
// controller reports the new settings. Covers a current controller, a legacy
// one, and the readdress of a controller whose subnet does not match the
// adapter's; and controllers of both families confirmed without an edit, one
// after the other, each of which must get its own settings back. Exits 77 (a
// skip for CTest) outside the lab.

#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <QtTest>

#include "app/TForm1.h"
#include "config/ConfigFlow.h"
#include "config/NodaluxConfig.h"
#include "model/Text.h"
#include "tests/flows/HexDiff.h"
#include "tests/flows/UntouchedConfig.h"
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
constexpr int kConfigurationOpcode = 5;

void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

using Fleet = std::vector<vantrel::sim::SimController>;

QString nicknameOf(const vantrel::sim::SimController& c) {
    return QString::fromStdU16String(vantrel::model::nicknameText(c.rec));
}

// The default fleet, with one controller given a /24 mask so that its
// network address (10.77.1.0) differs from the adapter's (10.77.0.0).
void offSubnet(Fleet& fleet) {
    for (auto& c : fleet) {
        if (nicknameOf(c) == kOffSubnetNickname) {
            c.rec.CurrentSM = {255, 255, 255, 0};
            c.rec.SM = {255, 255, 255, 0};
        }
    }
}

QString writeFleet(const QTemporaryDir& dir, const std::function<void(Fleet&)>& shape) {
    auto fleet = vantrel::sim::defaultFleet();
    shape(fleet);
    const QString path = dir.filePath(QStringLiteral("fleet.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(QJsonDocument(vantrel::sim::fleetToJson(fleet)).toJson());
    return path;
}

struct Lab : labwindow::LabWindow {
    int fleetSize = static_cast<int>(vantrel::sim::defaultFleet().size());

    QString logPath() const { return dir.filePath(QStringLiteral("sim.jsonl")); }

    // The simulator with the default fleet shaped by `shape`, logging to logPath().
    bool start(QString& error, const std::function<void(Fleet&)>& shape = offSubnet) {
        const QString fleet = writeFleet(dir, shape);
        if (fleet.isEmpty()) {
            error = QStringLiteral("cannot write the fleet file");
            return false;
        }
        return LabWindow::start({QStringLiteral("--fleet"), fleet, QStringLiteral("--log"), logPath()}, kSimStartMs,
                                error);
    }

    // The configuration packets the simulator received for `ip`, in order.
    QList<QByteArray> configurationsReceived(const QString& ip) const {
        QList<QByteArray> packets;
        for (const QJsonObject& line : labwindow::jsonLines(logPath())) {
            if (line.value(QStringLiteral("dir")).toString() == QStringLiteral("rx") &&
                line.value(QStringLiteral("opcode")).toInt() == kConfigurationOpcode &&
                line.value(QStringLiteral("to")).toString() == ip)
                packets << QByteArray::fromHex(line.value(QStringLiteral("hex")).toString().toLatin1());
        }
        return packets;
    }
    // Whether the simulator applied every configuration sent to `ip`.
    bool allAccepted(const QString& ip) const {
        int events = 0;
        for (const QJsonObject& line : labwindow::jsonLines(logPath())) {
            if (line.value(QStringLiteral("event")).toString() != QStringLiteral("configuration") ||
                line.value(QStringLiteral("ip")).toString() != ip)
                continue;
            ++events;
            if (!line.value(QStringLiteral("accepted")).toBool()) return false;
        }
        return events > 0;
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
    void untouchedOkGivesEachControllerItsOwnSettings();
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

namespace {

// The controllers of the users' reports, in the order they are opened: a
// current RGBW controller whose chip offers both LED types, from channel 5,
// first of the session; a legacy SK6812 (V1.4.11) stored as RGBW from channel
// 5; a current RGB controller of that chip kind from channel 4, after it; and
// a legacy RGB controller from channel 7. Each is laid out in simple mode as
// the tool lays it out, so that its settings need not change at all.
struct Untouched {
    QString nickname;
    std::function<void(vantrel::model::TNodaluxCtrl&)> shape;
};

const QList<Untouched>& untouchedControllers() {
    using vantrel::model::TNodaluxCtrl;
    static const QList<Untouched> list = {
        {QStringLiteral("Eight Sixteen"),
         [](TNodaluxCtrl& r) {
             r.DriverChip = 2; // "APA102": either LED type
             r.LedType = 1;
             r.AdvChan[0] = 5;
         }},
        {QStringLiteral("Rugged Outdoor"),
         [](TNodaluxCtrl& r) {
             r.DriverChip = 12; // "SK6812"
             r.LedType = 1;
             r.SacnChan = 5;
         }},
        {QStringLiteral("Six Four RGBW"),
         [](TNodaluxCtrl& r) {
             r.DriverChip = 2;
             r.LedType = 0;
             r.AdvChan[0] = 4;
         }},
        {kLegacyNickname, [](TNodaluxCtrl& r) { r.SacnChan = 7; }},
    };
    return list;
}

void shapeUntouched(Fleet& fleet) {
    for (auto& c : fleet) {
        for (const Untouched& u : untouchedControllers()) {
            if (nicknameOf(c) != u.nickname) continue;
            u.shape(c.rec);
            c.rec = flowtest::untouchedRecord(c.rec);
        }
    }
}

} // namespace

void LabConfigFlow::untouchedOkGivesEachControllerItsOwnSettings() {
    Lab lab;
    QString error;
    QVERIFY2(lab.start(error, shapeUntouched), qPrintable(error));
    lab.pressSearch();
    QTRY_VERIFY_WITH_TIMEOUT(lab.allListed(), kRepliesMs);

    Fleet fleet = vantrel::sim::defaultFleet();
    shapeUntouched(fleet);
    for (const Untouched& u : untouchedControllers()) {
        const auto own = std::find_if(fleet.begin(), fleet.end(), [&](const auto& c) { return nicknameOf(c) == u.nickname; });
        QVERIFY(own != fleet.end());
        // Its own settings, as it reports them.
        const QByteArray expected = flowtest::untouchedConfig(own->replyRecord());
        const QString ip = QString::fromStdString(vantrel::model::ipText(own->rec.CurrentIP));

        const int row = lab.rowOf(u.nickname);
        QVERIFY2(row >= 0, qPrintable(u.nickname));
        lab.whileConfigOpen([](TNodaluxConfig&) {});
        lab.form.Network_GridCellDblClick(row);
        QCOMPARE(lab.services.messages.size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(lab.configurationsReceived(ip).size() == 1 && lab.allAccepted(ip), kRepliesMs);
        COMPARE_BYTES(lab.configurationsReceived(ip).first(), expected);

        // The search the flow started lists it again with the same settings.
        QTRY_VERIFY_WITH_TIMEOUT(lab.allListed() && lab.rowOf(u.nickname) >= 0, kRepliesMs);
        COMPARE_BYTES(flowtest::untouchedConfig(lab.recordOfRow(lab.rowOf(u.nickname))), expected);
    }
}

int main(int argc, char* argv[]) { return labwindow::runInLab<LabConfigFlow>(argc, argv, "lab_config_flow"); }

#include "lab_config_flow.moc"
