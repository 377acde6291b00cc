#include "net/QtUdpEndpoint.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QNetworkInterface>
#include <QPointer>
#include <QUdpSocket>
#include <QVariant>
#include <utility>

#include "protocol/Header.h"

namespace vantrel::net {

namespace {

constexpr int kIpv4Bits = 32;
constexpr quint32 kAllOnes = 0xFFFFFFFFu;

struct LocalAddress {
    QHostAddress mask;
    int interfaceIndex = 0;
    bool found = false;
};

QHostAddress maskOf(const QNetworkAddressEntry& entry) {
    const QHostAddress mask = entry.netmask();
    if (mask.protocol() == QAbstractSocket::IPv4Protocol)
        return mask;
    const int prefix = qBound(0, entry.prefixLength(), kIpv4Bits);
    return QHostAddress(prefix == 0 ? 0u : kAllOnes << (kIpv4Bits - prefix));
}

LocalAddress findLocalAddress(const QHostAddress& address) {
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (entry.ip() == address)
                return {maskOf(entry), iface.index(), true};
        }
    }
    return {};
}

QList<QHostAddress> localIpv4Addresses() {
    QList<QHostAddress> result;
    const QList<QHostAddress> all = QNetworkInterface::allAddresses();
    for (const QHostAddress& address : all) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            result.append(address);
    }
    return result;
}

} // namespace

QtUdpEndpoint::QtUdpEndpoint(QObject* parent) : UdpEndpoint(parent) {}

QtUdpEndpoint::~QtUdpEndpoint() { close(); }

bool QtUdpEndpoint::bind(const QHostAddress& address) {
    const LocalAddress local = findLocalAddress(address);
    // An address that is not the PC's gets a host mask; binding it fails below.
    return bind(address, local.found ? local.mask : QHostAddress(QHostAddress::Broadcast));
}

bool QtUdpEndpoint::bind(const QHostAddress& address, const QHostAddress& mask) {
    close();
    if (address.protocol() != QAbstractSocket::IPv4Protocol || mask.protocol() != QAbstractSocket::IPv4Protocol)
        return false;

    // The unicast socket first: when another copy of the program holds the
    // address, nothing else is bound.
    m_unicast = openSocket(address, true);
    if (m_unicast == nullptr)
        return false;

    const bool any = address == QHostAddress(QHostAddress::AnyIPv4);
    if (!any) {
        const quint32 ip = address.toIPv4Address();
        const quint32 bits = mask.toIPv4Address();
        const quint32 hostBits = ~bits;
        const quint32 subnetBroadcast = (ip & bits) | hostBits;
        // A /31 or /32 has no broadcast address of its own, and a 0.0.0.0 mask
        // makes it the limited broadcast, which has its own socket. Without
        // this socket only subnet-directed broadcasts are missed, so a system
        // that refuses it (an address without a broadcast route) still binds.
        if (hostBits > 1u && subnetBroadcast != kAllOnes)
            m_subnetBroadcast = openSocket(QHostAddress(subnetBroadcast), false);
        m_limitedBroadcast = openSocket(QHostAddress(QHostAddress::Broadcast), false);
        if (m_limitedBroadcast == nullptr) {
            close();
            return false;
        }
    }

    m_address = address;
    m_mask = mask;
    m_interfaceIndex = any ? 0 : findLocalAddress(address).interfaceIndex;
    m_ownAddresses = any ? localIpv4Addresses() : QList<QHostAddress>{address};
    m_receiveBufferSize = m_unicast->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    return true;
}

QUdpSocket* QtUdpEndpoint::openSocket(const QHostAddress& address, bool exclusive) {
    auto* socket = new QUdpSocket(this);
    const QAbstractSocket::BindMode mode =
        exclusive ? QAbstractSocket::DontShareAddress
                  : (QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
    if (!socket->bind(address, protocol::kPort, mode)) {
        delete socket;
        return nullptr;
    }
    // Only after bind(): before it Qt drops the option silently. QUdpSocket
    // turns broadcast sending on by itself.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kRequestedReceiveBuffer));
    connect(socket, &QUdpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    return socket;
}

void QtUdpEndpoint::close() {
    ++m_generation;
    for (QUdpSocket** slot : {&m_unicast, &m_subnetBroadcast, &m_limitedBroadcast}) {
        QUdpSocket* socket = std::exchange(*slot, nullptr);
        if (socket == nullptr)
            continue;
        socket->disconnect(this);
        socket->close(); // frees the port now, so a rebind can follow at once
        if (m_dispatching) {
            // A handler closed the endpoint while a socket may be emitting
            // readyRead: delete it once that emission is over, also when the
            // endpoint itself goes meanwhile.
            socket->setParent(nullptr);
            socket->deleteLater();
        } else {
            delete socket;
        }
    }
    m_address = QHostAddress();
    m_mask = QHostAddress();
    m_ownAddresses.clear();
    m_interfaceIndex = 0;
    m_receiveBufferSize = 0;
}

bool QtUdpEndpoint::isBound() const { return m_unicast != nullptr; }

QHostAddress QtUdpEndpoint::boundAddress() const { return m_address; }

bool QtUdpEndpoint::send(const QString& ip, const QByteArray& bytes) {
    if (m_unicast == nullptr)
        return false;
    QHostAddress destination;
    if (!destination.setAddress(ip) || destination.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const qint64 written = m_unicast->writeDatagram(bytes, destination, protocol::kPort);
    return written == bytes.size();
}

bool QtUdpEndpoint::inSubnet(const QHostAddress& address) const {
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const quint32 bits = m_mask.toIPv4Address();
    return (address.toIPv4Address() & bits) == (m_address.toIPv4Address() & bits);
}

bool QtUdpEndpoint::accept(const QHostAddress& sender, int arrivedOn, Role role) const {
    for (const QHostAddress& own : m_ownAddresses) {
        if (sender.isEqual(own, QHostAddress::TolerantConversion))
            return false; // our own broadcast coming back
    }
    if (role == Role::Unicast)
        return true;
    // A broadcast counts when it arrived on the adapter's interface, whatever
    // its sender's address: a controller on another subnet answers that way,
    // and the user must see it to readdress it. Without the interface, fall
    // back to the sender's subnet.
    if (m_interfaceIndex != 0 && arrivedOn != 0)
        return arrivedOn == m_interfaceIndex;
    return inSubnet(sender);
}

std::size_t QtUdpEndpoint::slotOf(const QUdpSocket* socket) const {
    if (socket == nullptr)
        return kSocketCount;
    if (socket == m_unicast)
        return 0;
    if (socket == m_subnetBroadcast)
        return 1;
    if (socket == m_limitedBroadcast)
        return 2;
    return kSocketCount;
}

void QtUdpEndpoint::onReadyRead(QUdpSocket* socket) {
    const std::size_t slot = slotOf(socket);
    if (slot == kSocketCount)
        return;
    m_signalled[slot] = true;
    // A handler running a nested event loop (a modal window) holds the
    // delivery: the pass that is running reads this socket once it returns.
    // A pass queued for the next turn reads it too.
    if (m_dispatching || m_passQueued)
        return;
    deliver();
}

// Reads every socket that has signalled until a read finds it empty or the
// pass has run kPassBudgetMs, and hands the datagrams out one at a time, then
// ends the batch. Every signal is answered with at least one read: Qt stops
// signalling a socket whose readyRead was not followed by a read (measured:
// searches stopping after 400-900 of 1000 replies when a socket was drained
// from another socket's signal and then found empty on its own). So a socket
// is only read after it has signalled, each turn ends with a read that finds
// it empty, and a socket whose turn the budget cut short is read again by a
// pass queued for the next turn of the event loop (that pass also answers a
// signal that Qt swallowed while a handler ran a nested event loop inside
// this socket's own readyRead).
void QtUdpEndpoint::deliver() {
    m_dispatching = true;
    const QPointer<QtUdpEndpoint> self(this);
    const quint64 generation = m_generation;
    const std::array<Role, kSocketCount> roles = {Role::Unicast, Role::SubnetBroadcast, Role::LimitedBroadcast};
    QElapsedTimer pass;
    pass.start();
    const qint64 budgetNs = qint64{kPassBudgetMs} * 1000 * 1000;
    bool budgetLeft = true;
    bool more = true;
    while (more && budgetLeft) {
        more = false;
        int delivered = 0;
        const std::size_t first = m_firstSlot;
        m_firstSlot = (m_firstSlot + 1) % kSocketCount; // no socket starves the others
        for (std::size_t turn = 0; turn < kSocketCount && budgetLeft; ++turn) {
            const std::size_t slot = (first + turn) % kSocketCount;
            if (!m_signalled[slot])
                continue;
            m_signalled[slot] = false;
            QUdpSocket* const socket = slot == 0 ? m_unicast : slot == 1 ? m_subnetBroadcast : m_limitedBroadcast;
            QByteArray bytes;
            QHostAddress sender;
            bool accepted = false;
            while (socket != nullptr) {
                // Read until a read finds nothing: that read re-arms the socket,
                // so Qt signals it again when more arrives.
                if (!readOne(socket, roles[slot], bytes, sender, accepted))
                    break;
                if (pass.nsecsElapsed() >= budgetNs) {
                    // The rest, and any signal that a handler's nested event
                    // loop kept from coming, wait for a pass on the next turn.
                    m_signalled[slot] = true;
                    budgetLeft = false;
                }
                if (!accepted) {
                    if (!budgetLeft)
                        break;
                    continue;
                }
                ++delivered;
                emit datagramReceived(bytes, sender);
                if (self.isNull())
                    return; // the handler deleted the endpoint
                if (m_generation != generation) {
                    // Closed or rebound meanwhile: the old sockets are gone,
                    // and the new ones may have signalled while this pass held
                    // the delivery.
                    emit batchDelivered();
                    if (self.isNull())
                        return;
                    m_dispatching = false;
                    if (isBound())
                        queuePass();
                    return;
                }
                if (!budgetLeft)
                    break;
            }
        }
        if (delivered > 0) {
            emit batchDelivered();
            if (self.isNull())
                return;
        }
        // Sockets that signalled while a handler ran a nested event loop.
        for (bool signalled : m_signalled)
            more = more || signalled;
    }
    m_dispatching = false;
    if (more)
        queuePass();
}

void QtUdpEndpoint::queuePass() {
    if (m_passQueued)
        return;
    m_passQueued = true;
    QMetaObject::invokeMethod(this, &QtUdpEndpoint::deliverSignalled, Qt::QueuedConnection);
}

bool QtUdpEndpoint::readOne(QUdpSocket* socket, Role role, QByteArray& bytes, QHostAddress& sender, bool& accepted) {
    // One byte more than the largest packet tells an oversized datagram apart.
    constexpr qint64 kReadSize = static_cast<qint64>(protocol::kMaxDatagram) + 1;
    int arrivedOn = 0;
    if (role == Role::Unicast) {
        // The unicast socket needs no interface: a plain read into one buffer.
        if (m_buffer.size() != kReadSize)
            m_buffer.resize(kReadSize);
        const qint64 size = socket->readDatagram(m_buffer.data(), kReadSize, &sender);
        if (size < 0)
            return false;
        accepted = size <= static_cast<qint64>(protocol::kMaxDatagram);
        if (accepted)
            bytes = QByteArray(m_buffer.constData(), static_cast<qsizetype>(size));
    } else {
        const QNetworkDatagram datagram = socket->receiveDatagram(kReadSize);
        if (!datagram.isValid())
            return false;
        sender = datagram.senderAddress();
        arrivedOn = static_cast<int>(datagram.interfaceIndex());
        bytes = datagram.data();
        accepted = bytes.size() <= static_cast<qsizetype>(protocol::kMaxDatagram);
    }
    // Larger than any packet of the protocol: dropped, never cut short.
    accepted = accepted && accept(sender, arrivedOn, role);
    return true;
}

void QtUdpEndpoint::deliverSignalled() {
    m_passQueued = false;
    if (m_dispatching)
        return;
    for (bool signalled : m_signalled) {
        if (signalled) {
            deliver();
            return;
        }
    }
}

} // namespace vantrel::net
