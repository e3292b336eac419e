"""Reads the screenshots the end-to-end checks take: binary PPM (or PGM), 8 bits per channel."""


def read_ppm_bytes(path):
    """Returns width, height and the pixels as bytes, three per pixel (R, G, B), top row first."""
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    magic, width, height, depth = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if magic not in (b"P6", b"P5") or depth != 255:
        raise ValueError(f"{path}: not an 8-bit binary PPM or PGM")
    channels = 3 if magic == b"P6" else 1
    raw = data[at + 1:at + 1 + width * height * channels]
    if len(raw) != width * height * channels:
        raise ValueError(f"{path}: truncated")
    if channels == 1:  # a grey image, as the converter writes one without colour
        raw = bytes(v for v in raw for _ in range(3))
    return width, height, raw


def read_ppm(path):
    """Returns width, height and the pixels as RGB tuples, top row first."""
    width, height, raw = read_ppm_bytes(path)
    return width, height, list(zip(raw[0::3], raw[1::3], raw[2::3]))
