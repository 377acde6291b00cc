#pragma once
// One discovery as the program does it: empty the list, broadcast a poll, and
// hand every datagram the endpoint delivers to the receive dispatch, the
// poll-reply readers of both layouts and the list's duplicate rule.
//
// Only poll replies matter here: test announces, diagnostic messages and
// every other datagram (the tool's own poll or identify, should one get past
// the endpoint) are counted and left alone.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include "model/Controllers.h"
#include "net/Datagrams.h"
#include "net/UdpEndpoint.h"

namespace vantrel::cli {

struct DiscoveryStats {
    int datagrams = 0;  // handed over by the endpoint
    int listed = 0;     // poll replies that added a controller
    int duplicates = 0; // poll replies from an address listed already
    int full = 0;       // poll replies dropped because the list was full
    int rejected = 0;   // poll replies that do not decode (short, too many outputs, unknown model)
    int ignored = 0;    // anything else: not a packet of ours, or not a poll reply
    bool operator==(const DiscoveryStats&) const = default;
};

class DiscoverySession final : public QObject {
    Q_OBJECT
public:
    // The endpoint must outlive the session and be bound before start().
    explicit DiscoverySession(net::UdpEndpoint& endpoint, QObject* parent = nullptr);

    // Empties the list and broadcasts one poll. False when the poll could not be sent.
    bool start();

    const model::ControllerList& controllers() const { return m_list; }
    const DiscoveryStats& stats() const { return m_stats; }
    // Nanoseconds from the poll to the most recently listed controller; -1 when none is listed.
    qint64 lastListedNs() const { return m_lastListedNs; }

    // The receive dispatch for one datagram (public so tests can drive it directly).
    void handleDatagram(const QByteArray& bytes, const QHostAddress& sender);

signals:
    // A new controller was listed; `count` controllers are listed now.
    void controllerListed(int count);

private:
    net::UdpEndpoint& m_endpoint;
    model::ControllerList m_list;
    DiscoveryStats m_stats;
    QElapsedTimer m_sincePoll;
    qint64 m_lastListedNs = -1;
};

} // namespace vantrel::cli
