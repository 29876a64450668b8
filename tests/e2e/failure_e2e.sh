#!/usr/bin/env bash
# Bad data never takes the program down unseen: a broken layout file at start-up is reported and
# the program ends with a failure code; broken at a later show it is reported, the overlay stays
# hidden and the program goes on. Usage: failure_e2e.sh BUILD_DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"

# A copy of the program with its files, whose layout file the test may break.
app=$e2e_tmp/app
mkdir -p "$app"
cp -r "$build/quorvel" "$build/quorvel-program.so" "$build/keyimages.xml" "$build/empty.bmp" "$build/en" "$app/"
break_layout() { printf '<keyimages><key KeyCode="65" Left="x"/></keyimages>' >"$app/keyimages.xml"; }
mend_layout() { cp "$build/keyimages.xml" "$app/keyimages.xml"; }
# The message box: a visible window of the process wider than its tray icon.
box_of() {
    local id width
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        width=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/{print $NF}')
        if [ "${width:-0}" -gt 100 ]; then
            echo "$id"
            return
        fi
    done
}
box_shown() { [ -n "$(box_of "$1")" ]; }

break_layout
"$app/quorvel" >"$e2e_tmp/start.log" 2>&1 &
broken=$!
e2e_pids+=($broken)
check "a broken layout file at start-up is reported" wait_for 10 box_shown $broken
shot broken-layout-at-start
confirm_box "$(box_of $broken)"
check "the program then ends" ends_within 30 $broken
wait "$broken"
check "with a failure code" test $? -ne 0

# A damaged shortcut base: moved aside, reported, and the program starts with an empty base.
mend_layout
mkdir -p "$XDG_DATA_HOME/zint"
echo "not a database" >"$XDG_DATA_HOME/zint/programs.dat"
"$app/quorvel" >"$e2e_tmp/damaged.log" 2>&1 &
damaged=$!
e2e_pids+=($damaged)
check "a damaged base is reported at start-up" wait_for 10 box_shown $damaged
shot damaged-base
confirm_box "$(box_of $damaged)"
check "the program then goes on to its tray icon" wait_for 10 tray_icon_embedded
check "the damaged file is kept aside, unchanged" \
    bash -c 'grep -q "not a database" "$0"/zint/programs.dat.damaged-*' "$XDG_DATA_HOME"
kill "$damaged"
wait "$damaged" 2>/dev/null

"$app/quorvel" >"$e2e_tmp/run.log" 2>&1 &
quorvel=$!
e2e_pids+=($quorvel)
has_window() { xdotool search --pid "$1" >/dev/null 2>&1; }
wait_for 15 has_window $quorvel
wait_for 15 tray_icon_embedded
break_layout
xdotool key super+q
check "a layout file broken later is reported at the next show" \
    wait_for 10 box_shown $quorvel
check "the overlay stays hidden" overlay_hidden
confirm_box "$(box_of $quorvel)"
check "the program goes on" holds_for 0.5 kill -0 "$quorvel"
mend_layout
xdotool key super+q
check "once the file is mended the overlay shows again" wait_for 10 overlay_visible

e2e_summary
