#!/usr/bin/env bash
# The trigger to the overlay's first frame on sway (headless), measured from outside: Super+Q
# typed on the session's keyboard, sway runs the bound "quorvel --show", and the overlay, a layer
# surface, is painted; the first frame of the output that shows it is caught by
# quorvel_wayland_screen (sway's screen copy, frame by frame as the output changes). Beside it the
# floor in the same session, caught the same way: a raw layer-shell client (probes/wlfloor.c)
# already running, which a binding of Super+W maps through "kill -USR1". Both paint the overlay's
# silver. Prints the median, fastest and slowest of each, Quorvel's median over the floor's, how
# long "quorvel --show" itself runs, and its wake-ups while hidden and idle.
# Usage: sway_latency.sh BUILD_DIR [RUNS]
set -u
runs=${2:-11}
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/swaysession.sh"
probes=$(cd "$(dirname "$0")/probes" && pwd)
protocols=$(cd "$(dirname "$0")/../src/platform/wayland/protocols" && pwd)

build=$(cd "$1" && pwd)
e2e_isolate
trap 'sway_stop; rm -rf "$e2e_tmp"' EXIT
sway_start || exit $?

for protocol in wlr-layer-shell-unstable-v1 xdg-shell; do
    wayland-scanner client-header "$protocols/$protocol.xml" \
        "$e2e_tmp/$protocol-client-protocol.h" &&
        wayland-scanner private-code "$protocols/$protocol.xml" "$e2e_tmp/$protocol-protocol.c" ||
        exit 1
done
gcc -O2 -I"$e2e_tmp" -o "$e2e_tmp/wlfloor" "$probes/wlfloor.c" \
    "$e2e_tmp/wlr-layer-shell-unstable-v1-protocol.c" "$e2e_tmp/xdg-shell-protocol.c" \
    -lwayland-client || exit 1
[ "$(id -u)" -eq 0 ] && chown "$SWAY_USER:$SWAY_USER" "$e2e_tmp/wlfloor"

screen=$build/tests/e2e/quorvel_wayland_screen
silver=C0C0C0
shown() { sway_run "$screen" rect "$silver" >/dev/null; }

# measure NAME KEYSYM HIDE: RUNS times Super+KEYSYM held as a person holds it, the time to the
# first frame that shows the silver plate, then the command HIDE until it is gone.
measure() {
    local name=$1 key=$2 hide=$3 t0 watcher shown_at times=()
    for _ in $(seq "$runs"); do
        : >"$e2e_tmp/frame"
        sway_run "$screen" wait "$silver" 10000 >"$e2e_tmp/frame" &
        watcher=$!
        wait_for 5 grep -q '^watching$' "$e2e_tmp/frame" || { echo "$name: no screen copy"; return 1; }
        sway_key press Super_L
        t0=$(date +%s%N)
        sway_key press "$key" && sleep 0.1 && sway_key release "$key" && sway_key release Super_L
        wait "$watcher"
        shown_at=$(sed -n 2p "$e2e_tmp/frame")
        [ -n "$shown_at" ] || { echo "$name: nothing was shown"; return 1; }
        times+=("$(awk -v a="$shown_at" -v b="$t0" 'BEGIN { printf "%.1f\n", (a - b) / 1e6 }')")
        eval "$hide"
        wait_for 10 eval '! shown' || { echo "$name: not hidden"; return 1; }
        sleep 0.3
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v name="$name" '
        { t[NR] = $1 } END { printf "%s: median %.1f ms (fastest %.1f, slowest %.1f, %d runs)\n",
                                    name, t[int((NR + 1) / 2)], t[1], t[NR], NR }'
}

sway_spawn /dev/null "$e2e_tmp/wlfloor"
floor=$sway_spawned
sleep 0.5
sway_msg "bindsym Mod4+w exec kill -USR1 $floor" >/dev/null
floor_line=$(measure "floor (raw layer-shell client, mapped by a binding)" w \
    "kill -USR1 $floor") || { echo "$floor_line"; exit 1; }
echo "$floor_line"

sway_spawn "$e2e_tmp/quorvel.log" "$build/quorvel"
wait_for 30 grep -q 'Wayland session: trigger bound by sway' "$e2e_tmp/quorvel.log" || exit 1
sleep 1
quorvel_line=$(measure "Quorvel (Super+Q to the overlay's first frame)" q \
    'sway_key press Escape && sleep 0.1 && sway_key release Escape') ||
    { echo "$quorvel_line"; exit 1; }
echo "$quorvel_line"
# What the binding runs, by itself: the command's own start, its message to the running copy and
# its end.
t0=$(date +%s%N)
sway_run "$build/quorvel" --show
echo "quorvel --show by itself, start to end: $((($(date +%s%N) - t0) / 1000000)) ms"
sway_key press Escape && sleep 0.1 && sway_key release Escape
awk -v f="$floor_line" -v q="$quorvel_line" 'BEGIN {
    split(f, a, "median "); split(q, b, "median ");
    printf "Quorvel over the floor: %.2fx\n", (b[2] + 0) / (a[2] + 0) }'

# Hidden again: the wake-ups of Quorvel's threads over IDLE_SECONDS with nothing happening (every
# return of a poll, counted by strace), and the CPU time they took.
idle=${IDLE_SECONDS:-10}
wait_for 10 eval '! shown'
sleep 2
pid=$(pgrep -u "$SWAY_USER" -x quorvel | head -n 1)
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
timeout "$idle" strace -f -qq -c -e trace=poll,ppoll,select,pselect6,epoll_wait \
    -o "$e2e_tmp/idle.trace" -p "$pid" >/dev/null 2>&1
after=$(ticks)
calls=$(awk '$NF ~ /^(poll|ppoll|select|pselect6|epoll_wait)$/ {n += $4} END {print n + 0}' \
    "$e2e_tmp/idle.trace")
echo "hidden, idle for $idle s: $calls wake-ups, $((after - before)) CPU ticks of $(getconf CLK_TCK)/s"
