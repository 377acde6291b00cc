#!/usr/bin/env bash
# Pictures of the About windows (editions 0, 1, 2, 4) and of the diagnostics
# grid with a few messages, taken on a virtual display (Xvfb):
#   scripts/screenshot-diagnostics.sh [build folder] [output folder]
# Defaults: build/default and <build folder>/screenshots. Builds the preview
# program first. Needs xvfb-run (package xvfb) and xauth.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
out=${2:-$build/screenshots}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target diagnostics_preview -j2
mkdir -p "$out"

# A real X display, not the offscreen platform, so the pictures show what a
# user's desktop would draw.
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1500x800x24" "$build/diagnostics/diagnostics_preview" "$out"
echo "screenshots in $out"
