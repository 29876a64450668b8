#!/usr/bin/env bash
# The layer check must catch what it is there for: a tree of one planted file breaking a rule
# fails, a tree of one file keeping the rules passes, and the source tree itself passes.
set -euo pipefail
source_root=$1
check="$source_root/scripts/check-layers"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$check" "$source_root" >/dev/null

plant() { # plant FILE LINE: a tree of FILE holding LINE alone
    rm -rf "$work/src"
    mkdir -p "$work/src/$(dirname "$1")"
    printf '%s\n' "$2" >"$work/src/$1"
}
refused() { # refused FILE LINE REASON: the check fails on it and tells REASON
    plant "$1" "$2"
    local said
    if said=$("$check" "$work" 2>&1); then
        echo "not caught: $2 in $1"
        exit 1
    fi
    if [[ $said != *"$3"* ]]; then
        echo "caught for another reason than \"$3\": $2 in $1: $said"
        exit 1
    fi
    echo "caught: $2 in $1"
}
allowed() { # allowed FILE LINE: the check passes on it
    plant "$1" "$2"
    if ! "$check" "$work" >/dev/null 2>&1; then
        echo "refused wrongly: $2 in $1"
        exit 1
    fi
}

# A header of a higher layer, at each step of the order.
refused util/Paths.cpp '#include "framework/DataSet.h"' \
    "lies above"
refused framework/Timer.cpp '#include "services/Translation.h"' \
    "lies above"
refused services/Translation.cpp '#include "desktop/Settings.h"' \
    "lies above"
refused desktop/Settings.cpp '#include "keys/KeyCodes.h"' \
    "lies above"
refused keys/KeyCodes.cpp '#include "database/Registry.h"' \
    "lies above"
refused database/ShortCut.cpp '#include "packs/ShortcutPack.h"' \
    "lies above"
refused packs/FirstRun.cpp '#include "windows/Processes.h"' \
    "lies above"
refused windows/Window.cpp '#include "keyboard/Key.h"' \
    "lies above"
refused keyboard/Key.cpp '#include "editor/DBEditor.h"' \
    "lies above"
refused editor/DBEditor.cpp '#include "shell/MainForm.h"' \
    "lies above"
allowed shell/MainForm.cpp '#include "editor/DBEditor.h"'
allowed keyboard/Key.cpp '#include "keys/KeyCodes.h"'
allowed packs/FirstRun.cpp '#include "desktop/DesktopEntries.h"'
refused live/GtkMenus.cpp '#include "keyboard/Key.h"' \
    "lies above"
allowed live/GtkMenus.cpp '#include "windows/Processes.h"'

# Qt Widgets in every layer below the key widgets, by either name; the key widgets may use them.
for layer in platform util framework services desktop keys database packs windows live; do
    refused "$layer/Planted.cpp" '#include <QWidget>' \
        "lies below the widgets"
    refused "$layer/Planted.h" '#include <QtWidgets/QLabel>' \
        "lies below the widgets"
done
allowed keyboard/Key.h '#include <QWidget>'
allowed editor/DBEditor.h '#include <QtWidgets/QLabel>'

# X11 only in the X11 backend; the Linux platform uses nothing above util and the shared part no
# backend; their headers only there and in the executable's entry files.
refused database/ShortCut.cpp '#include <X11/Xlib.h>' \
    "only src/platform/x11 may include X11"
refused platform/linux/KeyMapping.cpp '#include <X11/Xlib.h>' \
    "only src/platform/x11 may include X11"
allowed platform/x11/XConnection.cpp '#include <X11/Xlib.h>'
refused platform/linux/LinuxSystem.cpp '#include "platform/x11/X11Platform.h"' \
    "the shared Linux platform uses no backend"
allowed platform/x11/X11Platform.cpp '#include "platform/linux/LinuxSystem.h"'
refused shell/MainForm.cpp '#include "platform/x11/X11Platform.h"' \
    "only the executable's entry files and the Linux platform use it"
allowed shell/main.cpp '#include "platform/x11/X11Platform.h"'
refused platform/linux/KeyTable.cpp '#include "framework/Timer.h"' \
    "may use only the platform interface and util"
allowed platform/linux/KeyTable.cpp '#include "util/Paths.h"'
refused keys/KeyCodes.cpp '#include "platform/linux/KeyTable.h"' \
    "only the executable's entry files and the Linux platform use it"
allowed shell/main.cpp '#include "platform/linux/KeyTable.h"'
allowed shell/Launcher.cpp '#include "platform/linux/InstanceChannel.h"'

# Every file lies in a known layer.
refused elsewhere/Stray.cpp '#include <string>' \
    "not in a known layer"
echo "the layer check caught every planted include"
