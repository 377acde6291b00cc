#pragma once
// The commands that act on controllers: backup, restore, set, identify, test,
// readdress and firmware. Each searches first (as discover does), resolves
// its targets, acts on every controller it resolved (never on one it did
// not), and reports one result a controller.
//
// Changing commands build their packets with the core's builders from the
// controller's record: the configuration as the window's OK sends it, the
// test set as the Test tab sends it, identify, network settings and the
// bootloader trigger; the firmware goes through the same upload as the
// firmware window, after the same file check.

#include <QHostAddress>
#include <QTextStream>

#include <functional>
#include <optional>
#include <vector>

#include "model/NodaluxCtrl.h"
#include "net/AdapterProvider.h"
#include "net/UdpEndpoint.h"
#include "tools/cli/CliEnvironment.h"
#include "tools/cli/CliOptions.h"
#include "tools/cli/Results.h"
#include "tools/cli/Targets.h"

namespace vantrel::cli {

class FleetCommands {
public:
    // The endpoint is bound to `adapter` already; `interruption` may be null.
    FleetCommands(const CliOptions& options, net::UdpEndpoint& endpoint, const net::Adapter& adapter,
                  const CliEnvironment& environment, Interruption* interruption, QTextStream& out, QTextStream& err);

    // Runs the command; the exit code.
    int run();

private:
    struct Plan; // settings to send to one controller

    // A search: one poll, then replies until `waitMs` have passed, `enough`
    // says so, or Ctrl-C. Nothing when the poll could not be sent.
    std::optional<std::vector<model::TNodaluxCtrl>> search(
        int waitMs, const std::function<bool(const std::vector<model::TNodaluxCtrl>&)>& enough = {});
    // Waits `ms`; false when Ctrl-C ended the wait.
    bool pause(int ms);
    bool interrupted() const;

    TargetResult& result(const Resolved& target, TargetResult::Outcome outcome, const QString& message);
    // The gates the configuration window runs before it lets a controller be
    // changed; the reason when this controller may not be.
    std::optional<QString> refusal(const model::TNodaluxCtrl& c, bool subnet) const;
    // Asks before changing more than one controller. False: nothing may be sent.
    bool confirmed(int count, const QString& what);

    void backup(const std::vector<Resolved>& targets);
    int changeSettings(const std::vector<Resolved>& targets);
    void sendAndVerify(std::vector<Plan>& plans);
    void identify(const std::vector<Resolved>& targets);
    void test(const std::vector<Resolved>& targets);
    int readdress(const std::vector<model::TNodaluxCtrl>& listed);
    int firmware(const std::vector<Resolved>& targets);
    // One controller's update: bootloader, upload, restart. The message of a failure.
    std::optional<QString> updateFirmware(TargetResult& result, const QByteArray& file);
    std::optional<model::TNodaluxCtrl> waitForController(const model::Mac& mac, int totalMs,
                                                         const std::function<bool(const model::TNodaluxCtrl&)>& ready);

    int finish(int code = -1);
    QString actionName() const;

    const CliOptions& m_options;
    net::UdpEndpoint& m_endpoint;
    net::Adapter m_adapter;
    const CliEnvironment& m_env;
    Interruption* m_interruption;
    QTextStream& m_out;
    QTextStream& m_err;
    std::vector<Selector> m_selectors;
    std::vector<TargetResult> m_results;
    bool m_stopped = false; // Ctrl-C ended sending
};

} // namespace vantrel::cli
