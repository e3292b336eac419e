# Servers for the Wayland checks and benchmark, sourced by them: an Xvfb server and weston
# nested in it. The caller defines fail() and out (the folder for logs) and keeps
# xvfb_pid and weston_pid to end them.

# start_xvfb: a server of our own on a free display from a random place in 200-259.
start_xvfb() {
  local number first=$((200 + RANDOM % 40))
  for number in $(seq "$first" 259); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    rm -f "$out/display"
    Xvfb ":$number" -noreset -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [ -s "$out/display" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$out/display" ] && DISPLAY=":$(head -n1 "$out/display")" timeout 10 xdpyinfo >/dev/null 2>&1; then
      break
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  [ -n "$xvfb_pid" ] || fail "Xvfb did not start (see $out/xvfb.log)"
  export DISPLAY=":$(head -n1 "$out/display")"
}

# start_weston: the compositor in a 1024 x 768 window at the Xvfb screen's corner, so that
# screen and compositor coordinates agree; a unique socket in a private runtime folder.
start_weston() {
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
  XDG_RUNTIME_DIR=$runtime weston --backend=x11-backend.so --use-pixman --socket="$socket" \
    --width=1024 --height=768 --config="$out/weston.ini" >"$out/weston.log" 2>&1 &
  weston_pid=$!
  for _ in $(seq 150); do
    [ -S "$runtime/$socket" ] && xdotool search --name '^Weston Compositor' >/dev/null 2>&1 && break
    kill -0 "$weston_pid" 2>/dev/null || fail "weston ended at start (see $out/weston.log)"
    sleep 0.1
  done
  [ -S "$runtime/$socket" ] || fail "weston offered no socket within 15 s (see $out/weston.log)"
  sleep 1 # its shell's panel and background come up
  # Keys go to the X window under the pointer: weston's.
  xdotool mousemove --sync 1000 740
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}

stop_weston() {
  kill -KILL "$weston_pid" 2>/dev/null || true
  wait "$weston_pid" 2>/dev/null || true
  weston_pid=""
}
