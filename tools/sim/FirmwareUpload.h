#pragma once
// What a controller's bootloader receives over TCP during a firmware upload:
// one header line ending in carriage return and line feed, then the firmware
// file unchanged until the sender closes the connection. No framing, no
// length, no checksum: the sender's end of stream is the end of the file, so
// a connection that breaks (a reset, a network error) leaves the file
// unfinished however many bytes came.
//
// The stream is fed in pieces as they arrive; the header may share a piece
// with the start of the file. finish() says how the connection ended.

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
        Broken,   // the connection broke before the sender's end of stream
    };

    // Takes the next piece of the stream. Returns the state afterwards.
    // Nothing is taken once the upload has finished.
    State feed(const QByteArray& piece);
    // The connection has ended: `clean` for the sender's end of stream, false
    // for a reset or another error. Returns the state afterwards.
    State finish(bool clean);

    State state() const { return state_; }
    // The header line as received (without its line end), once complete.
    const QByteArray& header() const { return header_; }
    const QByteArray& body() const { return body_; }
    // Why the upload was rejected or broke.
    const char* reason() const { return reason_; }
    // The upload counts as complete when the sender closed cleanly after an
    // accepted header and at least one byte of the file.
    bool complete() const { return state_ == State::Body && closed_ && !body_.isEmpty(); }

  private:
    State reject(const char* why);
    bool finished() const { return closed_ || state_ == State::Broken; }

    State state_ = State::Header;
    QByteArray pending_;
    QByteArray header_;
    QByteArray body_;
    const char* reason_ = "";
    bool closed_ = false; // ended by the sender's end of stream
};

} // namespace vantrel::sim
