#!/usr/bin/env python3
"""Another X client acting on a program's top-level window (DISPLAY selects the server):

    x_client.py destroy WINDOW_ID         XDestroyWindow, as a misbehaving program might
    x_client.py manager-close WINDOW_ID   _NET_CLOSE_WINDOW to the root window, which asks
                                          the window manager to close it, as a task bar does

Exits 0 when the request was made, 1 with a message on stderr otherwise."""
import ctypes
import ctypes.util
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows"))
from send_close import CLIENT_MESSAGE, Event  # noqa: E402

SUBSTRUCTURE_REDIRECT_AND_NOTIFY = (1 << 19) | (1 << 20)
SOURCE_PAGER = 2


def main(argv):
    if len(argv) != 3 or argv[1] not in ("destroy", "manager-close"):
        print(__doc__, file=sys.stderr)
        return 1
    window = int(argv[2], 0)
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    x11.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        print("x_client: cannot open the display", file=sys.stderr)
        return 1
    if argv[1] == "destroy":
        x11.XDestroyWindow(display, window)
        done = True
    else:
        event = Event()
        event.client.type = CLIENT_MESSAGE
        event.client.window = window
        event.client.message_type = x11.XInternAtom(display, b"_NET_CLOSE_WINDOW", 0)
        event.client.format = 32
        event.client.data[0] = 0  # timestamp
        event.client.data[1] = SOURCE_PAGER
        done = bool(x11.XSendEvent(display, x11.XDefaultRootWindow(display), 0,
                                   SUBSTRUCTURE_REDIRECT_AND_NOTIFY, ctypes.byref(event)))
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    if not done:
        print(f"x_client: the server refused the request for window {window:#x}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
