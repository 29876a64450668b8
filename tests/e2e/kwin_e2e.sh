#!/usr/bin/env bash
# Quorvel on KWin (virtual backend): it starts on the Wayland platform with its trigger bound
# through the desktop portal's GlobalShortcuts (KDE's backend), the key named as KDE names it, and
# the active window from its KWin script; the shortcut invoked through KGlobalAccel's D-Bus shows
# the overlay, a layer surface of Quorvel's, over the focused test window, which the script
# reported; Esc hides it; with Ctrl held before the trigger, S pressed twice, and then S clicked on
# the overlay, each carry exactly one Ctrl+S into the test window through KWin's fake input;
# Quorvel ending unloads its script, and started again its trigger works again.
# Usage: kwin_e2e.sh BUILD_DIR. Exits 77 (skipped) only where KWin cannot start.
set -u
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/swaysession.sh"
source "$(dirname "$0")/kwinsession.sh"

build=$(cd "$1" && pwd)
e2e_isolate
trap 'sway_stop; rm -rf "$e2e_tmp"' EXIT
kwin_start
started=$?
[ "$started" -eq 0 ] || exit "$started"

cp "$e2e_dir/wayland-base.tsv" "$e2e_tmp/"
check "the shortcut base is written through the program's data layer" \
    sway_run "$build/tests/e2e/quorvel_seed_base" "$e2e_tmp/wayland-base.tsv"

# The test's own view of KWin: each window added or activated, by process, and where an activated
# one lies, in KWin's log.
cat >"$e2e_tmp/probe.js" <<'PROBE'
function tell(what, w) {
    if (w) print("quorvel-e2e " + what + " " + w.pid + " " + w.resourceClass + " " + w.caption);
}
function place(w) {
    if (w) {
        var g = w.frameGeometry;
        print("quorvel-e2e rect " + w.pid + " " + g.x + " " + g.y + " " + g.width + " " + g.height);
    }
}
workspace.clientAdded.connect(function (w) { tell("added", w); });
workspace.clientActivated.connect(function (w) { tell("active", w); place(w); });
PROBE
chmod a+r "$e2e_tmp/probe.js"
check "the test's probe runs in KWin" kwin_probe "$e2e_tmp/probe.js"
kwin_saw() { grep -q "quorvel-e2e $1 $2 " "$e2e_tmp/kwin/log"; }

sway_spawn "$e2e_tmp/target.log" "$build/tests/e2e/quorvel_wayland_target" quorvel-target \
    "Target window"
target=$sway_spawned
check "the test window is active" wait_for 15 kwin_saw active "$target"

sway_spawn "$e2e_tmp/quorvel.log" env QT_LOGGING_RULES='quorvel.platform.debug=true' \
    "$build/quorvel"
quorvel=$sway_spawned
check "Quorvel starts with the portal's trigger and KWin's script" wait_for 30 grep -q \
    'Wayland session: trigger bound through the portal - active window from KWin.s script' \
    "$e2e_tmp/quorvel.log"
check "its overlay is a layer surface" grep -q 'overlay on a layer surface$' "$e2e_tmp/quorvel.log"
check "the script reports the active test window" wait_for 10 grep -q \
    "KWin: active window of process $target desktop entry \"quorvel-target\"" "$e2e_tmp/quorvel.log"

# KDE names the portal's component after the session's token.
check "the key is shown as KDE names it" wait_for 10 grep -q "the portal's shortcut is \"Meta+Q\"" \
    "$e2e_tmp/quorvel.log"
check "the portal's shortcut is in KGlobalAccel" wait_for 10 kwin_call org.kde.kglobalaccel \
    /component/quorvel org.kde.kglobalaccel.Component.shortcutNames
invoke() {
    kwin_call org.kde.kglobalaccel /component/quorvel \
        org.kde.kglobalaccel.Component.invokeShortcut string:show >/dev/null
}
# The process of the window KWin activated last.
active_is() {
    [ "$(grep -a 'quorvel-e2e active ' "$e2e_tmp/kwin/log" | tail -n 1 | awk '{ print $4 }')" = "$1" ]
}
check "the shortcut invoked through KGlobalAccel shows the overlay" invoke
check "the overlay, on a layer surface of Quorvel's, is active" wait_for 10 active_is "$quorvel"
sway_key press Escape && sleep 0.1 && sway_key release Escape
check "Esc hides the overlay and the test window is active again" wait_for 5 active_is "$target"

# Ctrl held before the trigger and S pressed twice carry exactly one Ctrl+S into the test window,
# through KWin's fake input.
check "Quorvel sends keys through KWin's fake input" \
    grep -q "synthetic keys by KWin's fake input" "$e2e_tmp/quorvel.log"
presses() { grep -c '^press Ctrl+S$' "$e2e_tmp/target.log"; }
pressed() { [ "$(presses)" -ge 1 ]; }
pressed_once() { [ "$(presses)" = 1 ]; }
: >"$e2e_tmp/target.log"
sway_key press Control_L
invoke
check "the overlay shows, active, while Ctrl is held" wait_for 10 active_is "$quorvel"
sway_key press s && sleep 0.1 && sway_key release s && sleep 0.15 && sway_key press s &&
    sleep 0.1 && sway_key release s
sway_key release Control_L
check "the gesture hides the overlay and the test window is active again" \
    wait_for 5 active_is "$target"
check "the gesture carried Ctrl+S into the test window" wait_for 5 pressed
check "the gesture carried Ctrl+S exactly once" holds_for 0.5 pressed_once

# With Ctrl held, S clicked on the overlay carries exactly one Ctrl+S out the same way.
: >"$e2e_tmp/target.log"
sway_key press Control_L
invoke
check "the overlay shows again while Ctrl is held" wait_for 10 active_is "$quorvel"
read -r _ _ _ _ x y width _ < <(grep -a "quorvel-e2e rect $quorvel " "$e2e_tmp/kwin/log" | tail -n 1)
read -r s_x s_y < <(layout_key_centre 83 "${x%.*}" "${y%.*}" "${width%.*}")
sway_key move "$s_x" "$s_y" && sway_key button press && sleep 0.1 && sway_key button release
sway_key release Control_L
check "the click hides the overlay and the test window is active again" \
    wait_for 5 active_is "$target"
check "the click carried Ctrl+S into the test window" wait_for 5 pressed
check "the click carried Ctrl+S exactly once" holds_for 0.5 pressed_once

kill "$quorvel"
check "Quorvel ends when told" wait_for 10 eval '! kill -0 '"$quorvel"
check "its script is unloaded" eval '! kwin_call org.kde.KWin /Scripting \
    org.kde.kwin.Scripting.isScriptLoaded string:quorvel-windows | grep -q true'

# Started again, it makes its portal session anew under the same name, and the key still works.
sway_spawn "$e2e_tmp/quorvel-again.log" "$build/quorvel"
quorvel=$sway_spawned
check "started again, Quorvel binds the portal's shortcut again" wait_for 30 grep -q \
    "the portal's shortcut is \"Meta+Q\"" "$e2e_tmp/quorvel-again.log"
check "the shortcut shows the overlay of the new copy" invoke
check "the new copy's overlay is active" wait_for 10 active_is "$quorvel"
e2e_summary
