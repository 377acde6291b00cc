#pragma once
// The edition the program is built as: brand, version and development flag.
// They are build constants; windows take them through this one small value
// so that tests can build any edition in one binary.

#include <QString>
#include <array>
#include <cstdint>

namespace vantrel::app {

inline constexpr int kBrandCount = 7; // editions 0 (the maker's own) to 6

// One row of the brand table.
struct BrandEntry {
    const char* titlePrefix;   // main window title before the version, ending in " - V"
    const char* configCaption; // caption of the configuration window
    const char* logoResource;  // PNG among the program's resources
    int logoHeight;
    int logoWidth;
    bool helpVisible;
    bool aboutVisible; // false: the About button is hidden
};

// The table row of `brand`; a value outside 0..6 cannot be built (CMake
// rejects it) and reads as edition 0.
const BrandEntry& brandEntry(std::uint8_t brand);

struct Branding {
    std::uint8_t AppBrand = 0;
    std::array<std::uint8_t, 3> AppVersion{2, 3, 23}; // major, minor, build
    bool DevBuild = false;

    const BrandEntry& entry() const { return brandEntry(AppBrand); }
    // The three numbers in decimal without leading zeros, joined by ".": "2.3.23".
    QString versionText() const;
    // Title prefix, version and, in development builds, " - DEV".
    QString mainTitle() const;
    QString configCaption() const;
};

// Brand 4's support page, opened by its Help button.
inline constexpr const char* kBrand4SupportUrl = "https://support.solwyn.example/pixel-controllers";

} // namespace vantrel::app
