#!/usr/bin/python3
"""Exits 0 when a client holds the keyboard of $DISPLAY grabbed (an open menu takes the keys
so), 1 when none does. Asks by grabbing it: a grab this gets is released at once."""
import ctypes
import sys

GRAB_MODE_ASYNC = 1
ALREADY_GRABBED = 1
CURRENT_TIME = 0

xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                               ctypes.c_int, ctypes.c_ulong]
xlib.XUngrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit(2)
status = xlib.XGrabKeyboard(display, xlib.XDefaultRootWindow(display), 0, GRAB_MODE_ASYNC,
                            GRAB_MODE_ASYNC, CURRENT_TIME)
if status != ALREADY_GRABBED:
    xlib.XUngrabKeyboard(display, CURRENT_TIME)
xlib.XCloseDisplay(display)
sys.exit(0 if status == ALREADY_GRABBED else 1)
