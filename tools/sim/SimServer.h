#pragma once
// Puts the simulated controllers on real sockets.
//
// One UDP socket on 0.0.0.0:49150 (address sharing on) hears broadcasts and
// unicasts; the destination address of each (IP_PKTINFO) tells which
// controller a unicast is for. Replies leave from each controller's own
// address: either the same socket names the source address of each datagram
// (shared mode, the default: one descriptor for any number of controllers), or
// one socket per controller address, bound to address:49150, sends them
// (per-address mode; unicasts to that address then arrive on it). Measured in
// the lab with 1000 controllers answering one poll: shared 9-15 ms from the
// poll to the last reply, per-address 24-55 ms; none lost either way. A controller
// in its bootloader listens on TCP address:49150 for the firmware upload.
// Every datagram received and sent is logged, decoded, as a JSON line.

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <map>
#include <memory>
#include <set>

#include "tools/sim/JsonLog.h"
#include "tools/sim/SimOptions.h"
#include "tools/sim/Simulator.h"
#include "tools/sim/UploadConnection.h"

class QUdpSocket;
class QTcpServer;

namespace vantrel::sim {

class FirmwareUpload;

class SimServer : public QObject {
    Q_OBJECT
  public:
    struct Config {
        SocketMode sockets = SocketMode::Shared;
        QString uploadDir; // empty: uploads are received and logged, not stored
        int diagnosticEveryMs = 0;
    };

    SimServer(Simulator& sim, JsonLog& log, Config config, QObject* parent = nullptr);
    ~SimServer() override;

    // Binds every socket. False with a message when an address is not on this
    // host or a socket cannot be bound.
    bool start(QString& error);

    // One diagnostic message from every controller (not in its bootloader).
    void sendDiagnosticRound();

    // The IPv4 addresses of this host (most significant octet first).
    static std::set<std::uint32_t> hostAddresses();
    static bool addressOnHost(const model::Ip4& ip);

  private:
    QUdpSocket* bindUdp(const model::Ip4& ip, QString& error);
    void readPending(QUdpSocket* socket, std::optional<model::Ip4> boundTo);
    void process(const Incoming& in);
    void schedule(const Outgoing& o);
    enum class SendResult { Sent, Busy, Failed };
    void transmit(const Outgoing& o);
    SendResult trySend(const Outgoing& o);
    void retryPending();
    void reconcile();
    void openListener(int controller);
    void acceptUpload(int controller, int descriptor);
    void finishUpload(int controller, FirmwareUpload& upload, UploadConnection::End end, const QString& why);
    void note(QJsonObject event);

    Simulator& sim_;
    JsonLog& log_;
    Config config_;
    QUdpSocket* shared_ = nullptr;
    std::map<std::uint32_t, QUdpSocket*> perAddress_; // by address, most significant octet first
    std::map<int, QTcpServer*> listeners_;            // by controller; null where listening failed
    std::deque<Outgoing> retry_;
    QTimer retryTimer_;
    QTimer diagnosticTimer_;
};

} // namespace vantrel::sim
