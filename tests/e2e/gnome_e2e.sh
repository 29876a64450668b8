#!/usr/bin/env bash
# Quorvel on GNOME Shell's Wayland session (headless): `gnome-extensions enable` turns Quorvel's
# Shell extension on; Quorvel reads the active window from it; "quorvel --show" shows the overlay
# focused over a focused Wayland window, whose program's shortcuts it shows; with Ctrl held
# before the show, S released and pressed again hides the overlay, the window below has the focus
# again and receives exactly one Ctrl+S, typed by the extension; Esc hides the overlay. With the
# extension off, Quorvel knows an X11 window (XWayland) from XWayland's X server and the gesture
# types exactly one Ctrl+S into it through XTest.
# Usage: gnome_e2e.sh BUILD_DIR. Exits 77 (skipped) only where gnome-shell cannot start.
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/swaysession.sh"
source "$(dirname "$0")/gnomesession.sh"

build=$(cd "$1" && pwd)
e2e_isolate
trap 'gnome_stop; rm -rf "$e2e_tmp"' EXIT
gnome_start
started=$?
[ "$started" -eq 0 ] || exit "$started"

cp "$e2e_dir/wayland-base.tsv" "$e2e_tmp/"
check "the shortcut base is written through the program's data layer" \
    gnome_run "$build/tests/e2e/quorvel_seed_base" "$e2e_tmp/wayland-base.tsv"

gnome_spawn "$e2e_tmp/target.log" "$build/tests/e2e/quorvel_wayland_target" quorvel-target \
    "Target window"
target=$gnome_spawned
# focused_pid PID: a window of the process has the focus (the keyboard's pipes are not open in a
# pipeline, so the answer is cut apart here).
focused_pid() {
    local focus
    focus=$(gnome_focus)
    [ "${focus%% *}" = "$1" ]
}
check "the target window has the focus" wait_for 15 focused_pid "$target"

extension_answers() {
    gnome_run gdbus introspect --session --dest org.quorvel.Quorvel.Shell \
        --object-path /org/quorvel/Quorvel/Shell | grep -q SendKeys
}
check "gnome-extensions enables Quorvel's extension" \
    gnome_run gnome-extensions enable quorvel@quorvel.org
check "the extension is on the session bus" wait_for 10 extension_answers

gnome_spawn "$e2e_tmp/quorvel.log" "$build/quorvel"
quorvel=$gnome_spawned
check "Quorvel reads the active window from the extension" \
    wait_for 20 grep -q "active window from Quorvel's GNOME Shell extension" "$e2e_tmp/quorvel.log"

check "quorvel --show shows the overlay" gnome_run "$build/quorvel" --show
check "the overlay has the focus" wait_for 10 focused_pid "$quorvel"
gnome_key press Escape && sleep 0.1 && gnome_key release Escape
check "Esc hides the overlay, the target window has the focus again" \
    wait_for 5 focused_pid "$target"

presses() { grep -c '^press Ctrl+S$' "$e2e_tmp/target.log"; }
pressed() { [ "$(presses)" -ge 1 ]; }
pressed_once() { [ "$(presses)" = 1 ]; }
: >"$e2e_tmp/target.log"
gnome_key press Control_L
gnome_run "$build/quorvel" --show
check "the overlay shows focused while Ctrl is held" wait_for 10 focused_pid "$quorvel"
gnome_key press s && sleep 0.1 && gnome_key release s && sleep 0.15 && gnome_key press s &&
    sleep 0.1 && gnome_key release s
gnome_key release Control_L
check "the gesture hides the overlay, the target window has the focus" \
    wait_for 5 focused_pid "$target"
check "the gesture carried Ctrl+S into the target window" wait_for 5 pressed
check "the gesture carried Ctrl+S exactly once" holds_for 0.5 pressed_once
check "Quorvel is still running" kill -0 "$quorvel"

check "gnome-extensions disables Quorvel's extension" \
    gnome_run gnome-extensions disable quorvel@quorvel.org
kill "$quorvel" && wait "$quorvel"
gnome_spawn "$e2e_tmp/x11-target.log" env QT_QPA_PLATFORM=xcb \
    "$build/tests/e2e/quorvel_wayland_target" quorvel-target "X11 target window"
x11_target=$gnome_spawned
check "the X11 target window has the focus" wait_for 15 focused_pid "$x11_target"
gnome_spawn "$e2e_tmp/quorvel-x11.log" "$build/quorvel"
quorvel=$gnome_spawned
check "without the extension Quorvel reads X11 windows from XWayland" \
    wait_for 20 grep -q "active window of X11 windows from XWayland" "$e2e_tmp/quorvel-x11.log"
x11_presses() { grep -c '^press Ctrl+S$' "$e2e_tmp/x11-target.log"; }
x11_pressed() { [ "$(x11_presses)" -ge 1 ]; }
x11_pressed_once() { [ "$(x11_presses)" = 1 ]; }
gnome_key press Control_L
gnome_run "$build/quorvel" --show
check "the overlay shows focused over the X11 window" wait_for 10 focused_pid "$quorvel"
gnome_key press s && sleep 0.1 && gnome_key release s && sleep 0.15 && gnome_key press s &&
    sleep 0.1 && gnome_key release s
gnome_key release Control_L
check "the gesture hides the overlay, the X11 window has the focus" \
    wait_for 5 focused_pid "$x11_target"
check "XTest carried Ctrl+S into the X11 window" wait_for 5 x11_pressed
check "XTest carried Ctrl+S exactly once" holds_for 0.5 x11_pressed_once
e2e_summary
