#!/usr/bin/env bash
# The program on a real X11 desktop: tray icon, Super+Q, the tray menu and the single-instance
# protocol. Usage: shell_e2e.sh BUILD_DIR. Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"

xev -geometry 600x400+50+50 -name xev-target >/dev/null &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^xev-target$' >/dev/null
target=$(xdotool search --name '^xev-target$' | head -n 1)

"$build/quorvel" >"$e2e_tmp/first.log" 2>&1 &
first=$!
e2e_pids+=($first)

check "tray icon is embedded in the notification area" wait_for 15 tray_icon_embedded

xdotool windowactivate --sync "$target" 2>/dev/null
xdotool key super+q
check "Super+Q maps the overlay" wait_for 10 overlay_visible
shot overlay-empty
overlay=$(overlay_window)
read -r x y w h < <(window_geometry "$overlay")
read -r sw sh < <(xdpyinfo | awk '/dimensions:/{split($2, d, "x"); print d[1], d[2]}')
check "overlay is centred on the screen" \
    test $((x + w / 2 - sw / 2)) -ge -2 -a $((x + w / 2 - sw / 2)) -le 2 \
         -a $((y + h / 2 - sh / 2)) -ge -2 -a $((y + h / 2 - sh / 2)) -le 2
check "overlay is the active window" wait_for 5 window_active "$overlay"
top=$(xprop -root _NET_CLIENT_LIST_STACKING | awk -F', ' '{print $NF}' | awk '{print $NF}')
check "overlay is above the other windows" test "$((top))" = "$((overlay))"

# The tray menu opens on a click (its texts are checked by the unit tests).
xdotool keydown Escape sleep 0.1 keyup Escape
read -r ix iy iw ih < <(window_geometry "$(tray_icon_window)")
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 1
menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$first" 2>/dev/null); do
        [ "$((id))" != "$((overlay))" ] && [ "$(window_geometry "$id" | awk '{print $3}')" -gt 60 ] &&
            return 0
    done
    return 1
}
check "a click on the tray icon opens its menu" wait_for 5 menu_open
shot tray-menu
xdotool key Escape

# A second copy: information box, then it tells the first copy and ends with 0.
"$build/quorvel" >"$e2e_tmp/second.log" 2>&1 &
second=$!
e2e_pids+=($second)
box_shown() { xdotool search --onlyvisible --pid "$second" >/dev/null; }
check "second copy shows the information box" wait_for 10 box_shown
shot second-instance-box
confirm_box "$(xdotool search --onlyvisible --pid "$second" | head -n 1)"
check "second copy ends after the box is confirmed" ends_within 10 "$second"
wait "$second"
check "second copy exits with code 0" test $? -eq 0
check "first copy is still running" kill -0 "$first"
check "first copy's tray icon is still there" wait_for 5 tray_icon_embedded

# "Exit" is the menu's last item: it ends the program with code 0.
open_tray_menu "$first"
xdotool key Up Return
check "Exit in the tray menu ends the program" ends_within 10 "$first"
wait "$first"
check "with code 0" test $? -eq 0

e2e_summary
