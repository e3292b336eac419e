#!/usr/bin/env bash
# The Linux desktop, end to end: on an Xvfb server of its own (no window manager), drives
# the X11 backend from outside with xdotool, xwininfo, xprop and tests/desktop/x_shot.
#   - the probe program (toolkit + app kit + X11 backend): window properties, keys and
#     modifiers as its key handler sees them, mouse buttons and capture, minimizing and
#     restoring (also with a map or WM_STATE from before the program's minimize), the modal
#     message box, an idle loop that waits without using the processor;
#   - the vorlanth executable: its window, black before its first frame (held back by a
#     preloaded library), screenshots of the scene, Escape, closing,
#     resizing, no display at all, and a display without GLX;
#   - the backend selection: VORLANTH_PLATFORM=x11, and x11 as the first that connects.
# bash scripts/test-x11.sh PRESET (ctest: x11.xvfb). Screenshots and logs go to
# build/<preset>/x11-check/. Every wait has a time limit.
. "$(dirname "$0")/lib/end_to_end.sh"
need Xvfb xdotool xwininfo xprop python3
checks=$root/tests/desktop

probe_checks() {
  local probe=$1 pid got
  say "probe: the pixel format list"
  format_list_check pixel-formats-xvfb.txt timeout 20 "$probe" formats </dev/null
  say "probe: window, properties, picture"
  start_program probe "$probe" minimize
  wait_window "Key probe"
  wait_line "$out/probe.log" "painted 1"
  grep '^gl ' "$out/probe.log" | grep -q "Compatibility Profile" ||
    fail "the context is no compatibility-profile context: $(grep '^gl ' "$out/probe.log")"
  geometry
  [ "$width x $height" = "320 x 240" ] || fail "probe client area $width x $height, expected 320 x 240"
  # Outer corner 100, 100; the frame is 4 wide and the caption 19 high above it.
  [ "$left,$top" = "104,122" ] || fail "probe client corner at $left, $top, expected 104, 122"
  xprop -id "$window" >"$out/probe-props.txt"
  grep -qx 'WM_CLASS(STRING) = "x11_probe", "tkLibWClass"' "$out/probe-props.txt" || fail "WM_CLASS is not tkLibWClass"
  grep -qx '_NET_WM_NAME(UTF8_STRING) = "Key probe"' "$out/probe-props.txt" || fail "no UTF-8 _NET_WM_NAME"
  grep -qx 'WM_NAME(STRING) = "Key probe"' "$out/probe-props.txt" || fail "no WM_NAME"
  pid=$(program_pid)
  grep -qx "_NET_WM_PID(CARDINAL) = $pid" "$out/probe-props.txt" || fail "_NET_WM_PID is not $pid"
  grep -q 'WM_PROTOCOLS(ATOM): protocols  WM_DELETE_WINDOW' "$out/probe-props.txt" || fail "WM_DELETE_WINDOW not offered"
  shoot probe
  python3 "$checks/check_scene.py" pixel "$out/probe.ppm" 5 5 77 77 178 || fail "no clear colour in the corner"
  python3 "$checks/check_scene.py" pixel "$out/probe.ppm" 160 120 255 255 0 || fail "no yellow square in the middle"
  python3 "$checks/check_scene.py" pixel "$out/probe.ppm" 319 239 77 77 178 || fail "the frame does not reach the corner"

  say "probe: keys and modifiers"
  wait_focus
  probe_key_checks

  say "probe: mouse buttons, moves, capture"
  probe_click_checks
  set_mark
  xdotool mousedown 1 mousemove --sync $((left + 50)) $((top + 60)) mousemove --sync $((left + 400)) $((top + 300)) \
          mouseup 1
  sleep 0.3 # the release has ended the capture: moves outside no longer arrive
  xdotool mousemove --sync $((left + 500)) $((top + 310)) mousemove --sync $((left + 40)) $((top + 20))
  expect_lines "a drag leaving the window stays captured until the release" "down 30 40 1
move 50 60 1
move 400 300 1
up 400 300 1
move 40 20 0"

  say "probe: unmapped and mapped again from outside, as a window manager minimizes"
  set_mark
  xdotool windowunmap --sync "$window"
  sleep 0.3
  xdotool windowmap --sync "$window"
  sleep 0.3
  got=$(tail -n +"$((mark + 1))" "$out/probe.log" | grep '^reshape' || true)
  [ "$got" = "reshape 0 0
reshape 320 240" ] || fail "minimizing and restoring reported
$got"
  say "  minimized to 0 x 0 and restored to 320 x 240"
  wait_focus
  set_mark
  xprop -id "$window" -f WM_STATE 32c -set WM_STATE 3,0 # IconicState, as a manager marks it
  sleep 0.3
  xprop -id "$window" -f WM_STATE 32c -set WM_STATE 1,0 # NormalState
  sleep 0.3
  got=$(tail -n +"$((mark + 1))" "$out/probe.log" | grep '^reshape' || true)
  [ "$got" = "reshape 0 0
reshape 320 240" ] || fail "WM_STATE iconic and normal reported
$got"
  say "  WM_STATE iconic and normal: minimized and restored"

  # The program minimizes its window while the server holds its requests back (another client
  # has grabbed it); a map, or a WM_STATE of NormalState, arrives meanwhile, from before the
  # server saw the minimize: the window stays minimized. A later NormalState restores it.
  # The other client returns once the probe has taken a key it sent after the event.
  local stale
  for stale in stale-map stale-wm-state; do
    set_mark
    python3 "$checks/x_client.py" "$stale" "$window" "$out/probe.log" || fail "$stale: the other client failed"
    got=$(tail -n +"$((mark + 1))" "$out/probe.log" | grep '^reshape' || true)
    [ "$got" = "reshape 0 0" ] || fail "$stale: minimizing with an event from before reported
$got"
    xprop -id "$window" -f WM_STATE 32c -set WM_STATE 1,0
    for _ in $(seq 100); do
      got=$(tail -n +"$((mark + 1))" "$out/probe.log" | grep '^reshape' || true)
      [ "$got" = "reshape 0 0" ] || break
      sleep 0.1
    done
    [ "$got" = "reshape 0 0
reshape 320 240" ] || fail "$stale: NormalState after the minimize reported
$got"
    say "  $stale from before the program's minimize: still minimized; restored by a later one"
  done

  say "probe: waiting for messages takes no processor time"
  local before after
  before=$(cpu_ticks "$pid")
  sleep 2
  after=$(cpu_ticks "$pid")
  say "  $((after - before)) clock ticks of processor time in 2 s idle"
  [ $((after - before)) -le 10 ] || fail "the waiting loop uses the processor ($((after - before)) ticks in 2 s)"

  say "probe: Escape ends it with exit code 0"
  xdotool key Escape
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $out/probe.err)"

  say "probe: the message box"
  local owner box dismiss
  for dismiss in Return Escape click; do
    start_program probe "$probe" box
    wait_window "Key probe"
    owner=$window
    wait_line "$out/probe.log" "painted 1"
    wait_focus
    set_mark
    xdotool key b
    wait_window "Probe box"
    box=$window
    wait_focus
    shoot "box-$dismiss"
    [ "$width" -ge 200 ] && [ "$height" -ge 60 ] || fail "the box is only $width x $height"
    xprop -id "$box" _NET_WM_NAME | grep -qF '"Probe box"' || fail "the box has no caption"
    xprop -id "$box" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$owner")" || fail "the box is not the owner's"
    # While the box is up: the owner's messages still flow, its input does not.
    xdotool windowsize "$owner" 300 200
    wait_line "$out/probe.log" "reshape 300 200"
    xdotool key --window "$owner" a
    case $dismiss in
      Return|Escape) xdotool key "$dismiss" ;;
      click) xdotool mousemove --sync $((left + width / 2)) $((top + height - 16 - 13)) click 1 ;;
    esac
    wait_line "$out/probe.log" "box closed 0"
    expect_lines "box dismissed by $dismiss, no input for the owner meanwhile" "key 98 0
action 98
box closed 0"
    window=$owner
    wait_focus
    # Where the box was, the owner has been exposed and painted again (300 x 200 now).
    sleep 0.3
    sed -n '/^box closed 0$/,$p' "$out/probe.log" | grep -q '^painted' ||
      fail "no paint message after the box went away"
    shoot "after-box-$dismiss"
    python3 "$checks/check_scene.py" pixel "$out/after-box-$dismiss.ppm" 150 100 255 255 0 ||
      fail "the owner was not painted again where the box was"
    python3 "$checks/check_scene.py" pixel "$out/after-box-$dismiss.ppm" 50 100 77 77 178 ||
      fail "the owner was not painted again where the box was"
    xdotool key Escape
    wait_exit 5
    [ "$status" = 0 ] || fail "exit code $status after the box (see $out/probe.err)"
  done
}

# The window shows its class background, black, from its map on, while the GL driver still
# loads: with the driver's load and then the first frame held back by a preloaded library
# the client area is black; let go, the scene follows.
vorlanth_checks() {
  local exe=$1 hold
  say "vorlanth: window, black while the driver loads and before the first frame, screenshots"
  start_held "load swap" vorlanth "$exe"
  wait_window "Vorlanth"
  for hold in load swap; do
    wait_held "$hold"
    shoot "held-$hold"
    python3 "$checks/check_scene.py" uniform "$out/held-$hold.ppm" 0 0 0 >"$out/held.check" 2>&1 ||
      fail "not black while held at its $hold: $(cat "$out/held.check")"
    release_held "$hold"
  done
  geometry
  say "  window $window: client area ${width} x ${height} at ${left}, ${top}"
  [ "$width x $height" = "600 x 500" ] || fail "client area ${width} x ${height}, expected 600 x 500"
  [ "$left,$top" = "104,122" ] || fail "client corner at ${left}, ${top}, expected 104, 122"
  xprop -id "$window" WM_CLASS | grep -qF '"tkLibWClass"' || fail "WM_CLASS is not tkLibWClass"
  sleep 1
  shoot_scene scene
  scene_moves scene

  say "vorlanth: resized to 400 x 800"
  xdotool windowsize "$window" 400 800
  sleep 1
  geometry
  [ "$width x $height" = "400 x 800" ] || fail "client area ${width} x ${height} after resizing"
  shoot_scene resized

  say "vorlanth: Escape"
  wait_focus
  xdotool key Escape
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $out/vorlanth.err)"

  say "vorlanth: closing the window"
  start_program vorlanth-close "$exe"
  wait_window "Vorlanth"
  sleep 0.5
  python3 "$root/tests/windows/send_close.py" "$window" || fail "could not ask the window to close"
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after closing (see $out/vorlanth-close.err)"
}

# Ends the X server under the running program: it must end too, with a message.
lost_server_checks() {
  say "vorlanth: the X server goes away"
  start_program vorlanth-lost "$1"
  wait_window "Vorlanth"
  sleep 0.5
  stop_xvfb
  wait_exit 5
  [ "$status" != 0 ] || fail "exit code 0 after losing the X server"
  grep -q "lost the connection to the X server" "$out/vorlanth-lost.err" ||
    fail "no message about the lost connection (see $out/vorlanth-lost.err)"
  say "  exit code $status: $(head -n1 "$out/vorlanth-lost.err")"
}

# Without any reachable display: exit code 1 within the exit limit, naming what was tried.
# The time includes starting the program; the fastest of three runs counts, so that a
# moment of load on a shared machine is not taken for the program's.
no_display_checks() {
  local exe=$1 name begun elapsed fastest run
  say "vorlanth: no reachable display"
  for name in ":$((RANDOM % 100 + 300))" ""; do
    fastest=""
    for run in 1 2 3; do
      status=0
      begun=$(date +%s%N)
      env -u WAYLAND_DISPLAY DISPLAY="$name" timeout 10 "$exe" </dev/null >"$out/nodisplay.log" 2>"$out/nodisplay.err" || status=$?
      elapsed=$((($(date +%s%N) - begun) / 1000000))
      [ "$status" = 1 ] || fail "exit code $status with DISPLAY=\"$name\""
      grep -q "no display to run on: tried .*x11 (" "$out/nodisplay.err" ||
        fail "no message naming the backends tried (see $out/nodisplay.err)"
      if [ -z "$fastest" ] || [ "$elapsed" -lt "$fastest" ]; then fastest=$elapsed; fi
    done
    [ "$fastest" -le $((exit_limit * 1000)) ] || fail "ended only after $fastest ms with DISPLAY=\"$name\""
    say "  DISPLAY=\"$name\": exit code 1 after $fastest ms, $(head -n1 "$out/nodisplay.err")"
  done
  # A compositor may hand over a connected socket instead of a name; one that hangs up at once.
  env -u WAYLAND_DISPLAY -u DISPLAY python3 -c 'import os, socket, sys
ours, theirs = socket.socketpair(); theirs.close(); os.set_inheritable(ours.fileno(), True)
os.environ["WAYLAND_SOCKET"] = str(ours.fileno()); os.execv(sys.argv[1], sys.argv[1:])' "$exe" \
    </dev/null >"$out/nodisplay.log" 2>"$out/nodisplay.err" || true
  grep -qF 'wayland (the Wayland compositor "WAYLAND_SOCKET" closed the connection)' "$out/nodisplay.err" ||
    fail "a closed WAYLAND_SOCKET is not named (see $out/nodisplay.err)"
}

# A display without GLX: exit code 1, naming what it lacks.
no_glx_checks() {
  say "vorlanth: a display without GLX"
  start_xvfb $((140 + RANDOM % 40)) 199 1280x1024x24 -extension GLX
  status=0
  VORLANTH_PLATFORM=x11 timeout 10 "$1" </dev/null >"$out/noglx.log" 2>"$out/noglx.err" || status=$?
  [ "$status" = 1 ] || fail "exit code $status without GLX (see $out/noglx.err)"
  grep -qF "the X display \"$DISPLAY\" offers no OpenGL (GLX 1.3)" "$out/noglx.err" ||
    fail "no message naming the missing GLX (see $out/noglx.err)"
  say "  exit code 1: $(head -n1 "$out/noglx.err")"
  stop_xvfb
}

# VORLANTH_PLATFORM=x11 selects the X11 backend on a display.
selection_checks() {
  local got
  say "backend selection on a display"
  got=$(VORLANTH_PLATFORM=x11 timeout 10 "$1" 2>&1) || fail "VORLANTH_PLATFORM=x11: $got"
  [ "$got" = "backend x11" ] || fail "VORLANTH_PLATFORM=x11 gave \"$got\""
  got=$(timeout 10 "$1" 2>&1) || fail "without VORLANTH_PLATFORM: $got"
  [ "$got" = "backend x11" ] || fail "without VORLANTH_PLATFORM the first that connects was not x11: \"$got\""
  say "  x11 named and x11 first"
}

no_display_checks "$build/scene/vorlanth"
no_glx_checks "$build/scene/vorlanth"
# From a random place in 140-199, away from the numbers other scripts commonly take.
start_xvfb $((140 + RANDOM % 40)) 199
say "Xvfb on $DISPLAY"
selection_checks "$build/tests/platform/backend_select_probe"
probe_checks "$build/tests/desktop/x11_probe"
vorlanth_checks "$build/scene/vorlanth"
lost_server_checks "$build/scene/vorlanth"
say "screenshots in $out"
passed
