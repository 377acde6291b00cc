// The device grid as it is drawn: row lines between the controllers and no
// column lines, and temperatures written with the decimal separator of the
// user's locale. Everything runs on the fake endpoint and adapters.

#include <QImage>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QtTest>

#include "AppRig.h"

using namespace apptest;
using vantrel::app::DeviceGridModel;
using vantrel::model::Ip4;

namespace {

QTableView* deviceGrid(AppRig& rig) {
    auto* grid = rig.form->findChild<QTableView*>(QStringLiteral("Network_Grid"));
    if (!grid) qFatal("no control named Network_Grid");
    return grid;
}

// The grid's picture as the user sees it, without a selected row.
QImage gridPicture(QTableView* grid) {
    grid->clearSelection();
    grid->setCurrentIndex({});
    return grid->viewport()->grab().toImage();
}

QRgb lineColour(QTableView* grid) {
    QStyleOptionViewItem option;
    option.initFrom(grid);
    return static_cast<QRgb>(grid->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, grid));
}

} // namespace

class TestDeviceGridLook : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // A line under every row across the whole row; nothing between the columns.
    void rowLinesOnly() {
        AppRig rig;
        // Short texts: the cells' right ends stay blank.
        rig.inject(currentReply(currentController(Ip4{192, 168, 77, 20}, "NX", "a", "V1", 0xFFFF)));
        rig.inject(currentReply(currentController(Ip4{192, 168, 77, 21}, "NX", "b", "V1", 0xFFFF)));
        rig.inject(currentReply(currentController(Ip4{192, 168, 77, 22}, "NX", "c", "V1", 0xFFFF)));
        QTableView* grid = deviceGrid(rig);
        QCOMPARE(grid->model()->rowCount(), 3);
        const QImage picture = gridPicture(grid);
        const QRgb line = lineColour(grid);

        for (int row = 0; row < 3; ++row) {
            // The last pixel row of the row, and its middle.
            const int bottom = grid->rowViewportPosition(row) + grid->rowHeight(row) - 1;
            const int middle = grid->rowViewportPosition(row) + grid->rowHeight(row) / 2;
            for (int column = 0; column < DeviceGridModel::ColumnCount; ++column) {
                // The last pixel column of the cell, and one a little to its left.
                const int right = grid->columnViewportPosition(column) + grid->columnWidth(column) - 1;
                // The row line runs along the bottom of the row, under every column.
                QVERIFY2(picture.pixel(right - 4, bottom) == line,
                         qPrintable(QStringLiteral("no row line under row %1, column %2").arg(row).arg(column)));
                // At the cell's right edge, in the middle of the row, only the cell's background.
                QVERIFY2(picture.pixel(right, middle) != line,
                         qPrintable(QStringLiteral("a column line after column %1 in row %2").arg(column).arg(row)));
                QCOMPARE(picture.pixel(right, middle), picture.pixel(right - 4, middle));
            }
        }
    }

    // The Temperature column writes its decimals with the locale's separator;
    // the other columns (addresses, firmware) are not numbers of that kind.
    void temperatureUsesTheLocaleSeparator_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QString>("text");
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale french(QLocale::French, QLocale::France);
        const QLocale english(QLocale::English, QLocale::UnitedKingdom);
        QTest::newRow("German") << german << 453 << QString::fromUtf8("45,3\u00B0C / 113,5\u00B0F");
        QTest::newRow("German, below zero") << german << 65525 << QString::fromUtf8("-1,0\u00B0C / 30,2\u00B0F");
        QTest::newRow("French") << french << 453 << QString::fromUtf8("45,3\u00B0C / 113,5\u00B0F");
        QTest::newRow("English") << english << 453 << QString::fromUtf8("45.3\u00B0C / 113.5\u00B0F");
        QTest::newRow("not available") << german << 0xFFFF << QStringLiteral("N/A");
    }
    void temperatureUsesTheLocaleSeparator() {
        QFETCH(QLocale, locale);
        QFETCH(int, raw);
        QFETCH(QString, text);
        QLocale::setDefault(locale);
        AppRig rig;
        rig.inject(currentReply(currentController(Ip4{192, 168, 77, 20}, "NX-16", "stage", "V2.0.1",
                                                  static_cast<std::uint16_t>(raw))));
        QCOMPARE(rig.grid().rowCount(), 1);
        QCOMPARE(rig.cell(0, DeviceGridModel::ColTemperature), text);
        QCOMPARE(rig.cell(0, DeviceGridModel::ColIP), QStringLiteral("192.168.77.20"));
        QCOMPARE(rig.cell(0, DeviceGridModel::ColFirmware), QStringLiteral("V2.0.1"));
    }
};

QTEST_MAIN(TestDeviceGridLook)
#include "test_device_grid_look.moc"
