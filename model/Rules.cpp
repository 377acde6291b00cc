#include "model/Rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "model/Controllers.h"
#include "model/SentConfiguration.h"

namespace vantrel::model {

namespace {

// Highest channel at which the next pixel may still start in the simple
// layout: a pixel never spans two universes.
constexpr int simpleLayoutLimit(bool rgbw) { return rgbw ? 510 : 508; }

// Pixel counts beyond this are far outside anything a controller drives; they
// are cut here so that the arithmetic below cannot overflow.
constexpr std::int64_t kPixelCountCap = std::numeric_limits<std::int32_t>::max();

std::int64_t clampToInt32(long v) {
    return std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
}

constexpr std::array<double, 12> kClockMHz = {0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2, 2.5, 2.9};
constexpr int kClockSpeedCode = 4; // driver speed code: adjustable clock

} // namespace

long roundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    constexpr auto lo = static_cast<double>(std::numeric_limits<long>::min());
    // The largest double below 2^63 (or 2^31): the cast below stays defined.
    const double hi = std::nextafter(-lo, 0.0);
    if (v <= lo) return std::numeric_limits<long>::min();
    if (v >= hi) return static_cast<long>(hi);
    const double fl = std::floor(v);
    const double frac = v - fl;
    auto r = static_cast<long>(fl);
    if (frac > 0.5 || (frac == 0.5 && (r % 2 != 0))) ++r;
    return r;
}

int alignStartChannel(long v, bool rgbw) {
    const int c = channelsPerPixel(rgbw);
    const int m = highestStartChannel(rgbw);
    // 1 and m lie on the pixel grid and the rounding is monotone, so a value
    // outside 1..m ends at that bound; deciding it here keeps v - 1 from overflowing.
    if (v <= 1) return 1;
    if (v >= m) return m;
    const long q = (v - 1) / c; // v - 1 > 0 here
    const long r = (v - 1) % c;
    long k = q;
    if (2 * r > c || (2 * r == c && q % 2 != 0)) k = q + 1; // nearest, a half to the even neighbour
    return static_cast<int>(std::clamp<long>(c * k + 1, 1, m));
}

std::vector<UnivChan> simpleLayout(std::uint16_t startUniverse, std::uint16_t startChannel, long pixels, int outputs,
                                   bool rgbw) {
    std::vector<UnivChan> out;
    if (outputs <= 0) return out;
    out.reserve(static_cast<std::size_t>(outputs));

    const int step = channelsPerPixel(rgbw);
    const int limit = simpleLayoutLimit(rgbw);
    // Pixels that a universe holds from channel 1 on: 170 RGB, 128 RGBW.
    const std::int64_t perUniverse = (limit - 1) / step + 1;
    const std::int64_t n = std::min<std::int64_t>(std::max<long>(pixels, 0), kPixelCountCap);

    // Universe and channel are 16-bit values, as the record stores them, and
    // wrap as such. Each output is advanced in closed form rather than pixel by
    // pixel: the rule "c += step; if c > limit then next universe, c = 1" is
    // applied to whole runs of pixels at once.
    std::uint16_t u = startUniverse;
    std::uint16_t c = startChannel;
    for (int i = 0; i < outputs; ++i) {
        out.push_back({u, c});
        std::int64_t left = n;
        while (left > 0) {
            if (c > limit) {
                // Already past the last start channel: the next pixel moves on
                // to a new universe, unless c itself wraps round 16 bits.
                const auto next = static_cast<std::uint16_t>(c + step);
                --left;
                if (next > limit) {
                    ++u;
                    c = 1;
                } else {
                    c = next;
                }
                continue;
            }
            const std::int64_t stay = (limit - c) / step; // pixels that keep c within the limit
            if (left <= stay) {
                c = static_cast<std::uint16_t>(c + left * step);
                break;
            }
            left -= stay + 1; // the last of these crosses into the next universe
            ++u;
            c = 1;
            const std::int64_t full = left / perUniverse; // whole universes from channel 1
            u = static_cast<std::uint16_t>(u + static_cast<std::uint16_t>(full % 0x10000));
            left -= full * perUniverse;
        }
    }
    return out;
}

UnivChan endUniverseChannel(long startUniverse, long startChannel, long pixels, long group, bool rgbw) {
    const std::int64_t c = channelsPerPixel(rgbw);
    const std::int64_t size = universeSize(rgbw);
    // A record can carry Group 0 (and, from a damaged reply, a negative pixel
    // count): group below 1 counts as 1, pixels below 0 as 0.
    const std::int64_t g = std::max<std::int64_t>(clampToInt32(group), 1);
    const std::int64_t p = std::max<std::int64_t>(clampToInt32(pixels), 0);
    const std::int64_t slots = (p + g - 1) / g;

    std::int64_t universe = clampToInt32(startUniverse);
    std::int64_t channel = clampToInt32(startChannel) + c * slots - 1;
    if (channel > size) {
        // As many whole universes as "while above the size, subtract it" takes.
        const std::int64_t k = (channel - 1) / size;
        channel -= k * size;
        universe += k;
    }
    return {static_cast<int>(std::clamp<std::int64_t>(universe, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max())),
            static_cast<int>(channel)};
}

UnivChan nextChainedStart(const UnivChan& end, bool rgbw) {
    // No room for another pixel after m - 1: start the next universe.
    if (end.channel > highestStartChannel(rgbw) - 1) return {end.universe + 1, 1};
    return {end.universe, end.channel + 1};
}

double clockMHz(int position) {
    // The track runs from 0 to 11; a stored value beyond it sits at the nearer end.
    const int p = std::clamp(position, 0, static_cast<int>(kClockMHz.size()) - 1);
    return kClockMHz[static_cast<std::size_t>(p)];
}

std::string clockSpeedCaption(int driverSpeedCode, double trackPosition) {
    return clockSpeedCaption(driverSpeedCode, trackPosition, '.');
}

std::string clockSpeedCaption(int driverSpeedCode, double trackPosition, char decimalSeparator) {
    std::string out = "Clock Speed:";
    if (driverSpeedCode != kClockSpeedCode) return out;
    const long pos = roundHalfEven(trackPosition);
    const int p = static_cast<int>(std::clamp<long>(pos, 0, static_cast<long>(kClockMHz.size()) - 1));
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, clockMHz(p), std::chars_format::fixed, 1);
    std::string number(buf, res.ec == std::errc{} ? res.ptr : buf);
    std::replace(number.begin(), number.end(), '.', decimalSeparator);
    out += "    ";
    out += number;
    out += "MHz";
    return out;
}

std::uint8_t outputsInUse(std::uint8_t numStrings, std::span<const std::uint8_t> driverExpandable,
                          std::uint8_t numDrivers, bool condensedChecked) {
    // Only the drivers the controller reported, and never past the table.
    const auto drivers = driverExpandable.first(std::min<std::size_t>(numDrivers, driverExpandable.size()));
    const bool anyExpandable = std::find(drivers.begin(), drivers.end(), 1) != drivers.end();
    if (!condensedChecked && anyExpandable) return static_cast<std::uint8_t>((numStrings + 1) / 2);
    return numStrings;
}

int maxPixelsLegacy(bool sixteenOutputs, bool rgbw) {
    if (sixteenOutputs) return rgbw ? 256 : 340;
    return rgbw ? 512 : 680;
}

int maxPixelsCurrent(std::uint16_t maxPixels, bool rgbw, bool condensedChecked, bool chipExpandable) {
    int limit = maxPixels;
    if (rgbw) limit = limit * 3 / 4; // an RGBW pixel takes 4 channels instead of 3
    if (condensedChecked && chipExpandable) limit /= 2;
    return limit;
}

std::vector<LegacyChip> legacyChipList(std::u16string_view fw) {
    struct Row {
        std::u16string_view name;
        bool offered;
    };
    const bool v123 = firmwareAtLeast(fw, 1, 2, 3);
    const bool v127 = firmwareAtLeast(fw, 1, 2, 7);
    const bool v130 = firmwareAtLeast(fw, 1, 3, 0);
    const bool v144 = firmwareAtLeast(fw, 1, 4, 4);
    const bool v146 = firmwareAtLeast(fw, 1, 4, 6);
    const bool v1410 = firmwareAtLeast(fw, 1, 4, 10);
    const bool v1411 = firmwareAtLeast(fw, 1, 4, 11);
    const Row rows[] = {
        {u"TLS3001", true},         {u"SM16716", true},  {u"WS2801", true},   {u"LPD6803", true},
        {u"WS2811/12", true},       {u"MBI6020", v123},  {u"TM1803", v127},   {u"TM1804", v127},
        {u"TM1809", v127},          {u"MY9231", v127},   {u"WS2811 Slow", v127 && !v130},
        {u"APA102", v144},          {u"MY9221", v146},   {u"SK6812", v1410},  {u"UCS1903", v1410},
        {u"P9813", v1411},
    };
    // The conditions grow with the list, so every chip keeps its code on every
    // firmware that offers it; the code is the position in the result.
    std::vector<LegacyChip> out;
    for (const Row& row : rows) {
        if (row.offered) out.push_back({static_cast<int>(out.size()), row.name});
    }
    return out;
}

bool legacyChipHasModeChoice(int chipIndex) {
    switch (chipIndex) {
    case 0: case 4: case 6: case 7: case 8: case 12: case 13:
        return true;
    default:
        return false;
    }
}

bool legacyChipHasSpeedChoice(int chipIndex) { return chipIndex == 4 || chipIndex == 7; }

namespace {
// Item index -> place of red, green and blue on the wire (0 = first). Each
// item's triple is the order its label in the RGB list names: item 3
// ("B-R-G") puts blue first, red second and green third.
constexpr std::array<std::array<std::uint8_t, 3>, 6> kPositionForms = {{
    {0, 1, 2}, // "R-G-B"
    {0, 2, 1}, // "R-B-G"
    {1, 0, 2}, // "G-R-B"
    {1, 2, 0}, // "B-R-G"
    {2, 0, 1}, // "G-B-R"
    {2, 1, 0}, // "B-G-R"
}};
} // namespace

std::array<std::uint8_t, 3> positionFormFromItem(int item) {
    // No selection (or an item beyond the list) writes the fixed order of item 0.
    if (item < 0 || item >= static_cast<int>(kPositionForms.size())) return kPositionForms[0];
    return kPositionForms[static_cast<std::size_t>(item)];
}

int itemFromPositionForm(std::uint8_t first, std::uint8_t second) {
    // Red's and green's places decide; blue takes the place that is left.
    if (first == 0) return second == 1 ? 0 : 1;
    if (first == 1) return second == 0 ? 2 : 3;
    return second == 0 ? 4 : 5;
}

const std::vector<std::u16string>& rgbList() {
    static const std::vector<std::u16string> list = {u"R-G-B", u"R-B-G", u"G-R-B", u"B-R-G", u"G-B-R", u"B-G-R"};
    return list;
}

const std::vector<std::u16string>& rgbwList() {
    static const std::vector<std::u16string> list = {
        u"R-G-B-W", u"R-B-G-W", u"G-R-B-W", u"B-R-G-W", u"G-B-R-W", u"B-G-R-W", u"R-G-W-B", u"R-B-W-G",
        u"G-R-W-B", u"B-R-W-G", u"G-B-W-R", u"B-G-W-R", u"R-W-G-B", u"R-W-B-G", u"G-W-R-B", u"B-W-R-G",
        u"G-W-B-R", u"B-W-G-R", u"W-R-G-B", u"W-R-B-G", u"W-G-R-B", u"W-B-R-G", u"W-G-B-R", u"W-B-G-R",
    };
    return list;
}

int maxPixelsPerOutput(const TNodaluxCtrl& r) {
    constexpr int kSixteenOutputs = 16;
    if (isLegacy(r)) return maxPixelsLegacy(r.NumStrings == kSixteenOutputs, isRgbw(r));
    const bool expandable =
        r.DriverChip < r.NumDrivers && r.DriverChip < r.DriverExpandable.size() && r.DriverExpandable[r.DriverChip] == 1;
    return maxPixelsCurrent(r.MaxPixels, isRgbw(r), r.CondensedMode == 1, expandable);
}

std::uint8_t outputsInUse(const TNodaluxCtrl& r) {
    if (isLegacy(r)) return r.NumStrings;
    return outputsInUse(r.NumStrings, r.DriverExpandable, r.NumDrivers, r.CondensedMode == 1);
}

int testPixelMaximum(const TNodaluxCtrl& r, int output) {
    const auto physical = [&](int o) {
        const auto k = static_cast<std::size_t>(o - 1);
        return static_cast<long long>(r.NumNodes[k]) + r.AdvNull[k];
    };
    if (output >= 1 && output <= kMaxOutputs) return static_cast<int>(std::clamp<long long>(physical(output), 0, std::numeric_limits<std::int32_t>::max()));
    long long maximum = maxPixelsPerOutput(r);
    const int outputs = std::min<int>(outputsInUse(r), kMaxOutputs);
    for (int o = 1; o <= outputs; ++o) maximum = std::min(maximum, physical(o));
    return static_cast<int>(std::max<long long>(maximum, 0));
}

bool versionAtLeast(const std::array<std::uint8_t, 3>& tool, const std::array<std::uint8_t, 3>& required) {
    return tool >= required; // lexicographic: major, then minor, then build
}

} // namespace vantrel::model
