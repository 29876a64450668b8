#!/usr/bin/env bash
# The trigger to the overlay's first frame on sway (headless), measured from outside: Super+Q
# typed on the session's keyboard, sway runs the bound "quorvel --show", and the overlay's window
# maps when its first buffer arrives (sway's window event "new", read by probes/swaywindows.py).
# Beside it the floor in the same session: a raw Wayland client (probes/wlfloor.c) already
# running, which a binding of Super+W maps through "kill -USR1". Prints the median, fastest and
# slowest of each, Quorvel's median over the floor's, how long "quorvel --show" itself runs, and
# its wake-ups while hidden and idle.
# Usage: sway_latency.sh BUILD_DIR [RUNS]
set -u
runs=${2:-11}
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/swaysession.sh"
probes=$(cd "$(dirname "$0")/probes" && pwd)

build=$(cd "$1" && pwd)
e2e_isolate
trap 'sway_stop; rm -rf "$e2e_tmp"' EXIT
sway_start || exit $?

xdg=/usr/share/wayland-protocols/stable/xdg-shell/xdg-shell.xml
wayland-scanner client-header "$xdg" "$e2e_tmp/xdg-shell-client-protocol.h" &&
    wayland-scanner private-code "$xdg" "$e2e_tmp/xdg-shell-protocol.c" &&
    gcc -O2 -I"$e2e_tmp" -o "$e2e_tmp/wlfloor" "$probes/wlfloor.c" "$e2e_tmp/xdg-shell-protocol.c" \
        -lwayland-client || exit 1

"$probes/swaywindows.py" >"$e2e_tmp/events" &
SWAY_PIDS+=("$!")
wait_for 10 grep -q '^subscribed$' "$e2e_tmp/events" || exit 1

# event_after T0 CHANGE APP_ID: the milliseconds from T0 (date +%s%N) to the first such window
# event after it; false while there is none.
event_after() {
    awk -v t0="$1" -v change="$2" -v app="$3" '
        $1 > t0 && $2 == change && $3 == app { printf "%.1f\n", ($1 - t0) / 1e6; found = 1; exit }
        END { exit !found }' "$e2e_tmp/events"
}

# measure NAME APP_ID KEYSYM HIDE: RUNS times Super+KEYSYM held as a person holds it, the time to
# the window's first frame, then the command HIDE until the window is closed.
measure() {
    local name=$1 app=$2 key=$3 hide=$4 t0 times=()
    for _ in $(seq "$runs"); do
        sway_key press Super_L
        t0=$(date +%s%N)
        sway_key press "$key" && sleep 0.1 && sway_key release "$key" && sway_key release Super_L
        if ! wait_for 10 event_after "$t0" new "$app" >/dev/null; then
            echo "$name: no window came"
            return 1
        fi
        times+=("$(event_after "$t0" new "$app")")
        t0=$(date +%s%N)
        eval "$hide"
        wait_for 10 event_after "$t0" close "$app" >/dev/null || { echo "$name: not hidden"; return 1; }
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
floor_line=$(measure "floor (raw Wayland client, mapped by a binding)" wlfloor w \
    "kill -USR1 $floor") || { echo "$floor_line"; exit 1; }
echo "$floor_line"

sway_spawn "$e2e_tmp/quorvel.log" "$build/quorvel"
wait_for 30 grep -q 'Wayland session: trigger bound by sway' "$e2e_tmp/quorvel.log" || exit 1
sleep 1
quorvel_line=$(measure "Quorvel (Super+Q to the overlay's first frame)" quorvel q \
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
wait_for 10 event_after "$t0" close quorvel >/dev/null
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
