#pragma once
// The simulated controllers' behaviour, without sockets: a received datagram
// goes in, the datagrams the controllers send in answer come out, with what
// happened (for the log). The server puts these on real sockets; the tests
// call it with bytes.
//
// What the controllers do:
// - poll (1): every controller that hears it answers with its poll reply, to
//   the sender, each after its own random delay (0 .. the maximum);
// - configuration (5): the controller at the destination address applies it
//   when its form, length and (current layout) MAC fit; the next poll shows it;
// - network settings (7): every controller with the packet's MAC takes the
//   addressing; a static address takes effect at once;
// - test set (8): the controller at the destination address (with that MAC
//   from protocol 5 on) runs the test and announces it (9) to the sender;
// - identify (10, 19 bytes): a protocol-8-or-later controller with the MAC
//   starts identifying; the all-zero MAC stops every one;
// - bootloader trigger (6): the controller at the destination address
//   (current form: with that MAC) switches to its bootloader, which answers
//   polls in the bootloader form and takes a firmware upload over TCP;
// - diagnostic messages (10) on request.
// A controller in its bootloader answers polls only. Datagrams that one of
// the simulated controllers sent (broadcasts heard back) are ignored.

#include <QJsonObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "protocol/ByteWriter.h"
#include "protocol/Header.h"
#include "tools/sim/SimController.h"

namespace vantrel::sim {

inline constexpr model::Ip4 kLimitedBroadcast{255, 255, 255, 255};

struct Endpoint {
    model::Ip4 ip{};
    std::uint16_t port = protocol::kPort;
    bool operator==(const Endpoint&) const = default;
};

struct Incoming {
    Endpoint from;
    model::Ip4 to{}; // the datagram's destination address; 0.0.0.0 when unknown (taken as a broadcast)
    protocol::Bytes bytes;
};

struct Outgoing {
    int controller = -1;
    model::Ip4 from{}; // the controller's host address
    Endpoint to;
    protocol::Bytes bytes;
    int delayMs = 0;
};

struct Handled {
    bool own = false;    // sent by a simulated controller: ignored and not logged
    QJsonObject decoded; // the received packet, decoded for the log
    std::vector<Outgoing> out;
    std::vector<QJsonObject> events; // {"event": ..., "controller": i, "ip": ..., ...}
};

class Simulator {
  public:
    // Tells whether an address exists on this host (a controller can only send from such an address).
    using AddressCheck = std::function<bool(const model::Ip4&)>;

    explicit Simulator(std::vector<SimController> fleet, std::uint32_t seed = 1, int maxDelayMs = 0);

    void setAddressCheck(AddressCheck check) { onHost_ = std::move(check); }
    const std::vector<SimController>& controllers() const { return fleet_; }

    Handled handle(const Incoming& in);

    // A diagnostic message from controller i (not in its bootloader), to the
    // last tool heard from, or broadcast when none was heard yet. Severity and
    // text cycle through error, warning and information.
    std::optional<Outgoing> diagnostic(int i);
    // One message from every controller that is not in its bootloader.
    std::vector<Outgoing> diagnosticRound();
    // One message from the next controller in turn.
    std::optional<Outgoing> nextDiagnostic();

    // The end of a firmware upload to controller i's bootloader. A complete
    // upload restarts the controller with its application.
    QJsonObject uploadFinished(int i, bool complete, qint64 bytes);

  private:
    std::vector<int> unicastTargets(const model::Ip4& to) const;
    bool isBroadcast(const model::Ip4& to) const;
    bool isOwn(const model::Ip4& from) const;
    int delay();
    QJsonObject event(const char* name, int i) const;
    void applyAddressing(int i, Handled& h);

    void poll(const Incoming& in, Handled& h);
    void configure(const Incoming& in, Handled& h);
    void networkSettings(const Incoming& in, Handled& h);
    void testSet(const Incoming& in, Handled& h);
    void identify(const Incoming& in, Handled& h);
    void bootloaderTrigger(const Incoming& in, Handled& h);

    std::vector<SimController> fleet_;
    std::mt19937 random_;
    int maxDelayMs_;
    AddressCheck onHost_;
    std::optional<Endpoint> lastTool_;
    std::size_t nextDiagnostic_ = 0;
    std::uint32_t diagnosticsSent_ = 0;
};

} // namespace vantrel::sim
