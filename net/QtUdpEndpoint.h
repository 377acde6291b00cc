#pragma once
// The UDP endpoint on real sockets.
//
// Linux does not hand broadcasts to a socket bound to a unicast address, so one
// binding of an adapter address is made of up to three sockets, all on port
// 49150:
//   - the unicast socket on the adapter address, exclusive (no address
//     sharing): every send goes out from it (broadcast sending is on), unicast
//     replies arrive on it, and a second copy of the program cannot bind the
//     same address;
//   - a receive-only socket on the adapter's subnet broadcast address
//     (10.1.255.255 for 10.1.2.3/16), shared with other programs;
//   - a receive-only socket on the limited broadcast address 255.255.255.255,
//     shared. It hears limited broadcasts from every interface of the PC, so it
//     keeps only those that arrived on the adapter's own interface; when the
//     receiving interface is not known, only senders inside the adapter's
//     subnet.
// Binding 0.0.0.0 makes one exclusive socket on every address instead.
// Datagrams whose sender is the endpoint's own address (its own broadcasts
// coming back) are dropped on every socket, and so are datagrams larger than
// the largest packet of the protocol.
//
// Delivery: on a socket's readyRead every datagram waiting in it is read and
// handed out through datagramReceived one at a time, on the thread that owns
// the endpoint; batchDelivered() follows each pass. A pass reads for at most
// kPassBudgetMs, so that a flood cannot hold the window: what is left follows
// on the next turn of the event loop, in order, in the pass queued for that
// turn (a socket that signals meanwhile waits for that pass too). Each
// socket's datagrams keep their arrival order; the sockets take turns at being
// read first. A handler that runs a nested event loop (a modal window) does
// not get a second datagram until it has returned: the others wait in the
// sockets' receive buffers meanwhile.
//
// Every socket asks for a receive buffer of kRequestedReceiveBuffer after
// binding, so that a burst of hundreds of replies is not dropped while the
// UI thread is busy.

#include <array>
#include <cstddef>

#include <QHostAddress>
#include <QList>
#include <QNetworkDatagram>

#include "net/UdpEndpoint.h"

class QUdpSocket;

namespace vantrel::net {

class QtUdpEndpoint final : public UdpEndpoint {
    Q_OBJECT
public:
    // Receive buffer asked of every socket after binding. The kernel caps it at
    // net.core.rmem_max; receiveBufferSize() tells what was granted.
    static constexpr int kRequestedReceiveBuffer = 4 * 1024 * 1024;
    // How long one pass reads before the event loop gets a turn; the rest
    // follow on the next turn, in order.
    static constexpr int kPassBudgetMs = 5;

    explicit QtUdpEndpoint(QObject* parent = nullptr);
    ~QtUdpEndpoint() override;

    // Looks the subnet mask up among the system's addresses (a host mask when
    // the address is not one of them, in which case the bind fails anyway).
    bool bind(const QHostAddress& address) override;
    // Same with the mask given by the caller (the adapter list carries it).
    // False when the unicast or the limited broadcast socket cannot be bound;
    // the subnet broadcast socket is made when the system lets it be bound.
    bool bind(const QHostAddress& address, const QHostAddress& mask);
    void close() override;
    bool isBound() const override;
    QHostAddress boundAddress() const override;
    bool send(const QString& ip, const QByteArray& bytes) override;

    // Receive buffer of the unicast socket as read back after binding, in
    // bytes (Linux reports twice what it granted); 0 when not bound.
    int receiveBufferSize() const { return m_receiveBufferSize; }
    QHostAddress mask() const { return m_mask; }
    // The binding includes a subnet broadcast socket (never for /31 and /32
    // masks, whose "broadcast" is no broadcast, nor for 0.0.0.0).
    bool hasSubnetBroadcastSocket() const { return m_subnetBroadcast != nullptr; }
    bool hasLimitedBroadcastSocket() const { return m_limitedBroadcast != nullptr; }

private:
    enum class Role { Unicast, SubnetBroadcast, LimitedBroadcast };

    QUdpSocket* openSocket(const QHostAddress& address, bool exclusive);
    static constexpr std::size_t kSocketCount = 3;
    std::size_t slotOf(const QUdpSocket* socket) const;
    void onReadyRead(QUdpSocket* socket);
    void deliver();
    void deliverSignalled();
    // A pass on the next turn of the event loop, for the sockets that signalled.
    void queuePass();
    // Reads one datagram of `socket`; false when none could be read.
    bool readOne(QUdpSocket* socket, Role role, QByteArray& bytes, QHostAddress& sender, bool& accepted);
    bool accept(const QHostAddress& sender, int arrivedOn, Role role) const;
    bool inSubnet(const QHostAddress& address) const;

    QUdpSocket* m_unicast = nullptr;
    QUdpSocket* m_subnetBroadcast = nullptr;
    QUdpSocket* m_limitedBroadcast = nullptr;
    QHostAddress m_address;
    QHostAddress m_mask;
    QList<QHostAddress> m_ownAddresses; // senders that are the endpoint itself
    int m_interfaceIndex = 0;           // 0: the address's interface is not known
    int m_receiveBufferSize = 0;
    bool m_dispatching = false;
    std::array<bool, kSocketCount> m_signalled{}; // sockets that signalled and wait for a read
    std::size_t m_firstSlot = 0;                  // the socket read first in the next pass
    bool m_passQueued = false;                    // a pass waits for the next turn
    QByteArray m_buffer;                          // the unicast socket reads into it
    quint64 m_generation = 0; // changes with every close, so a drain notices a rebind under it
};

} // namespace vantrel::net
