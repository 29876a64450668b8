#!/usr/bin/env bash
# The layer check must catch what it is there for: a copy of the tree with one planted include
# of each kind fails, and the tree itself passes.
set -euo pipefail
source_root=$1
check="$source_root/scripts/check-layers"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$check" "$source_root" >/dev/null

plant() { # plant FILE LINE: a tree of FILE alone with LINE added must fail the check
    rm -rf "$work/src"
    mkdir -p "$work/src/$(dirname "$1")"
    cp "$source_root/src/$1" "$work/src/$1"
    "$check" "$work" >/dev/null 2>&1 || { echo "refused before planting: $1"; exit 1; }
    printf '%s\n' "$2" >>"$work/src/$1"
    if "$check" "$work" >/dev/null 2>&1; then
        echo "not caught: $2 in $1"
        exit 1
    fi
    echo "caught: $2 in $1"
}

plant keys/KeyCodes.cpp '#include "database/Registry.h"'
plant framework/Timer.cpp '#include "services/Translation.h"'
plant util/Text.cpp '#include <QWidget>'
plant services/Translation.cpp '#include <QtWidgets/QLabel>'
plant database/ShortCut.cpp '#include <X11/Xlib.h>'
plant keys/Key.cpp '#include "platform/linux/KeyTable.h"'
plant platform/linux/KeyTable.cpp '#include "keys/KeyCodes.h"'
echo "the layer check caught every planted include"
