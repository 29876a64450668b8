#!/usr/bin/env bash
# Proves scripts/check-packs reports a difference planted in a copy of a pack: against a small
# LibreOffice registry written here, and against openbox's rc.xml when openbox is installed.
set -euo pipefail
check="$1/scripts/check-packs"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

registry="$tmp/root/usr/lib/libreoffice/share/.registry"
mkdir -p "$registry" "$tmp/packs"
cat >"$registry/main.xcd" <<'XCD'
<?xml version="1.0"?>
<oor:data xmlns:oor="http://openoffice.org/2001/registry">
  <oor:component-data oor:name="Accelerators" oor:package="org.openoffice.Office">
    <node oor:name="PrimaryKeys">
      <node oor:name="Global">
        <node oor:name="A_MOD1"><prop oor:name="Command"><value xml:lang="en-US">.uno:SelectAll</value></prop></node>
        <node oor:name="ADD_MOD1"><prop oor:name="Command"><value xml:lang="en-US">.uno:Zoom</value></prop></node>
      </node>
      <node oor:name="Modules">
        <node oor:name="com.sun.star.presentation.PresentationDocument">
          <node oor:name="F5"><prop oor:name="Command"><value xml:lang="en-US">.uno:Presentation</value></prop></node>
          <node oor:name="A_MOD1"><prop oor:name="Command"/></node>
        </node>
      </node>
    </node>
  </oor:component-data>
  <oor:component-data oor:name="GenericCommands" oor:package="org.openoffice.Office.UI">
    <node oor:name="UserInterface"><node oor:name="Commands">
      <node oor:name=".uno:SelectAll"><prop oor:name="Label"><value xml:lang="en-US">Select ~All</value></prop></node>
      <node oor:name=".uno:Presentation"><prop oor:name="Label"><value xml:lang="en-US">Start from First Slide</value></prop></node>
    </node></node>
  </oor:component-data>
</oor:data>
XCD
pack() { # file, shortcuts
    printf '{ "format": 1, "name": "T", "executables": ["soffice.bin"], "source": "s", %s }\n' "$2" >"$tmp/packs/$1"
}
entry() { printf '{ "keys": "%s", "name": "n", "description": "%s", "scope": "active" }' "$1" "$2"; }
pack libreoffice.json "\"shortcuts\": [ $(entry Ctrl+A 'Select All') ]"
pack libreoffice-impress.json "\"include\": \"libreoffice.json\", \"shortcuts\": [ $(entry F5 'Start from First Slide') ]"
run() { "$check" --root "$tmp/root" --packs "$tmp/packs" "$@"; }

run libreoffice.json libreoffice-impress.json >"$tmp/out" ||
    { cat "$tmp/out"; fail "packs that agree with the registry were reported"; }

# The module's F5 described as another action, and a key the source does not bind.
pack libreoffice-impress.json "\"include\": \"libreoffice.json\", \"shortcuts\": [ $(entry F5 'Navigator'), $(entry Ctrl+M 'New Slide') ]"
if run libreoffice-impress.json >"$tmp/out"; then fail "planted differences passed"; fi
grep -q 'F5 is "Navigator" in the pack, "Start from First Slide" in the source' "$tmp/out" ||
    { cat "$tmp/out"; fail "the wrong F5 was not named"; }
grep -q 'Ctrl+M is in the pack but not in the source' "$tmp/out" ||
    { cat "$tmp/out"; fail "the extra Ctrl+M was not named"; }

# A key the source binds that the pack lacks.
pack libreoffice.json '"shortcuts": []'
if run libreoffice.json >"$tmp/out"; then fail "a missing key passed"; fi
grep -q 'Ctrl+A (Select All) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Ctrl+A not named"; }

checked=2
if [ -f /etc/xdg/openbox/rc.xml ]; then
    "$check" desktop-openbox.json >"$tmp/out" || { cat "$tmp/out"; fail "the shipped openbox pack differs"; }
    sed 's/"Alt+F4"/"Ctrl+Alt+F4"/' "$1/resources/packs/desktop-openbox.json" >"$tmp/packs/desktop-openbox.json"
    if "$check" --packs "$tmp/packs" desktop-openbox.json >"$tmp/out"; then fail "a changed openbox key passed"; fi
    grep -q 'Alt+F4 (Close) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Alt+F4 not named"; }
    checked=3
fi
echo "pack check: $checked planted differences found"
