#!/usr/bin/python3
"""Reads one application's widgets as the assistive technology bus (AT-SPI) shows them.
Usage:
  accessible.py APPLICATION [WAIT_FOR...]: prints the accessible names, one per line; with texts
    to wait for, reads again until every one of them is a name (or a part of one), for at most 10 s.
  accessible.py --describe APPLICATION NAME: prints the role of the widget named NAME and, when it
    is checked, the word checked (waiting for it as above).
  accessible.py --press APPLICATION NAME [STATE]: does the Press action of the widget named NAME;
    with a STATE (checked), waits at most 5 s for the widget to announce that state's change and
    prints it ("checked 1")."""
import sys
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

ACCESSIBLE = "org.a11y.atspi.Accessible"
PROPERTIES = "org.freedesktop.DBus.Properties"
# ATSPI_STATE_CHECKED of AtspiStateType (at-spi2-core atspi/atspi-constants.h, 2.46).
CHECKED = 4


def accessibility_bus():
    """A connection to the accessibility bus, waiting at most 10 s for the bus to come up."""
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    deadline = time.monotonic() + 10
    while True:
        try:
            address = dbus.SessionBus().get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
                dbus_interface="org.a11y.Bus")
            return dbus.bus.BusConnection(address)
        except dbus.DBusException:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def widgets(bus, application):
    """(accessible name, node) of every widget of the application."""
    found = []

    def walk(name, path, depth):
        node = bus.get_object(name, path)
        found.append((str(node.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES)), node))
        if depth < 12:
            for child_name, child_path in node.GetChildren(dbus_interface=ACCESSIBLE):
                walk(child_name, child_path, depth + 1)

    root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
        # An application that does not answer (a stopped process) is passed over.
        node = bus.get_object(name, path, introspect=False)
        try:
            own = node.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES, timeout=1)
        except dbus.DBusException:
            continue
        if own == application:
            walk(name, path, 0)
    return found


def read_until(bus, application, done):
    """The widgets once done(widgets) holds, or after 10 s."""
    deadline = time.monotonic() + 10
    while True:
        try:
            found = widgets(bus, application)
        except dbus.DBusException:
            found = []
        if done(found) or time.monotonic() > deadline:
            return found
        time.sleep(0.1)


def named(bus, application, name):
    for own, node in read_until(bus, application, lambda found: any(n == name for n, _ in found)):
        if own == name:
            return node
    print("missing: " + name, file=sys.stderr)
    return None


def describe(node):
    words = [str(node.GetRoleName(dbus_interface=ACCESSIBLE))]
    if int(node.GetState(dbus_interface=ACCESSIBLE)[0]) & 1 << CHECKED:
        words.append("checked")
    print(" ".join(words))


def press(bus, node, state):
    actions = node.GetActions(dbus_interface="org.a11y.atspi.Action")
    names = [str(action[0]) for action in actions]
    if "Press" not in names:
        print("no Press action: " + ", ".join(names), file=sys.stderr)
        return 1
    announced = []
    if state:
        # Toolkits send the events some listener registered for.
        registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/registry")
        registry.RegisterEvent("object:state-changed", dbus.Array([], signature="s"), "",
                               dbus_interface="org.a11y.atspi.Registry")
        loop = GLib.MainLoop()

        def changed(name, value, *_, path):
            if name == state and path == node.object_path:
                announced.append(f"{name} {value}")
                loop.quit()
        bus.add_signal_receiver(changed, signal_name="StateChanged", path_keyword="path",
                                dbus_interface="org.a11y.atspi.Event.Object")
    node.DoAction(names.index("Press"), dbus_interface="org.a11y.atspi.Action")
    if not state:
        return 0
    GLib.timeout_add(5000, loop.quit)
    loop.run()
    print("\n".join(announced))
    return 0 if announced else 1


def main():
    bus = accessibility_bus()
    if sys.argv[1] in ("--describe", "--press"):
        node = named(bus, sys.argv[2], sys.argv[3])
        if node is None:
            return 1
        if sys.argv[1] == "--press":
            return press(bus, node, sys.argv[4] if len(sys.argv) > 4 else None)
        describe(node)
        return 0
    application, wanted = sys.argv[1], sys.argv[2:]
    found = [name for name, _ in read_until(bus, application, lambda found: all(
        any(text in name for name, _ in found) for text in wanted))]
    missing = [text for text in wanted if not any(text in name for name in found)]
    print("\n".join(found))
    for text in missing:
        print("missing: " + text, file=sys.stderr)
    return 1 if missing else 0


sys.exit(main())
