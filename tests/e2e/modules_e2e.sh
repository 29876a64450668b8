#!/usr/bin/env bash
# Programs told apart by their windows' classes: a Writer and an Impress window of one process show
# their own F5, and two python3 programs show their own F9. Usage: modules_e2e.sh BUILD_DIR.
# Screenshots: QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"

entry() { printf '{ "keys": "%s", "name": "%s", "description": "%s", "scope": "active" }' "$1" "$2" "$2"; }
program() { # name executable class shortcut
    printf '{ "name": "%s", "executables": ["%s"], "windowClasses": ["%s"], "shortcuts": [ %s ] }' \
        "$1" "$2" "$3" "$4"
}
cat >"$e2e_tmp/modules.json" <<JSON
{ "format": 1, "programs": [
  $(program Writer soffice.bin libreoffice-writer "$(entry F5 'Navigator')"),
  $(program Impress soffice.bin libreoffice-impress "$(entry F5 'Slide show')"),
  $(program Meld meld meld "$(entry F9 'Compare files')"),
  $(program Tweaks gnome-tweaks gnome-tweaks "$(entry F9 'Refresh tweaks')")
] }
JSON
check "the programs are imported" \
    env -u DBUS_SESSION_BUS_ADDRESS "$build/quorvel" --import "$e2e_tmp/modules.json"

# The assistive-technology bus the accessible names travel on, on a session bus of the test's own.
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 |
    paste -sd ' ')
e2e_pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS=$bus_address QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

"$e2e_dir/module-windows.py" libreoffice-writer:writer-fixture \
    libreoffice-impress:impress-fixture &
e2e_pids+=($!)
"$e2e_dir/module-windows.py" meld:meld-fixture &
e2e_pids+=($!)
"$e2e_dir/module-windows.py" gnome-tweaks:tweaks-fixture &
e2e_pids+=($!)
for title in writer-fixture impress-fixture meld-fixture tweaks-fixture; do
    wait_for 15 xdotool search --name "^$title\$" >/dev/null
done

"$build/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
e2e_pids+=($!)
wait_for 15 tray_icon_embedded

# shows_over TITLE WANTED UNWANTED: Super+Q over the window shows WANTED on its key, not
# UNWANTED; Esc hides the overlay again.
shows_over() {
    local window ok=0
    window=$(xdotool search --name "^$1\$" | head -n 1)
    xdotool windowactivate --sync "$window" 2>/dev/null
    xdotool keydown super keydown q sleep 0.1 keyup q keyup super
    wait_for 10 overlay_visible || return 1
    "$e2e_dir/accessible.py" quorvel "$2" >"$e2e_tmp/names.txt" || ok=1
    grep -q "$3" "$e2e_tmp/names.txt" && { echo "     also shown: $3"; ok=1; }
    shot "modules-$1"
    xdotool keydown Escape sleep 0.1 keyup Escape
    wait_for 5 overlay_hidden || ok=1
    return $ok
}

check "over Writer's window F5 is Writer's" shows_over writer-fixture Navigator 'Slide show'
check "over Impress's window of the same process F5 is Impress's" \
    shows_over impress-fixture 'Slide show' Navigator
check "over one python3 program F9 is its own" shows_over meld-fixture 'Compare files' 'Refresh tweaks'
check "over another python3 program F9 is its own" \
    shows_over tweaks-fixture 'Refresh tweaks' 'Compare files'

e2e_summary
