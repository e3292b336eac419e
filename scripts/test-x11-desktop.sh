#!/usr/bin/env bash
# The vorlanth executable on a real desktop's faults and under a real window manager, on an
# Xvfb server of its own:
#   - without a manager: its window destroyed by another client, also while the GL driver
#     still loads (a clean end), the client killed by the server with xkill (a message and
#     code 1), a hundred random resizes with 1 x 1 and 4000 x 4000 among them, a burst of
#     typed input (it keeps running and drawing), SIGTERM and SIGINT (it ends at once, codes
#     143 and 130); the backend alone on X errors (expected ones pass, others end it with a
#     message) and on faults (after the server closed the connection a message, else the
#     action before it: the sanitizer's report) (the part "backend");
#   - under openbox: the frame around the 600 x 500 client area, the manager's minimize and
#     restore (it keeps running and drawing), focus by a click then Escape (code 0), the
#     manager's close (code 0).
# bash scripts/test-x11-desktop.sh PRESET faults|backend|openbox (ctest: x11.faults, x11.backend,
# x11.openbox); screenshots and logs go to build/<preset>/x11-desktop-check/<part>/.
. "$(dirname "$0")/lib/end_to_end.sh"
need Xvfb openbox xkill xmessage xdotool xwininfo xprop python3
checks=$root/tests/desktop
exe=$build/scene/vorlanth backend_probe=$build/tests/desktop/x11_backend_probe

manager_pid="" other_pid=""
# On a failure, what the server held then, for the log.
at_exit '[ -z "$xvfb_pid" ] || xwininfo -root -tree >"$out/windows-at-exit.txt" 2>&1'
at_exit 'if [ -n "$other_pid" ]; then kill "$other_pid"; wait "$other_pid"; fi 2>/dev/null'
at_exit 'if [ -n "$manager_pid" ]; then kill "$manager_pid"; wait "$manager_pid"; fi 2>/dev/null'

# start_vorlanth NAME: the program, its window in $window once it has drawn.
start_vorlanth() {
  start_program "$1" "$exe"
  wait_window "Vorlanth"
  sleep 0.5
}

still_runs() {
  kill -0 "$app_pid" 2>/dev/null || fail "$1: the program ended (see $out)"
}

# keeps_drawing NAME: the client area shows the scene and changes between two shots.
keeps_drawing() {
  shoot_scene "$1"
  scene_moves "$1"
}

expect_exit() { # WHAT CODE
  wait_exit "$exit_limit"
  [ "$status" = "$2" ] || fail "$1: exit code $status, expected $2 (see $out)"
  say "  $1: exit code $status"
}

fault_checks() {
  say "faults of the desktop, no window manager"
  # Also while the GL driver loads (held back): what was made for the window then (its colour
  # map, the GL library's resources for it) never comes to be.
  local when
  for when in settled loading; do
    if [ "$when" = settled ]; then start_vorlanth destroyed; else
      start_held load destroyed-loading "$exe"; wait_window "Vorlanth"; wait_held load
    fi
    python3 "$checks/x_client.py" destroy "$window" || fail "could not destroy the window"
    [ "$when" = settled ] || { release_held load; wait_loaded; }
    expect_exit "window destroyed by another client ($when)" 0
  done

  start_vorlanth killed
  xkill -id "$window" >"$out/xkill.log" 2>&1 || fail "xkill failed (see $out/xkill.log)"
  expect_exit "client killed by the server" 1
  grep -q "lost the connection to the X server" "$out/killed.err" ||
    fail "no message after xkill (see $out/killed.err)"

  start_vorlanth resized
  local i w h
  for i in $(seq 100); do
    case $i in
      1|60) w=1 h=1 ;;
      2|80) w=4000 h=4000 ;;
      *) w=$((RANDOM % 1600 + 1)) h=$((RANDOM % 1200 + 1)) ;;
    esac
    xdotool windowsize "$window" "$w" "$h"
  done
  sleep 1
  still_runs "100 resizes"
  xdotool windowsize --sync "$window" 600 500
  sleep 0.5
  keeps_drawing after-resizes
  say "  100 resizes (1 x 1 and 4000 x 4000 among them): still running and drawing"
  wait_focus
  xdotool key Escape
  expect_exit "Escape after the resizes" 0

  start_vorlanth typed
  wait_focus
  xdotool type --delay 0 "$(printf 'The quick brown fox jumps over the lazy dog 0123456789 %.0s' $(seq 10))"
  xdotool key --delay 0 Return Tab BackSpace space Up Down Left Right F1 F12 shift+a ctrl+b
  sleep 0.5
  still_runs "a burst of typed input"
  keeps_drawing after-typing
  say "  a burst of 580 keys: still running and drawing"
  xdotool key Escape
  expect_exit "Escape after typing" 0

  local signal code
  for signal in TERM INT; do
    start_vorlanth "signal-$signal"
    code=$((128 + $(kill -l "$signal")))
    kill -s "$signal" "$(program_pid)"
    expect_exit "SIG$signal" "$code"
  done
}

# The backend alone (tests/desktop/x11_backend_probe.cpp). X errors that its calls meet on a window
# another client destroyed pass; any other error the server sends ends the program with the
# error named and code 1, also one inside a trap that is not about a window gone, and one
# about a window gone that comes after its trap. GLX's refusal of a context, trapped as a call
# whose result tells, passes.
backend_error_checks() {
  local case expected pattern
  say "X errors of the backend, no window manager"
  while read -r case expected pattern; do
    status=0
    timeout 20 "$backend_probe" "$case" </dev/null >"$out/backend-$case.log" 2>"$out/backend-$case.err" || status=$?
    [ "$status" = "$expected" ] || fail "backend $case: exit code $status, expected $expected (see $out/backend-$case.err)"
    cat "$out/backend-$case.log" "$out/backend-$case.err" | grep -qE "$pattern" ||
      fail "backend $case: no line like \"$pattern\" (see $out/backend-$case.err)"
    say "  $case: exit code $status, $(cat "$out/backend-$case.log" "$out/backend-$case.err" | head -n1)"
  done <<'EOF'
gone 0 ^survived$
refused 1 ^x11_backend_probe: the X server refused a request: BadColor .* in X_FreeColormap \(resource 0x
refused-in-trap 1 ^x11_backend_probe: the X server refused a request: BadColor .* in X_FreeColormap
after-trap 1 ^x11_backend_probe: the X server refused a request: BadWindow .* in X_UnmapWindow
context-refused 0 ^survived$
EOF
}

# A fault once xkill has made the server close the connection is the lost server: a message and
# code 1. Any other fault goes to the action that was there before: the sanitizer's report under
# asan, else the crash (SIGSEGV, 139).
backend_fault_checks() {
  local killed
  say "faults in the backend, no window manager"
  ulimit -c 0 # no core files of the faults made on purpose
  for killed in yes no; do
    start_program "backend-fault-$killed" "$backend_probe" fault
    wait_line "$out/backend-fault-$killed.log" armed
    if [ "$killed" = yes ]; then
      xkill -id "$(sed -n 's/^window //p' "$out/backend-fault-$killed.log")" >"$out/xkill.log" 2>&1 ||
        fail "xkill failed (see $out/xkill.log)"
    fi
    kill -USR1 "$(program_pid)"
    wait_exit "$exit_limit"
    if [ "$killed" = yes ]; then
      [ "$status" = 1 ] || fail "fault after the server closed the connection: exit code $status (see $out)"
      grep -qx "x11_backend_probe: lost the connection to the X server" "$out/backend-fault-$killed.err" ||
        fail "no message about the lost connection after the fault (see $out/backend-fault-$killed.err)"
    elif [ "$preset" = asan ]; then
      grep -q "ERROR: AddressSanitizer: SEGV on unknown address" "$out/backend-fault-$killed.err" ||
        fail "the sanitizer did not report the fault (exit code $status, see $out/backend-fault-$killed.err)"
    else
      [ "$status" = 139 ] || fail "a fault with the server there: exit code $status, expected 139 (see $out)"
    fi
    say "  fault, server connection closed: $killed: exit code $status"
  done
}

start_manager() {
  openbox --sm-disable >"$out/openbox.log" 2>&1 &
  manager_pid=$!
  for _ in $(seq 100); do
    # The check window comes first; the manager then reads its menus and settles.
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && { sleep 1; return 0; }
    kill -0 "$manager_pid" 2>/dev/null || break
    sleep 0.1
  done
  fail "openbox did not start (see $out/openbox.log)"
}

# frame_of WINDOW: the manager's frame, the window's ancestor just below the root.
frame_of() {
  local id=$1 info
  for _ in $(seq 10); do
    info=$(xwininfo -id "$id" -tree)
    grep -q "Parent window id: .*(the root window)" <<<"$info" && { echo "$id"; return; }
    id=$(sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p' <<<"$info")
  done
  echo "$1"
}

map_state() { xwininfo -id "$window" | sed -n 's/.*Map State: *//p'; }

manager_checks() {
  say "under openbox"
  start_manager
  start_vorlanth managed
  geometry
  [ "$width x $height" = "600 x 500" ] || fail "client area $width x $height under the manager, expected 600 x 500"
  local extents frame frame_width frame_height l r t b
  extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')
  IFS=, read -r l r t b <<<"$extents"
  [ -n "$t" ] && [ "$t" -gt 0 ] || fail "no frame with a title bar (_NET_FRAME_EXTENTS: \"$extents\")"
  frame=$(frame_of "$window")
  [ "$((frame))" != "$window" ] || fail "the window was not reparented into a frame"
  frame_width=$(xwininfo -id "$frame" | sed -n 's/.*Width: *//p')
  frame_height=$(xwininfo -id "$frame" | sed -n 's/.*Height: *//p')
  [ "$frame_width x $frame_height" = "$((600 + l + r)) x $((500 + t + b))" ] ||
    fail "frame $frame_width x $frame_height around 600 x 500 with extents $extents"
  say "  frame $frame_width x $frame_height around the 600 x 500 client area (left, right, top, bottom: $extents)"
  keeps_drawing managed

  xdotool windowminimize --sync "$window"
  sleep 1
  [ "$(map_state)" != IsViewable ] || fail "the manager did not minimize the window"
  still_runs "minimized"
  xdotool windowactivate --sync "$window"
  sleep 0.5
  [ "$(map_state)" = IsViewable ] || fail "the manager did not restore the window ($(map_state))"
  still_runs "restored"
  geometry
  [ "$width x $height" = "600 x 500" ] || fail "client area $width x $height after restoring"
  keeps_drawing restored
  say "  minimized and restored by the manager: still running and drawing"

  # Another program takes the focus; a click gives it back, then Escape.
  xmessage -geometry +900+100 "another program" >"$out/xmessage.log" 2>&1 &
  other_pid=$!
  for _ in $(seq 50); do
    [ "$(xdotool getwindowfocus 2>/dev/null || true)" != "$window" ] && break
    sleep 0.1
  done
  [ "$(xdotool getwindowfocus 2>/dev/null || true)" != "$window" ] || fail "the other program never took the focus"
  geometry
  xdotool mousemove --sync $((left + 300)) $((top + 250)) click 1
  wait_focus
  xdotool key Escape
  expect_exit "focus by a click, then Escape" 0
  kill "$other_pid" 2>/dev/null || true
  wait "$other_pid" 2>/dev/null || true
  other_pid=""

  start_vorlanth manager-close
  python3 "$checks/x_client.py" manager-close "$window" || fail "could not ask the manager to close"
  expect_exit "the manager's close" 0

  kill "$manager_pid" 2>/dev/null || true
  wait "$manager_pid" 2>/dev/null || true
  manager_pid=""
}

start_xvfb $((140 + RANDOM % 40)) 199
say "Xvfb on $DISPLAY"
case $part in
  faults) fault_checks ;;
  backend) backend_error_checks
    backend_fault_checks ;;
  openbox) manager_checks ;;
  *) fail "no part \"$part\": faults, backend or openbox" ;;
esac
passed
