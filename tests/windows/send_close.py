#!/usr/bin/env python3
"""Asks a top-level X window to close, the way a window manager's close button does:
a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW.

    send_close.py WINDOW_ID      (decimal or 0x hex; DISPLAY selects the server)

Exits 0 when the message was sent, 1 with a message on stderr otherwise."""
import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0
CURRENT_TIME = 0


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class Event(ctypes.Union):
    # XEvent is a union padded to 24 longs.
    _fields_ = [("client", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


def load_x11():
    """libX11 with the prototypes of the calls used here (and by tests/desktop/x_client.py)."""
    path = ctypes.util.find_library("X11")
    if not path:
        return None
    x11 = ctypes.CDLL(path)
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
    return x11


def send_client_message(x11, display, destination, window, mask, message_type, data):
    """Sends a 32-bit client message about window to destination; returns XSendEvent's result."""
    event = Event()
    event.client.type = CLIENT_MESSAGE
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, message_type, 0)
    event.client.format = 32
    for i, value in enumerate(data):
        event.client.data[i] = value
    return x11.XSendEvent(display, destination, 0, mask, ctypes.byref(event))


def main(argv):
    if len(argv) != 2:
        print("usage: send_close.py WINDOW_ID", file=sys.stderr)
        return 1
    try:
        window = int(argv[1], 0)
    except ValueError:
        print(f"send_close: not a window id: {argv[1]!r}", file=sys.stderr)
        return 1
    x11 = load_x11()
    if not x11:
        print("send_close: libX11 not found", file=sys.stderr)
        return 1

    display = x11.XOpenDisplay(None)
    if not display:
        print("send_close: cannot open the display", file=sys.stderr)
        return 1
    sent = send_client_message(x11, display, window, window, NO_EVENT_MASK, b"WM_PROTOCOLS",
                               [x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0), CURRENT_TIME])
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    if not sent:
        print(f"send_close: the server refused the message for window {window:#x}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
