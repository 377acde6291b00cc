#!/usr/bin/env bash
# Pictures of the firmware window at 100 % and 200 % scaling, taken on a
# virtual display: ready with a file chosen, during an upload, and its
# message boxes.
#
# usage: scripts/screenshot-firmware.sh [build directory] [output directory]
#   build directory   default build/default (configured if missing)
#   output directory  default <build directory>/screenshots/firmware
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/window-screenshots.sh

window_screenshots firmware_screenshots firmware 1600x1000 "$@"
