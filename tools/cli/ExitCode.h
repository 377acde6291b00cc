#pragma once
// vantrel-cli's exit codes (the README lists them).

namespace vantrel::cli::ExitCode {
inline constexpr int Ok = 0;                // every target done
inline constexpr int Failed = 1;            // a target failed or was skipped
inline constexpr int Usage = 2;             // a wrong command line
inline constexpr int AdapterNotListed = 3;  // --adapter is not one of this PC's addresses
inline constexpr int CannotBind = 4;        // UDP port 49150 cannot be bound on the adapter
inline constexpr int CannotSend = 5;        // the poll cannot be sent
inline constexpr int FewerThanExpected = 6; // discover: fewer controllers than --expect answered
inline constexpr int NotConfirmed = 7;      // changing several controllers was not confirmed
inline constexpr int FileUnusable = 8;      // the settings or firmware file cannot be used
inline constexpr int Interrupted = 130;     // Ctrl-C
} // namespace vantrel::cli::ExitCode
