#!/usr/bin/env bash
# Makes docs/screenshot-main.png: the main window, after a Search, listing the
# simulator's default fleet. The program runs under Xvfb (xvfb-run) on a
# screen the size of the window and ImageMagick's `import -window root` takes
# the picture.
#
# As root the real program searches the fleet in the network lab
# (scripts/netlab.sh); otherwise a stand-in window fed with the same fleet
# through the in-process endpoint is photographed (no sockets at all).
#
#   scripts/screenshot-main.sh [output.png]
#   VANTREL_BUILD_DIR=build/mine scripts/screenshot-main.sh   # another build directory
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out="${1:-$root/docs/screenshot-main.png}"
case "$out" in /*) ;; *) out="$root/$out" ;; esac

readonly SCREEN="737x553x24"  # the window's client area: the picture is the window
readonly SETTLE_SECONDS=4     # start-up, the automatic Search and the replies

scripts/install-deps.sh >&2
build=$(scripts/build-program.sh vantrel nodalux-sim app_screenshot_fixture | tail -n 1)

# Runs the program given as arguments under Xvfb, photographs it, stops it.
shoot() {
    SHOT_OUT="$out" SHOT_SETTLE="$SETTLE_SECONDS" xvfb-run -a -s "-screen 0 $SCREEN" bash -c '
        "$@" &
        program=$!
        sleep "$SHOT_SETTLE"
        import -window root "$SHOT_OUT"
        status=$?
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
        exit $status' shoot "$@"
}
export -f shoot
export out SCREEN SETTLE_SECONDS

lab_status=0
if [[ $EUID -eq 0 ]]; then
    echo "screenshot: the program and the simulator fleet in the network lab" >&2
    scripts/netlab.sh -- bash -c '
        ip netns exec "$VANTREL_LAB_LAN_NS" "$0/tools/sim/nodalux-sim" >/dev/null &
        sim=$!
        trap "kill $sim 2>/dev/null" EXIT
        sleep 1
        VANTREL_AUTOSEARCH=1 shoot "$0/app/vantrel"' "$build" || lab_status=$?
else
    lab_status=77
fi

if [[ $lab_status -eq 77 ]]; then
    echo "screenshot: no network lab here; the main window with the fleet through the in-process endpoint" >&2
    shoot "$build/tests/app/app_screenshot_fixture"
elif [[ $lab_status -ne 0 ]]; then
    echo "screenshot: failed ($lab_status)" >&2
    exit "$lab_status"
fi
echo "screenshot: $out"
