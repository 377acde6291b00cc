#!/usr/bin/env bash
# Builds the Debian package of Vantrel: a Release build of only what the
# package holds (the program, vantrel-cli, nodalux-sim, the guide, icons,
# manual pages; no tests) in build/package, then CPack. Prints the package's
# path on its last line.
#
#   scripts/package.sh                 # then: sudo apt install ./<that path>
#   VANTREL_PACKAGE_BUILD_DIR=build/pkg scripts/package.sh
#
# Installs what is missing first (scripts/install-deps.sh; it asks for sudo
# when not run as root): among them dpkg-dev for the dependencies computed
# from the binaries and librsvg2-bin for the icons.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh >&2

build="${VANTREL_PACKAGE_BUILD_DIR:-build/package}"
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DVANTREL_TESTS=OFF \
    -DVANTREL_PACKAGE=ON >&2
cmake --build "$build" -j "$jobs" >&2
rm -rf "$build/package"
(cd "$build" && cpack -G DEB) >&2

debs=("$build"/package/*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
    echo "package: expected one package in $build/package" >&2
    exit 1
fi
echo "$(cd "$(dirname "${debs[0]}")" && pwd)/$(basename "${debs[0]}")"
