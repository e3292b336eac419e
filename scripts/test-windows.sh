#!/usr/bin/env bash
# The Windows build: vorlanth.exe cross-built with MinGW-w64 (preset mingw); checks the built file (GUI
# subsystem, system DLLs only, the icon resource), then runs it under Wine on an Xvfb server of
# its own: the window "Vorlanth" with its 600 x 500 client area, the scene's colours on screen,
# exit code 0 after Escape and again after closing the window. bash scripts/test-windows.sh mingw
# (ctest: windows.wine, after the mingw build). Every wait has a time limit.
. "$(dirname "$0")/lib/end_to_end.sh"
need python3 wine wineboot wineserver Xvfb xdotool xwininfo import convert
checks=$root/tests/windows
at_exit '[ ! -d "${WINEPREFIX:-}" ] || timeout 20 wineserver -k 2>/dev/null'

say "icon files match tools/make_icon.py"
python3 tools/make_icon.py --check scene || fail "regenerate with: python3 tools/make_icon.py scene"

# The program exists once the frame step has its figure and bubble cluster (scene/CMakeLists.txt).
if [ ! -e scene/figure.h ] || [ ! -e scene/bubble_cluster.h ]; then
  say "SKIPPED: the scene is not complete yet, so there is no vorlanth.exe to run"
  exit 0
fi


exe=$build/scene/vorlanth.exe
[ -f "$exe" ] || fail "$exe was not built"

say "checking the built file"
python3 "$checks/check_exe.py" "$exe" scene/vorlanth.ico || fail "the executable is not as it should be"

start_xvfb 97 127 1024x768x24
say "Xvfb on $DISPLAY"

# A fresh Wine prefix; no Mono or browser engine, so no install prompts.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
say "preparing the Wine prefix"
timeout 180 wineboot -i </dev/null >"$out/wineboot.log" 2>&1 || fail "wineboot failed (see $out/wineboot.log)"

# press_escape LOG: Escape to the window, which must end the program with code 0.
press_escape() {
  xdotool mousemove --sync $((left + width / 2)) $((top + height / 2))
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key Escape
  wait_exit 20
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $out/$1)"
}

say "run 1: window, screenshot, Escape"
start_program escape env -C "$build/scene" wine vorlanth.exe
wait_window Vorlanth
# With no window manager Wine maps a top-level window's client area alone: the client rectangle.
geometry
say "window $window: client area ${width} x ${height} at ${left}, ${top}"
[ "$width" = 600 ] && [ "$height" = 500 ] || fail "client area ${width} x ${height}, expected 600 x 500"
# Outer corner at 100, 100 with the frame (4) and caption plus frame (23) Wine adds.
[ "$left" = 104 ] && [ "$top" = 122 ] || fail "client corner at ${left}, ${top}, expected 104, 122"
sleep 2 # let the animation run a while
shoot_scene client python3 "$checks/check_screenshot.py"
say "$out/client.png shows the scene"
kill -0 "$app_pid" 2>/dev/null || fail "vorlanth.exe ended by itself"
press_escape escape.err
say "Escape ended it with exit code 0"

say "run 2: closing the window"
start_program close env -C "$build/scene" wine vorlanth.exe
wait_window Vorlanth
sleep 1
python3 "$checks/send_close.py" "$window" || fail "could not ask the window to close"
wait_exit 20
[ "$status" = 0 ] || fail "exit code $status after closing (see $out/close.err)"
say "closing ended it with exit code 0"

# The download: cpack's zip, unpacked into an empty folder and run from there, with no MinGW
# run-time library on Wine's search path.
say "run 3: the download, vorlanth-<version>-win64.zip, from an empty folder"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/vorlanth-$version-win64.zip
rm -f "$zip"
(cd "$build" && run_logged "making the zip with cpack" "$out/cpack.log" cpack -G ZIP)
[ -f "$zip" ] || fail "cpack made no $(basename "$zip") (see $out/cpack.log)"
contents=$(python3 -m zipfile -l "$zip" | awk 'NR > 1 { print $1 }' | sort | tr '\n' ' ')
[ "$contents" = "LICENSE README.txt vorlanth.exe " ] || fail "the zip holds: $contents"
download=$out/unpacked
rm -rf "$download"
mkdir -p "$download"
python3 -m zipfile -e "$zip" "$download"
start_program download env -u WINEPATH -C "$download" wine vorlanth.exe
wait_window Vorlanth
geometry
sleep 2
shoot_scene download python3 "$checks/check_screenshot.py"
press_escape download.err
say "$(basename "$zip"), $(stat -c %s "$zip") bytes: the unpacked program shows the scene, Escape gives 0"

passed
