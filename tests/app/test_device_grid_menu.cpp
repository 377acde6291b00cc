// The device grid's context menu, used as a user would: right-click a row,
// click an item, answer the dialogs (through the scripted services), and see
// what was written and which bytes went out.

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <nlohmann/json.hpp>

#include "app/DeviceGridMenu.h"
#include "app/TForm1.h"
#include "app/Windows.h"
#include "app/Wiring.h"
#include "model/Settings.h"
#include "model/Text.h"
#include "net/Datagrams.h"
#include "net/testing/FakeAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "protocol/ConfigPackets.h"
#include "protocol/Header.h"
#include "protocol/PollReply.h"
#include "tools/sim/Fleet.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel;
using app::DeviceGridModel;
using ui::testing::ScriptedServices;

namespace {

constexpr int kEightSixteen = 11; // 10.77.1.12, protocol 8
constexpr int kArvello8 = 10;     // 10.77.1.11, protocol 7
constexpr int kBootloader = 14;   // 10.77.1.15, in its bootloader

QByteArray bytes(const protocol::Bytes& b) { return net::toByteArray(b); }

// The main window on the fakes, listing the simulator's default fleet.
struct Rig {
    ScriptedServices services;
    net::testing::FakeAdapterProvider adapters{{net::Adapter{"10.77.0.1", "255.255.0.0", "vpc"}}};
    net::testing::FakeUdpEndpoint endpoint;
    app::TForm1 form{app::Branding{}, services, adapters, endpoint};
    std::vector<sim::SimController> fleet = sim::defaultFleet();
    app::DeviceGridMenu* menu = nullptr;
    QTemporaryDir dir;

    Rig() {
        app::createWindows(form, services);
        menu = app::wireDeviceGridMenu(form, endpoint, services);
        form.show();
        form.Net_SearchClick();
        for (const auto& c : fleet) endpoint.inject(bytes(c.replyBytes()), QHostAddress("10.77.1.1"));
        endpoint.clearSent();
    }

    model::TNodaluxCtrl listed(int i) const {
        const auto b = fleet[static_cast<std::size_t>(i)].replyBytes();
        return *(b[11] < protocol::kFirstCurrentVersion ? protocol::readPollReplyV4Below(b) : protocol::readPollReply(b));
    }
    int rowOf(int i) const {
        const QString ip = QStringLiteral("10.77.1.%1").arg(i + 1);
        for (int r = 0; r < form.gridModel().rowCount(); ++r)
            if (form.gridModel().cell(r, DeviceGridModel::ColIP) == ip) return r;
        return -1;
    }

    // Right-click on the grid: on controller i's row, or below the rows (-1).
    QMenu* rightClick(int i) {
        QTableView* grid = form.findChild<QTableView*>("Network_Grid");
        const QPoint pos = i >= 0 ? grid->visualRect(grid->model()->index(rowOf(i), 1)).center()
                                  : QPoint(10, grid->viewport()->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, grid->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid->viewport(), &event);
        return grid->findChild<QMenu*>("menuDeviceGrid");
    }
    QAction* item(QMenu* m, const char* name) { return m->findChild<QAction*>(name); }
    void choose(QMenu* m, const char* name) {
        QAction* a = item(m, name);
        QVERIFY2(a && a->isEnabled(), name);
        QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
    }
};

std::string readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

void writeText(const QString& path, const std::string& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(text));
}

} // namespace

class DeviceGridMenuTest : public QObject {
    Q_OBJECT

private slots:
    void itemsFollowTheControllerUnderThePointer() {
        Rig rig;
        QMenu* m = rig.rightClick(kEightSixteen);
        QVERIFY(m && m->isVisible());
        QCOMPARE(rig.form.Network_Grid->currentIndex().row(), rig.rowOf(kEightSixteen));
        for (const char* name : {"actIdentifyStart", "actIdentifyStop", "actBackUp", "actRestore", "actCopyIp",
                                 "actBackUpAll", "actExportList"})
            QVERIFY2(rig.item(m, name)->isEnabled(), name);
        QCOMPARE(rig.item(m, "actBackUp")->text(), QStringLiteral("Back up settings\u2026"));

        m = rig.rightClick(kArvello8); // protocol 7: no identify
        QVERIFY(!rig.item(m, "actIdentifyStart")->isEnabled());
        QVERIFY(rig.item(m, "actRestore")->isEnabled());

        m = rig.rightClick(kBootloader); // no settings to back up or restore
        QVERIFY(!rig.item(m, "actBackUp")->isEnabled());
        QVERIFY(!rig.item(m, "actRestore")->isEnabled());
        QVERIFY(rig.item(m, "actCopyIp")->isEnabled());

        m = rig.rightClick(-1); // below the rows: the whole list only
        QVERIFY(!rig.item(m, "actCopyIp")->isEnabled());
        QVERIFY(rig.item(m, "actExportList")->isEnabled());
    }

    void identifyAndCopyIpAddress() {
        Rig rig;
        rig.choose(rig.rightClick(kEightSixteen), "actIdentifyStart");
        QCOMPARE(rig.endpoint.sent().size(), 1);
        QCOMPARE(rig.endpoint.sent()[0].ip, "255.255.255.255");
        QCOMPARE(rig.endpoint.sent()[0].bytes, bytes(*protocol::buildIdentify(rig.listed(kEightSixteen), true)));
        rig.choose(rig.rightClick(kEightSixteen), "actIdentifyStop");
        QCOMPARE(rig.endpoint.sent()[1].bytes, bytes(*protocol::buildIdentify(rig.listed(kEightSixteen), false)));

        rig.choose(rig.rightClick(kArvello8), "actCopyIp");
        QCOMPARE(QGuiApplication::clipboard()->text(), "10.77.1.11");
    }

    // Back up a controller, edit the file, restore it: the changes are shown
    // and asked about first; Yes sends the configuration and searches again.
    void backUpThenRestoreShowsTheChangesAndAsks() {
        Rig rig;
        const model::TNodaluxCtrl c = rig.listed(kEightSixteen);
        const QString path = rig.dir.filePath("stage.json");
        rig.services.queueFileChoice(path);
        rig.choose(rig.rightClick(kEightSixteen), "actBackUp");
        QCOMPARE(rig.services.fileDialogs.last().kind, "save");
        QCOMPARE(rig.services.fileDialogs.last().suggestedName, "02-4E-4C-00-00-0C.json");
        QCOMPARE(readText(path), *model::settingsFileText(c));
        QVERIFY(rig.endpoint.sent().isEmpty());

        auto file = nlohmann::ordered_json::parse(readText(path));
        file["settings"]["nickname"] = "Changed";
        writeText(path, file.dump(2));

        // No: nothing goes out.
        rig.services.queueFileChoice(path);
        rig.services.queueAnswer(ui::Answer::No);
        rig.choose(rig.rightClick(kEightSixteen), "actRestore");
        QCOMPARE(rig.services.fileDialogs.last().startFolder, rig.dir.path()); // where the last file was
        const auto& question = rig.services.messages.last();
        QCOMPARE(question.buttons, ui::Buttons::YesNo);
        QCOMPARE(question.defaultAnswer, ui::Answer::No);
        QVERIFY2(question.text.startsWith("Send these settings to \"Eight Sixteen\" (10.77.1.12)?"), qPrintable(question.text));
        QVERIFY(question.text.contains("nickname: \"Eight Sixteen\" \u2192 \"Changed\""));
        QVERIFY(rig.endpoint.sent().isEmpty());

        // Yes: the configuration of the record with the change, then a search.
        rig.services.queueFileChoice(path);
        rig.services.queueAnswer(ui::Answer::Yes);
        rig.choose(rig.rightClick(kEightSixteen), "actRestore");
        model::TNodaluxCtrl expected = c;
        model::setNickname(expected, u"Changed", 39);
        QCOMPARE(rig.endpoint.sent().size(), 2);
        QCOMPARE(rig.endpoint.sent()[0].ip, "10.77.1.12");
        QCOMPARE(rig.endpoint.sent()[0].bytes, bytes(*protocol::buildConfigAsSent(expected)));
        QCOMPARE(rig.services.sleeps.last(), 200);
        QCOMPARE(rig.endpoint.sent()[1].bytes, bytes(protocol::buildPoll()));
    }

    void restoreRefusesFilesItCannotUse() {
        Rig rig;
        const QString other = rig.dir.filePath("other.json");
        writeText(other, *model::settingsFileText(rig.listed(kArvello8))); // 8 outputs, the target has 16
        rig.services.queueFileChoice(other);
        rig.services.queueAnswer(ui::Answer::No);
        rig.choose(rig.rightClick(kEightSixteen), "actRestore");
        QVERIFY2(rig.services.messages.last().text.contains("the file was made from a \"Arvello 8 Mk2\""),
                 qPrintable(rig.services.messages.last().text));
        QCOMPARE(rig.services.messages.last().buttons, ui::Buttons::YesNo);

        const QString broken = rig.dir.filePath("broken.json");
        writeText(broken, R"({"format":"vantrel-settings","version":1,"identity":{},"settings":{"pixels":"x"}})");
        rig.services.queueFileChoice(broken);
        rig.choose(rig.rightClick(kEightSixteen), "actRestore");
        QCOMPARE(rig.services.messages.last().kind, ui::MessageKind::Error);
        QVERIFY(rig.services.messages.last().text.contains("pixels: \"x\" is not allowed; allowed: a whole number"));
        QVERIFY(rig.endpoint.sent().isEmpty());
    }

    void backUpAllAndExportTheList() {
        Rig rig;
        const QString folder = rig.dir.filePath("all");
        QVERIFY(QDir().mkpath(folder));
        rig.services.queueFileChoice(folder);
        rig.choose(rig.rightClick(-1), "actBackUpAll");
        QCOMPARE(rig.services.fileDialogs.last().kind, "folder");
        QCOMPARE(QDir(folder).entryList({"*.json"}, QDir::Files).size(), 14);
        QCOMPARE(readText(QDir(folder).filePath("02-4E-4C-00-00-0C.json")), *model::settingsFileText(rig.listed(kEightSixteen)));
        QCOMPARE(rig.services.messages.last().text,
                 "Saved the settings of 14 controller(s) in " + folder +
                     ".\n1 controller(s) run their bootloader and have no settings to save.");

        const QString csv = rig.dir.filePath("list.csv");
        rig.services.queueFileChoice(csv);
        rig.choose(rig.rightClick(-1), "actExportList");
        QCOMPARE(rig.services.fileDialogs.last().startFolder, folder);
        const QStringList lines = QString::fromStdString(readText(csv)).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines[0], "Model,Nickname,IP,Firmware,Temperature");
        const DeviceGridModel::Row row = rig.form.gridModel().row(0);
        QCOMPARE(lines[1], QStringList(row.begin(), row.end()).join(u','));
    }
};

QTEST_MAIN(DeviceGridMenuTest)
#include "test_device_grid_menu.moc"
