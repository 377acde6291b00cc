// The advanced colour-order window: layout for 1 to 32 outputs, the lists'
// contents by LED type and protocol family, and stored orders.

#include <QLocale>
#include <QRadioButton>
#include <QTest>

#include "ConfigFixture.h"

using namespace testing_config;

class TestAdvancedRgbWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void layout_data();
    void layout();
    void listsFollowLedType_data();
    void listsFollowLedType();
    void storedOrder_data();
    void storedOrder();
};

void TestAdvancedRgbWindow::layout_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("clientHeight");
    QTest::addColumn<int>("tabHeight");
    QTest::addColumn<QString>("caption1");
    QTest::addColumn<bool>("tab2");
    QTest::addColumn<QString>("caption2");
    QTest::addColumn<bool>("head36");
    QTest::addColumn<bool>("head54");
    QTest::newRow("1 output") << 1 << 155 << 100 << "Output 1" << false << "" << false << false;
    QTest::newRow("8 outputs") << 8 << 386 << 324 << "Outputs 1 - 8" << false << "" << false << false;
    QTest::newRow("12 outputs") << 12 << 386 << 324 << "Outputs 1 - 12" << false << "" << true << false;
    QTest::newRow("17 outputs") << 17 << 386 << 324 << "Outputs 1 - 16" << true << "Output 17" << true << false;
    QTest::newRow("20 outputs") << 20 << 386 << 324 << "Outputs 1 - 16" << true << "Outputs 17 - 20" << true << false;
    QTest::newRow("32 outputs") << 32 << 386 << 324 << "Outputs 1 - 16" << true << "Outputs 17 - 32" << true << true;
}

void TestAdvancedRgbWindow::layout() {
    QFETCH(int, n);
    QFETCH(int, clientHeight);
    QFETCH(int, tabHeight);
    QFETCH(QString, caption1);
    QFETCH(bool, tab2);
    QFETCH(QString, caption2);
    QFETCH(bool, head36);
    QFETCH(bool, head54);
    ConfigWindows w;
    w.load(currentController({{"Either", 2, 3, 0}}, n));
    TNodaluxAdvRGB& a = w.advRgb;
    QCOMPARE(a.height(), clientHeight);
    QCOMPARE(a.TabControl1->height(), tabHeight);
    QCOMPARE(a.TabControl1->tabText(0), caption1);
    QCOMPARE(a.TabControl1->isTabVisible(1), tab2);
    if (tab2) QCOMPARE(a.TabControl1->tabText(1), caption2);
    QCOMPARE(!find<QLabel>(a, "Label36")->isHidden(), head36);
    QCOMPARE(!find<QLabel>(a, "Label54")->isHidden(), head54);
    QVERIFY(!find<QLabel>(a, "Label35")->isHidden());
    QVERIFY(!find<QLabel>(a, "Label53")->isHidden());
    for (int out = 1; out <= 32; ++out) {
        const bool used = out <= n;
        auto* list = find<QComboBox>(a, QStringLiteral("ComboBox%1").arg(out));
        auto* label = find<QLabel>(a, QStringLiteral("Label%1").arg(out));
        QCOMPARE(!list->isHidden(), used);
        QCOMPARE(list->isEnabled(), used);
        QCOMPARE(!label->isHidden(), used);
        QCOMPARE(label->text(), QStringLiteral("Output %1").arg(out));
        QCOMPARE(a.AdvRGB[static_cast<std::size_t>(out - 1)], list);
        QCOMPARE(a.AdvRGB_LBL[static_cast<std::size_t>(out - 1)], label);
    }
    // Outputs 9 to 16 share the rows of 1 to 8, in the right column.
    auto* list1 = find<QComboBox>(a, "ComboBox1");
    auto* list9 = find<QComboBox>(a, "ComboBox9");
    QCOMPARE(list9->y(), list1->y());
    QVERIFY(list9->x() > list1->x() + list1->width());
    QCOMPARE(find<QComboBox>(a, "ComboBox17")->parentWidget(), a.TabItem2);
}

void TestAdvancedRgbWindow::listsFollowLedType_data() {
    QTest::addColumn<bool>("legacy");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("first");
    QTest::newRow("current protocol, RGBW") << false << 24 << "R-G-B-W";
    QTest::newRow("legacy, RGBW") << true << 6 << "R-G-B";
}

void TestAdvancedRgbWindow::listsFollowLedType() {
    QFETCH(bool, legacy);
    QFETCH(int, entries);
    QFETCH(QString, first);
    ConfigWindows w;
    TNodaluxCtrl r = legacy ? legacyController("V1.4.11", 16) : currentController({{"Either", 2, 3, 0}}, 32);
    if (legacy) r.DriverChip = 12; // SK6812: RGB or RGBW
    w.load(r);
    QCOMPARE(w.advRgb.AdvRGB[0]->count(), 6);
    w.advRgb.AdvRGB[3]->setCurrentIndex(5);

    click(w.config.radioRGBW);
    for (QComboBox* list : w.advRgb.AdvRGB) {
        QCOMPARE(list->count(), entries);
        QCOMPARE(list->itemText(0), first);
        QCOMPARE(list->currentIndex(), 0);
    }
    click(w.config.radioRGB);
    QCOMPARE(w.advRgb.AdvRGB[31]->count(), 6);
    QCOMPARE(w.advRgb.AdvRGB[31]->itemText(3), QStringLiteral("B-R-G"));
}

void TestAdvancedRgbWindow::storedOrder_data() {
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("selected");
    QTest::newRow("RGB order 3") << false << 3 << 3;
    // An order the list does not offer selects nothing: the record keeps it.
    QTest::newRow("RGB order beyond the list") << false << 30 << -1;
    QTest::newRow("RGB order 6 beyond the list") << false << 6 << -1;
    QTest::newRow("RGBW order 23") << true << 23 << 23;
    QTest::newRow("RGBW order 24 beyond the list") << true << 24 << -1;
}

void TestAdvancedRgbWindow::storedOrder() {
    QFETCH(bool, rgbw);
    QFETCH(int, stored);
    QFETCH(int, selected);
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"Either", 2, 3, 0}}, 4);
    r.LedType = rgbw ? 1 : 0;
    r.AdvRgbOrder[2] = static_cast<std::uint8_t>(stored);
    r.AdvRgbOrder[1] = 1;
    w.load(r);
    QCOMPARE(w.advRgb.AdvRGB[2]->currentIndex(), selected);
    QCOMPARE(w.advRgb.AdvRGB[1]->currentIndex(), 1);
}

QTEST_MAIN(TestAdvancedRgbWindow)
#include "test_advanced_rgb_window.moc"
