#!/usr/bin/env bash
# Help in the tray menu opens the page of the user's language through xdg-open; when xdg-open
# finds no application to open it with, or there is neither xdg-open nor a browser, a message says
# so and names the page. A stand-in xdg-open records what it was asked to open and ends as told.
# The message is read through the widgets' accessible names (AT-SPI). Usage: help_e2e.sh BUILD_DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    paste -sd ' ')
e2e_pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS=$bus_address QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# A base already there: no first-start message stands over the tray icon.
"$build/quorvel" --import "$e2e_dir/xterm-more.json" >/dev/null

mkdir -p "$e2e_tmp/bin"
cat >"$e2e_tmp/bin/xdg-open" <<EOF_OPEN
#!/bin/sh
printf '%s\n' "\$1" >>"$e2e_tmp/opened"
exit \$(cat "$e2e_tmp/status")
EOF_OPEN
chmod +x "$e2e_tmp/bin/xdg-open"
export PATH=$e2e_tmp/bin:$PATH

# start_quorvel LANGUAGE [PATH]: starts Quorvel in that language (with that PATH) and waits for
# its tray icon.
start_quorvel() {
    LANGUAGE=$1 PATH=${2:-$PATH} "$build/quorvel" >>"$e2e_tmp/quorvel.log" 2>&1 &
    quorvel=$!
    e2e_pids+=("$quorvel")
    wait_for 15 tray_icon_embedded
}
# Help is the fourth item from the bottom of the tray menu.
choose_help() {
    read -r ix iy iw ih < <(window_geometry "$(tray_icon_window)")
    xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 1
    wait_for 5 tray_menu_open "$quorvel" || return 1
    xdotool key --delay 100 Up Up Up Up Return
}
opened() { grep -qxF "$1" "$e2e_tmp/opened" 2>/dev/null; }
names() { "$e2e_dir/accessible.py" quorvel "$@" >"$e2e_tmp/names.txt"; }

# xdg-open finds no browser (its status 3: a required tool is missing).
echo 3 >"$e2e_tmp/status"
check "Quorvel starts in English" start_quorvel en
check "the tray menu opens" choose_help
check "Help hands the English page to xdg-open" wait_for 10 opened "$build/en/quorvel.html"
check "a message says no browser opened it and names the page" \
    names "no browser was found to open it. Open the help file yourself: $build/en/quorvel.html"
shot help-no-browser
# stop_quorvel: closes the message and ends Quorvel. The message is its window titled Quorvel
# that is not the tray icon (which has that title too, and is never activated).
stop_quorvel() {
    local box
    box=$(xdotool search --onlyvisible --pid "$quorvel" --name '^Quorvel$' |
        grep -vxF "$(($(tray_icon_window)))" | tail -n 1)
    xdotool windowactivate --sync "$box" 2>/dev/null
    xdotool key Return
    xdotool mousemove 10 10
    kill "$quorvel"
    ends_within 10 "$quorvel"
}
check "Quorvel ends" stop_quorvel

# Without xdg-open, and no browser on PATH either: the same message.
mkdir -p "$e2e_tmp/empty"
check "Quorvel starts without xdg-open" start_quorvel en "$e2e_tmp/empty"
check "the tray menu opens" choose_help
check "a message says no browser opened the page and names it" \
    names "no browser was found to open it. Open the help file yourself: $build/en/quorvel.html"
check "Quorvel ends" stop_quorvel

# In Russian, with a browser: the Russian page.
echo 0 >"$e2e_tmp/status"
check "Quorvel starts in Russian" start_quorvel ru
check "the tray menu opens" choose_help
check "Help hands the Russian page to xdg-open" wait_for 10 opened "$build/ru/quorvel.html"

e2e_summary
