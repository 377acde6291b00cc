#!/usr/bin/env bash
# The main window discovery benchmark: 100 and then 1000 simulated controllers
# answer one poll in the network lab (root needed); the main window, offscreen
# on the lab's "pc" side, is timed from Search to the last row, with the
# longest time its UI thread was blocked and its memory. Each size runs in its
# own process so that the peak memory is that size's. A third run re-sorts
# the whole grid after every row for comparison.
#
#   bench/ui_discovery.sh [searches per size]      (default 5)
#   VANTREL_BUILD_DIR=build/mine bench/ui_discovery.sh
set -euo pipefail
cd "$(dirname "$0")/.."
searches="${1:-5}"

build=$(scripts/build-program.sh ui_discovery_bench nodalux-sim | tail -n 1)
echo "== $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
scripts/netlab.sh --hosts 1000 -- env QT_QPA_PLATFORM=offscreen VANTREL_SIM="$build/tools/sim/nodalux-sim" bash -c '
    set -e
    "$0" 100 "$1"
    echo
    "$0" 1000 "$1"
    echo
    "$0" 1000 "$1" --resort-each-row' "$build/app/ui_discovery_bench" "$searches"
