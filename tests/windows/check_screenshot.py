#!/usr/bin/env python3
"""Checks a screenshot of the window's client area for the scene's colours: the clear
colour (0.3, 0.3, 0.7), about (77, 77, 178), over most of it, and lit yellow lettering.

    check_screenshot.py CLIENT.ppm     (binary PPM or PGM, 8 bits per channel)

Prints the counts; exits 0 when both hold, 1 otherwise."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from ppm import read_ppm  # noqa: E402

CLEAR = (77, 77, 178)
CLEAR_TOLERANCE = 3
MIN_CLEAR_SHARE = 0.5  # bubbles and lettering cover the rest
MIN_YELLOW_PIXELS = 150  # the lettering at its smallest, turned half away


def is_clear(r, g, b):
    return (abs(r - CLEAR[0]) <= CLEAR_TOLERANCE and abs(g - CLEAR[1]) <= CLEAR_TOLERANCE and
            abs(b - CLEAR[2]) <= CLEAR_TOLERANCE)


def is_yellow(r, g, b):
    # Lit or shaded yellow: red and green well above blue, of similar strength.
    return r >= 90 and g >= 90 and b + 60 <= min(r, g) and abs(r - g) <= 60


def main(argv):
    if len(argv) != 2:
        print("usage: check_screenshot.py CLIENT.ppm", file=sys.stderr)
        return 2
    try:
        width, height, pixels = read_ppm(argv[1])
    except (OSError, ValueError, IndexError) as error:
        print(f"check_screenshot: {error}", file=sys.stderr)
        return 1
    clear = yellow = 0
    for r, g, b in pixels:
        clear += is_clear(r, g, b)
        yellow += is_yellow(r, g, b)
    total = width * height
    share = clear / total
    ok_clear = share >= MIN_CLEAR_SHARE
    ok_yellow = yellow >= MIN_YELLOW_PIXELS
    print(("ok:   " if ok_clear else "FAIL: ") +
          f"clear colour on {share:.0%} of {width} x {height} (at least {MIN_CLEAR_SHARE:.0%})")
    print(("ok:   " if ok_yellow else "FAIL: ") +
          f"{yellow} yellow lettering pixels (at least {MIN_YELLOW_PIXELS})")
    return 0 if ok_clear and ok_yellow else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
