#!/usr/bin/env bash
# The user's keyboard layout, switched with setxkbmap while Quorvel runs: for us, de, fr, gb,
# us(dvorak) and us,ru with the Russian group active, Super+Q (the key that types q) shows the
# overlay over xev; every letter, digit and punctuation key is named by what the layout types
# there (the keys' accessible names); a click on Ctrl and then on the key of "Undo" (Ctrl+Z), and
# the gesture on the key of "Zoom in" (Ctrl+=), deliver to xev the keysym the key shows; "Bigger"
# (Ctrl++, the key written by its character +) is on the German + key with Ctrl alone and on no US
# key with Ctrl alone (+ takes Shift there).
# Usage: layout_e2e.sh BUILD_DIR. Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
# The assistive-technology bus the accessible names travel on, on a session bus of the test's own.
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    paste -sd ' ')
e2e_pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS=$bus_address QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# 32811 is the key written by the character + (0x8000 + 0x2B).
printf 'xev\tnormal\t%s\t%s\t%s\n' 17+90 Undo Undo 17+187 'Zoom in' 'Zoom in' \
    17+32811 Bigger Bigger >"$e2e_tmp/base.tsv"
check "the shortcut base is written through the program's data layer" \
    "$build/tests/e2e/quorvel_seed_base" "$e2e_tmp/base.tsv"

xev -geometry 600x400+40+40 -name xev-target >"$e2e_tmp/xev.log" &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^xev-target$' >/dev/null
target=$(xdotool search --name '^xev-target$' | head -n 1)

"$build/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
e2e_pids+=($!)
wait_for 15 tray_icon_embedded

keycaps() { "$e2e_dir/keycaps.py" "$@"; }

# lock_group N: makes group N (0-based) of the keymap the active one.
lock_group() {
    /usr/bin/python3 -c 'import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
display = ctypes.c_void_p(x.XOpenDisplay(None))
x.XkbLockGroup(display, 0x100, int(sys.argv[1]))
x.XSync(display, 0)
x.XCloseDisplay(display)' "$1"
}

# show_over_target KEY: Super and KEY (a keysym, or an X key code) held as a person holds them;
# pressed again, as a person would, while the overlay does not come (the program may still be
# reading a layout just switched).
show_over_target() {
    local try
    for try in 1 2 3; do
        xdotool windowactivate --sync "$target" 2>/dev/null
        xdotool keydown super keydown "$1" sleep 0.1 keyup "$1" keyup super
        wait_for 3 overlay_visible && return 0
    done
    return 1
}

# key_at SHORT_NAME: sets x, y, keycode and label of the key that shows the shortcut.
key_at() {
    read -r x y keycode label < <(keycaps find "$build/keyimages.xml" "$shape" "$1")
    [ -n "${keycode:-}" ]
}

# key_shows SHORT_NAME LABEL: the key that shows the shortcut is labelled LABEL.
key_shows() {
    key_at "$1" && [ "$label" = "$2" ]
}

# not_shown SHORT_NAME: once Undo is shown with Ctrl, no key shows the shortcut.
not_shown() {
    wait_for 5 key_at Undo && ! key_at "$1" 2>/dev/null
}

# by_character NAME: with Ctrl clicked, Bigger (Ctrl++) is on the key that types + without Shift.
by_character() {
    case $1 in
    de) check "de: with Ctrl clicked the + key shows Bigger (Ctrl++)" wait_for 5 key_shows Bigger + ;;
    us) check "us: with Ctrl clicked no key shows Bigger (+ takes Shift)" not_shown Bigger ;;
    esac
}

# click_ctrl: a left click on the left Ctrl key (ctrl_centre), which latches or unlatches it.
click_ctrl() {
    xdotool mousemove "$ctrl_x" "$ctrl_y" mousedown 1 sleep 0.1 mouseup 1
}

# click_key: a click on the key key_at found.
click_key() {
    xdotool mousemove "$x" "$y" mousedown 1 sleep 0.1 mouseup 1
    wait_for 5 overlay_hidden
}

# gesture KEYCODE: Ctrl and the key held, the key released and pressed again within 500 ms.
gesture() {
    xdotool keydown ctrl sleep 0.3 keydown "$1" sleep 0.3 keyup "$1" sleep 0.15 \
        keydown "$1" sleep 0.3 keyup "$1" keyup ctrl
    wait_for 5 overlay_hidden
}

# The middle of the left Ctrl key on the screen, once the overlay has been shown.
ctrl_centre() {
    local left top width height
    read -r left top width height < <(window_geometry "$(overlay_window)")
    read -r ctrl_x ctrl_y < <(grep -m 1 'KeyCode="162"' "$build/keyimages.xml" |
        awk -v x="$left" -v y="$top" -v w="$width" '
        { for (i = 1; i <= NF; ++i) { split($i, kv, "\""); a[kv[1]] = kv[2] } }
        END { s = w / 1566; printf "%d %d\n", x + (a["Left="] + a["Width="] / 2) * s,
                                                y + (a["Top="] + a["Height="] / 2) * s }')
}

# try_layout NAME SHAPE SETXKBMAP_ARGS... [-- GROUP]: the checks for one layout, whose keyboard
# is drawn in SHAPE.
try_layout() {
    local name=$1 group=1 trigger=q
    shape=$2
    shift 2
    local args=()
    while [ $# -gt 0 ]; do
        if [ "$1" = -- ]; then
            group=$2
            break
        fi
        args+=("$1")
        shift
    done
    setxkbmap "${args[@]}"
    if [ "$group" = 2 ]; then
        lock_group 1
        # The Russian group types no q: the key that types it in the Latin group.
        trigger=24
    fi
    check "$name: Super+Q shows the overlay" show_over_target "$trigger"
    check "$name: each letter, digit and punctuation key shows what the layout types" \
        wait_for 5 keycaps check "$build/keyimages.xml" "$shape" "$group"
    keycaps check "$build/keyimages.xml" "$shape" "$group" | head -n 10 | sed 's/^/     /'
    shot "layout-$name"
    ctrl_centre
    : >"$e2e_tmp/xev.log"
    click_ctrl
    by_character "$name"
    check "$name: with Ctrl clicked a key shows Undo" wait_for 5 key_at Undo
    shot "layout-$name-ctrl"
    check "$name: a click on the key of Undo hides the overlay" click_key
    local undo_keycode=$keycode undo_label=$label
    check "$name: xev received Ctrl and the key Undo shows ($undo_label)" \
        wait_for 5 keycaps sent "$e2e_tmp/xev.log" "$undo_keycode" "$undo_label"

    check "$name: Super+Q shows the overlay again" show_over_target "$trigger"
    click_ctrl
    if check "$name: with Ctrl clicked a key shows Zoom in" wait_for 5 key_at "Zoom in"; then
        click_ctrl
        : >"$e2e_tmp/xev.log"
        check "$name: the gesture on the key of Zoom in hides the overlay" gesture "$keycode"
        check "$name: xev received Ctrl and the key Zoom in shows ($label)" \
            wait_for 5 keycaps sent "$e2e_tmp/xev.log" "$keycode" "$label"
    fi
    echo "     $name: Undo drawn on X key $undo_keycode as $undo_label; Zoom in on X key" \
        "${keycode:-none} as ${label:-none}"
}

try_layout us ANSI -layout us
try_layout de ISO -layout de
try_layout fr ISO -layout fr
try_layout gb ISO -layout gb
try_layout dvorak ANSI -layout us -variant dvorak
try_layout us-ru ANSI -layout us,ru -- 2

e2e_summary
