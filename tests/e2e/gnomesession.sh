# A headless GNOME Shell session for end-to-end tests: gnome-shell --headless --wayland with
# XWayland and one virtual 1280x800 monitor, on a session bus of its own and a second bus standing in for
# the system bus (the Shell asks logind and others there; nobody answers). The user's extension
# folder holds Quorvel's extension and the tests' harness extension, which opens the Shell's Eval
# so the tests read which window has the focus. Keys come from the virtual keyboard of a mutter
# remote-desktop session (gnome_keyboard.py). Run as root, the session belongs to the
# unprivileged user of swaysession.sh, whose helpers it uses.
# Source this file after e2e_isolate (lib.sh) and swaysession.sh, then:
#   gnome_start            start the session in $e2e_tmp with the harness extension enabled;
#                          exports WAYLAND_DISPLAY, DISPLAY and XAUTHORITY (XWayland's)
#                          and DBUS_SESSION_BUS_ADDRESS; 77 when
#                          gnome-shell is missing or cannot start here
#   gnome_run COMMAND...   run a command in the session as its user, with its environment (Qt
#                          on its Wayland platform, XDG_CURRENT_DESKTOP=GNOME)
#   gnome_spawn LOG COMMAND...  the same in the background, its output to LOG; its pid in
#                          $gnome_spawned and among the processes gnome_stop kills
#   gnome_key press|release KEY  a key of the session's keyboard (names in gnome_keyboard.py)
#   gnome_focus            "PID CLASS" of the focused window, "none" without one
#   gnome_stop             kill exactly the processes gnome_start and gnome_spawn started, by pid

GNOME_PIDS=()
GNOME_EXTENSIONS=$e2e_dir/../../packaging/gnome-shell-extension

_gnome_environment() {
    echo HOME="$HOME" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" XDG_DATA_HOME="$XDG_DATA_HOME" \
        XDG_STATE_HOME="$XDG_STATE_HOME" XDG_CACHE_HOME="$HOME/.cache" \
        XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" PATH="$PATH" LANG="$LANG" LANGUAGE="${LANGUAGE:-}" \
        XDG_CURRENT_DESKTOP=GNOME ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY=$WAYLAND_DISPLAY} \
        ${DISPLAY:+DISPLAY=$DISPLAY} ${XAUTHORITY:+XAUTHORITY=$XAUTHORITY} \
        QT_QPA_PLATFORM=wayland \
        ${DBUS_SESSION_BUS_ADDRESS:+DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS} \
        ${GNOME_SYSTEM_BUS:+DBUS_SYSTEM_BUS_ADDRESS=$GNOME_SYSTEM_BUS} \
        ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0} \
        ${QT_LOGGING_RULES:+QT_LOGGING_RULES=$QT_LOGGING_RULES} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS} \
        ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS}
}

gnome_run() {
    local prefix environment
    read -r -a prefix < <(_sway_user_prefix)
    read -r -a environment < <(_gnome_environment)
    "${prefix[@]}" env -i "${environment[@]}" "$@"
}

gnome_spawn() {
    local log=$1 prefix environment
    shift
    read -r -a prefix < <(_sway_user_prefix)
    read -r -a environment < <(_gnome_environment)
    "${prefix[@]}" env -i "${environment[@]}" "$@" >"$log" 2>&1 &
    gnome_spawned=$!
    GNOME_PIDS+=("$gnome_spawned")
}

# _gnome_bus NAME: a dbus-daemon of the session's user; its address in $GNOME_BUS_ADDRESS.
_gnome_bus() {
    local out=$e2e_tmp/gnome/$1 pid
    gnome_run dbus-daemon --session --fork --print-address=3 --print-pid=4 \
        3>"$out.address" 4>"$out.pid" || return 1
    read -r pid <"$out.pid" && GNOME_PIDS+=("$pid")
    read -r GNOME_BUS_ADDRESS <"$out.address"
}

gnome_start() {
    if ! command -v gnome-shell >/dev/null || ! command -v gjs >/dev/null; then
        echo "SKIP - gnome-shell is not installed (scripts/install-deps installs it)"
        return 77
    fi
    local extensions=$XDG_DATA_HOME/gnome-shell/extensions
    mkdir -p "$e2e_tmp/gnome" "$extensions" "$HOME/.cache"
    cp -r "$GNOME_EXTENSIONS/quorvel@quorvel.org" \
        "$e2e_dir/gnome-test-extension/quorvel-test@quorvel.org" "$extensions/"
    cp "$e2e_dir/gnome_keyboard.py" "$e2e_tmp/gnome/"
    _sway_prepare_user || return 1
    _gnome_bus system && GNOME_SYSTEM_BUS=$GNOME_BUS_ADDRESS &&
        _gnome_bus session && export DBUS_SESSION_BUS_ADDRESS=$GNOME_BUS_ADDRESS || {
        echo "FAIL - the session's buses did not start"
        return 1
    }
    gnome_run gsettings set org.gnome.shell enabled-extensions "['quorvel-test@quorvel.org']"
    export WAYLAND_DISPLAY=wayland-quorvel-e2e
    unset DISPLAY XAUTHORITY
    gnome_spawn "$e2e_tmp/gnome/log" gnome-shell --headless --wayland \
        --virtual-monitor 1280x800 --wayland-display="$WAYLAND_DISPLAY"
    if ! wait_for 30 _gnome_evaluates || ! _gnome_x_display; then
        echo "SKIP - gnome-shell cannot start here; its log:"
        sed 's/^/    /' "$e2e_tmp/gnome/log" | tail -n 20
        gnome_stop
        return 77
    fi
    _gnome_start_keyboard
}

# The Shell runs with the harness extension enabled, out of the overview it starts in.
_gnome_evaluates() {
    gnome_run gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval '!imports.ui.main.overview.visible' | grep -q "'true'"
}

# XWayland's display and its authority file, as mutter set them in the Shell's environment.
_gnome_x_display() {
    DISPLAY=$(_gnome_shell_variable DISPLAY) && XAUTHORITY=$(_gnome_shell_variable XAUTHORITY) &&
        export DISPLAY XAUTHORITY
}

# _gnome_shell_variable NAME: a variable of the Shell's environment; fails when it is unset.
_gnome_shell_variable() {
    local answer
    answer=$(gnome_run gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "imports.gi.GLib.getenv('$1')")
    [[ $answer =~ \'\"(.+)\"\' ]] && echo "${BASH_REMATCH[1]}"
}

_gnome_start_keyboard() {
    local prefix environment ready
    read -r -a prefix < <(_sway_user_prefix)
    read -r -a environment < <(_gnome_environment)
    coproc GNOME_KEYBOARD { "${prefix[@]}" env -i "${environment[@]}" \
        /usr/bin/python3 "$e2e_tmp/gnome/gnome_keyboard.py" 2>&1; }
    GNOME_PIDS+=("$GNOME_KEYBOARD_PID")
    read -r -t 20 -u "${GNOME_KEYBOARD[0]}" ready
    if [ "${ready:-}" != ready ]; then
        echo "FAIL - the session's keyboard did not come: ${ready:-}"
        return 1
    fi
}

# _gnome_keyboard COMMAND: the keyboard's answer to a command.
_gnome_keyboard() {
    local answer
    echo "$*" >&"${GNOME_KEYBOARD[1]}" && read -r -t 10 -u "${GNOME_KEYBOARD[0]}" answer &&
        echo "$answer"
}

gnome_key() {
    [ "$(_gnome_keyboard "$@")" = ok ]
}

gnome_focus() {
    _gnome_keyboard focus
}

gnome_stop() {
    local pid
    # The session's programs first, the buses last; what a bus started for the session (dconf,
    # the Shell's helpers) ends with it.
    for ((i = ${#GNOME_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${GNOME_PIDS[i]}
        pkill -P "$pid" 2>/dev/null
        kill "$pid" 2>/dev/null
    done
    GNOME_PIDS=()
}
