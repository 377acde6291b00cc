#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs to build, test, fuzz and
# take screenshots, and nothing when they are all there already. Uses sudo
# when not run as root.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config git
  clang libclang-rt-14-dev                      # libFuzzer and the sanitizers
  libgtest-dev libgmock-dev libbenchmark-dev    # GoogleTest, Google Benchmark
  qt6-base-dev qt6-base-dev-tools libgl-dev     # Qt 6 Widgets, Network, Test
  nlohmann-json3-dev                            # JSON of the settings files
  iproute2                                      # the network lab (ip netns, veth)
  xvfb xauth imagemagick poppler-utils          # screenshots and guide previews
  dpkg-dev librsvg2-bin                         # the Debian package: dependencies, icons
  lintian desktop-file-utils appstream          # the package's checks
  fonts-dejavu-core
  libxcb1-dev                                   # the window-title test reads titles from the X server
  locales                                       # a decimal-comma locale for the locale tests
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Tests check that a locale with a decimal comma does not change the texts the
# tool derives from numbers; they need one such locale compiled.
ensure_comma_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "install-deps: compiling the de_DE.UTF-8 locale"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: every package is installed"
  ensure_comma_locale
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
ensure_comma_locale
