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

// Four channels a pixel, as the window shows the LED type: 1 is RGBW and 0
// RGB; for another code a legacy controller shows RGBW, and a current one the
// only type its chip takes (RGBW for a chip that drives RGBW only), else RGB.
bool isRgbw(const TNodaluxCtrl& c);

// The record as the configuration sends it, as an untouched OK in the window
// sends it: the record itself, except that in simple mode every output takes
// the first output's pixel count, with no null pixels, zig-zag or reversal,
// and the outputs are laid out one after another from the start universe,
// start channel and pixel count; a legacy controller in advanced mode carries
// start channel 0.
TNodaluxCtrl configurationAsSent(const TNodaluxCtrl& record);

} // namespace vantrel::model
