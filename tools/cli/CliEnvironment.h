#pragma once
// What vantrel-cli's commands take from their surroundings, so that tests can
// give their own: the terminal (confirmation and progress), the waits of the
// commands, the firmware upload, Ctrl-C, and the tool's own version.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "net/FirmwareUpload.h"

namespace vantrel::cli {

struct Terminal {
    // Standard input is a terminal: a person can confirm there.
    bool canConfirm = false;
    // One line typed by that person (without its line end).
    std::function<QString()> readAnswer;
    // Standard error is a terminal: progress is shown there.
    bool showProgress = false;
};

// The waits of the commands, in milliseconds.
struct CliTiming {
    int settleMs = 200;            // after sending settings, before searching again (as the window waits)
    int bootloaderPauseMs = 1000;  // after the bootloader trigger
    int bootloaderWaitMs = 15000;  // longest wait for the controller to answer from its bootloader
    int restartWaitMs = 90000;     // longest wait for the controller to answer with its application after an upload
    int searchEveryMs = 1000;      // how long each of those repeated searches listens
    int readdressTries = 3;        // searches for a readdressed controller at its new address
};

// Ctrl-C: the command stops sending and reports what it did.
class Interruption final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void request() {
        if (m_requested) return;
        m_requested = true;
        emit requested();
    }
    bool isRequested() const { return m_requested; }

signals:
    void requested();

private:
    bool m_requested = false;
};

struct CliEnvironment {
    Terminal terminal;
    CliTiming timing;
    std::function<std::unique_ptr<net::FirmwareUpload>()> makeUpload;
    // The tool's version (major, minor, build): --version, and the controllers' minimum.
    std::array<std::uint8_t, 3> version{};
};

} // namespace vantrel::cli
