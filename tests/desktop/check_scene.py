#!/usr/bin/env python3
"""Checks screenshots of the animation's client area (binary PPM, 8 bits per channel).

    check_scene.py scene CLIENT.ppm        the scene's look: clear colour over most of it,
                                           yellow lettering, translucent bubble shells,
                                           round bubbles (the view keeps its aspect), and
                                           no black left where the frame does not reach
    check_scene.py differs A.ppm B.ppm     the two shots differ (the animation runs)
    check_scene.py pixel CLIENT.ppm X Y R G B [TOLERANCE]
                                           one pixel has about that colour
    check_scene.py uniform CLIENT.ppm R G B
                                           every pixel has about that colour
    check_scene.py sharp CLIENT.ppm        drawn at the screen's resolution, not magnified:
                                           edges cut through aligned 2 x 2 blocks about as
                                           often as through blocks shifted by one pixel
    check_scene.py find SCREEN.ppm         prints "left top width height" of the area the
                                           clear colour spans (where a compositor put the
                                           client area)

Prints what it counted; exits 0 when the check holds, 1 otherwise."""
import os
import re
import sys
from collections import Counter
from itertools import compress
from operator import ne

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from ppm import read_ppm, read_ppm_bytes  # noqa: E402

CLEAR = (77, 77, 178)  # (0.3, 0.3, 0.7) on 8 bits
MIN_CLEAR_SHARE = 0.5
MIN_YELLOW = 150       # the lettering at its smallest, turned half away
MIN_SHELL = 300        # the five shells' lit rims together
MAX_BLACK_SHARE = 0.01


def near(p, q, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(p, q))


def is_yellow(r, g, b):
    return r >= 90 and g >= 90 and b + 60 <= min(r, g) and abs(r - g) <= 60


def is_shell(r, g, b):
    # White at low opacity over the clear colour: lighter, still clearly blue, grey-balanced.
    return 90 <= r <= 235 and abs(r - g) <= 12 and b >= max(r, g) + 25 and not near(
        (r, g, b), CLEAR, 6)


def components(width, height, mask):
    """Bounding boxes, sizes and rim pixels (2 in the mask) of the 4-connected regions where
    the mask is not 0: its runs along each row, joined where runs of neighbouring rows share a
    column, so that the work goes by runs and not by pixels."""
    runs, parent, above = [], [], []

    def root(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i

    for y in range(height):
        row = bytes(mask[y * width:(y + 1) * width])
        here = []
        k = 0
        for match in re.finditer(b"[\x01\x02]+", row):
            left, right = match.span()
            i = len(runs)
            runs.append((y, left, right, row.count(2, left, right)))
            parent.append(i)
            while k < len(above) and runs[above[k]][2] <= left:
                k += 1
            j = k
            while j < len(above) and runs[above[j]][1] < right:
                a, b = root(i), root(above[j])
                parent[max(a, b)] = min(a, b)
                j += 1
            here.append(i)
        above = here
    regions = {}
    for i, (y, left, right, rim) in enumerate(runs):
        r = regions.setdefault(root(i), [width, height, -1, -1, 0, 0])
        r[0], r[1] = min(r[0], left), min(r[1], y)
        r[2], r[3] = max(r[2], right - 1), max(r[3], y)
        r[4] += right - left
        r[5] += rim
    return [(left, top, right - left + 1, bottom - top + 1, count, rim)
            for left, top, right, bottom, count, rim in regions.values()]


def check_scene(path):
    width, height, raw = read_ppm_bytes(path)
    total = width * height
    # Each colour is judged once: a frame is mostly a few colours, counted as one number a
    # pixel (its three bytes and a zero).
    quad = bytearray(4 * total)
    for k in range(3):
        quad[k::4] = raw[k::3]
    values = memoryview(quad).cast("I")
    counts = Counter(values)
    colours = {v: tuple(v.to_bytes(4, sys.byteorder)[:3]) for v in counts}
    clear = sum(n for v, n in counts.items() if near(colours[v], CLEAR, 3))
    yellow = sum(n for v, n in counts.items() if is_yellow(*colours[v]))
    shell = sum(n for v, n in counts.items() if is_shell(*colours[v]))
    black = sum(n for v, n in counts.items() if max(colours[v]) <= 8)
    # Objects: everything further than 12 from the clear colour, and only they (a few
    # hundredths of a frame) are looked at one by one; bubbles are the regions with a rim.
    # A shell's red is 13 or more above the clear colour's: every shell pixel is an object.
    mask = bytearray(within(CLEAR, 12, raw).translate(bytes([1, 0]) + bytes(254)))
    rims = {v for v in colours if is_shell(*colours[v])}
    if rims:
        for run in re.finditer(b"\x01+", mask):
            for i in range(*run.span()):
                if values[i] in rims:
                    mask[i] = 2
    bubbles = []
    for left, top, w, h, count, rim in components(width, height, mask):
        touches = left == 0 or top == 0 or left + w == width or top + h == height
        if count >= 300 and rim >= 0.1 * count and not touches:
            bubbles.append(w / h)
    bubbles.sort()
    median = bubbles[len(bubbles) // 2] if bubbles else None
    print(f"{path}: {width} x {height}, clear {clear / total:.0%}, yellow {yellow}, "
          f"shell {shell}, black {black / total:.1%}, bubble width/height "
          f"{', '.join(f'{r:.2f}' for r in bubbles) or 'none'}")
    ok = True
    if clear < MIN_CLEAR_SHARE * total:
        print("  too little of the clear colour", file=sys.stderr)
        ok = False
    if yellow < MIN_YELLOW:
        print("  no yellow lettering", file=sys.stderr)
        ok = False
    if shell < MIN_SHELL:
        print("  no translucent bubble shells", file=sys.stderr)
        ok = False
    if black > MAX_BLACK_SHARE * total:
        print("  black where the frame should be: the drawing does not fill the window",
              file=sys.stderr)
        ok = False
    if median is None or not 0.85 <= median <= 1.18:
        print("  the bubbles are not round: the view does not keep its aspect", file=sys.stderr)
        ok = False
    return ok


def check_differs(a, b):
    wa, ha, ra = read_ppm_bytes(a)
    wb, hb, rb = read_ppm_bytes(b)
    if (wa, ha) != (wb, hb):
        print(f"sizes differ: {wa} x {ha} and {wb} x {hb}", file=sys.stderr)
        return False
    # Most bytes are the same in both: only those that differ are looked at one by one.
    differing = compress(range(len(ra)), map(ne, ra, rb))
    changed = len({i // 3 for i in differing if abs(ra[i] - rb[i]) > 8})
    print(f"{changed} pixels changed between {a} and {b}")
    return changed >= 500


def check_pixel(path, x, y, colour, tolerance):
    width, height, raw = read_ppm_bytes(path)
    if not (0 <= x < width and 0 <= y < height):
        print(f"{path}: ({x}, {y}) lies outside {width} x {height}", file=sys.stderr)
        return False
    at = 3 * (y * width + x)
    p = tuple(raw[at:at + 3])
    print(f"{path}: pixel ({x}, {y}) is {p}, expected {colour} +- {tolerance}")
    return near(p, colour, tolerance)


def within(colour, tolerance, raw):
    """One byte a pixel: 1 where each channel is within the tolerance of the colour's."""
    maps = [bytes(int(abs(v - c) <= tolerance) for v in range(256)) for c in colour]
    r, g, b = (raw[k::3].translate(maps[k]) for k in range(3))
    mask = int.from_bytes(r, "big") & int.from_bytes(g, "big") & int.from_bytes(b, "big")
    return mask.to_bytes(len(raw) // 3, "big")


def check_uniform(path, colour, tolerance):
    width, height, raw = read_ppm_bytes(path)
    off = width * height - within(colour, tolerance, raw).count(1)
    print(f"{path}: {width} x {height}, {off} pixels other than {colour}")
    return width * height > 0 and off == 0


def mixed_blocks(width, height, pixels, offset):
    """How many 2 x 2 blocks starting at (offset, offset) hold more than one colour."""
    count = 0
    for y in range(offset, height - 1, 2):
        for x in range(offset, width - 1, 2):
            i = y * width + x
            if len({pixels[i], pixels[i + 1], pixels[i + width], pixels[i + width + 1]}) > 1:
                count += 1
    return count


def check_sharp(path):
    # A picture drawn at half the resolution and doubled is uniform in every aligned block,
    # so only the shifted blocks see its edges; drawn at full resolution both see them alike.
    width, height, pixels = read_ppm(path)
    aligned, shifted = (mixed_blocks(width, height, pixels, o) for o in (0, 1))
    ratio = aligned / shifted if shifted else 0.0
    print(f"{path}: {aligned} mixed aligned 2 x 2 blocks, {shifted} shifted, ratio {ratio:.2f}")
    return shifted >= 200 and ratio >= 0.5


def find_client(path):
    # Polled several times a second while a window comes up, so it works on whole rows: each
    # channel is mapped to 1 where it is within 3 of the clear colour's, and a pixel is the
    # clear colour where all three maps say 1.
    width, height, raw = read_ppm_bytes(path)
    mask = within(CLEAR, 3, raw)
    firsts = {y: mask.find(1, y * width, (y + 1) * width) for y in range(height)}
    rows = [y for y, x in firsts.items() if x >= 0]
    if not rows:
        print(f"{path}: no clear colour anywhere", file=sys.stderr)
        return False
    left = min(firsts[y] - y * width for y in rows)
    right = max(mask.rfind(1, y * width, (y + 1) * width) - y * width for y in rows)
    print(left, rows[0], right - left + 1, rows[-1] - rows[0] + 1)
    return True


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "scene":
            return 0 if check_scene(argv[2]) else 1
        if len(argv) == 3 and argv[1] == "sharp":
            return 0 if check_sharp(argv[2]) else 1
        if len(argv) == 3 and argv[1] == "find":
            return 0 if find_client(argv[2]) else 1
        if len(argv) == 4 and argv[1] == "differs":
            return 0 if check_differs(argv[2], argv[3]) else 1
        if len(argv) == 6 and argv[1] == "uniform":
            return 0 if check_uniform(argv[2], tuple(int(v) for v in argv[3:6]), 4) else 1
        if len(argv) in (8, 9) and argv[1] == "pixel":
            tolerance = int(argv[8]) if len(argv) == 9 else 4
            return 0 if check_pixel(argv[2], int(argv[3]), int(argv[4]),
                                    tuple(int(v) for v in argv[5:8]), tolerance) else 1
    except (OSError, ValueError, IndexError) as error:
        print(f"check_scene: {error}", file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
