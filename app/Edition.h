#pragma once
// The edition this program was built as. The three constants come from the
// build (CMake options VANTREL_APP_BRAND, VANTREL_APP_VERSION and
// VANTREL_DEV_BUILD) and never change while the program runs.

#include "app/Branding.h"

namespace vantrel::app {

// The build's AppBrand, AppVersion and DevBuild gathered in one value.
Branding builtEdition();

} // namespace vantrel::app
