#!/usr/bin/env bash
# The shortcut editor on a real X11 desktop: opened from the tray menu, a program for xev with a
# shortcut pressed into the hot-key control and an icon copied from the screen by dragging a frame,
# saved by the exit keys; the overlay carries the new shortcut out into xev; edits left unsaved
# survive SIGTERM. Usage: editor_e2e.sh BUILD_DIR.
# Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"

# The desktop's background in one colour: what the icon frame is dragged over.
background=2a7fff
xsetroot -solid "#$background"

xev -geometry 600x400+40+40 -name xev-target >"$e2e_tmp/xev.log" &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^xev-target$' >/dev/null
target=$(xdotool search --name '^xev-target$' | head -n 1)
xev_path=$(command -v xev)

start_quorvel() {
    "$build/quorvel" >>"$e2e_tmp/quorvel.log" 2>&1 &
    quorvel=$!
    e2e_pids+=($quorvel)
    wait_for 15 tray_icon_embedded
}
check "Quorvel starts" start_quorvel

editor_window() { xdotool search --onlyvisible --name '^Edit shortcuts$' 2>/dev/null | head -n 1; }
editor_active() { [ -n "$(editor_window)" ] && [ "$(active_window)" = "$(($(editor_window)))" ]; }
open_editor() {
    open_tray_menu "$quorvel" || return 1
    # The second item of the menu.
    press Down Down Return
    wait_for 10 editor_active
}
# type_text TEXT: types as a person does, key by key.
type_text() { xdotool type --delay 30 "$1"; }
# press KEYS...: holds each combination about 100 ms.
press() {
    local combo
    for combo in "$@"; do
        xdotool keydown "$combo" sleep 0.1 keyup "$combo" sleep 0.1
    done
}

check "the tray menu opens the editor" open_editor
shot editor-empty

# A new program (Ctrl+Shift+N), named and given xev's executable through the chooser.
press ctrl+shift+n
press ctrl+a
type_text "X events"
# Past the path, window classes and desktop entry fields to the chooser button.
press Tab Tab Tab Tab space
chooser_active() {
    local id
    id=$(xdotool search --onlyvisible --name '^Choose an application$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && [ "$(active_window)" = "$((id))" ]
}
check "the program frame opens the application chooser" wait_for 10 chooser_active
shot editor-chooser
type_text "$xev_path"
press Return
check "the chooser closes with the typed path" wait_for 10 editor_active

# A new shortcut for it (Ctrl+N): description, short name, and Ctrl+S pressed in the hot-key
# control, held as a person holds keys.
press ctrl+n
press ctrl+a
type_text "Save the events"
press Tab
type_text "Save"
press Tab
xdotool keydown ctrl sleep 0.1 keydown s sleep 0.1 keyup s sleep 0.05 keyup ctrl
shot editor-shortcut

# Its icon copied from the screen: past the check box to "Copy icon from the screen...", then a
# frame dragged over the desktop's background, as a person drags with the mouse.
press Tab Tab space
capture_window() {
    local id width
    for id in $(xdotool search --onlyvisible --classname '^quorvel$' 2>/dev/null); do
        read -r _ _ width _ < <(window_geometry "$id")
        if [ "$width" -ge 1900 ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}
capture_shown() { capture_window >/dev/null; }
check "the capture button covers the screen with its snapshot" wait_for 10 capture_shown
# Near the right edge of the screen, clear of the editor at any dpi.
xdotool mousemove 1820 150 sleep 0.2 mousedown 1 sleep 0.1 mousemove 1840 165 sleep 0.1 \
    mousemove 1860 180 sleep 0.2
shot editor-capture-frame
xdotool mouseup 1
capture_closed() { ! capture_shown; }
check "releasing the button ends the capture" wait_for 10 capture_closed
check "the editor is active again" wait_for 10 editor_active
shot editor-captured-icon
press Tab
# Ctrl+S outside the hot-key control is the exit button: hide and save.
press ctrl+s
editor_hidden() { [ -z "$(editor_window)" ]; }
check "the exit keys hide the editor" wait_for 10 editor_hidden

base() { sqlite3 -readonly "$XDG_DATA_HOME/zint/$1" "$2" 2>/dev/null; }
saved_shortcut() {
    [ "$(base shortcuts.dat "SELECT ShortName || '|' || hex(KeyCodes) FROM shortcuts \
        WHERE Description = 'Save the events'")" = "Save|11005300" ]
}
check "the files hold the new shortcut with Ctrl+S" wait_for 10 saved_shortcut
icon_pixels() {
    sqlite3 -readonly "$XDG_DATA_HOME/zint/shortcuts.dat" "SELECT writefile('$e2e_tmp/icon.bmp', \
        Icon) FROM shortcuts WHERE Description = 'Save the events'" >/dev/null 2>&1 &&
        convert "$e2e_tmp/icon.bmp" -format '%wx%h %[hex:p{0,0}] %[hex:p{40,30}] %k' info: 2>/dev/null
}
check "the files hold the framed picture as the icon" \
    test "$(icon_pixels)" = "41x31 ${background^^} ${background^^} 1"
check "the files hold the program with xev's path" \
    test "$(base programs.dat "SELECT FileName FROM programs WHERE Name = 'X events'")" = "$xev_path"

# The overlay over xev: the new shortcut is there and is carried out by the gesture.
xdotool windowactivate --sync "$target" 2>/dev/null
xdotool key super+q
check "Super+Q over xev shows the overlay" wait_for 10 overlay_visible
if shots_wanted; then
    xdotool keydown ctrl sleep 0.1 exec --sync bash -c \
        "source '$e2e_dir/lib.sh'; shot overlay-ctrl-held-new-shortcut" keyup ctrl
fi
wait_for 5 overlay_active
: >"$e2e_tmp/xev.log"
gesture_ctrl_s
check "the gesture hides the overlay" wait_for 5 overlay_hidden
check "xev received the new Ctrl+S exactly once" ctrl_s_once "$e2e_tmp/xev.log"

# An edit left in the editor, which is then closed by its close box: nothing written yet.
check "the editor opens again" open_editor
press ctrl+n
press ctrl+a
type_text "Unsaved edit"
press Tab
type_text "Kept"
# The window manager's close keys, as a person closes a window.
xdotool windowactivate --sync "$(editor_window)" 2>/dev/null
press alt+F4
check "the close box hides the editor" wait_for 10 editor_hidden
check "nothing is written before the program ends" \
    test -z "$(base shortcuts.dat "SELECT Id FROM shortcuts WHERE Description = 'Unsaved edit'")"

kill -TERM "$quorvel"
check "SIGTERM ends the program" ends_within 10 "$quorvel"
wait "$quorvel"
check "with code 0" test $? -eq 0
check "the edit left in the editor was saved" \
    test "$(base shortcuts.dat "SELECT ShortName FROM shortcuts WHERE Description = 'Unsaved edit'")" = "Kept"
check "Quorvel starts again on the saved base" start_quorvel
check "and the editor shows it" open_editor
shot editor-after-restart
xev_running() { xdotool search --name '^xev-target$' >/dev/null; }
check "xev is still running" xev_running

e2e_summary
