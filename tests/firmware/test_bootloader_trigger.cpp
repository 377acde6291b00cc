// The bootloader trigger: the packet of each family, the pause, and when the
// firmware window follows. The endpoint is the in-process fake and the window
// is "shown" through the scripted services, which note what happened by then.

#include <QApplication>
#include <QTest>

#include <memory>

#include "FirmwareFixture.h"
#include "firmware/BootloaderTrigger.h"
#include "firmware/EthFirmware.h"
#include "model/NodaluxCtrl.h"
#include "net/SendNetworkPacket.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "ui/testing/ScriptedServices.h"

using namespace vantrel;
using firmware_test::byteDiff;
using net::testing::FakeUdpEndpoint;
using ui::testing::ScriptedServices;

namespace {

const QString kControllerIp = QStringLiteral("10.77.1.5");

model::TNodaluxCtrl controller(std::uint8_t protocolVersion) {
    model::TNodaluxCtrl r;
    r.QorvanaProtVer = protocolVersion;
    r.CurrentIP = {10, 77, 1, 5};
    r.MAC = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    return r;
}

// The header every packet starts with: magic, NUL, opcode 6, then the version byte.
QByteArray header(char version) {
    return QByteArray("Qorvanix") + QByteArray(1, '\0') + QByteArray("\x00\x06", 2) + QByteArray(1, version);
}

using Trigger = void (*)(net::UdpEndpoint&, ui::Services&, const model::TNodaluxCtrl&, QDialog&);

} // namespace

class BootloaderTriggerTest : public QObject {
    Q_OBJECT

    struct Rig {
        FakeUdpEndpoint endpoint;
        ScriptedServices services;
        firmware::TTCPFirmware window{services, std::make_unique<firmware_test::ScriptedUpload>()};
        // What had happened when the window was shown: datagrams sent and pauses taken.
        int sentAtShow = -1;
        QList<int> sleepsAtShow;

        Rig() {
            endpoint.bind(QHostAddress(QStringLiteral("10.77.0.1")));
            services.queueModal([this](QDialog&) {
                sentAtShow = int(endpoint.sent().size());
                sleepsAtShow = services.sleeps;
                return firmware::kModalClose;
            });
        }
    };

private slots:
    void sendsThePacketWaitsAndShowsTheWindow_data() {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray mac("\x00\x11\x22\x33\x44\x55", 6);
        // Current layout: header with the record's version, then the MAC (18 bytes).
        QTest::newRow("protocol 8") << false << 8 << header('\x08') + mac;
        QTest::newRow("protocol 5") << false << 5 << header('\x05') + mac;
        // Legacy: the header alone, version byte 2 whatever the record says (12 bytes).
        QTest::newRow("protocol 3") << true << 3 << header('\x02');
        QTest::newRow("protocol 1") << true << 1 << header('\x02');
    }
    void sendsThePacketWaitsAndShowsTheWindow() {
        QFETCH(bool, legacy);
        QFETCH(int, version);
        QFETCH(QByteArray, expected);
        Rig rig;
        const Trigger trigger = legacy ? firmware::TriggerBootloaderV4Below : firmware::TriggerBootloader;
        trigger(rig.endpoint, rig.services, controller(static_cast<std::uint8_t>(version)), rig.window);

        QCOMPARE(rig.endpoint.sent().size(), 1);
        const auto& sent = rig.endpoint.sent().front();
        QCOMPARE(sent.ip, kControllerIp);
        QVERIFY2(sent.bytes == expected, qPrintable(byteDiff(expected, sent.bytes)));
        // One pause of 1000 ms, after the packet and before the window.
        QCOMPARE(rig.sentAtShow, 1);
        QCOMPARE(rig.sleepsAtShow, QList<int>{1000});
        QCOMPARE(rig.services.modals.size(), 1);
        QCOMPARE(rig.services.modals.front().objectName, QStringLiteral("TCPFirmware"));
        QVERIFY(rig.services.messages.isEmpty());
    }

    void protocol8EndsWithOpcodeVersionAndMac() {
        Rig rig;
        firmware::TriggerBootloader(rig.endpoint, rig.services, controller(8), rig.window);
        QCOMPARE(rig.endpoint.sent().size(), 1);
        const QByteArray bytes = rig.endpoint.sent().front().bytes;
        QCOMPARE(bytes.size(), 18);
        QCOMPARE(bytes.right(9), QByteArray("\x00\x06\x08\x00\x11\x22\x33\x44\x55", 9));
    }

    void aboveProtocol8NothingHappens_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("9") << 9;
        QTest::newRow("255") << 255;
    }
    void aboveProtocol8NothingHappens() {
        QFETCH(int, version);
        Rig rig;
        firmware::TriggerBootloader(rig.endpoint, rig.services, controller(static_cast<std::uint8_t>(version)),
                                    rig.window);
        QVERIFY(rig.endpoint.sent().isEmpty());
        QVERIFY(rig.services.messages.isEmpty());
        QVERIFY(rig.services.sleeps.isEmpty());
        QVERIFY(rig.services.modals.isEmpty());
    }

    // Current layout: the transport's message, and nothing more.
    void currentLayoutFailedSendOpensNoWindow() {
        Rig rig;
        rig.endpoint.failNextSends(1);
        firmware::TriggerBootloader(rig.endpoint, rig.services, controller(8), rig.window);
        QCOMPARE(rig.endpoint.sent().size(), 1);
        QCOMPARE(rig.services.countMessages(QString::fromLatin1(net::kSendErrorMessage)), 1);
        QVERIFY(rig.services.sleeps.isEmpty());
        QVERIFY(rig.services.modals.isEmpty());
    }

    // Legacy layout: the transport's message, then the pause and the window anyway.
    void legacyFailedSendOpensTheWindowAnyway() {
        Rig rig;
        rig.endpoint.failNextSends(1);
        firmware::TriggerBootloaderV4Below(rig.endpoint, rig.services, controller(3), rig.window);
        QCOMPARE(rig.services.countMessages(QString::fromLatin1(net::kSendErrorMessage)), 1);
        QCOMPARE(rig.services.sleeps, QList<int>{1000});
        QCOMPARE(rig.services.modals.size(), 1);
    }
};

QTEST_MAIN(BootloaderTriggerTest)
#include "test_bootloader_trigger.moc"
