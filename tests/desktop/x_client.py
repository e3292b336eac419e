#!/usr/bin/env python3
"""Another X client acting on a program's top-level window (DISPLAY selects the server):

    x_client.py destroy WINDOW_ID         XDestroyWindow, as a misbehaving program might
    x_client.py intern NAME...            interns the atoms, as a desktop's first clients
                                          have: some clients only look them up
    x_client.py manager-close WINDOW_ID   _NET_CLOSE_WINDOW to the root window, which asks
                                          the window manager to close it, as a task bar does
    x_client.py stale-map WINDOW_ID LOG   with the server grabbed: presses M in the probe's
    x_client.py stale-wm-state WINDOW_ID LOG  window (tests/desktop/x11_probe.cpp, "minimize"),
                                          waits for a new "minimized" in LOG, then sends it a
                                          MapNotify, or sets its WM_STATE to NormalState,
                                          before the server has read its minimize request
                                          (the event carries a serial from before it); then
                                          presses A and waits for the probe's "action 97"

Exits 0 when the request was made, 1 with a message on stderr otherwise."""
import ctypes
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows"))
from send_close import Event, load_x11, send_client_message  # noqa: E402

SUBSTRUCTURE_REDIRECT_AND_NOTIFY = (1 << 19) | (1 << 20)
SOURCE_PAGER = 2
KEY_PRESS, KEY_RELEASE, MAP_NOTIFY = 2, 3, 19
KEY_PRESS_MASK, KEY_RELEASE_MASK, STRUCTURE_NOTIFY_MASK = 1 << 0, 1 << 1, 1 << 17
NORMAL_STATE = 1


class KeyEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("root", ctypes.c_ulong), ("subwindow", ctypes.c_ulong),
                ("time", ctypes.c_ulong), ("x", ctypes.c_int), ("y", ctypes.c_int),
                ("x_root", ctypes.c_int), ("y_root", ctypes.c_int), ("state", ctypes.c_uint),
                ("keycode", ctypes.c_uint), ("same_screen", ctypes.c_int)]


class MapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong), ("override_redirect", ctypes.c_int)]


def send(x11, display, window, mask, structure):
    event = Event()
    ctypes.memmove(ctypes.byref(event), ctypes.byref(structure), ctypes.sizeof(structure))
    return x11.XSendEvent(display, window, 0, mask, ctypes.byref(event))


def count_lines(path, line):
    with open(path, encoding="utf-8", errors="replace") as log:
        return log.read().splitlines().count(line)


def wait_line(path, line, before, seconds):
    """Waits until the log holds more such lines than before."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if count_lines(path, line) > before:
            return True
        time.sleep(0.05)
    return False


def stale(x11, display, kind, window, log):
    """The program minimizes while the server holds its requests; the event comes meanwhile."""
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                    ctypes.c_void_p, ctypes.c_int]
    for name in ("XGrabServer", "XUngrabServer"):
        getattr(x11, name).argtypes = [ctypes.c_void_p]
    def press(name):
        key = KeyEvent(window=window, root=x11.XDefaultRootWindow(display), same_screen=1,
                       keycode=x11.XKeysymToKeycode(display, x11.XStringToKeysym(name)))
        for key.type, mask in ((KEY_PRESS, KEY_PRESS_MASK), (KEY_RELEASE, KEY_RELEASE_MASK)):
            send(x11, display, window, mask, key)
        x11.XSync(display, 0)

    before = count_lines(log, "minimized")
    x11.XGrabServer(display)
    x11.XSync(display, 0)
    try:
        press(b"m")
        if not wait_line(log, "minimized", before, 10):
            print("x_client: the program never said it minimized its window", file=sys.stderr)
            return False
        if kind == "stale-map":
            send(x11, display, window, STRUCTURE_NOTIFY_MASK,
                 MapEvent(type=MAP_NOTIFY, event=window, window=window))
        else:
            wm_state = x11.XInternAtom(display, b"WM_STATE", 0)
            value = (ctypes.c_long * 2)(NORMAL_STATE, 0)
            x11.XChangeProperty(display, window, wm_state, wm_state, 32, 0, value, 2)
        x11.XSync(display, 0)
    finally:
        x11.XUngrabServer(display)
    # A key after the event: once the program has taken it, it has taken the event too.
    before = count_lines(log, "action 97")
    press(b"a")
    if not wait_line(log, "action 97", before, 10):
        print("x_client: the program never took the key sent after the event", file=sys.stderr)
        return False
    return True


def intern(names):
    x11 = load_x11()
    display = x11 and x11.XOpenDisplay(None)
    if not display:
        print("x_client: cannot open the display", file=sys.stderr)
        return 1
    for name in names:
        x11.XInternAtom(display, name.encode(), 0)
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    return 0


def main(argv):
    if argv[1:2] == ["intern"]:
        return intern(argv[2:])
    stale_kinds = ("stale-map", "stale-wm-state")
    if len(argv) != (4 if argv[1:2] and argv[1] in stale_kinds else 3) or \
            argv[1] not in ("destroy", "manager-close") + stale_kinds:
        print(__doc__, file=sys.stderr)
        return 1
    window = int(argv[2], 0)
    x11 = load_x11()
    if not x11:
        print("x_client: libX11 not found", file=sys.stderr)
        return 1
    display = x11.XOpenDisplay(None)
    if not display:
        print("x_client: cannot open the display", file=sys.stderr)
        return 1
    if argv[1] in stale_kinds:
        done = stale(x11, display, argv[1], window, argv[3])
    elif argv[1] == "destroy":
        x11.XDestroyWindow(display, window)
        done = True
    else:
        done = bool(send_client_message(x11, display, x11.XDefaultRootWindow(display), window,
                                        SUBSTRUCTURE_REDIRECT_AND_NOTIFY, b"_NET_CLOSE_WINDOW",
                                        [0, SOURCE_PAGER]))
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    if not done:
        print(f"x_client: the server refused the request for window {window:#x}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
