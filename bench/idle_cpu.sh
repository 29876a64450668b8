#!/usr/bin/env bash
# Idle cost: CPU time Quorvel uses over a period with the overlay hidden after one show, read
# from /proc/<pid>/stat under Xvfb. Usage: idle_cpu.sh BUILD_DIR [SECONDS]
set -u
seconds=${2:-60}
source "$(dirname "$0")/../tests/e2e/lib.sh"

e2e_begin "$1"
"$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" || exit 1
xev -geometry 400x300+40+40 -name idle-target >/dev/null &
e2e_pids+=($!)
"$build/quorvel" >/dev/null 2>&1 &
quorvel=$!
e2e_pids+=($quorvel)
wait_for 15 tray_icon_embedded
xdotool search --sync --name '^idle-target$' windowactivate --sync >/dev/null 2>&1
xdotool key super+q
wait_for 10 overlay_visible
xdotool keydown Escape sleep 0.1 keyup Escape
wait_for 5 overlay_hidden
sleep 2

ticks() { awk '{print $14 + $15}' "/proc/$quorvel/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
used=$((after - before))
awk -v used="$used" -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle: %d ticks (%.2f s CPU) in %d s = %.3f %% of one core\n", used, used / hz, s, 100 * used / hz / s }'
