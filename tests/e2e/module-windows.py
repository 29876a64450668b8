#!/usr/bin/python3
"""Fixture windows of one process with the given window classes, as an application whose modules
share one executable (LibreOffice's soffice.bin, Python programs) shows them.
Usage: module-windows.py CLASS:TITLE..."""
import sys
import tkinter

root = None
for number, argument in enumerate(sys.argv[1:]):
    window_class, title = argument.split(":", 1)
    if root is None:
        root = tkinter.Tk(className=window_class)
        window = root
    else:
        window = tkinter.Toplevel(root, class_=window_class)
    window.title(title)
    window.geometry(f"400x300+{40 + 450 * number}+40")
root.mainloop()
