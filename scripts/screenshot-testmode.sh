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

build=${1:-build/default}
out=${2:-$build/screenshots/testmode}

command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 1; }
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target testmode_screenshots -j 2
bin=$(find "$build" -name testmode_screenshots -type f -perm -u+x | head -n 1)

for scale in 1 2; do
  dir="$out/scale$scale"
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "== scale $scale -> $dir"
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    xvfb-run -a -s "-screen 0 2600x1600x24" "$bin" "$dir"
done
