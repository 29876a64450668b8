#!/usr/bin/env bash
# Idle cost with the overlay hidden after one show, under Xvfb: the CPU time used over a period
# (from /proc/<pid>/stat), then the wake-ups over a second period of the same length (every
# return of the event loop's poll, counted by strace across all threads).
# Usage: idle.sh BUILD_DIR [SECONDS]
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
awk -v used="$((after - before))" -v hz="$hz" -v s="$seconds" 'BEGIN {
    printf "idle CPU: %d ticks (%.2f s) in %d s = %.3f %% of one core\n",
        used, used / hz, s, 100 * used / hz / s }'

trace=$e2e_tmp/poll.trace
timeout "$seconds" strace -f -qq -c -e trace=poll,ppoll,select,pselect6,epoll_wait \
    -o "$trace" -p "$quorvel" >/dev/null 2>&1
calls=$(awk '$NF ~ /^(poll|ppoll|select|pselect6|epoll_wait)$/ {n += $4} END {print n + 0}' "$trace")
awk -v calls="$calls" -v s="$seconds" \
    'BEGIN { printf "idle wake-ups: %d in %d s = %.2f per second\n", calls, s, calls / s }'
