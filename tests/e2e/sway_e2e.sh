#!/usr/bin/env bash
# Quorvel on sway (headless): it starts on the Wayland platform and binds its trigger through
# sway's IPC; "quorvel --show" and the trigger show the overlay, a layer surface that takes the
# keyboard, over a focused Wayland window; focusing another window, a click beside the overlay or
# Esc hides the overlay; Ctrl held before the show and S pressed twice, or S clicked on the
# overlay (three times, the pointer brought onto the key and then resting there), carry exactly
# one Ctrl+S into the window below;
# the overlay shows above a fullscreen window with its keys' accessible names, and the pointer
# resting on a key or a right click describes a shortcut in it.
# Without a notification area the first start greets in the desktop's notifications, a click on
# the greeting opening the settings.
# Started again without sway's IPC and as on Hyprland, Quorvel binds its trigger through hyprctl
# and knows the focused window from the compositor's foreign-toplevel list, and the gesture and a
# click carry Ctrl+S out the same way.
# Usage: sway_e2e.sh BUILD_DIR. Exits 77 (skipped) only where sway cannot start.
# Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/swaysession.sh"

build=$(cd "$1" && pwd)
e2e_isolate
trap 'sway_stop; rm -rf "$e2e_tmp"' EXIT
sway_start
started=$?
[ "$started" -eq 0 ] || exit "$started"

wshot() {
    if [ -n "${QUORVEL_E2E_SHOTS:-}" ]; then
        mkdir -p "$QUORVEL_E2E_SHOTS"
        sway_screenshot "$e2e_tmp/$1.png" && cp "$e2e_tmp/$1.png" "$QUORVEL_E2E_SHOTS/$1.png" &&
            echo "     screenshot: $QUORVEL_E2E_SHOTS/$1.png"
    fi
}

cp "$e2e_dir/wayland-base.tsv" "$e2e_tmp/"
check "the shortcut base is written through the program's data layer" \
    sway_run "$build/tests/e2e/quorvel_seed_base" "$e2e_tmp/wayland-base.tsv"

sway_spawn "$e2e_tmp/target.log" "$build/tests/e2e/quorvel_wayland_target" quorvel-target \
    "Target window"
sway_spawn /dev/null "$build/tests/e2e/quorvel_wayland_target" quorvel-other "Other window"

# tree_has PYTHON-CONDITION: some window of sway's tree meets the condition on its node n.
tree_has() {
    sway_msg -t get_tree | /usr/bin/python3 -c '
import json, sys
condition = sys.argv[1]
def walk(n):
    if n.get("pid") and eval(condition):
        sys.exit(0)
    for child in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))
sys.exit(1)' "$1"
}
check "both test windows are mapped" wait_for 15 tree_has 'n.get("app_id") == "quorvel-other"'
wait_for 15 tree_has 'n.get("app_id") == "quorvel-target"'

# A notification daemon on the session's bus: sway has no notification area.
sway_session_bus
sway_spawn "$e2e_tmp/mako.log" mako
# A first start: no settings yet. Its widgets on the accessibility bus, as a screen reader asks.
rm "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
sway_spawn "$e2e_tmp/quorvel.log" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/quorvel"
quorvel=$sway_spawned
check "Quorvel starts on the Wayland platform with sway's IPC" \
    wait_for 20 grep -q 'Wayland session: trigger bound by sway - active window from sway' \
    "$e2e_tmp/quorvel.log"
greeted() { sway_run makoctl list | grep -q 'no notification area.*quorvel --show'; }
check "the first start's greeting, saying there is no notification area, is a notification" \
    wait_for 10 greeted
wshot sway-greeting
sway_run makoctl invoke
check "a click on it opens the settings" \
    wait_for 10 tree_has "n['pid'] == $quorvel and n.get('name') == 'Quorvel Settings'"
sway_msg "[pid=$quorvel title=\"Quorvel Settings\"] kill" >/dev/null

# The overlay is a layer surface, which sway's tree does not list: it is found on the screen, by
# its background's colour; the keys drawn pressed in theirs.
overlay_rect() {
    sway_run "$build/tests/e2e/quorvel_wayland_screen" rect C0C0C0
}
overlay_shown() {
    overlay_rect >/dev/null
}
overlay_gone() {
    ! overlay_shown
}
# Keys held as it showed are drawn pressed: the overlay has the keyboard.
overlay_focused() {
    overlay_shown && sway_run "$build/tests/e2e/quorvel_wayland_screen" rect A6CAF0 >/dev/null
}
app_focused() { [ "$(sway_focused_app)" = "$1" ]; }
focus_target() {
    sway_msg '[app_id=quorvel-target] focus' >/dev/null && wait_for 5 app_focused quorvel-target
}

check "the target window has the focus" focus_target
check "quorvel --show shows the overlay" sway_run "$build/quorvel" --show
check "the overlay is shown" wait_for 10 overlay_shown
check "it is on a layer surface, no window of Quorvel's" \
    eval "grep -q 'overlay on a layer surface\$' '$e2e_tmp/quorvel.log' &&
        ! tree_has \"n['pid'] == $quorvel\""
wshot sway-overlay

# Focusing the target window again hides the overlay; the trigger sway runs shows it again.
check "focusing the target window hides the overlay" focus_target
check "the overlay is gone" wait_for 5 overlay_gone
sway_run wtype -M logo -P q -s 100 -p q -m logo
check "the trigger bound through sway's IPC shows the overlay" wait_for 10 overlay_shown
sway_msg '[app_id=quorvel-other] focus' >/dev/null
check "focusing another window hides the overlay" wait_for 5 overlay_gone
# The same trigger typed on the session's keyboard, its keys held as a person holds them.
sway_key press Super_L && sway_key press q && sleep 0.1 && sway_key release q &&
    sway_key release Super_L
check "Super+Q on the session's keyboard shows the overlay" wait_for 10 overlay_shown
sway_key press Escape && sleep 0.1 && sway_key release Escape
check "Esc hides the overlay" wait_for 5 overlay_gone
check "the window under it has the focus again" wait_for 5 app_focused quorvel-other

presses() { grep -c '^press Ctrl+S$' "$e2e_tmp/target.log"; }
pressed() { [ "$(presses)" -ge 1 ]; }
pressed_once() { [ "$(presses)" = 1 ]; }
# show_with_ctrl WHAT: the target focused, Ctrl held on the keyboard and the overlay shown.
show_with_ctrl() {
    focus_target
    : >"$e2e_tmp/target.log"
    sway_key press Control_L
    sway_run "$build/quorvel" --show
    check "the overlay shows focused while Ctrl is held ($1)" wait_for 10 overlay_focused
}
# carried_out WHAT HOW: once Ctrl is released, the overlay is gone, the target has the focus
# again and received exactly one Ctrl+S.
carried_out() {
    sway_key release Control_L
    check "the $2 hides the overlay ($1)" wait_for 5 overlay_gone
    check "the target window has the focus after the $2 ($1)" \
        wait_for 5 app_focused quorvel-target
    check "the $2 carried Ctrl+S into the target window ($1)" wait_for 5 pressed
    check "the $2 carried Ctrl+S exactly once ($1)" holds_for 0.5 pressed_once
}

# gesture_with_ctrl WHAT: with Ctrl held before the show, S released and pressed again carries
# Ctrl+S out into the target.
gesture_with_ctrl() {
    show_with_ctrl "$1"
    wshot "sway-overlay-ctrl-$2"
    sway_key press s && sleep 0.1 && sway_key release s && sleep 0.15 && sway_key press s &&
        sleep 0.1 && sway_key release s
    carried_out "$1" gesture
}

# The output layout's size: one headless output at 0, 0.
read -r layout_width layout_height < <(sway_msg -t get_outputs |
    /usr/bin/python3 -c 'import json, sys; r = json.load(sys.stdin)[0]["rect"]; print(r["width"], r["height"])')

# click_with_ctrl WHAT [MOVE]: with Ctrl held on the keyboard, S clicked on the overlay carries
# Ctrl+S out into the target. With MOVE the pointer comes onto the key once the overlay shows;
# without, the overlay shows under the pointer resting there.
click_with_ctrl() {
    show_with_ctrl "$1"
    if [ -n "${2:-}" ]; then
        read -r s_x s_y < <(layout_key_centre 83 $(overlay_rect))
        sway_key move "$s_x" "$s_y" "$layout_width" "$layout_height"
    fi
    sway_key button press && sleep 0.1 && sway_key button release
    carried_out "$1" click
}

# A click on the window below, beside the overlay, gives that window the focus and hides the
# overlay, as on X11.
focus_target
sway_run "$build/quorvel" --show
wait_for 10 overlay_shown
sway_key move 20 540 "$layout_width" "$layout_height"
sway_key button press && sleep 0.1 && sway_key button release
check "a click on the window below, beside the overlay, hides it" wait_for 5 overlay_gone

gesture_with_ctrl "sway" sway
click_with_ctrl "sway, first click" move
for click in 2 3; do
    click_with_ctrl "sway, click $click"
done

# Above a fullscreen window too; resting on O shows its tooltip, and a right click on S describes
# its shortcut, inside the overlay (in the tooltip's colours); Esc then hides it.
focus_target
sway_msg fullscreen enable >/dev/null
sway_key press Control_L
sway_run "$build/quorvel" --show
check "the overlay shows above a fullscreen window" wait_for 10 overlay_focused
# The session's user reads the accessibility bus: the reader lies where that user reaches it.
install -m 755 "$e2e_dir/accessible.py" "$e2e_tmp/accessible.py"
check "its keys keep their accessible names" \
    eval "sway_run /usr/bin/python3 '$e2e_tmp/accessible.py' quorvel 'S: Сохранить' >/dev/null"
described() { sway_run "$build/tests/e2e/quorvel_wayland_screen" rect FFFFDC >/dev/null; }
read -r o_x o_y < <(layout_key_centre 79 $(overlay_rect))
sway_key move "$o_x" "$o_y" "$layout_width" "$layout_height"
check "the pointer resting on O shows its tooltip in the overlay" wait_for 5 described
read -r s_x s_y < <(layout_key_centre 83 $(overlay_rect))
sway_key move "$s_x" "$s_y" "$layout_width" "$layout_height"
sway_key button press right && sleep 0.1 && sway_key button release right
sway_key release Control_L
check "a right click on S describes its shortcut in the overlay" wait_for 5 described
wshot sway-overlay-description
sway_key press Escape && sleep 0.1 && sway_key release Escape
check "Esc hides the overlay and the description" wait_for 5 eval '! described && overlay_gone'
sway_msg fullscreen disable >/dev/null
check "Quorvel is still running" kill -0 "$quorvel"

# Without sway's IPC, as on other wlroots compositors: the focused window comes from the
# compositor's foreign-toplevel list, which tells no processes. The test window's program is
# known by its application id (its desktop entry) alone; no sway rule is made for the overlay.
kill "$quorvel"
check "Quorvel ends when told" wait_for 10 eval '! kill -0 '"$quorvel"
# As on Hyprland, the trigger is bound through hyprctl: here a stand-in that logs its calls and
# makes each bind a bindsym of sway's, so the bound command runs as Hyprland runs it (sh -c).
sway_msg unbindsym --no-repeat Mod4+q >/dev/null
mkdir -p "$e2e_tmp/bin"
cat >"$e2e_tmp/bin/hyprctl" <<'HYPRCTL'
#!/bin/sh
echo "$*" >>"$HYPRCTL_LOG"
case "$1 $2" in
"keyword bind")
    keys=${3%%,exec,*} params=${3#*,exec,}
    mods=$(echo "${keys%,*}" | sed 's/SUPER/Mod4/; s/CTRL/Ctrl/; s/ALT/Mod1/; s/SHIFT/Shift/; s/_/+/g')
    SWAYSOCK=$HYPRCTL_SWAYSOCK swaymsg "bindsym --no-repeat $mods+${keys##*,} exec $params" \
        >/dev/null && echo ok ;;
"keyword unbind") echo ok ;;
*) exit 1 ;;
esac
HYPRCTL
chmod 755 "$e2e_tmp/bin/hyprctl"
: >"$e2e_tmp/hyprctl.log"
chmod 666 "$e2e_tmp/hyprctl.log"
sway_spawn "$e2e_tmp/quorvel-toplevels.log" env -u SWAYSOCK HYPRLAND_INSTANCE_SIGNATURE=e2e \
    HYPRCTL_LOG="$e2e_tmp/hyprctl.log" HYPRCTL_SWAYSOCK="$SWAYSOCK" PATH="$e2e_tmp/bin:$PATH" \
    "$build/quorvel"
quorvel=$sway_spawned
check "without sway's IPC Quorvel reads the active window from the toplevel list" \
    wait_for 20 grep -q 'trigger bound by Hyprland - active window from the compositor.s toplevel list' \
    "$e2e_tmp/quorvel-toplevels.log"
hyprctl_bound() {
    [ "$(sed -n 1p "$e2e_tmp/hyprctl.log")" = "keyword unbind SUPER,q" ] &&
        sed -n 2p "$e2e_tmp/hyprctl.log" | grep -q "^keyword bind SUPER,q,exec,'.*/quorvel' '--show'$"
}
check "the trigger is bound through hyprctl, an earlier binding of its keys removed first" \
    wait_for 10 hyprctl_bound
focus_target
sway_key press Super_L && sway_key press q && sleep 0.1 && sway_key release q &&
    sway_key release Super_L
check "the trigger bound through hyprctl shows the overlay" wait_for 10 overlay_shown
sway_key press Escape && sleep 0.1 && sway_key release Escape
check "Esc hides it" wait_for 5 overlay_gone
gesture_with_ctrl "toplevel list" toplevels
click_with_ctrl "toplevel list" move
check "Quorvel is still running" kill -0 "$quorvel"
e2e_summary
