#!/usr/bin/env python3
"""Checks what a Wayland client did, from its protocol log (WAYLAND_DEBUG=client on stderr).

    check_protocol.py scale LOG N             the window's surface (the one that asks for frame
                                              callbacks) took buffer scale N
    check_protocol.py box-scale LOG TITLE N   the surface of the toplevel titled TITLE took
                                              buffer scale N (waits up to 10 s for it)
    check_protocol.py pacing LOG SECONDS LOW HIGH
                                              the frames per second presented over the next
                                              SECONDS lie between LOW and HIGH
    check_protocol.py cursor LOG              each time the pointer entered the window, the
                                              program set a cursor with that entry's serial
    check_protocol.py background LOG          the window showed a buffer (its class background)
                                              before its first frame: an attach and a commit
                                              on its surface before the first frame callback
                                              it asks for, which each OpenGL frame asks first
    check_protocol.py arrow-scale LOG N       the arrow set for the pointer's first entry into
                                              the window took buffer scale N (waits up to 5 s)
    check_protocol.py buffers LOG [AFTER]     prints the size ("W x H") of each buffer the
                                              window's surface took, one a line; with AFTER only
                                              those after the first line that holds that text
    check_protocol.py follows LOG N [SINCE]   the window's surface last took buffer scale N and
                                              its last buffer is its last configured size
                                              times N (waits up to 10 s); with SINCE (a line
                                              number of the log) every buffer scale it took
                                              after that line is N
    check_protocol.py frame LOG client|server who draws the window's frame
    check_protocol.py app-id LOG              prints the toplevel's app id

Prints what it found; exits 0 when the check holds, 1 otherwise."""
import re
import sys
import time


def read(log):
    with open(log, errors="replace") as f:
        return f.read().splitlines()


def frame_surface(lines):
    for line in lines:
        m = re.search(r"-> wl_surface@(\d+)\.frame\(", line)
        if m:
            return m.group(1)
    return None


def took_scale(lines, surface, n):
    wanted = f"-> wl_surface@{surface}.set_buffer_scale({n})"
    return surface is not None and any(wanted in line for line in lines)


def first(lines, pattern):
    for line in lines:
        m = re.search(pattern, line)
        if m:
            return m.group(1)
    return None


def scale(log, n):
    surface = frame_surface(read(log))
    if not took_scale(read(log), surface, n):
        return f"the window's surface ({surface}) did not take buffer scale {n}"
    print(f"the window's surface {surface} took buffer scale {n}")


def box_scale(log, title, n):
    # The box opens after the program says so: its requests may still be on their way.
    for _ in range(100):
        lines = read(log)
        top = first(lines, r'xdg_toplevel@(\d+)\.set_title\("' + re.escape(title) + r'"\)')
        xdg = top and first(lines, rf"xdg_surface@(\d+)\.get_toplevel\(new id xdg_toplevel@{top}\)")
        surface = xdg and first(lines, rf"get_xdg_surface\(new id xdg_surface@{xdg}, wl_surface@(\d+)\)")
        if took_scale(lines, surface, n):
            break
        time.sleep(0.1)
    if not took_scale(lines, surface, n):
        return f'the surface of "{title}" ({surface or "not found"}) did not take buffer scale {n}'
    print(f'the surface of "{title}" took buffer scale {n}')


def frame_rate(lines):
    """Frames per second: buffers attached to the surface that takes the most (the window's;
    the decorations' and the cursor's take few), over the span of their times."""
    counts = {}
    for line in lines:
        m = re.search(r"-> wl_surface@(\d+)\.attach\(wl_buffer", line)
        if m:
            counts[m.group(1)] = counts.get(m.group(1), 0) + 1
    if not counts:
        return 0
    wanted = f"-> wl_surface@{max(counts, key=counts.get)}.attach(wl_buffer"
    times, wrap, last = [], 0.0, None
    for line in lines:
        m = re.match(r"\[\s*(\d+\.\d+)\]", line)
        if wanted in line and m:
            t = float(m.group(1))
            # Milliseconds from a 32-bit count of microseconds, which wraps.
            if last is not None and t < last:
                wrap += 4294967.296
            last = t
            times.append(t + wrap)
    if len(times) < 2 or times[-1] <= times[0]:
        return 0
    return round((len(times) - 1) * 1000 / (times[-1] - times[0]))


def pacing(log, seconds, low, high):
    mark = len(read(log))
    time.sleep(float(seconds))
    rate = frame_rate(read(log)[mark:])
    print(f"{rate} frames/s")
    if not int(low) <= rate <= int(high):
        return f"{rate} frames/s, expected {low} to {high}"


def cursor(log):
    serials = []
    for _ in range(30):
        lines = read(log)
        surface = frame_surface(lines)
        pattern = rf"wl_pointer@\d+\.enter\((\d+), wl_surface@{surface},"
        serials = sorted({m.group(1) for line in lines for m in [re.search(pattern, line)] if m})
        if serials:
            break
        time.sleep(0.1)
    if not serials:
        return "the pointer never entered the client area"
    time.sleep(0.3)
    lines = read(log)
    for serial in serials:
        pattern = rf"-> wl_pointer@\d+\.set_cursor\({serial}, wl_surface@\d+,"
        if not any(re.search(pattern, line) for line in lines):
            return f"no cursor set for the pointer's entry {serial}"
    print(f"the arrow set on entries {' '.join(serials)}")


def arrow_scale(log, n):
    arrow = None
    for _ in range(50):
        lines = read(log)
        serial = first(lines, rf"wl_pointer@\d+\.enter\((\d+), wl_surface@{frame_surface(lines)},")
        arrow = serial and first(lines, rf"-> wl_pointer@\d+\.set_cursor\({serial}, wl_surface@(\d+),")
        if arrow:
            break
        time.sleep(0.1)
    if not took_scale(lines, arrow, n):
        return f"the arrow's surface ({arrow or 'none'}) did not take buffer scale {n}"
    print(f"the arrow's surface {arrow} took buffer scale {n}")


def attached(lines, after=""):
    """The size ("W x H") of each buffer the window's surface took, with AFTER only those after
    the first line that holds that text. Mesa's software renderer draws into shared memory:
    each buffer's size is in its request."""
    attach = f"-> wl_surface@{frame_surface(lines)}.attach(wl_buffer@"
    sizes, started, found = {}, not after, []
    for line in lines:
        started = started or after in line
        m = re.search(r"new id wl_buffer@(\d+), \d+, (\d+), (\d+),", line)
        if m:
            sizes[m.group(1)] = f"{m.group(2)} x {m.group(3)}"
        elif started and attach in line:
            found.append(sizes.get(re.match(r"\d+", line[line.index(attach) + len(attach):]).group(0), "?"))
    return found


def buffers(log, after=""):
    for size in attached(read(log), after):
        print(size)


def follows(log, n, since=0):
    n, since = int(n), int(since)
    for _ in range(100):
        lines = read(log)
        took = rf"-> wl_surface@{frame_surface(lines)}\.set_buffer_scale\((\d+)\)"
        scales = [(number, int(m.group(1))) for number, line in enumerate(lines, 1)
                  for m in [re.search(took, line)] if m]
        # The compositor's sizes, in its logical units; 0 x 0 leaves the size to the program.
        sizes = [(int(m.group(1)), int(m.group(2))) for line in lines
                 for m in [re.search(r"xdg_toplevel@\d+\.configure\((\d+), (\d+),", line)] if m]
        size = ([s for s in sizes if s[0] > 0] or [None])[-1]
        wanted = size and f"{size[0] * n} x {size[1] * n}"
        last = (attached(lines) or ["none"])[-1]
        scale = scales[-1][1] if scales else "unset"
        if scale == n and last == wanted:
            break
        time.sleep(0.1)
    else:
        return (f"the window's last buffer scale is {scale} and its last buffer {last}, "
                f"expected {n} and {wanted or 'a configured size'}")
    others = sorted({scale for number, scale in scales if number > since and scale != n})
    if since and others:
        return f"the window took buffer scale {', '.join(map(str, others))} after line {since}"
    print(f"buffer scale {n}, {wanted} buffers for a {size[0]} x {size[1]} window"
          + (f", scale {n} since line {since}" if since else ""))


def background(log):
    lines = read(log)
    surface = frame_surface(lines)
    attach = commit = frame_asked = None
    for number, line in enumerate(lines):
        if f"-> wl_surface@{surface}.attach(wl_buffer" in line and attach is None:
            attach = number
        elif f"-> wl_surface@{surface}.commit()" in line and attach is not None and commit is None:
            commit = number
        elif f"-> wl_surface@{surface}.frame(" in line:
            frame_asked = number
            break
    if commit is None or frame_asked is None:
        return "no buffer on the window before its first frame"
    print("a buffer committed on the window before its first frame")


def frame(log, side):
    # Server-side decorations are mode 2 of the xdg-decoration protocol; without them libdecor
    # draws its own on subsurfaces.
    lines = read(log)
    server = any(re.search(r"zxdg_toplevel_decoration_v1@\d+\.configure\(2\)", line) for line in lines)
    client = not server and any("get_subsurface" in line for line in lines)
    if (side == "server" and not server) or (side == "client" and not client):
        return f"the frame is not drawn {side}-side"
    print(f"the frame is drawn {side}-side")


def app_id(log):
    found = first(read(log), r'xdg_toplevel@\d+\.set_app_id\("([^"]*)"\)')
    if found is None:
        return "no app id set"
    print(found)


CHECKS = {"scale": scale, "box-scale": box_scale, "pacing": pacing, "cursor": cursor,
          "arrow-scale": arrow_scale, "buffers": buffers, "background": background,
          "follows": follows, "frame": frame, "app-id": app_id}

if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in CHECKS:
        sys.exit(__doc__)
    problem = CHECKS[sys.argv[1]](*sys.argv[2:])
    if problem:
        print(f"{problem} (see {sys.argv[2]})", file=sys.stderr)
        sys.exit(1)
