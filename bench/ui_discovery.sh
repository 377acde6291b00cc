#!/usr/bin/env bash
# The main window discovery benchmark: 100, 1000 and 10,000 simulated
# controllers answer a poll in the network lab (root needed); the main window,
# offscreen on the lab's "pc" side, is timed from Search to the last row, with
# the longest time its UI thread was blocked and its memory, in rounds that
# alternate with a bare socket sending the same poll to the same fleet. Each
# size runs in its own process so that the peak memory is that size's.
#
#   bench/ui_discovery.sh [rounds] [sizes...]   (default: 7 rounds; 100 1000 10000)
#   VANTREL_BUILD_DIR=build/mine bench/ui_discovery.sh
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-7}"
shift || true
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(100 1000 10000)
largest=$(printf '%s\n' "${sizes[@]}" | sort -n | tail -n 1)

build=$(scripts/build-program.sh ui_discovery_bench nodalux-sim | tail -n 1)
echo "== $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uptime | sed 's/.*load/load/')"
for n in "${sizes[@]}"; do
    scripts/netlab.sh --hosts "$largest" -- env QT_QPA_PLATFORM=offscreen VANTREL_SIM="$build/tools/sim/nodalux-sim" \
        "$build/app/ui_discovery_bench" "$n" "$rounds"
    echo "== after $n: $(uptime | sed 's/.*load/load/')"
done
