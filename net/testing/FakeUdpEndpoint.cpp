#include "net/testing/FakeUdpEndpoint.h"

#include <QPointer>

#include "protocol/Header.h"

namespace vantrel::net::testing {

bool FakeUdpEndpoint::bind(const QHostAddress& address) {
    close();
    m_bindRequests.append(address);
    if (m_bindFailures.contains(address))
        return false;
    m_bound = true;
    m_address = address;
    return true;
}

void FakeUdpEndpoint::close() {
    m_bound = false;
    m_address = QHostAddress();
    m_pending.clear();
}

bool FakeUdpEndpoint::send(const QString& ip, const QByteArray& bytes) {
    QHostAddress destination;
    bool ok = m_bound && destination.setAddress(ip) && destination.protocol() == QAbstractSocket::IPv4Protocol;
    if (ok && m_failSends > 0) {
        --m_failSends;
        ok = false;
    }
    m_sent.append(Sent{ip, bytes, ok});
    return ok;
}

void FakeUdpEndpoint::setBindFails(const QHostAddress& address, bool fails) {
    m_bindFailures.removeAll(address);
    if (fails)
        m_bindFailures.append(address);
}

bool FakeUdpEndpoint::accepts(const QByteArray& bytes) const {
    return m_bound && bytes.size() <= static_cast<qsizetype>(protocol::kMaxDatagram);
}

bool FakeUdpEndpoint::inject(const QByteArray& bytes, const QHostAddress& sender) {
    return injectBatch({bytes}, sender);
}

bool FakeUdpEndpoint::injectBatch(const QList<QByteArray>& burst, const QHostAddress& sender) {
    bool any = false;
    for (const QByteArray& bytes : burst) {
        if (!accepts(bytes))
            continue;
        m_pending.append({bytes, sender});
        any = true;
    }
    if (any && !m_delivering)
        deliverPending(); // else the running delivery hands them out after the current handler
    return any;
}

void FakeUdpEndpoint::deliverPending() {
    m_delivering = true;
    const QPointer<FakeUdpEndpoint> self(this);
    // Datagrams injected by a batchDelivered handler make the next batch.
    while (!m_pending.isEmpty()) {
        while (!m_pending.isEmpty()) {
            const auto [data, from] = m_pending.takeFirst();
            emit datagramReceived(data, from);
            if (self.isNull())
                return;
        }
        emit batchDelivered();
        if (self.isNull())
            return;
    }
    m_delivering = false;
}

} // namespace vantrel::net::testing
