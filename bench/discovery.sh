#!/usr/bin/env bash
# Discovery benchmark (not part of the test run; needs root for the network lab).
#
#   bench/discovery.sh [build-dir] [repeat]
#
# For N = 100, 1000 and 10,000 simulated controllers it measures, inside the lab, the
# time from the poll to the last controller in the tool's list (the endpoint,
# the dispatch, the readers and the list, as vantrel-cli runs them) beside the
# time a bare socket needs to receive the same N replies, and prints both with
# their ratio and the machine. Results go in bench/README.md by hand.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
repeat=${2:-7}

if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j "$(nproc)" --target nodalux-sim discovery_bench
sim=$(find "$build" -type f -name nodalux-sim -perm -u+x | head -n1)
bench=$(find "$build" -type f -name discovery_bench -perm -u+x | head -n1)
[[ -x "$sim" && -x "$bench" ]] || { echo "discovery.sh: nodalux-sim or discovery_bench not built" >&2; exit 1; }

echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "kernel: $(uname -r); build: $build ($(grep -m1 CMAKE_BUILD_TYPE: "$build/CMakeCache.txt" | cut -d= -f2))"

for n in 100 1000 10000; do
    # Inside the lab: the simulator on the lan side answers at once (no random
    # delay), the benchmark polls from the pc side.
    scripts/netlab.sh --hosts "$n" -- bash -c '
        set -u
        log=$(mktemp)
        ip netns exec "$VANTREL_LAB_LAN_NS" "$1" --count "$2" --first-ip 10.77.1.1 --max-delay-ms 0 >"$log" 2>&1 &
        sim=$!
        for _ in $(seq 300); do grep -Eq "^(nodalux-sim: )?ready" "$log" && break; sleep 0.1; done
        grep -Eq "^(nodalux-sim: )?ready" "$log" || { echo "nodalux-sim did not get ready:"; cat "$log"; kill $sim; exit 1; }
        "$3" --adapter "$VANTREL_LAB_PC_IP" --count "$2" --repeat "$4"
        status=$?
        kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$log"
        exit $status
    ' discovery-bench "$sim" "$n" "$bench" "$repeat"
done
