// The UDP endpoint and the adapter list on real sockets, inside the network
// lab (scripts/netlab.sh): the endpoint is in the pc namespace, net_lab_peer
// plays the devices on the lan side and on the pc's other adapter.
//
// Outside the lab this program opens no socket: it exits with 77 (a skip).

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <cstdio>

#include "net/QtUdpEndpoint.h"
#include "net/SendNetworkPacket.h"
#include "net/SystemAdapterProvider.h"
#include "protocol/Header.h"
#include "ui/testing/ScriptedServices.h"

using vantrel::net::Adapter;
using vantrel::net::QtUdpEndpoint;
using vantrel::net::sendNetworkPacket;
using vantrel::net::SystemAdapterProvider;
using vantrel::ui::testing::ScriptedServices;

namespace {

constexpr int kSkip = 77;
constexpr int kWaitMs = 5000;
constexpr int kProcessMs = 20000;
const QByteArray kPoll("Qorvanix\0\0\x01\x08", 12);
const QString kSendError =
    QStringLiteral("Couldn't send network message. Check network connection or try clicking \"Refresh Adapters\".");

QString env(const char* name) { return qEnvironmentVariable(name); }

// What the lab script tells the programs it runs.
struct Lab {
    QString pcIp = env("VANTREL_LAB_PC_IP");
    QString mask = env("VANTREL_LAB_MASK");
    QString broadcast = env("VANTREL_LAB_BROADCAST");
    QString pcIf = env("VANTREL_LAB_PC_IF");
    QString pcxIf = env("VANTREL_LAB_PCX_IF");
    QString pcxIp = env("VANTREL_LAB_PCX_IP");
    QString lanIf = env("VANTREL_LAB_LAN_IF");
    QString otherIp = env("VANTREL_LAB_OTHER_IP");
    QString otherMask = env("VANTREL_LAB_OTHER_MASK");
    QStringList lanExec = env("VANTREL_LAB_LAN_EXEC").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList pcExec = env("VANTREL_LAB_PC_EXEC").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList otherExec = env("VANTREL_LAB_OTHER_EXEC").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList hosts;

    Lab() {
        QFile file(env("VANTREL_LAB_HOSTS_FILE"));
        if (file.open(QIODevice::ReadOnly))
            hosts = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

// Runs `command` (a namespace prefix and a program) to its end; the output on failure.
int run(const QStringList& prefix, const QStringList& args, QString* output = nullptr) {
    QProcess process;
    const QStringList all = prefix + args;
    process.start(all.first(), all.mid(1));
    if (!process.waitForFinished(kProcessMs)) {
        process.kill();
        process.waitForFinished();
        qWarning("did not finish: %s", qPrintable(all.join(QLatin1Char(' '))));
        return -1;
    }
    const QString text = QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    if (output != nullptr)
        *output = text;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qWarning("%s: %s", qPrintable(all.join(QLatin1Char(' '))), qPrintable(text));
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QStringList peer(const QStringList& args) { return QStringList{QStringLiteral(NET_LAB_PEER)} + args; }

struct Received {
    QByteArray bytes;
    QHostAddress sender;
};

// Everything an endpoint hands out, in order.
class Recorder {
public:
    explicit Recorder(vantrel::net::UdpEndpoint& endpoint) {
        QObject::connect(&endpoint, &vantrel::net::UdpEndpoint::datagramReceived, &m_context,
                         [this](const QByteArray& bytes, const QHostAddress& sender) {
                             datagrams.append({bytes, sender});
                         });
    }
    bool has(const QByteArray& bytes) const { return count(bytes) > 0; }
    int count(const QByteArray& bytes) const {
        int n = 0;
        for (const Received& r : datagrams)
            n += r.bytes == bytes ? 1 : 0;
        return n;
    }
    QList<Received> datagrams;

private:
    QObject m_context;
};

// Lets the event loop run for a while, so that late or duplicate datagrams show.
void settle(int ms = 200) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A peer receiving on the lan side (or elsewhere) while the test goes on.
class Listener {
public:
    bool start(const QStringList& prefix, const QString& bindAddress, int count) {
        const QStringList all = prefix + peer({QStringLiteral("recv"), bindAddress, QString::number(count),
                                               QString::number(kWaitMs)});
        m_process.start(all.first(), all.mid(1));
        if (!m_process.waitForStarted(kWaitMs))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kWaitMs))
                return false;
        }
        return m_process.readLine().trimmed() == "ready";
    }
    // "SENDER LENGTH TEXT" lines, once the listener has finished.
    QStringList lines(bool* complete) {
        *complete = m_process.waitForFinished(kProcessMs) && m_process.exitCode() == 0;
        return QString::fromLatin1(m_process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    ~Listener() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

private:
    QProcess m_process;
};

} // namespace

class NetLabTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void adapterListShowsTheLabsAdapters();
    void bindsExclusivelyWithALargeReceiveBuffer();
    void receivesUnicastAndBroadcastsOfItsAdapterOnly();
    void handsOutABurstInOrderOneAtATime();
    void dropsItsOwnBroadcasts();
    void sendThroughAVanishedAddressFails();
    void rebindingMovesTheEndpoint();

private:
    Lab m_lab;
};

void NetLabTest::initTestCase() {
    QVERIFY2(m_lab.hosts.size() >= 4, "the lab needs at least 4 lan hosts (netlab.sh --hosts 4)");
    QVERIFY2(QFileInfo::exists(QStringLiteral(NET_LAB_PEER)), NET_LAB_PEER);
}

void NetLabTest::adapterListShowsTheLabsAdapters() {
    const SystemAdapterProvider provider;
    const QList<Adapter> expected{{m_lab.pcIp, m_lab.mask, m_lab.pcIf},
                                  {m_lab.pcxIp, m_lab.otherMask, m_lab.pcxIf}};
    // Loopback and the veths' IPv6 link-local addresses are left out.
    QCOMPARE(provider.adapters(), expected);
    QCOMPARE(provider.adapters().first().networkAddress(), QStringLiteral("10.77.0.0"));

    // An interface that is down is left out.
    QCOMPARE(run(m_lab.pcExec, {"ip", "link", "set", m_lab.pcxIf, "down"}), 0);
    const auto restore = qScopeGuard([&] { run(m_lab.pcExec, {"ip", "link", "set", m_lab.pcxIf, "up"}); });
    QCOMPARE(provider.adapters(), QList<Adapter>{expected.first()});
}

void NetLabTest::bindsExclusivelyWithALargeReceiveBuffer() {
    const QHostAddress address(m_lab.pcIp);
    QtUdpEndpoint first;
    QVERIFY(first.bind(address));
    QVERIFY(first.isBound());
    QCOMPARE(first.boundAddress(), address);
    QCOMPARE(first.mask(), QHostAddress(m_lab.mask));
    QVERIFY(first.hasSubnetBroadcastSocket());
    QVERIFY(first.hasLimitedBroadcastSocket());

    // The request is made after binding, so the kernel grants it up to its
    // cap (and reports twice the granted size).
    QFile rmemMax(QStringLiteral("/proc/sys/net/core/rmem_max"));
    QVERIFY(rmemMax.open(QIODevice::ReadOnly));
    const int cap = rmemMax.readAll().trimmed().toInt();
    QCOMPARE(first.receiveBufferSize(), 2 * qMin(QtUdpEndpoint::kRequestedReceiveBuffer, cap));

    // A second copy of the program on the same address.
    QtUdpEndpoint second;
    QVERIFY(!second.bind(address));
    QVERIFY(!second.isBound());
    QVERIFY(!second.send(m_lab.hosts.first(), kPoll));

    // The first copy is unaffected.
    Recorder received(first);
    QCOMPARE(run(m_lab.lanExec, peer({"send", m_lab.hosts.first(), m_lab.pcIp, "still here"})), 0);
    QTRY_VERIFY_WITH_TIMEOUT(received.has("still here"), kWaitMs);

    // Once it is closed the address is free at once.
    first.close();
    QVERIFY(!first.isBound());
    QVERIFY(second.bind(address));
}

void NetLabTest::receivesUnicastAndBroadcastsOfItsAdapterOnly() {
    QtUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(m_lab.pcIp)));
    Recorder received(endpoint);

    // A device on the adapter's wire whose address is on another subnet.
    const QString stray = QStringLiteral("192.168.5.5");
    QCOMPARE(run(m_lab.lanExec, {"ip", "addr", "add", stray + "/24", "dev", m_lab.lanIf}), 0);
    const auto removeStray =
        qScopeGuard([&] { run(m_lab.lanExec, {"ip", "addr", "del", stray + "/24", "dev", m_lab.lanIf}); });
    const QString otherBroadcast = QStringLiteral("172.31.77.255");
    constexpr int kLargest = static_cast<int>(vantrel::protocol::kMaxDatagram);

    struct Case {
        const char* name;
        const QStringList& where;
        QString from;
        QString to;
        QByteArray text;
        int size; // the peer pads the text with '.' to this size
        bool expected;
    };
    const Case cases[] = {
        {"unicast from a lan device", m_lab.lanExec, m_lab.hosts[0], m_lab.pcIp, "unicast", 0, true},
        {"limited broadcast from a lan device", m_lab.lanExec, m_lab.hosts[1], "255.255.255.255", "limited", 0, true},
        {"subnet broadcast from a lan device", m_lab.lanExec, m_lab.hosts[2], m_lab.broadcast, "subnet", 0, true},
        {"limited broadcast on the adapter's wire from another subnet", m_lab.lanExec, stray, "255.255.255.255",
         "stray", 0, true},
        {"largest datagram, delivered whole", m_lab.lanExec, m_lab.hosts[0], m_lab.pcIp, "largest", kLargest, true},
        {"datagram larger than any packet", m_lab.lanExec, m_lab.hosts[0], m_lab.pcIp, "huge", kLargest + 1, false},
        {"limited broadcast on another adapter", m_lab.otherExec, m_lab.otherIp, "255.255.255.255", "other limited",
         0, false},
        {"subnet broadcast of another adapter", m_lab.otherExec, m_lab.otherIp, otherBroadcast, "other subnet", 0,
         false},
    };
    const auto bytesOf = [](const Case& c) { return c.text.leftJustified(c.size, '.'); };
    for (const Case& c : cases) {
        const QStringList args{"send", c.from, c.to, QString::fromLatin1(c.text), "1", QString::number(c.size)};
        QVERIFY2(run(c.where, peer(args)) == 0, c.name);
    }
    // Sent last: once it is in, everything before it has been read.
    QCOMPARE(run(m_lab.lanExec, peer({"send", m_lab.hosts[3], m_lab.pcIp, "end"})), 0);
    QTRY_VERIFY_WITH_TIMEOUT(received.has("end"), kWaitMs);
    settle();

    int expectedCount = 1;
    for (const Case& c : cases) {
        const QByteArray bytes = bytesOf(c);
        QVERIFY2(received.count(bytes) == (c.expected ? 1 : 0), c.name);
        for (const Received& r : received.datagrams) {
            if (r.bytes == bytes)
                QVERIFY2(r.sender == QHostAddress(c.from), c.name);
        }
        expectedCount += c.expected ? 1 : 0;
    }
    QCOMPARE(received.datagrams.size(), expectedCount);
}

void NetLabTest::handsOutABurstInOrderOneAtATime() {
    constexpr int kBurst = 1000;
    constexpr int kReplySize = 400;
    QFile rmemMax(QStringLiteral("/proc/sys/net/core/rmem_max"));
    QVERIFY(rmemMax.open(QIODevice::ReadOnly));
    if (rmemMax.readAll().trimmed().toInt() < QtUdpEndpoint::kRequestedReceiveBuffer / 2)
        QSKIP("net.core.rmem_max is too small here for a burst of 1000 replies");

    QtUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(m_lab.pcIp)));
    QList<QByteArray> handled;
    int depth = 0;
    int deepest = 0;
    connect(&endpoint, &QtUdpEndpoint::datagramReceived, this, [&](const QByteArray& bytes, const QHostAddress&) {
        deepest = qMax(deepest, ++depth);
        handled.append(bytes);
        // The first handler makes a broadcast arrive on another of the
        // endpoint's sockets and opens a nested event loop, as a modal window
        // does: nothing is handed out until it has returned.
        if (handled.size() == 1) {
            run(m_lab.lanExec, peer({"send", m_lab.hosts[1], "255.255.255.255", "meanwhile"}));
            QEventLoop loop;
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        --depth;
    });

    // A batch ends after the datagrams that waited together, never empty.
    int batches = 0;
    int sinceBatch = 0;
    bool emptyBatch = false;
    connect(&endpoint, &QtUdpEndpoint::datagramReceived, this, [&] { ++sinceBatch; });
    connect(&endpoint, &QtUdpEndpoint::batchDelivered, this, [&] {
        ++batches;
        emptyBatch = emptyBatch || sinceBatch == 0;
        sinceBatch = 0;
    });

    // The burst arrives while the UI thread is busy (blocked in this call).
    QCOMPARE(run(m_lab.lanExec,
                 peer({"send", m_lab.hosts.first(), m_lab.pcIp, "reply", QString::number(kBurst),
                       QString::number(kReplySize)})),
             0);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), kBurst + 1, kWaitMs);
    settle();
    QCOMPARE(handled.size(), kBurst + 1);
    QCOMPARE(deepest, 1);
    QCOMPARE(handled.count("meanwhile"), 1);
    QCOMPARE(sinceBatch, 0);
    QVERIFY(!emptyBatch);
    QVERIFY2(batches < kBurst / 2, qPrintable(QStringLiteral("%1 batches").arg(batches)));
    handled.removeAll("meanwhile");
    for (int i = 0; i < kBurst; ++i) {
        const QByteArray prefix = "reply " + QByteArray::number(i) + ".";
        QVERIFY2(handled[i].startsWith(prefix), qPrintable(QStringLiteral("datagram %1 out of order").arg(i)));
        QCOMPARE(handled[i].size(), kReplySize);
    }
}

void NetLabTest::dropsItsOwnBroadcasts() {
    QtUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(m_lab.pcIp)));
    Recorder received(endpoint);
    // A plain socket on the limited broadcast address shows that the
    // broadcasts do come back to this machine.
    QUdpSocket probe;
    QVERIFY(probe.bind(QHostAddress::Broadcast, vantrel::protocol::kPort,
                       QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));

    Listener lan;
    QVERIFY(lan.start(m_lab.lanExec, QStringLiteral("0.0.0.0"), 2));
    const QByteArray identify("Qorvanix\0\0\x0a\x08\0\x11\x22\x33\x44\x55\0\0\0", 19);
    QVERIFY(endpoint.send(QStringLiteral("255.255.255.255"), kPoll));
    QVERIFY(endpoint.send(m_lab.broadcast, identify));

    // Both left through the lab's wire, from the bound address.
    bool complete = false;
    const QStringList seen = lan.lines(&complete);
    QVERIFY2(complete, qPrintable(seen.join(QLatin1Char('|'))));
    QCOMPARE(seen.size(), 2);
    QVERIFY2(seen[0].startsWith(m_lab.pcIp + " 12 Qorvanix"), qPrintable(seen[0]));
    QVERIFY2(seen[1].startsWith(m_lab.pcIp + " 19 Qorvanix"), qPrintable(seen[1]));

    QTRY_VERIFY_WITH_TIMEOUT(probe.hasPendingDatagrams(), kWaitMs);
    QCOMPARE(probe.receiveDatagram().senderAddress(), QHostAddress(m_lab.pcIp));

    QCOMPARE(run(m_lab.lanExec, peer({"send", m_lab.hosts.first(), m_lab.pcIp, "end"})), 0);
    QTRY_VERIFY_WITH_TIMEOUT(received.has("end"), kWaitMs);
    settle();
    QCOMPARE(received.datagrams.size(), 1);
}

void NetLabTest::sendThroughAVanishedAddressFails() {
    // An address of the pc that goes away while the endpoint is bound to it
    // (an adapter unplugged, a lease lost).
    const QString fleeting = QStringLiteral("10.77.0.2");
    const QString withPrefix = fleeting + QStringLiteral("/16");
    QCOMPARE(run(m_lab.pcExec, {"ip", "addr", "add", withPrefix, "dev", m_lab.pcIf}), 0);
    auto removeAddress = qScopeGuard([&] { run(m_lab.pcExec, {"ip", "addr", "del", withPrefix, "dev", m_lab.pcIf}); });

    QtUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(fleeting)));
    ScriptedServices services;
    QVERIFY(sendNetworkPacket(endpoint, services, m_lab.hosts.first(), kPoll, false));
    QVERIFY(services.messages.isEmpty());

    removeAddress.dismiss();
    QCOMPARE(run(m_lab.pcExec, {"ip", "addr", "del", withPrefix, "dev", m_lab.pcIf}), 0);

    for (const QString& destination : {m_lab.hosts.first(), QStringLiteral("255.255.255.255")}) {
        services.clearRecord();
        QVERIFY2(!sendNetworkPacket(endpoint, services, destination, kPoll, false), qPrintable(destination));
        QCOMPARE(services.messages.size(), 1);
        QCOMPARE(services.messages.first().text, kSendError);

        services.clearRecord();
        QVERIFY2(!sendNetworkPacket(endpoint, services, destination, kPoll, true), qPrintable(destination));
        QVERIFY(services.messages.isEmpty());
    }
}

void NetLabTest::rebindingMovesTheEndpoint() {
    QtUdpEndpoint endpoint;
    QVERIFY(endpoint.bind(QHostAddress(m_lab.pcIp)));
    QVERIFY(endpoint.bind(QHostAddress(m_lab.pcxIp)));
    QCOMPARE(endpoint.boundAddress(), QHostAddress(m_lab.pcxIp));
    QCOMPARE(endpoint.mask(), QHostAddress(m_lab.otherMask));

    // The poll goes out from the new address, on the new adapter's wire.
    Listener other;
    QVERIFY(other.start(m_lab.otherExec, QStringLiteral("0.0.0.0"), 1));
    QVERIFY(endpoint.send(QStringLiteral("255.255.255.255"), kPoll));
    bool complete = false;
    const QStringList seen = other.lines(&complete);
    QVERIFY(complete);
    QVERIFY(seen.first().startsWith(m_lab.pcxIp + " 12 "));

    // The old address is free, and traffic of the old adapter no longer arrives.
    QtUdpEndpoint another;
    QVERIFY(another.bind(QHostAddress(m_lab.pcIp)));
    Recorder received(endpoint);
    QCOMPARE(run(m_lab.lanExec, peer({"send", m_lab.hosts.first(), "255.255.255.255", "old adapter"})), 0);
    QCOMPARE(run(m_lab.otherExec, peer({"send", m_lab.otherIp, "255.255.255.255", "new adapter"})), 0);
    QTRY_VERIFY_WITH_TIMEOUT(received.has("new adapter"), kWaitMs);
    settle();
    QCOMPARE(received.datagrams.size(), 1);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("VANTREL_LAB_PC_IP") || qEnvironmentVariableIsEmpty("VANTREL_LAB_LAN_EXEC")) {
        std::fprintf(stderr, "net_lab_tests: skipped: not inside the network lab (run it through scripts/netlab.sh)\n");
        return kSkip;
    }
    // Never on a real interface: the lab's pc namespace holds only these.
    const QStringList labInterfaces{QStringLiteral("lo"), env("VANTREL_LAB_PC_IF"), env("VANTREL_LAB_PCX_IF")};
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        if (!labInterfaces.contains(iface.name())) {
            std::fprintf(stderr, "net_lab_tests: interface %s is not the lab's; refusing to run\n",
                         qPrintable(iface.name()));
            return 1;
        }
    }
    NetLabTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_net_lab.moc"
