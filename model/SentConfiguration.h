#pragma once
// What a configuration carries to a controller: the record as the
// configuration window's OK sends it when nothing was edited. The window, the
// command line and the tests build the configuration packet from this one
// record.

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

// The two families: protocol 4 and earlier take the fixed legacy layout and
// the legacy flow; later versions describe themselves.
inline constexpr std::uint8_t kLastLegacyProtocol = 4;
constexpr bool isLegacy(const TNodaluxCtrl& c) { return c.QorvanaProtVer <= kLastLegacyProtocol; }

// Simple mode: one start universe, start channel and pixel count for all
// outputs. Current controllers say so in bit 0 of SimpleConfig, legacy ones
// by a start universe other than 0.
bool isSimpleMode(const TNodaluxCtrl& c);

// Simple mode as the window shows it: the start universe and channel and
// the pixel count of output 1.
struct SimpleStart {
    std::uint16_t universe = 0;
    std::uint16_t channel = 0;
    std::int32_t pixels = 0;
};
SimpleStart simpleStart(const TNodaluxCtrl& c);

// Outputs a configuration lays out in simple mode: every physical output of a
// current controller, always 16 on a legacy one (its packet carries 16).
int simpleLayoutOutputs(const TNodaluxCtrl& c);

// Four channels a pixel: LED type RGBW (a legacy controller shows every value
// but 0 as RGBW).
bool isRgbw(const TNodaluxCtrl& c);

// The record as the configuration sends it: the record itself, except that in
// simple mode each output's start universe and channel are laid out again one
// after another from the start universe, start channel and pixel count.
TNodaluxCtrl configurationAsSent(const TNodaluxCtrl& record);

} // namespace vantrel::model
