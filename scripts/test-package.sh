#!/usr/bin/env bash
# The Debian package, built as Debian builds it: checks that the version, the build
# dependencies and scripts/packages/run.txt agree (scripts/check_debian.py); exports the
# tree (tracked and new files) and builds the source and binary packages from debian/ with
# dpkg-buildpackage; has lintian judge the .dsc, the .changes and the .deb (no error or
# warning; info and pedantic tags are listed); checks the package's fields and files and has
# Debian's checkers judge its menu entry, metainfo and manual page; meanwhile builds again in
# another folder, later, with another umask, and compares the .deb files byte for byte
# (diffoscope says why where they differ). It builds from the tree, not from a preset's
# build: bash scripts/test-package.sh package (ctest: package.debian).
#   bash scripts/test-package.sh package autopkgtest (ctest: package.autopkgtest) runs the
# package's autopkgtest script (debian/tests/show-scene) against the program the first build
# unpacked, on Xvfb and under weston: the part that draws, a test of its own so that the
# builds do not hold one of the drawing slots.
# Logs, pictures and packages: build/package/package-check/.
. "$(dirname "$0")/lib/end_to_end.sh"
unpacked=$build/package-check/root

if [ "$part" = autopkgtest ]; then
  # scripts/test-fresh-debian.sh runs it with autopkgtest against the installed package.
  [ -x "$unpacked/usr/games/vorlanth" ] ||
    fail "no unpacked package in $unpacked (bash scripts/test-package.sh package makes it)"
  for desktop in x11 wayland; do
    VORLANTH_PROGRAM=$unpacked/usr/games/vorlanth VORLANTH_TEST_OUT=$out \
      bash debian/tests/show-scene "$desktop" || fail "debian/tests/show-scene $desktop failed"
  done
  passed
  exit 0
fi
need dpkg-buildpackage dpkg-checkbuilddeps dh dpkg-deb dpkg-parsechangelog lintian diffoscope \
  desktop-file-validate appstreamcli man identify file readelf git python3
jobs=${VORLANTH_JOBS:-2}

python3 scripts/check_debian.py || fail "the packaging is out of step with the project (above)"
version=$(dpkg-parsechangelog -l debian/changelog -S Version)

# build FOLDER UMASK: the tree as it is (committed or not, build folders left out) copied to
# FOLDER/vorlanth-<version>, then the source and binary packages built there under UMASK.
build() {
  local tree=$1/vorlanth-$version
  mkdir -p "$tree"
  git ls-files -z --cached --others --exclude-standard | (umask "$2" && tar --null -T - -cf - | tar -C "$tree" -xf -)
  (cd "$tree" && umask "$2" &&
    run_logged "dpkg-buildpackage in $1" "$1/build.log" dpkg-buildpackage -us -uc -j"$jobs")
}

say "building the source and binary packages (dpkg-buildpackage -us -uc)"
dpkg-checkbuilddeps || fail "the build dependencies are not installed (apt-get build-dep ./)"
first=$out/first
phase=$SECONDS
build "$first" 0022
deb=$first/vorlanth_${version}_amd64.deb
dsc=$first/vorlanth_${version}.dsc
changes=$first/vorlanth_${version}_amd64.changes
for made in "$deb" "$dsc" "$changes" "$first/vorlanth_${version}.tar.xz"; do
  [ -f "$made" ] || fail "dpkg-buildpackage made no $(basename "$made") (see $first/build.log)"
done
say "built in $((SECONDS - phase)) s: $(cd "$first" && for f in vorlanth_*.tar.xz vorlanth_*.dsc vorlanth*.deb; do printf '%s %s bytes; ' "$f" "$(stat -c %s "$f")"; done)"

# Reproducible: another folder, another umask, another time and time zone; the changelog's
# date is SOURCE_DATE_EPOCH in both. The second build runs while the first's package is
# judged, which is mostly one process (lintian) waiting for a second core.
say "building again in another folder, later, with umask 0002"
second=$out/second/elsewhere
second_started=$SECONDS
# In a process group of its own (set -m), which a failing check's exit ends with it.
set -m
TZ=Pacific/Kiritimati build "$second" 0002 &
second_build=$!
set +m
at_exit "kill -- -$second_build 2>/dev/null"

# Debian's checker on all three, at its own judgement, with info and pedantic tags shown.
lintian_status=0
lintian --fail-on error,warning --display-info --pedantic --display-experimental "$dsc" "$changes" "$deb" \
  >"$out/lintian.log" 2>"$out/lintian.err" || lintian_status=$?
cat "$out/lintian.log"
grep -v '^running with root privileges' "$out/lintian.err" >&2 || true
[ "$lintian_status" = 0 ] ||
  fail "lintian found errors or warnings (exit $lintian_status): $(grep -E '^[EW]: ' "$out/lintian.log" | tr '\n' ' ')"
! grep -qE 'hardening-no-|binary-has-unneeded-section' "$out/lintian.log" ||
  fail "lintian: the program is not built as Debian builds its packages (see $out/lintian.log)"
say "lintian on the .dsc, .changes and .deb: $(grep -c '^[EWIPX]: ' "$out/lintian.log" || true) tags, none an error or warning"

# field NAME: the value of one control field.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vorlanth ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), the changelog's $version"
[ "$(field Section)" = games ] || fail "section $(field Section)"
grep -q "Vorlanth project" <<<"$(field Maintainer)" || fail "maintainer $(field Maintainer)"
# From the linked libraries, and the drivers OpenGL loads without the program linking them.
for wanted in libc6 libstdc++6 libx11-6 libglx0 libglu1-mesa libgl1-mesa-dri; do
  grep -q "\b$wanted\b" <<<"$(field Depends)" || fail "Depends lacks $wanted: $(field Depends)"
done
python3 scripts/check_debian.py "$deb" || fail "the package does not name what running needs (above)"

# The same files at the same paths as the package had when cpack made it, and the Wayland
# backend's module, which the program loads from its multiarch library folder.
dpkg -x "$deb" "$unpacked"
module=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/vorlanth/vorlanth-wayland.so
expected="/usr/games/vorlanth $module /usr/share/applications/vorlanth.desktop /usr/share/doc/vorlanth/changelog.gz
/usr/share/doc/vorlanth/copyright $(for size in 16 32 48 64 128 256; do echo "/usr/share/icons/hicolor/${size}x${size}/apps/vorlanth.png"; done)
/usr/share/man/man6/vorlanth.6.gz /usr/share/metainfo/invalid.vorlanth.vorlanth.metainfo.xml"
files=$(cd "$unpacked" && find . -type f | sed 's/^\.//' | sort)
[ "$files" = "$(tr ' ' '\n' <<<"$expected" | sort)" ] || fail "the package holds: $(echo $files)"
[ -x "$unpacked/usr/games/vorlanth" ] || fail "/usr/games/vorlanth is not executable"
cmp -s "$unpacked/usr/share/icons/hicolor/32x32/apps/vorlanth.png" scene/vorlanth.png ||
  fail "the packaged icon differs from scene/vorlanth.png"
for binary in /usr/games/vorlanth "$module"; do
  file "$unpacked$binary" | grep -q ", stripped" || fail "the packaged $binary is not stripped"
  readelf -S -W "$unpacked$binary" | grep -q ' \.comment ' && fail "$binary keeps .comment"
done
cmp -s <(zcat "$unpacked/usr/share/doc/vorlanth/changelog.gz") debian/changelog ||
  fail "the installed changelog is not debian/changelog"
say "files: the program and its Wayland module, menu entry, six icons, metainfo, manual page, copyright and changelog"

desktop-file-validate "$unpacked/usr/share/applications/vorlanth.desktop" >"$out/desktop-file.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$out/desktop-file.log")"
[ ! -s "$out/desktop-file.log" ] || fail "desktop-file-validate: $(cat "$out/desktop-file.log")"
grep -qx 'StartupWMClass=vorlanth' "$unpacked/usr/share/applications/vorlanth.desktop" ||
  fail "the menu entry lacks StartupWMClass=vorlanth"
metainfo=$unpacked/usr/share/metainfo/invalid.vorlanth.vorlanth.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$out/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$out/appstream.log")"
! grep -E '^[EW]: ' "$out/appstream.log" || fail "appstreamcli validate warns (see $out/appstream.log)"
grep -q '<launchable type="desktop-id">vorlanth.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch vorlanth.desktop"
manual=$unpacked/usr/share/man/man6/vorlanth.6.gz
MANWIDTH=80 man --warnings -l "$manual" >"$out/manual.txt" 2>"$out/manual.log" ||
  fail "man cannot show $manual: $(cat "$out/manual.log")"
[ ! -s "$out/manual.log" ] || fail "man warns about the manual page: $(cat "$out/manual.log")"
for heading in NAME SYNOPSIS DESCRIPTION KEYS ENVIRONMENT "EXIT STATUS" FILES; do
  grep -qx "$heading" "$out/manual.txt" || fail "the manual page has no $heading section"
done
for variable in VORLANTH_PLATFORM WAYLAND_DISPLAY DISPLAY XCURSOR_THEME XCURSOR_SIZE vblank_mode; do
  grep -qw "$variable" "$out/manual.txt" || fail "the manual page does not describe $variable"
done
for size in 16 32 48 64 128 256; do
  icon=$unpacked/usr/share/icons/hicolor/${size}x${size}/apps/vorlanth.png
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] ||
    fail "no ${size} x ${size} icon at /${icon#"$unpacked"/}"
done
say "desktop-file-validate, appstreamcli validate and man accept the menu entry, the metainfo and the manual page; six icon sizes"

wait "$second_build" || fail "the second build failed (see $second/build.log)"
compared=0
for made in "$first"/*.deb; do
  again=$second/$(basename "$made")
  [ -f "$again" ] || fail "the second build made no $(basename "$made")"
  if ! cmp -s "$made" "$again"; then
    diffoscope --text "$out/diffoscope.txt" "$made" "$again" >/dev/null 2>&1 || true
    head -n 40 "$out/diffoscope.txt" >&2
    fail "$(basename "$made") differs between the two builds (diffoscope: $out/diffoscope.txt)"
  fi
  compared=$((compared + 1))
done
say "second build in $((SECONDS - second_started)) s: its $compared .deb files are byte-identical to the first's"
passed
