#!/usr/bin/env bash
# Builds the given targets (default: the program) in the build directory
# VANTREL_BUILD_DIR (default build/default, the "default" CMake preset) and
# prints that directory's absolute path on the last line. Used by run.sh,
# demo.sh and screenshot-main.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(vantrel)
build="${VANTREL_BUILD_DIR:-build/default}"

if [[ "$build" == build/default ]]; then
    cmake --preset default >&2
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >&2
cd "$build" && pwd
