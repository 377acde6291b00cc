#include "tools/sim/SignalBridge.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel::sim {

namespace {

int gPipe[2] = {-1, -1};

void onSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto written = ::write(gPipe[0], &byte, 1);
}

} // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {}

SignalBridge::~SignalBridge() {
    notifier_.reset();
    for (int& fd : gPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool SignalBridge::watch(std::initializer_list<int> numbers) {
    if (gPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, gPipe) != 0)
        return false;
    notifier_ = std::make_unique<QSocketNotifier>(gPipe[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalBridge::readPending);
    for (int s : numbers) {
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        if (::sigaction(s, &sa, nullptr) != 0) return false;
    }
    return true;
}

void SignalBridge::readPending() {
    unsigned char byte = 0;
    while (::read(gPipe[1], &byte, 1) == 1)
        emit caught(byte);
}

} // namespace vantrel::sim
