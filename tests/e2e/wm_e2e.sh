#!/usr/bin/env bash
# The overlay under every window manager Debian packages that runs headless, each with its default
# settings in its own virtual session, several sessions at once. On each: a first start (no
# settings file) sets up a trigger that works with the window manager's defaults (Super+Q where
# the window manager leaves it; Ctrl+Alt+Q under IceWM, which keeps the Windows keys; under
# mutter the GNOME keybinding, whose command is run as GNOME would, then Ctrl+Alt+Q chosen in the
# settings); three showings in a row by that trigger over xev, each centred, active, off the
# taskbar and pager, with no transient-for and no title bar or frame, hidden by Esc or by xev
# coming back; "quorvel --show" after the user worked in xev shows it active; the gesture carries
# Ctrl+S into xev exactly once, five times out of five. Under openbox, in addition, focus flips
# between the overlay and xev with keys held in xev never let those keys reach the overlay.
# A session with a failed check runs once more on its own (sessions side by side load the machine);
# the second run counts and the first run's failures are shown. Ends with a table of the window
# managers and what held on each, and the failed checks below it.
# Usage: wm_e2e.sh BUILD_DIR [WM...]   (default: every one below; WM_E2E_JOBS sessions at once,
# 3 unless set)
set -u
source "$(dirname "$0")/lib.sh"

# Asks the window manager to activate xev; true once the overlay has hidden.
switch_to_target() {
    xdotool windowactivate "$target" 2>/dev/null
    overlay_hidden
}

build_arg=$1
shift
managers=("$@")
[ ${#managers[@]} -gt 0 ] || managers=(openbox fluxbox i3 icewm mutter awesome bspwm herbstluftwm
    jwm metacity marco kwin_x11 xfwm4)

# The keys that reach the overlay are logged (to stderr) for the flip check.
export QT_LOGGING_RULES="quorvel.shell.keys.debug=true"

# show_over WINDOW [OVERLAY]: activates WINDOW and presses the trigger until the overlay is up
# (OVERLAY: its window once known, looked at alone). A program that starts slowly may take the
# first press late: a second press before then would find the window it activated newer than the
# show, which a window manager may rightly refuse the focus.
show_over() {
    local attempt shown=(overlay_visible)
    [ -n "${2:-}" ] && shown=(window_viewable "$2")
    for attempt in 1 2 3; do
        timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null
        xdotool keydown "$trigger" sleep 0.1 keyup "$trigger"
        wait_for 10 "${shown[@]}" && return 0
    done
    return 1
}

centred() {
    local x y w h sw sh
    read -r x y w h < <(window_geometry "$1")
    read -r sw sh < <(xdpyinfo | awk '/dimensions:/{split($2, d, "x"); print d[1], d[2]}')
    local dx=$((x + w / 2 - sw / 2)) dy=$((y + h / 2 - sh / 2))
    [ "$dx" -ge -2 ] && [ "$dx" -le 2 ] && [ "$dy" -ge -2 ] && [ "$dy" -le 2 ] ||
        { echo "     off centre by $dx, $dy"; return 1; }
}

# off_taskbar WINDOW: the window manager kept both states, or those of them it supports (awesome
# has no pager; herbstluftwm neither taskbar nor pager, and writes no such state).
off_taskbar() {
    local state supported item
    state=$(xprop -id "$1" _NET_WM_STATE)
    supported=$(xprop -root _NET_SUPPORTED)
    for item in _NET_WM_STATE_SKIP_TASKBAR _NET_WM_STATE_SKIP_PAGER; do
        if [[ $supported != *"$item"* ]]; then
            echo "     the window manager does not support $item"
        elif [[ $state != *"$item"* ]]; then
            echo "     $state"
            return 1
        fi
    done
}

# unframed WINDOW: the top-level window that holds it (its frame, if any) is no larger than the
# window and a thin border on each side: no title bar.
unframed() {
    local top=$1 parent w h fw fh
    while parent=$(xwininfo -tree -id "$top" | awk '/Parent window id:/{print $4}') &&
        [ -n "$parent" ] && [ "$((parent))" != "$(($(root_window)))" ]; do
        top=$parent
    done
    read -r _ _ w h < <(window_geometry "$1")
    read -r _ _ fw fh < <(window_geometry "$top")
    [ $((fw - w)) -le 6 ] && [ $((fh - h)) -le 6 ] ||
        { echo "     framed: ${w}x$h inside ${fw}x$fh"; return 1; }
}

root_window() {
    xwininfo -root | awk '/Window id:/{print $4}'
}

# xev_has_ctrl_s: xev logged at least one Ctrl+S press.
xev_has_ctrl_s() {
    [ "$(ctrl_s_presses "$e2e_tmp/xev.log")" -ge 1 ]
}

# xdotool_keys ACCELERATOR: the keys of a trigger as the settings file writes it, for xdotool
# ("<Control><Alt>q" is ctrl+alt+q).
xdotool_keys() {
    local keys=$1
    keys=${keys//<Control>/ctrl+}
    keys=${keys//<Alt>/alt+}
    keys=${keys//<Super>/super+}
    keys=${keys//<Shift>/shift+}
    echo "$keys"
}

# setting NAME: its value in the settings file.
setting() {
    sed -n "s/^$1=//p" "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
}

start_quorvel() {
    "$build/quorvel" 2>"$e2e_tmp/quorvel.log" &
    quorvel=$!
    e2e_pids+=($quorvel)
}

# first_start_with_desktop_shortcut: GNOME's keybinding, set up by the first start, runs its
# command (GNOME Shell, which runs it on the keys, cannot run here) and that shows the overlay
# active; then the user turns it off and chooses Ctrl+Alt+Q in the settings.
first_start_with_desktop_shortcut() {
    local entry command
    entry=org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:
    entry+=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/quorvel/
    command=$(gsettings get "$entry" command)
    eval "${command:1:${#command}-2}" >/dev/null 2>&1
    wait_for 5 overlay_visible && wait_for 5 overlay_active || return 1
    xdotool keydown Escape sleep 0.1 keyup Escape
    wait_for 5 overlay_hidden || return 1
    kill "$quorvel"
    wait "$quorvel"
    printf '[General]\nTrigger=<Control><Alt>q\nDesktopShortcut=false\n' \
        >"$XDG_CONFIG_HOME/quorvel/quorvel.conf"
    trigger=ctrl+alt+q
    start_quorvel
}

run_wm() {
    local wm=$1 show gestures=0 i first
    echo "# $wm"
    # IceWM as it comes: its Windows keys open its menu.
    export XSESSION_WM=$wm XSESSION_TRAY=0 XSESSION_ICEWM_WIN95KEYS=1
    e2e_begin "$build_arg"
    xev -geometry 600x400+40+40 -name xev-target >"$e2e_tmp/xev.log" &
    e2e_pids+=($!)
    # xdotool fails on a window that goes while it walks the tree (herbstclient's): asked again.
    target=$(wait_for 10 xdotool search --name '^xev-target$' | head -n 1)
    "$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null

    # A first start: the trigger is what Quorvel sets up for this window manager.
    rm "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
    start_quorvel
    check "$wm: the first start saves its settings" \
        wait_for 10 grep -q '^Trigger=' "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
    trigger=$(xdotool_keys "$(setting Trigger)")
    echo "     first start: trigger $trigger, desktop shortcut $(setting DesktopShortcut)"
    first="first start: "
    if [ "$(setting DesktopShortcut)" = true ]; then
        check "$wm: first start: the desktop's keybinding shows the overlay active" \
            first_start_with_desktop_shortcut
        first=
    fi

    # Window managers forget a window's state when it hides: every showing is checked.
    for show in 1 2 3; do
        check "$wm: $first$trigger over xev shows the overlay (showing $show)" show_over "$target"
        first=
        # A window that goes while xdotool walks the tree (herbstclient's) may leave it empty-handed.
        overlay=$(wait_for 5 overlay_window)
        check "$wm: the overlay's window is found (showing $show)" test -n "$overlay"
        [ -n "$overlay" ] || break
        [ "$show" = 1 ] && shot "wm-$wm"
        check "$wm: the overlay is centred (showing $show)" centred "$overlay"
        check "$wm: the overlay is the active window (showing $show)" wait_for 5 overlay_active
        check "$wm: no taskbar or pager entry (showing $show)" off_taskbar "$overlay"
        check "$wm: no title bar or frame (showing $show)" unframed "$overlay"
        check "$wm: no transient-for (showing $show)" bash -c \
            "xprop -id $overlay WM_TRANSIENT_FOR | grep -q 'not found'"
        if [ "$show" = 2 ]; then
            # A busy window manager may drop an activation request: ask until xev is in front.
            check "$wm: xev coming back hides the overlay" wait_for 5 switch_to_target
        else
            xdotool keydown Escape sleep 0.1 keyup Escape
            check "$wm: Esc hides the overlay (showing $show)" wait_for 5 overlay_hidden
        fi
    done

    # The trigger was used; then the user works in xev, and a desktop shortcut runs --show.
    xdotool windowactivate --sync "$target" 2>/dev/null
    xdotool keydown shift sleep 0.1 keyup shift
    "$build/quorvel" --show 2>/dev/null
    check "$wm: quorvel --show after the trigger shows the overlay" wait_for 5 overlay_visible
    check "$wm: quorvel --show after the trigger makes the overlay active" wait_for 5 overlay_active
    xdotool keydown Escape sleep 0.1 keyup Escape
    wait_for 5 overlay_hidden

    for i in 1 2 3 4 5; do
        # As a person does, the gesture starts once the overlay is seen to have the keys.
        show_over "$target" "$overlay" && wait_for 5 window_active "$overlay" || continue
        : >"$e2e_tmp/xev.log"
        gesture_ctrl_s
        wait_for 5 overlay_hidden && wait_for 5 xev_has_ctrl_s &&
            [ "$(ctrl_s_presses "$e2e_tmp/xev.log")" = 1 ] && gestures=$((gestures + 1))
    done
    check "$wm: the gesture carried Ctrl+S into xev exactly once, $gestures times of 5" \
        test "$gestures" = 5

    if [ "$wm" = openbox ]; then
        # X (keycode 53, virtual key 88) is pressed only while xev has the focus.
        : >"$e2e_tmp/quorvel.log"
        flips=0
        for ((i = 0; i < 200; i++)); do
            show_over "$target" "$overlay" || break
            xdotool windowactivate --sync "$target" keydown x sleep 0.1 keyup x 2>/dev/null
            flips=$((i + 1))
        done
        check "$wm: 200 flips between the overlay and xev" test "$flips" = 200
        check "$wm: no key held in xev ever reached the overlay" \
            bash -c "! grep -q 'down 88' '$e2e_tmp/quorvel.log'"
    fi
    e2e_end
    e2e_pids=()
    trap - EXIT
}

# Each window manager in its own session and subshell; the logs are shown in order (and as each
# ends, with WM_E2E_VERBOSE=1).
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
jobs_at_once=${WM_E2E_JOBS:-3}
for wm in "${managers[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs_at_once" ]; do
        wait -n
    done
    (
        run_wm "$wm" >"$results/$wm.log" 2>&1
        # Sessions run side by side on a loaded machine: a session with a failed check runs once
        # more on its own, and that run counts; the failures of the first stay in the output.
        if grep -q '^FAIL ' "$results/$wm.log"; then
            mv "$results/$wm.log" "$results/$wm.first.log"
            run_wm "$wm" >"$results/$wm.log" 2>&1
        fi
        [ "${WM_E2E_VERBOSE:-0}" = 1 ] && cat "$results/$wm.log" >&2
    ) &
done
wait
for wm in "${managers[@]}"; do
    if [ -f "$results/$wm.first.log" ]; then
        echo "# $wm, run again after these failures of its first run:"
        sed -n 's/^FAIL - /#   /p' "$results/$wm.first.log"
    fi
    cat "$results/$wm.log"
    e2e_passed=$((e2e_passed + $(grep -c '^ok ' "$results/$wm.log")))
    e2e_failed=$((e2e_failed + $(grep -c '^FAIL ' "$results/$wm.log")))
done

# passed LOG TEXT: "passed/run" of the checks whose names hold the text.
passed() {
    echo "$(grep -c "^ok   - .*$2" "$1")/$(grep -c -E "^(ok  |FAIL) - .*$2" "$1")"
}
echo
printf '%-13s %-12s %-14s %-8s %-9s %s\n' "window manager" "off taskbar" "--show active" \
    gesture unframed "first start"
for wm in "${managers[@]}"; do
    log=$results/$wm.log
    [ -f "$results/$wm.first.log" ] && wm+=" (2nd)"
    printf '%-13s %-12s %-14s %-8s %-9s %s %s\n' "$wm" "$(passed "$log" "no taskbar or pager")" \
        "$(passed "$log" "quorvel --show after the trigger makes")" \
        "$(sed -n 's/.*exactly once, \([0-9]*\) times of 5$/\1\/5/p' "$log")" \
        "$(passed "$log" "no title bar or frame")" "$(passed "$log" "first start")" \
        "$(sed -n 's/^ *first start: trigger \([^,]*\), desktop shortcut \(.*\)$/(\1, desktop \2)/p' \
            "$log")"
done
# The failures again, below the table, where a shortened log still shows them.
for wm in "${managers[@]}"; do
    grep '^FAIL ' "$results/$wm.log"
done
e2e_summary
