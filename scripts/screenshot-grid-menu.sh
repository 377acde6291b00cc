#!/usr/bin/env bash
# Pictures of the device grid's context menu at 100 % and 200 % scaling,
# taken on a virtual display: on a controller and below the rows.
#
# usage: scripts/screenshot-grid-menu.sh [build directory] [output directory]
#   build directory   default build/default (configured if missing)
#   output directory  default <build directory>/screenshots/grid-menu
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/window-screenshots.sh

window_screenshots grid_menu_screenshots grid-menu 1600x1200 "$@"
