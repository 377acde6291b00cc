// The main window on real sockets, inside the network lab: the window as the
// program wires it (the system's adapter list and the Qt endpoint), offscreen
// on the lab's "pc" side, with the simulator's default fleet on the "lan"
// side. Search must list every controller of the fleet once, with the texts
// its reply carries. Exits 77 (a skip for CTest) outside the lab.

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QtTest>
#include <map>

#include "app/TForm1.h"
#include "model/Text.h"
#include "tests/support/LabWindow.h"
#include "tools/sim/Fleet.h"

using vantrel::app::DeviceGridModel;

namespace {

constexpr int kSimStartMs = 10000;
constexpr int kRepliesMs = 10000;

QString shown(std::u16string_view text) {
    const auto nul = text.find(u'\0');
    return QString::fromStdU16String(std::u16string(text.substr(0, nul)));
}

// The grid row each controller of the default fleet must get, by IP text.
std::map<QString, DeviceGridModel::Row> expectedRows() {
    std::map<QString, DeviceGridModel::Row> rows;
    for (const auto& controller : vantrel::sim::defaultFleet()) {
        const auto rec = controller.replyRecord();
        DeviceGridModel::Row row;
        row[DeviceGridModel::ColModel] = controller.legacy() ? shown(rec.Model) : shown(rec.ModelName);
        row[DeviceGridModel::ColNickname] = QString::fromStdU16String(vantrel::model::nicknameText(rec));
        row[DeviceGridModel::ColIP] = QString::fromStdString(vantrel::model::ipText(rec.CurrentIP));
        row[DeviceGridModel::ColFirmware] = shown(rec.Firmware);
        row[DeviceGridModel::ColTemperature] =
            vantrel::model::isBootloader(rec)
                ? QString()
                : QString::fromStdString(vantrel::model::temperatureText(
                      rec.Temperature, QLocale().decimalPoint().toStdString())); // the window writes the user's separator
        rows[row[DeviceGridModel::ColIP]] = row;
    }
    return rows;
}

} // namespace

class LabMainWindow : public QObject {
    Q_OBJECT

private slots:
    void searchListsTheDefaultFleet() {
        labwindow::LabWindow lab;
        QString error;
        QVERIFY2(lab.start({}, kSimStartMs, error, labwindow::Flows::NotWired), qPrintable(error));
        QCOMPARE(lab.endpoint.boundAddress(), QHostAddress(lab.env.pcAddress));
        auto& form = lab.form;
        const auto& services = lab.services;

        const auto expected = expectedRows();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Net_Search")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(form.gridModel().rowCount(), static_cast<int>(expected.size()), kRepliesMs);
        // Nothing more arrives: every controller answers once.
        QTest::qWait(300);
        QCOMPARE(form.gridModel().rowCount(), static_cast<int>(expected.size()));
        QCOMPARE(services.messages.size(), 0);

        for (int r = 0; r < form.gridModel().rowCount(); ++r) {
            const auto row = form.gridModel().row(r);
            const auto it = expected.find(row[DeviceGridModel::ColIP]);
            QVERIFY2(it != expected.end(), qPrintable("unexpected row " + row[DeviceGridModel::ColIP]));
            for (int c = 0; c < DeviceGridModel::ColumnCount; ++c) QCOMPARE(row[c], it->second[c]);
        }
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("DevicesLabel"))->text(),
                 QStringLiteral("Found %1 Device(s)").arg(expected.size()));
        QVERIFY(form.controllers().invariantsHold());
    }
};

int main(int argc, char* argv[]) { return labwindow::runInLab<LabMainWindow>(argc, argv, "lab_main_window"); }

#include "lab_main_window.moc"
