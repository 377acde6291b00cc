// The main window as a user meets it: the edition's title and buttons, the
// adapter list and binding, Search and the device grid with its sorting and
// row map, the double-click selection, auto-poll, and the diagnostics, Help
// and About hand-overs. Everything runs on the fake endpoint and adapters; the
// dialogs are answered by the scripted services.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "AppRig.h"
#include "config/NodaluxAdvanced.h"
#include "config/NodaluxConfig.h"
#include "diagnostics/DiagnosticGrid.h"
#include "diagnostics/Guide.h"
#include "net/SendNetworkPacket.h"
#include "protocol/Diagnostic.h"
#include "protocol/Header.h"
#include "protocol/TestPackets.h"

using namespace apptest;
using vantrel::app::DeviceGridModel;
using vantrel::model::Ip4;

namespace {

constexpr int kModel = DeviceGridModel::ColModel;
constexpr int kNickname = DeviceGridModel::ColNickname;
constexpr int kIP = DeviceGridModel::ColIP;
constexpr int kFirmware = DeviceGridModel::ColFirmware;
constexpr int kTemperature = DeviceGridModel::ColTemperature;

template <typename T>
T* control(QWidget& form, const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
}

QString labelText(AppRig& rig) { return control<QLabel>(*rig.form, "DevicesLabel")->text(); }

QStringList column(AppRig& rig, int c) {
    QStringList out;
    for (int r = 0; r < rig.grid().rowCount(); ++r) out << rig.cell(r, c);
    return out;
}

void clickHeader(AppRig& rig, int column) {
    auto* grid = control<QTableView>(*rig.form, "Network_Grid");
    QHeaderView* header = grid->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void doubleClickRow(AppRig& rig, int row) {
    auto* grid = control<QTableView>(*rig.form, "Network_Grid");
    const QModelIndex index = grid->model()->index(row, kNickname);
    grid->scrollTo(index);
    const QPoint at = grid->visualRect(index).center();
    // A double click is a click followed by a second press that the view
    // receives as a double click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

QByteArray pollPacket() {
    const auto poll = vantrel::protocol::buildPoll();
    return QByteArray(reinterpret_cast<const char*>(poll.data()), static_cast<qsizetype>(poll.size()));
}

Ip4 ip(int a, int b, int c, int d) {
    return Ip4{static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(c),
               static_cast<std::uint8_t>(d)};
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    // The texts below are written for the C locale; the Temperature column
    // follows the user's (test_device_grid_look.cpp).
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // --- edition and start-up ---------------------------------------------------
    void edition_data();
    void edition();
    void versionTextHasNoLeadingZeros();
    void startUpState();
    void windowsAreCreatedInOrder();

    // --- adapters and binding ---------------------------------------------------
    void adaptersAreListedWithNetworkAndMask();
    void noAdapterShowsNoneFound_data();
    void noAdapterShowsNoneFound();
    void choosingAnotherAdapterEmptiesTheGridAndRebinds();
    void refreshRebuildsTheList();
    void bindFailureShowsTheMessageAndCloses_data();
    void bindFailureShowsTheMessageAndCloses();
    void splitCutsAtEveryDelimiter();

    // --- search and grid --------------------------------------------------------
    void searchEmptiesTheGridAndBroadcastsThePoll();
    void searchSendFailureIsReported();
    void readersAddRowsWithTheirTexts();
    void duplicatesAndBadDatagramsChangeNothing();
    void sortByEveryColumn_data();
    void sortByEveryColumn();
    void headerClickResortsAndKeepsTheRowMap();
    void doubleClickSelectsTheControllerTheRowShows();
    void doubleClickBeyondRow256();
    void deviceTextsArePlainText();
    void aBurstIsHandledInArrivalOrderAndShownAtOnce();
    void burstsStaySortedUnderHeaderClicks_data();
    void burstsStaySortedUnderHeaderClicks();
    void repliesBeyondTheCapAreDroppedAndCounted();

    // --- auto-poll ----------------------------------------------------------------
    void autoPollPollsWhileChecked();

    // --- diagnostics, test announce, help and about ----------------------------
    void diagnosticMessagesAreCollectedWhileTheTabIsHidden();
    void testAnnounceUpdatesTheRecord();
    void helpAndAbout_data();
    void helpAndAbout();
};

// ---- edition and start-up -----------------------------------------------------------

void TestMainWindow::edition_data() {
    QTest::addColumn<int>("brand");
    QTest::addColumn<bool>("dev");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("about");
    QTest::addColumn<QSize>("logo"); // width x height

    QTest::newRow("0") << 0 << false << "Qorvana Vantrel - V2.3.23" << "Nodalux Configuration" << true << true
                       << QSize(262, 65);
    QTest::newRow("0 dev") << 0 << true << "Qorvana Vantrel - V2.3.23 - DEV" << "Nodalux Configuration" << true
                           << true << QSize(262, 65);
    QTest::newRow("1") << 1 << false << "Brightwell PixelSetup - V2.3.23" << "Brightwell Controller Setup" << false
                       << true << QSize(231, 65);
    QTest::newRow("3") << 3 << false << "Harborline Pixel Tool - V2.3.23" << "Harborline Configuration" << false
                       << false << QSize(176, 65);
    QTest::newRow("4 dev") << 4 << true << "Solwyn LED Config - V2.3.23 - DEV" << "Solwyn Controller Configuration"
                           << true << true << QSize(258, 66);
}

void TestMainWindow::edition() {
    QFETCH(int, brand);
    QFETCH(bool, dev);
    QFETCH(QString, title);
    QFETCH(QString, caption);
    QFETCH(bool, help);
    QFETCH(bool, about);
    QFETCH(QSize, logo);

    AppRig rig(Branding{static_cast<std::uint8_t>(brand), {2, 3, 23}, dev});
    TForm1& form = *rig.form;
    QCOMPARE(form.windowTitle(), title);
    QCOMPARE(form.windows().NodaluxConfig->windowTitle(), caption);
    QCOMPARE(control<QPushButton>(form, "btnHelp")->isVisible(), help);
    QCOMPARE(control<QPushButton>(form, "btnAbout")->isVisible(), about);

    auto* tabs = control<QTabWidget>(form, "tabControl1");
    QCOMPARE(tabs->isTabVisible(1), dev);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Network Devices"));
    QCOMPARE(tabs->currentIndex(), 0);

    // The logo: the table's size, at the top, its right edge 10 from the window's.
    auto* image = control<QLabel>(form, "LogoImage");
    QCOMPARE(image->size(), logo);
    QCOMPARE(image->geometry().topLeft(), QPoint(737 - logo.width() - 10, 0));
    QVERIFY(!image->pixmap().isNull());
}

void TestMainWindow::versionTextHasNoLeadingZeros() {
    AppRig rig(Branding{0, {2, 3, 3}, false});
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Qorvana Vantrel - V2.3.3"));
}

void TestMainWindow::startUpState() {
    AppRig rig;
    TForm1& form = *rig.form;
    QCOMPARE(form.size(), QSize(737, 553));
    QCOMPARE(form.minimumSize(), form.maximumSize()); // not resizable
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(rig.grid().rowCount(), 0);
    QCOMPARE(labelText(rig), QStringLiteral("Found 0 Device(s)"));
    QCOMPARE(form.SortColumn, 1);
    QCOMPARE(form.RgbList.size(), 6);
    QCOMPARE(form.RgbList.first(), QStringLiteral("R-G-B"));
    QCOMPARE(form.RgbwList.size(), 24);
    QCOMPARE(form.RgbwList.last(), QStringLiteral("W-B-G-R"));
    QVERIFY(form.windows().NodaluxAdv->radioTabVertical->isChecked());

    auto* grid = control<QTableView>(form, "Network_Grid");
    QCOMPARE(grid->model()->columnCount(), 5);
    const QList<int> widths{150, 160, 150, 150, 125};
    for (int c = 0; c < 5; ++c) QCOMPARE(grid->columnWidth(c), widths[c]);
    QCOMPARE(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    auto* interval = control<QSpinBox>(form, "numAutoPollTime");
    QCOMPARE(interval->minimum(), 10);
    QCOMPARE(interval->maximum(), 60000);
    QCOMPARE(interval->value(), 1000);
    QVERIFY(!control<QCheckBox>(form, "checkBoxAutoPoll")->isChecked());
    QVERIFY(!form.AutoPollTimer->isActive());

    // Bound once, to the first adapter, and nothing sent yet.
    QCOMPARE(rig.endpoint.bindRequests(), QList<QHostAddress>{QHostAddress(QStringLiteral("192.168.77.1"))});
    QVERIFY(rig.endpoint.sent().isEmpty());
    QVERIFY(rig.services.messages.isEmpty());
}

void TestMainWindow::windowsAreCreatedInOrder() {
    AppRig rig;
    QStringList classes;
    for (QObject* child : rig.form->children())
        if (qobject_cast<QDialog*>(child)) classes << QString::fromLatin1(child->metaObject()->className());
    const QStringList expected{"vantrel::config::TNodaluxConfig",        "vantrel::config::TNodaluxAdv",
                               "vantrel::firmware::TTCPFirmware",        "vantrel::diagnostics::TAboutWin",
                               "vantrel::config::TNodaluxAdvRGB",        "vantrel::diagnostics::TAboutWinBrand1",
                               "vantrel::diagnostics::TAboutWinBrand2", "vantrel::diagnostics::TAboutWinBrand4"};
    QCOMPARE(classes, expected);
    for (QObject* child : rig.form->children())
        if (auto* dialog = qobject_cast<QDialog*>(child)) QVERIFY(!dialog->isVisible());
}

// ---- adapters and binding ----------------------------------------------------------------

void TestMainWindow::adaptersAreListedWithNetworkAndMask() {
    AppRig rig;
    auto* combo = control<QComboBox>(*rig.form, "comboNetAdapter");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->itemText(0), QStringLiteral("192.168.77.1"));
    QCOMPARE(combo->itemText(1), QStringLiteral("10.1.2.3"));
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(rig.form->AdapterNetworks, (QStringList{"192.168.77.0", "10.0.0.0"}));
    QCOMPARE(rig.form->AdapterMasks, (QStringList{"255.255.255.0", "255.0.0.0"}));
    QVERIFY(control<QPushButton>(*rig.form, "Net_Search")->isEnabled());
}

void TestMainWindow::noAdapterShowsNoneFound_data() {
    QTest::addColumn<QList<Adapter>>("adapters");
    QTest::newRow("no address") << QList<Adapter>{};
    QTest::newRow("loopback and IPv6 only")
        << QList<Adapter>{Adapter{"127.0.0.1", "255.0.0.0", "lo"}, Adapter{"fe80::1", "ffff:ffff:ffff:ffff::", "eth0"}};
}

void TestMainWindow::noAdapterShowsNoneFound() {
    QFETCH(QList<Adapter>, adapters);
    AppRig rig(Branding{}, adapters);
    auto* combo = control<QComboBox>(*rig.form, "comboNetAdapter");
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->currentText(), QStringLiteral("None Found"));
    QVERIFY(!control<QPushButton>(*rig.form, "Net_Search")->isEnabled());
    QVERIFY(rig.form->AdapterNetworks.isEmpty());
    QVERIFY(rig.form->AdapterMasks.isEmpty());
    QVERIFY(rig.endpoint.bindRequests().isEmpty()); // the endpoint is left as it was
    QVERIFY(rig.services.messages.isEmpty());
}

void TestMainWindow::choosingAnotherAdapterEmptiesTheGridAndRebinds() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(192, 168, 77, 20), "NX-16", "stage left")));
    QCOMPARE(rig.grid().rowCount(), 1);

    control<QComboBox>(*rig.form, "comboNetAdapter")->setCurrentIndex(1);
    QCOMPARE(rig.grid().rowCount(), 0);
    QCOMPARE(rig.form->controllers().size(), 0u);
    QCOMPARE(labelText(rig), QStringLiteral("Found 0 Device(s)"));
    QCOMPARE(rig.endpoint.bindRequests().size(), 2);
    QCOMPARE(rig.endpoint.boundAddress(), QHostAddress(QStringLiteral("10.1.2.3")));

    // The next search goes out through the new binding.
    QTest::mouseClick(control<QPushButton>(*rig.form, "Net_Search"), Qt::LeftButton);
    QCOMPARE(rig.endpoint.sent().size(), 1);
    QVERIFY(rig.endpoint.sent().first().ok);
}

void TestMainWindow::refreshRebuildsTheList() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(192, 168, 77, 20), "NX-16", "a")));
    rig.adapters.setAdapters({Adapter{"172.16.5.9", "255.255.0.0", "wlan0"}});
    QTest::mouseClick(control<QPushButton>(*rig.form, "btnRefresh"), Qt::LeftButton);
    auto* combo = control<QComboBox>(*rig.form, "comboNetAdapter");
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->currentText(), QStringLiteral("172.16.5.9"));
    QCOMPARE(rig.form->AdapterNetworks, QStringList{"172.16.0.0"});
    QCOMPARE(rig.grid().rowCount(), 0);
    // Exactly one new binding per refresh, to the new first address.
    QCOMPARE(rig.endpoint.bindRequests().size(), 2);
    QCOMPARE(rig.endpoint.boundAddress(), QHostAddress(QStringLiteral("172.16.5.9")));
}

void TestMainWindow::bindFailureShowsTheMessageAndCloses_data() {
    QTest::addColumn<int>("failingAdapter");
    QTest::newRow("at start-up") << 0;
    QTest::newRow("choosing another adapter") << 1;
}

void TestMainWindow::bindFailureShowsTheMessageAndCloses() {
    QFETCH(int, failingAdapter);
    AppRig rig(Branding{}, twoAdapters(), false);
    rig.endpoint.setBindFails(QHostAddress(twoAdapters()[failingAdapter].address));
    rig.form->show();
    if (failingAdapter == 1) {
        QVERIFY(rig.services.messages.isEmpty());
        control<QComboBox>(*rig.form, "comboNetAdapter")->setCurrentIndex(1);
    }
    QCOMPARE(rig.services.messages.size(), 1);
    QCOMPARE(rig.services.messages.first().text,
             QStringLiteral("Could not bind network port. Maybe another instance is running already?"));
    QVERIFY(rig.form->bindFailed());
    QTRY_VERIFY(!rig.form->isVisible());
}

void TestMainWindow::splitCutsAtEveryDelimiter() {
    QStringList parts{"left over"};
    TForm1::Split('.', QStringLiteral("10.1..3"), parts);
    QCOMPARE(parts, (QStringList{"10", "1", "", "3"}));
}

// ---- search and grid -------------------------------------------------------------------

void TestMainWindow::searchEmptiesTheGridAndBroadcastsThePoll() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(192, 168, 77, 20), "NX-16", "a")));
    QCOMPARE(labelText(rig), QStringLiteral("Found 1 Device(s)"));

    QTest::mouseClick(control<QPushButton>(*rig.form, "Net_Search"), Qt::LeftButton);
    QCOMPARE(rig.grid().rowCount(), 0);
    QCOMPARE(rig.form->controllers().size(), 0u);
    QCOMPARE(labelText(rig), QStringLiteral("Found 0 Device(s)"));
    QCOMPARE(rig.endpoint.sent().size(), 1);
    const auto& sent = rig.endpoint.sent().first();
    QCOMPARE(sent.ip, QStringLiteral("255.255.255.255"));
    const QByteArray expected("Qorvanix"   // magic
                              "\x00"       // terminator
                              "\x00\x01"   // opcode 1, poll
                              "\x08",      // protocol version 8
                              12);
    QCOMPARE(sent.bytes, expected);
    QCOMPARE(sent.bytes, pollPacket());
    QVERIFY(rig.services.messages.isEmpty());
}

void TestMainWindow::searchSendFailureIsReported() {
    AppRig rig;
    rig.endpoint.failNextSends(1);
    QTest::mouseClick(control<QPushButton>(*rig.form, "Net_Search"), Qt::LeftButton);
    QCOMPARE(rig.services.messages.size(), 1);
    QCOMPARE(rig.services.messages.first().text, QString::fromLatin1(vantrel::net::kSendErrorMessage));
    QCOMPARE(rig.grid().rowCount(), 0);
}

void TestMainWindow::readersAddRowsWithTheirTexts() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(192, 168, 77, 20), "NX-32 Pro", "bravo", "V2.0.1", 453)));
    rig.inject(legacyReply(ip(192, 168, 77, 7), "Nodalux 16 LR", "alpha", 0xFFFF));
    TNodaluxCtrl boot = currentController(ip(192, 168, 77, 9), "NX-4", "charlie", "Bootloader V1.0.2", 300, 6);
    rig.inject(currentReply(boot));

    QCOMPARE(rig.grid().rowCount(), 3);
    QCOMPARE(labelText(rig), QStringLiteral("Found 3 Device(s)"));
    // Sorted by nickname from the start.
    QCOMPARE(column(rig, kNickname), (QStringList{"alpha", "bravo", "charlie"}));
    QCOMPARE(column(rig, kModel), (QStringList{"Nodalux 16 Long Range", "NX-32 Pro", "NX-4"}));
    QCOMPARE(column(rig, kIP), (QStringList{"192.168.77.7", "192.168.77.20", "192.168.77.9"}));
    // The legacy firmware field's NUL padding is not shown.
    QCOMPARE(column(rig, kFirmware), (QStringList{"V1.4.10", "V2.0.1", "Bootloader V1.0.2"}));
    QCOMPARE(column(rig, kTemperature),
             (QStringList{"N/A", QString::fromUtf8("45.3\u00B0C / 113.5\u00B0F"), QString()}));
    QVERIFY(rig.rowMapInStep());

    const auto& list = rig.form->controllers().records();
    QCOMPARE(list.size(), 3u);
    QCOMPARE(list[1].QorvanaProtVer, 0); // legacy record
    QCOMPARE(list[1].NumStrings, 16);
}

void TestMainWindow::duplicatesAndBadDatagramsChangeNothing() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(192, 168, 77, 20), "NX-16", "first")));
    rig.inject(currentReply(currentController(ip(192, 168, 77, 20), "NX-16", "second")));
    rig.inject(legacyReply(ip(192, 168, 77, 20), "Nodalux 4", "third"));
    auto truncated = currentReply(currentController(ip(192, 168, 77, 21), "NX-16", "cut"));
    truncated.resize(truncated.size() - 5);
    rig.inject(truncated);
    rig.inject(legacyReply(ip(192, 168, 77, 22), "Nodalux 16 ", "unknown model"));
    auto ownPoll = vantrel::protocol::buildPoll();
    rig.inject(ownPoll);
    rig.inject({'Q', 'o', 'r'});

    QCOMPARE(rig.grid().rowCount(), 1);
    QCOMPARE(rig.cell(0, kNickname), QStringLiteral("first"));
    QCOMPARE(labelText(rig), QStringLiteral("Found 1 Device(s)"));
    QVERIFY(rig.rowMapInStep());
}

void TestMainWindow::sortByEveryColumn_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("expected"); // the column's texts after sorting by it

    // Keys compare as text: 100.0 before 45.3, V1.2.10 before V1.2.9; the IP
    // column by its zero-padded key, shown unpadded; case is ignored.
    QTest::newRow("model") << kModel << QStringList{"nx-16", "NX-32", "Nx-4"};
    QTest::newRow("nickname") << kNickname << QStringList{"alpha", "Beta", "charlie"};
    QTest::newRow("ip") << kIP << QStringList{"192.168.0.3", "192.168.0.20", "192.168.0.100"};
    QTest::newRow("firmware") << kFirmware << QStringList{"V1.2.10", "v1.2.11", "V1.2.9"};
    QTest::newRow("temperature") << kTemperature
                                 << QStringList{QString::fromUtf8("100.0\u00B0C / 212.0\u00B0F"),
                                                QString::fromUtf8("45.3\u00B0C / 113.5\u00B0F"), "N/A"};
}

void TestMainWindow::sortByEveryColumn() {
    QFETCH(int, column);
    QFETCH(QStringList, expected);

    AppRig rig;
    rig.inject(currentReply(currentController(ip(192, 168, 0, 100), "NX-32", "charlie", "V1.2.9", 1000)));
    rig.inject(currentReply(currentController(ip(192, 168, 0, 20), "Nx-4", "Beta", "V1.2.10", 0xFFFF)));
    rig.inject(currentReply(currentController(ip(192, 168, 0, 3), "nx-16", "alpha", "v1.2.11", 453)));

    clickHeader(rig, column);
    QCOMPARE(rig.form->SortColumn, column);
    QCOMPARE(::column(rig, column), expected);
    QVERIFY(rig.rowMapInStep());

    // Replies arriving after the click go to their place by the same column.
    rig.inject(currentReply(currentController(ip(192, 168, 0, 50), "NX-8", "Delta", "V1.2.8", 500)));
    QCOMPARE(rig.grid().rowCount(), 4);
    QStringList keys = ::column(rig, column);
    QStringList sorted = keys;
    if (column == kIP) {
        QCOMPARE(keys, (QStringList{"192.168.0.3", "192.168.0.20", "192.168.0.50", "192.168.0.100"}));
    } else {
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(keys, sorted);
    }
    QVERIFY(rig.rowMapInStep());
}

void TestMainWindow::headerClickResortsAndKeepsTheRowMap() {
    AppRig rig;
    const QStringList nicknames{"m", "c", "x", "a", "q"};
    for (int i = 0; i < nicknames.size(); ++i)
        rig.inject(currentReply(currentController(ip(10, 0, 0, 50 - i), "NX-" + QString::number(i % 2), nicknames[i])));
    QCOMPARE(column(rig, kNickname), (QStringList{"a", "c", "m", "q", "x"}));

    clickHeader(rig, kModel);
    const QStringList firstClick = column(rig, kNickname);
    QCOMPARE(column(rig, kModel), (QStringList{"NX-0", "NX-0", "NX-0", "NX-1", "NX-1"}));
    QVERIFY(rig.rowMapInStep());

    // The second click sorts ascending again: no descending order.
    clickHeader(rig, kModel);
    QCOMPARE(column(rig, kModel), (QStringList{"NX-0", "NX-0", "NX-0", "NX-1", "NX-1"}));
    QCOMPARE(column(rig, kNickname), firstClick);

    clickHeader(rig, kIP);
    QCOMPARE(column(rig, kIP), (QStringList{"10.0.0.46", "10.0.0.47", "10.0.0.48", "10.0.0.49", "10.0.0.50"}));
    QVERIFY(rig.rowMapInStep());
}

void TestMainWindow::doubleClickSelectsTheControllerTheRowShows() {
    AppRig rig;
    QList<int> current, legacy;
    rig.form->setConfigurationFlows([&](int i) { current << i; }, [&](int i) { legacy << i; });

    rig.inject(currentReply(currentController(ip(10, 0, 0, 9), "NX-16", "zulu", "V1.0.0", 453, 5)));
    rig.inject(legacyReply(ip(10, 0, 0, 10), "Nodalux 4 Pro", "alpha"));
    rig.inject(currentReply(currentController(ip(10, 0, 0, 11), "NX-32", "mike", "V1.0.0", 453, 9)));
    // Sorted by nickname: alpha (list index 1), mike (2), zulu (0).

    doubleClickRow(rig, 0);
    QCOMPARE(legacy, QList<int>{1});
    QCOMPARE(rig.form->SelectedController(), 1);
    QCOMPARE(rig.form->SelectedControllerModel(), QStringLiteral("Nodalux 4 Pro"));

    doubleClickRow(rig, 2);
    QCOMPARE(current, QList<int>{0});
    QCOMPARE(rig.form->SelectedControllerModel(), QStringLiteral("NX-16"));

    clickHeader(rig, kIP); // 10.0.0.9 (0), .10 (1), .11 (2)
    doubleClickRow(rig, 2);
    QCOMPARE(current, (QList<int>{0, 2}));
    QCOMPARE(rig.form->SelectedController(), 2);
    QCOMPARE(legacy.size(), 1);
    QVERIFY(rig.form->selectedRecord() == &rig.form->controllers().at(2));

    // A search keeps the index but the record it named is gone: the windows
    // get no record rather than whichever controller answers third next time.
    QTest::mouseClick(control<QPushButton>(*rig.form, "Net_Search"), Qt::LeftButton);
    rig.inject(currentReply(currentController(ip(10, 0, 0, 20), "NX-4", "a")));
    rig.inject(currentReply(currentController(ip(10, 0, 0, 21), "NX-4", "b")));
    rig.inject(currentReply(currentController(ip(10, 0, 0, 22), "NX-4", "c")));
    QCOMPARE(rig.form->SelectedController(), 2);
    QVERIFY(rig.form->selectedRecord() == nullptr);
}

void TestMainWindow::doubleClickBeyondRow256() {
    AppRig rig;
    QList<int> chosen;
    rig.form->setConfigurationFlows([&](int i) { chosen << i; }, [&](int i) { chosen << i; });

    // 300 controllers whose nicknames sort opposite to their arrival.
    constexpr int kCount = 300;
    for (int k = 0; k < kCount; ++k) {
        const QString nick = QStringLiteral("unit %1").arg(kCount - k, 3, 10, QLatin1Char('0'));
        rig.inject(currentReply(currentController(ip(10, 0, 1 + k / 250, 1 + k % 250), "NX-16", nick)));
    }
    QCOMPARE(rig.grid().rowCount(), kCount);
    QCOMPARE(labelText(rig), QStringLiteral("Found 300 Device(s)"));
    QVERIFY(rig.rowMapInStep());

    // Row 20 shows "unit 021", the controller that arrived 280th: list index
    // 279, which a one-byte selection would have turned into 23.
    doubleClickRow(rig, 20);
    QCOMPARE(chosen.last(), 279);
    // Row 280 shows "unit 281", list index 19.
    doubleClickRow(rig, 280);
    QCOMPARE(chosen.last(), 19);

    clickHeader(rig, kIP); // arrival order again
    doubleClickRow(rig, 299);
    QCOMPARE(chosen.last(), 299);
    QCOMPARE(rig.form->SelectedController(), 299);
    QCOMPARE(rig.cell(299, kIP), QStringLiteral("10.0.2.50"));
}

void TestMainWindow::deviceTextsArePlainText() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(10, 0, 0, 1), "<img src=x>", "<b>x", "<i>V1</i>")));
    QCOMPARE(rig.cell(0, kModel), QStringLiteral("<img src=x>"));
    QCOMPARE(rig.cell(0, kNickname), QStringLiteral("<b>x"));
    QCOMPARE(rig.cell(0, kFirmware), QStringLiteral("<i>V1</i>"));
    // The grid draws its cells as they are: the standard delegate (with a row
    // line under each cell), no rich-text delegate, no HTML.
    auto* grid = control<QTableView>(*rig.form, "Network_Grid");
    QCOMPARE(grid->model()->data(grid->model()->index(0, kNickname)).toString(), QStringLiteral("<b>x"));
    QVERIFY(qobject_cast<QStyledItemDelegate*>(grid->itemDelegate()));
    QCOMPARE(control<QLabel>(*rig.form, "DevicesLabel")->textFormat(), Qt::PlainText);
}

// Several datagrams waiting at once: each is handled in its turn (a test
// announce finds exactly the controllers whose replies came before it), and
// the grid and the label show the whole burst in one insertion.
void TestMainWindow::aBurstIsHandledInArrivalOrderAndShownAtOnce() {
    AppRig rig(Branding{0, {2, 3, 23}, true});
    rig.inject(currentReply(currentController(ip(10, 0, 0, 5), "NX-16", "mike")));
    auto* gridView = control<QTableView>(*rig.form, "Network_Grid");
    QTest::mouseClick(gridView->viewport(), Qt::LeftButton, {},
                      gridView->visualRect(rig.grid().index(0, kNickname)).center());
    QCOMPARE(gridView->currentIndex().row(), 0);

    const auto announce = [](Ip4 address, std::uint8_t mode) {
        vantrel::protocol::TestAnnounce a;
        a.ip = address;
        a.mode = mode;
        return vantrel::protocol::encodeTestAnnounce(a, 8, {});
    };
    const auto diagnostic = [](const char16_t* text) {
        vantrel::protocol::DiagnosticMessage msg;
        msg.ip = {10, 0, 0, 6};
        msg.model = u"NX-16";
        msg.message = text;
        return vantrel::protocol::encodeDiagnosticMessage(msg);
    };
    QSignalSpy inserted(&rig.grid(), &QAbstractItemModel::rowsInserted);
    QSignalSpy applied(rig.form.get(), &TForm1::testAnnounceApplied);
    rig.injectBurst({
        announce(ip(10, 0, 0, 7), 4), // its controller has not answered yet: nobody to update
        currentReply(currentController(ip(10, 0, 0, 6), "NX-16", "charlie")),
        announce(ip(10, 0, 0, 6), 3), // the reply before it is listed
        diagnostic(u"first"),
        currentReply(currentController(ip(10, 0, 0, 7), "NX-4", "alpha")),
        currentReply(currentController(ip(10, 0, 0, 6), "NX-4", "again")), // a duplicate: the first stays
        diagnostic(u"second"),
        currentReply(currentController(ip(10, 0, 0, 8), "NX-8", "zulu")),
        announce(ip(10, 0, 0, 5), 2), // a controller listed before the burst
    });

    const auto& list = rig.form->controllers();
    QCOMPARE(list.at(static_cast<std::size_t>(list.indexOfIP(ip(10, 0, 0, 6)))).TestMode, 3);
    QCOMPARE(list.at(static_cast<std::size_t>(list.indexOfIP(ip(10, 0, 0, 7)))).TestMode, 0);
    QCOMPARE(list.at(static_cast<std::size_t>(list.indexOfIP(ip(10, 0, 0, 5)))).TestMode, 2);
    QCOMPARE(applied.size(), 2);
    QCOMPARE(applied[0][0].toInt(), list.indexOfIP(ip(10, 0, 0, 6)));
    QCOMPARE(applied[1][0].toInt(), 0);

    QCOMPARE(inserted.size(), 1);
    QCOMPARE(column(rig, kNickname), (QStringList{"alpha", "charlie", "mike", "zulu"}));
    QCOMPARE(rig.grid().rows().size(), 4u);
    QCOMPARE(rig.grid().rows()[3][kIP], QStringLiteral("10.0.0.8"));
    QCOMPARE(labelText(rig), QStringLiteral("Found 4 Device(s)"));
    QVERIFY(rig.rowMapInStep());
    // The chosen row stays with its controller.
    QCOMPARE(gridView->currentIndex().row(), 2);
    QCOMPARE(rig.cell(gridView->currentIndex().row(), kNickname), QStringLiteral("mike"));

    auto* diagnostics = control<vantrel::diagnostics::DiagnosticGrid>(*rig.form, "gridDiagnostic");
    using vantrel::diagnostics::DiagnosticModel;
    QCOMPARE(diagnostics->rowCount(), 2);
    QCOMPARE(diagnostics->cellText(0, DiagnosticModel::ColMessage), QStringLiteral("second"));
    QCOMPARE(diagnostics->cellText(1, DiagnosticModel::ColMessage), QStringLiteral("first"));
}

void TestMainWindow::burstsStaySortedUnderHeaderClicks_data() {
    QTest::addColumn<int>("column");
    QTest::newRow("model") << kModel;
    QTest::newRow("nickname") << kNickname;
    QTest::newRow("ip") << kIP;
    QTest::newRow("firmware") << kFirmware;
    QTest::newRow("temperature") << kTemperature;
}

// Bursts that fall between rows already shown, with repeated keys, and a
// header click between bursts: the grid stays in the order of its column and
// every row shows the controller the row map names.
void TestMainWindow::burstsStaySortedUnderHeaderClicks() {
    QFETCH(int, column);
    AppRig rig;
    const QStringList models{"NX-4", "nx-16", "NX-32", "Nx-8"};
    const QStringList nicknames{"delta", "Alpha", "charlie", "bravo", "alpha", "echo", "Delta"};
    const auto burst = [&](int first, int count) {
        std::vector<vantrel::protocol::Bytes> replies;
        for (int k = first; k < first + count; ++k) {
            const auto ipOf = ip(10, 0, k % 3, 200 - k); // not in order of arrival
            const auto temperature = static_cast<std::uint16_t>(k % 4 == 0 ? 0xFFFF : 200 + 37 * k);
            replies.push_back(currentReply(currentController(ipOf, models[k % models.size()],
                                                             nicknames[k % nicknames.size()],
                                                             QStringLiteral("V1.%1.%2").arg(k % 3).arg(k % 11),
                                                             temperature)));
        }
        rig.injectBurst(replies);
    };
    const auto inOrder = [&](int c) {
        const QStringList texts = ::column(rig, c);
        for (int r = 1; r < texts.size(); ++r) {
            const auto key = [](const QString& ipText) { return vantrel::model::ipSortKey(ipText.toStdString()); };
            const bool ordered = c == kIP ? key(texts[r - 1]) <= key(texts[r])
                                          : texts[r - 1].compare(texts[r], Qt::CaseInsensitive) <= 0;
            if (!ordered) return false;
        }
        return rig.rowMapInStep();
    };

    burst(0, 9);
    QVERIFY(inOrder(kNickname));
    clickHeader(rig, column);
    QVERIFY(inOrder(column));
    burst(9, 13);
    burst(22, 1);
    QCOMPARE(rig.grid().rowCount(), 23);
    QVERIFY(inOrder(column));
    clickHeader(rig, kNickname);
    burst(23, 6);
    QVERIFY(inOrder(kNickname));
    clickHeader(rig, column);
    QVERIFY(inOrder(column));
    QCOMPARE(labelText(rig), QStringLiteral("Found 29 Device(s)"));
}

// A flood of replies from ever new addresses fills the list up to its cap;
// the rest are dropped, and the Diagnostics tab tells how many.
void TestMainWindow::repliesBeyondTheCapAreDroppedAndCounted() {
    AppRig rig(Branding{0, {2, 3, 23}, true});
    constexpr int kCap = static_cast<int>(vantrel::model::ControllerList::kMaxControllers);
    auto* dropped = control<QLabel>(*rig.form, "lblDroppedReplies");
    QCOMPARE(dropped->text(), QStringLiteral("Replies dropped, list full (10000 controllers): 0"));
    QCOMPARE(dropped->parentWidget(), control<QWidget>(*rig.form, "DiagnosticsTab"));

    std::vector<vantrel::protocol::Bytes> flood;
    for (int k = 0; k < kCap + 3; ++k)
        flood.push_back(currentReply(currentController(ip(10, 1 + k / 62500, k / 250 % 250, k % 250), "NX-16",
                                                       QStringLiteral("unit %1").arg(k))));
    rig.injectBurst({flood.begin(), flood.begin() + 4000});
    rig.injectBurst({flood.begin() + 4000, flood.end()});
    QCOMPARE(rig.grid().rowCount(), kCap);
    QCOMPARE(labelText(rig), QStringLiteral("Found 10000 Device(s)"));
    QCOMPARE(dropped->text(), QStringLiteral("Replies dropped, list full (10000 controllers): 3"));
    // The first replies are the ones listed.
    QVERIFY(rig.form->controllers().containsIP(ip(10, 1, 0, 0)));
    QVERIFY(!rig.form->controllers().containsIP(ip(10, 1, 40, 2)));
    QVERIFY(rig.rowMapInStep());

    // A search empties the list, not the count of the run.
    QTest::mouseClick(control<QPushButton>(*rig.form, "Net_Search"), Qt::LeftButton);
    rig.inject(flood.back());
    QCOMPARE(rig.grid().rowCount(), 1);
    QCOMPARE(dropped->text(), QStringLiteral("Replies dropped, list full (10000 controllers): 3"));
}

// ---- auto-poll -------------------------------------------------------------------------

void TestMainWindow::autoPollPollsWhileChecked() {
    AppRig rig(Branding{0, {2, 3, 23}, true}); // the controls are on the Diagnostics tab
    TForm1& form = *rig.form;
    control<QTabWidget>(form, "tabControl1")->setCurrentIndex(1);
    auto* box = control<QCheckBox>(form, "checkBoxAutoPoll");
    auto* interval = control<QSpinBox>(form, "numAutoPollTime");

    // Changing the interval while unchecked does not start anything.
    interval->setValue(20);
    QCOMPARE(form.AutoPollTimer->interval(), 20);
    QVERIFY(!form.AutoPollTimer->isActive());

    rig.inject(currentReply(currentController(ip(10, 0, 0, 1), "NX-16", "a")));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QVERIFY(form.AutoPollTimer->isActive());
    QTRY_VERIFY(rig.endpoint.sent().size() >= 2);
    for (const auto& s : rig.endpoint.sent()) {
        QCOMPARE(s.ip, QStringLiteral("255.255.255.255"));
        QCOMPARE(s.bytes, pollPacket());
    }
    QCOMPARE(rig.grid().rowCount(), 0); // each tick is a full search

    // A failing send during auto-poll is silent.
    rig.endpoint.failNextSends(1);
    const int before = rig.endpoint.sent().size();
    QTRY_VERIFY(rig.endpoint.sent().size() > before + 1);
    QVERIFY(rig.services.messages.isEmpty());

    // The interval changes while running, without unchecking.
    interval->setValue(5000);
    QCOMPARE(form.AutoPollTimer->interval(), 5000);
    QVERIFY(form.AutoPollTimer->isActive());

    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!box->isChecked());
    QVERIFY(!form.AutoPollTimer->isActive());
}

// ---- diagnostics, test announce, help and about --------------------------------------------

void TestMainWindow::diagnosticMessagesAreCollectedWhileTheTabIsHidden() {
    AppRig rig; // DevBuild false: the tab is hidden
    QVERIFY(!control<QTabWidget>(*rig.form, "tabControl1")->isTabVisible(1));
    vantrel::protocol::DiagnosticMessage msg;
    msg.mac = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    msg.ip = {10, 0, 0, 7};
    msg.model = u"NX-16";
    msg.nickname = u"<b>x";
    msg.firmware = u"V1.0.0";
    msg.severity = 1;
    msg.message = u"first";
    rig.inject(vantrel::protocol::encodeDiagnosticMessage(msg));
    msg.message = u"second";
    rig.inject(vantrel::protocol::encodeDiagnosticMessage(msg));
    // The tool's own identify broadcast (19 bytes, the same opcode) is no message.
    vantrel::protocol::Bytes identify(19, 0);
    std::copy_n("Qorvanix", 8, identify.begin());
    identify[10] = 10;
    identify[11] = 8;
    rig.inject(identify);

    auto* grid = control<vantrel::diagnostics::DiagnosticGrid>(*rig.form, "gridDiagnostic");
    QCOMPARE(grid->rowCount(), 2);
    using vantrel::diagnostics::DiagnosticModel;
    QCOMPARE(grid->cellText(0, DiagnosticModel::ColMessage), QStringLiteral("second"));
    QCOMPARE(grid->cellText(1, DiagnosticModel::ColMessage), QStringLiteral("first"));
    QVERIFY(grid->cellText(0, DiagnosticModel::ColDevice).contains("0A-1B-2C-3D-4E-5F"));
    QCOMPARE(rig.grid().rowCount(), 0); // no device row from a diagnostic message
}

void TestMainWindow::testAnnounceUpdatesTheRecord() {
    AppRig rig;
    rig.inject(currentReply(currentController(ip(10, 0, 0, 5), "NX-16", "a")));
    QSignalSpy spy(rig.form.get(), &TForm1::testAnnounceApplied);
    vantrel::protocol::TestAnnounce announce;
    announce.ip = {10, 0, 0, 5};
    announce.mode = 3;
    announce.cols = {1, 2, 3, 4};
    announce.hasWhite = true;
    rig.inject(vantrel::protocol::encodeTestAnnounce(announce, 8, rig.form->controllers().at(0).MAC));
    QCOMPARE(rig.form->controllers().at(0).TestMode, 3);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toInt(), 0);
}

void TestMainWindow::helpAndAbout_data() {
    QTest::addColumn<int>("brand");
    QTest::addColumn<QString>("aboutClass"); // empty: no About window
    QTest::newRow("0") << 0 << "vantrel::diagnostics::TAboutWin";
    QTest::newRow("1") << 1 << "vantrel::diagnostics::TAboutWinBrand1";
    QTest::newRow("2") << 2 << "vantrel::diagnostics::TAboutWinBrand2";
    QTest::newRow("4") << 4 << "vantrel::diagnostics::TAboutWinBrand4";
    QTest::newRow("5") << 5 << "";
}

void TestMainWindow::helpAndAbout() {
    QFETCH(int, brand);
    QFETCH(QString, aboutClass);
    AppRig rig(Branding{static_cast<std::uint8_t>(brand), {2, 3, 23}, false});

    rig.form->btnAboutClick();
    if (aboutClass.isEmpty()) {
        QVERIFY(rig.services.modals.isEmpty());
    } else {
        QCOMPARE(rig.services.modals.size(), 1);
        QCOMPARE(rig.services.modals.first().className, aboutClass);
    }

    if (brand == 0 || brand == 4) {
        rig.services.queueOpenResult(vantrel::ui::OpenResult::NoApplication);
        QTest::mouseClick(control<QPushButton>(*rig.form, "btnHelp"), Qt::LeftButton);
        if (brand == 4) {
            QCOMPARE(rig.services.openedUrls, QStringList{vantrel::app::kBrand4SupportUrl});
            QVERIFY(rig.services.openedFiles.isEmpty());
            QVERIFY(rig.services.messages.isEmpty());
        } else {
            QCOMPARE(rig.services.openedFiles, QStringList{vantrel::diagnostics::guidePath()});
            QCOMPARE(rig.services.messages.size(), 1);
            QCOMPARE(rig.services.messages.first().text,
                     QStringLiteral("A pdf application such as Adobe Reader is required."));
        }
    }
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
