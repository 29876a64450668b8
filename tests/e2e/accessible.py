#!/usr/bin/python3
"""Prints the accessible names of one application's widgets, one per line, as the assistive
technology bus (AT-SPI) shows them. Usage: accessible.py APPLICATION [WAIT_FOR...]: with texts to
wait for, reads again until every one of them is a name (or a part of one), for at most 10 s."""
import sys
import time

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"


def names(application):
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
        dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(address)
    found = []

    def walk(name, path, depth):
        node = bus.get_object(name, path)
        found.append(str(node.Get(ACCESSIBLE, "Name",
                                  dbus_interface="org.freedesktop.DBus.Properties")))
        if depth < 12:
            for child_name, child_path in node.GetChildren(dbus_interface=ACCESSIBLE):
                walk(child_name, child_path, depth + 1)

    root = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    for name, path in root.GetChildren(dbus_interface=ACCESSIBLE):
        # An application that does not answer (a stopped process) is passed over.
        node = bus.get_object(name, path, introspect=False)
        try:
            own = node.Get(ACCESSIBLE, "Name", dbus_interface="org.freedesktop.DBus.Properties",
                           timeout=1)
        except dbus.DBusException:
            continue
        if own == application:
            walk(name, path, 0)
    return found


def main():
    application, wanted = sys.argv[1], sys.argv[2:]
    deadline = time.monotonic() + 10
    while True:
        try:
            found = names(application)
        except dbus.DBusException:
            found = []
        missing = [text for text in wanted if not any(text in name for name in found)]
        if not missing or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    print("\n".join(found))
    for text in missing:
        print("missing: " + text, file=sys.stderr)
    return 1 if missing else 0


sys.exit(main())
