# Shell helpers for scripts that run a program on an X server of their own (sourced by
# scripts/lib/end_to_end.sh, or after setting `root`, `out` and defining `fail MESSAGE`).

xvfb_pid="" app_pid="" window=""

# stop_xvfb: ends the server, if it runs.
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  xvfb_pid=""
}

# stop_session: ends the program and the server, if they run.
stop_session() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  app_pid=""
  stop_xvfb
}

# start_xvfb FIRST LAST [SCREEN [OPTION...]]: a server of our own on a free display between
# FIRST and LAST (screen SCREEN, default 1280x1024x24, and the server's OPTIONs), which writes
# its number once it accepts clients and must take a client before the programs come;
# exports DISPLAY.
start_xvfb() {
  local number
  for number in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    rm -f "$out/display"
    # -noreset: the server would otherwise restart whenever its last client leaves, refusing
    # the next program that connects meanwhile.
    Xvfb ":$number" -noreset -displayfd 3 -screen 0 "${3:-1280x1024x24}" -nolisten tcp "${@:4}" \
      3>"$out/display" >"$out/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [ -s "$out/display" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break # taken meanwhile: try the next one
      sleep 0.1
    done
    if [ -s "$out/display" ] &&
       DISPLAY=":$(head -n1 "$out/display")" timeout 10 xdpyinfo >"$out/xdpyinfo.txt" 2>&1; then
      export DISPLAY=":$(head -n1 "$out/display")"
      return 0
    fi
    stop_xvfb
  done
  fail "Xvfb did not start on any display from :$1 to :$2 (see $out/xvfb.log)"
}

# pointer_to X Y: moves the pointer there and waits until it is there. Over a Wine window,
# xdotool's --sync to where the pointer already is waits 15 s for a move that never comes.
pointer_to() {
  [ "$(xdotool getmouselocation --shell | head -n2 | tr '\n' ' ')" = "X=$1 Y=$2 " ] ||
    xdotool mousemove --sync "$1" "$2"
}

# start_program NAME PROGRAM [ARGS...]: runs it in the background under a time limit; its
# output in $out/NAME.log, its error output in $out/NAME.err.
start_program() {
  local name=$1
  shift
  timeout 120 "$@" </dev/null >"$out/$name.log" 2>"$out/$name.err" &
  app_pid=$!
}

# start_held "load swap"|load NAME PROGRAM: start_program with the preloaded library that
# holds back the GL driver's load and the first frame (tests/support/hold_first_swap.cpp),
# each until release_held.
start_held() {
  local stage holds=()
  for stage in $1; do holds+=("VORLANTH_HOLD_${stage^^}=$out/hold-$stage"); done
  shift
  rm -f "$out"/hold-*
  start_program "$1" env "${holds[@]}" LD_PRELOAD="$build/tests/support/libhold_first_swap.so" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" "${@:2}"
}

# wait_held load|swap: waits until the program is held there; release_held lets it go on.
wait_held() {
  for _ in $(seq 300); do [ -e "$out/hold-$1.held" ] && return 0; sleep 0.1; done
  fail "the program was never held at its $1 (see $out)"
}
release_held() { touch "$out/hold-$1.go"; }

# wait_loaded: after release_held load, until the driver's load has finished or the program
# has ended, so that a time limit that follows is the program's own.
wait_loaded() {
  for _ in $(seq 300); do
    [ -e "$out/hold-load.done" ] || ! kill -0 "$app_pid" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "the GL driver's load did not finish within 30 s (see $out)"
}

# wait_window TITLE: sets window to the id of the visible window with that title.
wait_window() {
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window \"$1\" appeared (see $out)"
    sleep 0.1
  done
  fail "no window \"$1\" within 30 s"
}

# wait_focus: waits until the keyboard goes to $window.
wait_focus() {
  for _ in $(seq 100); do
    [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$window" ] && return 0
    sleep 0.1
  done
  fail "window $window never got the keyboard"
}

# geometry: left, top, width, height of $window. Without a window manager the X window is
# the client area itself.
geometry() {
  local info
  info=$(xwininfo -id "$window")
  left=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  top=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  width=$(sed -n 's/.*Width: *//p' <<<"$info")
  height=$(sed -n 's/.*Height: *//p' <<<"$info")
}

# Shots are binary PPM, which the checks read and image viewers open: written and cut without
# the compression a PNG costs, since the checks take hundreds of them.

# x_shot OUT [WIDTHxHEIGHT+X+Y]: the X screen, or that rectangle of it: with the tree's
# tests/desktop/x_shot (VORLANTH_X_SHOT's for a tree without one: mingw's), or, with no tree
# (the package's tests), ImageMagick's import.
x_shot() {
  local tool=${VORLANTH_X_SHOT:-${build:+$build/tests/desktop/x_shot}}
  if [ -n "$tool" ]; then
    "$tool" "$@"
  else
    import -window root ${2:+-crop "$2" +repage} -depth 8 "ppm:$1"
  fi
}

# screen NAME: the whole screen as $out/NAME.ppm: the X screen, cut to $screen_size at its
# corner when set (a nested compositor's window), or with as_user set sway's output (grim).
screen() {
  if [ -n "${as_user:-}" ]; then
    # shellcheck disable=SC2086 # as_user is a command prefix
    $as_user WAYLAND_DISPLAY="$socket" grim -t ppm "$runtime/shot.ppm" &&
      cp "$runtime/shot.ppm" "$out/$1.ppm" || fail "grim took no screenshot"
  else
    x_shot "$out/$1.ppm" ${screen_size:+"$screen_size+0+0"}
  fi
}

# shoot NAME: the client area as $out/NAME.ppm: that of $window (setting left, top, width and
# height as geometry does), or, with no X window, where locate found it.
shoot() {
  [ -z "$window" ] || geometry
  if [ -z "${as_user:-}" ]; then # the X screen, cut as it is taken
    x_shot "$out/$1.ppm" "${width}x${height}+${left}+${top}"
    return
  fi
  screen screen
  convert "$out/screen.ppm" -crop "${width}x${height}+${left}+${top}" +repage "ppm:$out/$1.ppm"
}

# shoot_scene NAME [CHECK...]: shots of the client area until one passes CHECK (default: shows
# the scene; the lettering spins and may be edge-on in one of them); fails after eight.
shoot_scene() {
  local name=$1
  shift
  [ $# -gt 0 ] || set -- python3 "$root/tests/desktop/check_scene.py" scene
  for _ in 1 2 3 4 5 6 7 8; do
    shoot "$name"
    "$@" "$out/$name.ppm" >"$out/$name.check" 2>&1 && return 0
    sleep 0.5
  done
  fail "the scene is not on screen (last shot $out/$name.ppm: $(cat "$out/$name.check"))"
}

# scene_moves NAME: a shot taken a moment after NAME differs from it: the animation runs.
scene_moves() {
  sleep 0.3
  shoot "$1-later"
  python3 "$root/tests/desktop/check_scene.py" differs "$out/$1.ppm" "$out/$1-later.ppm" ||
    fail "$1: the picture no longer changes"
}
