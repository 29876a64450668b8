#!/usr/bin/env bash
# A new user's first minute: with no base and packs for openbox and xterm beside the executable,
# Quorvel builds the base and says so, and how to show the overlay, in one tray message; a right
# click on the icon while it shows opens the menu. Super+Q over xterm shows xterm's
# shortcuts on the keys that complete the modifiers held, and openbox's. `quorvel --import` while
# it runs hands a pack to it: its shortcuts show at the next Super+Q and are in the files once it
# has ended. A bad file is refused with the files unchanged; --export writes the base. The labels
# and the message are read through the widgets' accessible names (AT-SPI).
# Usage: firstrun_e2e.sh BUILD_DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
rm -rf "$XDG_DATA_HOME/zint"
# The assistive-technology bus the accessible names travel on, on a session bus of the test's own.
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    paste -sd ' ')
e2e_pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS=$bus_address QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# A copy of the program whose packs are the test's own.
app=$e2e_tmp/app
mkdir -p "$app/packs"
cp -r "$build/quorvel" "$build/quorvel-program.so" "$build/keyimages.xml" "$build/empty.bmp" "$build/en" "$app/"
cp -r "$e2e_dir/../packs/xterm.json" "$e2e_dir/../packs/desktop-openbox.json" \
    "$e2e_dir/../packs/icons" "$app/packs/"

# The command line talks to no assistive technology.
cli() { env -u DBUS_SESSION_BUS_ADDRESS -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON "$app/quorvel" "$@"; }
# names TEXT...: waits until every text is (part of) an accessible name of Quorvel's widgets.
names() { "$e2e_dir/accessible.py" quorvel "$@" >"$e2e_tmp/names.txt"; }

"$app/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
quorvel=$!
e2e_pids+=("$quorvel")
check "tray icon is embedded" wait_for 15 tray_icon_embedded
check "one tray message tells what the first start added and how to show the overlay" \
    names $'shortcuts of your desktop and of these applications (1): XTerm.\nPress Win + Q to see'
shot first-run-message
# The tray menu: a window of Quorvel's that no window manager frames, as tall as its ten items.
menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --classname '^quorvel$' 2>/dev/null); do
        xwininfo -id "$id" | awk '/Override Redirect State: yes/{o=1} /Height:/{h=$NF}
            /Width:/{w=$NF} END{exit !(o && h > 150 && w < 400)}' && return 0
    done
    return 1
}
read -r ix iy iw ih < <(window_geometry "$(tray_icon_window)")
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 3
check "a right click on the icon while the message shows opens the menu" wait_for 5 menu_open
shot first-run-menu
settings_shown() { xdotool search --onlyvisible --name '^Quorvel Settings$' >/dev/null; }
menu_alone() { menu_open && ! settings_shown; }
check "and the menu stays open, no settings window in its way" holds_for 1 menu_alone
xdotool key Escape
check "the new base is saved" test -s "$XDG_DATA_HOME/zint/shortcuts.dat"

xterm -geometry 80x24+40+40 -title xterm-target &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^xterm-target$' >/dev/null
target=$(xdotool search --name '^xterm-target$' | head -n 1)
show_over_xterm() {
    xdotool windowactivate --sync "$target" 2>/dev/null
    xdotool key super+q
    wait_for 10 overlay_visible && wait_for 5 overlay_active
}
hide_overlay() {
    xdotool keydown Escape sleep 0.1 keyup Escape
    wait_for 5 overlay_hidden
}

check "Super+Q over xterm shows the overlay" show_over_xterm
check "holding Shift shows xterm's shortcuts" names_while_held shift \
    "PgUp: Scroll back" "PgDn: Scroll forward" "Insert: Paste" "Num+: Larger font" \
    "Num-: Smaller font"
check "holding Alt shows openbox's" names_while_held alt \
    "F4: Close" "Tab: Next window" "Esc: Lower" "Space: Window menu"
check "Esc hides the overlay" hide_overlay

# A second copy hands the pack to the running one, which imports it, saves and tells the user.
cli --import "$e2e_dir/xterm-more.json" >"$e2e_tmp/import.log" 2>&1
check "quorvel --import with Quorvel running ends well" test $? -eq 0
check "the running copy tells the result in a tray message" names "Shortcuts added: 2, updated: 0"
check "Super+Q shows the overlay again" show_over_xterm
check "the imported shortcuts are on the keys" names_while_held ctrl+shift "Num+: Smaller font"
check "and so is the one for Alt" names_while_held alt "Enter: Full screen" "F4: Close"
hide_overlay

# "Exit" is the tray menu's last item.
read -r ix iy iw ih < <(window_geometry "$(tray_icon_window)")
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 1
menu_takes_keys() { menu_open && keyboard_grabbed; }
wait_for 10 menu_takes_keys
xdotool key Up Return
check "Exit ends the program" ends_within 10 "$quorvel"
stored() {
    sqlite3 -readonly "$XDG_DATA_HOME/zint/shortcuts.dat" \
        "SELECT count(*) FROM shortcuts WHERE ShortName IN ('Full screen', 'Scroll back')"
}
check "the files hold the imported shortcuts" test "$(stored)" = 2

# Without a running copy: a bad file changes nothing, an export writes the base.
cp "$XDG_DATA_HOME/zint/shortcuts.dat" "$e2e_tmp/before.dat"
printf '{"format": 1, "name": "X", "executables": ["x"],\n "shortcuts": [{"keys": "Ctrl+Hyper+X"}]}' \
    >"$e2e_tmp/bad.json"
cli --import "$e2e_tmp/bad.json" >"$e2e_tmp/bad.log" 2>&1
check "a bad file is refused" test $? -ne 0
check "naming the file, line and field" \
    grep -q "$e2e_tmp/bad.json.*line 2, field shortcuts\[0\].keys" "$e2e_tmp/bad.log"
check "the base files are unchanged" cmp -s "$e2e_tmp/before.dat" "$XDG_DATA_HOME/zint/shortcuts.dat"
cli --export "$e2e_tmp/export.json" >"$e2e_tmp/export.log" 2>&1
check "quorvel --export writes the base" grep -q '"keys": "Ctrl+Shift+Num+"' "$e2e_tmp/export.json"

e2e_summary
