// The network layer without sockets: the send operation and its message, the
// fake endpoint's delivery rules that window tests rely on, adapter texts.

#include <QSignalSpy>
#include <QTest>

#include "net/AdapterProvider.h"
#include "net/SendNetworkPacket.h"
#include "net/SystemAdapterProvider.h"
#include "net/testing/FakeUdpEndpoint.h"
#include "ui/testing/ScriptedServices.h"

using vantrel::net::Adapter;
using vantrel::net::sendNetworkPacket;
using vantrel::net::SystemAdapterProvider;
using vantrel::net::testing::FakeUdpEndpoint;
using vantrel::ui::MessageKind;
using vantrel::ui::testing::ScriptedServices;

namespace {

// Written out here rather than taken from the code, so a changed character shows.
const QString kSendError =
    QStringLiteral("Couldn't send network message. Check network connection or try clicking \"Refresh Adapters\".");

const QByteArray kPoll("Qorvanix\0\0\x01\x08", 12);

} // namespace

class NetUnitTest : public QObject {
    Q_OBJECT
private slots:
    void sendNetworkPacketReportsFailures_data();
    void sendNetworkPacketReportsFailures();
    void fakeDeliversOneAtATimeInOrder();
    void fakeEndsEveryBatch();
    void fakeDeliversNothingWhileUnbound();
    void fakeDropsOversizedDatagramsAndBadAddresses();
    void networkAddressText_data();
    void networkAddressText();
    void systemAdapterListIsIpv4WithoutLoopback();
};

void NetUnitTest::sendNetworkPacketReportsFailures_data() {
    QTest::addColumn<bool>("bound");
    QTest::addColumn<int>("failingSends");
    QTest::addColumn<bool>("suppress");
    QTest::addColumn<bool>("expectedResult");
    QTest::addColumn<bool>("expectMessage");

    QTest::newRow("sent") << true << 0 << false << true << false;
    QTest::newRow("sent, suppressed") << true << 0 << true << true << false;
    QTest::newRow("refused") << true << 1 << false << false << true;
    QTest::newRow("refused, suppressed") << true << 1 << true << false << false;
    QTest::newRow("not bound") << false << 0 << false << false << true;
    QTest::newRow("not bound, suppressed") << false << 0 << true << false << false;
}

void NetUnitTest::sendNetworkPacketReportsFailures() {
    QFETCH(bool, bound);
    QFETCH(int, failingSends);
    QFETCH(bool, suppress);
    QFETCH(bool, expectedResult);
    QFETCH(bool, expectMessage);

    FakeUdpEndpoint endpoint;
    if (bound)
        QVERIFY(endpoint.bind(QHostAddress(QStringLiteral("10.1.2.3"))));
    endpoint.failNextSends(failingSends);
    ScriptedServices services;

    QCOMPARE(sendNetworkPacket(endpoint, services, QStringLiteral("255.255.255.255"), kPoll, suppress),
             expectedResult);

    // The bytes went to the endpoint once, unchanged: nothing is retried.
    QCOMPARE(endpoint.sent().size(), 1);
    QCOMPARE(endpoint.sent().first().ip, QStringLiteral("255.255.255.255"));
    QCOMPARE(endpoint.sent().first().bytes, kPoll);
    if (expectMessage) {
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages.first().text, kSendError);
        QCOMPARE(services.messages.first().kind, MessageKind::Plain);
    } else {
        QVERIFY(services.messages.isEmpty());
    }
}

void NetUnitTest::fakeDeliversOneAtATimeInOrder() {
    FakeUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(QStringLiteral("10.1.2.3"))));
    const QHostAddress sender(QStringLiteral("10.1.2.50"));
    QList<QByteArray> handled;
    int depth = 0;
    int deepest = 0;
    connect(&endpoint, &FakeUdpEndpoint::datagramReceived, this, [&](const QByteArray& bytes, const QHostAddress&) {
        deepest = qMax(deepest, ++depth);
        handled.append(bytes);
        // A handler whose work makes more datagrams arrive (as a reply does).
        if (bytes == "a") {
            endpoint.inject("b", sender);
            endpoint.inject("c", sender);
        }
        --depth;
    });

    endpoint.inject("a", sender);
    endpoint.inject("d", sender);

    QCOMPARE(handled, (QList<QByteArray>{"a", "b", "c", "d"}));
    QCOMPARE(deepest, 1);
}

// "|" marks batchDelivered: a batch is what waited together, and what a
// handler's work makes arrive joins the batch being delivered.
void NetUnitTest::fakeEndsEveryBatch() {
    FakeUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(QStringLiteral("10.1.2.3"))));
    const QHostAddress sender(QStringLiteral("10.1.2.50"));
    QList<QByteArray> seen;
    connect(&endpoint, &FakeUdpEndpoint::datagramReceived, this, [&](const QByteArray& bytes, const QHostAddress&) {
        seen.append(bytes);
        if (bytes == "b") endpoint.inject("c", sender);
    });
    connect(&endpoint, &FakeUdpEndpoint::batchDelivered, this, [&] { seen.append("|"); });

    endpoint.inject("a", sender);
    QVERIFY(endpoint.injectBatch({"b", QByteArray(8193, 'x'), "d"}, sender));
    QVERIFY(!endpoint.injectBatch({QByteArray(8193, 'x')}, sender));
    QCOMPARE(seen, (QList<QByteArray>{"a", "|", "b", "d", "c", "|"}));
}

void NetUnitTest::fakeDeliversNothingWhileUnbound() {
    FakeUdpEndpoint endpoint;
    QSignalSpy received(&endpoint, &FakeUdpEndpoint::datagramReceived);
    QVERIFY(!endpoint.inject("x", QHostAddress(QStringLiteral("10.1.2.50"))));

    const QHostAddress held(QStringLiteral("10.1.2.3"));
    endpoint.setBindFails(held);
    QVERIFY(!endpoint.bind(held));
    QVERIFY(!endpoint.isBound());
    QVERIFY(!endpoint.inject("y", QHostAddress(QStringLiteral("10.1.2.50"))));
    QVERIFY(!endpoint.send(QStringLiteral("10.1.2.50"), "z"));
    QCOMPARE(received.count(), 0);
    QCOMPARE(endpoint.bindRequests(), QList<QHostAddress>{held});
}

void NetUnitTest::fakeDropsOversizedDatagramsAndBadAddresses() {
    FakeUdpEndpoint endpoint;
    const QHostAddress own(QStringLiteral("10.1.2.3"));
    QVERIFY(endpoint.bind(own));
    QSignalSpy received(&endpoint, &FakeUdpEndpoint::datagramReceived);
    const QHostAddress device(QStringLiteral("10.1.2.50"));

    QVERIFY(!endpoint.inject(QByteArray(8193, 'x'), device)); // larger than any packet
    QVERIFY(endpoint.inject(QByteArray(8192, 'x'), device));  // the largest is delivered whole
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toByteArray().size(), 8192);
    // Its own broadcasts are delivered, for the layers above to deal with.
    QVERIFY(endpoint.inject(kPoll, own));

    QVERIFY(!endpoint.send(QStringLiteral("not an address"), kPoll));
    QVERIFY(!endpoint.sent().last().ok);
}

void NetUnitTest::networkAddressText_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("network");

    QTest::newRow("/24") << "192.168.1.23" << "255.255.255.0" << "192.168.1.0";
    QTest::newRow("/8") << "10.1.2.3" << "255.0.0.0" << "10.0.0.0";
    QTest::newRow("/20, no leading zeros") << "172.16.47.9" << "255.255.240.0" << "172.16.32.0";
    QTest::newRow("host mask of a VPN") << "10.8.0.6" << "255.255.255.255" << "10.8.0.6";
    QTest::newRow("mask not an address") << "10.1.2.3" << "" << "";
    QTest::newRow("address not an address") << "10.1.2" << "255.0.0.0" << "";
}

void NetUnitTest::networkAddressText() {
    QFETCH(QString, address);
    QFETCH(QString, mask);
    QFETCH(QString, network);
    QCOMPARE((Adapter{address, mask, QStringLiteral("eth0")}.networkAddress()), network);
}

// Reads the machine's own list (no socket is opened); the lab test checks the
// list against known interfaces.
void NetUnitTest::systemAdapterListIsIpv4WithoutLoopback() {
    const SystemAdapterProvider provider;
    const QList<Adapter> adapters = provider.adapters();
    for (const Adapter& adapter : adapters) {
        const QHostAddress address(adapter.address);
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY2(!address.isLoopback(), qPrintable(adapter.address));
        QCOMPARE(QHostAddress(adapter.mask).protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY(!adapter.networkAddress().isEmpty());
    }
    QCOMPARE(provider.adapters(), adapters);
}

QTEST_GUILESS_MAIN(NetUnitTest)
#include "test_net_unit.moc"
