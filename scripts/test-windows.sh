#!/usr/bin/env bash
# The Windows build: cross-compiles vorlanth.exe with MinGW-w64, checks the built file (GUI
# subsystem, system DLLs only, the icon resource), then runs it under Wine on an Xvfb server of
# its own: the window "Vorlanth" with its 600 x 500 client area, the scene's colours on screen,
# exit code 0 after Escape and again after closing the window. Every wait has a time limit.
set -euo pipefail
# shellcheck source=scripts/lib/logged.sh
. "$(dirname "$0")/lib/logged.sh"
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/mingw
out=$build/wine-check
checks=$root/tests/windows
jobs=${VORLANTH_JOBS:-2}
started=$SECONDS

say() { echo "test-windows: $*"; }
fail() { echo "test-windows: FAIL: $*" >&2; exit 1; }

for tool in cmake ninja python3 x86_64-w64-mingw32-g++ x86_64-w64-mingw32-windres \
            wine wineboot wineserver Xvfb xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-debian.sh installs it)"
done

say "icon files match tools/make_icon.py"
python3 tools/make_icon.py --check scene || fail "regenerate with: python3 tools/make_icon.py scene"

# The program exists once the frame step has its figure and bubble cluster (scene/CMakeLists.txt).
if [ ! -e scene/figure.h ] || [ ! -e scene/bubble_cluster.h ]; then
  say "SKIPPED: the scene is not complete yet, so there is no vorlanth.exe to run"
  exit 0
fi


say "cross-building into build/mingw"
run_logged "configuring the cross build" "$root/build/logs/mingw.log" \
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
cmake --build "$build" --target vorlanth -j "$jobs"
exe=$build/scene/vorlanth.exe
[ -f "$exe" ] || fail "$exe was not built"

say "checking the built file"
python3 "$checks/check_exe.py" "$exe" scene/vorlanth.ico || fail "the executable is not as it should be"

rm -rf "$out"
mkdir -p "$out"
xvfb_pid="" app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "${WINEPREFIX:-}" ] && [ -d "${WINEPREFIX:-}" ]; then timeout 20 wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A server of our own on a free display from :97 up; it writes the number once it accepts clients.
for number in $(seq 97 127); do
  [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
  rm -f "$out/display"
  # -noreset: the server would otherwise restart whenever its last client leaves, refusing
  # the next program that connects meanwhile.
  Xvfb ":$number" -noreset -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$out/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break # taken meanwhile: try the next one
    sleep 0.1
  done
  [ -s "$out/display" ] && break
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || fail "Xvfb did not start (see $out/xvfb.log)"
export DISPLAY=":$(head -n1 "$out/display")"
say "Xvfb on $DISPLAY"

# A fresh Wine prefix; no Mono or browser engine, so no install prompts.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
say "preparing the Wine prefix"
timeout 180 wineboot -i </dev/null >"$out/wineboot.log" 2>&1 || fail "wineboot failed (see $out/wineboot.log)"

# start_program NAME: runs vorlanth.exe in the background, output into $out/NAME.log.
start_program() {
  (cd "$build/scene" && exec timeout 120 wine vorlanth.exe) </dev/null >"$out/$1.log" 2>&1 &
  app_pid=$!
}

# wait_window: sets window to the id of the visible window titled "Vorlanth".
wait_window() {
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Vorlanth$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "vorlanth.exe ended before its window appeared"
    sleep 0.1
  done
  fail "no window \"Vorlanth\" within 30 s"
}

# wait_exit SECONDS: waits for the program to end and sets status to its exit code.
wait_exit() {
  for _ in $(seq $(($1 * 10))); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "vorlanth.exe still runs $1 s later"
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
}

# geometry: sets left, top, width, height of the window's X window. With no window manager
# Wine maps a top-level window's client area alone, so this is the client rectangle.
geometry() {
  local info
  info=$(xwininfo -id "$window")
  left=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  width=$(sed -n 's/.*Width: *//p' <<<"$info")
  height=$(sed -n 's/.*Height: *//p' <<<"$info")
}

say "run 1: window, screenshot, Escape"
start_program escape
wait_window
geometry
say "window $window: client area ${width} x ${height} at ${left}, ${top}"
[ "$width" = 600 ] && [ "$height" = 500 ] || fail "client area ${width} x ${height}, expected 600 x 500"
# Outer corner at 100, 100 with the frame (4) and caption plus frame (23) Wine adds.
[ "$left" = 104 ] && [ "$top" = 122 ] || fail "client corner at ${left}, ${top}, expected 104, 122"
sleep 2 # let the animation run a while
# The lettering spins and may be edge-on in one shot: up to six shots, half a second apart.
shown=""
for shot in 1 2 3 4 5 6; do
  import -window root "$out/screen.png"
  convert "$out/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$out/client.png"
  convert "$out/client.png" -depth 8 "ppm:$out/client.ppm"
  if python3 "$checks/check_screenshot.py" "$out/client.ppm"; then shown=$shot; break; fi
  sleep 0.5
done
[ -n "$shown" ] || fail "the scene's colours are not on screen (last shot: $out/client.png)"
say "screenshot $shown in build/mingw/wine-check/client.png shows the scene"
kill -0 "$app_pid" 2>/dev/null || fail "vorlanth.exe ended by itself"
xdotool mousemove --sync $((left + width / 2)) $((top + height / 2))
timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key Escape
wait_exit 20
[ "$status" = 0 ] || fail "exit code $status after Escape (see $out/escape.log)"
say "Escape ended it with exit code 0"

say "run 2: closing the window"
start_program close
wait_window
sleep 1
python3 "$checks/send_close.py" "$window" || fail "could not ask the window to close"
wait_exit 20
[ "$status" = 0 ] || fail "exit code $status after closing (see $out/close.log)"
say "closing ended it with exit code 0"

say "passed in $((SECONDS - started)) s"
