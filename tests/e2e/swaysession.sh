# A headless sway session for end-to-end tests on Wayland: sway on wlroots' headless backend with
# the pixman renderer and no input devices, one 1920x1080 output. A seat with no keyboard
# announces one only when a virtual keyboard comes, and a client binds its keyboard only then:
# the keys a new virtual keyboard sends at once (each wtype run) reach nobody. So the session
# gets a keyboard of its own (quorvel_wayland_keyboard, the default XKB layout) before any client
# starts, kept until the end, and it types the tests' keys. sway refuses to run as root: run
# as root, the session and everything started in it (sway_run) belong to an unprivileged user made
# for the tests (quorvel-e2e, created when missing); otherwise to the user running the test.
# Source this file after e2e_isolate (lib.sh), then:
#   sway_start             start the session in $e2e_tmp; exports SWAYSOCK and WAYLAND_DISPLAY
#                          for this shell; 77 when sway is missing or cannot start here. Where
#                          the session's user cannot reach $build (a checkout in /root), the
#                          programs the tests run are copied into $e2e_tmp and $build names the copy
#   sway_run COMMAND...    run a command in the session as its user, with the session's
#                          environment (Qt on its Wayland platform; the session bus where
#                          DBUS_SESSION_BUS_ADDRESS is set)
#   sway_spawn LOG COMMAND...  the same in the background, its output to LOG; its pid in
#                          $sway_spawned and among the processes sway_stop kills
#   sway_session_bus       a session bus of the session's user, exported as
#                          DBUS_SESSION_BUS_ADDRESS for this shell and what it starts
#   sway_msg ARGS...       swaymsg against the session
#   sway_screenshot FILE   the output as a PNG (grim)
#   sway_key press|release KEYSYM  a key of the session's keyboard, once sway has handled it;
#   sway_key move X Y WIDTH HEIGHT, sway_key button press|release  its pointer the same way
#   sway_stop              kill exactly the processes sway_start started, by pid

SWAY_USER=quorvel-e2e
SWAY_PIDS=()

# The command prefix that runs a command as the session's user (setpriv execs it: same pid).
_sway_user_prefix() {
    if [ "$(id -u)" -eq 0 ]; then
        echo setpriv --reuid="$SWAY_USER" --regid="$SWAY_USER" --init-groups --
    fi
}

_sway_as_user() {
    local prefix
    read -r -a prefix < <(_sway_user_prefix)
    "${prefix[@]}" "$@"
}

_sway_environment() {
    echo HOME="$HOME" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" XDG_DATA_HOME="$XDG_DATA_HOME" \
        XDG_STATE_HOME="$XDG_STATE_HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
        WAYLAND_DISPLAY="$WAYLAND_DISPLAY" ${SWAYSOCK:+SWAYSOCK=$SWAYSOCK} QT_QPA_PLATFORM=wayland \
        LANG="$LANG" LANGUAGE="${LANGUAGE:-}" PATH="$PATH" \
        ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0} \
        ${QT_LOGGING_RULES:+QT_LOGGING_RULES=$QT_LOGGING_RULES} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS} \
        ${DBUS_SESSION_BUS_ADDRESS:+DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS} \
        ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS}
}

sway_run() {
    local environment
    read -r -a environment < <(_sway_environment)
    _sway_as_user env -i "${environment[@]}" "$@"
}

sway_spawn() {
    local log=$1 prefix environment
    shift
    read -r -a prefix < <(_sway_user_prefix)
    read -r -a environment < <(_sway_environment)
    "${prefix[@]}" env -i "${environment[@]}" "$@" >"$log" 2>&1 &
    sway_spawned=$!
    SWAY_PIDS+=("$sway_spawned")
}

sway_msg() {
    sway_run swaymsg "$@"
}

sway_session_bus() {
    local address pid
    read -r address pid < <(sway_run dbus-daemon --session --fork --print-address=1 \
        --print-pid=1 | paste -sd ' ')
    SWAY_PIDS+=("$pid")
    export DBUS_SESSION_BUS_ADDRESS=$address
}

sway_screenshot() {
    sway_run grim "$1.tmp" && mv "$1.tmp" "$1"
}

sway_start() {
    if ! command -v sway >/dev/null; then
        echo "SKIP - sway is not installed (scripts/install-deps installs it)"
        return 77
    fi
    _sway_prepare_user || return 1
    mkdir -p "$e2e_tmp/sway"
    printf '%s\n' 'output HEADLESS-1 resolution 1920x1080 position 0 0' 'default_border none' \
        'focus_follows_mouse no' 'xwayland disable' >"$e2e_tmp/sway/config"
    [ "$(id -u)" -eq 0 ] && chown -R "$SWAY_USER:$SWAY_USER" "$e2e_tmp/sway"
    local prefix
    read -r -a prefix < <(_sway_user_prefix)
    "${prefix[@]}" env -i HOME="$HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" PATH="$PATH" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$e2e_tmp/sway/config" >"$e2e_tmp/sway/log" 2>&1 &
    local pid=$!
    SWAY_PIDS+=("$pid")
    if ! wait_for 20 _sway_socket_up "$pid"; then
        echo "SKIP - sway cannot start here; its log:"
        sed 's/^/    /' "$e2e_tmp/sway/log" | tail -n 20
        sway_stop
        return 77
    fi
    _sway_start_keyboard
}

# _sway_prepare_user: run as root, the session's user exists and owns $e2e_tmp; the programs the
# tests run are where that user reaches them.
_sway_prepare_user() {
    if [ "$(id -u)" -eq 0 ]; then
        if ! id "$SWAY_USER" >/dev/null 2>&1 &&
            ! useradd --system --user-group --no-create-home --shell /usr/sbin/nologin "$SWAY_USER"; then
            echo "FAIL - the session's user $SWAY_USER could not be made"
            return 1
        fi
        chown -R "$SWAY_USER:$SWAY_USER" "$e2e_tmp"
    fi
    if ! _sway_as_user test -x "$build/quorvel" && ! _sway_stage_build; then
        echo "FAIL - $build/quorvel cannot be run by the session's user"
        return 1
    fi
}

# _sway_start_keyboard [READY-CHECK...]: the session's keyboard, ready once it says so and the
# check (by default: sway lists a keyboard) holds.
_sway_start_keyboard() {
    local prefix environment ready
    local ready_check=("$@")
    [ ${#ready_check[@]} -gt 0 ] || ready_check=(_sway_has_keyboard)
    read -r -a prefix < <(_sway_user_prefix)
    read -r -a environment < <(_sway_environment)
    coproc SWAY_KEYBOARD { "${prefix[@]}" env -i "${environment[@]}" \
        "$build/tests/e2e/quorvel_wayland_keyboard" 2>&1; }
    SWAY_PIDS+=("$SWAY_KEYBOARD_PID")
    read -r -t 20 -u "${SWAY_KEYBOARD[0]}" ready
    if [ "${ready:-}" != ready ] || ! wait_for 10 "${ready_check[@]}"; then
        echo "FAIL - the session's keyboard did not come: ${ready:-}"
        return 1
    fi
}

_sway_has_keyboard() {
    sway_msg -t get_inputs | grep -q '"type": "keyboard"'
}

# sway_key COMMAND...: a command to the session's keyboard and pointer ("press s", "move X Y W H",
# "button press"), true once the compositor handled it.
sway_key() {
    local answer
    echo "$*" >&"${SWAY_KEYBOARD[1]}" &&
        read -r -t 10 -u "${SWAY_KEYBOARD[0]}" answer && [ "$answer" = ok ]
}

# _sway_stage_build: the program with the files it reads beside it, and the test programs, copied
# where the session's user reaches them; $build names the copy.
_sway_stage_build() {
    local copy=$e2e_tmp/build
    mkdir -p "$copy/tests/e2e" &&
        cp -r "$build/quorvel" "$build/quorvel-program.so" "$build/keyimages.xml" "$build/empty.bmp" "$build/kwin-windows.js" \
            "$build/en" "$copy/" &&
        cp "$build/tests/e2e/quorvel_seed_base" "$build/tests/e2e/quorvel_wayland_target" \
            "$build/tests/e2e/quorvel_wayland_keyboard" "$build/tests/e2e/quorvel_wayland_screen" \
            "$copy/tests/e2e/" &&
        chown -R "$SWAY_USER:$SWAY_USER" "$copy" || return 1
    build=$copy
    _sway_as_user test -x "$build/quorvel"
}

# The sockets sway names after its own pid appear once it runs.
_sway_socket_up() {
    kill -0 "$1" || return 1
    local ipc display
    ipc=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*."$1".sock 2>/dev/null | head -n 1)
    display=$(ls "$XDG_RUNTIME_DIR" | grep -E '^wayland-[0-9]+$' | head -n 1)
    [ -S "$ipc" ] && [ -n "$display" ] || return 1
    export SWAYSOCK=$ipc WAYLAND_DISPLAY=$display
    sway_msg -t get_outputs >/dev/null
}

sway_stop() {
    local pid
    # The session's programs first, sway last.
    for ((i = ${#SWAY_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${SWAY_PIDS[i]}
        kill "$pid" 2>/dev/null
    done
    SWAY_PIDS=()
}

# sway_focused_app: the app_id (or X11 class) of the focused window.
sway_focused_app() {
    sway_msg -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(node):
    if node.get("focused") and node.get("type") in ("con", "floating_con"):
        print(node.get("app_id") or (node.get("window_properties") or {}).get("class", ""))
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}
