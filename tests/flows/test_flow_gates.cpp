// The gates of the configuration flow (controllers of protocol 5 and later):
// bootloader, minimum tool version, IP compatibility with its questions and
// the readdress path; the modal results; and how the flow keeps hold of its
// controller while a search may replace the list.

#include <QTest>

#include "FlowRig.h"
#include "net/SendNetworkPacket.h"

using namespace flowtest;
using vantrel::config::kBootloaderSubnetText;
using vantrel::config::kIpMismatchText;
using vantrel::config::kModalCancel;
using vantrel::config::kModalFirmware;
using vantrel::config::kModalOK;
using vantrel::config::kRecordGoneText;
using vantrel::config::kVpnText;

namespace {

const QString kConfigWindow = QStringLiteral("NodaluxConfig");
const QString kFirmwareWindow = QStringLiteral("TCPFirmware");

TNodaluxCtrl onOtherSubnet() {
    TNodaluxCtrl r = currentController();
    r.CurrentIP = {10, 0, 0, 5};
    r.CurrentSM = {255, 0, 0, 0};
    r.StaticIP = {10, 0, 0, 5};
    r.SM = {255, 0, 0, 0};
    return r;
}

} // namespace

class TestFlowGates : public QObject {
    Q_OBJECT

private slots:
    void bootloader_data();
    void bootloader();
    void minimumToolVersion_data();
    void minimumToolVersion();
    void subnetComparesNetworkAddresses_data();
    void subnetComparesNetworkAddresses();
    void ipQuestionAnswers_data();
    void ipQuestionAnswers();
    void readdressSendsOnlyNetworkSettings();
    void readdressCancelChangesNothing();
    void modalResults_data();
    void modalResults();
    void sendFailureIsReportedAndTheSearchFollows();
    void autoPollHeldWhileFlowRuns();
    void searchDuringWindowKeepsToItsController();
    void controllerGoneDuringWindowSendsNothing();
};

void TestFlowGates::bootloader_data() {
    QTest::addColumn<bool>("sameSubnet");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("firmwareWindow");
    QTest::newRow("same subnet: firmware window at once") << true << int(Answer::Abort) << false << true;
    QTest::newRow("other subnet, Abort ends") << false << int(Answer::Abort) << true << false;
    QTest::newRow("other subnet, Ignore opens it") << false << int(Answer::Ignore) << true << true;
}

void TestFlowGates::bootloader() {
    QFETCH(bool, sameSubnet);
    QFETCH(int, answer);
    QFETCH(bool, warned);
    QFETCH(bool, firmwareWindow);
    FlowRig rig;
    TNodaluxCtrl r = sameSubnet ? currentController() : onOtherSubnet();
    r.Firmware = u"Bootloader V1.0";
    rig.services.queueAnswer(Answer(answer));
    rig.closeWith(kModalCancel);
    rig.open(r);

    QCOMPARE(rig.services.messages.size(), warned ? 1 : 0);
    if (warned) {
        const auto& m = rig.services.messages.front();
        QCOMPARE(m.text, QString::fromLatin1(kBootloaderSubnetText));
        QCOMPARE(m.kind, MessageKind::Warning);
        QCOMPARE(m.buttons, Buttons::AbortIgnore);
    }
    // Never the configuration window, never a packet.
    QCOMPARE(rig.modalNames(), firmwareWindow ? QStringList{kFirmwareWindow} : QStringList{});
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.searches.isEmpty());
}

void TestFlowGates::minimumToolVersion_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("build");
    QTest::addColumn<bool>("refused");
    QTest::newRow("2.3.23 passes") << 2 << 3 << 23 << false;
    QTest::newRow("2.3.24") << 2 << 3 << 24 << true;
    QTest::newRow("2.4.0") << 2 << 4 << 0 << true;
    QTest::newRow("3.0.0") << 3 << 0 << 0 << true;
    QTest::newRow("1.9.99 passes") << 1 << 9 << 99 << false;
}

void TestFlowGates::minimumToolVersion() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, build);
    QFETCH(bool, refused);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.MinVantrelVer = {std::uint8_t(major), std::uint8_t(minor), std::uint8_t(build)};
    rig.closeWith(kModalCancel);
    rig.open(r);

    if (refused) {
        QCOMPARE(rig.services.messages.size(), 1);
        const auto& m = rig.services.messages.front();
        QCOMPARE(m.kind, MessageKind::Plain);
        QCOMPARE(m.buttons, Buttons::Ok);
        QCOMPARE(m.text, QStringLiteral("The device requires V%1.%2.%3 or higher version of software to be properly "
                                        "configured. Please check for an updated version of this application.")
                             .arg(major)
                             .arg(minor)
                             .arg(build));
        QVERIFY(rig.modalNames().isEmpty());
    } else {
        QVERIFY(rig.services.messages.isEmpty());
        QCOMPARE(rig.modalNames(), QStringList{kConfigWindow});
    }
    QVERIFY(rig.sent().isEmpty());
}

void TestFlowGates::subnetComparesNetworkAddresses_data() {
    QTest::addColumn<QString>("controllerMask");
    QTest::addColumn<bool>("asked");
    // Adapter 192.168.1.10/255.255.255.0, controller 192.168.1.50.
    QTest::newRow("255.255.255.0: both 192.168.1.0") << "255.255.255.0" << false;
    QTest::newRow("255.255.0.0: 192.168.0.0 differs") << "255.255.0.0" << true;
}

void TestFlowGates::subnetComparesNetworkAddresses() {
    QFETCH(QString, controllerMask);
    QFETCH(bool, asked);
    FlowRig rig;
    TNodaluxCtrl r = currentController();
    r.CurrentSM = *vantrel::model::parseIp(controllerMask.toStdString());
    rig.services.queueAnswer(Answer::No);
    rig.closeWith(kModalCancel);
    rig.open(r);

    QCOMPARE(rig.services.countMessages(QString::fromLatin1(kIpMismatchText)), asked ? 1 : 0);
    if (asked) {
        const auto& m = rig.services.messages.front();
        QCOMPARE(m.kind, MessageKind::Warning);
        QCOMPARE(m.buttons, Buttons::YesNo);
        QCOMPARE(m.defaultAnswer, Answer::Yes);
    }
    // No on an ordinary adapter ends the flow; a match opens the window.
    QCOMPARE(rig.modalNames(), asked ? QStringList{} : QStringList{kConfigWindow});
}

void TestFlowGates::ipQuestionAnswers_data() {
    QTest::addColumn<QString>("adapterMask");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("windowOpens");
    QTest::addColumn<bool>("networkTabOnly");
    const QString ip = QString::fromLatin1(kIpMismatchText);
    const QString vpn = QString::fromLatin1(kVpnText);
    const QString lan = QStringLiteral("255.255.255.0");
    const QString vpnMask = QStringLiteral("255.255.255.255");
    QTest::newRow("Yes: readdress") << lan << QList<int>{int(Answer::Yes)} << QStringList{ip} << true << true;
    QTest::newRow("No on a LAN adapter ends") << lan << QList<int>{int(Answer::No)} << QStringList{ip} << false
                                              << false;
    QTest::newRow("No on a VPN adapter, bypass Yes")
        << vpnMask << QList<int>{int(Answer::No), int(Answer::Yes)} << QStringList{ip, vpn} << true << false;
    QTest::newRow("No on a VPN adapter, bypass No")
        << vpnMask << QList<int>{int(Answer::No), int(Answer::No)} << QStringList{ip, vpn} << false << false;
    QTest::newRow("dismissed: the fill follows") << lan << QList<int>{int(Answer::Dismissed)} << QStringList{ip}
                                                 << true << false;
}

void TestFlowGates::ipQuestionAnswers() {
    QFETCH(QString, adapterMask);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, questions);
    QFETCH(bool, windowOpens);
    QFETCH(bool, networkTabOnly);
    FlowRig rig;
    rig.adapter.mask = adapterMask;
    for (int a : answers) rig.services.queueAnswer(Answer(a));
    bool onlyNetwork = false;
    rig.whileOpen(
        [&] {
            const QTabWidget* tabs = rig.config.TabControl1;
            onlyNetwork = tabs->currentIndex() == 0;
            for (int t = 1; t <= 4; ++t) onlyNetwork = onlyNetwork && !tabs->isTabVisible(t);
        },
        QStringLiteral("btnCancel"));
    rig.open(onOtherSubnet());

    QCOMPARE(rig.messageTexts(), questions);
    if (questions.size() == 2) QCOMPARE(rig.services.messages[1].defaultAnswer, Answer::Yes);
    QCOMPARE(rig.modalNames(), windowOpens ? QStringList{kConfigWindow} : QStringList{});
    if (windowOpens) QCOMPARE(onlyNetwork, networkTabOnly);
    QVERIFY(rig.sent().isEmpty());
}

void TestFlowGates::readdressSendsOnlyNetworkSettings() {
    FlowRig rig;
    const int index = rig.add(onOtherSubnet());
    rig.services.queueAnswer(Answer::Yes);
    QStringList shownOctets;
    rig.whileOpen([&] {
        for (const char* n : {"IP1", "IP2", "IP3", "IP4", "SM1", "SM2", "SM3", "SM4"})
            shownOctets << rig.edit(QLatin1String(n))->text();
        const char* ip[] = {"192", "168", "1", "77"};
        const char* sm[] = {"255", "255", "255", "0"};
        for (int i = 0; i < 4; ++i) {
            typeAndLeave(rig.edit(QStringLiteral("IP%1").arg(i + 1)), QLatin1String(ip[i]));
            typeAndLeave(rig.edit(QStringLiteral("SM%1").arg(i + 1)), QLatin1String(sm[i]));
        }
        click(rig.button(QStringLiteral("radioDHCP")));
    });
    rig.flow.NetCtrlSettings(index);

    QCOMPARE(shownOctets, (QStringList{"10", "0", "0", "5", "255", "0", "0", "0"}));
    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("255.255.255.255"));
    const QByteArray expected = QByteArray("Qorvanix", 8)
                                + QByteArray::fromHex("00"       // header NUL
                                                      "0007"     // opcode: network settings
                                                      "08"       // the controller's protocol version
                                                      "001a2b3c4d5e" // MAC
                                                      "01"       // DHCP
                                                      "c0a8014d" // static address 192.168.1.77
                                                      "ffffff00"); // mask 255.255.255.0
    COMPARE_BYTES(rig.sent()[0].bytes, expected);
    QVERIFY(rig.searches.isEmpty());

    // The next opening (now on a matching adapter) shows all five tabs again.
    rig.adapter = AdapterInfo{QStringLiteral("10.0.0.0"), QStringLiteral("255.0.0.0")};
    bool allTabs = false;
    rig.whileOpen(
        [&] {
            allTabs = true;
            for (int t = 0; t <= 4; ++t) allTabs = allTabs && rig.config.TabControl1->isTabVisible(t);
        },
        QStringLiteral("btnCancel"));
    rig.flow.NetCtrlSettings(index);
    QVERIFY(allTabs);
}

void TestFlowGates::readdressCancelChangesNothing() {
    FlowRig rig;
    const int index = rig.add(onOtherSubnet());
    const TNodaluxCtrl before = rig.at(index);
    rig.services.queueAnswer(Answer::Yes);
    rig.whileOpen([&] { typeAndLeave(rig.edit(QStringLiteral("IP1")), QStringLiteral("192")); },
                  QStringLiteral("btnCancel"));
    rig.flow.NetCtrlSettings(index);
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.at(index) == before);
}

void TestFlowGates::modalResults_data() {
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << kModalOK;
    QTest::newRow("Cancel") << kModalCancel;
    QTest::newRow("Update Firmware") << kModalFirmware;
}

void TestFlowGates::modalResults() {
    QFETCH(int, result);
    FlowRig rig;
    rig.add(legacyController()); // another controller first: the index is not 0
    const int index = rig.add(currentController());
    const TNodaluxCtrl before = rig.at(index);
    const QString button = result == kModalOK       ? QStringLiteral("btnOK")
                           : result == kModalCancel ? QStringLiteral("btnCancel")
                                                    : QStringLiteral("btnFirmware");
    // The user edits the nickname, then closes the window with one of its buttons.
    rig.whileOpen([&] { typeAndLeave(rig.edit(QStringLiteral("txtNickname")), QStringLiteral("Renamed")); },
                  button);
    rig.flow.NetCtrlSettings(index);

    if (result == kModalOK) {
        // Read back, sent once to the controller's current address, 200 ms, search with errors suppressed.
        QCOMPARE(rig.sent().size(), 1);
        QCOMPARE(rig.sent()[0].ip, QStringLiteral("192.168.1.50"));
        QCOMPARE(rig.sent()[0].bytes.size(), 79 + 14 * 4);
        QCOMPARE(rig.services.sleeps, QList<int>{200});
        QCOMPARE(rig.searches, QList<bool>{true});
        QCOMPARE(rig.modalNames(), QStringList{kConfigWindow});
        return;
    }
    QVERIFY(rig.searches.isEmpty());
    QVERIFY(rig.at(index) == before); // nothing read back
    if (result == kModalCancel) {
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(rig.modalNames(), QStringList{kConfigWindow});
        return;
    }
    // Update Firmware: the bootloader trigger to this controller, 1000 ms, the firmware window.
    QCOMPARE(rig.sent().size(), 1);
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("192.168.1.50"));
    COMPARE_BYTES(rig.sent()[0].bytes, QByteArray("Qorvanix", 8) + QByteArray::fromHex("00" "0006" "08"
                                                                                       "001a2b3c4d5e"));
    QCOMPARE(rig.services.sleeps, QList<int>{1000});
    QCOMPARE(rig.modalNames(), (QStringList{kConfigWindow, kFirmwareWindow}));
}

void TestFlowGates::sendFailureIsReportedAndTheSearchFollows() {
    FlowRig rig;
    rig.endpoint.failNextSends(1);
    rig.whileOpen([] {});
    rig.open(currentController());
    QCOMPARE(rig.messageTexts(), QStringList{QString::fromLatin1(vantrel::net::kSendErrorMessage)});
    QCOMPARE(rig.services.sleeps, QList<int>{200});
    QCOMPARE(rig.searches, QList<bool>{true}); // the search itself reports nothing
}

void TestFlowGates::autoPollHeldWhileFlowRuns() {
    FlowRig rig;
    int holdsWhileOpen = -1;
    int resumesWhileOpen = -1;
    rig.whileOpen([&] {
        holdsWhileOpen = rig.holds;
        resumesWhileOpen = rig.resumes;
    });
    rig.open(currentController());
    QCOMPARE(holdsWhileOpen, 1);
    QCOMPARE(resumesWhileOpen, 0);
    QCOMPARE(rig.holds, 1);
    QCOMPARE(rig.resumes, 1);

    // Gates that end the flow early resume it too.
    TNodaluxCtrl old = currentController();
    old.MinVantrelVer = {9, 0, 0};
    rig.open(old);
    QCOMPARE(rig.holds, 2);
    QCOMPARE(rig.resumes, 2);
}

void TestFlowGates::searchDuringWindowKeepsToItsController() {
    FlowRig rig;
    rig.searchEmptiesList = false; // the records are read after the flow
    TNodaluxCtrl mine = currentController();
    TNodaluxCtrl other = currentController();
    other.CurrentIP = {192, 168, 1, 51};
    other.MAC = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x99};
    const std::u16string otherNick = u"Other";
    other.Nickname.fill(u'\0');
    std::copy(otherNick.begin(), otherNick.end(), other.Nickname.begin());
    const int index = rig.add(mine);

    rig.whileOpen([&] {
        typeAndLeave(rig.edit(QStringLiteral("txtNickname")), QStringLiteral("Mine"));
        // A search replaces the list while the window is open: another
        // controller now sits where this one was, and this one comes after it.
        rig.list.clear();
        rig.add(other);
        rig.add(mine);
    });
    rig.flow.NetCtrlSettings(index);

    QCOMPARE(rig.sent().size(), 1);
    const QByteArray& packet = rig.sent()[0].bytes;
    QCOMPARE(rig.sent()[0].ip, QStringLiteral("192.168.1.50"));
    QCOMPARE(packet.mid(12, 6), QByteArray::fromHex("001a2b3c4d5e"));
    // Nickname at G = P + 8 with P = 30 + 14N + 3D (N 4, D 0, protocol 8).
    QCOMPARE(packet.mid(30 + 14 * 4 + 8, 5), QByteArray("Mine\0", 5));
    QCOMPARE(vantrel::model::nicknameText(rig.at(0)), std::u16string(u"Other"));
    QCOMPARE(vantrel::model::nicknameText(rig.at(1)), std::u16string(u"Mine"));
}

void TestFlowGates::controllerGoneDuringWindowSendsNothing() {
    FlowRig rig;
    rig.whileOpen([&] {
        typeAndLeave(rig.edit(QStringLiteral("txtNickname")), QStringLiteral("Lost"));
        rig.list.clear(); // a search emptied the list and the controller did not answer again
        TNodaluxCtrl other = currentController();
        other.CurrentIP = {192, 168, 1, 51};
        other.MAC[5] = 0x99;
        rig.add(other);
    });
    rig.open(currentController());

    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.searches.isEmpty());
    QCOMPARE(rig.messageTexts(), QStringList{QString::fromLatin1(kRecordGoneText)});
    QCOMPARE(vantrel::model::nicknameText(rig.at(0)), std::u16string(u"Stage left")); // the other one, unchanged
}

QTEST_MAIN(TestFlowGates)
#include "test_flow_gates.moc"
