#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh made:
#   - its file list holds the programs, the menu entry, the icons, the
#     AppStream metadata, the manual pages, copyright and changelog;
#   - its dependencies were computed from the binaries;
#   - desktop-file-validate and appstreamcli validate pass, lintian reports no error;
#   - each program taken from the package answers --version without a display;
#   - as root: the programs run as an unprivileged user (nobody).
#
#   scripts/check-package.sh <package.deb>
# Exits non-zero, naming every failed check, when one fails.
set -uo pipefail

[[ $# -eq 1 && -f "$1" ]] || { echo "usage: $0 <package.deb>" >&2; exit 2; }
deb="$1"
readonly APP_ID=example.qorvana.vantrel
readonly ICON_SIZES=(16 22 24 32 48 64 128 256)

failures=0
fail() {
    echo "check-package: FAILED: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "check-package: ok: $*"; }

version=$(dpkg-deb -f "$deb" Version)
[[ -n "$version" ]] || fail "the package has no version"

# --- the file list ---------------------------------------------------------------
expected=(
    /usr/bin/vantrel /usr/bin/vantrel-cli /usr/bin/nodalux-sim
    "/usr/share/applications/$APP_ID.desktop"
    "/usr/share/icons/hicolor/scalable/apps/$APP_ID.svg"
    "/usr/share/metainfo/$APP_ID.metainfo.xml"
    /usr/share/man/man1/vantrel.1.gz /usr/share/man/man1/vantrel-cli.1.gz /usr/share/man/man1/nodalux-sim.1.gz
    /usr/share/doc/vantrel/copyright /usr/share/doc/vantrel/changelog.gz
)
for size in "${ICON_SIZES[@]}"; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png")
done
listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
missing=0
for path in "${expected[@]}"; do
    if ! grep -qxF "$path" <<<"$listing"; then
        fail "the package lacks $path"
        missing=1
    fi
done
[[ $missing -eq 0 ]] && pass "the file list holds all ${#expected[@]} expected files"

depends=$(dpkg-deb -f "$deb" Depends)
if [[ "$depends" == *libqt6widgets6* && "$depends" == *libc6* ]]; then
    pass "dependencies from the binaries: $depends"
else
    fail "the dependencies were not computed from the binaries: '$depends'"
fi

# --- validators ----------------------------------------------------------------------
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
chmod 755 "$root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb cannot unpack the package"

if desktop-file-validate "$root/usr/share/applications/$APP_ID.desktop"; then
    pass "desktop-file-validate"
else
    fail "desktop-file-validate"
fi
if appstreamcli validate --no-net "$root/usr/share/metainfo/$APP_ID.metainfo.xml"; then
    pass "appstreamcli validate"
else
    fail "appstreamcli validate"
fi
# Lintian warns about running as root; the checks are the same.
if lintian --fail-on error --tag-display-limit 0 "$deb" 2> >(grep -v 'running with root privileges' >&2); then
    pass "lintian: no error"
else
    fail "lintian reports errors"
fi

# --- the programs ---------------------------------------------------------------------
# No display at all: a program that opened a window would fail here.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb LD_LIBRARY_PATH="${LD_LIBRARY_PATH:-}")
check_version() { # program, pattern of its first line
    local out
    if out=$("${nodisplay[@]}" "$root/usr/bin/$1" --version 2>&1) && grep -qE "$2" <<<"$out"; then
        pass "$1 --version: $(tr '\n' ' ' <<<"$out")"
    else
        fail "$1 --version printed: $out"
    fi
}
check_version vantrel "^vantrel $version\$"
"${nodisplay[@]}" "$root/usr/bin/vantrel" --version | grep -qE '^Edition [0-6]: ' ||
    fail "vantrel --version does not name its edition"
check_version vantrel-cli "^vantrel-cli $version\$"
check_version nodalux-sim "^nodalux-sim $version\$"

# An ordinary user: no root, no capabilities. Listing the adapters sends nothing.
if [[ $EUID -eq 0 ]] && command -v runuser >/dev/null; then
    if runuser -u nobody -- "$root/usr/bin/vantrel-cli" adapters >/dev/null; then
        pass "vantrel-cli adapters as the user nobody"
    else
        fail "vantrel-cli adapters as the user nobody"
    fi
    if runuser -u nobody -- env QT_QPA_PLATFORM=offscreen "$root/usr/bin/vantrel" --version >/dev/null; then
        pass "vantrel --version as the user nobody"
    else
        fail "vantrel --version as the user nobody"
    fi
fi

if [[ $failures -gt 0 ]]; then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: every check passed for $deb"
