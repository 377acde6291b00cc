#pragma once
// The firmware file and its upload, as the firmware window and the command
// line both use them: the file and generation check on the file's name, the
// header line of the upload stream and the upload's timing.

#include <cstdint>
#include <string_view>

namespace vantrel::model {

inline constexpr char kFirmwareExtension[] = ".hex";
// Written first on the upload connection, with its line end.
inline constexpr char kFirmwareHeaderLine[] = "Firmware Nodalux 16\r\n";

// The upload's timing (milliseconds): the pause between the header line and
// the file, and the longest waits for the connection, for progress while
// sending, and for the close.
inline constexpr int kFirmwareHeaderPauseMs = 2000;
inline constexpr int kFirmwareConnectTimeoutMs = 15000;
inline constexpr int kFirmwareStallTimeoutMs = 15000;
inline constexpr int kFirmwareCloseTimeoutMs = 5000;
// Far above any firmware file; guards against reading a huge file by mistake.
inline constexpr std::int64_t kMaxFirmwareFileSize = 64 * 1024 * 1024;

// The outcome of the file and generation check.
enum class FirmwareCheck {
    Invalid, // the name does not end in ".hex": nothing is sent
    Send,    // send without a question
    Warn,    // a likely wrong hardware generation: ask before sending
};

// The file's name (without folders) against the controller's model text as
// the device grid shows it. Exact, case-sensitive comparisons: a model with
// "Nodalux" in it is of the second generation when it contains "MkII" or
// "Mk2"; a file of the other generation than its controller is a warning.
// Models without "Nodalux" are not checked.
FirmwareCheck checkFirmwareFile(std::u16string_view fileName, std::u16string_view model);

// The text after the last backslash or slash of `path`; all of it when it has neither.
std::u16string_view firmwareFileName(std::u16string_view path);

} // namespace vantrel::model
