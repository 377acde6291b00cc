#!/usr/bin/env bash
# Runs a window test on a real X server (Xvfb) with Qt's xcb platform, for what
# the offscreen platform does not do: window titles as the window manager
# receives them, the desktop's opener. Exits 77 (skipped) without Xvfb.
#
#   tests/support/xvfb-test.sh <test program> [arguments]
set -euo pipefail
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "skipped: xvfb-run is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
