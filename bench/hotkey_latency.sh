#!/usr/bin/env bash
# Super+Q to the overlay's picture on the screen, measured from outside (probes/xhotkeylat.c,
# XTest and screen reads) under Xvfb + openbox + trayer (XSESSION_WM names another window
# manager, as tests/e2e/xsession.sh knows them), beside the floors of a raw Xlib window doing the
# same (probes/xfloor.c) in the same session: one the window manager leaves alone, and one it
# manages as it manages the overlay. With PROGRAMS SHORTCUTS the base is a
# generated one of that size with 16x16 icons; without, it is empty. Under mutter, which keeps the
# Windows key, the trigger is Ctrl+Alt+Q. XSESSION_TRAY=0 runs without a notification area.
# Usage: hotkey_latency.sh BUILD_DIR [RUNS] [PROGRAMS SHORTCUTS]
# QUORVEL_SEED_BUILD names another build whose quorvel_seed_base writes the base (to measure an
# older program on the same base).
set -u
runs=${2:-11}
source "$(dirname "$0")/../tests/e2e/lib.sh"
probes=$(cd "$(dirname "$0")/probes" && pwd)

e2e_begin "$1"
if [ "${XSESSION_WM:-openbox}" = mutter ]; then
    export PROBE_TRIGGER=ctrl+alt
    printf '[General]\nTrigger=<Control><Alt>q\n' >"$XDG_CONFIG_HOME/quorvel/quorvel.conf"
fi
gcc -O2 -o "$e2e_tmp/xhotkeylat" "$probes/xhotkeylat.c" -lX11 -lXtst || exit 1
gcc -O2 -o "$e2e_tmp/xfloor" "$probes/xfloor.c" -lX11 || exit 1
if [ $# -ge 4 ]; then
    "${QUORVEL_SEED_BUILD:-$build}/tests/e2e/quorvel_seed_base" --generate "$3" "$4" || exit 1
fi
xev -geometry 400x300+40+40 -name latency-target >/dev/null &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^latency-target$' >/dev/null
xdotool search --name '^latency-target$' windowactivate --sync >/dev/null 2>&1

for managed in "" 1; do
    XFLOOR_MANAGED=$managed "$e2e_tmp/xfloor" &
    floor=$!
    sleep 0.5
    echo "== floor (raw Xlib${managed:+, managed by the window manager})"
    "$e2e_tmp/xhotkeylat" "$runs" | tail -n 1
    kill "$floor"
    wait "$floor" 2>/dev/null
done

"$build/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
quorvel=$!
e2e_pids+=($quorvel)
if [ "${XSESSION_TRAY:-1}" = 0 ]; then
    wait_for 30 xdotool search --classname '^quorvel$' >/dev/null
else
    wait_for 30 tray_icon_embedded
fi
sleep 1
rss() { awk '/VmRSS/{print $2, $3}' "/proc/$quorvel/status"; }
echo "RSS in the tray before the first show: $(rss)"
xdotool search --name '^latency-target$' windowactivate --sync >/dev/null 2>&1
echo "== Quorvel"
"$e2e_tmp/xhotkeylat" "$runs" | tail -n 1
echo "RSS in the tray after the runs: $(rss)"
