#!/usr/bin/env bash
# Proves scripts/check-packs reports a difference planted in a copy of a pack: against a small
# LibreOffice registry, a GTK program's shortcuts window in a GResource bundle, builder files with
# accelerators, accelerators a binary's code holds, GSettings schemas with an override, Krita's action files,
# mpv's input.conf, calibre's actions and Blender's keymap script, all written here, and against openbox's rc.xml when openbox is installed.
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
        <node oor:name="com.sun.star.sheet.SpreadsheetDocument">
          <node oor:name="F5"><prop oor:name="Command"><value xml:lang="en-US">.uno:Navigator</value></prop></node>
        </node>
      </node>
    </node>
  </oor:component-data>
  <oor:component-data oor:name="GenericCommands" oor:package="org.openoffice.Office.UI">
    <node oor:name="UserInterface"><node oor:name="Commands">
      <node oor:name=".uno:SelectAll"><prop oor:name="Label"><value xml:lang="en-US">Select ~All</value></prop></node>
    </node></node>
  </oor:component-data>
  <oor:component-data oor:name="DrawImpressCommands" oor:package="org.openoffice.Office.UI">
    <node oor:name="UserInterface"><node oor:name="Commands">
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

# Calc's keys are in the shared registry, its labels in its own package: without that package the
# Calc pack is not checked against the generic labels.
pack libreoffice-calc.json "\"include\": \"libreoffice.json\", \"shortcuts\": [ $(entry F5 'Navigator') ]"
run libreoffice-calc.json >"$tmp/out" || { cat "$tmp/out"; fail "a module without its labels was checked"; }
grep -q 'libreoffice-calc.json: source not installed' "$tmp/out" ||
    { cat "$tmp/out"; fail "a module without its labels was not skipped"; }


# A shortcuts window inside a GResource bundle, as Meld ships it.
mkdir -p "$tmp/meld/gtk" "$tmp/root/usr/share/meld"
cat >"$tmp/meld/gtk/help-overlay.ui" <<'UI'
<interface>
  <object class="GtkShortcutsWindow" id="help_overlay">
    <child><object class="GtkShortcutsSection"><child><object class="GtkShortcutsGroup">
      <child><object class="GtkShortcutsShortcut">
        <property name="accelerator">&lt;primary&gt;N</property>
        <property name="title" translatable="yes">New comparison</property>
      </object></child>
      <child><object class="GtkShortcutsShortcut">
        <property name="accelerator">&lt;alt&gt;1...3 &lt;primary&gt;plus</property>
        <property name="title" translatable="yes">Switch to tab</property>
      </object></child>
    </object></child></object></child>
  </object>
</interface>
UI
cat >"$tmp/meld/bundle.xml" <<'XML'
<gresources><gresource prefix="/org/gnome/meld"><file>gtk/help-overlay.ui</file></gresource></gresources>
XML
glib-compile-resources --sourcedir="$tmp/meld" --target="$tmp/root/usr/share/meld/org.gnome.Meld.gresource" \
    "$tmp/meld/bundle.xml"
meld() { printf '{ "format": 1, "name": "Meld", "executables": ["meld"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/meld.json"; }
tabs="$(entry Alt+1 'Switch to tab 1'), $(entry Alt+2 'Switch to tab 2'), $(entry Alt+3 'Switch to tab 3'), $(entry Ctrl++ 'Switch to tab')"
meld "$(entry Ctrl+N 'New comparison'), $tabs"
run meld.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with its shortcuts window was reported"; }
meld "$(entry Ctrl+N 'Close comparison'), $tabs, $(entry Ctrl+Shift+N 'New window')"
if run meld.json >"$tmp/out"; then fail "planted differences in a GTK pack passed"; fi
grep -q 'Ctrl+N is "Close comparison" in the pack, "New comparison" in the source' "$tmp/out" ||
    { cat "$tmp/out"; fail "the wrong Ctrl+N was not named"; }
grep -q 'Ctrl+Shift+N is in the pack but not in the source' "$tmp/out" ||
    { cat "$tmp/out"; fail "the extra Ctrl+Shift+N was not named"; }
meld "$(entry Ctrl+N 'New comparison'), $(entry Alt+1 'Switch to tab 1'), $(entry Alt+3 'Switch to tab 3'), $(entry Ctrl++ 'Switch to tab')"
if run meld.json >"$tmp/out"; then fail "a missing key of a range passed"; fi
grep -q 'Alt+2 (Switch to tab) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Alt+2 not named"; }

# Builder files: a widget's accelerator (Galculator's menus), a menu item's accel in a resource
# and accelerators the code sets, found as strings in the same binary (Rhythmbox).
mkdir -p "$tmp/root/usr/share/galculator/ui" "$tmp/rb/ui" "$tmp/root/usr/lib/x86_64-linux-gnu"
cat >"$tmp/root/usr/share/galculator/ui/main_frame.ui" <<'UI'
<interface><object class="GtkMenuItem" id="quit"><property name="label">gtk-quit</property>
  <accelerator key="q" signal="activate" modifiers="GDK_CONTROL_MASK"/></object>
<object class="GtkMenuItem" id="rpn"><property name="label">_Reverse Polish</property>
  <accelerator key="N" signal="activate" modifiers="GDK_CONTROL_MASK | GDK_SHIFT_MASK"/></object></interface>
UI
galculator() { printf '{ "format": 1, "name": "G", "executables": ["galculator"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/galculator.json"; }
galculator "$(entry Ctrl+Q 'Quit'), $(entry Ctrl+Shift+N 'Reverse Polish')"
run galculator.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with its menus was reported"; }
galculator "$(entry Ctrl+Q 'Quit'), $(entry Ctrl+N 'Reverse Polish')"
if run galculator.json >"$tmp/out"; then fail "a menu accelerator without its Shift passed"; fi
grep -q 'Ctrl+Shift+N (Reverse Polish) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Ctrl+Shift+N not named"; }
for ui in app-menu edit-menu library-toolbar playlist-toolbar podcast-toolbar queue-toolbar; do
    echo '<interface><menu id="m"/></interface>' >"$tmp/rb/ui/$ui.ui"
done
cat >"$tmp/rb/ui/app-menu.ui" <<'UI'
<interface><menu id="app-menu"><section><item>
  <attribute name="label" translatable="yes">Side Pane</attribute><attribute name="accel">F9</attribute>
</item></section></menu></interface>
UI
printf '<gresources><gresource prefix="/org/gnome/Rhythmbox">%s</gresource></gresources>\n' \
    "$(for f in "$tmp"/rb/ui/*.ui; do printf '<file>ui/%s</file>' "$(basename "$f")"; done)" >"$tmp/rb/bundle.xml"
library="$tmp/root/usr/lib/x86_64-linux-gnu/librhythmbox-core.so.10.0.0"
rhythmbox_library() { # the accelerator texts its code holds
    glib-compile-resources --sourcedir="$tmp/rb" --target="$library" "$tmp/rb/bundle.xml"
    printf '\0%s' "$@" >>"$library"
}
rhythmbox() { printf '{ "format": 1, "name": "R", "executables": ["rhythmbox"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/rhythmbox.json"; }
code="<Ctrl>p <Ctrl>r <Ctrl>u <Ctrl>Left <Ctrl>Right <Ctrl>Up <Ctrl>Down <Ctrl>j <Primary>q"
rhythmbox_library $code
rhythmbox "$(entry F9 'Side Pane'), $(entry Ctrl+P 'Play / pause'), $(entry Ctrl+R 'Repeat'), $(entry Ctrl+U 'Shuffle'), $(entry Ctrl+Left 'Previous track'), $(entry Ctrl+Right 'Next track'), $(entry Ctrl+Up 'Volume up'), $(entry Ctrl+Down 'Volume down'), $(entry Ctrl+J 'Jump to playing song'), $(entry Ctrl+Q 'Quit')"
run rhythmbox.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with its menus and code was reported"; }
rhythmbox_library ${code/<Ctrl>u/}
if run rhythmbox.json >"$tmp/out" 2>&1; then fail "an accelerator the binary does not hold passed"; fi
grep -q 'the code binds no <Ctrl>u' "$tmp/out" || { cat "$tmp/out"; fail "the missing <Ctrl>u was not named"; }

# GSettings schemas and an override for one desktop, as Budgie's bindings are set.
schemas="$tmp/root/usr/share/glib-2.0/schemas"
mkdir -p "$schemas"
schema() { # file, id, keys
    printf '<schemalist><schema id="%s" path="/x/">%s</schema></schemalist>\n' "$2" "$3" >"$schemas/$1"
}
key() { printf '<key name="%s" type="as"><default><![CDATA[%s]]></default><summary>%s</summary></key>' "$@"; }
schema org.gnome.desktop.wm.keybindings.gschema.xml org.gnome.desktop.wm.keybindings \
    "$(key close "['<Alt>F4']" 'Close window')$(key switch-input-source "['<Super>space']" 'Switch input source')$(key panel-main-menu "['<Alt>F1']" 'DEPRECATED: ignored')"
schema org.gnome.mutter.gschema.xml org.gnome.mutter.keybindings "$(key toggle-tiled-left "['<Super>Left']" 'View split on left')"
schema com.solus-project.budgie.wm.gschema.xml com.solus-project.budgie-wm "$(key toggle-raven "['<Super>A']" 'Toggle Raven')"
cat >"$schemas/20_budgie.gschema.override" <<'OVERRIDE'
[org.gnome.desktop.wm.keybindings:Budgie]
switch-input-source = ['<Super>i']
[org.gnome.desktop.wm.keybindings:GNOME]
close = ['<Super>q']
OVERRIDE
budgie() { printf '{ "format": 1, "desktop": ["Budgie"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/desktop-budgie.json"; }
global() { entry "$@" | sed 's/"active"/"global"/'; }
budgie "$(global Alt+F4 'Close window'), $(global Super+I 'Switch input source'), $(global Super+Left 'View split on left'), $(global Super+A 'Toggle Raven')"
run desktop-budgie.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with its schemas was reported"; }
budgie "$(global Alt+F4 'Close window'), $(global Super+Space 'Switch input source'), $(global Super+Left 'View split on left'), $(global Super+A 'Toggle Raven')"
if run desktop-budgie.json >"$tmp/out"; then fail "a binding the desktop's override replaces passed"; fi
grep -q 'Super+I (Switch input source) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Super+I not named"; }
grep -q 'Super+Space is in the pack but not in the source' "$tmp/out" || { cat "$tmp/out"; fail "Super+Space not named"; }

# Krita's action files: the main window's action names a key before a tool's, a chord is no
# combination, and a character key is named by its character.
actions="$tmp/root/usr/share/krita/actions"
mkdir -p "$actions"
action() { printf '<Action name="%s"><text>%s</text><shortcut>%s</shortcut></Action>' "$1" "$2" "$3"; }
printf '<ActionCollection><Actions category="File">%s%s%s</Actions></ActionCollection>\n' \
    "$(action file_new '&amp;New...' Ctrl+N)" "$(action zoom 'Zoom In' 'Ctrl++; Ctrl+=')" \
    "$(action chord 'Chord' 'Ctrl+K, Ctrl+S')" >"$actions/kritamenu.action"
printf '<ActionCollection><Actions category="Text">%s%s</Actions></ActionCollection>\n' \
    "$(action normal 'Normal' Ctrl+N)" "$(action smaller 'Smaller' 'Ctrl+&lt;')" >"$actions/SvgTextTool.action"
krita() { printf '{ "format": 1, "name": "Krita", "executables": ["krita"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/krita.json"; }
krita "$(entry Ctrl+N 'New'), $(entry Ctrl++ 'Zoom In'), $(entry Ctrl+= 'Zoom In'), $(entry 'Ctrl+<' 'Smaller')"
run krita.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with Krita's actions was reported"; }
krita "$(entry Ctrl+N 'Normal'), $(entry Ctrl++ 'Zoom In'), $(entry 'Ctrl+<' 'Smaller'), $(entry Ctrl+K 'Chord')"
if run krita.json >"$tmp/out"; then fail "planted Krita differences passed"; fi
grep -q 'Ctrl+= (Zoom In) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Krita's Ctrl+= not named"; }
grep -q 'Ctrl+K is in the pack but not in the source' "$tmp/out" || { cat "$tmp/out"; fail "a chord was read as Ctrl+K"; }

# mpv's input.conf: an upper-case letter is the letter with Shift, a section's binding and a
# mouse button are left out.
mkdir -p "$tmp/root/usr/share/doc/mpv"
gzip -c >"$tmp/root/usr/share/doc/mpv/input.conf.gz" <<'CONF'
# a comment
#MBTN_LEFT_DBL cycle fullscreen    # toggle fullscreen
#q quit
#Q quit-watch-later                     # exit and remember the playback position
#q {encode} quit 4
#Ctrl+RIGHT  no-osd sub-seek  1         # seek to the next subtitle
#SHARP cycle audio                      # switch audio track
CONF
mpv() { printf '{ "format": 1, "name": "mpv", "executables": ["mpv"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/mpv.json"; }
mpv "$(entry Q 'Quit'), $(entry Shift+Q 'Quit and remember'), $(entry Ctrl+Right 'Next subtitle'), $(entry '#' 'Audio track')"
run mpv.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with mpv's input.conf was reported"; }
mpv "$(entry Q 'Quit'), $(entry Ctrl+Right 'Next subtitle'), $(entry '#' 'Audio track'), $(entry F 'Full screen')"
if run mpv.json >"$tmp/out"; then fail "planted mpv differences passed"; fi
grep -q 'Shift+Q (exit and remember the playback position) is not in the pack' "$tmp/out" ||
    { cat "$tmp/out"; fail "mpv's Shift+Q not named"; }
grep -q 'F is in the pack but not in the source' "$tmp/out" || { cat "$tmp/out"; fail "the extra F not named"; }

# calibre's actions: the shortcut of an action_spec (the branch for systems other than macOS) and
# of a menu action its code creates.
mkdir -p "$tmp/root/usr/lib/calibre/calibre/gui2/actions"
cat >"$tmp/root/usr/lib/calibre/calibre/gui2/actions/delete.py" <<'PY'
class DeleteAction(InterfaceAction):
    action_spec = (_('Remove books'), 'remove_books.png', _('Delete books'), 'Backspace' if ismacos else 'Del')
    def genesis(self):
        self.create_menu_action(self.menu, 'merge', _('Merge book records'), shortcut=_('M'))
        self.create_menu_action(self.menu, 'plain', _('No shortcut'))
PY
calibre() { printf '{ "format": 1, "name": "calibre", "executables": ["calibre"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/calibre.json"; }
calibre "$(entry Delete 'Remove books'), $(entry M 'Merge book records')"
run calibre.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with calibre's actions was reported"; }
calibre "$(entry Backspace 'Remove books'), $(entry M 'Merge book records')"
if run calibre.json >"$tmp/out"; then fail "calibre's macOS key passed"; fi
grep -q 'Delete (Remove books) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "calibre's Delete not named"; }
grep -q 'Backspace is in the pack but not in the source' "$tmp/out" || { cat "$tmp/out"; fail "the macOS Backspace not named"; }

# Blender's window keymaps, as its keymap script builds them for the preset's preferences: a key
# press with modifiers, a menu named by its id, and neither a mouse event nor another editor's
# keymap nor a binding of the Space action the preset does not choose.
keymaps="$tmp/root/usr/share/blender/scripts/presets/keyconfig/keymap_data"
mkdir -p "$keymaps"
cat >"$keymaps/blender_default.py" <<'PY'
class Params:
    def __init__(self, spacebar_action='TOOL', **_):
        self.spacebar_action = spacebar_action
def generate_keymaps(params=None):
    space = ("screen.animation_play", {"type": 'SPACE', "value": 'PRESS'}, None)
    tool = ("wm.toolbar", {"type": 'SPACE', "value": 'PRESS'}, None)
    return [
        ("Window", {"space_type": 'EMPTY'}, {"items": [
            ("wm.save_mainfile", {"type": 'S', "value": 'PRESS', "ctrl": True}, None),
            ("wm.call_menu", {"type": 'N', "value": 'PRESS', "ctrl": True},
             {"properties": [("name", 'TOPBAR_MT_file_new')]}),
            ("view3d.select", {"type": 'LEFTMOUSE', "value": 'PRESS'}, None),
        ]}),
        ("Frames", {"space_type": 'EMPTY'}, {"items": [space if params.spacebar_action == 'PLAY' else tool]}),
        ("3D View", {"space_type": 'VIEW_3D'}, {"items": [
            ("view3d.view_all", {"type": 'HOME', "value": 'PRESS'}, None),
        ]}),
    ]
PY
blender() { printf '{ "format": 1, "name": "Blender", "executables": ["blender"], "source": "s", "shortcuts": [ %s ] }\n' "$1" >"$tmp/packs/blender.json"; }
blender "$(entry Ctrl+S 'Save (wm.save_mainfile)'), $(entry Ctrl+N 'New (TOPBAR_MT_file_new)'), $(entry Space 'Play (screen.animation_play)')"
run blender.json >"$tmp/out" || { cat "$tmp/out"; fail "a pack that agrees with Blender's keymaps was reported"; }
blender "$(entry Ctrl+S 'Save (wm.save_mainfile)'), $(entry Ctrl+N 'New (TOPBAR_MT_file_new)'), $(entry Space 'Toolbar (wm.toolbar)'), $(entry Home 'Frame all (view3d.view_all)')"
if run blender.json >"$tmp/out"; then fail "planted differences in Blender's pack passed"; fi
grep -q 'Space is "Toolbar (wm.toolbar)" in the pack, "screen.animation_play" in the source' "$tmp/out" ||
    { cat "$tmp/out"; fail "Blender's Space of the other preference not named"; }
grep -q 'Home is in the pack but not in the source' "$tmp/out" ||
    { cat "$tmp/out"; fail "a key of another editor's keymap not named"; }

checked=11
if [ -f /etc/xdg/openbox/rc.xml ]; then
    "$check" desktop-openbox.json >"$tmp/out" || { cat "$tmp/out"; fail "the shipped openbox pack differs"; }
    sed 's/"Alt+F4"/"Ctrl+Alt+F4"/' "$1/resources/packs/desktop-openbox.json" >"$tmp/packs/desktop-openbox.json"
    if "$check" --packs "$tmp/packs" desktop-openbox.json >"$tmp/out"; then fail "a changed openbox key passed"; fi
    grep -q 'Alt+F4 (Close) is not in the pack' "$tmp/out" || { cat "$tmp/out"; fail "Alt+F4 not named"; }
    checked=12
fi
echo "pack check: $checked planted differences found"
