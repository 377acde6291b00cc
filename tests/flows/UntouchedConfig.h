#pragma once
// What pressing OK without an edit must send to a controller, built without
// the windows: the configuration packet of the controller's layout, built by
// the core from the controller's own record. The one change allowed is the
// simple-mode layout: in simple mode every output takes the first output's
// pixel count, with no null pixels, zig-zag or reversal, and the outputs are
// laid out one after another from the start universe and channel (16 outputs
// for every legacy controller). A legacy controller in advanced mode carries
// start universe and channel 0.
//
// The LED type that sizes the layout is the one the window shows: the
// record's (0 RGB, 1 RGBW). For another code a legacy controller shows RGBW,
// and a current one the only type its chip takes (RGBW for DriverType 1),
// else RGB; the packet still carries the record's code.

#include <QByteArray>
#include <algorithm>

#include "model/NodaluxCtrl.h"
#include "model/Rules.h"
#include "protocol/ConfigPackets.h"

namespace flowtest {

inline bool isLegacy(const vantrel::model::TNodaluxCtrl& r) { return r.QorvanaProtVer <= 4; }

inline bool isSimpleMode(const vantrel::model::TNodaluxCtrl& r) {
    return isLegacy(r) ? r.SacnUniv != 0 : (r.SimpleConfig & 1U) != 0;
}

inline bool showsRgbw(const vantrel::model::TNodaluxCtrl& r) {
    if (r.LedType <= 1) return r.LedType == 1;
    if (isLegacy(r)) return true;
    constexpr std::uint8_t kRgbwOnly = 1;
    return r.DriverChip < r.NumDrivers && r.DriverChip < r.DriverType.size() &&
           r.DriverType[r.DriverChip] == kRgbwOnly;
}

// The record an untouched OK leaves behind for the packet.
inline vantrel::model::TNodaluxCtrl untouchedRecord(vantrel::model::TNodaluxCtrl r) {
    using namespace vantrel;
    const bool legacy = isLegacy(r);
    if (!isSimpleMode(r)) {
        if (legacy) r.SacnChan = 0;
        return r;
    }
    const int outputs = legacy ? protocol::kLegacyOutputs : std::min<int>(r.NumStrings, model::kMaxOutputs);
    const std::uint16_t universe = legacy ? r.SacnUniv : r.AdvUniv[0];
    const std::uint16_t channel = legacy ? r.SacnChan : r.AdvChan[0];
    const std::int32_t pixels = r.NumNodes[0];
    const auto layout = model::simpleLayout(universe, channel, pixels, outputs, showsRgbw(r));
    for (int i = 0; i < outputs; ++i) {
        const auto k = static_cast<std::size_t>(i);
        r.NumNodes[k] = pixels;
        r.AdvNull[k] = 0;
        r.AdvZig[k] = 0;
        r.AdvReverse[k] = 0;
        r.AdvUniv[k] = static_cast<std::uint16_t>(layout[k].universe);
        r.AdvChan[k] = static_cast<std::uint16_t>(layout[k].channel);
    }
    return r;
}

// The bytes of that packet; empty where the layout sends nothing (above protocol 8).
inline QByteArray untouchedConfig(const vantrel::model::TNodaluxCtrl& record) {
    using namespace vantrel;
    const model::TNodaluxCtrl r = untouchedRecord(record);
    protocol::Bytes bytes;
    if (isLegacy(r)) {
        bytes = protocol::buildConfigV4Below(r);
    } else if (const auto current = protocol::buildConfig(r)) {
        bytes = *current;
    }
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

} // namespace flowtest
