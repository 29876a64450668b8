#!/usr/bin/env bash
# The trigger on desktops whose window manager takes the Windows key. Under mutter (with its
# settings on a private session bus) the overlay key is detected, the GNOME custom keybinding is
# written and removed through gsettings beside a binding of the user's own, and the command it
# holds shows the overlay (GNOME Shell, which runs such commands, needs a system bus and cannot
# run here: the test runs the command as it would). Under IceWM with Win95Keys=1 the user is told
# which trigger to use, and that trigger works. A first start, with each window manager's
# defaults, sets up a trigger that works. Usage: desktop_e2e.sh BUILD_DIR
set -u
source "$(dirname "$0")/lib.sh"
build_arg=$1

list_schema=org.gnome.settings-daemon.plugins.media-keys
path=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings
entry="$list_schema.custom-keybinding:$path/quorvel/"
users="$list_schema.custom-keybinding:$path/custom0/"

settings() { # settings TRIGGER DESKTOP_SHORTCUT
    printf '[General]\nTrigger=%s\nDesktopShortcut=%s\nStartAtLogin=false\n' "$1" "$2" \
        >"$XDG_CONFIG_HOME/quorvel/quorvel.conf"
}
start_quorvel() {
    "$build/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
    quorvel=$!
    e2e_pids+=($quorvel)
}
stop_quorvel() {
    kill "$quorvel"
    wait "$quorvel" 2>/dev/null
}
listed() { gsettings get $list_schema custom-keybindings | grep -q "$path/quorvel/"; }
unlisted() { ! listed; }
logged() { grep -q -- "$1" "$e2e_tmp/quorvel.log"; }

echo "# mutter"
export XSESSION_WM=mutter XSESSION_TRAY=0
e2e_begin "$build_arg"
"$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null
check "mutter's overlay key is Super_L" test "$(gsettings get org.gnome.mutter overlay-key)" = "'Super_L'"
# A custom keybinding of the user's own, which must stay.
gsettings set "$users" name 'Terminal'
gsettings set "$users" command 'xterm'
gsettings set "$users" binding '<Control><Alt>t'
gsettings set $list_schema custom-keybindings "['$path/custom0/']"

start_quorvel
check "the overlay key is detected and the user told" wait_for 10 logged "GNOME takes the Win key"
stop_quorvel

settings '<Super>q' true
start_quorvel
check "the GNOME custom keybinding is listed" wait_for 10 listed
check "the user's own keybinding is still listed" bash -c \
    "gsettings get $list_schema custom-keybindings | grep -q '$path/custom0/'"
check "it is bound to <Super>q" test "$(gsettings get "$entry" binding)" = "'<Super>q'"
check "it is named Quorvel" test "$(gsettings get "$entry" name)" = "'Quorvel'"
command=$(gsettings get "$entry" command)
command=${command:1:${#command}-2}
check "it runs quorvel --show" test "$command" = "$build/quorvel --show"
# GNOME runs the command on Super+Q.
eval "$command" >/dev/null 2>&1 &
check "the command shows the overlay" wait_for 10 overlay_visible
shot desktop-mutter
stop_quorvel

settings '<Super>q' false
start_quorvel
check "turned off, the keybinding is removed" wait_for 10 unlisted
binding_reset() { test "$(gsettings get "$entry" binding)" = "''"; }
check "and its keys are reset" wait_for 10 binding_reset
check "the user's own keybinding is untouched" bash -c \
    "gsettings get $list_schema custom-keybindings | grep -q '$path/custom0/' &&
     test \"\$(gsettings get '$users' binding)\" = \"'<Control><Alt>t'\""
stop_quorvel

# A first start: GNOME is given the default trigger as its own keybinding at once.
rm -f "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
start_quorvel
check "a first start registers the GNOME keybinding" wait_for 10 listed
check "bound to <Super>q" test "$(gsettings get "$entry" binding)" = "'<Super>q'"
saved() { grep -q "$1" "$XDG_CONFIG_HOME/quorvel/quorvel.conf"; }
check "and keeps it in the settings" wait_for 10 saved 'DesktopShortcut=true'
command=$(gsettings get "$entry" command)
eval "${command:1:${#command}-2}" >/dev/null 2>&1 &
check "whose command shows the overlay" wait_for 10 overlay_visible
stop_quorvel
e2e_end
e2e_pids=()
trap - EXIT

echo "# icewm"
export XSESSION_WM=icewm XSESSION_ICEWM_WIN95KEYS=1
e2e_begin "$build_arg"
"$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null
export ICEWM_PRIVCFG=$XDG_CONFIG_HOME/xsession-wm/icewm
start_quorvel
check "Win95Keys=1 is detected and the user told to use Ctrl + Alt + Q" \
    wait_for 10 logged "IceWM takes the Win key.*Ctrl + Alt + Q"
stop_quorvel

# The grab is there once the program has started: pressed until the overlay shows.
show_with_ctrl_alt_q() {
    local attempt
    for attempt in 1 2 3 4 5; do
        xdotool keydown ctrl keydown alt sleep 0.05 keydown q sleep 0.1 keyup q keyup alt keyup ctrl
        wait_for 3 overlay_visible && return 0
    done
    return 1
}
settings '<Control><Alt>q' false
start_quorvel
check "the trigger it names shows the overlay" show_with_ctrl_alt_q
shot desktop-icewm
stop_quorvel

# A first start with IceWM's defaults takes a trigger IceWM leaves alone.
rm -f "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
start_quorvel
check "a first start under IceWM chooses Ctrl + Alt + Q" \
    wait_for 10 grep -q 'Trigger=<Control><Alt>q' "$XDG_CONFIG_HOME/quorvel/quorvel.conf"
check "which shows the overlay" show_with_ctrl_alt_q
stop_quorvel

e2e_summary
