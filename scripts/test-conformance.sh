#!/usr/bin/env bash
# The platform layer against a Win32 implementation written by others: the scenario program
# (tests/conformance/scenarios.cpp) is cross-built with MinGW-w64 and run on Wine (a fresh
# prefix), and built natively and run on the virtual desktop, on the X11 backend and on the
# Wayland backend under weston, all on one Xvfb server of the script's own. The same xdotool
# script (tests/conformance/input.xdo) drives the Wine and the X11 run; the traces are compared
# line by line with Wine's (tests/conformance/compare_traces.py), allowing only
# tests/conformance/known-differences.txt.
# bash scripts/test-conformance.sh PRESET wine (ctest: conformance.wine) makes Wine's trace in
# build/conformance/; bash scripts/test-conformance.sh PRESET x11 (ctest: conformance.x11) runs
# that preset's build on the virtual desktop and X11 and compares, and PRESET wayland (ctest:
# conformance.wayland) under weston; either makes Wine's trace first if there is none. Traces
# and logs of the native runs go to build/<preset>/conformance-check/<part>/. Every wait has a
# time limit.
. "$(dirname "$0")/lib/end_to_end.sh"
need python3 weston x86_64-w64-mingw32-g++ wine wineboot wineserver Xvfb xdpyinfo xdotool
here=$root/tests/conformance
traces=$root/build/conformance
at_exit '[ ! -d "${WINEPREFIX:-}" ] || timeout 20 wineserver -k 2>/dev/null'

# drive NAME COMMAND...: runs the scenarios with "input" on the command line, does to them
# what input.xdo says, closes the input window as a window manager's close box does, and
# waits for the program to end.
drive() {
  local name=$1 window status=0
  shift
  pointer_to 0 0
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

# wine_trace: the scenarios cross-built and run on Wine in a fresh prefix, with no Mono or
# browser engine (so no install prompts), as $traces/wine.txt.
wine_trace() {
  rm -rf "$traces"
  mkdir -p "$traces"
  say "building the scenarios for Windows"
  x86_64-w64-mingw32-g++ -std=c++20 -O1 -Wall -Wextra -Werror -static -o "$traces/scenarios.exe" \
    "$here/scenarios.cpp" -luser32 -lgdi32 -ladvapi32 || fail "the cross-build failed"
  export WINEPREFIX=$traces/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  say "preparing the Wine prefix"
  local wine_started=$SECONDS
  timeout 180 wineboot -i </dev/null >"$traces/wineboot.log" 2>&1 || fail "wineboot failed (see $traces/wineboot.log)"
  say "Wine (prefix ready in $((SECONDS - wine_started)) s)"
  out=$traces drive wine wine "$traces/scenarios.exe"
  say "Wine's trace: $(wc -l <"$traces/wine.txt") lines in $traces/wine.txt"
}

start_xvfb $((200 + RANDOM % 30)) 259
say "Xvfb on $DISPLAY"
# The pointer away from every window, before Wine starts and takes note of where it is: Wine
# sends a window under it WM_MOUSEMOVE when the window appears and when capture ends.
pointer_to 0 0
if [ "$part" = wine ] || [ ! -s "$traces/wine.txt" ]; then wine_trace; fi
native=$build/tests/conformance
case $part in
  wine) ;;
  x11)
    say "the virtual desktop, $preset (no input from outside)"
    VORLANTH_PLATFORM=virtual timeout 60 "$native/conformance_scenarios" </dev/null >"$out/vdesk.txt" 2>"$out/vdesk.err" ||
      fail "the scenarios ended with code $? on the virtual desktop (see $out/vdesk.err)"
    say "the X11 backend, $preset"
    VORLANTH_PLATFORM=x11 drive x11 "$native/conformance_scenarios"
    say "comparing with Wine ($preset)"
    python3 "$here/compare_traces.py" "$traces/wine.txt" "$here/known-differences.txt" \
      "vdesk=$out/vdesk.txt" "x11=$out/x11.txt" || fail "the traces differ from Wine's (all in $out)"
    ;;
  wayland)
    start_weston
    say "the Wayland backend under weston \"$socket\", $preset (no input from outside)"
    VORLANTH_PLATFORM=wayland env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" \
      timeout 60 "$native/conformance_scenarios" </dev/null >"$out/wayland.txt" 2>"$out/wayland.err" ||
      fail "the scenarios ended with code $? under weston (see $out/wayland.err)"
    say "comparing with Wine ($preset)"
    python3 "$here/compare_traces.py" "$traces/wine.txt" "$here/known-differences.txt" \
      "wayland=$out/wayland.txt" || fail "the traces differ from Wine's (all in $out)"
    ;;
  *) fail "no part \"$part\": wine, x11 or wayland" ;;
esac
passed
