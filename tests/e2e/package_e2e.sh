#!/usr/bin/env bash
# The Debian package: scripts/build-deb makes it from the optimised build; its control fields and
# dependencies are as they should be, lintian finds no error, and unpacked into a temporary root
# (never installed on this machine) it runs: Super+Q shows the overlay, the English catalogue is
# found in the locale folder, and --show from a second process shows the overlay too.
# Usage: package_e2e.sh BUILD_DIR SOURCE_DIR
set -u
source "$(dirname "$0")/lib.sh"
build_arg=$1
source_dir=$2

deb=$("$source_dir/scripts/build-deb" "$build_arg")
check "the package is built" test -f "$deb"
version=$(awk -F'"' '/QUORVEL_FILE_VERSION/{print $2}' \
    "$build_arg/src/services/generated/services/Version.h")
check "it is named quorvel_<version>_amd64.deb" test "$(basename "$deb")" = "quorvel_${version}_amd64.deb"

field() { dpkg-deb -f "$deb" "$1"; }
check "control: package, version, architecture" test \
    "$(field Package) $(field Version) $(field Architecture)" = "quorvel $version amd64"
check "control: section and homepage" test "$(field Section) $(field Homepage)" = \
    "utils https://quorvel.org"
check "control: a description" bash -c "dpkg-deb -I '$deb' | grep -q '^ Description: keyboard shortcut reminder' &&
    test \$(dpkg-deb -f '$deb' Description | wc -l) -gt 3"
depends=$(field Depends)
for library in libc6 libqt6widgets6 libqt6network6 libx11-6 libxtst6 libxres1 libpugixml1v5 \
    libsqlite3-0 libjpeg62-turbo qt6-qpa-plugins; do
    check "depends on $library" bash -c "grep -q '\\b$library\\b' <<<'$depends'"
done

lintian --tag-display-limit 0 "$deb" >"$build_arg/lintian.log" 2>&1
check "lintian finds no error" bash -c "! grep -q '^E:' '$build_arg/lintian.log'"
grep '^[EW]:' "$build_arg/lintian.log" | sed 's/^/     /'

e2e_begin "$build_arg"
root=$e2e_tmp/root
dpkg-deb -x "$deb" "$root"
check "usr/bin/quorvel leads to usr/lib/quorvel/quorvel" \
    test "$(readlink "$root/usr/bin/quorvel")" = "../lib/quorvel/quorvel"
for file in usr/lib/quorvel/quorvel-program.so usr/lib/quorvel/keyimages.xml \
    usr/share/locale/en/LC_MESSAGES/quorvel.mo \
    usr/share/man/man1/quorvel.1.gz usr/share/icons/hicolor/scalable/apps/quorvel.svg \
    usr/share/icons/hicolor/16x16/apps/quorvel.png usr/share/icons/hicolor/256x256/apps/quorvel.png \
    usr/share/doc/quorvel/copyright \
    usr/share/gnome-shell/extensions/quorvel@quorvel.org/metadata.json \
    usr/share/gnome-shell/extensions/quorvel@quorvel.org/extension.js \
    usr/share/gnome-shell/extensions/quorvel@quorvel.org/service.js \
    usr/share/gnome-shell/extensions/quorvel@quorvel.org/shell.js; do
    check "holds $file" test -s "$root/$file"
done
check "the desktop entry is valid" desktop-file-validate "$root/usr/share/applications/org.quorvel.Quorvel.desktop"
check "the AppStream metainfo is valid" appstreamcli validate --no-net \
    "$root/usr/share/metainfo/org.quorvel.Quorvel.metainfo.xml"
check "the English catalogue is found" bash -c "'$root/usr/bin/quorvel' --help | grep -q '^Usage: quorvel'"

"$build/tests/e2e/quorvel_seed_base" "$e2e_dir/demo-base.tsv" >/dev/null
"$root/usr/bin/quorvel" >"$e2e_tmp/quorvel.log" 2>&1 &
e2e_pids+=($!)
check "the tray icon is embedded" wait_for 15 tray_icon_embedded
show_with_super_q() {
    local attempt
    for attempt in 1 2 3 4 5; do
        xdotool keydown super sleep 0.05 keydown q sleep 0.1 keyup q keyup super
        wait_for 3 overlay_visible && return 0
    done
    return 1
}
check "Super+Q shows the overlay" show_with_super_q
# The keyboard is drawn: far more than the silver of an empty overlay.
colours() { import -window "$(overlay_window)" "$e2e_tmp/overlay.png" && convert "$e2e_tmp/overlay.png" -format %k info:; }
check "with its keyboard" test "$(colours)" -gt 20
shot package-overlay
xdotool keydown Escape sleep 0.1 keyup Escape
check "Esc hides it" wait_for 5 overlay_hidden
"$root/usr/bin/quorvel" --show
check "--show from a second process shows it" wait_for 10 overlay_visible

e2e_summary
