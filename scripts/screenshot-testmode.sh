#!/usr/bin/env bash
# Pictures of the configuration window's Test tab at 100 % and 200 % scaling,
# taken on a virtual display: "Set Color" for RGBW and RGB controllers, the
# single-pixel panel while stepping runs, a test on one output, live data, and
# the identify buttons on the Misc tab. Nothing is sent on any network.
#
# usage: scripts/screenshot-testmode.sh [build directory] [output directory]
#   build directory   default build/default (configured if missing)
#   output directory  default <build directory>/screenshots/testmode
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/window-screenshots.sh

window_screenshots testmode_screenshots testmode 2600x1600 "$@"
