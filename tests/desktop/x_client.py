#!/usr/bin/env python3
"""Another X client acting on a program's top-level window (DISPLAY selects the server):

    x_client.py destroy WINDOW_ID         XDestroyWindow, as a misbehaving program might
    x_client.py manager-close WINDOW_ID   _NET_CLOSE_WINDOW to the root window, which asks
                                          the window manager to close it, as a task bar does

Exits 0 when the request was made, 1 with a message on stderr otherwise."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows"))
from send_close import load_x11, send_client_message  # noqa: E402

SUBSTRUCTURE_REDIRECT_AND_NOTIFY = (1 << 19) | (1 << 20)
SOURCE_PAGER = 2


def main(argv):
    if len(argv) != 3 or argv[1] not in ("destroy", "manager-close"):
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
    if argv[1] == "destroy":
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
