#!/usr/bin/env python3
"""Draws the program's icon -- a bubble with a yellow "V" -- and writes it as a
32 x 32, 16-colour Windows icon (.ico) and as a PNG of the same pixels.

    make_icon.py OUT_DIR            writes OUT_DIR/vorlanth.ico and OUT_DIR/vorlanth.png
    make_icon.py --check DIR        exits 1 if DIR's files differ from what would be written

Uses only the standard library and no clock or randomness, so every run gives the
same bytes and the committed files can be checked against this script."""
import os
import struct
import sys
import zlib

SIZE = 32

# The 16-colour palette every Windows display has, so the icon looks the same everywhere.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, NAVY, TEAL, SILVER = 0, 3, 4, 6, 7
BLUE, YELLOW, AQUA, WHITE = 12, 11, 14, 15
TRANSPARENT = None

CENTRE = 16.0
RADIUS = 15.0


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    qx, qy = ax + t * dx - px, ay + t * dy - py
    return (qx * qx + qy * qy) ** 0.5


def in_letter(px, py):
    # Two strokes meeting at the bottom, cut flat at the top.
    if py < 9.0:
        return False
    half_width = 2.1
    return (distance_to_segment(px, py, 10.5, 9.0, 16.0, 24.5) < half_width or
            distance_to_segment(px, py, 21.5, 9.0, 16.0, 24.5) < half_width)


def colour_at(x, y):
    """Palette index of pixel (x, y), top row first, or TRANSPARENT."""
    px, py = x + 0.5, y + 0.5
    dx, dy = px - CENTRE, py - CENTRE
    d = (dx * dx + dy * dy) ** 0.5
    if d > RADIUS:
        return TRANSPARENT
    if in_letter(px, py):
        return YELLOW
    if in_letter(px - 1.0, py - 1.0):
        return OLIVE  # the letter's shadow, down and to the right
    if d > RADIUS - 1.2:
        return NAVY  # the shell's rim
    # A light spot up and to the left, the rest of the shell shaded towards the lower right.
    hx, hy = px - 8.0, py - 9.5
    if hx * hx + hy * hy < 1.8 * 1.8:
        return WHITE
    if hx * hx + hy * hy < 3.2 * 3.2:
        return AQUA
    sx, sy = px - 13.0, py - 13.0
    if sx * sx + sy * sy > 13.0 * 13.0:
        return TEAL  # the shaded crescent
    return BLUE


def pixels():
    return [[colour_at(x, y) for x in range(SIZE)] for y in range(SIZE)]


def ico_bytes(image):
    # The image: a bitmap header of twice the height (colour bits, then the mask),
    # the palette, 4-bit colour rows bottom-up, 1-bit mask rows bottom-up.
    xor_rows, and_rows = [], []
    for row in reversed(image):
        nibbles = [0 if c is TRANSPARENT else c for c in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is TRANSPARENT else 0)
        and_rows.append(bits.to_bytes(SIZE // 8, "big"))  # 4 bytes: already 32-bit aligned
    colour_bits = b"".join(xor_rows)
    mask_bits = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(colour_bits) + len(mask_bits), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    body = header + palette + colour_bits + mask_bits
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(body), 6 + 16)
    return directory + entry + body


def png_bytes(image):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = bytearray()
    for row in image:
        raw.append(0)  # no filter
        for c in row:
            raw.extend((0, 0, 0, 0) if c is TRANSPARENT else (*PALETTE[c], 255))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def outputs():
    image = pixels()
    return {"vorlanth.ico": ico_bytes(image), "vorlanth.png": png_bytes(image)}


def main(argv):
    if len(argv) == 2 and argv[1] != "--check":
        os.makedirs(argv[1], exist_ok=True)
        for name, data in outputs().items():
            with open(os.path.join(argv[1], name), "wb") as f:
                f.write(data)
        return 0
    if len(argv) == 3 and argv[1] == "--check":
        stale = []
        for name, data in outputs().items():
            path = os.path.join(argv[2], name)
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(path)
        for path in stale:
            print(f"make_icon: {path} differs from what tools/make_icon.py draws", file=sys.stderr)
        return 1 if stale else 0
    print("usage: make_icon.py OUT_DIR | make_icon.py --check DIR", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
