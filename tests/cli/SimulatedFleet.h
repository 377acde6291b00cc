#pragma once
// The simulator's controllers behind an in-process endpoint: what the
// command line sends goes to the simulator's behaviour (no socket), and what
// the controllers answer comes back as received datagrams. Faults are made
// here: a controller that refuses (its configuration packets are lost), one
// that vanishes after it was changed, one that is silent from the start, one
// that runs tests without reporting them.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>

#include "model/Text.h"
#include "net/FirmwareUpload.h"
#include "net/UdpEndpoint.h"
#include "protocol/Header.h"
#include "tools/sim/Fleet.h"
#include "tools/sim/Simulator.h"

namespace vantrel::testing {

class SimulatedFleet final : public net::UdpEndpoint {
    Q_OBJECT
public:
    struct Sent {
        QString ip;
        QByteArray bytes;
        std::uint16_t opcode() const {
            return bytes.size() >= 11 ? static_cast<std::uint16_t>((static_cast<std::uint8_t>(bytes[9]) << 8) |
                                                                   static_cast<std::uint8_t>(bytes[10]))
                                      : 0;
        }
    };

    explicit SimulatedFleet(std::vector<sim::SimController> fleet) : m_sim(std::move(fleet)) {}

    // --- faults, by controller index ---
    QSet<int> refuses;             // configuration packets to it are lost
    QSet<int> vanishesAfterChange; // after a configuration it answers no more
    QSet<int> silent;              // it never answers
    QSet<int> noTestReports;       // it runs tests but does not announce them
    // Called after every send (a test may act as the user would, e.g. press Ctrl-C).
    std::function<void(const Sent&)> onSend;

    const sim::Simulator& simulator() const { return m_sim; }
    sim::Simulator& simulator() { return m_sim; }
    QList<Sent> sent;
    QList<Sent> sentWith(std::uint16_t opcode) const {
        QList<Sent> out;
        for (const Sent& s : sent)
            if (s.opcode() == opcode) out << s;
        return out;
    }
    int indexOfIp(const QString& ip) const {
        const auto parsed = model::parseIp(ip.toStdString());
        for (std::size_t i = 0; i < m_sim.controllers().size(); ++i)
            if (parsed && m_sim.controllers()[i].boundIP == *parsed) return static_cast<int>(i);
        return -1;
    }

    // --- UdpEndpoint ---
    bool bind(const QHostAddress& address) override {
        m_address = address;
        m_bound = true;
        return true;
    }
    void close() override { m_bound = false; }
    bool isBound() const override { return m_bound; }
    QHostAddress boundAddress() const override { return m_address; }

    bool send(const QString& ip, const QByteArray& bytes) override {
        const auto to = model::parseIp(ip.toStdString());
        if (!m_bound || !to) return false;
        sent.push_back({ip, bytes});
        const Sent& s = sent.back();
        deliver(*to, s);
        if (onSend) onSend(s);
        return true;
    }

private:
    void deliver(const model::Ip4& to, const Sent& s) {
        const int target = indexOfIp(s.ip);
        if (s.opcode() == protocol::Opcode::Config && target >= 0 && refuses.contains(target)) return;
        sim::Incoming in;
        in.from = {*model::parseIp(m_address.toString().toStdString()), protocol::kPort};
        in.to = to;
        in.bytes.assign(s.bytes.begin(), s.bytes.end());
        const sim::Handled h = m_sim.handle(in);
        if (s.opcode() == protocol::Opcode::Config && target >= 0 && vanishesAfterChange.contains(target))
            m_gone.insert(target);
        for (const sim::Outgoing& o : h.out) {
            if (silent.contains(o.controller) || m_gone.contains(o.controller)) continue;
            if (noTestReports.contains(o.controller) && o.bytes.size() > 10 && o.bytes[10] == protocol::Opcode::TestAnnounce)
                continue;
            const QByteArray reply(reinterpret_cast<const char*>(o.bytes.data()), static_cast<qsizetype>(o.bytes.size()));
            const QHostAddress from(QString::fromStdString(model::ipText(o.from)));
            QTimer::singleShot(o.delayMs, this, [this, reply, from] {
                if (m_bound) emit datagramReceived(reply, from);
            });
        }
    }

    sim::Simulator m_sim;
    QHostAddress m_address;
    bool m_bound = false;
    QSet<int> m_gone;
};

// The firmware upload into the simulated controller's bootloader: a complete
// upload restarts it with its application, as the simulator's TCP side does.
class SimulatedUpload final : public net::FirmwareUpload {
    Q_OBJECT
public:
    SimulatedUpload(SimulatedFleet& fleet, QList<net::FirmwareUploadRequest>& requests)
        : m_fleet(fleet), m_requests(requests) {}
    net::FirmwareUploadResult result = net::FirmwareUploadResult::Sent;

    void start(const net::FirmwareUploadRequest& request) override {
        m_requests.push_back(request);
        m_running = true;
        QTimer::singleShot(0, this, [this, request] {
            if (!m_running) return;
            m_running = false;
            const int i = m_fleet.indexOfIp(request.host);
            const bool listening = i >= 0 && m_fleet.simulator().controllers()[static_cast<std::size_t>(i)].bootloader;
            if (!listening) {
                emit finished(net::FirmwareUploadResult::CannotConnect, QStringLiteral("Connection refused"));
                return;
            }
            emit connected();
            emit progress(request.file.size(), request.file.size());
            m_fleet.simulator().uploadFinished(i, result == net::FirmwareUploadResult::Sent, request.file.size());
            emit finished(result, QString());
        });
    }
    void cancel() override {
        if (!m_running) return;
        m_running = false;
        emit finished(net::FirmwareUploadResult::Cancelled, QStringLiteral("Cancelled."));
    }
    bool isRunning() const override { return m_running; }

private:
    SimulatedFleet& m_fleet;
    QList<net::FirmwareUploadRequest>& m_requests;
    bool m_running = false;
};

} // namespace vantrel::testing
