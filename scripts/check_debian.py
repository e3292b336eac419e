#!/usr/bin/env python3
"""Keeps the Debian packaging in step with the rest of the project:

- the version: CMake's project(VERSION) is the one place that says it; the newest entry of
  debian/changelog and the newest release of the AppStream metainfo must carry it, on the same
  day;
- the build dependencies: debian/control's Build-Depends (debhelper aside) names exactly the
  packages of the building part of scripts/packages/run.txt;
- with a built .deb: its Depends and Recommends name every package of run.txt's running part.

    check_debian.py [PACKAGE.deb]

Prints each fault, and exits 1 then."""
import email.utils
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
METAINFO = os.path.join(ROOT, "data", "invalid.vorlanth.vorlanth.metainfo.xml")
RUN_LIST = os.path.join(ROOT, "scripts", "packages", "run.txt")
RUNNING_MARK = "# Running adds"
PACKAGING_ONLY = {"debhelper-compat"}


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def project_version():
    found = re.search(r"^project\(\s*\w+\s+VERSION\s+([0-9.]+)", read(os.path.join(ROOT, "CMakeLists.txt")),
                      re.MULTILINE)
    return found.group(1) if found else None


def changelog_entry():
    """(version, date as YYYY-MM-DD) of the newest entry."""
    text = read(os.path.join(ROOT, "debian", "changelog"))
    head = re.match(r"^\S+ \(([^)]+)\)", text)
    trailer = re.search(r"^ -- .*?>  (.+)$", text, re.MULTILINE)
    if not head or not trailer:
        return None, None
    when = email.utils.parsedate_to_datetime(trailer.group(1))
    return head.group(1), when.strftime("%Y-%m-%d")


def newest_release():
    """(version, date) of the first release listed in the metainfo."""
    release = ElementTree.parse(METAINFO).getroot().find("releases/release")
    return (release.get("version"), release.get("date")) if release is not None else (None, None)


def package_names(field):
    """The package names of a relation field, without versions, alternatives split."""
    names = set()
    for relation in re.split(r"[,|]", field):
        name = relation.strip().split(" ")[0].split("(")[0]
        if name and not name.startswith("${"):
            names.add(name)
    return names


def control_field(package_or_source, name):
    """A field of debian/control's paragraph whose first line is Source: or Package: NAME."""
    for paragraph in re.split(r"\n\s*\n", read(os.path.join(ROOT, "debian", "control"))):
        if re.search(rf"^(Source|Package): {re.escape(package_or_source)}$", paragraph, re.MULTILINE):
            found = re.search(rf"^{name}:((?:.*)(?:\n[ \t].*)*)", paragraph, re.MULTILINE)
            return found.group(1) if found else ""
    return ""


def run_list():
    """(building, running) package names of run.txt, split at its "Running adds" comment."""
    building, running, part = set(), set(), None
    part = building
    for line in read(RUN_LIST).splitlines():
        if line.startswith(RUNNING_MARK):
            part = running
        elif line.strip() and not line.startswith("#"):
            part.add(line.strip())
    return building, running


def main(args):
    faults = []
    version = project_version()
    logged, logged_date = changelog_entry()
    released, released_date = newest_release()
    if not version:
        faults.append("CMakeLists.txt: no project(... VERSION x.y)")
    if logged != version:
        faults.append(f"debian/changelog: newest entry {logged}, project version {version}")
    if released != version:
        faults.append(f"{os.path.relpath(METAINFO, ROOT)}: newest release {released}, project version {version}")
    if released_date != logged_date:
        faults.append(f"the metainfo's release is dated {released_date}, the changelog's entry {logged_date}")

    building, running = run_list()
    declared = package_names(control_field("vorlanth", "Build-Depends")) - PACKAGING_ONLY
    for name in sorted(building - declared):
        faults.append(f"run.txt lists {name} for building; debian/control's Build-Depends does not")
    for name in sorted(declared - building):
        faults.append(f"debian/control's Build-Depends names {name}; run.txt does not list it for building")
    if not running:
        faults.append(f"run.txt has no \"{RUNNING_MARK}\" part")

    for deb in args:
        fields = subprocess.run(["dpkg-deb", "-f", deb, "Depends", "Recommends"], capture_output=True,
                                text=True, check=True).stdout
        wanted = package_names(" ".join(re.sub(r"^\w+:", ",", line) for line in fields.splitlines()))
        for name in sorted(running - wanted):
            faults.append(f"{os.path.basename(deb)}: neither Depends nor Recommends names {name} (run.txt)")

    for fault in faults:
        print(f"check_debian: {fault}")
    if faults:
        return 1
    print(f"check_debian: version {version} in CMakeLists.txt, debian/changelog and the metainfo; "
          f"Build-Depends = run.txt's {len(building)} for building"
          + (f"; the package names its {len(running)} for running" if args else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
