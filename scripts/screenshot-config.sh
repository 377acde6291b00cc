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

build=${1:-build/default}
out=${2:-$build/screenshots/config}

command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 1; }
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target config_screenshots -j 2
bin=$(find "$build" -name config_screenshots -type f -perm -u+x | head -n 1)

for scale in 1 2; do
  dir="$out/scale$scale"
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "== scale $scale -> $dir"
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    xvfb-run -a -s "-screen 0 2600x1600x24" "$bin" "$dir"
done
