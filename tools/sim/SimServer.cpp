#include "tools/sim/SimServer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QHostAddress>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QSaveFile>
#include <QTcpServer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "model/Text.h"
#include "protocol/Header.h"
#include "tools/sim/FirmwareUpload.h"
#include "tools/sim/PacketJson.h"
#include "tools/sim/UploadConnection.h"

namespace vantrel::sim {

namespace {

// A bootloader's listener: hands each accepted connection's descriptor on
// instead of wrapping it in a QTcpSocket, so that the upload can tell the
// sender's end of stream from a reset (UploadConnection).
class UploadListener final : public QTcpServer {
  public:
    using QTcpServer::QTcpServer;
    std::function<void(int)> onIncoming;

  protected:
    void incomingConnection(qintptr descriptor) override {
        const int fd = static_cast<int>(descriptor);
        if (onIncoming) {
            onIncoming(fd);
        } else {
            ::close(fd);
        }
    }
};

// Receive and send buffers of the UDP sockets: a poll of a thousand controllers
// is a burst of a thousand replies.
constexpr int kSocketBufferBytes = 4 * 1024 * 1024;
// A send the kernel could not take right now is tried again after this pause.
constexpr int kRetryMs = 1;
constexpr std::uint32_t kAnyAddress = 0;

std::uint32_t toU32(const model::Ip4& ip) {
    return (std::uint32_t{ip[0]} << 24) | (std::uint32_t{ip[1]} << 16) | (std::uint32_t{ip[2]} << 8) | ip[3];
}

model::Ip4 fromHost(const QHostAddress& a) {
    bool ok = false;
    const quint32 v = a.toIPv4Address(&ok);
    if (!ok) return {};
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

QHostAddress toHost(const model::Ip4& ip) {
    return QHostAddress(toU32(ip));
}

QString ipText(const model::Ip4& ip) {
    return QString::fromStdString(model::ipText(ip));
}

// Sends one datagram from the socket bound to 0.0.0.0:49150 with `o.from` as
// its source address: IP_PKTINFO's ipi_spec_dst picks the source. (Naming the
// sender through QNetworkDatagram does not do it here: Qt 6.4 fills ipi_addr,
// which Linux ignores when sending, so every datagram left from the
// interface's first address.) Returns 0 or the errno of the failure.
int sendFrom(int fd, const Outgoing& o) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(o.to.port);
    to.sin_addr.s_addr = htonl(toU32(o.to.ip));
    iovec iov{const_cast<std::uint8_t*>(o.bytes.data()), o.bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(toU32(o.from));
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    ssize_t sent = -1;
    do {
        sent = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? errno : 0;
}

// One socket per address needs one descriptor per address: take the most the
// process may have.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

SimServer::SimServer(Simulator& sim, JsonLog& log, Config config, QObject* parent)
    : QObject(parent), sim_(sim), log_(log), config_(std::move(config)) {
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &SimServer::retryPending);
    connect(&diagnosticTimer_, &QTimer::timeout, this, [this] {
        if (auto o = sim_.nextDiagnostic()) transmit(*o);
    });
}

SimServer::~SimServer() = default;

std::set<std::uint32_t> SimServer::hostAddresses() {
    std::set<std::uint32_t> out;
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        bool ok = false;
        const quint32 v = a.toIPv4Address(&ok);
        if (ok) out.insert(v);
    }
    return out;
}

bool SimServer::addressOnHost(const model::Ip4& ip) {
    return hostAddresses().count(toU32(ip)) > 0;
}

QUdpSocket* SimServer::bindUdp(const model::Ip4& ip, QString& error) {
    auto* s = new QUdpSocket(this);
    const QHostAddress address = toU32(ip) == kAnyAddress ? QHostAddress(QHostAddress::AnyIPv4) : toHost(ip);
    if (!s->bind(address, protocol::kPort,
                 QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        error = QStringLiteral("cannot bind UDP %1:%2: %3")
                    .arg(address.toString())
                    .arg(protocol::kPort)
                    .arg(s->errorString());
        delete s;
        return nullptr;
    }
    // Buffer sizes are taken only after the bind.
    s->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kSocketBufferBytes);
    s->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSocketBufferBytes);
    std::optional<model::Ip4> boundTo;
    if (toU32(ip) != kAnyAddress) boundTo = ip;
    connect(s, &QUdpSocket::readyRead, this, [this, s, boundTo] { readPending(s, boundTo); });
    return s;
}

bool SimServer::start(QString& error) {
    sim_.setAddressCheck(&SimServer::addressOnHost);
    const auto& fleet = sim_.controllers();
    const std::set<std::uint32_t> onHost = hostAddresses();
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        if (!onHost.count(toU32(fleet[i].boundIP))) {
            error = QStringLiteral(
                        "address %1 of controller %2 is not an address of this host: run the simulator "
                        "inside the network lab (scripts/netlab.sh), or give addresses of this host")
                        .arg(ipText(fleet[i].boundIP))
                        .arg(i);
            return false;
        }
    }
    shared_ = bindUdp(model::Ip4{}, error);
    if (!shared_) return false;
    if (config_.sockets == SocketMode::PerAddress) {
        raiseDescriptorLimit();
        for (const SimController& c : fleet) {
            const std::uint32_t key = toU32(c.boundIP);
            if (perAddress_.count(key)) continue;
            QUdpSocket* s = bindUdp(c.boundIP, error);
            if (!s) return false;
            perAddress_[key] = s;
        }
    }
    reconcile();
    if (config_.diagnosticEveryMs > 0) diagnosticTimer_.start(config_.diagnosticEveryMs);
    return true;
}

void SimServer::readPending(QUdpSocket* socket, std::optional<model::Ip4> boundTo) {
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket->receiveDatagram(static_cast<qint64>(protocol::kMaxDatagram));
        if (!d.isValid()) break;
        Incoming in;
        in.from = Endpoint{fromHost(d.senderAddress()), static_cast<std::uint16_t>(d.senderPort())};
        in.to = boundTo ? *boundTo : fromHost(d.destinationAddress());
        const QByteArray data = d.data();
        in.bytes.assign(data.begin(), data.end());
        process(in);
    }
}

void SimServer::process(const Incoming& in) {
    const Handled h = sim_.handle(in);
    if (h.own) return;
    if (log_.enabled())
        log_.write(packetLine("rx", in.from.ip, in.from.port, in.to, protocol::kPort, in.bytes, h.decoded));
    for (const QJsonObject& e : h.events)
        note(e);
    for (const Outgoing& o : h.out)
        schedule(o);
    reconcile();
}

void SimServer::schedule(const Outgoing& o) {
    if (o.delayMs <= 0) {
        transmit(o);
        return;
    }
    QTimer::singleShot(o.delayMs, this, [this, o] { transmit(o); });
}

void SimServer::transmit(const Outgoing& o) {
    if (!retry_.empty()) {
        retry_.push_back(o); // behind what already waits, in order
        return;
    }
    if (trySend(o) == SendResult::Busy) {
        retry_.push_back(o);
        retryTimer_.start(kRetryMs);
    }
}

SimServer::SendResult SimServer::trySend(const Outgoing& o) {
    const auto own = perAddress_.find(toU32(o.from));
    QString failure;
    if (own != perAddress_.end()) {
        QUdpSocket* socket = own->second;
        const QByteArray data(reinterpret_cast<const char*>(o.bytes.data()),
                              static_cast<qsizetype>(o.bytes.size()));
        if (socket->writeDatagram(data, toHost(o.to.ip), o.to.port) < 0) {
            if (socket->error() == QAbstractSocket::TemporaryError) return SendResult::Busy;
            failure = socket->errorString();
        }
    } else {
        const int err = sendFrom(static_cast<int>(shared_->socketDescriptor()), o);
        if (err == EAGAIN || err == EWOULDBLOCK || err == ENOBUFS) return SendResult::Busy;
        if (err != 0) failure = QString::fromLocal8Bit(std::strerror(err));
    }
    if (!failure.isEmpty()) {
        QJsonObject e;
        e[QStringLiteral("event")] = QStringLiteral("sendFailed");
        e[QStringLiteral("controller")] = o.controller;
        e[QStringLiteral("from")] = ipText(o.from);
        e[QStringLiteral("to")] = ipText(o.to.ip);
        e[QStringLiteral("error")] = failure;
        note(e);
        return SendResult::Failed;
    }
    if (log_.enabled()) {
        QJsonObject line =
            packetLine("tx", o.from, protocol::kPort, o.to.ip, o.to.port, o.bytes, decodePacket(o.bytes));
        line[QStringLiteral("controller")] = o.controller;
        log_.write(line);
    }
    return SendResult::Sent;
}

void SimServer::retryPending() {
    while (!retry_.empty()) {
        if (trySend(retry_.front()) == SendResult::Busy) {
            retryTimer_.start(kRetryMs);
            return;
        }
        retry_.pop_front();
    }
}

void SimServer::reconcile() {
    const auto& fleet = sim_.controllers();
    if (config_.sockets == SocketMode::PerAddress) {
        for (const SimController& c : fleet) {
            const std::uint32_t key = toU32(c.boundIP);
            if (perAddress_.count(key)) continue;
            QString error;
            if (QUdpSocket* s = bindUdp(c.boundIP, error)) {
                perAddress_[key] = s;
            } else {
                QJsonObject e;
                e[QStringLiteral("event")] = QStringLiteral("socket");
                e[QStringLiteral("error")] = error;
                note(e);
            }
        }
    }
    for (std::size_t k = 0; k < fleet.size(); ++k) {
        const int i = static_cast<int>(k);
        const bool want = fleet[k].bootloader;
        const auto it = listeners_.find(i);
        if (want && it == listeners_.end()) {
            openListener(i);
        } else if (!want && it != listeners_.end()) {
            if (it->second) {
                it->second->close();
                it->second->deleteLater();
            }
            listeners_.erase(it);
        }
    }
}

void SimServer::openListener(int controller) {
    const SimController& c = sim_.controllers()[static_cast<std::size_t>(controller)];
    auto* server = new UploadListener(this);
    QJsonObject e;
    e[QStringLiteral("event")] = QStringLiteral("uploadListening");
    e[QStringLiteral("controller")] = controller;
    e[QStringLiteral("ip")] = ipText(c.boundIP);
    e[QStringLiteral("port")] = protocol::kPort;
    if (!server->listen(toHost(c.boundIP), protocol::kPort)) {
        e[QStringLiteral("error")] = server->errorString();
        delete server;
        listeners_[controller] = nullptr; // noted once, not tried again until the bootloader is left
        note(e);
        return;
    }
    listeners_[controller] = server;
    server->onIncoming = [this, controller](int descriptor) { acceptUpload(controller, descriptor); };
    note(e);
}

void SimServer::acceptUpload(int controller, int descriptor) {
    auto upload = std::make_shared<FirmwareUpload>();
    auto* connection = new UploadConnection(descriptor, this);
    QJsonObject e;
    e[QStringLiteral("event")] = QStringLiteral("uploadStarted");
    e[QStringLiteral("controller")] = controller;
    e[QStringLiteral("peer")] = connection->peerAddress();
    note(e);
    connection->onData = [this, controller, connection, upload](const QByteArray& piece) {
        if (upload->feed(piece) != FirmwareUpload::State::Rejected) return;
        QJsonObject r;
        r[QStringLiteral("event")] = QStringLiteral("uploadRejected");
        r[QStringLiteral("controller")] = controller;
        r[QStringLiteral("reason")] = QLatin1String(upload->reason());
        r[QStringLiteral("header")] = QString::fromLatin1(upload->header());
        note(r);
        connection->abort();
        connection->deleteLater();
    };
    connection->onEnded = [this, controller, connection, upload](UploadConnection::End end, const QString& why) {
        connection->deleteLater();
        finishUpload(controller, *upload, end, why);
    };
    connection->start();
}

void SimServer::finishUpload(int controller, FirmwareUpload& upload, UploadConnection::End end,
                             const QString& why) {
    // A broken connection is a failed upload: the bootloader keeps running and
    // nothing is stored, however much of the file came.
    upload.finish(end == UploadConnection::End::Closed);
    const bool complete = upload.complete();
    const QByteArray& body = upload.body();
    QJsonObject e = sim_.uploadFinished(controller, complete, body.size());
    e[QStringLiteral("header")] = QString::fromLatin1(upload.header());
    e[QStringLiteral("ended")] = QLatin1String(UploadConnection::endName(end));
    if (end != UploadConnection::End::Closed) e[QStringLiteral("error")] = why;
    e[QStringLiteral("sha256")] =
        QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    if (complete && !config_.uploadDir.isEmpty()) {
        const QString ip = e.value(QStringLiteral("ip")).toString();
        const QString path = QDir(config_.uploadDir).filePath(ip + QStringLiteral(".bin"));
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(body) == body.size() && file.commit()) {
            e[QStringLiteral("stored")] = path;
        } else {
            e[QStringLiteral("storeError")] =
                QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        }
    }
    note(e);
    reconcile();
}

void SimServer::sendDiagnosticRound() {
    for (const Outgoing& o : sim_.diagnosticRound())
        transmit(o);
}

void SimServer::note(QJsonObject event) {
    log_.write(std::move(event));
}

} // namespace vantrel::sim
