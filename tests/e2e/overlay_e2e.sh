#!/usr/bin/env bash
# The overlay over a real application: Super+Q shows xev's shortcuts, holding Ctrl narrows them,
# the release-and-press-again gesture carries Ctrl+S out into xev, and so do the Press actions of
# Ctrl and S as an assistive technology does them over AT-SPI (the keys are push buttons named by
# cap and shortcut, "S: Сохранить", Ctrl checked once pressed); Esc and switching windows hide
# the overlay.
# Usage: overlay_e2e.sh BUILD_DIR. Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
e2e_session_bus
check "the shortcut base is written through the program's data layer" \
    "$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv"

xev -geometry 600x400+40+40 -name xev-target >"$e2e_tmp/xev.log" &
e2e_pids+=($!)
xev -geometry 300x200+1500+40 -name other-window >/dev/null &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^other-window$' >/dev/null
target=$(xdotool search --name '^xev-target$' | head -n 1)
other=$(xdotool search --name '^other-window$' | head -n 1)

"$build/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
e2e_pids+=($!)
wait_for 15 tray_icon_embedded

show_over_target() {
    xdotool windowactivate --sync "$target" 2>/dev/null
    xdotool key super+q
    wait_for 10 overlay_visible
}

check "Super+Q over xev shows the overlay" show_over_target
if shots_wanted; then
    shot overlay-nothing-held
    xdotool keydown ctrl sleep 0.1 exec --sync bash -c \
        "source '$e2e_dir/lib.sh'; shot overlay-ctrl-held" keyup ctrl
fi
wait_for 5 overlay_active

# The gesture carries Ctrl+S out into xev.
: >"$e2e_tmp/xev.log"
gesture_ctrl_s
check "the gesture hides the overlay" wait_for 5 overlay_hidden
check "xev is the active window again" wait_for 5 window_active "$target"
check "xev received Ctrl+S exactly once" ctrl_s_once "$e2e_tmp/xev.log"

# A screen reader's user: the keys read and pressed over the accessibility bus.
a11y() { "$e2e_dir/accessible.py" "$@"; }
described() { [ "$(a11y --describe quorvel "$1")" = "$2" ]; }
check "Super+Q shows the overlay for a screen reader" show_over_target
check "Ctrl is a push button, not checked" described Ctrl "push button"
check "its Press action latches Ctrl, which says it is checked now" \
    [ "$(a11y --press quorvel Ctrl checked)" = "checked 1" ]
check "Ctrl is checked" described Ctrl "push button checked"
check "S is a push button named by its cap and shortcut" described "S: Сохранить" "push button"
: >"$e2e_tmp/xev.log"
check "its Press action hides the overlay" eval 'a11y --press quorvel "S: Сохранить" &&
    wait_for 5 overlay_hidden'
check "xev is the active window again" wait_for 5 window_active "$target"
check "xev received Ctrl+S exactly once" ctrl_s_once "$e2e_tmp/xev.log"

check "Super+Q shows the overlay again" show_over_target
# Keys are polled every 20 ms: hold Esc as long as a person would.
xdotool keydown Escape sleep 0.1 keyup Escape
check "Esc hides the overlay" wait_for 5 overlay_hidden

check "Super+Q shows the overlay once more" show_over_target
xdotool windowactivate --sync "$other" 2>/dev/null
check "activating another window hides the overlay" wait_for 5 overlay_hidden

# Put out of sight by the window manager, the overlay comes back at the next Super+Q.
show_over_target
overlay=$(overlay_window)
xdotool windowminimize "$overlay"
check "the window manager iconifies the overlay" wait_for 5 overlay_hidden
check "Super+Q shows an iconified overlay again" show_over_target
xdotool set_desktop_for_window "$overlay" 1
check "the window manager moves the overlay to another desktop" wait_for 5 overlay_hidden
check "Super+Q brings it back to this desktop" show_over_target

e2e_summary
