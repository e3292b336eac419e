#!/usr/bin/env python3
"""What an installer leaves in a Wine prefix, and what its shortcut points at.

    prefix_state.py snapshot PREFIX      prints one line per file and folder under drive_c
                                         (temporary folders aside) and per registry key and
                                         value of the machine's and the user's hives
    prefix_state.py shortcut FILE.lnk    prints "target=PATH" and "icon=PATH INDEX" of a
                                         Windows shortcut (the Shell Link format)

Two snapshots, before an install and after the uninstall, should be the same."""
import os
import re
import struct
import sys

# Temporary files Windows and Wine keep for themselves; the uninstaller's copy of itself runs
# from the user's temporary folder and is removed at the next start.
TEMPORARY = re.compile(r"^(windows/temp|users/[^/]+/(AppData/Local/)?Temp)(/|$)", re.IGNORECASE)
# Keys Wine rewrites on each start or run, whatever ran.
VOLATILE = re.compile(r"^\[Software\\\\Wine\\\\", re.IGNORECASE)


def snapshot(prefix):
    lines = []
    drive = os.path.join(prefix, "drive_c")
    for folder, dirs, files in os.walk(drive):
        for name in dirs + files:
            relative = os.path.relpath(os.path.join(folder, name), drive)
            if not TEMPORARY.match(relative):
                lines.append("file " + relative)
    for hive in ("system.reg", "user.reg"):
        key = None
        with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.rstrip("\n")
                if line.startswith("["):
                    key = line.split("]")[0] + "]"  # without Wine's timestamp
                    if not VOLATILE.match(key):
                        lines.append(f"{hive} {key}")
                elif key and not VOLATILE.match(key) and (line.startswith('"') or line.startswith("@")):
                    name = line.split("=")[0]
                    lines.append(f"{hive} {key} {name}")
    for line in sorted(set(lines)):
        print(line)


def shortcut(path):
    data = open(path, "rb").read()
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        sys.exit(f"{path}: not a shell link")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    target = ""
    if flags & 0x01:  # HasLinkTargetIDList
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & 0x02:  # HasLinkInfo: the local base path, a NUL-terminated ANSI string
        size, _, _, _, base = struct.unpack_from("<IIIII", data, at)
        end = data.index(b"\0", at + base)
        target = data[at + base:end].decode("latin-1")
        at += size
    unicode = flags & 0x80
    strings = {}
    for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "arguments"),
                      (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0]
            width = 2 if unicode else 1
            raw = data[at + 2:at + 2 + count * width]
            strings[name] = raw.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
            at += 2 + count * width
    icon_index = struct.unpack_from("<i", data, 0x38)[0]
    print(f"target={target or strings.get('relative', '')}")
    print(f"icon={strings.get('icon', '')} {icon_index}")


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "snapshot":
        snapshot(sys.argv[2])
    elif len(sys.argv) == 3 and sys.argv[1] == "shortcut":
        shortcut(sys.argv[2])
    else:
        sys.exit(__doc__)
