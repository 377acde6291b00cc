#include "model/SentConfiguration.h"

#include <algorithm>

#include "model/Rules.h"

namespace vantrel::model {

namespace {
constexpr std::uint8_t kSimpleBit = 0x01;
constexpr std::uint8_t kRgbw = 1;
constexpr std::uint8_t kRgbwOnlyDriver = 1; // DriverType of a chip that drives RGBW pixels only
constexpr int kLegacyConfigOutputs = 16;
} // namespace

bool isSimpleMode(const TNodaluxCtrl& c) {
    return isLegacy(c) ? c.SacnUniv != 0 : (c.SimpleConfig & kSimpleBit) != 0;
}

SimpleStart simpleStart(const TNodaluxCtrl& c) {
    if (isLegacy(c)) return {c.SacnUniv, c.SacnChan, c.NumNodes[0]};
    return {c.AdvUniv[0], c.AdvChan[0], c.NumNodes[0]};
}

int simpleLayoutOutputs(const TNodaluxCtrl& c) {
    return isLegacy(c) ? kLegacyConfigOutputs : std::min<int>(c.NumStrings, kMaxOutputs);
}

bool isRgbw(const TNodaluxCtrl& c) {
    if (c.LedType <= kRgbw) return c.LedType == kRgbw;
    if (isLegacy(c)) return true;
    return c.DriverChip < c.NumDrivers && c.DriverChip < c.DriverType.size() &&
           c.DriverType[c.DriverChip] == kRgbwOnlyDriver;
}

TNodaluxCtrl configurationAsSent(const TNodaluxCtrl& record) {
    TNodaluxCtrl sent = record;
    if (!isSimpleMode(record)) {
        if (isLegacy(record)) sent.SacnChan = 0;
        return sent;
    }
    const SimpleStart start = simpleStart(record);
    const auto layout = simpleLayout(start.universe, start.channel, start.pixels, simpleLayoutOutputs(record),
                                     isRgbw(record));
    for (std::size_t i = 0; i < layout.size(); ++i) {
        sent.NumNodes[i] = start.pixels;
        sent.AdvNull[i] = 0;
        sent.AdvZig[i] = 0;
        sent.AdvReverse[i] = 0;
        sent.AdvUniv[i] = static_cast<std::uint16_t>(layout[i].universe);
        sent.AdvChan[i] = static_cast<std::uint16_t>(layout[i].channel);
    }
    return sent;
}

} // namespace vantrel::model
