#!/usr/bin/env bash
# The one test command: installs what is missing, builds everything and runs
# every test (unit, window, network lab when run as root, and a short bounded
# run of every fuzz target), then builds the Debian package and checks it.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build (GCC) and run the tests"
cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs" --timeout 600

echo "== build the fuzz targets (clang, address and undefined sanitizers) and run each briefly"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz --timeout 600

echo "== build the Debian package (Release, no tests) and check it"
deb=$(scripts/package.sh | tail -n 1)
scripts/check-package.sh "$deb"
