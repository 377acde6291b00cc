#pragma once
// The arithmetic and table rules of the configuration windows, as plain
// functions. Windows call these; they never re-derive them.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/NodaluxCtrl.h"

namespace vantrel::model {

// --- channel arithmetic -----------------------------------------------------
// An RGB pixel takes 3 channels of a 510-channel universe (highest start
// channel 508); an RGBW pixel 4 channels of a 512-channel universe (509).
inline constexpr int kMaxUniverse = 63999;
constexpr int channelsPerPixel(bool rgbw) { return rgbw ? 4 : 3; }
constexpr int universeSize(bool rgbw) { return rgbw ? 512 : 510; }
constexpr int highestStartChannel(bool rgbw) { return rgbw ? 509 : 508; }

// Rounds to the nearest integer, an exact half to the even neighbour.
long roundHalfEven(double v);

// Start-channel alignment: v moves to the nearest pixel boundary
// 1 + k * channels (halves to even), then is bounded to 1..highest start channel.
int alignStartChannel(long v, bool rgbw);

struct UnivChan {
    int universe = 0;
    int channel = 0;
    bool operator==(const UnivChan&) const = default;
};

// Simple-mode layout: `outputs` outputs of `pixels` pixels each laid one after
// another from (startUniverse, startChannel); a pixel never spans two
// universes. Entry i is where output i starts. Universe and channel are 16-bit
// values as the record holds them (wrapping as the record's fields would).
// A pixel count below 0 lays nothing; the time taken does not grow with it.
std::vector<UnivChan> simpleLayout(std::uint16_t startUniverse, std::uint16_t startChannel, long pixels, int outputs,
                                   bool rgbw);

// Where an output's data ends: s = ceil(pixels / group) channel slots; end
// channel = start + c*s - 1, folded into universes of 510 (RGB) or 512
// (RGBW). A group below 1 counts as 1, a pixel count below 0 as 0; a row
// with 0 pixels ends one channel before its start.
UnivChan endUniverseChannel(long startUniverse, long startChannel, long pixels, long group, bool rgbw);

// Automatic chaining: where the next output starts after one that ends at `end`.
UnivChan nextChainedStart(const UnivChan& end, bool rgbw);

// --- LED drivers --------------------------------------------------------------

// Clock rate in MHz for track positions 0..11 (0.4 .. 2.2 in 0.2 steps, then
// 2.5, 2.9); a position outside the track counts as the nearer end.
double clockMHz(int position);
// The clock label: "Clock Speed:" when the chip's speed code is not 4,
// otherwise "Clock Speed:    %.1fMHz" for the track position rounded half to
// even (a position outside 0..11 counts as the nearer end). The first form
// writes '.', the second the given decimal separator (the window's locale).
std::string clockSpeedCaption(int driverSpeedCode, double trackPosition);
std::string clockSpeedCaption(int driverSpeedCode, double trackPosition, char decimalSeparator);

// Outputs in use: half of numStrings (rounded up) when the mode radio is not
// checked and some driver is expandable (code 1); numStrings otherwise.
std::uint8_t outputsInUse(std::uint8_t numStrings, std::span<const std::uint8_t> driverExpandable,
                          std::uint8_t numDrivers, bool condensedChecked);

// Per-output pixel limit, legacy protocol: 340/256 (RGB/RGBW) for 16-output
// controllers, 680/512 otherwise.
int maxPixelsLegacy(bool sixteenOutputs, bool rgbw);
// New protocol: MaxPixels, times 3/4 (floored) with RGBW, halved (floored)
// when the mode radio is checked on an expandable chip.
int maxPixelsCurrent(std::uint16_t maxPixels, bool rgbw, bool condensedChecked, bool chipExpandable);

// --- legacy chips and colour orders ----------------------------------------------

struct LegacyChip {
    int code;
    std::u16string_view name;
};
// The legacy chip list offered for a firmware text, in order; entry i has code i.
std::vector<LegacyChip> legacyChipList(std::u16string_view firmware);
// True exactly for chip index 12 (SK6812).
constexpr bool isRgbwChipV4Below(int chipIndex) { return chipIndex == 12; }
// Mode choice offered for a legacy chip index (0, 4, 6, 7, 8, 12, 13).
bool legacyChipHasModeChoice(int chipIndex);
// Speed choice offered for a legacy chip index (4, 7) when the firmware offers speeds.
bool legacyChipHasSpeedChoice(int chipIndex);

// Colour-order position form (legacy firmware 1.2.4 up to 1.3.1): item index
// 0..5 of the RGB list to RgbOrder[0..2] (the places of red, green and blue on
// the wire) and back, decoded from the first two bytes only. Every item's
// triple puts the colours on the wire in the order its label names.
std::array<std::uint8_t, 3> positionFormFromItem(int item);
int itemFromPositionForm(std::uint8_t first, std::uint8_t second);

// The colour-order lists: 6 RGB orders and 24 RGBW orders.
const std::vector<std::u16string>& rgbList();
const std::vector<std::u16string>& rgbwList();

// --- a controller's record as the windows show it ------------------------------

// The per-output pixel limit of a record: its family's limit for its LED
// type, output mode and chip.
int maxPixelsPerOutput(const TNodaluxCtrl& record);
// The outputs in use of a record for its output mode.
std::uint8_t outputsInUse(const TNodaluxCtrl& record);
// The highest pixel the single-pixel test can light: on output `output`
// (from 1) its pixels and null pixels; on every output (0) the shortest of
// the outputs in use, within the pixel limit.
int testPixelMaximum(const TNodaluxCtrl& record, int output);

// The tool's own version against a controller's minimum: true when
// `tool` >= `required`, major first.
bool versionAtLeast(const std::array<std::uint8_t, 3>& tool, const std::array<std::uint8_t, 3>& required);

} // namespace vantrel::model
