#!/usr/bin/env bash
# Clicks on the overlay over a real application: Ctrl latched by a click and then S clicked, or
# Ctrl held on the keyboard and S clicked, carries Ctrl+S out into xev once; a click on a key
# without a shortcut leaves the overlay shown; the pointer resting on a key shows its tip. Usage: click_e2e.sh BUILD_DIR.
# Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
check "the shortcut base is written through the program's data layer" \
    "$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv"

xev -geometry 600x400+40+40 -name xev-target >"$e2e_tmp/xev.log" &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^xev-target$' >/dev/null
target=$(xdotool search --name '^xev-target$' | head -n 1)

"$build/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
e2e_pids+=($!)
wait_for 15 tray_icon_embedded

show_over_target() {
    xdotool windowactivate --sync "$target" 2>/dev/null
    xdotool keydown super keydown q sleep 0.1 keyup q keyup super
    wait_for 10 overlay_visible
}

# key_centre CODE: "x y" on the screen of the middle of the key on the overlay.
key_centre() {
    layout_key_centre "$1" $(window_geometry "$(overlay_window)")
}

# click_key CODE: a left click on the key, the button held as long as a person would.
click_key() {
    xdotool mousemove $(key_centre "$1") mousedown 1 sleep 0.1 mouseup 1
}

# key_drawn_released CODE: the middle of the key is white, the colour of a released key.
key_drawn_released() {
    local x y
    read -r x y < <(key_centre "$1")
    import -window root -crop "1x1+$x+$y" -depth 8 txt:- | grep -q '#FFFFFF'
}

# A window of Quorvel's besides the overlay and its tray icon: a key's tip.
tip_shown() {
    local overlay icon id
    overlay=$(overlay_window)
    icon=$(($(tray_icon_window)))
    for id in $(xdotool search --onlyvisible --classname '^quorvel$' 2>/dev/null); do
        [ "$id" != "$overlay" ] && [ "$id" != "$icon" ] && return 0
    done
    return 1
}

check "Super+Q over xev shows the overlay" show_over_target
shot overlay-shown
xdotool mousemove $(key_centre 112)
check "the pointer resting on a key with a shortcut shows its tip" wait_for 5 tip_shown
shot overlay-key-tip
: >"$e2e_tmp/xev.log"
click_key 65
check "a click on a key without a shortcut leaves the overlay shown" overlay_visible
click_key 162
check "a click on Ctrl draws it pressed" wait_for 5 eval '! key_drawn_released 162'
shot overlay-ctrl-latched
click_key 83
check "clicking Ctrl and then S hides the overlay" wait_for 5 overlay_hidden
check "xev is the active window again" wait_for 5 window_active "$target"
check "xev received Ctrl+S exactly once" ctrl_s_once "$e2e_tmp/xev.log"

check "Super+Q shows the overlay again" show_over_target
check "Ctrl is drawn released at the next show" wait_for 5 key_drawn_released 162
: >"$e2e_tmp/xev.log"
# One xdotool invocation holds Ctrl (the server releases a client's keys when it disconnects).
xdotool keydown ctrl sleep 0.3 mousemove $(key_centre 83) mousedown 1 sleep 0.1 mouseup 1 \
    sleep 0.3 keyup ctrl
check "a click on S with Ctrl held hides the overlay" wait_for 5 overlay_hidden
check "xev received Ctrl+S exactly once again" ctrl_s_once "$e2e_tmp/xev.log"

e2e_summary
