#include <gtest/gtest.h>

#include <limits>

#include "model/Rules.h"

using namespace vantrel::model;

namespace {

// The simple-mode layout exactly as the configuration read-back states it:
// pixel by pixel, in 16-bit universe and channel values. The library computes
// the same thing in closed form; this is the reference it is checked against.
std::vector<UnivChan> layoutPixelByPixel(std::uint16_t u, std::uint16_t c, long pixels, int outputs, bool rgbw) {
    std::vector<UnivChan> out;
    for (int i = 0; i < outputs; ++i) {
        out.push_back({u, c});
        for (long p = 0; p < pixels; ++p) {
            if (rgbw) {
                c = static_cast<std::uint16_t>(c + 4);
                if (c > 510) {
                    u = static_cast<std::uint16_t>(u + 1);
                    c = 1;
                }
            } else {
                c = static_cast<std::uint16_t>(c + 3);
                if (c > 508) {
                    u = static_cast<std::uint16_t>(u + 1);
                    c = 1;
                }
            }
        }
    }
    return out;
}

std::string show(const UnivChan& uc) { return std::to_string(uc.universe) + "/" + std::to_string(uc.channel); }

} // namespace

TEST(Rules, RoundHalfEven) {
    struct Case {
        double in;
        long out;
    } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3},
        {-2.6, -3}, {7.0, 7}, {0.0, 0}, {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& k : cases) EXPECT_EQ(roundHalfEven(k.in), k.out) << k.in;
    // Far outside the range of long: saturates instead of undefined behaviour.
    EXPECT_EQ(roundHalfEven(1e300), roundHalfEven(1e30));
    EXPECT_EQ(roundHalfEven(-1e300), std::numeric_limits<long>::min());
}

TEST(Rules, StartChannelAlignsToThePixelGridAndBounds) {
    struct Case {
        long in;
        bool rgbw;
        int out;
    } cases[] = {
        // RGB: grid 1, 4, 7, ... 508
        {6, false, 7},    // 5/3 = 1.67 -> 2
        {5, false, 4},    // 4/3 = 1.33 -> 1
        {7, false, 7},    // on the grid already
        {508, false, 508},
        {509, false, 508},
        {600, false, 508}, // aligned to 601, bounded
        {0, false, 1},
        {-10, false, 1},
        // RGBW: grid 1, 5, 9, ... 509; exact halves go to the even neighbour
        {3, true, 1},     // 2/4 = 0.5 -> 0
        {7, true, 9},     // 6/4 = 1.5 -> 2
        {11, true, 9},    // 10/4 = 2.5 -> 2
        {15, true, 17},   // 14/4 = 3.5 -> 4
        {510, true, 509},
        {512, true, 509},
        // extremes do not overflow
        {std::numeric_limits<long>::max(), false, 508},
        {std::numeric_limits<long>::min(), true, 1},
    };
    for (const auto& k : cases) EXPECT_EQ(alignStartChannel(k.in, k.rgbw), k.out) << k.in << " rgbw=" << k.rgbw;
}

TEST(Rules, SimpleLayoutKnownCases) {
    struct Case {
        const char* what;
        std::uint16_t u, c;
        long pixels;
        int outputs;
        bool rgbw;
        std::vector<UnivChan> expected;
    } cases[] = {
        {"100 RGB pixels", 1, 1, 100, 3, false, {{1, 1}, {1, 301}, {2, 91}}},
        {"170 RGB fill a universe", 1, 1, 170, 2, false, {{1, 1}, {2, 1}}},
        {"171 RGB spill one pixel", 1, 1, 171, 2, false, {{1, 1}, {2, 4}}},
        {"128 RGBW fill a universe", 1, 1, 128, 2, true, {{1, 1}, {2, 1}}},
        {"129 RGBW", 1, 1, 129, 2, true, {{1, 1}, {2, 5}}},
        {"mid-universe start", 3, 505, 2, 3, false, {{3, 505}, {4, 1}, {4, 7}}}, // 505 and 508 both fit
        {"0 pixels", 7, 10, 0, 2, false, {{7, 10}, {7, 10}}},
        {"negative pixels", 7, 10, -5, 2, false, {{7, 10}, {7, 10}}},
        {"no outputs", 1, 1, 100, 0, false, {}},
        // A 4-output legacy controller is still laid out for 16 outputs: the
        // last one starts after 15 x 100 = 1500 pixels = 8 universes + 140.
        {"16 outputs", 1, 1, 100, 16, false,
         {{1, 1}, {1, 301}, {2, 91}, {2, 391}, {3, 181}, {3, 481}, {4, 271}, {5, 61}, {5, 361}, {6, 151},
          {6, 451}, {7, 241}, {8, 31}, {8, 331}, {9, 121}, {9, 421}}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(simpleLayout(k.u, k.c, k.pixels, k.outputs, k.rgbw), k.expected) << k.what;
    }
}

TEST(Rules, SimpleLayoutMatchesThePixelByPixelRule) {
    // Starting points include channels off the grid, past the last start
    // channel, near the 16-bit wrap, and a universe about to wrap.
    const std::uint16_t universes[] = {0, 1, 63999, 65534, 65535};
    const std::uint16_t channels[] = {0, 1, 2, 4, 170, 505, 507, 508, 509, 510, 511, 600, 65532, 65533, 65535};
    const long pixelCounts[] = {0, 1, 2, 126, 127, 128, 129, 169, 170, 171, 340, 341, 1000};
    for (bool rgbw : {false, true}) {
        for (auto u : universes) {
            for (auto c : channels) {
                for (long n : pixelCounts) {
                    const auto got = simpleLayout(u, c, n, 4, rgbw);
                    const auto want = layoutPixelByPixel(u, c, n, 4, rgbw);
                    ASSERT_EQ(got, want) << "rgbw=" << rgbw << " start " << u << "/" << c << " pixels " << n;
                }
            }
        }
    }
}

TEST(Rules, SimpleLayoutHugePixelCountIsQuickAndWraps16Bit) {
    // 170 * 65536 RGB pixels per output: every output advances exactly 65536
    // universes, i.e. lands where it started in 16-bit arithmetic.
    const long n = 170L * 65536;
    const auto got = simpleLayout(5, 1, n, 3, false);
    EXPECT_EQ(got, (std::vector<UnivChan>{{5, 1}, {5, 1}, {5, 1}}));
    // Counts beyond anything real must not hang or overflow.
    const auto big = simpleLayout(1, 1, std::numeric_limits<long>::max(), 32, true);
    EXPECT_EQ(big.size(), 32u);
}

TEST(Rules, EndUniverseAndChannel) {
    struct Case {
        const char* what;
        long univ, chan, pixels, group;
        bool rgbw;
        UnivChan end;
    } cases[] = {
        {"170 RGB fill universe 1", 1, 1, 170, 1, false, {1, 510}},
        {"171 RGB spill", 1, 1, 171, 1, false, {2, 3}},
        {"128 RGBW fill", 1, 1, 128, 1, true, {1, 512}},
        {"129 RGBW spill", 1, 1, 129, 1, true, {2, 4}},
        {"group 3: 34 slots, 102 channels", 1, 1, 100, 3, false, {1, 102}},
        {"group 0 counts as 1", 1, 1, 100, 0, false, {1, 300}},
        {"negative group counts as 1", 1, 1, 100, -4, false, {1, 300}},
        {"0 pixels end before the start", 1, 1, 0, 1, false, {1, 0}},
        {"0 pixels mid-universe", 4, 301, 0, 1, true, {4, 300}},
        {"negative pixels count as 0", 4, 301, -7, 1, false, {4, 300}},
        {"exactly two universes", 1, 1, 340, 1, false, {2, 510}},
        {"start late in the universe", 10, 508, 1, 1, false, {10, 510}},
        {"crossing from a late start", 10, 508, 2, 1, false, {11, 3}},
        // 65535 RGB pixels: 196605 channels = 385 universes + 255
        {"largest pixel count", 1, 1, 65535, 1, false, {386, 255}},
        {"largest RGBW", 1, 1, 65535, 1, true, {512, 508}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(endUniverseChannel(k.univ, k.chan, k.pixels, k.group, k.rgbw), k.end)
            << k.what << ": got " << show(endUniverseChannel(k.univ, k.chan, k.pixels, k.group, k.rgbw));
    }
    // Absurd inputs stay defined.
    const auto far = endUniverseChannel(1, 1, std::numeric_limits<long>::max(), 1, true);
    EXPECT_GE(far.channel, 1);
    EXPECT_LE(far.channel, 512);
}

TEST(Rules, ChainingStartsTheNextUniverseWhenNoPixelFits) {
    struct Case {
        UnivChan end;
        bool rgbw;
        UnivChan next;
    } cases[] = {
        {{1, 510}, false, {2, 1}}, {{1, 508}, false, {2, 1}}, // above 507: a new universe
        {{1, 507}, false, {1, 508}}, {{1, 0}, false, {1, 1}},  // an empty row: the next starts where it would have
        {{3, 509}, true, {4, 1}},  {{3, 512}, true, {4, 1}},  // above 508
        {{3, 508}, true, {3, 509}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(nextChainedStart(k.end, k.rgbw), k.next) << show(k.end) << " rgbw=" << k.rgbw;
    }
    // A chain of three RGB rows of 170 pixels from 1/1 fills universes 1, 2, 3.
    UnivChan start{1, 1};
    for (int row = 1; row <= 3; ++row) {
        const auto end = endUniverseChannel(start.universe, start.channel, 170, 1, false);
        EXPECT_EQ(end, (UnivChan{row, 510})) << row;
        start = nextChainedStart(end, false);
    }
    EXPECT_EQ(start, (UnivChan{4, 1}));
}

TEST(Rules, ClockTableAndCaption) {
    const double mhz[] = {0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2, 2.5, 2.9};
    for (int p = 0; p < 12; ++p) EXPECT_DOUBLE_EQ(clockMHz(p), mhz[p]) << p;
    EXPECT_DOUBLE_EQ(clockMHz(-1), 0.4);
    EXPECT_DOUBLE_EQ(clockMHz(200), 2.9);

    struct Case {
        int speedCode;
        double position;
        const char* caption;
    } cases[] = {
        {4, 10, "Clock Speed:    2.5MHz"},
        {4, 11, "Clock Speed:    2.9MHz"},
        {4, 0, "Clock Speed:    0.4MHz"},
        {4, 3, "Clock Speed:    1.0MHz"},
        {4, 2.5, "Clock Speed:    0.8MHz"}, // the position rounds half to even
        {4, 3.5, "Clock Speed:    1.2MHz"},
        {4, 40, "Clock Speed:    2.9MHz"},
        {3, 10, "Clock Speed:"},
        {0, 10, "Clock Speed:"},
        {1, 0, "Clock Speed:"},
    };
    for (const auto& k : cases) EXPECT_EQ(clockSpeedCaption(k.speedCode, k.position), k.caption) << k.position;
    EXPECT_EQ(clockSpeedCaption(4, 10, ','), "Clock Speed:    2,5MHz");
}

TEST(Rules, OutputsInUse) {
    const std::vector<std::uint8_t> expandable = {0, 2, 1}; // driver 2 expands
    const std::vector<std::uint8_t> noneExpandable = {0, 2, 2};
    struct Case {
        const char* what;
        std::uint8_t numStrings;
        const std::vector<std::uint8_t>* table;
        std::uint8_t numDrivers;
        bool modeChecked;
        std::uint8_t out;
    } cases[] = {
        {"32, expandable, Normal", 32, &expandable, 3, false, 16},
        {"32, expandable, Expanded", 32, &expandable, 3, true, 32},
        {"5 rounds up", 5, &expandable, 3, false, 3},
        {"no expandable driver", 32, &noneExpandable, 3, false, 32},
        {"expandable driver not reported", 32, &expandable, 2, false, 32},
        {"NumDrivers beyond the table", 8, &noneExpandable, 200, false, 8},
        {"legacy: no drivers", 16, &expandable, 0, false, 16},
        {"0 outputs", 0, &expandable, 3, false, 0},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(outputsInUse(k.numStrings, *k.table, k.numDrivers, k.modeChecked), k.out) << k.what;
    }
}

TEST(Rules, PixelLimitPerOutput) {
    struct Case {
        std::uint16_t maxPixels;
        bool rgbw, modeChecked, expandable;
        int out;
    } current[] = {
        {1023, false, false, false, 1023},
        {1023, true, false, false, 767},  // 1023 * 3 / 4 = 767.25
        {1023, true, true, true, 383},    // and halved when Expanded
        {1023, false, true, true, 511},
        {1023, true, true, false, 767},   // Condensed on a condensable chip does not halve
        {1023, true, false, true, 767},
        {65535, true, false, false, 49151},
        {0, true, true, true, 0},
    };
    for (const auto& k : current) {
        EXPECT_EQ(maxPixelsCurrent(k.maxPixels, k.rgbw, k.modeChecked, k.expandable), k.out)
            << k.maxPixels << " rgbw=" << k.rgbw << " mode=" << k.modeChecked << " exp=" << k.expandable;
    }
    EXPECT_EQ(maxPixelsLegacy(true, false), 340);
    EXPECT_EQ(maxPixelsLegacy(true, true), 256);
    EXPECT_EQ(maxPixelsLegacy(false, false), 680);
    EXPECT_EQ(maxPixelsLegacy(false, true), 512);
}

TEST(Rules, LegacyChipListByFirmware) {
    const std::vector<std::u16string> base = {u"TLS3001", u"SM16716", u"WS2801", u"LPD6803", u"WS2811/12"};
    const std::vector<std::u16string> v127 = {u"TLS3001", u"SM16716", u"WS2801", u"LPD6803",
                                              u"WS2811/12", u"MBI6020", u"TM1803", u"TM1804",
                                              u"TM1809",  u"MY9231",  u"WS2811 Slow"};
    const std::vector<std::u16string> all = {u"TLS3001", u"SM16716", u"WS2801",  u"LPD6803", u"WS2811/12",
                                             u"MBI6020", u"TM1803",  u"TM1804",  u"TM1809",  u"MY9231",
                                             u"APA102",  u"MY9221",  u"SK6812",  u"UCS1903", u"P9813"};
    auto prefix = [&](std::size_t n) { return std::vector<std::u16string>(all.begin(), all.begin() + n); };
    struct Case {
        std::u16string firmware;
        std::vector<std::u16string> names;
    } cases[] = {
        {u"V1.2.2", base},
        {u"V1.2.3", prefix(6)},
        {u"V1.2.8", v127},
        {u"V1.3.0", prefix(10)}, // "WS2811 Slow" gone, "APA102" not yet
        {u"V1.4.3", prefix(10)},
        {u"V1.4.4", prefix(11)},
        {u"V1.4.6", prefix(12)},
        {u"V1.4.10", prefix(14)},
        {u"V1.4.11", all},
        {u"V2.0.0", all},
        {u"garbage", base},      // an unreadable version offers the basic chips only
    };
    for (const auto& k : cases) {
        const auto list = legacyChipList(k.firmware);
        std::vector<std::u16string> names;
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i].code, static_cast<int>(i)) << "code of entry " << i;
            names.emplace_back(list[i].name);
        }
        EXPECT_EQ(names, k.names) << std::string(k.firmware.begin(), k.firmware.end());
    }
}

TEST(Rules, LegacyChipChoices) {
    for (int chip = 0; chip <= 14; ++chip) {
        const bool mode = chip == 0 || chip == 4 || chip == 6 || chip == 7 || chip == 8 || chip == 12 || chip == 13;
        EXPECT_EQ(legacyChipHasModeChoice(chip), mode) << chip;
        EXPECT_EQ(legacyChipHasSpeedChoice(chip), chip == 4 || chip == 7) << chip;
        EXPECT_EQ(isRgbwChipV4Below(chip), chip == 12) << chip;
    }
    EXPECT_FALSE(legacyChipHasModeChoice(-1));
    EXPECT_FALSE(legacyChipHasModeChoice(15));
}

TEST(Rules, ColourOrderPositionFormNamesTheWireOrder) {
    using Triple = std::array<std::uint8_t, 3>;
    // Each item's label ("B-R-G") is the order on the wire, first to last; the
    // position form holds the place of red, green and blue in it.
    const auto placesIn = [](const std::u16string& label) {
        Triple places{};
        const std::u16string colours = u"RGB";
        for (std::size_t c = 0; c < colours.size(); ++c)
            places[c] = static_cast<std::uint8_t>(label.find(colours[c]) / 2); // "X-Y-Z": letters at 0, 2, 4
        return places;
    };
    const auto& labels = rgbList();
    ASSERT_EQ(labels.size(), 6u);
    for (int item = 0; item < 6; ++item) {
        const Triple form = placesIn(labels[static_cast<std::size_t>(item)]);
        EXPECT_EQ(positionFormFromItem(item), form) << item;
        EXPECT_EQ(itemFromPositionForm(form[0], form[1]), item) << item;
    }
    // Items 0, 1, 2 and 5, whose labels always matched, keep their forms.
    EXPECT_EQ(positionFormFromItem(0), (Triple{0, 1, 2}));
    EXPECT_EQ(positionFormFromItem(1), (Triple{0, 2, 1}));
    EXPECT_EQ(positionFormFromItem(2), (Triple{1, 0, 2}));
    EXPECT_EQ(positionFormFromItem(5), (Triple{2, 1, 0}));
    EXPECT_EQ(positionFormFromItem(-1), (Triple{0, 1, 2})); // no selection: the fixed order
    EXPECT_EQ(positionFormFromItem(6), (Triple{0, 1, 2}));

    // Decoding looks at the first two bytes only, and accepts any byte values.
    struct Case {
        std::uint8_t first, second;
        int item;
    } decode[] = {
        {0, 1, 0}, {0, 0, 1}, {0, 2, 1}, {0, 255, 1}, {1, 0, 2}, {1, 1, 3},
        {1, 2, 3}, {2, 0, 4}, {255, 0, 4}, {2, 1, 5}, {255, 255, 5}, {7, 3, 5},
    };
    for (const auto& k : decode) {
        EXPECT_EQ(itemFromPositionForm(k.first, k.second), k.item) << int(k.first) << "," << int(k.second);
    }
}

TEST(Rules, ColourOrderLists) {
    const auto& rgb = rgbList();
    ASSERT_EQ(rgb.size(), 6u);
    EXPECT_EQ(rgb, (std::vector<std::u16string>{u"R-G-B", u"R-B-G", u"G-R-B", u"B-R-G", u"G-B-R", u"B-G-R"}));

    const auto& rgbw = rgbwList();
    ASSERT_EQ(rgbw.size(), 24u);
    struct Case {
        std::size_t index;
        std::u16string text;
    } entries[] = {
        {0, u"R-G-B-W"}, {5, u"B-G-R-W"},  {6, u"R-G-W-B"},  {11, u"B-G-W-R"},
        {12, u"R-W-G-B"}, {17, u"B-W-G-R"}, {18, u"W-R-G-B"}, {23, u"W-B-G-R"},
    };
    for (const auto& k : entries) EXPECT_EQ(rgbw[k.index], k.text) << k.index;
    // Every order of the four colours exactly once.
    std::vector<std::u16string> sorted(rgbw.begin(), rgbw.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

TEST(Rules, ToolVersionAgainstControllerMinimum) {
    const std::array<std::uint8_t, 3> tool = {2, 3, 23};
    struct Case {
        std::array<std::uint8_t, 3> required;
        bool ok;
    } cases[] = {
        {{2, 3, 23}, true}, {{2, 3, 24}, false}, {{2, 4, 0}, false}, {{3, 0, 0}, false},
        {{1, 9, 99}, true}, {{2, 2, 255}, true}, {{0, 0, 0}, true},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(versionAtLeast(tool, k.required), k.ok)
            << int(k.required[0]) << "." << int(k.required[1]) << "." << int(k.required[2]);
    }
}
