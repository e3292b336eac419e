#!/usr/bin/env python3
"""Checks that every command the project's scripts call comes from a package in
scripts/packages/ (or one those depend on) or from Debian's base system, so that a fresh
machine gets it from scripts/setup-debian.sh. Prints each command that does not, with the
script line that calls it, and exits 1 then.

    check_commands.py [SCRIPT...]   default: .ci/run, scripts/*.sh, scripts/lib/*.sh"""
import glob
import os
import re
import shlex
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Words the shell itself understands; they are no programs.
SHELL_WORDS = set("""
    ! [[ ]] { } ( ) case coproc do done elif else esac fi for function if in select then
    time until while . : [ alias bg bind break builtin caller cd command compgen complete
    continue declare dirs disown echo enable eval exec exit export false fc fg getopts hash
    help history jobs kill let local logout mapfile popd printf pushd pwd read readarray
    readonly return set shift shopt source suspend test times trap true type typeset ulimit
    umask unalias unset wait""".split())
# Words after which the next word is a command again.
SEPARATORS = {"|", "||", "&&", ";", "&", "(", ")", "then", "do", "else", "elif", "if",
              "while", "until", "!", "time", "exec", "{", "|&"}
# Commands that run another command: name -> (arguments to skip first, options that take a value).
WRAPPERS = {"timeout": (1, {"-s", "-k", "--signal", "--kill-after"}), "env": (0, {"-u", "-C"}),
            "sudo": (0, {"-u"}), "nice": (0, {"-n"}), "xargs": (0, {"-n", "-I", "-P"}),
            "command": (0, set())}
# Programs the scripts call through CMake, CPack or a variable, which the parser cannot see.
INDIRECT = {"ninja": "cmake -G Ninja", "c++": "cmake", "dpkg-shlibdeps": "cpack",
            "x86_64-w64-mingw32-g++": "$compiler", "x86_64-w64-mingw32-windres": "cmake",
            "apt-get": "$sudo"}
# Where Debian's packages put programs: what a fresh machine finds.
PACKAGE_PATH = "/usr/sbin:/usr/bin:/sbin:/bin"


def without_comment(line):
    """The line up to a comment, and whether a quote is still open at its end."""
    quote, escaped = None, False
    for i, c in enumerate(line):
        if escaped:
            escaped = False
        elif c == "\\" and quote != "'":
            escaped = True
        elif quote:
            quote = None if c == quote else quote
        elif c in "'\"":
            quote = c
        elif c == "#" and (i == 0 or line[i - 1] in " \t;(|&"):
            return line[:i], False
    return line, quote is not None


def logical_lines(text):
    """The script's lines without heredoc bodies and comments; continued lines and quotes
    over several lines joined."""
    lines, heredoc_end, pending, start = [], None, "", 0
    for number, line in enumerate(text.splitlines(), 1):
        if heredoc_end is not None:
            if line.strip() == heredoc_end:
                heredoc_end = None
            continue
        start = start or number
        code, open_quote = without_comment(pending + line)
        marker = re.search(r"<<-?\s*['\"]?(\w+)['\"]?", code)
        if marker and "<<<" not in code:
            heredoc_end = marker.group(1)
        if open_quote:
            pending += line + " "
            continue
        if code.rstrip().endswith("\\"):
            pending = code.rstrip()[:-1] + " "
            continue
        lines.append((start, code))
        pending, start = "", 0
    return lines


def substitutions(line):
    """The texts inside $( ... ) and backticks, nested ones too."""
    found, i = [], 0
    while True:
        start = line.find("$(", i)
        if start < 0:
            break
        depth, j = 0, start + 1
        while j < len(line):
            if line[j] == "(":
                depth += 1
            elif line[j] == ")":
                depth -= 1
                if depth == 0:
                    break
            j += 1
        inner = line[start + 2:j]
        if not inner.startswith("("):  # $(( arithmetic ))
            found.append(inner)
            found.extend(substitutions(inner))
        i = start + 2
    found.extend(re.findall(r"`([^`]*)`", line))
    return found


def commands_in(text):
    # Substitutions are read on their own (substitutions()); arithmetic is no command; a
    # case arm's pattern neither.
    while True:
        shorter = re.sub(r"\$\((?!\()[^()]*\)", "0", text)
        if shorter == text:
            break
        text = shorter
    text = re.sub(r"\$?\(\((?:[^()]|\([^()]*\))*\)\)", "0", text)
    text = re.sub(r"^\s*[^\s()]+\)(\s|$)", " ", text)
    # An array's words, as in NAME=(a b) or NAME+=(c), are values.
    text = re.sub(r"(\b[A-Za-z_]\w*\+?=)\([^()]*\)", r"\g<1>0", text)
    words = []
    try:
        lexer = shlex.shlex(text, posix=True, punctuation_chars=";&|()")
        lexer.commenters = "#"
        lexer.wordchars += "$-./:=[]{}!,+%@^~*?"
        words = list(lexer)
    except ValueError:
        words = text.split()
    found, expect, skip, valued, wrapper = [], True, 0, False, None
    for word in words:
        if word in ("!", "{", "}") and not expect:
            continue  # an argument, as in [ ! -e FILE ]
        if word in SEPARATORS or set(word) <= set(";&|()"):
            expect, skip, wrapper = True, 0, None
            continue
        if not expect:
            continue
        if valued:  # the value of a wrapper's option
            valued = False
            continue
        if word.startswith("-") and wrapper:
            valued = word in WRAPPERS[wrapper][1]
            continue
        if skip > 0:
            skip -= 1
            continue
        if re.match(r"^\w+=", word):
            continue  # an assignment before the command
        if word in WRAPPERS:
            wrapper, skip = word, WRAPPERS[word][0]
            if word != "command":
                found.append(word)
            continue
        if word in SHELL_WORDS or word.startswith("$") or "/" in word or "=" in word or \
                word.isdigit() or not re.match(r"^[A-Za-z0-9_.+-]+$", word):
            expect = False
            continue
        found.append(word)
        expect = False
    return found


def script_commands(path):
    text = open(path, encoding="utf-8").read()
    functions = set(re.findall(r"^\s*(?:function\s+)?([A-Za-z_][\w-]*)\s*\(\)", text, re.M))
    calls = []
    for number, line in logical_lines(text):
        for piece in [line] + substitutions(line):
            for name in commands_in(piece):
                if name not in functions:
                    calls.append((name, number))
    return calls, functions


def listed_packages():
    names = []
    for listing in sorted(glob.glob(os.path.join(ROOT, "scripts", "packages", "*.txt"))):
        for line in open(listing, encoding="utf-8"):
            line = line.split("#", 1)[0].strip()
            if line:
                names.append(line)
    return names


def allowed_packages():
    """The listed packages, what they depend on, and the base system."""
    allowed = set()
    listing = subprocess.run(
        ["apt-cache", "depends", "--recurse", "--installed", "--no-recommends", "--no-suggests",
         "--no-conflicts", "--no-breaks", "--no-replaces", "--no-enhances"] + listed_packages(),
        capture_output=True, text=True, check=False).stdout
    for line in listing.splitlines():
        name = line.strip().split(":", 1)[-1].strip() if ":" in line else line.strip()
        allowed.add(name.strip("<>").split(":")[0])
    base = subprocess.run(["dpkg-query", "-W", "-f", "${Package} ${Essential} ${Priority}\n"],
                          capture_output=True, text=True, check=True).stdout
    for line in base.splitlines():
        name, essential, priority = (line.split() + ["", ""])[:3]
        if essential == "yes" or priority == "required":
            allowed.add(name)
    return allowed


def candidates(path):
    """The names dpkg may know a program's path by: Debian 12 merges /bin into /usr/bin, and
    dpkg knows either."""
    names = {path, os.path.realpath(path)}
    for p in list(names):
        names.add(p[4:] if p.startswith("/usr/") else "/usr" + p)
    return sorted(names)


def owners_of(paths):
    """Each path's package, from one question to dpkg (each question reads its whole
    database); a path no package owns is left out."""
    asked = sorted({name for path in paths for name in candidates(path)})
    listing = subprocess.run(["dpkg", "-S"] + asked, capture_output=True, text=True,
                             check=False).stdout
    owned = {}
    for line in listing.splitlines():
        packages, _, name = line.partition(": ")
        owned.setdefault(name.strip(), packages.split(",")[0].strip())
    return {path: next((owned[n] for n in candidates(path) if n in owned), None)
            for path in paths}


def main(paths):
    if not paths:
        paths = [os.path.join(ROOT, ".ci", "run")] + sorted(
            glob.glob(os.path.join(ROOT, "scripts", "*.sh")) +
            glob.glob(os.path.join(ROOT, "scripts", "lib", "*.sh")))
    calls, functions = {}, set()
    for path in paths:
        found, defined = script_commands(path)
        functions |= defined
        for name, number in found:
            calls.setdefault(name, f"{os.path.relpath(path, ROOT)}:{number}")
    for name in functions:
        calls.pop(name, None)
    for name, through in INDIRECT.items():
        calls.setdefault(name, f"through {through}")
    allowed = allowed_packages()
    found = {name: shutil.which(name, path=PACKAGE_PATH) for name in calls}
    owner = owners_of([path for path in found.values() if path])
    problems, owners = [], {}
    for name, where in sorted(calls.items()):
        path = found[name]
        if path is None:
            problems.append(f"{name} (called at {where}) is not installed: "
                            "no listed package provides it")
            continue
        package = owner[path]
        if package is None:
            problems.append(f"{name} (called at {where}) is {path}, which no package owns")
        elif package.split(":")[0] not in allowed:
            problems.append(f"{name} (called at {where}) comes from {package}, "
                            "which scripts/packages/ does not list")
        else:
            owners[name] = package
    for line in problems:
        print(f"check-commands: {line}", file=sys.stderr)
    print(f"check-commands: {len(calls)} commands in {len(paths)} scripts, "
          f"{len(owners)} from listed or base packages, {len(problems)} not")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
