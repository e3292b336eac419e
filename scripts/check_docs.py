#!/usr/bin/env python3
"""Checks the project's documentation: every relative link in README.md, CONTRIBUTING.md and
docs/*.md points at a file that exists and, for a Markdown file, at a heading it has; and the
README's two commands (the first two indented code lines under its "Quick start" heading: run,
then test) are the ones .ci/run and scripts/test-fresh-debian.sh run. Prints each fault with
its file and line, and exits 1 then.

    check_docs.py              the checks
    check_docs.py --commands   prints the README's run and test commands, one a line"""
import glob
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COMMANDS_HEADING = "Quick start"

LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s.*)?$")
HEADING = re.compile(r"^\s{0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
FENCE = re.compile(r"^\s{0,3}(```|~~~)")


def prose_lines(text):
    """(number, line) for each line outside fenced and indented code blocks."""
    fence = None
    previous_blank = True
    for number, line in enumerate(text.splitlines(), 1):
        opener = FENCE.match(line)
        if fence:
            if opener and opener.group(1) == fence:
                fence = None
            continue
        if opener:
            fence = opener.group(1)
            continue
        if line.startswith("    ") and previous_blank and not line.lstrip().startswith(("-", "*")):
            continue  # an indented code block (stays one while its lines stay indented)
        previous_blank = line.strip() == "" or (previous_blank and line.startswith("    "))
        yield number, line


def anchor(heading_text):
    """GitHub's anchor for a heading: inline markup dropped, lower case, punctuation other
    than hyphens and underscores dropped, spaces turned into hyphens."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading_text)  # links keep their text
    text = re.sub(r"[`*]", "", text)
    text = text.strip().lower()
    text = "".join(c for c in text if c.isalnum() or c in " -_")
    return text.replace(" ", "-")


def anchors(path):
    """Every heading anchor of a Markdown file, repeated headings numbered as GitHub does."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    seen = {}
    result = set()
    for _, line in prose_lines(text):
        match = HEADING.match(line)
        if not match:
            continue
        base = anchor(match.group(2))
        count = seen.get(base, 0)
        seen[base] = count + 1
        result.add(base if count == 0 else f"{base}-{count}")
    return result


def link_faults(path):
    """Faults of the relative links in one Markdown file."""
    faults = []
    with open(path, encoding="utf-8") as f:
        text = f.read()
    own = anchors(path)
    for number, line in prose_lines(text):
        line = re.sub(r"`[^`]*`", "", line)  # a code span holds no link
        targets = [m.group(1) for m in LINK.finditer(line)]
        reference = REFERENCE.match(line)
        if reference:
            targets.append(reference.group(1))
        for target in targets:
            if not target or re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
                continue  # an absolute address (https:, mailto:) is not ours to check
            where = f"{os.path.relpath(path, ROOT)}:{number}: {target}"
            file_part, _, fragment = target.partition("#")
            if file_part:
                linked = os.path.normpath(os.path.join(os.path.dirname(path), file_part))
                if not os.path.exists(linked):
                    faults.append(f"{where}: no file {os.path.relpath(linked, ROOT)}")
                    continue
            else:
                linked = path
            if fragment and linked.endswith(".md"):
                names = own if linked == path else anchors(linked)
                if fragment not in names:
                    faults.append(f"{where}: no heading with the anchor #{fragment}")
    return faults


def readme_commands():
    """The README's run and test commands, or an error message."""
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        lines = f.read().splitlines()
    inside = False
    commands = []
    for line in lines:
        heading = HEADING.match(line)
        if heading:
            if inside:
                break
            inside = heading.group(2).strip() == COMMANDS_HEADING
            continue
        if inside and line.startswith("    ") and line.strip():
            commands.append(line.strip())
    if len(commands) < 2:
        return None, f'README.md: no two indented command lines under "## {COMMANDS_HEADING}"'
    return commands[:2], None


def runs(path, command):
    """Whether a script runs the command: a line of its own, outside comments."""
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return any(line.split("#", 1)[0].strip() == command for line in f)


def command_faults():
    commands, error = readme_commands()
    if error:
        return [error]
    run, test = commands
    faults = []
    if not runs(".ci/run", test):
        faults.append(f".ci/run does not run the README's test command: {test}")
    # The pristine-root check takes both from the README; it must not run copies of its own.
    fresh = "scripts/test-fresh-debian.sh"
    with open(os.path.join(ROOT, fresh), encoding="utf-8") as f:
        code = "\n".join(line.split("#", 1)[0] for line in f)
    if "check_docs.py --commands" not in code:
        faults.append(f"{fresh} does not read the README's commands (check_docs.py --commands)")
    for command in (run, test):
        if f'"{command}"' in code:
            faults.append(f"{fresh} runs its own copy of the README's command: {command}")
    return faults


def main(argv):
    if argv[1:] == ["--commands"]:
        commands, error = readme_commands()
        if error:
            print(f"check-docs: {error}", file=sys.stderr)
            return 1
        print("\n".join(commands))
        return 0
    if argv[1:]:
        print(__doc__, file=sys.stderr)
        return 2
    files = [os.path.join(ROOT, name) for name in ("README.md", "CONTRIBUTING.md")]
    files += sorted(glob.glob(os.path.join(ROOT, "docs", "*.md")))
    faults = []
    for path in files:
        if not os.path.exists(path):
            faults.append(f"{os.path.relpath(path, ROOT)}: missing")
            continue
        faults += link_faults(path)
    faults += command_faults()
    for fault in faults:
        print(f"check-docs: {fault}", file=sys.stderr)
    if faults:
        print(f"check-docs: FAIL: {len(faults)} fault(s)", file=sys.stderr)
        return 1
    print(f"check-docs: {len(files)} files, their links and the README's two commands agree")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
