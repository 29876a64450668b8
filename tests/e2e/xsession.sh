# A virtual X session for end-to-end tests: Xvfb, a window manager (openbox unless XSESSION_WM
# names fluxbox, i3, icewm, mutter, awesome, bspwm, herbstluftwm, jwm, metacity, marco, kwin_x11
# or xfwm4) and trayer (the notification area; none when XSESSION_TRAY=0); XSESSION_DPI sets the
# screen's dots per inch and the Xft.dpi resource (Xvfb's default when unset). The window managers
# that keep their settings behind D-Bus (mutter, metacity, marco, kwin_x11, xfwm4) get a private
# session bus, exported as DBUS_SESSION_BUS_ADDRESS; IceWM keeps the Windows keys for the program
# unless XSESSION_ICEWM_WIN95KEYS=1 leaves them to IceWM, as its default does.
# Source this file, then:
#   xsession_start              start the session; exports DISPLAY
#   xsession_screenshot FILE    write the whole screen as a PNG
#   xsession_stop               kill exactly the processes xsession_start started, by pid
# Helpers: xsession_wait_for TIMEOUT_SECONDS COMMAND... polls until the command succeeds.

XSESSION_PIDS=()

xsession_wait_for()
{
    local timeout=$1
    shift
    local deadline=$((SECONDS + timeout))
    until "$@" >/dev/null 2>&1; do
        if ((SECONDS >= deadline)); then
            return 1
        fi
        sleep 0.1
    done
}

_xsession_wm_running()
{
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'
}

_xsession_tray_running()
{
    xdotool search --onlyvisible --class trayer | grep -q .
}

xsession_start()
{
    # Xvfb picks a free display number itself and writes it to the file: no race with other
    # sessions starting at the same time.
    local numberFile
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1920x1080x24 ${XSESSION_DPI:+-dpi "$XSESSION_DPI"} -nolisten tcp \
        3>"$numberFile" >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    if ! xsession_wait_for 30 test -s "$numberFile"; then
        echo "xsession: Xvfb did not start" >&2
        rm -f "$numberFile"
        xsession_stop
        return 1
    fi
    export DISPLAY=":$(head -n 1 "$numberFile")"
    rm -f "$numberFile"
    if ! xsession_wait_for 30 xdpyinfo; then
        echo "xsession: Xvfb on $DISPLAY does not answer" >&2
        xsession_stop
        return 1
    fi
    # Qt would otherwise choose a D-Bus tray that has no X window.
    unset DBUS_SESSION_BUS_ADDRESS
    case ${XSESSION_WM:-openbox} in
    mutter | metacity | marco | kwin_x11 | xfwm4)
        if ! _xsession_start_bus; then
            xsession_stop
            return 1
        fi
        ;;
    esac

    # Under load a window manager may die while starting and trayer may lose its first map
    # request to a window manager that is still starting: a helper that does not come up is
    # started again.
    local wm
    read -r -a wm < <(_xsession_wm_command "${XSESSION_WM:-openbox}")
    if ! _xsession_launch "${wm[0]}" _xsession_wm_running "${wm[@]}"; then
        xsession_stop
        return 1
    fi
    # Qt takes the dpi from the Xft.dpi resource, as desktops set it. Set while the window manager
    # is connected: the server clears its resources when its last client leaves.
    if [ -n "${XSESSION_DPI:-}" ]; then
        echo "Xft.dpi: $XSESSION_DPI" | xrdb -nocpp -merge
    fi
    if [ "${XSESSION_TRAY:-1}" = 0 ]; then
        return 0
    fi
    if ! _xsession_launch trayer _xsession_tray_running trayer --edge bottom --align right \
        --widthtype request --height 24 --transparent false --SetDockType true \
        --SetPartialStrut true; then
        xsession_stop
        return 1
    fi
}

# _xsession_start_bus: a private session bus, ended with the session.
_xsession_start_bus()
{
    local address pid
    { read -r address && read -r pid; } < <(dbus-daemon --session --fork --print-address=1 \
        --print-pid=1 2>/dev/null)
    if [ -z "${pid:-}" ]; then
        echo "xsession: no session bus" >&2
        return 1
    fi
    XSESSION_PIDS+=("$pid")
    export DBUS_SESSION_BUS_ADDRESS=$address
}

# _xsession_wm_command NAME: the command line that starts the window manager with its defaults,
# but for what it needs to start unattended (no wallpaper, no wizard) and the Windows keys IceWM
# would take.
_xsession_wm_command()
{
    local config=${XDG_CONFIG_HOME:-$HOME/.config}/xsession-wm
    case $1 in
    openbox) echo openbox --sm-disable ;;
    fluxbox)
        # Its own first-start setting of a wallpaper opens a message box under Xvfb.
        mkdir -p "$config"
        printf 'session.screen0.rootCommand: true\n' >"$config/fluxbox-init"
        echo fluxbox -rc "$config/fluxbox-init"
        ;;
    i3)
        # i3 without a configuration runs its first-start wizard.
        mkdir -p "$config"
        printf 'font pango:monospace 8\nfloating_modifier Mod1\n' >"$config/i3"
        echo i3 -c "$config/i3"
        ;;
    icewm)
        # Win95Keys=1 (the default) takes the Windows keys for IceWM's own menu.
        mkdir -p "$config/icewm"
        printf 'Win95Keys=%s\nTaskBarAutoHide=0\n' "${XSESSION_ICEWM_WIN95KEYS:-0}" \
            >"$config/icewm/preferences"
        echo env ICEWM_PRIVCFG="$config/icewm" icewm
        ;;
    mutter) echo mutter --x11 --replace ;;
    *) echo "$1" ;;
    esac
}

# _xsession_launch NAME CHECK COMMAND...: starts the command until CHECK succeeds (3 tries).
_xsession_launch()
{
    local name=$1 check=$2
    shift 2
    local attempt
    for attempt in 1 2 3; do
        "$@" >/dev/null 2>&1 &
        local pid=$!
        if xsession_wait_for 10 "$check"; then
            XSESSION_PIDS+=("$pid")
            return 0
        fi
        _xsession_end "$pid"
    done
    echo "xsession: $name did not start" >&2
    return 1
}

xsession_screenshot()
{
    import -window root "$1"
}

xsession_stop()
{
    local i
    for ((i = ${#XSESSION_PIDS[@]} - 1; i >= 0; i--)); do
        _xsession_end "${XSESSION_PIDS[i]}"
    done
    XSESSION_PIDS=()
}

# _xsession_end PID: asks the process to end, and ends it if it has not within 5 seconds.
_xsession_end()
{
    kill "$1" 2>/dev/null
    xsession_wait_for 5 bash -c "! kill -0 $1 2>/dev/null" || kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
