#!/usr/bin/env python3
"""Compares the scenario program's traces from the platform's backends with the reference's.

    compare_traces.py REFERENCE KNOWN BACKEND=TRACE [BACKEND=TRACE ...]

REFERENCE is the trace the program wrote on Wine. A backend whose trace has no "== input from
outside" section is compared up to that section only. Every line that differs must match an
entry of KNOWN (tests/conformance/known-differences.txt); an entry for a compared backend that
matches no difference fails the check as well. Prints how many lines were compared per backend and how many known
differences were allowed; exits 1 on any unexplained difference or stale entry."""
import difflib
import sys

INPUT_SECTION = "== input from outside"


def read_trace(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return [line.rstrip("\r\n") for line in f]


def read_known(path):
    """Entries: backend | scenario | +line or -line | reason | source."""
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            fields = [field.strip() for field in line.split(" | ")]
            if len(fields) != 5 or fields[2][:2] not in ("+ ", "- ") or not all(fields):
                sys.exit(f"{path}:{number}: expected 'backend | scenario | +/- line | reason | source'")
            entries.append({"where": f"{path}:{number}", "backend": fields[0], "scenario": fields[1],
                            "line": fields[2], "used": False})
    return entries


def scenario_of(lines, index):
    for i in range(min(index, len(lines) - 1), -1, -1):
        if lines[i].startswith("== "):
            return lines[i]
    return "(start)"


def differences(reference, trace):
    """Lines only in the reference ("- ") or only in the trace ("+ "), with line numbers
    (1-based) and scenario."""
    found = []
    matcher = difflib.SequenceMatcher(a=reference, b=trace, autojunk=False)
    for tag, a0, a1, b0, b1 in matcher.get_opcodes():
        if tag == "equal":
            continue
        for i in range(a0, a1):
            found.append(("- " + reference[i], i + 1, b0 + 1, scenario_of(reference, i)))
        for j in range(b0, b1):
            found.append(("+ " + trace[j], a0 + 1, j + 1, scenario_of(trace, j)))
    return found


def main(argv):
    if len(argv) < 4:
        sys.exit(__doc__)
    reference = read_trace(argv[1])
    known = read_known(argv[2])
    if not reference or reference[-1] != "end":
        print(f"conformance: the reference trace {argv[1]} is incomplete (no final 'end')")
        return 1
    failed = False
    compared = set()
    for argument in argv[3:]:
        backend, path = argument.split("=", 1)
        compared.add(backend)
        trace = read_trace(path)
        expected = reference
        if INPUT_SECTION not in trace and INPUT_SECTION in reference:
            expected = reference[:reference.index(INPUT_SECTION)] + ["end"]
        allowed = 0
        for line, ref_number, number, scenario in differences(expected, trace):
            entry = next((e for e in known if e["backend"] == backend and e["scenario"] == scenario
                          and e["line"] == line and not e["used"]), None)
            if entry is not None:
                entry["used"] = True
                allowed += 1
                continue
            failed = True
            if line.startswith("- "):
                print(f"conformance: {backend}: line {number} of {path}, in \"{scenario}\": "
                      f"the reference has \"{line[2:]}\" (its line {ref_number}), {backend} has not")
            else:
                print(f"conformance: {backend}: line {number} of {path}, in \"{scenario}\": "
                      f"\"{line[2:]}\" is not in the reference (near its line {ref_number})")
        print(f"conformance: {backend}: {len(expected)} scenario lines compared, "
              f"{allowed} known difference{'s' if allowed != 1 else ''} allowed")
    # Another backend's entries wait for its own comparison.
    for entry in known:
        if not entry["used"] and entry["backend"] in compared:
            failed = True
            print(f"conformance: {entry['where']}: stale entry, no such difference any more: "
                  f"{entry['backend']} | {entry['scenario']} | {entry['line']}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
