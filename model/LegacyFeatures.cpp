#include "model/LegacyFeatures.h"

#include <algorithm>
#include <iterator>
#include <span>

#include "model/Controllers.h"

namespace vantrel::model {

namespace {

constexpr std::u16string_view kKnownModels[] = {
    u"Nodalux 16", u"Arvello 16", u"Nodalux 16 Long Range", u"Nodalux 16 Plug & Play", u"Nodalux 4",
    u"Nodalux 4 Rugged", u"Nodalux 16 MkII Long Range", u"Nodalux 16 MkII", u"Nodalux 4 Pro"};
constexpr std::u16string_view kCompactModels[] = {u"Nodalux 4 Rugged", u"Nodalux 16 Plug & Play",
                                                  u"Nodalux 4 Pro"};
constexpr std::u16string_view kArvello16 = u"Arvello 16";
constexpr std::u16string_view kLongRange = u"Nodalux 16 Long Range";
constexpr int kAllDmxRowsHwRev = 3;
constexpr int kAllDmxRowsOutputs = 16;
constexpr int kDmxRowsAll = 4;
constexpr int kFirstFanHwRev = 5;

bool listed(std::span<const std::u16string_view> list, std::u16string_view model) {
    return std::find(list.begin(), list.end(), model) != list.end();
}

} // namespace

bool firmwareAtLeast(const TNodaluxCtrl& c, const FirmwareThreshold& v) {
    return firmwareAtLeast(c.Firmware, v.major, v.minor, v.patch);
}

bool isKnownLegacyModel(std::u16string_view model) { return listed(kKnownModels, model); }

bool isCompactLegacyModel(std::u16string_view model) { return listed(kCompactModels, model); }

LegacyFeatures legacyFeatures(const TNodaluxCtrl& c) {
    namespace fw = legacy_firmware;
    LegacyFeatures f;
    const bool compact = isCompactLegacyModel(c.Model);
    f.colourOrder = firmwareAtLeast(c, fw::kColourOrder);
    f.colourOrderAsIndex = firmwareAtLeast(c, fw::kPerOutputOrder);
    f.dmx = firmwareAtLeast(c, fw::kDmx) && !compact;
    f.dmxRows = !f.dmx ? 0 : (c.HwRev >= kAllDmxRowsHwRev && c.NumStrings == kAllDmxRowsOutputs) ? kDmxRowsAll : 1;
    f.speed = firmwareAtLeast(c, fw::kSpeed);
    f.protocol = firmwareAtLeast(c, fw::kProtocol);
    f.holdFrame = firmwareAtLeast(c, fw::kHoldFrame);
    f.groupingIntensity = firmwareAtLeast(c, fw::kGroupingIntensity);
    f.thirdProtocol = firmwareAtLeast(c, fw::kThirdProtocol) && c.Model == kArvello16;
    f.ledTypeChoice = firmwareAtLeast(c, fw::kLedTypeChoice);
    f.outputMode = c.Model == kLongRange;
    f.fan = c.HwRev >= kFirstFanHwRev && !compact;
    f.testTab = firmwareAtLeast(c, fw::kTestTab);
    return f;
}

} // namespace vantrel::model
