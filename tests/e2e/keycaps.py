#!/usr/bin/python3
"""The overlay's keys against the X keyboard layout in effect, read over AT-SPI (names and
extents of Quorvel's key widgets) and from `xmodmap -pke`.

SHAPE is the keyboard's shape, ANSI or ISO: the keys of the layout file marked for the other one
are not drawn.

keycaps.py check LAYOUT_FILE SHAPE [GROUP]: for every letter, digit and punctuation key of the layout
file, the key drawn at its place is named by what the X key there types: the letter or digit
without Shift (a digit with Shift where the key types it so), upper case, else the character
without Shift; with GROUP (1-based) a non-Latin group, its own character follows after a space.
Prints each mismatch and fails with any.

keycaps.py find LAYOUT_FILE SHAPE SHORT_NAME: prints "x y keycode label" for the key that shows the
shortcut SHORT_NAME: the middle of its widget on the screen, the X key code at its place and what
its cap shows.

keycaps.py sent XEV_LOG KEYCODE LABEL: xev logged a press of the X key with Ctrl held, and the
keysym it reports is one the label shows."""
import ctypes
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
COMPONENT = "org.a11y.atspi.Component"

# X key codes of the US positions the layout file names by their Windows codes.
POSITIONS = {0xC0: 49, 0xBD: 20, 0xBB: 21, 0xDB: 34, 0xDD: 35, 0xDC: 51, 0xBA: 47, 0xDE: 48,
             0xBC: 59, 0xBE: 60, 0xBF: 61, 0xE2: 94}
POSITIONS.update({ord(c): 10 + i for i, c in enumerate("1234567890")})
POSITIONS.update({ord(c): 24 + i for i, c in enumerate("QWERTYUIOP")})
POSITIONS.update({ord(c): 38 + i for i, c in enumerate("ASDFGHJKL")})
POSITIONS.update({ord(c): 52 + i for i, c in enumerate("ZXCVBNM")})

# Dead keys type nothing by themselves: a key cap shows their accent.
DEAD = {"dead_grave": "`", "dead_acute": "´", "dead_circumflex": "^", "dead_tilde": "~",
        "dead_diaeresis": "¨", "dead_cedilla": "¸", "dead_caron": "ˇ"}

xkb = ctypes.cdll.LoadLibrary("libxkbcommon.so.0")
xkb.xkb_keysym_from_name.restype = ctypes.c_uint32
xkb.xkb_keysym_to_upper.restype = ctypes.c_uint32


def character(name, upper=True):
    if name in DEAD:
        return DEAD[name]
    sym = xkb.xkb_keysym_from_name(name.encode(), 0)
    if upper and name != "ssharp":
        sym = xkb.xkb_keysym_to_upper(sym)
    text = ctypes.create_string_buffer(16)
    size = xkb.xkb_keysym_to_utf8(sym, text, 16)
    return text.value.decode() if size > 1 else ""


def keymap():
    """X key code -> keysym names: group 1 without and with Shift, group 2 likewise."""
    table = {}
    for line in subprocess.run(["xmodmap", "-pke"], capture_output=True, text=True,
                               check=True).stdout.splitlines():
        match = re.match(r"keycode\s+(\d+) =\s*(.*)", line)
        if match:
            table[int(match.group(1))] = match.group(2).split()
    return table


def expected(syms, group):
    def at(index):
        return syms[index] if index < len(syms) else "NoSymbol"
    plain, shifted = at(0), at(1)
    if len(plain) == 1 and plain.isalpha():
        label = plain.upper()
    elif shifted.isdigit() and not plain.isdigit():
        label = shifted
    else:
        label = character(plain)
    if group == 2:
        own = character(at(2))
        if own and own != label:
            label += " " + own
    return label


def widgets():
    """(name, x, y, width, height) of each of Quorvel's widgets."""
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
        dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(address)
    found = []

    def walk(name, path, depth):
        node = bus.get_object(name, path)
        label = str(node.Get(ACCESSIBLE, "Name", dbus_interface="org.freedesktop.DBus.Properties"))
        try:
            x, y, w, h = node.GetExtents(dbus.UInt32(0), dbus_interface=COMPONENT)
            found.append((label, int(x), int(y), int(w), int(h)))
        except dbus.DBusException:
            pass
        if depth < 12:
            for child_name, child_path in node.GetChildren(dbus_interface=ACCESSIBLE):
                walk(child_name, child_path, depth + 1)

    root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
        node = bus.get_object(name, path)
        if node.Get(ACCESSIBLE, "Name", dbus_interface="org.freedesktop.DBus.Properties") == "quorvel":
            walk(name, path, 0)
    return found


def keys(layout_file, shape):
    """Each key widget with the X key code at its place: (name, centre x, centre y, keycode)."""
    places = []
    for element in ElementTree.parse(layout_file).getroot():
        code = int(element.get("KeyCode"))
        if code in POSITIONS and element.get("Shape", shape) == shape:
            places.append((code, int(element.get("Left")) + int(element.get("Width")) / 2,
                           int(element.get("Top")) + int(element.get("Height")) / 2))
    found = widgets()
    # The overlay: the widest widget; the layout file is drawn at its width / 1566.
    _, left, top, width, _ = max(found, key=lambda widget: widget[3])
    scale = width / 1566
    result = []
    for code, cx, cy in places:
        x, y = left + cx * scale, top + cy * scale
        inside = [w for w in found if w[1] <= x < w[1] + w[3] and w[2] <= y < w[2] + w[4]
                  and w[3] < width / 4]
        if inside:
            smallest = min(inside, key=lambda w: w[3] * w[4])
            result.append((smallest[0], int(x), int(y), POSITIONS[code]))
        else:
            result.append((None, int(x), int(y), POSITIONS[code]))
    return result


def check(layout_file, shape, group):
    table = keymap()
    failures = 0
    for name, _, _, keycode in keys(layout_file, shape):
        label = (name or "").split(": ")[0]
        want = expected(table.get(keycode, []), group)
        if label != want:
            print(f"X key {keycode}: drawn {label!r}, the layout types {want!r}")
            failures += 1
    return 1 if failures else 0


def find(layout_file, shape, short_name):
    for name, x, y, keycode in keys(layout_file, shape):
        if name and name.endswith(": " + short_name):
            print(x, y, keycode, name.split(": ")[0].replace(" ", "|"))
            return 0
    print(f"no key shows {short_name!r}", file=sys.stderr)
    return 1


def sent(log, keycode, label):
    pattern = re.compile(r"state 0x([0-9a-f]+), keycode (\d+) \(keysym 0x[0-9a-f]+, ([^)]+)\)")
    text = open(log, encoding="utf-8", errors="replace").read()
    presses = [m for event in text.split("KeyPress event")[1:]
               for m in [pattern.search(event)] if m and int(m.group(2)) == keycode]
    shown = label.split("|")
    for press in presses:
        if int(press.group(1), 16) & 4 and character(press.group(3)) in shown:
            return 0
    print(f"xev: {[(p.group(1), p.group(3)) for p in presses]}, the key shows {shown}")
    return 1


def main():
    if sys.argv[1] == "check":
        return check(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    if sys.argv[1] == "sent":
        return sent(sys.argv[2], int(sys.argv[3]), sys.argv[4])
    return find(sys.argv[2], sys.argv[3], sys.argv[4])


sys.exit(main())
