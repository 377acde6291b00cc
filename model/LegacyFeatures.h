#pragma once
// What a controller of protocol 4 and earlier offers, by its firmware version
// and its model: the first generations grew features release by release, and
// some models lack the DMX outputs, the fan or the output-mode choice.

#include <string_view>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

// A firmware version threshold (major, minor, patch).
struct FirmwareThreshold {
    int major, minor, patch;
};

namespace legacy_firmware {
inline constexpr FirmwareThreshold kColourOrder{1, 2, 4};
inline constexpr FirmwareThreshold kDmx{1, 2, 9};
inline constexpr FirmwareThreshold kSpeed{1, 3, 0};
inline constexpr FirmwareThreshold kPerOutputOrder{1, 3, 1};
inline constexpr FirmwareThreshold kProtocol{1, 4, 0};
inline constexpr FirmwareThreshold kHoldFrame{1, 4, 4};
inline constexpr FirmwareThreshold kGroupingIntensity{1, 4, 4};
inline constexpr FirmwareThreshold kReaddressOffer{1, 4, 5};
inline constexpr FirmwareThreshold kThirdProtocol{1, 4, 6};
inline constexpr FirmwareThreshold kTestTab{1, 4, 10};
inline constexpr FirmwareThreshold kLedTypeChoice{1, 4, 11};
} // namespace legacy_firmware

bool firmwareAtLeast(const TNodaluxCtrl& c, const FirmwareThreshold& v);

// The nine model texts the legacy configuration knows.
bool isKnownLegacyModel(std::u16string_view model);
// Models without a DMX output group and without a fan row.
bool isCompactLegacyModel(std::u16string_view model);

struct LegacyFeatures {
    bool colourOrder = false;       // the colour order can be chosen (1.2.4)
    bool colourOrderAsIndex = false; // ... as a list index, and per output (1.3.1); before: the position form
    bool dmx = false;               // the DMX output group (1.2.9, model permitting)
    int dmxRows = 0;                // DMX outputs shown: 4 on 16-output hardware from revision 3, else 1
    bool speed = false;             // the speed choice (1.3.0), for the chips that have one
    bool protocol = false;          // the protocol choice (1.4.0)
    bool holdFrame = false;         // hold last frame (1.4.4)
    bool groupingIntensity = false; // per-output grouping and intensity (1.4.4)
    bool thirdProtocol = false;     // the partner protocol: "Arvello 16" from 1.4.6
    bool ledTypeChoice = false;     // RGB or RGBW for the SK6812 chip (1.4.11); before, that chip is RGBW
    bool outputMode = false;        // normal/condensed: "Nodalux 16 Long Range" only
    bool fan = false;               // the fan row: hardware revision 5 and later, model permitting
    bool testTab = false;           // the Test tab (1.4.10)
};

LegacyFeatures legacyFeatures(const TNodaluxCtrl& c);

} // namespace vantrel::model
