#!/usr/bin/env bash
# The receive-flood benchmarks, in the network lab (root needed): the main
# window offscreen on the lab's "pc" side, flood_sender on the "lan" side.
#   1. 10,000 diagnostic messages of 470 bytes back to back, twice (the
#      second fills the 10,000-row cap again), the Diagnostics tab hidden;
#   2. the same with the tab in front;
#   3. 10,000 messages at 10,000 a second, tab hidden and in front;
#   4. 30,000 poll replies each naming a new controller, 20,000 a second and
#      back to back: intake against the list's size, up to its cap and past it.
#
#   bench/flood.sh [diagnostics|replies|all]      (default all)
#   VANTREL_BUILD_DIR=build/mine bench/flood.sh
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:-all}"

build=$(scripts/build-program.sh flood_bench flood_sender nodalux-sim | tail -n 1)
bench="$build/app/flood_bench"
sender="$build/app/flood_sender"
lab() { scripts/netlab.sh --hosts 1 -- env QT_QPA_PLATFORM=offscreen VANTREL_SIM="$build/tools/sim/nodalux-sim" "$@"; }
load() { echo "== $(uptime | sed 's/.*load/load/')"; }

echo "== $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
if [[ "$what" == all || "$what" == diagnostics ]]; then
    load; lab "$bench" diagnostics --sender "$sender" --count 10000 --rate 0 --bursts 2
    load; lab "$bench" diagnostics --sender "$sender" --count 10000 --rate 0 --bursts 2 --shown
    load; lab "$bench" diagnostics --sender "$sender" --count 10000 --rate 10000 --bursts 1
    load; lab "$bench" diagnostics --sender "$sender" --count 10000 --rate 10000 --bursts 1 --shown
fi
if [[ "$what" == all || "$what" == replies ]]; then
    load; lab "$bench" replies --sender "$sender" --count 30000 --rate 20000
    load; lab "$bench" replies --sender "$sender" --count 30000 --rate 0
fi
load
