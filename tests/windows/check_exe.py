#!/usr/bin/env python3
"""Checks the built Windows executable:
  - a 64-bit GUI-subsystem program (no console window),
  - importing only DLLs every Windows has (no compiler run-time DLLs to ship),
  - carrying exactly one icon group with one 32 x 32, 16-colour (4 bits per pixel) icon,
    whose image is the one in the given .ico file.

    check_exe.py PROGRAM.exe ICON.ico

Prints what it found; exits 0 when every check holds, 1 otherwise."""
import struct
import sys

RT_ICON = 3
RT_GROUP_ICON = 14
SUBSYSTEM_WINDOWS_GUI = 2
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "opengl32.dll", "glu32.dll",
               "advapi32.dll", "msvcrt.dll"}
NEEDED_DLLS = {"user32.dll", "gdi32.dll", "opengl32.dll"}


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no DOS header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic != 0x20B:
            raise ValueError(f"not a 64-bit image (optional header magic {magic:#x})")
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        count = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            _, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, raw_size), raw_ptr))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return raw + rva - vaddr
        raise ValueError(f"address {rva:#x} lies in no section")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva, _ = self.directory(1)
        names = []
        if rva == 0:
            return names
        at = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if descriptor == (0, 0, 0, 0, 0):
                return names
            names.append(self.c_string(descriptor[3]))
            at += 20

    def resources(self):
        """{(type, id): bytes} for the numbered resources, all languages."""
        rva, _ = self.directory(2)
        found = {}
        if rva == 0:
            return found
        base = self.offset(rva)

        def entries(offset):
            named, numbered = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                yield name, target

        for kind, kind_dir in entries(0):
            if kind & 0x80000000 or not kind_dir & 0x80000000:
                continue
            for ident, ident_dir in entries(kind_dir & 0x7FFFFFFF):
                if ident & 0x80000000 or not ident_dir & 0x80000000:
                    continue
                for _, leaf in entries(ident_dir & 0x7FFFFFFF):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(kind, ident)] = self.data[start:start + size]
        return found


def icon_image(path):
    data = open(path, "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 1 or count != 1:
        raise ValueError(f"{path}: expected one icon, found type {kind} count {count}")
    size, offset = struct.unpack_from("<II", data, 6 + 8)
    return data[offset:offset + size]


def main(argv):
    if len(argv) != 3:
        print("usage: check_exe.py PROGRAM.exe ICON.ico", file=sys.stderr)
        return 2
    failures = []

    def check(ok, what):
        print(("ok:   " if ok else "FAIL: ") + what)
        if not ok:
            failures.append(what)

    try:
        image = Image(open(argv[1], "rb").read())
        expected_icon = icon_image(argv[2])
        imports = [name.lower() for name in image.imports()]
        resources = image.resources()
    except (OSError, ValueError, struct.error) as error:
        print(f"check_exe: {error}", file=sys.stderr)
        return 1

    check(image.machine == 0x8664, f"x86-64 machine (found {image.machine:#x})")
    check(image.subsystem == SUBSYSTEM_WINDOWS_GUI, f"GUI subsystem (found {image.subsystem})")
    foreign = sorted(set(imports) - SYSTEM_DLLS)
    check(not foreign, "only system DLLs imported" + (f" (also: {', '.join(foreign)})" if foreign else ""))
    missing = sorted(NEEDED_DLLS - set(imports))
    check(not missing, "imports " + ", ".join(sorted(NEEDED_DLLS)) + (f" (missing: {', '.join(missing)})" if missing else ""))

    groups = [key for key in resources if key[0] == RT_GROUP_ICON]
    icons = [key for key in resources if key[0] == RT_ICON]
    check(len(groups) == 1, f"one icon group resource (found {len(groups)})")
    check(len(icons) == 1, f"one icon image resource (found {len(icons)})")
    if len(groups) == 1:
        group = resources[groups[0]]
        _, kind, count = struct.unpack_from("<HHH", group, 0)
        check(kind == 1 and count == 1, f"the group lists one icon (type {kind}, count {count})")
        if count >= 1:
            width, height, colours, _, planes, bits, size, ident = struct.unpack_from("<BBBBHHIH", group, 6)
            check((width, height) == (32, 32), f"listed as 32 x 32 (found {width} x {height})")
            check(colours == 16 and bits == 4, f"listed as 16 colours, 4 bits (found {colours}, {bits})")
            picture = resources.get((RT_ICON, ident))
            check(picture is not None, f"the listed image {ident} is present")
            if picture is not None:
                _, w, h, _, depth = struct.unpack_from("<IiiHH", picture, 0)
                check((w, h, depth) == (32, 64, 4),
                      f"image bitmap 32 x 32 with mask, 4 bits per pixel (found {w} x {h}, {depth})")
                check(len(picture) == size, f"image size matches the group ({len(picture)} vs {size})")
                check(picture == expected_icon, f"image is the one in {argv[2]}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
