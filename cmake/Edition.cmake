# The edition's build constants (VANTREL_APP_BRAND, VANTREL_APP_VERSION,
# VANTREL_DEV_BUILD), read once at the top so every folder, the tests among
# them, sees the same values already at the first configure.
set(VANTREL_APP_BRAND 0 CACHE STRING "Edition: 0 is the maker's own, 1 to 6 partner editions")
set_property(CACHE VANTREL_APP_BRAND PROPERTY STRINGS 0 1 2 3 4 5 6)
set(VANTREL_APP_VERSION "2.3.23" CACHE STRING "The tool's version: major.minor.build, each 0 to 255")
option(VANTREL_DEV_BUILD "Development build: title suffix \" - DEV\" and the Diagnostics tab" OFF)

if(NOT VANTREL_APP_BRAND MATCHES "^[0-6]$")
  message(FATAL_ERROR "VANTREL_APP_BRAND must be one of 0 to 6, not '${VANTREL_APP_BRAND}'")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/AppVersion.cmake)
vantrel_parse_app_version("${VANTREL_APP_VERSION}" VANTREL_VERSION)
if(VANTREL_DEV_BUILD)
  set(VANTREL_DEV_BUILD_VALUE 1)
else()
  set(VANTREL_DEV_BUILD_VALUE 0)
endif()

