# A KWin session for end-to-end tests: KWin's virtual backend (QPainter compositing, one 1280x800
# output) on a session bus of its own, where KWin owns org.kde.KWin and org.kde.kglobalaccel and
# the desktop portal with KDE's backend starts on demand (XDG_CURRENT_DESKTOP=KDE in the bus's
# environment). The packaged kwin_wayland carries a file capability a container refuses to exec:
# a copy without it runs, under a name that still ends in kwin_wayland. Like sway's session, run
# as root it belongs to the unprivileged test user. Desktop entries in the test's data folder grant
# KWin's fake input to Quorvel (its own entry, naming the build's executable) and to the session's
# keyboard (quorvel_wayland_keyboard), which types through it. Source after e2e_isolate and
# swaysession.sh, whose sway_run, sway_spawn, sway_key and sway_stop run, type in and end the
# session, then:
#   kwin_start             start the session in $e2e_tmp; exports WAYLAND_DISPLAY and
#                          DBUS_SESSION_BUS_ADDRESS; 77 when kwin_wayland is missing or cannot
#                          start here
#   kwin_call DEST PATH INTERFACE.METHOD ARGS...  a method call on the session's bus (dbus-send)
#   kwin_probe FILE        a KWin script of the test's own, loaded and run; what it prints goes
#                          to KWin's log, $e2e_tmp/kwin/log

kwin_start() {
    local kwin
    kwin=$(command -v kwin_wayland) || {
        echo "SKIP - kwin_wayland is not installed (scripts/install-deps installs it)"
        return 77
    }
    _sway_prepare_user || return 1
    mkdir -p "$e2e_tmp/kwin" "$XDG_DATA_HOME/applications"
    cp "$kwin" "$e2e_tmp/kwin/kwin_wayland"
    sed "s|@QUORVEL_COMMAND@|$build/quorvel|" "$e2e_dir/../../resources/org.quorvel.Quorvel.desktop.in" \
        >"$XDG_DATA_HOME/applications/org.quorvel.Quorvel.desktop"
    printf '%s\n' '[Desktop Entry]' Type=Application Name=quorvel-e2e-keyboard \
        "Exec=$build/tests/e2e/quorvel_wayland_keyboard" \
        X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input \
        >"$XDG_DATA_HOME/applications/quorvel-e2e-keyboard.desktop"
    [ "$(id -u)" -eq 0 ] && chown -R "$SWAY_USER:$SWAY_USER" "$XDG_DATA_HOME"
    [ "$(id -u)" -eq 0 ] && chown -R "$SWAY_USER:$SWAY_USER" "$e2e_tmp/kwin"
    export WAYLAND_DISPLAY=quorvel-kwin DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
    local prefix
    read -r -a prefix < <(_sway_user_prefix)
    "${prefix[@]}" env -i HOME="$HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" PATH="$PATH" \
        XDG_CONFIG_HOME="$XDG_CONFIG_HOME" XDG_DATA_HOME="$XDG_DATA_HOME" \
        WAYLAND_DISPLAY="$WAYLAND_DISPLAY" QT_QPA_PLATFORM=wayland XDG_CURRENT_DESKTOP=KDE \
        dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" \
        >"$e2e_tmp/kwin/bus.log" 2>&1 &
    SWAY_PIDS+=("$!")
    if ! wait_for 10 test -S "$XDG_RUNTIME_DIR/bus"; then
        echo "FAIL - the session bus did not start"
        return 1
    fi
    sway_spawn "$e2e_tmp/kwin/log" env KWIN_COMPOSE=Q "$e2e_tmp/kwin/kwin_wayland" --virtual \
        --socket "$WAYLAND_DISPLAY" --width 1280 --height 800 --no-lockscreen
    if ! wait_for 20 _kwin_up "$sway_spawned"; then
        echo "SKIP - KWin cannot start here; its log:"
        sed 's/^/    /' "$e2e_tmp/kwin/log" | tail -n 20
        sway_stop
        return 77
    fi
    _sway_start_keyboard true
}

_kwin_up() {
    kill -0 "$1" && [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] &&
        kwin_call org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner string:org.kde.KWin
}

kwin_call() {
    local destination=$1 path=$2 method=$3
    shift 3
    sway_run dbus-send --session --print-reply --dest="$destination" "$path" "$method" "$@"
}

kwin_probe() {
    local id
    id=$(kwin_call org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript string:"$1" \
        string:quorvel-e2e-probe | awk '/int32/ { print $2 }')
    [ -n "$id" ] && [ "$id" -ge 0 ] && kwin_call org.kde.KWin "/$id" org.kde.kwin.Script.run >/dev/null
}
