# weston nested in an X server of our own, for the Wayland checks and benchmark. Source it
# after xsession.sh, which starts the X server; sets runtime and socket for the clients.

weston_pid="" xwayland_display=""

# start_weston [--scale=2] [--xwayland]: the compositor in a 1024 x 768 window at the Xvfb
# screen's corner (at scale 2, 640 x 512 in a window of twice that), so that screen and
# compositor coordinates agree; a unique socket in a private runtime folder. It runs in a
# process group of its own. With --xwayland it serves X11 clients too, on the X display it
# names in xwayland_display (the first free one), starting Xwayland when the first comes.
start_weston() {
  local size="--width=1024 --height=768" xwayland=""
  [ "${1:-}" = --scale=2 ] && { size="--width=640 --height=512 --scale=2"; shift; }
  [ "${1:-}" = --xwayland ] && xwayland=--xwayland
  runtime=$out/runtime
  rm -rf "$runtime"
  mkdir -m 0700 "$runtime"
  socket=vorlanth-test-$$-$RANDOM
  # No screen lock, and no animations: windows appear at once, and a closed window hands
  # the keyboard back at once instead of after its fade.
  printf '[core]\nidle-time=0\n[shell]\nanimation=none\nclose-animation=none\nstartup-animation=none\nfocus-animation=none\n' \
    >"$out/weston.ini"
  # The pointer must enter weston's window after it is there: weston takes no pointer input
  # until it has seen the pointer come in.
  xdotool mousemove --sync 1270 1010
  # shellcheck disable=SC2086 # the size's options
  XDG_RUNTIME_DIR=$runtime setsid weston --backend=x11-backend.so --use-pixman --socket="$socket" \
    $size $xwayland --config="$out/weston.ini" >"$out/weston.log" 2>&1 &
  weston_pid=$!
  # Its X window has a class but no WM_NAME (only _NET_WM_NAME, which xdotool's --name does
  # not read).
  for _ in $(seq 150); do
    [ -S "$runtime/$socket" ] && xdotool search --class '^Weston Compositor$' >/dev/null 2>&1 && break
    kill -0 "$weston_pid" 2>/dev/null || fail "weston ended at start (see $out/weston.log)"
    sleep 0.1
  done
  [ -S "$runtime/$socket" ] || fail "weston offered no socket within 15 s (see $out/weston.log)"
  xdotool search --class '^Weston Compositor$' >/dev/null 2>&1 || fail "weston showed no window within 15 s"
  if [ -n "$xwayland" ]; then
    xwayland_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\)$/\1/p' "$out/weston.log")
    [ -n "$xwayland_display" ] || fail "weston named no X display for Xwayland (see $out/weston.log)"
  fi
  sleep 1 # its shell's panel and background come up
  # Keys go to the X window under the pointer: weston's.
  xdotool mousemove --sync 1000 740
}

# stop_weston: kills weston, as a crash would; one serving X11 clients is asked to end first,
# and takes its X display's lock and socket with it.
stop_weston() {
  if [ -n "$weston_pid" ] && [ -n "$xwayland_display" ]; then
    kill -TERM -- -"$weston_pid" 2>/dev/null || true
    for _ in $(seq 50); do
      [ -e "/tmp/.X${xwayland_display#:}-lock" ] || break
      sleep 0.1
    done
  fi
  xwayland_display=""
  [ -n "$weston_pid" ] && kill -KILL -- -"$weston_pid" 2>/dev/null || true
  wait "$weston_pid" 2>/dev/null || true
  weston_pid=""
}

# stop_session_and_weston: ends the program, weston and the X server, if they run.
stop_session_and_weston() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  app_pid=""
  stop_weston
  stop_session
}
