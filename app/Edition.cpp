#include "app/Edition.h"

#ifndef VANTREL_APP_BRAND
#error "VANTREL_APP_BRAND is set by the build"
#endif

namespace vantrel::app {

namespace {

constexpr std::uint8_t AppBrand = VANTREL_APP_BRAND;
constexpr std::array<std::uint8_t, 3> AppVersion{VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR,
                                                 VANTREL_VERSION_BUILD};
constexpr bool DevBuild = VANTREL_DEV_BUILD != 0;

static_assert(AppBrand < kBrandCount, "the brand table has editions 0 to 6");

} // namespace

Branding builtEdition() { return Branding{AppBrand, AppVersion, DevBuild}; }

} // namespace vantrel::app
