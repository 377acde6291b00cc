#pragma once
// An in-process endpoint for tests: no socket. It records every send and lets
// a test inject received datagrams. Like the real endpoint it starts unbound;
// while unbound, sends fail (and are recorded as failed) and injected
// datagrams are not delivered. Like the real endpoint it fails a send to a
// text that is not an IPv4 address and drops injected datagrams larger than
// the largest packet of the protocol (8192 bytes). Unlike the real endpoint it
// does deliver datagrams whose sender is its own bound address, so a test can
// show what the layers above do with the tool's own broadcasts.

#include <QList>

#include "net/UdpEndpoint.h"

namespace vantrel::net::testing {

class FakeUdpEndpoint final : public UdpEndpoint {
    Q_OBJECT
public:
    struct Sent {
        QString ip;
        QByteArray bytes;
        bool ok = true; // what send() returned
        bool operator==(const Sent&) const = default;
    };

    using UdpEndpoint::UdpEndpoint;

    bool bind(const QHostAddress& address) override;
    void close() override;
    bool isBound() const override { return m_bound; }
    QHostAddress boundAddress() const override { return m_address; }
    bool send(const QString& ip, const QByteArray& bytes) override;

    // Every send in call order, failed ones included.
    const QList<Sent>& sent() const { return m_sent; }
    void clearSent() { m_sent.clear(); }
    // Every address bind() was asked for, in call order.
    const QList<QHostAddress>& bindRequests() const { return m_bindRequests; }

    // The next `count` sends fail (return false), as when the address has gone away.
    void failNextSends(int count) { m_failSends = qMax(0, count); }
    // bind() to this address fails (as when another copy holds it) until cleared.
    void setBindFails(const QHostAddress& address, bool fails = true);

    // Hands a datagram to datagramReceived as if it had arrived from `sender`,
    // as a batch of its own (batchDelivered follows). An injection from inside
    // a handler waits until that handler has returned and joins the batch
    // being delivered, so datagrams are delivered one at a time, in injection
    // order. False when nothing is delivered: the endpoint is not bound, or
    // the datagram is larger than 8192 bytes.
    bool inject(const QByteArray& bytes, const QHostAddress& sender);
    // A burst: the datagrams that were waiting together, delivered in order
    // as one batch (one batchDelivered at the end). Those that inject() would
    // refuse are left out; false when none is delivered.
    bool injectBatch(const QList<QByteArray>& burst, const QHostAddress& sender);

private:
    bool accepts(const QByteArray& bytes) const;
    void deliverPending();

    bool m_bound = false;
    QHostAddress m_address;
    QList<Sent> m_sent;
    QList<QHostAddress> m_bindRequests;
    QList<QHostAddress> m_bindFailures;
    int m_failSends = 0;
    QList<QPair<QByteArray, QHostAddress>> m_pending;
    bool m_delivering = false;
};

} // namespace vantrel::net::testing
