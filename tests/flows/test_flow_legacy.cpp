// The configuration flow of controllers of protocol 4 and earlier: the known
// models, the gates, the window shaped by model and firmware, the legacy chip
// list and colour-order encodings, the voltage rules and the 338-byte packet
// the read-back produces.

#include <QGroupBox>
#include <QLocale>
#include <QTest>

#include "FlowRig.h"

using namespace flowtest;
using vantrel::config::kIpMismatchText;
using vantrel::config::kModalCancel;
using vantrel::config::kModalFirmware;
using vantrel::config::kUnknownTestModeText;

namespace {

// Offsets of the legacy configuration packet.
constexpr int kModelName = 12;
constexpr int kNumNodes = 73;
constexpr int kProtocol = 105;
constexpr int kDmxMix = 106;
constexpr int kMixMode = 107;
constexpr int kDmxStart = 116;
constexpr int kSacnUniv = 118;
constexpr int kSacnChan = 120;
constexpr int kDriverChip = 122;
constexpr int kAdvUniv = 126;
constexpr int kAdvChan = 158;
constexpr int kRgbOrder = 254;
constexpr int kDmxOutOn = 257;
constexpr int kDmxOutUniv = 261;
constexpr int kProtocolSpeed = 269;
constexpr int kAdvRgbOrder = 270;
constexpr int kGrouping = 286;
constexpr int kBrightness = 318;
constexpr int kHoldLastFrame = 334;
constexpr int kFanTemp = 335;
constexpr int kCondensedMode = 336;
constexpr int kLegacySize = 338;

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

QByteArray onlyPacket(const FlowRig& rig) {
    if (rig.sent().size() != 1 || rig.sent()[0].bytes.size() != kLegacySize) {
        qWarning("expected one legacy packet, %d sent", int(rig.sent().size()));
        return QByteArray(kLegacySize, '\0');
    }
    return rig.sent()[0].bytes;
}

} // namespace

class TestFlowLegacy : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void unknownModelDoesNothing();
    void bootloaderGoesStraightToTheFirmwareWindow();
    void readdressOfferedFrom145_data();
    void readdressOfferedFrom145();
    void chipList_data();
    void chipList();
    void dmxGroup_data();
    void dmxGroup();
    void partnerProtocol_data();
    void partnerProtocol();
    void featuresByFirmware_data();
    void featuresByFirmware();
    void outputModeOnlyOnLongRange();
    void fanRow_data();
    void fanRow();
    void voltages();
    void unknownTestMode();
    void colourOrderPositionForm_data();
    void colourOrderPositionForm();
    void colourOrderPerOutputFrom131();
    void fourOutputControllerGetsSixteenLaidOut();
    void advancedModeWithoutGrouping();
    void hiddenFeaturesKeepTheRecordsValues();
    void updateFirmwareTriggersTheLegacyBootloader();
};

void TestFlowLegacy::unknownModelDoesNothing() {
    FlowRig rig;
    rig.config.lblMAC->setText(QStringLiteral("MAC: 00-11-22-33-44-55"));
    rig.closeWith(kModalCancel);
    rig.open(legacyController(u"V1.4.11", u"Nodalux 99"));
    QVERIFY(rig.services.messages.isEmpty());
    QVERIFY(rig.modalNames().isEmpty());
    QVERIFY(rig.sent().isEmpty());
    QCOMPARE(rig.config.lblMAC->text(), QString()); // emptied on entry
}

void TestFlowLegacy::bootloaderGoesStraightToTheFirmwareWindow() {
    FlowRig rig;
    TNodaluxCtrl r = legacyController(u"Bootloader");
    r.CurrentIP = {10, 0, 0, 9}; // another subnet: still no question
    rig.closeWith(kModalCancel);
    rig.open(r);
    QVERIFY(rig.services.messages.isEmpty());
    QCOMPARE(rig.modalNames(), QStringList{QStringLiteral("TCPFirmware")});
}

void TestFlowLegacy::readdressOfferedFrom145_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("asked");
    QTest::newRow("V1.4.4: the window opens") << "V1.4.4" << false;
    QTest::newRow("V1.4.5: the IP question") << "V1.4.5" << true;
}

void TestFlowLegacy::readdressOfferedFrom145() {
    QFETCH(QString, firmware);
    QFETCH(bool, asked);
    FlowRig rig;
    TNodaluxCtrl r = legacyController(firmware.toStdU16String());
    r.CurrentIP = {10, 0, 0, 9};
    r.CurrentSM = {255, 0, 0, 0};
    rig.services.queueAnswer(Answer::Yes); // readdress
    bool networkOnly = false;
    rig.whileOpen([&] {
        networkOnly = !rig.config.TabControl1->isTabVisible(1);
        typeAndLeave(rig.edit(QStringLiteral("IP1")), QStringLiteral("192"));
    });
    rig.open(r);
    QCOMPARE(rig.services.countMessages(QString::fromLatin1(kIpMismatchText)), asked ? 1 : 0);
    QCOMPARE(networkOnly, asked);
    QCOMPARE(rig.sent().size(), 1);
    if (asked) {
        // The network settings packet, by broadcast, with the legacy version byte 0.
        QCOMPARE(rig.sent()[0].ip, QStringLiteral("255.255.255.255"));
        QCOMPARE(rig.sent()[0].bytes.size(), 27);
        QCOMPARE(u8At(rig.sent()[0].bytes, 11), 0);
        QCOMPARE(u8At(rig.sent()[0].bytes, 19), 192);
        QVERIFY(rig.searches.isEmpty());
    } else {
        QCOMPARE(rig.sent()[0].ip, QStringLiteral("10.0.0.9"));
        QCOMPARE(rig.sent()[0].bytes.size(), kLegacySize);
    }
}

void TestFlowLegacy::chipList_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QStringList>("chips");
    const QStringList base = {"TLS3001", "SM16716", "WS2801", "LPD6803", "WS2811/12", "MBI6020",
                              "TM1803",  "TM1804",  "TM1809", "MY9231"};
    QTest::newRow("V1.2.8") << "V1.2.8" << base + QStringList{"WS2811 Slow"};
    QTest::newRow("V1.4.4") << "V1.4.4" << base + QStringList{"APA102"};
    QTest::newRow("V1.4.11") << "V1.4.11"
                             << base + QStringList{"APA102", "MY9221", "SK6812", "UCS1903", "P9813"};
}

void TestFlowLegacy::chipList() {
    QFETCH(QString, firmware);
    QFETCH(QStringList, chips);
    FlowRig rig;
    TNodaluxCtrl r = legacyController(firmware.toStdU16String());
    r.DriverChip = 10;
    rig.closeWith(kModalCancel);
    rig.open(r);
    QCOMPARE(items(rig.config.comboChip), chips);
    QCOMPARE(rig.config.comboChip->currentIndex(), 10);
}

void TestFlowLegacy::dmxGroup_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("hwRev");
    QTest::addColumn<int>("rows"); // 0: the group is hidden
    QTest::newRow("V1.2.8: none yet") << "V1.2.8" << "Nodalux 16" << 3 << 0;
    QTest::newRow("V1.2.9, revision 3, 16 outputs") << "V1.2.9" << "Nodalux 16" << 3 << 4;
    QTest::newRow("revision 2: one row") << "V1.4.11" << "Nodalux 16" << 2 << 1;
    QTest::newRow("Plug & Play: none") << "V1.4.11" << "Nodalux 16 Plug & Play" << 3 << 0;
    QTest::newRow("Nodalux 4: one row") << "V1.4.11" << "Nodalux 4" << 3 << 1;
}

void TestFlowLegacy::dmxGroup() {
    QFETCH(QString, firmware);
    QFETCH(QString, model);
    QFETCH(int, hwRev);
    QFETCH(int, rows);
    FlowRig rig;
    TNodaluxCtrl r = legacyController(firmware.toStdU16String(), model.toStdU16String());
    r.HwRev = std::uint8_t(hwRev);
    if (model == QStringLiteral("Nodalux 4")) r.NumStrings = 4;
    r.DmxOutUniv = {21, 22, 23, 24};
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(shown(w.gboxDMX), rows > 0);
    if (rows == 0) return;
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(shown(w.txtOut[std::size_t(k)]), k < rows);
        QCOMPARE(w.txtOut[std::size_t(k)]->text(), QString::number(21 + k));
    }
    QCOMPARE(shown(w.lblDMXOn2), rows == 4);
}

void TestFlowLegacy::partnerProtocol_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("offered");
    QTest::newRow("Arvello 16, V1.4.6") << "V1.4.6" << "Arvello 16" << true;
    QTest::newRow("Arvello 16, V1.4.5") << "V1.4.5" << "Arvello 16" << false;
    QTest::newRow("Nodalux 16, V1.4.6") << "V1.4.6" << "Nodalux 16" << false;
}

void TestFlowLegacy::partnerProtocol() {
    QFETCH(QString, firmware);
    QFETCH(QString, model);
    QFETCH(bool, offered);
    FlowRig rig;
    rig.closeWith(kModalCancel);
    rig.open(legacyController(firmware.toStdU16String(), model.toStdU16String()));
    QCOMPARE(shown(rig.config.radioOstra), offered);
}

void TestFlowLegacy::featuresByFirmware_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("protocol");
    QTest::addColumn<bool>("holdFrame");
    QTest::addColumn<QString>("speedCaption");
    QTest::addColumn<bool>("perOutputOrder");
    QTest::addColumn<bool>("orderSelectable");
    QTest::addColumn<bool>("testTab");
    QTest::newRow("V1.2.3") << "V1.2.3" << false << false << "Sp" << false << false << false;
    QTest::newRow("V1.2.4") << "V1.2.4" << false << false << "Sp" << false << true << false;
    QTest::newRow("V1.3.0") << "V1.3.0" << false << false << "Speed:" << false << true << false;
    QTest::newRow("V1.3.1") << "V1.3.1" << false << false << "Speed:" << true << true << false;
    QTest::newRow("V1.4.0") << "V1.4.0" << true << false << "Speed:" << true << true << false;
    QTest::newRow("V1.4.4") << "V1.4.4" << true << true << "Speed:" << true << true << false;
    QTest::newRow("V1.4.10") << "V1.4.10" << true << true << "Speed:" << true << true << true;
}

void TestFlowLegacy::featuresByFirmware() {
    QFETCH(QString, firmware);
    QFETCH(bool, protocol);
    QFETCH(bool, holdFrame);
    QFETCH(QString, speedCaption);
    QFETCH(bool, perOutputOrder);
    QFETCH(bool, orderSelectable);
    QFETCH(bool, testTab);
    FlowRig rig;
    rig.config.TabControl1->setCurrentIndex(3); // the Test tab was left selected
    TNodaluxCtrl r = legacyController(firmware.toStdU16String());
    r.DriverChip = 4; // "WS2811/12": speed choice where offered
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(shown(w.radioSACN), protocol);
    QCOMPARE(shown(w.lblProtocol), protocol);
    QCOMPARE(shown(w.checkHoldFrame), holdFrame);
    QCOMPARE(w.lblSpeed->text(), speedCaption);
    QCOMPARE(shown(w.radioFast), speedCaption == QStringLiteral("Speed:"));
    QCOMPARE(shown(w.checkAdvRGB), perOutputOrder);
    QCOMPARE(w.comboRGB->isEnabled(), orderSelectable);
    QCOMPARE(w.lblRGB->isEnabled(), orderSelectable);
    QCOMPARE(w.TabControl1->isTabEnabled(3), testTab);
    QCOMPARE(w.TabControl1->currentIndex(), testTab ? 3 : 0);
    QVERIFY(!shown(w.trackClockSpeed) && !shown(w.lblClockSpeed));
    QVERIFY(!shown(w.txtGammaWhite));
    QCOMPARE(rig.adv.grouping[0]->isEnabled(), holdFrame); // grouping and intensity from 1.4.4 too
}

void TestFlowLegacy::outputModeOnlyOnLongRange() {
    FlowRig rig;
    TNodaluxCtrl r = legacyController(u"V1.4.11", u"Nodalux 16 Long Range");
    r.CondensedMode = 1;
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QVERIFY(shown(w.radioCondensed) && shown(w.lblOutputs));
    QVERIFY(w.radioCondensed->isChecked());
    QCOMPARE(w.gboxLEDs->height(), 147);
    QCOMPARE(w.gboxGamma->y(), 152);
    QVERIFY(!shown(w.gboxVoltage)); // no voltage group on this model

    TNodaluxCtrl other = legacyController();
    other.CurrentIP[3] = 61;
    rig.closeWith(kModalCancel);
    rig.open(other);
    QVERIFY(!shown(w.radioCondensed) && !shown(w.radioStandard) && !shown(w.lblOutputs));
    QCOMPARE(w.gboxLEDs->height(), 120);
    QCOMPARE(w.gboxGamma->y(), 120);
    QVERIFY(shown(w.gboxVoltage));
}

void TestFlowLegacy::fanRow_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("hwRev");
    QTest::addColumn<int>("fanTemp");
    QTest::addColumn<bool>("row");
    QTest::newRow("revision 5") << "Nodalux 16" << 5 << 35 << true;
    QTest::newRow("255 does not hide it") << "Nodalux 16" << 5 << 255 << true;
    QTest::newRow("revision 4") << "Nodalux 16" << 4 << 35 << false;
    QTest::newRow("Nodalux 4 Pro") << "Nodalux 4 Pro" << 5 << 35 << false;
}

void TestFlowLegacy::fanRow() {
    QFETCH(QString, model);
    QFETCH(int, hwRev);
    QFETCH(int, fanTemp);
    QFETCH(bool, row);
    FlowRig rig;
    TNodaluxCtrl r = legacyController(u"V1.4.11", model.toStdU16String());
    r.HwRev = std::uint8_t(hwRev);
    r.FanTemp = std::uint8_t(fanTemp);
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(shown(w.txtFan), row);
    QCOMPARE(w.gboxMisc->height(), row ? 154 : 115);
    QCOMPARE(w.gboxFirmware->y(), row ? 164 : 124);
    QCOMPARE(w.gboxVoltage->y(), row ? 244 : 202);
    if (row) QCOMPARE(w.txtFan->text(), QString::number(fanTemp));
}

void TestFlowLegacy::voltages() {
    FlowRig rig;
    TNodaluxCtrl r = legacyController();
    r.Voltage = {0xFFFF, 0, 0xFFFF, 241};
    rig.closeWith(kModalCancel);
    rig.open(r);
    TNodaluxConfig& w = rig.config;
    QCOMPARE(w.lblVolt1->text(), QStringLiteral("Powered"));
    QCOMPARE(w.lblVolt1->palette().color(QPalette::WindowText), kGreen);
    QCOMPARE(w.lblVolt2->text(), QStringLiteral("Off"));
    QCOMPARE(w.lblVolt2->palette().color(QPalette::WindowText), kRed);
    QVERIFY(!shown(w.lblVolt3) && !shown(w.Label7)); // 65535: bank 3 not reported
    QCOMPARE(w.lblVolt4->text(), QStringLiteral("24.1V"));
    QVERIFY(shown(w.lblVolt4) && shown(w.lblVolt2));
    QCOMPARE(w.lblMAC->text(), QString());

    // A 4-output controller has no second bank.
    TNodaluxCtrl four = legacyController(u"V1.4.11", u"Nodalux 4");
    four.NumStrings = 4;
    four.CurrentIP[3] = 61;
    four.Voltage = {125, 120, 0xFFFF, 0xFFFF};
    rig.closeWith(kModalCancel);
    rig.open(four);
    QCOMPARE(w.lblVolt1->text(), QStringLiteral("12.5V"));
    QVERIFY(!shown(w.lblVolt2) && !shown(w.Label6));
}

void TestFlowLegacy::unknownTestMode() {
    FlowRig rig;
    TNodaluxCtrl r = legacyController(u"V1.4.10");
    r.TestMode = 8; // "Single Pixel" is not offered to legacy controllers
    rig.closeWith(kModalCancel);
    rig.open(r);
    QCOMPARE(rig.messageTexts(), QStringList{QString::fromLatin1(kUnknownTestModeText)});
    QVERIFY(rig.modalNames().isEmpty());
}

void TestFlowLegacy::colourOrderPositionForm_data() {
    QTest::addColumn<QString>("wireOrder");
    for (const char* order : {"R-G-B", "R-B-G", "G-R-B", "B-R-G", "G-B-R", "B-G-R"})
        QTest::newRow(order) << QString::fromLatin1(order);
}

// Firmware from 1.2.4 up to 1.3.1 stores the place of red, green and blue on
// the wire. Whatever the controller stores, the window names the order it
// puts on the wire, and the order the user chooses by name is what it stores.
void TestFlowLegacy::colourOrderPositionForm() {
    QFETCH(QString, wireOrder);
    QByteArray places(3, '\0');
    const QString colours = QStringLiteral("RGB");
    for (int c = 0; c < 3; ++c) places[c] = static_cast<char>(wireOrder.indexOf(colours[c]) / 2);

    // Controller to window.
    {
        FlowRig rig;
        TNodaluxCtrl r = legacyController(u"V1.3.0");
        r.RgbOrder = {static_cast<std::uint8_t>(places[0]), static_cast<std::uint8_t>(places[1]),
                      static_cast<std::uint8_t>(places[2])};
        QString shownOrder;
        rig.whileOpen([&] { shownOrder = rig.config.comboRGB->currentText(); });
        rig.open(r);
        QCOMPARE(shownOrder, wireOrder);
        // Untouched, it goes back as it came.
        QCOMPARE(onlyPacket(rig).mid(kRgbOrder, 3), places);
    }
    // Window to controller: the user picks the order by its name.
    {
        FlowRig rig;
        rig.config.checkAdvRGB->setChecked(true); // left checked by an earlier controller
        TNodaluxCtrl r = legacyController(u"V1.2.4");
        r.RgbOrder = {2, 1, 0};
        rig.whileOpen([&] {
            QComboBox* order = rig.config.comboRGB;
            order->setCurrentIndex(order->findText(wireOrder));
        });
        rig.open(r);
        QCOMPARE(onlyPacket(rig).mid(kRgbOrder, 3), places);
    }
}

void TestFlowLegacy::colourOrderPerOutputFrom131() {
    // Per output: the user keeps it and changes output 2's order.
    {
        FlowRig rig;
        TNodaluxCtrl r = legacyController(u"V1.3.1");
        r.RgbOrder = {255, 255, 255};
        r.AdvRgbOrder.fill(1);
        bool perOutput = false;
        rig.whileOpen([&] {
            perOutput = rig.config.checkAdvRGB->isChecked() && !rig.config.comboRGB->isEnabled();
            rig.advRgb.AdvRGB[1]->setCurrentIndex(5);
        });
        rig.open(r);
        QVERIFY(perOutput);
        const QByteArray p = onlyPacket(rig);
        QCOMPARE(p.mid(kRgbOrder, 3), QByteArray::fromHex("ffffff"));
        QCOMPARE(p.mid(kAdvRgbOrder, 3), QByteArray::fromHex("010501"));
    }
    // One order for all: the index goes into the first byte only.
    {
        FlowRig rig;
        TNodaluxCtrl r = legacyController(u"V1.3.1");
        r.RgbOrder = {255, 255, 255};
        rig.whileOpen([&] {
            click(rig.button(QStringLiteral("checkAdvRGB")));
            rig.config.comboRGB->setCurrentIndex(3);
        });
        rig.open(r);
        QCOMPARE(onlyPacket(rig).mid(kRgbOrder, 3), QByteArray::fromHex("03ffff"));
    }
}

void TestFlowLegacy::fourOutputControllerGetsSixteenLaidOut() {
    FlowRig rig;
    TNodaluxCtrl r = legacyController(u"V1.4.11", u"Nodalux 4");
    r.NumStrings = 4;
    r.NumUsableOutputs = 4;
    rig.whileOpen([&] {
        typeAndLeave(rig.edit(QStringLiteral("txtStartUniv")), QStringLiteral("5"));
        typeAndLeave(rig.edit(QStringLiteral("txtStartChan")), QStringLiteral("1"));
        typeAndLeave(rig.edit(QStringLiteral("txtNodes")), QStringLiteral("170"));
    });
    rig.open(r);
    const QByteArray p = onlyPacket(rig);
    QCOMPARE(p.mid(kModelName, 20), QByteArray("Nodalux 4") + QByteArray(11, '\0'));
    QCOMPARE(u16At(p, kSacnUniv), 5);
    QCOMPARE(u16At(p, kSacnChan), 1);
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(u16At(p, kNumNodes + 2 * i), 170);
        QCOMPARE(u16At(p, kAdvUniv + 2 * i), 5 + i);
        QCOMPARE(u16At(p, kAdvChan + 2 * i), 1);
    }
    QCOMPARE(u8At(p, 11), 2); // the legacy layout's version byte
    QCOMPARE(u8At(p, kDriverChip), 4);
}

void TestFlowLegacy::advancedModeWithoutGrouping() {
    FlowRig rig;
    TNodaluxCtrl r = legacyController(u"V1.4.3");
    r.SacnUniv = 0; // advanced
    r.Grouping.fill(3);
    r.Brightness.fill(40);
    r.AdvUniv[15] = 77;
    bool groupingOff = false;
    rig.whileOpen([&] {
        groupingOff = !rig.adv.grouping[0]->isEnabled() && rig.adv.grouping[0]->text() == QStringLiteral("1") &&
                      rig.adv.brightness[15]->text() == QStringLiteral("100");
    });
    rig.open(r);
    QVERIFY(groupingOff);
    const QByteArray p = onlyPacket(rig);
    QCOMPARE(u16At(p, kSacnUniv), 0);
    QCOMPARE(u16At(p, kSacnChan), 0);
    QCOMPARE(u16At(p, kAdvUniv + 2 * 15), 77);
    // The firmware offers no grouping or intensity: the controller gets back what it reported.
    QCOMPARE(u16At(p, kGrouping), 3);
    QCOMPARE(u8At(p, kBrightness + 15), 40);
}

void TestFlowLegacy::hiddenFeaturesKeepTheRecordsValues() {
    FlowRig rig;
    // A full-featured controller first; the user turns every feature on.
    rig.whileOpen([&] {
        click(rig.button(QStringLiteral("switchOut1")));
        typeAndLeave(rig.edit(QStringLiteral("txtOut1")), QStringLiteral("300"));
        click(rig.button(QStringLiteral("radioArtNet")));
        click(rig.button(QStringLiteral("checkHoldFrame")));
        click(rig.button(QStringLiteral("radioFast")));
        typeAndLeave(rig.edit(QStringLiteral("txtFan")), QStringLiteral("55"));
        click(rig.button(QStringLiteral("checkAdvRGB")));
    });
    rig.open(legacyController(u"V1.4.11"));
    QCOMPARE(rig.sent().size(), 1);
    const QByteArray first = rig.sent()[0].bytes;
    QCOMPARE(u8At(first, kProtocol), 1);
    QCOMPARE(u8At(first, kHoldLastFrame), 1);
    QCOMPARE(u8At(first, kProtocolSpeed), 1);
    QCOMPARE(u8At(first, kFanTemp), 55);
    QCOMPARE(first.mid(kDmxOutOn, 1), QByteArray::fromHex("01"));
    QCOMPARE(first.mid(kRgbOrder, 3), QByteArray::fromHex("ffffff"));

    // Then an old compact model that offers none of it.
    TNodaluxCtrl old = legacyController(u"V1.2.0", u"Nodalux 4 Rugged");
    old.NumStrings = 4;
    old.CurrentIP[3] = 61;
    old.Protocol = 0;
    old.HoldLastFrame = 0;
    old.ProtocolSpeed = 0;
    old.FanTemp = 33;
    old.CondensedMode = 1;
    old.DmxOutOn = {0, 1, 0, 0};
    old.DmxOutUniv = {8, 9, 10, 11};
    old.RgbOrder = {2, 1, 0};
    rig.whileOpen([] {});
    rig.open(old);
    QCOMPARE(rig.sent().size(), 2);
    const QByteArray p = rig.sent()[1].bytes;
    QCOMPARE(u8At(p, kProtocol), 0);
    QCOMPARE(u8At(p, kHoldLastFrame), 0);
    QCOMPARE(u8At(p, kProtocolSpeed), 0);
    QCOMPARE(u8At(p, kFanTemp), 33);
    QCOMPARE(u8At(p, kCondensedMode), 1);
    QCOMPARE(p.mid(kDmxOutOn, 4), QByteArray::fromHex("00010000"));
    QCOMPARE(p.mid(kDmxOutUniv, 8), QByteArray::fromHex("00080009000a000b"));
    // Below 1.2.4 the order is fixed: the position form of item 0, never "per output".
    QCOMPARE(p.mid(kRgbOrder, 3), QByteArray::fromHex("000102"));
    // Fields the tool never edits go back as reported.
    QCOMPARE(u8At(p, kDmxMix), 3);
    QCOMPARE(u8At(p, kMixMode), 4);
    QCOMPARE(u16At(p, kDmxStart), 7);
}

void TestFlowLegacy::updateFirmwareTriggersTheLegacyBootloader() {
    FlowRig rig;
    rig.closeWith(kModalFirmware);
    rig.open(legacyController());
    // The legacy trigger (the header alone, version byte 2), 1000 ms, the firmware window.
    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("192.168.1.60"));
    QCOMPARE(rig.sent()[0].bytes, QByteArray("Qorvanix", 8) + QByteArray::fromHex("00" "0006" "02"));
    QCOMPARE(rig.services.sleeps, QList<int>{1000});
    QCOMPARE(rig.modalNames(), (QStringList{QStringLiteral("NodaluxConfig"), QStringLiteral("TCPFirmware")}));
    QVERIFY(rig.searches.isEmpty());
}

QTEST_MAIN(TestFlowLegacy)
#include "test_flow_legacy.moc"
