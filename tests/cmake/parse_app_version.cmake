# Runs the version parsing on one text: cmake -DMODULE=<AppVersion.cmake> -DTEXT=<text> -P this file.
# Prints "numbers: <major> <minor> <build>" on success; a bad text ends with the module's message.
include(${MODULE})
vantrel_parse_app_version("${TEXT}" VERSION)
message(STATUS "numbers: ${VERSION_MAJOR} ${VERSION_MINOR} ${VERSION_BUILD}")
