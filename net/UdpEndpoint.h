#pragma once
// The tool's UDP endpoint: bound to one adapter address and port 49150,
// broadcast sending on, receiving unicast replies and the broadcasts that
// arrive on that adapter. Received datagrams are handed out one at a time, in
// arrival order, on the thread that owns the endpoint (the UI thread), in
// batches: every datagram that was waiting, then batchDelivered(). A receiver
// does each datagram's work at once and what is costly to repeat (redrawing a
// window) once per batch.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

namespace vantrel::net {

class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~UdpEndpoint() override = default;

    // Closes any current binding and binds to `address`:49150. False when the
    // address cannot be bound (for instance another copy of the program holds it).
    virtual bool bind(const QHostAddress& address) = 0;
    virtual void close() = 0;
    virtual bool isBound() const = 0;
    virtual QHostAddress boundAddress() const = 0;

    // Sends one datagram to (ip, 49150). `ip` is a dotted IPv4 text;
    // "255.255.255.255" is the limited broadcast. False on any send error.
    virtual bool send(const QString& ip, const QByteArray& bytes) = 0;

signals:
    // One received datagram and its sender.
    void datagramReceived(const QByteArray& bytes, const QHostAddress& sender);
    // The datagrams handed out since the last batchDelivered() were all that
    // waited: the endpoint goes back to the event loop after this.
    void batchDelivered();
};

} // namespace vantrel::net
