# Helpers shared by the end-to-end scripts: checks with a summary, the isolated user environment,
# and starting and finding Quorvel's windows. Sourcing this also brings xsession.sh.

e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$e2e_dir/xsession.sh"

e2e_passed=0
e2e_failed=0

# check NAME COMMAND...: runs the command and counts the outcome.
check() {
    local name=$1
    shift
    if "$@"; then
        echo "ok   - $name"
        e2e_passed=$((e2e_passed + 1))
    else
        echo "FAIL - $name"
        e2e_failed=$((e2e_failed + 1))
    fi
}

e2e_summary() {
    echo "$e2e_passed passed, $e2e_failed failed"
    [ "$e2e_failed" -eq 0 ]
}

# Processes a script started; e2e_end kills them by pid.
e2e_pids=()

# e2e_begin BUILD_DIR: starts a test with the program built in BUILD_DIR (exported as $build):
# a fresh user environment and a virtual X session, both removed at exit.
e2e_begin() {
    build=$(cd "$1" && pwd)
    e2e_isolate
    trap e2e_end EXIT
    # Without a session no check could mean anything: end at once.
    if ! xsession_start; then
        echo "FAIL - the virtual X session did not come up"
        exit 1
    fi
}

e2e_end() {
    local pid
    for pid in "${e2e_pids[@]}"; do kill "$pid" 2>/dev/null; done
    xsession_stop
    rm -rf "$e2e_tmp"
}

# A fresh home, data and runtime folder for the program under test.
e2e_isolate() {
    e2e_tmp=$(mktemp -d)
    export HOME=$e2e_tmp/home XDG_DATA_HOME=$e2e_tmp/data XDG_CONFIG_HOME=$e2e_tmp/config
    export XDG_RUNTIME_DIR=$e2e_tmp/run XDG_STATE_HOME=$e2e_tmp/state
    mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    export LANG=C.UTF-8 LANGUAGE=en
    unset LC_ALL
    # Not a first run: no greeting in the notification area.
    mkdir -p "$XDG_CONFIG_HOME/quorvel"
    printf '[General]\nTrigger=<Super>q\n' >"$XDG_CONFIG_HOME/quorvel/quorvel.conf"
}

# nap SECONDS: sleeps without starting a process (a read that times out on a pipe nobody writes).
exec {_nap_fd}<> <(:)
nap() {
    read -r -t "$1" -u "$_nap_fd" || true
}

# wait_for SECONDS COMMAND...: polls the command every 0.1 s until it succeeds.
wait_for() {
    local tenths=$(($1 * 10))
    shift
    while [ "$tenths" -gt 0 ]; do
        if "$@" 2>/dev/null; then
            return 0
        fi
        nap 0.1
        tenths=$((tenths - 1))
    done
    return 1
}

# holds_for SECONDS COMMAND...: the command succeeds at every poll, 0.1 s apart, for that long:
# nothing undoes what was seen.
holds_for() {
    local tenths
    tenths=$(awk -v seconds="$1" 'BEGIN { print int(seconds * 10) }')
    shift
    while [ "$tenths" -gt 0 ]; do
        "$@" 2>/dev/null || return 1
        nap 0.1
        tenths=$((tenths - 1))
    done
    "$@" 2>/dev/null
}

# screen_settled: the screen looks the same at two looks in a row (within 5 s): what was asked of
# the windows is painted.
screen_settled() {
    _screen_before=
    wait_for 5 _screen_unchanged
}
_screen_unchanged() {
    local now
    now=$(import -window root -depth 8 rgb:- 2>/dev/null | md5sum)
    [ "$now" = "$_screen_before" ] && return 0
    _screen_before=$now
    return 1
}

# confirm_box WINDOW: answers a message box with Return, and again while the box is still shown (a
# box mapped a moment ago may not take keys yet).
confirm_box() {
    local tries=5
    [ -n "$1" ] || return 1
    while [ "$tries" -gt 0 ]; do
        # --sync waits for the activation without end when the window manager refuses it.
        timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null
        xdotool key Return
        wait_for 2 window_gone "$1" && return 0
        tries=$((tries - 1))
    done
    return 1
}

window_viewable() { xprobe viewable "$1"; }
window_gone() { ! window_viewable "$1"; }

# ends_within SECONDS PID: waits for the process to end; one still running then is killed, so a
# following `wait PID` cannot hang, and the call fails.
ends_within() {
    wait_for "$1" process_gone "$2" && return 0
    kill -9 "$2" 2>/dev/null
    return 1
}

process_gone() { ! kill -0 "$1" 2>/dev/null; }

# xprobe QUESTION...: quorvel_xprobe of the build under test, or of QUORVEL_SEED_BUILD when that
# names the build with the test tools (a benchmark of a build without them).
xprobe() {
    "${QUORVEL_SEED_BUILD:-$build}/tests/e2e/quorvel_xprobe" "$@"
}

# The id of Quorvel's overlay (its main window), mapped or not, and whether it is shown.
overlay_window() { xprobe overlay; }
overlay_visible() { xprobe overlay-visible; }

# A client holds the keyboard grabbed, as an open menu does once it takes the keys.
keyboard_grabbed() { xprobe keyboard-grabbed; }

overlay_hidden() {
    ! overlay_visible
}

# The overlay is the active window: it has the keys.
overlay_active() {
    window_active "$(overlay_window)"
}

# layout_key_centre CODE X Y WIDTH: "x y" on the screen of the middle of the first key with this
# code, from the layout file, for an overlay at X, Y that is WIDTH wide (the layout is drawn at
# the overlay's width / 1566).
layout_key_centre() {
    grep -m 1 "KeyCode=\"$1\"" "$build/keyimages.xml" | awk -v x="$2" -v y="$3" -v w="$4" '
        { for (i = 1; i <= NF; ++i) { split($i, kv, "\""); a[kv[1]] = kv[2] } }
        END { s = w / 1566; printf "%d %d\n", x + (a["Left="] + a["Width="] / 2) * s,
                                                y + (a["Top="] + a["Height="] / 2) * s }'
}

# Prints "x y width height" of a window, absolute. No window, no answer (xwininfo without one would
# wait for a click).
window_geometry() {
    [ -n "$1" ] || return 1
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}

# The tray icon: Quorvel's window embedded in trayer's panel.
tray_icon_window() {
    local panel
    for panel in $(xdotool search --classname '^panel$' 2>/dev/null); do
        xwininfo -tree -id "$panel" 2>/dev/null | awk '/"quorvel"/{print $1; exit}'
    done | head -n 1
}

tray_icon_embedded() {
    [ -n "$(tray_icon_window)" ]
}

# tray_menu_open PID: a window of that Quorvel wider than its tray icon is shown; with the overlay
# and every other window of it hidden, that is the tray menu.
tray_menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        [ "$(window_geometry "$id" | awk '{print $3}')" -gt 60 ] && return 0
    done
    return 1
}

# tray_menu_ready PID: the tray menu is open and takes the keys.
tray_menu_ready() {
    tray_menu_open "$1" && keyboard_grabbed
}

# open_tray_menu PID: a click on the tray icon, then a wait until the menu takes the keys.
open_tray_menu() {
    local ix iy iw ih
    read -r ix iy iw ih < <(window_geometry "$(tray_icon_window)")
    xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 1
    wait_for 10 tray_menu_ready "$1"
}

active_window() { xprobe active; }

# window_active ID: that window is the active one.
window_active() {
    [ -n "$1" ] && [ "$(active_window)" = "$(($1))" ]
}

# Screenshots are asked for: $QUORVEL_E2E_SHOTS names their folder.
shots_wanted() {
    [ -n "${QUORVEL_E2E_SHOTS:-}" ]
}

# shot NAME: once the screen has settled, a screenshot into $QUORVEL_E2E_SHOTS when that folder
# is set.
shot() {
    if shots_wanted; then
        screen_settled
        mkdir -p "$QUORVEL_E2E_SHOTS"
        xsession_screenshot "$QUORVEL_E2E_SHOTS/$1.png"
        echo "     screenshot: $QUORVEL_E2E_SHOTS/$1.png"
    fi
}

# The carry-out gesture for Ctrl+S: Ctrl and S held, S released and pressed again within 500 ms.
# One xdotool invocation holds the keys (the server releases a client's keys when it
# disconnects).
gesture_ctrl_s() {
    xdotool keydown ctrl sleep 0.3 keydown s sleep 0.3 keyup s sleep 0.15 keydown s sleep 0.3 \
        keyup s keyup ctrl
}

# ctrl_s_presses XEV_LOG: how many Ctrl+S presses xev logged.
ctrl_s_presses() {
    grep -a -A2 '^KeyPress event' "$1" | grep -a -c 'state 0x4, keycode 39 '
}

# ctrl_s_once XEV_LOG: xev logs one Ctrl+S press within 5 s, and no second one follows in the
# half second after.
ctrl_s_once() {
    wait_for 5 _ctrl_s_pressed_once "$1" && holds_for 0.5 _ctrl_s_pressed_once "$1"
}
_ctrl_s_pressed_once() {
    [ "$(ctrl_s_presses "$1")" = 1 ]
}

# names_while_held KEYS TEXT...: waits until every text is (part of) an accessible name of
# Quorvel's widgets while the keys are held, as a person holds them; the names are left in
# $e2e_tmp/held.txt.
names_while_held() {
    local keys=$1
    shift
    local down=() up=() key
    for key in ${keys//+/ }; do
        down+=(keydown "$key" sleep 0.1)
        up=(keyup "$key" "${up[@]}")
    done
    rm -f "$e2e_tmp/held.rc"
    xdotool "${down[@]}" exec --sync --terminator END bash -c \
        'file=$1; shift; "$0" quorvel "$@" >"$file.txt" 2>&1; echo $? >"$file.rc"' \
        "$e2e_dir/accessible.py" "$e2e_tmp/held" "$@" END "${up[@]}"
    [ "$(cat "$e2e_tmp/held.rc" 2>/dev/null)" = 0 ] || {
        grep -a ': ' "$e2e_tmp/held.txt" | head -n 20 | sed 's/^/     /'
        return 1
    }
}

# e2e_session_bus: a session bus of the test's own, with Qt's widgets on the accessibility bus
# (started on demand through the bus, as a desktop starts it).
e2e_session_bus() {
    local address pid
    read -r address pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
        paste -sd ' ')
    e2e_pids+=("$pid")
    export DBUS_SESSION_BUS_ADDRESS=$address QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}
