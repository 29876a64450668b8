#!/usr/bin/env bash
# Live shortcuts over real applications: a GTK 3 menu bar (exported on the session bus), one made
# of widgets and a Qt 6 menu bar (seen on the accessibility bus only; Qt's mnemonics left out) and
# a GTK 4 shortcuts window (compiled into the executable) are read when their windows come
# forward, kept in the cache readable by the user alone, and shown under the base (which wins on the same keys); xterm gives none; no label
# reaches the log and the global menu registrar's name stays free. After a restart the cache
# serves a fixture that is frozen (its read given up), and a changed executable drops its cache.
# Usage: live_e2e.sh BUILD_DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
e2e_session_bus
# The accessibility registry up before the fixtures start, as on a desktop: Qt registers its
# application with a registry that runs, and a first call to the registry starts it.
"$e2e_dir/accessible.py" quorvel >/dev/null
export XDG_CACHE_HOME=$e2e_tmp/cache
cache=$XDG_CACHE_HOME/quorvel/live
fixtures=$build/tests/live
# A copy of the menu fixture, so that the test can change its executable.
cp "$fixtures/live_gtk3_menu_fixture" "$e2e_tmp/menu-fixture"
printf 'menu-fixture\tnormal\t17+83\tWrite\tWrite the file\n' >"$e2e_tmp/base.tsv"
check "the shortcut base is written through the program's data layer" \
    "$build/tests/e2e/quorvel_seed_base" "$e2e_tmp/base.tsv"

"$e2e_tmp/menu-fixture" menu-fixture >/dev/null 2>&1 &
menu_fixture=$!
e2e_pids+=("$menu_fixture")
"$fixtures/live_gtk3_menu_fixture" widget-fixture --widgets >/dev/null 2>&1 &
e2e_pids+=($!)
"$fixtures/live_gtk4_fixture" gtk4-fixture >/dev/null 2>&1 &
e2e_pids+=($!)
"$fixtures/live_qt_menu_fixture" qt-fixture >/dev/null 2>&1 &
e2e_pids+=($!)
xterm -title xterm-target &
e2e_pids+=($!)
for title in menu-fixture widget-fixture gtk4-fixture qt-fixture xterm-target; do
    wait_for 15 xdotool search --name "^$title\$" >/dev/null
done
window_of() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }

start_quorvel() {
    QT_LOGGING_RULES=quorvel.live.info=true "$build/quorvel" >>"$e2e_tmp/quorvel.log" 2>&1 &
    quorvel=$!
    e2e_pids+=("$quorvel")
    wait_for 15 tray_icon_embedded
}
activate() {
    xdotool windowactivate "$(window_of "$1")" 2>/dev/null
    wait_for 5 window_active "$(window_of "$1")"
}
cache_holds() { grep -qF -- "$1" "$cache"/*.json 2>/dev/null; }
show_over() {
    activate "$1" && xdotool key super+q && wait_for 10 overlay_visible && wait_for 5 overlay_active
}
hide_overlay() {
    xdotool keydown Escape sleep 0.1 keyup Escape
    wait_for 5 overlay_hidden
}
logged() { grep -qF -- "$1" "$e2e_tmp/quorvel.log"; }

start_quorvel
check "the tray icon is embedded" true
activate menu-fixture
check "the GTK 3 menu bar is read into the cache" wait_for 10 cache_holds "Upper Case"
menu_cache=$(grep -lF "Upper Case" "$cache"/*.json)
check "the cache file is the user's alone" [ "$(stat -c %a "$menu_cache")" = 600 ]
check "it holds the menu's four shortcuts, the disabled one too, and nothing else" \
    [ "$(grep -o '"accelerator"' "$menu_cache" | wc -l)" = 4 ]
check "an item without a shortcut is not kept" eval '! grep -q Preferences "$menu_cache"'
check "no mnemonic is kept" eval '! grep -q "_Open\|_File" "$menu_cache"'
check "Super+Q over the menu fixture shows the overlay" show_over menu-fixture
check "with Ctrl held the menu's shortcuts are on their keys, the base's Ctrl+S wins" \
    names_while_held ctrl "O: Open…" "Z: Undo" "S: Write"
check "with Ctrl+Shift held Upper Case is on U" names_while_held ctrl+shift "U: Upper Case"
check "with Ctrl+O held the description line says where the shortcut was found" \
    names_while_held ctrl+o "from the menu File › Open…"
hide_overlay

activate widget-fixture
check "the menu bar of widgets is read over the accessibility bus" \
    wait_for 10 eval '[ "$(grep -lF "Upper Case" "$cache"/*.json | wc -l)" = 2 ]'
widget_cache=$(grep -lF "Upper Case" "$cache"/*.json | grep -v "$menu_cache")
check "it holds the four shortcuts, the disabled one too, no mnemonic" \
    eval '[ "$(grep -o "\"accelerator\"" "$widget_cache" | wc -l)" = 4 ] &&
        ! grep -q "Preferences\|_Open" "$widget_cache"'
check "Super+Q over it shows its shortcuts" show_over widget-fixture
check "with Ctrl held they are on their keys" names_while_held ctrl "O: Open…" "Z: Undo" "S: Save"
hide_overlay

activate gtk4-fixture
check "the GTK 4 shortcuts window is read into the cache" wait_for 10 cache_holds "Open a document"
check "Super+Q over the GTK 4 fixture shows its shortcuts" show_over gtk4-fixture
check "with Ctrl held its shortcuts are on their keys" \
    names_while_held ctrl "O: Open a document" "Z: Undo"
hide_overlay

activate qt-fixture
check "the Qt menu bar is read over the accessibility bus" wait_for 10 cache_holds "Jump to Line"
qt_cache=$(grep -lF "Jump to Line" "$cache"/*.json)
# shortcuts FILE: the cached shortcuts, each as ACCELERATOR=MENU/ITEM, sorted, joined by ";".
shortcuts() {
    /usr/bin/python3 -c 'import json, sys
print(";".join(sorted(s["accelerator"] + "=" + "/".join(s["path"])
                      for s in json.load(open(sys.argv[1]))["shortcuts"])))' "$1"
}
qt_shortcuts="Alt+G=Search/Jump to Line;Ctrl+O=File/Open…;Ctrl+S=File/Save"
qt_shortcuts+=";Ctrl+Shift+U=Edit/Capitalize;Ctrl+Z=Edit/Undo"
check "it holds the five shortcuts with their menus, the disabled one and Alt+G too, no mnemonic" \
    [ "$(shortcuts "$qt_cache")" = "$qt_shortcuts" ]
check "Super+Q over it shows its shortcuts" show_over qt-fixture
check "with Ctrl held they are on their keys" \
    names_while_held ctrl "O: Open…" "Z: Undo" "S: Save"
check "with Alt held Jump to Line is on G, and no menu's mnemonic is on a key" \
    eval 'names_while_held alt "G: Jump to Line" &&
        ! grep -qx "F: File\|E: Edit\|S: Search\|P: Preferences" "$e2e_tmp/held.txt"'
hide_overlay

activate xterm-target
check "xterm is read and gives nothing" wait_for 10 logged "xterm: 0 shortcuts from menus, 0 from shortcuts windows, 0 from"
check "nothing is cached for it" [ "$(ls "$cache" | wc -l)" = 4 ]
registrar_free() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:com.canonical.AppMenu.Registrar |
        grep -q 'boolean false'
}
check "the global menu registrar's name is not owned" registrar_free
check "the log holds no label of a fixture" \
    eval '! grep -q -e "Upper Case" -e "Open a document" -e "Open…" -e "Capitalize" \
        "$e2e_tmp/quorvel.log"'

# A restart, with the menu fixture frozen: the cache serves it, the read is given up.
kill "$quorvel"
wait_for 10 process_gone "$quorvel"
kill -STOP "$menu_fixture"
start_quorvel
check "Super+Q over the frozen fixture shows the overlay" show_over menu-fixture
check "its shortcuts come from the cache" names_while_held ctrl "O: Open…" "S: Write"
check "the read of the frozen fixture is given up within the budget" \
    wait_for 3 logged "menu-fixture: 0 shortcuts from menus, 0 from shortcuts windows, 0 from"
check "a given-up read is said so" logged "(given up)"
hide_overlay

# The executable changes: what the cache held of the old one is dropped.
touch "$e2e_tmp/menu-fixture"
activate xterm-target
activate menu-fixture
check "the cache of the old executable is dropped" wait_for 10 eval '[ ! -e "$menu_cache" ]'
check "Super+Q shows the overlay" show_over menu-fixture
check "without the old build's shortcuts" names_while_held ctrl "S: Write"
check "Open is gone from the keys" eval '! grep -qF "O: Open…" "$e2e_tmp/held.txt"'
hide_overlay
kill -CONT "$menu_fixture"

e2e_summary
