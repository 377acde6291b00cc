// The read-back on OK (protocol 5 and later) and the configuration packet it
// produces, as the fake endpoint captured it: the simple-mode universe
// layout, the advanced per-output mapping, nickname and fan rules, fields the
// fill did not set for this controller, and a failed conversion.

#include <QLocale>
#include <QTest>

#include "FlowRig.h"

using namespace flowtest;

namespace {

// Offsets of the current configuration layout for N outputs and D DMX outputs.
struct Layout {
    int n, d, version;
    int numNodes() const { return 30; }
    int advUniv() const { return 30 + 2 * n; }
    int advChan() const { return 30 + 4 * n; }
    int advNull() const { return 30 + 6 * n; }
    int advZig() const { return 30 + 7 * n; }
    int advReverse() const { return 30 + 9 * n; }
    int advRgbOrder() const { return 30 + 10 * n; }
    int grouping() const { return 30 + 11 * n; }
    int brightness() const { return 30 + 13 * n; }
    int p() const { return 30 + 14 * n + 3 * d; }
    int nickname() const { return p() + (version >= 6 ? 8 : 7); }
    int fan() const { return nickname() + 40; }
};
const Layout kFour{4, 0, 8}; // currentController()

// The one configuration packet sent, or an empty array (and a failure) otherwise.
QByteArray onlyPacket(const FlowRig& rig) {
    if (rig.sent().size() != 1) {
        qWarning("expected one packet, %d sent", int(rig.sent().size()));
        return {};
    }
    return rig.sent()[0].bytes;
}

} // namespace

class TestFlowReadBack : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void wholePacketAfterEdits();
    void simpleModeLayout_data();
    void simpleModeLayout();
    void advancedModePerOutput();
    void nicknameKeeps39Characters();
    void fanTextNotANumberStores35();
    void clockSpeedFromTheTrack();
    void fieldsTheFillDidNotSetKeepTheRecordsValues();
    void ledTypeTheUserChangesIsTaken();
    void failedConversionSendsNothing_data();
    void failedConversionSendsNothing();
    void protocolAbove8UpdatesButSendsNothing();
};

void TestFlowReadBack::wholePacketAfterEdits() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.QorvanaProtVer = 6;
    r.NumStrings = 2;
    r.DMXOutputs = 1;
    r.DmxOutOn = {0, 0, 0, 0};
    r.DmxOutUniv = {5, 0, 0, 0};
    r.SimpleConfig = 0x41; // simple, with another bit the controller set
    r.Gamma = {22, 22, 24, 18};
    r.AdvRgbOrder.fill(1);
    rig.whileOpen([&] {
        typeAndLeave(rig.edit(QStringLiteral("txtStartUniv")), QStringLiteral("3"));
        typeAndLeave(rig.edit(QStringLiteral("txtNodes")), QStringLiteral("170"));
        click(rig.button(QStringLiteral("checkHoldFrame")));
        click(rig.button(QStringLiteral("switchOut1")));
        typeAndLeave(rig.edit(QStringLiteral("txtOut1")), QStringLiteral("9"));
        rig.config.comboRGB->setCurrentIndex(2);
        typeAndLeave(rig.edit(QStringLiteral("txtGammaRed")), QStringLiteral("2.5"));
        typeAndLeave(rig.edit(QStringLiteral("txtNickname")), QStringLiteral("Bar"));
    });
    rig.open(r);

    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("192.168.1.50"));
    const QByteArray expected = QByteArray("Qorvanix", 8) +
                                QByteArray::fromHex("00"           // header NUL
                                                    "0005"         // opcode: configuration
                                                    "06"           // protocol version, echoed
                                                    "001a2b3c4d5e" // MAC
                                                    "00"           // DHCP: static
                                                    "c0a80132"     // static address 192.168.1.50
                                                    "ffffff00"     // mask
                                                    "00"           // protocol: sACN
                                                    "01"           // hold last frame: now on
                                                    "41"           // simple, other bits kept
                                                    "00aa00aa"     // pixels: 170, 170
                                                    "00030004"     // start universes: 3, then 4
                                                    "00010001"     // start channels: 1, 1
                                                    "0000"         // null pixels
                                                    "00000000"     // zig-zag
                                                    "0000"         // reversed
                                                    "0202"         // colour order: item 2 for both
                                                    "00010001"     // grouping, kept
                                                    "6464"         // intensity 100 %, kept
                                                    "01"           // DMX output 1 on
                                                    "0009"         // DMX output 1 universe 9
                                                    "00"           // driver chip 0
                                                    "00"           // LED type RGB
                                                    "01"           // speed: fast
                                                    "00"           // normal mode
                                                    "191618"       // gamma 2.5, 2.2, 2.4
                                                    "12") +        // white gamma 1.8 (protocol 6)
                                QByteArray("Bar") + QByteArray(37, '\0') + // nickname, 40 bytes
                                QByteArray::fromHex("28");                 // fan fully on at 40 °C
    COMPARE_BYTES(rig.sent()[0].bytes, expected);
    QCOMPARE(rig.services.sleeps, QList<int>{200});
    QCOMPARE(rig.searches, QList<bool>{true});
}

void TestFlowReadBack::simpleModeLayout_data() {
    QTest::addColumn<bool>("rgbw");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QList<int>>("starts"); // universe, channel of outputs 0..3
    QTest::newRow("RGB 170: a universe each") << false << 170 << QList<int>{1, 1, 2, 1, 3, 1, 4, 1};
    QTest::newRow("RGB 171: spills 3 channels") << false << 171 << QList<int>{1, 1, 2, 4, 3, 7, 4, 10};
    QTest::newRow("RGB 100") << false << 100 << QList<int>{1, 1, 1, 301, 2, 91, 2, 391};
    QTest::newRow("RGBW 128: a universe each") << true << 128 << QList<int>{1, 1, 2, 1, 3, 1, 4, 1};
}

void TestFlowReadBack::simpleModeLayout() {
    QFETCH(bool, rgbw);
    QFETCH(int, pixels);
    QFETCH(QList<int>, starts);
    FlowRig rig;
    rig.whileOpen([&] {
        if (rgbw) click(rig.button(QStringLiteral("radioRGBW")));
        typeAndLeave(rig.edit(QStringLiteral("txtStartUniv")), QStringLiteral("1"));
        typeAndLeave(rig.edit(QStringLiteral("txtStartChan")), QStringLiteral("1"));
        typeAndLeave(rig.edit(QStringLiteral("txtNodes")), QString::number(pixels));
    });
    rig.open(currentController());
    const QByteArray p = onlyPacket(rig);
    QVERIFY(!p.isEmpty());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(u16At(p, kFour.numNodes() + 2 * i), pixels);
        QCOMPARE(u16At(p, kFour.advUniv() + 2 * i), starts[2 * i]);
        QCOMPARE(u16At(p, kFour.advChan() + 2 * i), starts[2 * i + 1]);
    }
    QCOMPARE(u8At(p, kFour.p() + 1), rgbw ? 1 : 0);
}

void TestFlowReadBack::advancedModePerOutput() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.SimpleConfig = 0x41;
    rig.searchEmptiesList = false;
    rig.whileOpen([&] {
        click(rig.button(QStringLiteral("checkAdv")));
        rig.services.queueModal([&](QDialog& d) {
            TNodaluxAdv& adv = static_cast<TNodaluxAdv&>(d);
            typeAndLeave(adv.universes[1], QStringLiteral("12"));
            typeAndLeave(adv.channels[1], QStringLiteral("7"));
            typeAndLeave(adv.nodes[1], QStringLiteral("300"));
            typeAndLeave(adv.null[1], QStringLiteral("3"));
            typeAndLeave(adv.zig[1], QStringLiteral("20"));
            typeAndLeave(adv.grouping[1], QStringLiteral("2"));
            typeAndLeave(adv.brightness[1], QStringLiteral("60"));
            click(adv.reverse[1]);
            click(adv.btnOK);
            return d.result();
        });
        click(rig.button(QStringLiteral("btnAdvanced")));
    });
    rig.open(r);

    const QByteArray p = onlyPacket(rig);
    QVERIFY(!p.isEmpty());
    QCOMPARE(u8At(p, 29), 0x40); // advanced: bits 0, 3, 4, 5 cleared, bit 6 kept
    QCOMPARE(u16At(p, kFour.advUniv() + 2), 12);
    QCOMPARE(u16At(p, kFour.advChan() + 2), 7);
    QCOMPARE(u16At(p, kFour.numNodes() + 2), 300);
    QCOMPARE(u8At(p, kFour.advNull() + 1), 3);
    QCOMPARE(u16At(p, kFour.advZig() + 2), 20);
    QCOMPARE(u16At(p, kFour.grouping() + 2), 2);
    QCOMPARE(u8At(p, kFour.brightness() + 1), 60);
    QCOMPARE(u8At(p, kFour.advReverse() + 1), 1);
    // Output 0 as the record had it.
    QCOMPARE(u16At(p, kFour.advUniv()), 1);
    QCOMPARE(u16At(p, kFour.numNodes()), 50);
    QCOMPARE(rig.at(0).SacnUniv, 0);
    QCOMPARE(rig.at(0).SacnChan, 0);
}

void TestFlowReadBack::nicknameKeeps39Characters() {
    FlowRig rig;
    rig.searchEmptiesList = false;
    const QString fortyFive = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrs");
    QCOMPARE(fortyFive.size(), 45);
    // Pasted text is not held to the typing limit.
    rig.whileOpen([&] { rig.edit(QStringLiteral("txtNickname"))->setText(fortyFive); });
    rig.open(currentController());
    const QByteArray p = onlyPacket(rig);
    QCOMPARE(p.mid(kFour.nickname(), 40), fortyFive.left(39).toLatin1() + QByteArray(1, '\0'));
    QCOMPARE(vantrel::model::nicknameText(rig.at(0)), fortyFive.left(39).toStdU16String());
}

void TestFlowReadBack::fanTextNotANumberStores35() {
    FlowRig rig;
    // The window is closed without the edit having been left.
    rig.whileOpen([&] { rig.edit(QStringLiteral("txtFan"))->setText(QStringLiteral("hot")); });
    rig.open(currentController());
    QCOMPARE(u8At(onlyPacket(rig), kFour.fan()), 35);
}

void TestFlowReadBack::clockSpeedFromTheTrack() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.DriverSpeed = {4, 0}; // the first chip has an adjustable clock
    r.ProtocolSpeed = 6;
    rig.whileOpen([&] { rig.config.trackClockSpeed->setValue(10); });
    rig.open(r);
    QCOMPARE(u8At(onlyPacket(rig), kFour.p() + 2), 10);
}

void TestFlowReadBack::fieldsTheFillDidNotSetKeepTheRecordsValues() {
    FlowRig rig;
    rig.searchEmptiesList = false;
    // A first controller leaves its values in the reused controls: fan 50,
    // RGBW, two DMX outputs on, white gamma 3.0.
    TNodaluxCtrl first = currentController();
    first.DMXOutputs = 2;
    first.DmxOutOn = {1, 1, 0, 0};
    first.DmxOutUniv = {100, 101, 0, 0};
    first.Gamma = {22, 22, 22, 30};
    first.LedType = 1;
    rig.whileOpen([&] { typeAndLeave(rig.edit(QStringLiteral("txtFan")), QStringLiteral("50")); });
    rig.open(first);
    QCOMPARE(rig.config.txtFan->text(), QStringLiteral("50"));
    QVERIFY(rig.config.radioRGBW->isChecked());

    // The next controller: no fan row, a LED type the radios cannot show, no
    // DMX outputs, no white gamma (protocol 5).
    TNodaluxCtrl second = currentController();
    second.CurrentIP = {192, 168, 1, 51};
    second.MAC[5] = 0x77;
    second.QorvanaProtVer = 5;
    second.HwRev = 4;
    second.FanTemp = 42;
    second.LedType = 7;
    second.DmxOutOn = {0, 0, 1, 0};
    second.DmxOutUniv = {1, 2, 3, 4};
    second.Gamma = {22, 22, 22, 19};
    const int index = rig.add(second);
    rig.whileOpen([] {});
    rig.flow.NetCtrlSettings(index);

    const Layout five{4, 0, 5};
    const QByteArray p = rig.sent().value(1).bytes;
    QCOMPARE(p.size(), 78 + 14 * 4);
    QCOMPARE(u8At(p, five.fan()), 42);
    QCOMPARE(u8At(p, five.p() + 1), 7);
    const TNodaluxCtrl& after = rig.at(index);
    QCOMPARE(after.FanTemp, 42);
    QCOMPARE(after.LedType, 7);
    QVERIFY(after.DmxOutOn == second.DmxOutOn);
    QVERIFY(after.DmxOutUniv == second.DmxOutUniv);
    QCOMPARE(after.Gamma[3], 19);
}

void TestFlowReadBack::ledTypeTheUserChangesIsTaken() {
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.LedType = 7;
    rig.whileOpen([&] {
        // The radios show whatever was left; the user picks the other one.
        click(rig.button(rig.config.radioRGB->isChecked() ? QStringLiteral("radioRGBW") : QStringLiteral("radioRGB")));
    });
    const bool wasRgb = rig.config.radioRGB->isChecked();
    rig.open(r);
    QCOMPARE(u8At(onlyPacket(rig), kFour.p() + 1), wasRgb ? 1 : 0);
}

void TestFlowReadBack::failedConversionSendsNothing_data() {
    QTest::addColumn<QString>("control"); // in the configuration window, or "adv:" and a row edit
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("advanced");
    QTest::newRow("start universe") << "txtStartUniv" << "12x" << false;
    QTest::newRow("pixels") << "txtNodes" << "" << false;
    QTest::newRow("address octet") << "IP3" << "one" << false;
    QTest::newRow("gamma") << "txtGammaGreen" << "2,x" << false;
    QTest::newRow("DMX universe") << "txtOut2" << "9999999999" << false;
    QTest::newRow("advanced row") << "adv:editZig3" << "z" << true;
}

void TestFlowReadBack::failedConversionSendsNothing() {
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(bool, advanced);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.DMXOutputs = 2;
    if (advanced) r.SimpleConfig = 0;
    const int index = rig.add(r);
    const TNodaluxCtrl before = rig.at(index);
    rig.whileOpen([&] {
        // Fields read before the bad one are edited too: none of them may stick.
        typeAndLeave(rig.edit(QStringLiteral("txtNickname")), QStringLiteral("Changed"));
        click(rig.button(QStringLiteral("checkHoldFrame")));
        // The bad text is pasted and the window closed without leaving the edit.
        QLineEdit* bad = control.startsWith(QStringLiteral("adv:")) ? find<QLineEdit>(rig.adv, control.mid(4))
                                                                    : rig.edit(control);
        bad->setText(text);
    });
    rig.flow.NetCtrlSettings(index);

    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.searches.isEmpty());
    QVERIFY(rig.services.sleeps.isEmpty());
    QVERIFY(rig.at(index) == before);
    QCOMPARE(rig.services.messages.size(), 1);
    QCOMPARE(rig.services.messages[0].kind, MessageKind::Error);
    QVERIFY2(rig.services.messages[0].text.contains(QStringLiteral("'%1'").arg(text)),
             qPrintable(rig.services.messages[0].text));
}

void TestFlowReadBack::protocolAbove8UpdatesButSendsNothing() {
    FlowRig rig;
    rig.searchEmptiesList = false;
    TNodaluxCtrl r = currentController();
    r.QorvanaProtVer = 9;
    rig.whileOpen([&] { typeAndLeave(rig.edit(QStringLiteral("txtNickname")), QStringLiteral("Nine")); });
    rig.open(r);
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.services.messages.isEmpty());
    QCOMPARE(rig.searches, QList<bool>{true});
    QCOMPARE(vantrel::model::nicknameText(rig.at(0)), std::u16string(u"Nine"));
}

QTEST_MAIN(TestFlowReadBack)
#include "test_flow_readback.moc"
