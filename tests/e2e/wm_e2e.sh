#!/usr/bin/env bash
# The overlay under several window managers: Super+Q over xev shows it centred, active, with no
# taskbar entry and no transient-for; Esc hides it; xev coming back to the foreground hides it;
# the gesture carries Ctrl+S into xev once. Under openbox, in addition, focus flips between the
# overlay and xev with keys held in xev never let those keys reach the overlay.
# Usage: wm_e2e.sh BUILD_DIR [WM...]   (default: openbox fluxbox i3 icewm)
set -u
source "$(dirname "$0")/lib.sh"
build_arg=$1
shift
managers=("$@")
[ ${#managers[@]} -gt 0 ] || managers=(openbox fluxbox i3 icewm)

# The keys that reach the overlay are logged (to stderr) for the flip check.
export QT_LOGGING_RULES="quorvel.shell.keys.debug=true"

show_over() { # show_over WINDOW: activates it and presses Super+Q until the overlay is up
    local attempt
    for attempt in 1 2 3 4 5; do
        xdotool windowactivate --sync "$1" 2>/dev/null
        xdotool key super+q
        wait_for 3 overlay_visible && return 0
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


for wm in "${managers[@]}"; do
    echo "# $wm"
    export XSESSION_WM=$wm XSESSION_TRAY=0
    e2e_begin "$build_arg"
    xev -geometry 600x400+40+40 -name xev-target >"$e2e_tmp/xev.log" &
    e2e_pids+=($!)
    wait_for 10 xdotool search --name '^xev-target$' >/dev/null
    target=$(xdotool search --name '^xev-target$' | head -n 1)
    "$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null
    "$build/quorvel" 2>"$e2e_tmp/quorvel.log" &
    e2e_pids+=($!)

    check "$wm: Super+Q over xev shows the overlay" show_over "$target"
    overlay=$(overlay_window)
    shot "wm-$wm"
    check "$wm: the overlay is centred" centred "$overlay"
    check "$wm: the overlay is the active window" wait_for 5 test "$(active_window)" = "$((overlay))"
    check "$wm: no taskbar or pager entry" bash -c \
        "xprop -id $overlay _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR &&
         xprop -id $overlay _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_PAGER"
    check "$wm: no transient-for" bash -c "xprop -id $overlay WM_TRANSIENT_FOR | grep -q 'not found'"
    xdotool keydown Escape sleep 0.1 keyup Escape
    check "$wm: Esc hides the overlay" wait_for 5 overlay_hidden

    show_over "$target"
    xdotool windowactivate --sync "$target" 2>/dev/null
    check "$wm: xev coming back hides the overlay" wait_for 5 overlay_hidden

    show_over "$target"
    : >"$e2e_tmp/xev.log"
    gesture_ctrl_s
    check "$wm: the gesture hides the overlay" wait_for 5 overlay_hidden
    sleep 0.5
    check "$wm: xev received Ctrl+S exactly once" test "$(ctrl_s_presses "$e2e_tmp/xev.log")" = 1

    if [ "$wm" = openbox ]; then
        # X (keycode 53, virtual key 88) is pressed only while xev has the focus.
        : >"$e2e_tmp/quorvel.log"
        flips=0
        for ((i = 0; i < 200; i++)); do
            show_over "$target" || break
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
done
e2e_summary
