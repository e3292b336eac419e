#!/usr/bin/env bash
# The Debian package: builds the release configuration, makes vorlanth_<version>_amd64.deb
# with cpack, checks its control fields and files, unpacks it into an empty root with
# dpkg -x and runs the unpacked program on an Xvfb server of its own until its window shows
# the scene; Escape then ends it with exit code 0. Logs and pictures: build/release/package-check/.
set -euo pipefail
# shellcheck source=scripts/lib/logged.sh
. "$(dirname "$0")/lib/logged.sh"
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/release
out=$build/package-check
jobs=${VORLANTH_JOBS:-2}
started=$SECONDS

say() { echo "test-package: $*"; }
fail() { echo "test-package: FAIL: $*" >&2; exit 1; }
source scripts/lib/xsession.sh
trap stop_session EXIT

for tool in cmake cpack dpkg-deb dpkg-shlibdeps file Xvfb xdotool xwininfo import convert python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-debian.sh run test installs it)"
done

build_targets release vorlanth
rm -rf "$out"
mkdir -p "$out"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/vorlanth_${version}_amd64.deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >"$out/cpack.log" 2>&1) || fail "cpack failed (see $out/cpack.log)"
[ -f "$deb" ] || fail "cpack made no $(basename "$deb") (see $out/cpack.log)"
say "$(basename "$deb"), $(stat -c %s "$deb") bytes"

# field NAME: the value of one control field.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vorlanth ] || fail "package name $(field Package)"
[ "$(field Architecture)" = amd64 ] || fail "architecture $(field Architecture)"
[ "$(field Section)" = games ] || fail "section $(field Section)"
grep -q "Vorlanth project" <<<"$(field Maintainer)" || fail "maintainer $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
# From the linked libraries, and the drivers OpenGL loads without the program linking them.
for wanted in libc6 libstdc++6 libx11-6 libglx0 libglu1-mesa libgl1-mesa-dri; do
  grep -q "\b$wanted\b" <<<"$depends" || fail "Depends lacks $wanted: $depends"
done
say "Depends: $depends"

unpacked=$out/root
dpkg -x "$deb" "$unpacked"
for path in usr/bin/vorlanth usr/share/applications/vorlanth.desktop \
            usr/share/icons/hicolor/32x32/apps/vorlanth.png; do
  [ -f "$unpacked/$path" ] || fail "the package has no /$path"
done
[ -x "$unpacked/usr/bin/vorlanth" ] || fail "/usr/bin/vorlanth is not executable"
cmp -s "$unpacked/usr/share/icons/hicolor/32x32/apps/vorlanth.png" scene/vorlanth.png ||
  fail "the packaged icon differs from scene/vorlanth.png"
file "$unpacked/usr/bin/vorlanth" | grep -q "stripped" && ! file "$unpacked/usr/bin/vorlanth" | grep -q "not stripped" ||
  fail "the packaged program is not stripped"
say "files: /usr/bin/vorlanth, its menu entry and its icon"

start_xvfb 200 239
say "Xvfb on $DISPLAY"
start_program packaged "$unpacked/usr/bin/vorlanth"
wait_window Vorlanth
sleep 1
shoot_scene packaged
say "the unpacked program shows the scene: $(cat "$out/packaged.check")"
# The program takes the keyboard when its window appears (there is no window manager).
for _ in $(seq 100); do
  [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$window" ] && break
  sleep 0.1
done
xdotool key Escape
for _ in $(seq 60); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 6 s after Escape"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" = 0 ] || fail "exit code $status after Escape (see $out/packaged.log)"
say "passed in $((SECONDS - started)) s"
