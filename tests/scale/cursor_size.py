#!/usr/bin/env python3
"""Prints the size of the cursor image the X server shows now, "W x H", read through XFixes
on the display DISPLAY names."""
import ctypes
import sys


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def main():
    x11 = ctypes.CDLL("libX11.so.6")
    fixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    fixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    fixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cursor_size: cannot open the display")
    image = fixes.XFixesGetCursorImage(display)
    if not image:
        sys.exit("cursor_size: the server gave no cursor image")
    print(f"{image.contents.width} x {image.contents.height}")


main()
