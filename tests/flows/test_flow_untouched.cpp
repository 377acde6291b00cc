// Opening a controller and pressing OK without an edit sends it its own
// settings, whatever controller the reused windows showed before: the users'
// reports, then the property over a table of controllers of both families,
// each opened after every other kind.

#include <QLocale>
#include <QTest>
#include <algorithm>
#include <array>
#include <vector>

#include "FlowRig.h"
#include "UntouchedConfig.h"

using namespace flowtest;
namespace model = vantrel::model;

Q_DECLARE_METATYPE(vantrel::model::TNodaluxCtrl)

namespace {

// --- the users' reports ------------------------------------------------------

// A current controller whose chip lets the user choose RGB or RGBW (DriverType 2).
TNodaluxCtrl eitherTypeController(std::uint8_t ledType, std::uint16_t startChannel) {
    TNodaluxCtrl r = currentController();
    r.DriverChip = 0; // "WS2811", DriverType 2
    r.LedType = ledType;
    r.AdvChan[0] = startChannel;
    return r;
}

// A legacy SK6812 (chip 12) on firmware 1.4.11, where the user chooses the LED type.
TNodaluxCtrl legacySk6812(std::uint8_t ledType, std::uint16_t startChannel) {
    TNodaluxCtrl r = legacyController(u"V1.4.11");
    r.DriverChip = 12;
    r.LedType = ledType;
    r.SacnChan = startChannel;
    return r;
}

// --- the property's table ----------------------------------------------------

// The axes. Every row of the table is one combination; every other field of
// a row's record varies with the row's number, so that a value left behind by
// the controller before shows in the packet.
constexpr std::uint8_t kUnknownDriverType = 9;
constexpr std::uint8_t kDriverTypes[] = {0, 1, 2, kUnknownDriverType};
constexpr std::uint8_t kLedTypes[] = {0, 1};
constexpr std::uint16_t kStartChannels[] = {1, 4, 5, 7, 9, 508, 509};
constexpr bool kSimpleModes[] = {true, false};
constexpr std::uint8_t kLegacyChips[] = {0, 4, 12};
const std::u16string_view kLegacyFirmwares[] = {u"V1.2.8", u"V1.3.1", u"V1.4.4", u"V1.4.11"};
// Current RGB, current RGBW, then each legacy chip with RGB and with RGBW.
constexpr int kKinds = 2 + 2 * static_cast<int>(std::size(kLegacyChips));

const std::u16string_view kLegacyModels[] = {u"Nodalux 16", u"Nodalux 16 Long Range", u"Nodalux 4 Rugged",
                                             u"Arvello 16"};
constexpr std::int32_t kPixelCounts[] = {1, 50, 170, 300};
// The six colour orders in the position form (place of red, green, blue).
constexpr std::array<std::array<std::uint8_t, 3>, 6> kPositionTriples = {
    {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {2, 0, 1}, {1, 2, 0}, {2, 1, 0}}};

struct Row {
    bool legacy = false;
    std::uint8_t driverType = 0; // current family: the chosen chip's DriverType
    std::uint8_t chip = 0;       // legacy family: the chip code
    int firmware = 0;             // legacy family: index in kLegacyFirmwares
    std::uint8_t ledType = 0;
    std::uint16_t startChannel = 1;
    bool simple = true;
    int number = 0; // position in the table; varies every other field

    std::u16string_view firmwareText() const { return kLegacyFirmwares[static_cast<std::size_t>(firmware)]; }

    // The kind of controller: its family and LED type and, for a legacy one,
    // its chip. Each kind holds as many rows as the next (56), so that every
    // row can be opened after each kind in as many openings as there are
    // rows times kinds.
    int kind() const {
        if (!legacy) return ledType;
        const auto chipIndex = std::find(std::begin(kLegacyChips), std::end(kLegacyChips), chip) - std::begin(kLegacyChips);
        return 2 + static_cast<int>(chipIndex) * 2 + ledType;
    }
    QString name() const {
        const QString mode = simple ? QStringLiteral("simple") : QStringLiteral("advanced");
        if (legacy)
            return QStringLiteral("legacy chip %1 %2 LedType %3 channel %4 %5 (row %6)")
                .arg(chip)
                .arg(QString::fromStdU16String(std::u16string(firmwareText())))
                .arg(ledType)
                .arg(startChannel)
                .arg(mode)
                .arg(number);
        return QStringLiteral("current DriverType %1 LedType %2 channel %3 %4 (row %5)")
            .arg(driverType)
            .arg(ledType)
            .arg(startChannel)
            .arg(mode)
            .arg(number);
    }
};

std::vector<Row> propertyTable() {
    std::vector<Row> rows;
    auto add = [&rows](Row row) {
        row.number = static_cast<int>(rows.size());
        rows.push_back(row);
    };
    for (const std::uint8_t type : kDriverTypes)
        for (const std::uint8_t led : kLedTypes)
            for (const std::uint16_t channel : kStartChannels)
                for (const bool simple : kSimpleModes)
                    add({.driverType = type, .ledType = led, .startChannel = channel, .simple = simple});
    for (const std::uint8_t chip : kLegacyChips)
        for (int fw = 0; fw < static_cast<int>(std::size(kLegacyFirmwares)); ++fw)
            for (const std::uint8_t led : kLedTypes)
                for (const std::uint16_t channel : kStartChannels)
                    for (const bool simple : kSimpleModes)
                        add({.legacy = true,
                             .chip = chip,
                             .firmware = fw,
                             .ledType = led,
                             .startChannel = channel,
                             .simple = simple});
    return rows;
}

template <class T, std::size_t N> T pick(const T (&values)[N], int k) { return values[static_cast<std::size_t>(k) % N]; }

// Fields both families share, varied by the row's number n.
void varyCommonFields(TNodaluxCtrl& r, const Row& row) {
    const int n = row.number;
    r.MAC[5] = static_cast<std::uint8_t>(n);
    r.DHCP = static_cast<std::uint8_t>(n % 2);
    r.StaticIP = {10, static_cast<std::uint8_t>(n / 250), static_cast<std::uint8_t>(n % 250), 7};
    r.SM = {255, 255, static_cast<std::uint8_t>(n % 2 ? 0 : 255), 0};
    r.Protocol = static_cast<std::uint8_t>(n % 3);
    r.HoldLastFrame = static_cast<std::uint8_t>(n / 2 % 2);
    r.DmxOutOn = {static_cast<std::uint8_t>(n % 2), static_cast<std::uint8_t>(n / 2 % 2), 1, 0};
    for (std::size_t j = 0; j < r.DmxOutUniv.size(); ++j) r.DmxOutUniv[j] = static_cast<std::uint16_t>(100 + n + j);
    r.CondensedMode = static_cast<std::uint8_t>(n / 3 % 2);
    r.FanTemp = static_cast<std::uint8_t>(20 + n % 40);
    r.HwRev = static_cast<std::uint8_t>(3 + n % 4); // the fan row from 5
    // Equal gammas (the lock on) in every fourth row.
    for (std::size_t c = 0; c < r.Gamma.size(); ++c)
        r.Gamma[c] = static_cast<std::uint8_t>(10 + (n % 4 == 0 ? n : n + 7 * static_cast<int>(c)) % 21);
    model::setNickname(r, u"Row " + std::u16string(QString::number(n).toStdU16String()));
    for (std::size_t i = 0; i < model::kMaxOutputs; ++i) {
        const int k = n + static_cast<int>(i);
        r.NumNodes[i] = pick(kPixelCounts, k);
        r.AdvUniv[i] = static_cast<std::uint16_t>(1 + n % 9 + i);
        r.AdvChan[i] = i == 0 ? row.startChannel : pick(kStartChannels, k);
        r.AdvNull[i] = static_cast<std::uint8_t>(k % 3);
        r.AdvZig[i] = static_cast<std::uint16_t>(k % 5);
        r.AdvReverse[i] = static_cast<std::uint8_t>(k % 2);
        r.Grouping[i] = static_cast<std::uint16_t>(1 + k % 4);
        r.Brightness[i] = static_cast<std::uint8_t>(40 + k % 61);
        // One order for every output in odd rows, one per output in even rows.
        r.AdvRgbOrder[i] = static_cast<std::uint8_t>(n % 2 ? n % 6 : k % 6);
    }
}

TNodaluxCtrl currentRowRecord(const Row& row) {
    const int n = row.number;
    TNodaluxCtrl r = currentController();
    varyCommonFields(r, row);
    r.QorvanaProtVer = static_cast<std::uint8_t>(5 + n % 4); // white gamma from 6
    r.Brand = static_cast<std::uint8_t>(n / 3 % 2);
    r.NumStrings = n % 2 ? 4 : 16;
    r.DMXOutputs = static_cast<std::uint8_t>(n % 5);
    r.DmxSacnCapable = n % 3 != 0;
    r.DmxArtNetCapable = n % 2 != 0;
    // Three drivers; the chosen one (DriverChip) has the row's LED type code
    // and a speed and output-mode code of its own.
    r.NumDrivers = 3;
    r.DriverNameLength = 6;
    r.DriverNames = {u"CHIP-A", u"CHIP-B", u"CHIP-C"};
    r.DriverChip = static_cast<std::uint8_t>(n % 3);
    r.DriverType = {1, 0, 2};
    r.DriverSpeed = {3, 3, 3};
    r.DriverExpandable = {0, 0, 0};
    const std::size_t chip = r.DriverChip;
    r.DriverType[chip] = row.driverType;
    r.DriverSpeed[chip] = static_cast<std::uint8_t>(n / 2 % 5);     // 4: the clock track
    r.DriverExpandable[chip] = static_cast<std::uint8_t>(n / 5 % 3); // 1: expandable
    r.ProtocolSpeed = static_cast<std::uint8_t>(r.DriverSpeed[chip] == 4 ? n % 12 : n / 7 % 2);
    r.LedType = row.ledType;
    // Bits other than bit 0 go back as the controller reported them.
    r.SimpleConfig = static_cast<std::uint8_t>((row.simple ? 1 : 0) | (n % 2 ? 0x40 : 0x02) | (n % 3 ? 0 : 0x38));
    return r;
}

TNodaluxCtrl legacyRowRecord(const Row& row) {
    const int n = row.number;
    const std::u16string_view model = pick(kLegacyModels, n);
    TNodaluxCtrl r = legacyController(std::u16string(row.firmwareText()), std::u16string(model));
    varyCommonFields(r, row);
    r.NumStrings = model == u"Nodalux 4 Rugged" ? 4 : 16;
    r.DriverChip = row.chip;
    r.LedType = row.ledType;
    r.ProtocolSpeed = static_cast<std::uint8_t>(n / 7 % 2);
    r.SacnUniv = row.simple ? static_cast<std::uint16_t>(1 + n % 9) : 0;
    r.SacnChan = row.simple ? row.startChannel : 0;
    r.DmxMix = static_cast<std::uint8_t>(n);
    r.MixMode = static_cast<std::uint8_t>(n / 2);
    r.DmxStart = static_cast<std::uint16_t>(n * 3);
    if (model::firmwareAtLeast(row.firmwareText(), 1, 3, 1)) {
        // Per output in every third row, else one order as an index (the other two bytes kept).
        r.RgbOrder = n % 3 == 0 ? std::array<std::uint8_t, 3>{255, 255, 255}
                                : std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(n % 6), 7, 9};
    } else {
        r.RgbOrder = kPositionTriples[static_cast<std::size_t>(n % 6)];
    }
    return r;
}

TNodaluxCtrl rowRecord(const Row& row) { return row.legacy ? legacyRowRecord(row) : currentRowRecord(row); }

// The order of opening: one session per pass, in which every row is opened
// once, after a row of another kind each pass (its own kind in pass 0), so
// that over all passes every row follows every kind. In pass p a row of kind
// k follows one of kind (k + p) mod K: the kinds are walked in cycles of step
// -p, each cycle opened by a row of the kind its first row must follow.
// Empty when the kinds do not hold equally many rows.
std::vector<std::vector<int>> openingOrder(const std::vector<Row>& rows) {
    std::vector<std::vector<int>> byKind(kKinds);
    for (const Row& row : rows) byKind[static_cast<std::size_t>(row.kind())].push_back(row.number);
    const std::size_t perKind = byKind[0].size();
    for (const auto& group : byKind)
        if (group.size() != perKind) return {};

    std::vector<std::vector<int>> passes;
    for (int p = 0; p < kKinds; ++p) {
        std::vector<int> pass;
        std::vector<bool> walked(kKinds, false);
        for (int start = 0; start < kKinds; ++start) {
            if (walked[static_cast<std::size_t>(start)]) continue;
            std::vector<int> cycle;
            for (int k = start; !walked[static_cast<std::size_t>(k)]; k = ((k - p) % kKinds + kKinds) % kKinds) {
                walked[static_cast<std::size_t>(k)] = true;
                cycle.push_back(k);
            }
            pass.push_back(byKind[static_cast<std::size_t>((start + p) % kKinds)].back());
            for (std::size_t i = 0; i < perKind; ++i)
                for (const int k : cycle) pass.push_back(byKind[static_cast<std::size_t>(k)][i]);
        }
        passes.push_back(std::move(pass));
    }
    return passes;
}

} // namespace

class TestFlowUntouched : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void usersReports_data();
    void usersReports();
    void untouchedOkSendsTheRecord();
    void valuesTheWindowCannotShowStay_data();
    void valuesTheWindowCannotShowStay();
    void windowDoesNotDependOnTheControllerBefore_data();
    void windowDoesNotDependOnTheControllerBefore();
    void userChipChangeStillRealignsTheStartChannel_data();
    void userChipChangeStillRealignsTheStartChannel();
};

void TestFlowUntouched::usersReports_data() {
    QTest::addColumn<QList<TNodaluxCtrl>>("before");
    QTest::addColumn<TNodaluxCtrl>("controller");

    QTest::newRow("RGBW from channel 5, first of the session") << QList<TNodaluxCtrl>{} << eitherTypeController(1, 5);
    TNodaluxCtrl rgbw = eitherTypeController(1, 5);
    rgbw.CurrentIP[3] = 51;
    rgbw.MAC[5] = 0x5F;
    QTest::newRow("RGB from channel 4, after an RGBW one") << QList<TNodaluxCtrl>{rgbw} << eitherTypeController(0, 4);
    QTest::newRow("legacy SK6812 RGBW from channel 5 on V1.4.11")
        << QList<TNodaluxCtrl>{} << legacySk6812(1, 5);
}

void TestFlowUntouched::usersReports() {
    QFETCH(QList<TNodaluxCtrl>, before);
    QFETCH(TNodaluxCtrl, controller);
    FlowRig rig;
    for (const TNodaluxCtrl& r : before) {
        rig.whileOpen([] {});
        rig.open(r);
    }
    rig.endpoint.clearSent();
    rig.whileOpen([] {});
    rig.open(controller);
    QCOMPARE(rig.sent().size(), 1);
    COMPARE_BYTES(rig.sent()[0].bytes, untouchedConfig(controller));
}

void TestFlowUntouched::untouchedOkSendsTheRecord() {
    const std::vector<Row> rows = propertyTable();
    const auto passes = openingOrder(rows);
    QVERIFY2(!passes.empty(), "the kinds of controller must hold equally many rows");

    int checks = 0;
    QStringList failures;
    for (const std::vector<int>& pass : passes) {
        FlowRig rig; // a new session: the pass's first controller is the session's first
        const Row* before = nullptr;
        for (const int index : pass) {
            const Row& row = rows[static_cast<std::size_t>(index)];
            const TNodaluxCtrl r = rowRecord(row);
            rig.endpoint.clearSent();
            rig.services.clearRecord();
            rig.pressOkUntouched();
            rig.open(r);
            ++checks;
            const QByteArray expected = untouchedConfig(r);
            const bool sentOnce = rig.sent().size() == 1;
            // The command line's restore sends what the core says a configuration carries: it must be the same.
            const auto asSent = vantrel::protocol::buildConfigAsSent(r);
            const QByteArray core = asSent ? QByteArray(reinterpret_cast<const char*>(asSent->data()),
                                                        static_cast<qsizetype>(asSent->size()))
                                           : QByteArray();
            if (core != expected) {
                failures << QStringLiteral("%1: the core's configuration differs from the window's:\n%2")
                                .arg(row.name(), hexDiff(core, expected));
            }
            if (!sentOnce || rig.sent()[0].bytes != expected) {
                failures << QStringLiteral("%1, after %2:\n%3")
                                .arg(row.name(), before ? before->name() : QStringLiteral("nothing (first of the session)"),
                                     sentOnce ? hexDiff(rig.sent()[0].bytes, expected)
                                              : QStringLiteral("  %1 packets sent\n").arg(rig.sent().size()));
            }
            before = &row;
        }
    }
    constexpr int kShown = 5;
    QVERIFY2(failures.isEmpty(), qPrintable(QStringLiteral("%1 of %2 untouched OKs sent other bytes; the first:\n%3")
                                                .arg(failures.size())
                                                .arg(checks)
                                                .arg(failures.mid(0, kShown).join(QString()))));
}

// Values that a rule of the window, or a control that cannot show them, used
// to replace on an untouched OK.
void TestFlowUntouched::valuesTheWindowCannotShowStay_data() {
    QTest::addColumn<TNodaluxCtrl>("controller");

    // An expandable driver in Normal mode: 4 of 8 outputs in use, which agree
    // on one order; the other four have another.
    TNodaluxCtrl expandable = currentController();
    expandable.NumStrings = 8;
    expandable.DriverExpandable = {1, 0};
    for (std::size_t i = 0; i < 8; ++i) expandable.AdvRgbOrder[i] = i < 4 ? 2 : 5;
    QTest::newRow("orders of outputs out of use") << expandable;

    TNodaluxCtrl unoffered = currentController();
    unoffered.AdvRgbOrder = {1, 2, 30, 3};
    QTest::newRow("an order the RGB list does not offer") << unoffered;

    TNodaluxCtrl legacyCode = legacyController(u"V1.4.11");
    legacyCode.LedType = 2;
    QTest::newRow("legacy LED type code 2") << legacyCode;

    TNodaluxCtrl noOrder = legacyController(u"V1.2.8");
    noOrder.RgbOrder = {0, 0, 0}; // places that name no order; shown as "R-B-G"
    QTest::newRow("colour places that name no order") << noOrder;

    TNodaluxCtrl currentCode = currentController();
    currentCode.DriverChip = 1; // RGBW only: shown as RGBW
    currentCode.LedType = 3;
    QTest::newRow("LED type code 3") << currentCode;

    TNodaluxCtrl noGrouping = legacyController(u"V1.4.3");
    noGrouping.SacnUniv = 0;
    noGrouping.SacnChan = 0;
    noGrouping.Grouping.fill(3);
    noGrouping.Brightness.fill(40);
    QTest::newRow("grouping and intensity below 1.4.4") << noGrouping;

    TNodaluxCtrl advancedBits = currentController();
    advancedBits.SimpleConfig = 0x38; // advanced, with bits 3 to 5 as reported
    QTest::newRow("bits of an advanced controller's mode byte") << advancedBits;
}

void TestFlowUntouched::valuesTheWindowCannotShowStay() {
    QFETCH(TNodaluxCtrl, controller);
    FlowRig rig;
    rig.whileOpen([] {});
    rig.open(controller);
    QCOMPARE(rig.sent().size(), 1);
    COMPARE_BYTES(rig.sent()[0].bytes, untouchedConfig(controller));
}

namespace {

// What the configuration window shows: every control's visibility and
// enabling and, for the controls shown, their check, caption, text and
// selection. The controls of a tab the user cannot open are left out.
QStringList windowState(const TNodaluxConfig& w) {
    const bool testTabOpens = w.TabControl1->isTabEnabled(w.TabControl1->indexOf(w.tabTest));
    QStringList state;
    for (const QWidget* c : w.findChildren<QWidget*>()) {
        if (c->objectName().isEmpty() || (!testTabOpens && w.tabTest->isAncestorOf(c))) continue;
        QString line = c->objectName() + (shown(c) ? " shown" : " hidden") + (c->isEnabled() ? " enabled" : " disabled");
        if (shown(c)) {
            if (const auto* b = qobject_cast<const QAbstractButton*>(c))
                line += (b->isChecked() ? " checked " : " clear ") + b->text();
            if (const auto* l = qobject_cast<const QLabel*>(c)) line += " " + l->text();
            if (const auto* e = qobject_cast<const QLineEdit*>(c)) line += " " + e->text();
            if (const auto* box = qobject_cast<const QComboBox*>(c))
                line += QStringLiteral(" %1 of %2").arg(box->currentIndex()).arg(box->count());
            if (const auto* s = qobject_cast<const QSlider*>(c))
                line += QStringLiteral(" %1 in %2..%3").arg(s->value()).arg(s->minimum()).arg(s->maximum());
        }
        state << line;
    }
    return state;
}

// Controllers that leave the window in different states.
QList<TNodaluxCtrl> earlierControllers() {
    QList<TNodaluxCtrl> before;
    TNodaluxCtrl fixed = currentController(); // RGBW only, no speed choice
    fixed.DriverChip = 1;
    fixed.LedType = 1;
    before << fixed;
    TNodaluxCtrl clock = currentController(); // RGB only, clock track, expandable
    clock.DriverType = {0, 1};
    clock.DriverSpeed = {4, 0};
    clock.DriverExpandable = {1, 0};
    clock.CondensedMode = 1;
    clock.ProtocolSpeed = 9;
    before << clock;
    TNodaluxCtrl fixedFast = currentController(); // condensable, fixed fast
    fixedFast.DriverSpeed = {2, 0};
    fixedFast.DriverExpandable = {2, 0};
    before << fixedFast;
    TNodaluxCtrl legacy = legacyController(u"V1.4.4", u"Nodalux 16 Long Range"); // SK6812 forced RGBW
    legacy.DriverChip = 12;
    legacy.LedType = 1;
    before << legacy;
    before << legacyController(u"V1.2.8"); // no speed choice
    for (int i = 0; i < before.size(); ++i) before[i].CurrentIP[3] = static_cast<std::uint8_t>(100 + i);
    return before;
}

} // namespace

void TestFlowUntouched::windowDoesNotDependOnTheControllerBefore_data() {
    QTest::addColumn<TNodaluxCtrl>("controller");
    TNodaluxCtrl noDrivers = currentController();
    noDrivers.NumDrivers = 0;
    noDrivers.DriverNames.clear();
    noDrivers.DriverType.clear();
    noDrivers.DriverSpeed.clear();
    noDrivers.DriverExpandable.clear();
    QTest::newRow("a controller with no drivers") << noDrivers;
    TNodaluxCtrl unknownCodes = currentController();
    unknownCodes.DriverType = {9, 1};
    unknownCodes.DriverSpeed = {9, 0};
    unknownCodes.DriverExpandable = {9, 0};
    QTest::newRow("a chip of unknown codes") << unknownCodes;
    TNodaluxCtrl chipBeyond = currentController();
    chipBeyond.DriverChip = 5; // not in its list
    QTest::newRow("a chip beyond the driver list") << chipBeyond;
    TNodaluxCtrl protocol5 = currentController();
    protocol5.QorvanaProtVer = 5;
    protocol5.DMXOutputs = 2;
    protocol5.NumBanks = 0;
    QTest::newRow("protocol 5 with DMX outputs and no banks") << protocol5;
    QTest::newRow("legacy on V1.2.8") << legacyController(u"V1.2.8");
    QTest::newRow("legacy long range on V1.4.11") << legacyController(u"V1.4.11", u"Nodalux 16 Long Range");
}

void TestFlowUntouched::windowDoesNotDependOnTheControllerBefore() {
    QFETCH(TNodaluxCtrl, controller);
    QStringList first;
    {
        FlowRig rig;
        rig.whileOpen([&] { first = windowState(rig.config); });
        rig.open(controller);
    }
    for (const TNodaluxCtrl& before : earlierControllers()) {
        FlowRig rig;
        rig.whileOpen([] {});
        rig.open(before);
        QStringList after;
        rig.whileOpen([&] { after = windowState(rig.config); });
        rig.open(controller);
        QCOMPARE(after, first);
        QCOMPARE(rig.sent().size(), 2);
        COMPARE_BYTES(rig.sent()[1].bytes, untouchedConfig(controller));
    }
}

// The fill leaves the start channel alone, but a chip the user chooses still
// moves it onto the pixel grid of the LED type that chip sets.
void TestFlowUntouched::userChipChangeStillRealignsTheStartChannel_data() {
    QTest::addColumn<TNodaluxCtrl>("controller");
    QTest::addColumn<int>("chip");
    QTest::addColumn<QString>("shownBefore");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<int>("ledTypeSent");
    // Channel 4 on the RGB grid; "SK6812" takes RGBW only: 4 becomes 5.
    QTest::newRow("current, to an RGBW-only chip") << eitherTypeController(0, 4) << 1 << "4" << "5" << 1;
    // Channel 5 on the RGBW grid of an SK6812 on V1.4.4 (RGBW forced); "WS2811/12" is RGB: 5 becomes 4.
    TNodaluxCtrl legacy = legacySk6812(1, 5);
    legacy.Firmware = u"V1.4.4";
    QTest::newRow("legacy, from SK6812 to WS2811/12") << legacy << 4 << "5" << "4" << 0;
}

void TestFlowUntouched::userChipChangeStillRealignsTheStartChannel() {
    QFETCH(TNodaluxCtrl, controller);
    QFETCH(int, chip);
    QFETCH(QString, shownBefore);
    QFETCH(QString, shownAfter);
    QFETCH(int, ledTypeSent);
    FlowRig rig;
    QString before;
    QString after;
    rig.whileOpen([&] {
        before = rig.config.txtStartChan->text();
        rig.config.comboChip->setCurrentIndex(chip);
        after = rig.config.txtStartChan->text();
    });
    rig.open(controller);
    QCOMPARE(before, shownBefore);
    QCOMPARE(after, shownAfter);
    QCOMPARE(rig.sent().size(), 1);
    const QByteArray p = rig.sent()[0].bytes;
    if (isLegacy(controller)) {
        QCOMPARE(u16At(p, 120), shownAfter.toInt()); // SacnChan
        QCOMPARE(u8At(p, 337), ledTypeSent);         // LedType
    } else {
        QCOMPARE(u16At(p, 30 + 4 * controller.NumStrings), shownAfter.toInt()); // AdvChan[0]
        QCOMPARE(u8At(p, p.size() - 41 - 8 + 1), ledTypeSent);                  // LedType (P + 1)
    }
}

QTEST_MAIN(TestFlowUntouched)
#include "test_flow_untouched.moc"
