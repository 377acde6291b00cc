#pragma once
// What a controller's bootloader receives over TCP during a firmware upload:
// one header line ending in carriage return and line feed, then the firmware
// file unchanged until the sender closes the connection. No framing, no
// length, no checksum.
//
// The stream is fed in pieces as they arrive; the header may share a piece
// with the start of the file.

#include <QByteArray>

#include <cstddef>

namespace vantrel::sim {

// The one header the tool sends.
inline constexpr char kFirmwareHeader[] = "Firmware Nodalux 16";
// A header line longer than this without its line end is not a header.
inline constexpr qsizetype kMaxHeaderLine = 256;
// The largest firmware file the bootloader takes.
inline constexpr qsizetype kMaxFirmwareSize = 16 * 1024 * 1024;

class FirmwareUpload {
  public:
    enum class State {
        Header,   // waiting for the header line
        Body,     // header accepted, receiving the file
        Rejected, // bad header or too much data: the connection is to be dropped
    };

    // Takes the next piece of the stream. Returns the state afterwards.
    State feed(const QByteArray& piece);

    State state() const { return state_; }
    // The header line as received (without its line end), once complete.
    const QByteArray& header() const { return header_; }
    const QByteArray& body() const { return body_; }
    // Why the upload was rejected.
    const char* reason() const { return reason_; }
    // The upload counts as complete when the sender closes after an accepted
    // header and at least one byte of the file.
    bool complete() const { return state_ == State::Body && !body_.isEmpty(); }

  private:
    State reject(const char* why);

    State state_ = State::Header;
    QByteArray pending_;
    QByteArray header_;
    QByteArray body_;
    const char* reason_ = "";
};

} // namespace vantrel::sim
