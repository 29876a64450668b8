#!/usr/bin/env bash
# How soon the overlay hides after another application comes to the foreground, under Xvfb:
# the time from xdotool's activation (answered once the window manager made it active) to the
# overlay being unmapped, over RUNS shows. Usage: hide_latency.sh BUILD_DIR [RUNS]
set -u
runs=${2:-11}
source "$(dirname "$0")/../tests/e2e/lib.sh"

e2e_begin "$1"
xev -geometry 400x300+40+40 -name hide-target >/dev/null &
e2e_pids+=($!)
xev -geometry 300x200+1500+40 -name hide-other >/dev/null &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^hide-other$' >/dev/null
target=$(xdotool search --name '^hide-target$' | head -n 1)
other=$(xdotool search --name '^hide-other$' | head -n 1)
"$build/quorvel" >/dev/null 2>&1 &
e2e_pids+=($!)
wait_for 15 tray_icon_embedded

times=()
for ((run = 0; run < runs; run++)); do
    xdotool windowactivate --sync "$target" 2>/dev/null
    xdotool key super+q
    wait_for 10 overlay_visible || { echo "the overlay did not show"; exit 1; }
    overlay=$(overlay_window)
    xdotool windowactivate --sync "$other" 2>/dev/null
    start=$(date +%s%N)
    while xwininfo -id "$overlay" 2>/dev/null | grep -q IsViewable; do :; done
    times+=($((($(date +%s%N) - start) / 1000)))
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
    printf "hidden after activation: median %.1f ms (min %.1f, max %.1f) over %d runs\n",
        t[int((NR + 1) / 2)] / 1000, t[1] / 1000, t[NR] / 1000, NR }'
