# A virtual X session for end-to-end tests: Xvfb, openbox and trayer (the notification area).
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
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
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

    openbox --sm-disable >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    if ! xsession_wait_for 30 _xsession_wm_running; then
        echo "xsession: openbox did not start" >&2
        xsession_stop
        return 1
    fi

    trayer --edge bottom --align right --widthtype request --height 24 --transparent false \
        --SetDockType true --SetPartialStrut true >/dev/null 2>&1 &
    XSESSION_PIDS+=("$!")
    if ! xsession_wait_for 30 _xsession_tray_running; then
        echo "xsession: trayer did not start" >&2
        xsession_stop
        return 1
    fi
}

xsession_screenshot()
{
    import -window root "$1"
}

xsession_stop()
{
    local i
    for ((i = ${#XSESSION_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${XSESSION_PIDS[i]}" 2>/dev/null
        wait "${XSESSION_PIDS[i]}" 2>/dev/null
    done
    XSESSION_PIDS=()
}
