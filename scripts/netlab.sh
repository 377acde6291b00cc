#!/usr/bin/env bash
# The network lab: runs a command inside throw-away network namespaces so that
# real UDP, broadcasts included, never touches this machine's interfaces.
#
#   scripts/netlab.sh [--hosts N] -- command args...
#
# Needs root and iproute2 (ip). Where the lab cannot be made, it prints
# "netlab: skipped: <reason>" on stderr and exits 77, which CTest reads as a
# skip (SKIP_RETURN_CODE 77). Otherwise the exit code is the command's.
# Everything it made is removed on exit, also when the command fails or the
# script is interrupted; namespaces left behind by a run that was killed
# outright are removed by the next run.
#
# Namespaces (names unique to this run, <pid> = the script's process id):
#   pc    vtpc-<pid>:  the program's side. Veth "vpc" with 10.77.0.1/16 and the
#                      default route through it, so 255.255.255.255 leaves there.
#   lan   vtlan-<pid>: the controllers' side. Veth "vlan", peer of "vpc", with N
#                      addresses of 10.77.0.0/16 (default 20); host k (1-based)
#                      is 10.77.(1 + (k-1)/250).(1 + (k-1)%250): 10.77.1.1 ...
#                      10.77.1.250, 10.77.2.1 ...  Default route through vlan.
#   other vtoth-<pid>: a second segment on another adapter of the pc: veth
#                      "vpcx" 172.31.77.1/24 in pc, its peer "voth" 172.31.77.2/24
#                      in other. Traffic from there must not count as traffic of
#                      the 10.77 adapter.
# Every namespace has its loopback up. The pc side keeps IPv6 link-local
# addresses on its veths (the adapter list has to skip them).
#
# The command runs inside the pc namespace, in the caller's working directory,
# with these variables set:
#   VANTREL_LAB_PC_NS, VANTREL_LAB_LAN_NS, VANTREL_LAB_OTHER_NS  namespace names
#   VANTREL_LAB_PC_EXEC, VANTREL_LAB_LAN_EXEC, VANTREL_LAB_OTHER_EXEC
#       command prefixes that run a program in that namespace, to be split at
#       spaces: $VANTREL_LAB_LAN_EXEC nodalux-sim ...  ("ip netns exec vtlan-<pid>")
#   VANTREL_LAB_PC_IF=vpc  VANTREL_LAB_LAN_IF=vlan
#   VANTREL_LAB_PC_IP=10.77.0.1  VANTREL_LAB_MASK=255.255.0.0  VANTREL_LAB_PREFIX=16
#   VANTREL_LAB_BROADCAST=10.77.255.255
#   VANTREL_LAB_HOSTS=N  the number of lan addresses
#   VANTREL_LAB_FIRST_IP, VANTREL_LAB_LAST_IP  host 1 and host N
#   VANTREL_LAB_HOSTS_FILE  a file listing the N lan addresses, one a line, in order
#   VANTREL_LAB_PCX_IF=vpcx  VANTREL_LAB_PCX_IP=172.31.77.1  (the pc's other adapter)
#   VANTREL_LAB_OTHER_IF=voth  VANTREL_LAB_OTHER_IP=172.31.77.2  VANTREL_LAB_OTHER_MASK=255.255.255.0
# Processes the command leaves running in any of the namespaces are ended when
# it returns.
#
# net.core.rmem_max (the cap on a socket's receive buffer) is raised to 8 MiB
# inside the lab where the kernel keeps it per namespace; the host's value is
# never changed.
#
# Examples:
#   sudo scripts/netlab.sh -- bash -c 'ip addr; $VANTREL_LAB_LAN_EXEC ip addr'
#   sudo scripts/netlab.sh --hosts 1000 -- build/default/tests/integration/scale_test

set -uo pipefail

readonly SKIP=77
readonly PC_IF=vpc
readonly LAN_IF=vlan
readonly PCX_IF=vpcx
readonly OTHER_IF=voth
readonly PC_IP=10.77.0.1
readonly MASK=255.255.0.0
readonly PREFIX=16
readonly BROADCAST=10.77.255.255
readonly PCX_IP=172.31.77.1
readonly OTHER_IP=172.31.77.2
readonly OTHER_MASK=255.255.255.0
readonly OTHER_PREFIX=24
readonly HOSTS_PER_BLOCK=250
readonly MAX_HOSTS=63750 # the host scheme's last address is 10.77.255.250
readonly WANT_RMEM=8388608
readonly NEED_RMEM=4194304 # what the program's endpoint asks for
readonly NS_PATTERN='^vt(pc|lan|oth)-[0-9]+$'

usage() {
    sed -n '2,12p' "$0" >&2
    exit 2
}

hosts=20
while [[ $# -gt 0 ]]; do
    case "$1" in
    --hosts)
        [[ $# -ge 2 ]] || usage
        hosts="$2"
        shift 2
        ;;
    --)
        shift
        break
        ;;
    -h | --help) usage ;;
    *) usage ;;
    esac
done
[[ $# -ge 1 ]] || usage
if ! [[ "$hosts" =~ ^[0-9]+$ ]] || ((10#$hosts < 1 || 10#$hosts > MAX_HOSTS)); then
    echo "netlab: --hosts must be between 1 and $MAX_HOSTS" >&2
    exit 2
fi
hosts=$((10#$hosts))

skip() {
    echo "netlab: skipped: $1" >&2
    exit $SKIP
}

[[ $EUID -eq 0 ]] || skip "the network lab needs root (network namespaces and veth links)"
command -v ip >/dev/null 2>&1 || skip "the 'ip' command (iproute2) is not installed"

host_ip() { # 1-based host number -> address
    local k=$(($1 - 1))
    echo "10.77.$((1 + k / HOSTS_PER_BLOCK)).$((1 + k % HOSTS_PER_BLOCK))"
}

# Ends every process in a namespace and removes it (its veth ends go with it).
remove_ns() {
    local ns="$1" pids=()
    [[ -e "/run/netns/$ns" ]] || return 0
    mapfile -t pids < <(ip netns pids "$ns" 2>/dev/null)
    if ((${#pids[@]} > 0)); then
        kill -TERM "${pids[@]}" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            mapfile -t pids < <(ip netns pids "$ns" 2>/dev/null)
            ((${#pids[@]} == 0)) && break
            sleep 0.1
        done
        ((${#pids[@]} == 0)) || kill -KILL "${pids[@]}" 2>/dev/null
    fi
    ip netns del "$ns" 2>/dev/null
}

# Namespaces of earlier runs whose script is gone (killed outright, so its own
# teardown never ran).
sweep_stale() {
    local ns owner
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}'); do
        [[ "$ns" =~ $NS_PATTERN ]] || continue
        owner="${ns##*-}"
        kill -0 "$owner" 2>/dev/null && continue
        echo "netlab: removing $ns, left behind by an earlier run" >&2
        remove_ns "$ns"
    done
}

readonly PC_NS="vtpc-$$"
readonly LAN_NS="vtlan-$$"
readonly OTHER_NS="vtoth-$$"
hosts_file=""
child=""

# shellcheck disable=SC2317 # called by the EXIT trap
teardown() {
    trap - EXIT INT TERM HUP
    if [[ -n "$child" ]] && kill -0 "$child" 2>/dev/null; then
        kill -TERM "$child" 2>/dev/null
        wait "$child" 2>/dev/null
    fi
    local ns
    for ns in "$PC_NS" "$LAN_NS" "$OTHER_NS"; do
        remove_ns "$ns"
    done
    [[ -z "$hosts_file" ]] || rm -f "$hosts_file"
}
trap teardown EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

sweep_stale

ip netns add "$PC_NS" 2>/dev/null || skip "'ip netns add' does not work here (no network namespace support or no CAP_SYS_ADMIN)"
ip netns add "$LAN_NS" || skip "'ip netns add' does not work here"
ip netns add "$OTHER_NS" || skip "'ip netns add' does not work here"
ip link add "$PC_IF" netns "$PC_NS" type veth peer name "$LAN_IF" netns "$LAN_NS" 2>/dev/null ||
    skip "cannot create a veth pair (no veth support in this kernel?)"
ip link add "$PCX_IF" netns "$PC_NS" type veth peer name "$OTHER_IF" netns "$OTHER_NS" ||
    skip "cannot create a veth pair"

hosts_file=$(mktemp "${TMPDIR:-/tmp}/netlab-hosts.XXXXXX") || skip "cannot create a temporary file"
for ((k = 1; k <= hosts; k++)); do
    host_ip "$k"
done >"$hosts_file"

setup() {
    ip -n "$PC_NS" link set lo up &&
        ip -n "$LAN_NS" link set lo up &&
        ip -n "$OTHER_NS" link set lo up &&
        ip -n "$PC_NS" addr add "$PC_IP/$PREFIX" brd + dev "$PC_IF" &&
        ip -n "$PC_NS" addr add "$PCX_IP/$OTHER_PREFIX" brd + dev "$PCX_IF" &&
        ip -n "$OTHER_NS" addr add "$OTHER_IP/$OTHER_PREFIX" brd + dev "$OTHER_IF" &&
        # One batch: a thousand addresses take a fraction of a second.
        sed "s|.*|addr add &/$PREFIX brd + dev $LAN_IF|" "$hosts_file" | ip -n "$LAN_NS" -batch - &&
        ip -n "$PC_NS" link set "$PC_IF" up &&
        ip -n "$PC_NS" link set "$PCX_IF" up &&
        ip -n "$LAN_NS" link set "$LAN_IF" up &&
        ip -n "$OTHER_NS" link set "$OTHER_IF" up &&
        ip -n "$PC_NS" route add default dev "$PC_IF" &&
        ip -n "$LAN_NS" route add default dev "$LAN_IF" &&
        ip -n "$OTHER_NS" route add default dev "$OTHER_IF"
}
setup || skip "cannot configure the lab's links and addresses"

# Writes a kernel setting inside a namespace only; errors are ignored.
ns_sysctl() { # namespace, path under /proc/sys, value
    ip netns exec "$1" sh -c "echo $3 > /proc/sys/$2" 2>/dev/null
}

# A large receive buffer needs net.core.rmem_max. Raise it inside the lab where
# the kernel keeps it per namespace; never change the host's value.
host_rmem=$(cat /proc/sys/net/core/rmem_max 2>/dev/null || echo 0)
rmem=$(ip netns exec "$PC_NS" cat /proc/sys/net/core/rmem_max 2>/dev/null || echo 0)
if ((rmem < WANT_RMEM)); then
    for ns in "$PC_NS" "$LAN_NS"; do
        ns_sysctl "$ns" net/core/rmem_max "$WANT_RMEM"
    done
    if [[ "$(cat /proc/sys/net/core/rmem_max 2>/dev/null || echo 0)" != "$host_rmem" ]]; then
        # This kernel shares the value with the host: put it back.
        echo "$host_rmem" >/proc/sys/net/core/rmem_max
    fi
    rmem=$(ip netns exec "$PC_NS" cat /proc/sys/net/core/rmem_max 2>/dev/null || echo 0)
    if ((rmem < NEED_RMEM)); then
        echo "netlab: note: net.core.rmem_max cannot be raised inside the lab on this kernel;" \
            "receive buffers are capped at the host's $rmem bytes" >&2
    fi
fi

# Large fleets: room in the neighbour tables for every host (per namespace).
if ((hosts > 256)); then
    for ns in "$PC_NS" "$LAN_NS"; do
        ns_sysctl "$ns" net/ipv4/neigh/default/gc_thresh1 $((hosts * 2))
        ns_sysctl "$ns" net/ipv4/neigh/default/gc_thresh2 $((hosts * 4))
        ns_sysctl "$ns" net/ipv4/neigh/default/gc_thresh3 $((hosts * 8))
    done
fi

# The command runs in the background so that a signal reaches the traps at
# once; it keeps the caller's standard input.
exec 3<&0
ip netns exec "$PC_NS" env \
    VANTREL_LAB_PC_NS="$PC_NS" \
    VANTREL_LAB_LAN_NS="$LAN_NS" \
    VANTREL_LAB_OTHER_NS="$OTHER_NS" \
    VANTREL_LAB_PC_EXEC="ip netns exec $PC_NS" \
    VANTREL_LAB_LAN_EXEC="ip netns exec $LAN_NS" \
    VANTREL_LAB_OTHER_EXEC="ip netns exec $OTHER_NS" \
    VANTREL_LAB_PC_IF="$PC_IF" \
    VANTREL_LAB_LAN_IF="$LAN_IF" \
    VANTREL_LAB_PC_IP="$PC_IP" \
    VANTREL_LAB_MASK="$MASK" \
    VANTREL_LAB_PREFIX="$PREFIX" \
    VANTREL_LAB_BROADCAST="$BROADCAST" \
    VANTREL_LAB_HOSTS="$hosts" \
    VANTREL_LAB_FIRST_IP="$(host_ip 1)" \
    VANTREL_LAB_LAST_IP="$(host_ip "$hosts")" \
    VANTREL_LAB_HOSTS_FILE="$hosts_file" \
    VANTREL_LAB_PCX_IF="$PCX_IF" \
    VANTREL_LAB_PCX_IP="$PCX_IP" \
    VANTREL_LAB_OTHER_IF="$OTHER_IF" \
    VANTREL_LAB_OTHER_IP="$OTHER_IP" \
    VANTREL_LAB_OTHER_MASK="$OTHER_MASK" \
    "$@" <&3 3<&- &
child=$!
exec 3<&-
wait "$child"
status=$?
child=""
exit $status
