#!/usr/bin/env bash
# The cheat sheet from the command line, with no X display: a PDF with a page per layer of xev's
# shortcuts and extractable text, and a PNG; an unknown program is refused.
# Usage: cheatsheet_e2e.sh BUILD_DIR.
set -u
source "$(dirname "$0")/lib.sh"

build=$(cd "$1" && pwd)
e2e_isolate
trap 'rm -rf "$e2e_tmp"' EXIT
unset DISPLAY QT_QPA_PLATFORM

check "the shortcut base is written through the program's data layer" \
    env QT_QPA_PLATFORM=offscreen "$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv"
check "a PDF cheat sheet is written without a display" \
    "$build/quorvel" --cheatsheet xev -o "$e2e_tmp/xev.pdf"
# The demo base gives xev three layers: no modifier, Ctrl, Ctrl+Shift.
check "it has a page per layer" test "$(pdfinfo "$e2e_tmp/xev.pdf" | awk '/^Pages:/{print $2}')" = 3
pdftotext "$e2e_tmp/xev.pdf" "$e2e_tmp/xev.txt"
for name in Save Open Copy Paste Cut Undo Redo Help Refresh "Ctrl + Shift + Z"; do
    check "its text holds \"$name\"" grep -q "$name" "$e2e_tmp/xev.txt"
done
check "a Letter-sized PNG is written" \
    "$build/quorvel" --cheatsheet xev -o "$e2e_tmp/xev.png" --page-size letter
check "the PNG is three Letter pages at 150 dpi" \
    test "$(identify -format '%wx%h' "$e2e_tmp/xev.png")" = 1650x3825
check "an unknown program is refused" bash -c "! '$build/quorvel' --cheatsheet none -o '$e2e_tmp/none.pdf'"
check "and nothing is written for it" test ! -e "$e2e_tmp/none.pdf"

e2e_summary
