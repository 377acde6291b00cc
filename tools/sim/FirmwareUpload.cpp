#include "tools/sim/FirmwareUpload.h"

namespace vantrel::sim {

namespace {
constexpr char kLineEnd[] = "\r\n";
constexpr qsizetype kLineEndLength = 2;
} // namespace

FirmwareUpload::State FirmwareUpload::reject(const char* why) {
    state_ = State::Rejected;
    reason_ = why;
    pending_.clear();
    return state_;
}

FirmwareUpload::State FirmwareUpload::finish(bool clean) {
    if (finished() || state_ == State::Rejected) return state_;
    if (clean) {
        closed_ = true;
        return state_;
    }
    state_ = State::Broken;
    reason_ = "the connection broke before the end of the stream";
    pending_.clear();
    return state_;
}

FirmwareUpload::State FirmwareUpload::feed(const QByteArray& piece) {
    if (closed_) return state_;
    switch (state_) {
    case State::Rejected:
    case State::Broken:
        return state_;
    case State::Body:
        if (body_.size() + piece.size() > kMaxFirmwareSize)
            return reject("the file is larger than the bootloader takes");
        body_.append(piece);
        return state_;
    case State::Header:
        break;
    }
    pending_.append(piece);
    const qsizetype end = pending_.indexOf(kLineEnd);
    if (end < 0) {
        if (pending_.size() > kMaxHeaderLine) return reject("no header line");
        return state_;
    }
    header_ = pending_.left(end);
    if (header_ != kFirmwareHeader) return reject("unexpected header line");
    state_ = State::Body;
    const QByteArray rest = pending_.mid(end + kLineEndLength);
    pending_.clear();
    return rest.isEmpty() ? state_ : feed(rest);
}

} // namespace vantrel::sim
