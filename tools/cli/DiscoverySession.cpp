#include "tools/cli/DiscoverySession.h"

#include <cstdint>
#include <optional>
#include <span>

#include "protocol/Header.h"
#include "protocol/PollReply.h"

namespace vantrel::cli {

DiscoverySession::DiscoverySession(net::UdpEndpoint& endpoint, QObject* parent)
    : QObject(parent), m_endpoint(endpoint) {
    connect(&m_endpoint, &net::UdpEndpoint::datagramReceived, this, &DiscoverySession::handleDatagram);
}

bool DiscoverySession::start() {
    m_list.clear();
    m_stats = {};
    m_lastListedNs = -1;
    const protocol::Bytes poll = protocol::buildPoll();
    m_sincePoll.start();
    return m_endpoint.send(QString::fromLatin1(net::kLimitedBroadcast), net::toByteArray(poll));
}

void DiscoverySession::handleDatagram(const QByteArray& bytes, const QHostAddress& /*sender*/) {
    ++m_stats.datagrams;
    const std::span<const std::uint8_t> datagram(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                 static_cast<std::size_t>(bytes.size()));
    std::optional<model::TNodaluxCtrl> record;
    switch (protocol::routeDatagram(datagram)) {
    case protocol::Route::PollReply:
        record = protocol::readPollReply(datagram);
        break;
    case protocol::Route::PollReplyV4Below:
        record = protocol::readPollReplyV4Below(datagram);
        break;
    default:
        ++m_stats.ignored;
        return;
    }
    if (!record) {
        ++m_stats.rejected;
        return;
    }
    const std::uint64_t full = m_list.droppedWhenFull();
    if (!m_list.append(std::move(*record))) {
        ++(m_list.droppedWhenFull() != full ? m_stats.full : m_stats.duplicates);
        return;
    }
    ++m_stats.listed;
    m_lastListedNs = m_sincePoll.isValid() ? m_sincePoll.nsecsElapsed() : -1;
    emit controllerListed(static_cast<int>(m_list.size()));
}

} // namespace vantrel::cli
