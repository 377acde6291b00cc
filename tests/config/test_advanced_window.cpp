// The advanced output window: end universe and channel, automatic chaining,
// the exit rules of every column, the layout for 1 to 32 outputs and the
// keyboard order. The window is opened through the configuration window's
// "Advanced" button, as the user opens it.

#include <QCheckBox>
#include <QFrame>
#include <QLocale>
#include <QRadioButton>
#include <QTest>

#include "ConfigFixture.h"

using namespace testing_config;

namespace {

// Row r's edit of a column, e.g. cell(a, "editNodes", 2).
QLineEdit* cell(const TNodaluxAdv& a, const char* column, int row) {
    // Row 4's grouping edit is spelled with a capital E.
    if (row == 4 && QLatin1String(column) == QLatin1String("editGroup")) return find<QLineEdit>(a, "EditGroup4");
    return find<QLineEdit>(a, QLatin1String(column) + QString::number(row));
}

} // namespace

class TestAdvancedWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void ends_data();
    void ends();
    void chaining_data();
    void chaining();
    void uncheckingKeepsChainedStarts();
    void exitRules_data();
    void exitRules();
    void layout_data();
    void layout();
    void controlArraysFollowRows();
    void tabOrder_data();
    void tabOrder();
    void groupingUnavailable();
};

void TestAdvancedWindow::ends_data() {
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<int>("univ");
    QTest::addColumn<int>("chan");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("endUniv");
    QTest::addColumn<QString>("endChan");
    QTest::newRow("RGB 170 pixels fill a universe") << false << 1 << 1 << 170 << 1 << "1" << "510";
    QTest::newRow("RGB 171 pixels") << false << 1 << 1 << 171 << 1 << "2" << "3";
    QTest::newRow("RGBW 128 pixels") << true << 1 << 1 << 128 << 1 << "1" << "512";
    QTest::newRow("RGBW 129 pixels") << true << 1 << 1 << 129 << 1 << "2" << "4";
    QTest::newRow("group 3, 100 pixels: 34 slots") << false << 5 << 1 << 100 << 3 << "5" << "102";
    QTest::newRow("no pixels") << false << 1 << 1 << 0 << 1 << "1" << "0";
    QTest::newRow("late start") << false << 9 << 508 << 2 << 1 << "10" << "3";
    QTest::newRow("several universes") << false << 1 << 1 << 1000 << 1 << "6" << "450";
    // A Group of 0 from the record counts as 1 (no division by zero).
    QTest::newRow("group 0 from the record") << false << 1 << 1 << 170 << 0 << "1" << "510";
}

void TestAdvancedWindow::ends() {
    QFETCH(bool, rgbw);
    QFETCH(int, univ);
    QFETCH(int, chan);
    QFETCH(int, pixels);
    QFETCH(int, group);
    QFETCH(QString, endUniv);
    QFETCH(QString, endChan);
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"Either", 2, 3, 0}}, 2, 2000);
    r.AdvUniv[0] = static_cast<std::uint16_t>(univ);
    r.AdvChan[0] = static_cast<std::uint16_t>(chan);
    r.NumNodes[0] = pixels;
    r.Grouping[0] = static_cast<std::uint16_t>(group);
    r.LedType = rgbw ? 1 : 0;
    w.load(r);
    click(w.config.checkAdv);

    QString shownUniv, shownChan;
    w.openAdvanced([&](TNodaluxAdv& a) {
        shownUniv = cell(a, "editEndUniv", 1)->text();
        shownChan = cell(a, "editEndChan", 1)->text();
        return 1;
    });
    QCOMPARE(shownUniv, endUniv);
    QCOMPARE(shownChan, endChan);
    QCOMPARE(cell(w.adv, "editGroup", 1)->text(), QString::number(group)); // shown as it came
}

void TestAdvancedWindow::chaining_data() {
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<int>("pixels1");
    QTest::addColumn<QString>("univ2");
    QTest::addColumn<QString>("chan2");
    QTest::addColumn<QString>("univ3"); // after row 2's ten pixels
    QTest::addColumn<QString>("chan3");
    QTest::newRow("RGB ends at 510") << false << 170 << "2" << "1" << "2" << "31";
    QTest::newRow("RGB ends at 507") << false << 169 << "1" << "508" << "2" << "28";
    QTest::newRow("RGB ends at 300") << false << 100 << "1" << "301" << "1" << "331";
    QTest::newRow("RGBW ends at 508") << true << 127 << "1" << "509" << "2" << "37";
    QTest::newRow("RGBW ends at 512") << true << 128 << "2" << "1" << "2" << "41";
}

void TestAdvancedWindow::chaining() {
    QFETCH(bool, rgbw);
    QFETCH(int, pixels1);
    QFETCH(QString, univ2);
    QFETCH(QString, chan2);
    QFETCH(QString, univ3);
    QFETCH(QString, chan3);
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"Either", 2, 3, 0}}, 3, 2000);
    r.AdvUniv = {1, 40, 50};
    r.AdvChan = {1, 100, 200};
    r.NumNodes = {pixels1, 10, 10};
    r.LedType = rgbw ? 1 : 0;
    w.load(r);
    click(w.config.checkAdv);

    w.openAdvanced([&](TNodaluxAdv& a) {
        click(find<QCheckBox>(a, "checkAutoChan"));
        return 1;
    });
    QCOMPARE(cell(w.adv, "editUniv", 2)->text(), univ2);
    QCOMPARE(cell(w.adv, "editChan", 2)->text(), chan2);
    // Rows 2 to n follow the chain and cannot be typed into; row 1 can.
    QVERIFY(cell(w.adv, "editUniv", 1)->isEnabled());
    QVERIFY(cell(w.adv, "editChan", 1)->isEnabled());
    for (int row : {2, 3}) {
        QVERIFY(!cell(w.adv, "editUniv", row)->isEnabled());
        QVERIFY(!cell(w.adv, "editChan", row)->isEnabled());
    }
    QCOMPARE(cell(w.adv, "editUniv", 3)->text(), univ3);
    QCOMPARE(cell(w.adv, "editChan", 3)->text(), chan3);
}

void TestAdvancedWindow::uncheckingKeepsChainedStarts() {
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"Either", 2, 3, 0}}, 3, 2000);
    r.NumNodes = {100, 100, 100};
    r.AdvUniv = {1, 40, 50};
    w.load(r);
    click(w.config.checkAdv);
    w.openAdvanced([&](TNodaluxAdv& a) {
        click(a.checkAutoChan); // on: chain built at once
        click(a.checkAutoChan); // off: edits editable again
        return 1;
    });
    QCOMPARE(cell(w.adv, "editChan", 2)->text(), QStringLiteral("301"));
    QCOMPARE(cell(w.adv, "editUniv", 3)->text(), QStringLiteral("2"));
    QVERIFY(cell(w.adv, "editUniv", 3)->isEnabled());
    // Typing into a row's start now moves only that row.
    typeAndLeave(cell(w.adv, "editUniv", 2), "9");
    QCOMPARE(cell(w.adv, "editUniv", 3)->text(), QStringLiteral("2"));
    QCOMPARE(cell(w.adv, "editEndUniv", 2)->text(), QStringLiteral("10")); // 9/301 + 300 channels
}

void TestAdvancedWindow::exitRules_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("strings");
    QTest::addColumn<int>("maxPixels");
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("pixelsBefore");
    QTest::addColumn<QString>("pixelsAfter");
    QTest::addColumn<QString>("endChan"); // empty: not checked

    auto row = [](const char* tag, int protocol, int strings, int maxPixels, bool rgbw, const char* column,
                  const QString& typed, const QString& expected, int before = 100, const QString& after = "100",
                  const QString& endChan = QString()) {
        QTest::newRow(tag) << protocol << strings << maxPixels << rgbw << column << typed << expected << before << after
                           << endChan;
    };
    // Start universe: 1 to 63999, then the ends follow.
    row("univ letters", 8, 8, 400, false, "editUniv", "abc", "1");
    row("univ 0", 8, 8, 400, false, "editUniv", "0", "1");
    row("univ 64000", 8, 8, 400, false, "editUniv", "64000", "63999");
    // Start channel: aligned, then bounded.
    row("chan RGB 6", 8, 8, 400, false, "editChan", "6", "7", 100, "100", "306");
    row("chan RGBW 510", 8, 8, 400, true, "editChan", "510", "509", 100, "100", "396");
    row("chan letters", 8, 8, 400, false, "editChan", "x", "1", 100, "100", "300");
    row("chan -4", 8, 8, 400, false, "editChan", "-4", "1");
    // Pixels: 0 is allowed here; the limit is the window's pixel limit.
    row("pixels 0", 8, 8, 400, false, "editNodes", "0", "0", 100, "0", "0");
    row("pixels -5", 8, 8, 400, false, "editNodes", "-5", "0", 100, "0");
    row("pixels 999", 8, 8, 400, false, "editNodes", "999", "400", 100, "400", "180");
    row("pixels RGBW 999", 8, 8, 400, true, "editNodes", "999", "300", 100, "300");
    row("pixels letters", 8, 8, 400, false, "editNodes", "lots", "1", 100, "1", "3");
    // Null pixels, current protocol: at most MaxPixels - 1 and 255; they come
    // out of the output's pixel budget.
    row("null 500, MaxPixels 400", 8, 8, 400, false, "editNull", "500", "255", 100, "100");
    row("null 100 lowers 350 pixels", 8, 8, 400, false, "editNull", "100", "100", 350, "300", "390");
    row("null 100 keeps 300 pixels", 8, 8, 400, false, "editNull", "100", "100", 300, "300");
    row("null 300, MaxPixels 200", 8, 8, 200, false, "editNull", "300", "199", 150, "1");
    row("null letters", 8, 8, 400, false, "editNull", "none", "0");
    row("null -3", 8, 8, 400, false, "editNull", "-3", "0");
    // Legacy protocol: at most 10, the pixel count is not touched.
    row("legacy null 11", 0, 16, 0, false, "editNull", "11", "10", 330, "330");
    row("legacy null 10", 0, 16, 0, false, "editNull", "10", "10", 330, "330");
    // Zig-zag.
    row("zig 500, MaxPixels 400", 8, 8, 400, false, "editZig", "500", "399");
    row("zig -1", 8, 8, 400, false, "editZig", "-1", "0");
    row("zig letters", 8, 8, 400, false, "editZig", "zz", "0");
    row("legacy zig, 16 outputs", 0, 16, 0, false, "editZig", "400", "339");
    row("legacy zig, 4 outputs", 0, 4, 0, false, "editZig", "700", "679");
    // Group: 1 to the pixel limit.
    row("group 0", 8, 8, 400, false, "editGroup", "0", "1", 100, "100", "300");
    row("group letters", 8, 8, 400, false, "editGroup", "g", "1");
    row("group 999", 8, 8, 400, false, "editGroup", "999", "400", 100, "100", "3");
    row("group 3", 8, 8, 400, false, "editGroup", "3", "3", 100, "100", "102");
    // Intensity: 1 to 100.
    row("intensity 0", 8, 8, 400, false, "editBright", "0", "1");
    row("intensity 150", 8, 8, 400, false, "editBright", "150", "100");
    row("intensity letters", 8, 8, 400, false, "editBright", "dim", "100");
    row("intensity 55", 8, 8, 400, false, "editBright", "55", "55");
}

void TestAdvancedWindow::exitRules() {
    QFETCH(int, protocol);
    QFETCH(int, strings);
    QFETCH(int, maxPixels);
    QFETCH(bool, rgbw);
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, pixelsBefore);
    QFETCH(QString, pixelsAfter);
    QFETCH(QString, endChan);

    ConfigWindows w;
    TNodaluxCtrl r = protocol >= 5 ? currentController({{"Either", 2, 3, 0}}, strings, static_cast<std::uint16_t>(maxPixels))
                                   : legacyController("V1.4.11", strings);
    r.NumNodes[1] = pixelsBefore;
    r.AdvChan[1] = 1;
    r.LedType = rgbw ? 1 : 0;
    if (protocol < 5) r.DriverChip = 12; // SK6812: the user chooses the LED type
    w.load(r);
    click(w.config.checkAdv);

    w.openAdvanced([&](TNodaluxAdv& a) {
        typeAndLeave(cell(a, qPrintable(column), 2), typed);
        return 1;
    });
    QCOMPARE(cell(w.adv, qPrintable(column), 2)->text(), expected);
    QCOMPARE(cell(w.adv, "editNodes", 2)->text(), pixelsAfter);
    if (!endChan.isEmpty()) QCOMPARE(cell(w.adv, "editEndChan", 2)->text(), endChan);
    // Other rows are untouched.
    QCOMPARE(cell(w.adv, qPrintable(column), 1)->text(), cell(w.adv, qPrintable(column), 3)->text());
}

void TestAdvancedWindow::layout_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("clientHeight");
    QTest::addColumn<int>("tabHeight");
    QTest::addColumn<QString>("caption1");
    QTest::addColumn<bool>("tab2");
    QTest::addColumn<QString>("caption2");
    QTest::newRow("1 output") << 1 << 145 << 98 << "Output 1" << false << "";
    QTest::newRow("2 outputs") << 2 << 177 << 130 << "Outputs 1 - 2" << false << "";
    QTest::newRow("16 outputs") << 16 << 625 << 578 << "Outputs 1 - 16" << false << "";
    QTest::newRow("17 outputs") << 17 << 625 << 578 << "Outputs 1 - 16" << true << "Output 17";
    QTest::newRow("20 outputs") << 20 << 625 << 578 << "Outputs 1 - 16" << true << "Outputs 17 - 20";
    QTest::newRow("32 outputs") << 32 << 625 << 578 << "Outputs 1 - 16" << true << "Outputs 17 - 32";
}

void TestAdvancedWindow::layout() {
    QFETCH(int, n);
    QFETCH(int, clientHeight);
    QFETCH(int, tabHeight);
    QFETCH(QString, caption1);
    QFETCH(bool, tab2);
    QFETCH(QString, caption2);
    ConfigWindows w;
    w.load(currentController({{"Either", 2, 3, 0}}, n));
    QCOMPARE(w.adv.height(), clientHeight);
    QCOMPARE(w.adv.TabControl1->height(), tabHeight);
    QCOMPARE(w.adv.TabControl1->tabText(0), caption1);
    QCOMPARE(w.adv.TabControl1->isTabVisible(1), tab2);
    QVERIFY(w.adv.TabControl1->isTabEnabled(1));
    if (tab2) QCOMPARE(w.adv.TabControl1->tabText(1), caption2);
    for (int row = 1; row <= 32; ++row) {
        const bool used = row <= n;
        QCOMPARE(!find<QLabel>(w.adv, QStringLiteral("Label%1").arg(row))->isHidden(), used);
        for (const char* c : {"editUniv", "editChan", "editEndUniv", "editEndChan", "editNodes", "editNull",
                              "editZig", "editGroup", "editBright"})
            QCOMPARE(!cell(w.adv, c, row)->isHidden(), used);
        QCOMPARE(!find<QCheckBox>(w.adv, QStringLiteral("switchRev%1").arg(row))->isHidden(), used);
        if (!used) QVERIFY(!cell(w.adv, "editNodes", row)->isEnabled());
        if (row % 2 == 1)
            QCOMPARE(!find<QFrame>(w.adv, QStringLiteral("Panel%1").arg((row + 1) / 2))->isHidden(), used);
    }
}

void TestAdvancedWindow::controlArraysFollowRows() {
    ConfigWindows w;
    TNodaluxCtrl r = currentController({{"Either", 2, 3, 0}}, 32);
    for (int i = 0; i < 32; ++i) {
        const auto k = static_cast<std::size_t>(i);
        r.AdvUniv[k] = static_cast<std::uint16_t>(100 + i);
        r.AdvChan[k] = static_cast<std::uint16_t>(1 + 3 * i);
        r.NumNodes[k] = 10 + i;
        r.AdvNull[k] = static_cast<std::uint8_t>(i);
        r.AdvZig[k] = static_cast<std::uint16_t>(2 * i);
        r.Grouping[k] = static_cast<std::uint16_t>(1 + i % 3);
        r.Brightness[k] = static_cast<std::uint8_t>(50 + i);
        r.AdvReverse[k] = static_cast<std::uint8_t>(i % 2);
    }
    w.load(r);
    for (int i = 0; i < 32; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int row = i + 1;
        QCOMPARE(w.adv.universes[k], cell(w.adv, "editUniv", row));
        QCOMPARE(w.adv.grouping[k], cell(w.adv, "editGroup", row));
        QCOMPARE(w.adv.AdvLBL[k]->text(), QStringLiteral("Output %1").arg(row));
        QCOMPARE(w.adv.universes[k]->text(), QString::number(100 + i));
        QCOMPARE(w.adv.channels[k]->text(), QString::number(1 + 3 * i));
        QCOMPARE(w.adv.nodes[k]->text(), QString::number(10 + i));
        QCOMPARE(w.adv.null[k]->text(), QString::number(i));
        QCOMPARE(w.adv.zig[k]->text(), QString::number(2 * i));
        QCOMPARE(w.adv.grouping[k]->text(), QString::number(1 + i % 3));
        QCOMPARE(w.adv.brightness[k]->text(), QString::number(50 + i));
        QCOMPARE(w.adv.reverse[k]->isChecked(), i % 2 == 1);
        QVERIFY(!w.adv.end_universes[k]->isEnabled());
        QVERIFY(!w.adv.end_channels[k]->isEnabled());
    }
    // Rows 17 to 32 lie on the second page.
    QCOMPARE(w.adv.nodes[16]->parentWidget(), w.adv.TabItem2);
    QCOMPARE(w.adv.nodes[15]->parentWidget(), w.adv.TabItem1);
}

void TestAdvancedWindow::tabOrder_data() {
    QTest::addColumn<bool>("down");
    QTest::addColumn<QStringList>("visits");
    QTest::newRow("Tab Down") << true
                              << QStringList{"editUniv1", "editUniv2", "editUniv3", "editChan1", "editChan2",
                                             "editChan3", "editNodes1"};
    QTest::newRow("Tab Right") << false
                               << QStringList{"editUniv1", "editChan1", "editNodes1", "editNull1", "editZig1",
                                              "editGroup1", "editBright1", "editUniv2"};
}

void TestAdvancedWindow::tabOrder() {
    QFETCH(bool, down);
    QFETCH(QStringList, visits);
    ConfigWindows w;
    w.load(currentController({{"Either", 2, 3, 0}}, 3));
    click(w.config.checkAdv);
    QStringList seen;
    w.openAdvanced([&](TNodaluxAdv& a) {
        if (!showActive(a)) return -1;
        click(down ? a.radioTabVertical : a.radioTabRight);
        QLineEdit* first = find<QLineEdit>(a, visits.first());
        first->setFocus();
        seen << QApplication::focusWidget()->objectName();
        for (qsizetype i = 1; i < visits.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << QApplication::focusWidget()->objectName();
        }
        a.hide();
        return 1;
    });
    QCOMPARE(seen, visits);
    // The positions as numbers: 1000 onwards over rows 1 to 3.
    const QList<QLineEdit*> seq = w.adv.tabSequence();
    QCOMPARE(seq.size(), 21);
    QCOMPARE(seq.at(down ? 3 : 1)->objectName(), QStringLiteral("editChan1"));
}

void TestAdvancedWindow::groupingUnavailable() {
    ConfigWindows w;
    TNodaluxCtrl r = legacyController("V1.4.3", 16);
    r.Grouping[0] = 4;
    r.Brightness[0] = 30;
    w.adv.setGroupingAvailable(false);
    w.load(r);
    QCOMPARE(cell(w.adv, "editGroup", 1)->text(), QStringLiteral("1"));
    QCOMPARE(cell(w.adv, "editBright", 16)->text(), QStringLiteral("100"));
    QVERIFY(!cell(w.adv, "editGroup", 4)->isEnabled());
    QVERIFY(!cell(w.adv, "editBright", 1)->isEnabled());
    // A refill (output mode change, Cancel) keeps them so.
    w.adv.FillAdvancedForm(w.rec);
    QVERIFY(!cell(w.adv, "editGroup", 1)->isEnabled());
    w.adv.setGroupingAvailable(true);
    w.adv.FillAdvancedForm(w.rec);
    QCOMPARE(cell(w.adv, "editGroup", 1)->text(), QStringLiteral("4"));
    QVERIFY(cell(w.adv, "editGroup", 1)->isEnabled());
}

QTEST_MAIN(TestAdvancedWindow)
#include "test_advanced_window.moc"
