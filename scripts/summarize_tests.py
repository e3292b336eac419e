#!/usr/bin/env python3
"""The test command's summary, from its build steps and ctest's JUnit report:

    summarize_tests.py STEPS.txt TESTS.json CTEST.xml

TESTS.json is ctest --show-only=json-v1's list (for the labels). STEPS.txt holds one "NAME pass|FAIL SECONDS LOG" line per build step. Prints the output of each
check that is no unit test (its figures), then "=== summary": every step's and test's result
and time, unit tests first; then for each failure its FAIL lines and last lines, so that a log
cut to its end still shows why; last the failing ones. Exits 1 if any failed."""
import json
import re
import sys
import xml.etree.ElementTree as ET


def read_steps(path):
    steps = []
    with open(path) as f:
        for line in f:
            name, result, seconds, log = line.split()
            with open(log, errors="replace") as out:
                steps.append((name, result, float(seconds), out.read(), []))
    return steps


def read_labels(path):
    with open(path) as f:
        listed = json.load(f)
    return {t["name"]: next((p["value"] for p in t.get("properties", []) if p["name"] == "LABELS"), [])
            for t in listed["tests"]}


def read_tests(path, labels):
    """(name, result, seconds, output, labels) per test, in the order ctest ran them."""
    try:
        with open(path, errors="replace") as f:
            text = f.read()
    except OSError:
        return [("ctest", "FAIL", 0.0, f"no report {path}: ctest did not run", [])]
    # Control characters a program wrote are no XML.
    text = re.sub(r"[\x00-\x08\x0b\x0c\x0e-\x1f]", "?", text)
    tests = []
    for case in ET.fromstring(text).iter("testcase"):
        status = case.get("status")
        failed = case.find("failure") is not None or status not in ("run", "disabled")
        output = case.findtext("system-out") or ""
        if status == "notrun":
            output += "\nnot run (a fixture it needs failed, or it could not start)"
        name = case.get("name")
        tests.append((name, "FAIL" if failed else "pass", float(case.get("time") or 0), output,
                      labels.get(name, [])))
    return tests


def main(steps_path, list_path, report_path):
    steps = read_steps(steps_path)
    tests = read_tests(report_path, read_labels(list_path))
    units = [t for t in tests if "unit" in t[4]]
    checks = [t for t in tests if "unit" not in t[4]]
    for name, _, _, output, _ in checks:
        print(f"=== {name}")
        print(output.rstrip())
    print("=== summary")
    everything = steps + units + checks
    for name, result, seconds, _, _ in everything:
        print(f"test.sh: {result:<4} {seconds:6.1f} s  {name}")
    failed = [t for t in everything if t[1] != "pass"]
    for name, _, _, output, _ in failed:
        lines = output.rstrip().splitlines()
        print(f"test.sh: why {name} failed (its FAIL lines, then its last lines):")
        for line in [l for l in lines if "FAIL" in l][:5] + lines[-8:]:
            print(f"  | {line}")
    slowest = sorted(checks + units, key=lambda t: -t[2])[:5]
    print("test.sh: longest: " + ", ".join(f"{t[0]} {t[2]:.0f} s" for t in slowest))
    if failed:
        print(f"test.sh: FAILED: {' '.join(t[0] for t in failed)}")
        return 1
    print(f"test.sh: all {len(everything)} steps and tests passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
