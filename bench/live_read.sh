#!/usr/bin/env bash
# Read times of live shortcuts under Xvfb with a session bus: the fixtures of the tests and, where
# installed, mousepad, gedit and LibreOffice Writer, each read by live_read_bench as the overlay's
# reader reads it (its menu export from the window's properties, the shortcuts windows in its
# files). Usage: live_read.sh BUILD_DIR
set -u
source "$(dirname "$0")/../tests/e2e/lib.sh"

e2e_begin "$1"
e2e_session_bus

# measure NAME WINDOW_TITLE_REGEX COMMAND...: starts the program, waits for its window, reads it
# (LIST=1: and lists what it found), ends it.
measure() {
    local name=$1 title=$2 window pid exe bus paths
    shift 2
    command -v "$1" >/dev/null || [ -x "$1" ] || { echo "== $name: not installed"; return; }
    "$@" >/dev/null 2>&1 &
    local started=$!
    e2e_pids+=("$started")
    if ! wait_for 60 xdotool search --name "$title" >/dev/null; then
        echo "== $name: no window"
        return
    fi
    sleep 2 # the program settles its menus after its window maps
    window=$(xdotool search --name "$title" | tail -n 1)
    pid=$(xdotool getwindowpid "$window")
    exe=$(readlink "/proc/$pid/exe")
    prop() { xprop -id "$window" "$1" 2>/dev/null | sed -n 's/.*= "\(.*\)"/\1/p'; }
    bus=$(prop _GTK_UNIQUE_BUS_NAME)
    paths="$(prop _GTK_MENUBAR_OBJECT_PATH) $(prop _GTK_APP_MENU_OBJECT_PATH)"
    echo "== $name ($exe)"
    # shellcheck disable=SC2086
    "$build/bench/live_read_bench" ${LIST:+--list} "$pid" "$exe" ${bus:+$bus $paths}
    kill "$started" "$pid" 2>/dev/null
    wait_for 10 process_gone "$pid"
}

measure gtk3-menu-fixture '^menu-fixture$' "$build/tests/live/live_gtk3_menu_fixture" menu-fixture
measure gtk4-fixture '^gtk4-fixture$' "$build/tests/live/live_gtk4_fixture" gtk4-fixture
measure xterm '^xterm-target$' xterm -title xterm-target
measure mousepad 'Mousepad' mousepad
measure gedit 'gedit' gedit
measure lowriter 'LibreOffice Writer$' lowriter --norestore
