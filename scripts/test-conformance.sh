#!/usr/bin/env bash
# The platform layer against a Win32 implementation written by others: the scenario program
# (tests/conformance/scenarios.cpp) is cross-built with MinGW-w64 and run on Wine (a fresh
# prefix), and built natively and run on the virtual desktop, on the X11 backend and on the
# Wayland backend under weston, all on one Xvfb server of the script's own. The same xdotool script (tests/conformance/input.xdo) drives
# the Wine and the X11 run; the traces are compared line by line with Wine's
# (tests/conformance/compare_traces.py), allowing only tests/conformance/known-differences.txt.
# The native runs happen for each preset in VORLANTH_CONFORMANCE_PRESETS (default: debug asan).
# Traces and logs go to build/conformance/. Every wait has a time limit.
set -euo pipefail
# shellcheck source=scripts/lib/logged.sh
. "$(dirname "$0")/lib/logged.sh"
cd "$(dirname "$0")/.."
root=$PWD
here=$root/tests/conformance
presets=${VORLANTH_CONFORMANCE_PRESETS:-debug asan}
out=$root/build/conformance
jobs=${VORLANTH_JOBS:-2}
started=$SECONDS

say() { echo "test-conformance: $*"; }
fail() { echo "test-conformance: FAIL: $*" >&2; exit 1; }

for tool in cmake python3 x86_64-w64-mingw32-g++ wine wineboot wineserver Xvfb xdpyinfo xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-debian.sh installs it)"
done

rm -rf "$out"
mkdir -p "$out"

say "building the scenarios for Windows"
x86_64-w64-mingw32-g++ -std=c++20 -O1 -Wall -Wextra -Werror -static -o "$out/scenarios.exe" \
  "$here/scenarios.cpp" -luser32 -lgdi32 -ladvapi32 || fail "the cross-build failed"
for preset in $presets; do
  say "building the scenarios for the virtual desktop and X11 ($preset)"
  build_targets "$preset" conformance_scenarios
done

source scripts/lib/xsession.sh
source scripts/lib/weston.sh
source scripts/lib/sanitizers.sh
# The sanitizers' settings, which the debug programs ignore.
sanitizer_environment asan
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  app_pid=""
  if [ -n "${WINEPREFIX:-}" ] && [ -d "${WINEPREFIX:-}" ]; then timeout 20 wineserver -k 2>/dev/null || true; fi
  stop_session_and_weston
}
trap cleanup EXIT

start_xvfb $((200 + RANDOM % 30)) 259
say "Xvfb on $DISPLAY"
# The pointer away from every window, before Wine starts and takes note of where it is: Wine
# sends a window under it WM_MOUSEMOVE when the window appears and when capture ends.
xdotool mousemove --sync 0 0

# drive NAME COMMAND...: runs the scenarios with "input" on the command line, does to them
# what input.xdo says, closes the input window as a window manager's close box does, and
# waits for the program to end.
drive() {
  local name=$1 window status=0
  shift
  xdotool mousemove --sync 0 0
  timeout 120 "$@" input </dev/null >"$out/$name.txt" 2>"$out/$name.err" &
  app_pid=$!
  for _ in $(seq 600); do
    grep -qs "^ready for input" "$out/$name.txt" && break
    kill -0 "$app_pid" 2>/dev/null || fail "$name: the scenarios ended before the input part (see $out/$name.txt)"
    sleep 0.1
  done
  grep -qs "^ready for input" "$out/$name.txt" || fail "$name: not ready for input within 60 s"
  timeout 60 xdotool "$here/input.xdo" >"$out/$name-xdotool.log" || fail "$name: xdotool could not play $here/input.xdo"
  window=$(xdotool search --onlyvisible --name "^Conformance input\$" | head -n1)
  python3 "$root/tests/windows/send_close.py" "$window" || fail "$name: could not close the input window"
  for _ in $(seq 200); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "$name: still running 20 s after the close"
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" = 0 ] || fail "$name: exit code $status (see $out/$name.err)"
}

# A fresh Wine prefix; no Mono or browser engine, so no install prompts.
export WINEPREFIX=$out/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
say "preparing the Wine prefix"
wine_started=$SECONDS
timeout 180 wineboot -i </dev/null >"$out/wineboot.log" 2>&1 || fail "wineboot failed (see $out/wineboot.log)"
say "Wine (prefix ready in $((SECONDS - wine_started)) s)"
drive wine wine "$out/scenarios.exe"

status=0
for preset in $presets; do
  native=$root/build/$preset/tests/conformance
  say "the virtual desktop, $preset (no input from outside)"
  VORLANTH_PLATFORM=virtual timeout 60 "$native/conformance_scenarios" </dev/null >"$out/vdesk-$preset.txt" 2>"$out/vdesk-$preset.err" ||
    fail "the scenarios ended with code $? on the virtual desktop (see $out/vdesk-$preset.err)"
  say "the X11 backend, $preset"
  VORLANTH_PLATFORM=x11 drive "x11-$preset" "$native/conformance_scenarios"
  # weston's window would be under the pointer the X11 run parks at the screen's corner.
  start_weston
  say "the Wayland backend under weston \"$socket\", $preset (no input from outside)"
  VORLANTH_PLATFORM=wayland env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" \
    timeout 60 "$native/conformance_scenarios" </dev/null >"$out/wayland-$preset.txt" 2>"$out/wayland-$preset.err" ||
    fail "the scenarios ended with code $? under weston (see $out/wayland-$preset.err)"
  stop_weston
  say "comparing with Wine ($preset)"
  python3 "$here/compare_traces.py" "$out/wine.txt" "$here/known-differences.txt" \
    "vdesk=$out/vdesk-$preset.txt" "x11=$out/x11-$preset.txt" "wayland=$out/wayland-$preset.txt" ||
    status=1
done
[ "$status" = 0 ] || fail "the traces differ from Wine's (all in $out)"
say "passed in $((SECONDS - started)) s"
