#!/usr/bin/env bash
# Pictures of the configuration windows at 100 % and 200 % scaling, taken on a
# virtual display: every tab of the configuration window and the advanced
# windows with 8, 20 and 32 outputs.
#
# usage: scripts/screenshot-config.sh [build directory] [output directory]
#   build directory   default build/default (configured if missing)
#   output directory  default <build directory>/screenshots/config
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/window-screenshots.sh

window_screenshots config_screenshots config 2600x1600 "$@"
