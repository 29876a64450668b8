#!/usr/bin/python3
"""The keyboard of a GNOME Shell session for end-to-end tests: a remote-desktop session of mutter
(org.gnome.Mutter.RemoteDesktop on the session bus) whose virtual keyboard types what standard
input asks, one command a line, each answered "ok" once mutter took it, else "error ...":
  press KEY, release KEY   KEY one of the names below
  focus                    the focused window's pid and window class ("none" without one), read
                           through the Shell's Eval (the test harness extension opens it)
"""
import sys

import dbus

# Linux evdev key codes, linux/input-event-codes.h: KEY_ESC, KEY_Q, KEY_S, KEY_LEFTCTRL,
# KEY_LEFTMETA.
KEYS = {"Escape": 1, "q": 16, "s": 31, "Control_L": 29, "Super_L": 125}


def main():
    bus = dbus.SessionBus()
    desktop = bus.get_object("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop")
    path = desktop.CreateSession(dbus_interface="org.gnome.Mutter.RemoteDesktop")
    session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                             "org.gnome.Mutter.RemoteDesktop.Session")
    session.Start()
    shell = dbus.Interface(bus.get_object("org.gnome.Shell", "/org/gnome/Shell"),
                           "org.gnome.Shell")
    print("ready", flush=True)
    for line in sys.stdin:
        words = line.split()
        try:
            if len(words) == 2 and words[0] in ("press", "release") and words[1] in KEYS:
                session.NotifyKeyboardKeycode(KEYS[words[1]], words[0] == "press")
                print("ok", flush=True)
            elif words == ["focus"]:
                ok, answer = shell.Eval("(w => w ? `${w.get_pid()} ${w.get_wm_class()}` : 'none')"
                                        "(global.display.focus_window)")
                print(answer.strip('"') if ok else "error " + answer, flush=True)
            else:
                print("error unknown command", flush=True)
        except dbus.DBusException as error:
            print("error", error.get_dbus_name(), flush=True)


main()
