#!/usr/bin/env bash
# The trigger to the overlay's picture under each window manager, beside the floor of a raw Xlib
# window the same window manager manages: hotkey_latency.sh once per window manager, one at a
# time, each in its own session without a notification area. Prints one row per window manager:
# the medians of the managed floor and of Quorvel, mapped and painted, in milliseconds, and
# Quorvel's painted median over the floor's.
# Usage: wm_latency.sh BUILD_DIR [RUNS] [WM...]   (default: 11 runs under the window managers of
# tests/e2e/wm_e2e.sh)
set -u
bench=$(cd "$(dirname "$0")" && pwd)
build=$1
runs=${2:-11}
shift $(($# >= 2 ? 2 : 1))
managers=("$@")
[ ${#managers[@]} -gt 0 ] || managers=(openbox fluxbox i3 icewm mutter awesome bspwm herbstluftwm
    jwm metacity marco kwin_x11 xfwm4)

# medians TEXT: "mapped painted" of a "median mapped M ms, painted P ms over N runs" line.
medians() {
    awk '/^median mapped/{gsub(",", ""); print $3, $6}' <<<"$1"
}

printf '%-13s %14s %14s %14s %14s %7s\n' "window manager" "floor mapped" "floor painted" \
    "Quorvel mapped" "Quorvel painted" "ratio"
status=0
for wm in "${managers[@]}"; do
    output=$(XSESSION_WM=$wm XSESSION_TRAY=0 "$bench/hotkey_latency.sh" "$build" "$runs" 2>&1)
    # The lines after each heading: the unmanaged floor, the managed floor, Quorvel.
    floor=$(medians "$(sed -n '/managed by the window manager)/,/^==/p' <<<"$output")")
    quorvel=$(medians "$(sed -n '/^== Quorvel/,$p' <<<"$output")")
    if [ -z "$floor" ] || [ -z "$quorvel" ]; then
        printf '%-13s no measurement:\n' "$wm"
        sed 's/^/    /' <<<"$output"
        status=1
        continue
    fi
    read -r floor_mapped floor_painted <<<"$floor"
    read -r mapped painted <<<"$quorvel"
    printf '%-13s %14s %14s %14s %14s %7s\n' "$wm" "$floor_mapped" "$floor_painted" "$mapped" \
        "$painted" "$(awk -v q="$painted" -v f="$floor_painted" \
            'BEGIN{if (q < 0 || f <= 0) print "-"; else printf "%.1f", q / f}')"
done
exit "$status"
