#!/usr/bin/env bash
# A demonstration without controllers: the simulator's default fleet runs in
# the network lab (a pair of throw-away network namespaces, which needs root)
# and Vantrel, started on your display inside the lab's "pc" side, searches
# it once at start-up. Nothing is sent on this machine's real interfaces.
#
#   scripts/demo.sh            run it as yourself; the lab asks for sudo
#
# Closing the window ends the demo and removes the lab.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)" >&2
    exit 1
fi

scripts/install-deps.sh
build=$(scripts/build-program.sh vantrel nodalux-sim | tail -n 1)

# The program runs as the user who started the demo, only the lab as root.
user="${SUDO_USER:-$(id -un)}"
sudo=""
if [[ $EUID -ne 0 ]]; then sudo="sudo"; fi

# Runs inside the lab's "pc" namespace (as root): the simulator goes to the
# "lan" side, the program stays here and runs as the user.
inner='
set -u
ip netns exec "$VANTREL_LAB_LAN_NS" "$DEMO_BUILD/tools/sim/nodalux-sim" >/dev/null &
sim=$!
trap "kill $sim 2>/dev/null" EXIT
run_as=()
if [[ "$DEMO_USER" != root ]]; then run_as=(runuser -u "$DEMO_USER" --); fi
vars=(VANTREL_AUTOSEARCH=1)
for v in DISPLAY XAUTHORITY WAYLAND_DISPLAY XDG_RUNTIME_DIR; do
    value=$(printenv "DEMO_$v" || true)
    if [[ -n "$value" ]]; then vars+=("$v=$value"); fi
done
"${run_as[@]}" env "${vars[@]}" "$DEMO_BUILD/app/vantrel"
'

echo "demo: starting the simulator fleet in the network lab and Vantrel on your display"
$sudo env DEMO_BUILD="$build" DEMO_USER="$user" DEMO_DISPLAY="${DISPLAY:-}" \
    DEMO_XAUTHORITY="${XAUTHORITY:-}" DEMO_WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" \
    DEMO_XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-}" \
    "$root/scripts/netlab.sh" -- bash -c "$inner"
