#!/usr/bin/env bash
# The program in every language of its catalogues, as the user's environment asks for it: the
# tray menu, the editor, the settings window, the About box and the overlay carry the language's
# texts; Russian keeps the source texts; a locale without a catalogue, and none at all, get
# English. Usage: languages_e2e.sh BUILD_DIR. Screenshots (at the session's XSESSION_DPI):
# QUORVEL_E2E_SHOTS=DIR.
set -u
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
"$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null

xev -geometry 600x400+40+40 -name xev-target >/dev/null &
e2e_pids+=($!)
wait_for 10 xdotool search --name '^xev-target$' >/dev/null
target=$(xdotool search --name '^xev-target$' | head -n 1)

# translated LANGUAGE TEXT: the text in that language, from the catalogues the build laid out.
translated() {
    LANG=C.UTF-8 LANGUAGE=$1 TEXTDOMAINDIR=$build gettext quorvel "$2"
}

titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
shown() { [ -n "$(titled "$1")" ]; }
gone() { [ -z "$(titled "$1")" ]; }

# press KEYS...: holds each combination about 100 ms.
press() {
    local combo
    for combo in "$@"; do
        xdotool keydown "$combo" sleep 0.1 keyup "$combo" sleep 0.1
    done
}


# menu_item N: opens the tray menu and chooses its Nth item.
menu_item() {
    open_tray_menu "$quorvel"
    shot "$language-menu"
    press $(printf 'Down %.0s' $(seq "$1")) Return
}

active() { window_active "$(titled "$1")"; }
# opens NAME TITLE: a window titled TITLE is shown; once it has the keys, shot.
opens() {
    check "$language: the $1 is titled “$2”" wait_for 10 shown "$2"
    wait_for 5 active "$2"
    shot "$language-$1"
}

close_window() {
    xdotool windowactivate --sync "$(titled "$1")" key alt+F4 2>/dev/null
    wait_for 5 gone "$1"
}

# The editor with a program, then a shortcut, then the application chooser.
editor_tour() {
    local title chooser
    title=$(translated "$expected" "Редактирование сочетаний клавиш")
    chooser=$(translated "$expected" "Выбор приложения")
    menu_item 2
    opens editor "$title"
    press ctrl+n
    shot "$language-editor-shortcut"
    press ctrl+shift+n Tab Tab Tab Tab space
    opens chooser "$chooser"
    press Escape
    wait_for 5 gone "$chooser"
    close_window "$title"
}

# window_in NAME ITEM TITLE: the menu's ITEM opens a window titled TITLE; shot, then closed.
window_in() {
    menu_item "$2"
    opens "$1" "$3"
    close_window "$3"
}

# run_in LANGUAGE_NAME EXPECTED_LANGUAGE [VARIABLE=VALUE...]: Quorvel started in that
# environment shows its windows in the expected language.
run_in() {
    language=$1
    expected=$2
    shift 2
    env -u LANG -u LANGUAGE -u LC_ALL -u LC_MESSAGES "$@" "$build/quorvel" \
        >"$e2e_tmp/quorvel-$language.log" 2>&1 &
    quorvel=$!
    e2e_pids+=($quorvel)
    check "$language: Quorvel starts" wait_for 15 tray_icon_embedded

    xdotool windowactivate --sync "$target" 2>/dev/null
    xdotool key super+q
    check "$language: Super+Q shows the overlay" wait_for 10 overlay_visible
    wait_for 5 overlay_active
    shot "$language-overlay"
    xdotool keydown Escape sleep 0.1 keyup Escape
    wait_for 5 overlay_hidden

    editor_tour
    window_in settings 4 "$(translated "$expected" "Настройки Quorvel")"
    window_in about 6 "$(translated "$expected" "О программе")"

    kill "$quorvel"
    wait "$quorvel" 2>/dev/null
    wait_for 5 eval '[ -z "$(tray_icon_window)" ]'
}

for language in de fr es pt_BR uk; do
    run_in "$language" "$language" LANG=C.UTF-8 LANGUAGE="$language"
done
run_in ru ru LANG=C.UTF-8 LANGUAGE=ru
run_in no-catalogue en LANG=C.UTF-8 LANGUAGE=ja
run_in no-locale en

e2e_summary
