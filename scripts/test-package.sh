#!/usr/bin/env bash
# The Debian package: from the release build, makes vorlanth_<version>_amd64.deb with cpack,
# checks its control fields and files, has Debian's checkers judge it (lintian,
# desktop-file-validate, appstreamcli, man), unpacks it into an empty root with dpkg -x and
# runs the unpacked program on an Xvfb server of its own until its window shows the scene;
# Escape then ends it with exit code 0. bash scripts/test-package.sh release (ctest: package.deb,
# after the release build). Logs and pictures: build/release/package-check/.
. "$(dirname "$0")/lib/end_to_end.sh"
need cmake cpack dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli man \
  readelf Xvfb xdotool xwininfo import convert python3

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/vorlanth_${version}_amd64.deb
rm -f "$deb"
(cd "$build" && run_logged "making the package with cpack" "$out/cpack.log" cpack -G DEB)
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
for path in usr/games/vorlanth usr/share/applications/vorlanth.desktop \
            usr/share/icons/hicolor/32x32/apps/vorlanth.png usr/share/doc/vorlanth/copyright \
            usr/share/doc/vorlanth/changelog.gz usr/share/man/man6/vorlanth.6.gz; do
  [ -f "$unpacked/$path" ] || fail "the package has no /$path"
done
[ -x "$unpacked/usr/games/vorlanth" ] || fail "/usr/games/vorlanth is not executable"
cmp -s "$unpacked/usr/share/icons/hicolor/32x32/apps/vorlanth.png" scene/vorlanth.png ||
  fail "the packaged icon differs from scene/vorlanth.png"
file "$unpacked/usr/games/vorlanth" | grep -q "stripped" && ! file "$unpacked/usr/games/vorlanth" | grep -q "not stripped" ||
  fail "the packaged program is not stripped"
say "files: /usr/games/vorlanth, its menu entry and its icon"

# Debian's checker, at its own judgement; infos are listed, and those about how the program
# was built (hardening, unneeded sections) fail too, as the build is meant to avoid them.
lintian_status=0
lintian --fail-on error,warning --display-info "$deb" >"$out/lintian.log" 2>"$out/lintian.err" ||
  lintian_status=$?
cat "$out/lintian.log"
grep -v '^running with root privileges' "$out/lintian.err" >&2 || true
[ "$lintian_status" = 0 ] ||
  fail "lintian found errors or warnings (exit $lintian_status): $(grep -E '^[EW]: ' "$out/lintian.log" | tr '\n' ' ')"
! grep -qE 'hardening-no-|binary-has-unneeded-section' "$out/lintian.log" ||
  fail "lintian: the program is not built as Debian builds its packages (see $out/lintian.log)"
readelf -S -W "$unpacked/usr/games/vorlanth" | grep -q ' \.comment ' && fail "/usr/games/vorlanth keeps .comment"
say "lintian: $(grep -c '^[EWIP]: ' "$out/lintian.log" || true) tags, none an error or warning"

desktop-file-validate "$unpacked/usr/share/applications/vorlanth.desktop" >"$out/desktop-file.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$out/desktop-file.log")"
[ ! -s "$out/desktop-file.log" ] || fail "desktop-file-validate: $(cat "$out/desktop-file.log")"
metainfo=$(ls "$unpacked"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >"$out/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$out/appstream.log")"
! grep -E '^[EW]: ' "$out/appstream.log" || fail "appstreamcli validate warns (see $out/appstream.log)"
grep -q '<launchable type="desktop-id">vorlanth.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch vorlanth.desktop"
# The Wayland app id and X11's WM_CLASS instance are the program's name; the menu entry's
# name must be the same for desktops to match the window with its entry.
grep -qx 'StartupWMClass=vorlanth' "$unpacked/usr/share/applications/vorlanth.desktop" ||
  fail "the menu entry lacks StartupWMClass=vorlanth"
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

start_xvfb 200 239
say "Xvfb on $DISPLAY"
start_program packaged "$unpacked/usr/games/vorlanth"
wait_window Vorlanth
sleep 1
shoot_scene packaged
say "the unpacked program shows the scene: $(cat "$out/packaged.check")"
# Desktops match the window with its menu entry by WM_CLASS's instance (or StartupWMClass).
xprop -id "$window" WM_CLASS | grep -qF '= "vorlanth",' ||
  fail "WM_CLASS is $(xprop -id "$window" WM_CLASS), not vorlanth as the menu entry"
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
[ "$status" = 0 ] || fail "exit code $status after Escape (see $out/packaged.err)"

# On Wayland the compositor matches the toplevel's app id with the menu entry's name.
start_weston
WAYLAND_DEBUG=client XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket \
  start_program wayland "$unpacked/usr/games/vorlanth"
for _ in $(seq 100); do
  grep -q 'set_app_id' "$out/wayland.err" && break
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended under weston (see $out/wayland.err)"
  sleep 0.1
done
app_id=$(sed -n 's/.*xdg_toplevel@[0-9]*\.set_app_id("\(.*\)").*/\1/p' "$out/wayland.err" | head -n1)
[ "$app_id" = vorlanth ] || fail "the Wayland app id is \"$app_id\", not vorlanth (see $out/wayland.err)"
say "the window's WM_CLASS instance and Wayland app id are vorlanth, as the menu entry's name"
passed
