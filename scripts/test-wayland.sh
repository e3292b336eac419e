#!/usr/bin/env bash
# The Wayland desktop, end to end: weston (X11 backend, pixman renderer) nested in an Xvfb
# server of this script's own, with a private runtime folder; the programs run with
# WAYLAND_DISPLAY and no DISPLAY. Input goes with xdotool into weston's output window, which
# passes it on to the focused client; screenshots of that window with tests/desktop/x_shot.
#   - the backend selection: Wayland first where both a compositor and an X display are
#     reachable, VORLANTH_PLATFORM=x11 for the X display;
#   - the probe program (tests/desktop/x11_probe.cpp): its picture,
#     keys and modifiers as its key handler sees them, key repeat, mouse buttons and capture,
#     the modal message box while the owner keeps receiving messages;
#   - the vorlanth program: the scene, a click then Escape, the decoration's close button,
#     the compositor killed under it, and no compositor at all;
#   - the desktops people run, with the first preset: under weston, GNOME's mutter and KDE's
#     kwin (nested) the scene, the class's arrow once the pointer enters, a click and Escape;
#     under sway (headless, as nobody, scale 2) the scene and Escape; sharp at scale 2 (weston
#     and sway), also after a scale change at run time; frames paced to the output's rate while
#     visible and at a bounded rate while hidden; whose decorations frame the window;
#   - a probe whose WM_SIZE destroys its window as sway's output scale changes (sway-reentry);
#   - sway's outputs (windows on the X server) added and unplugged under the program, which
#     draws on at the scale of the output it is on (sway-outputs);
#   - the X11 backend through weston's Xwayland: in weston's frame, Escape and its close button.
# bash scripts/test-wayland.sh PRESET weston|scale2|mutter|kwin|sway|sway-reentry|sway-outputs|xwayland
# (ctest: wayland.PART; scale2, mutter, kwin, sway and xwayland with the debug build only).
# Screenshots and logs go to build/<preset>/wayland-check/<part>/; protocol logs are read by
# tests/desktop/check_protocol.py.
# Every wait has a time limit.
. "$(dirname "$0")/lib/end_to_end.sh"
need Xvfb xdpyinfo xwininfo weston mutter dbus-run-session kwin_wayland sway swaymsg grim wtype setpriv setsid \
  xdotool convert python3
checks=$root/tests/desktop
protocol=$checks/check_protocol.py
exe=$build/scene/vorlanth probe=$build/tests/desktop/x11_probe

# start_client NAME PROGRAM [ARGS...]: a Wayland client with no X display (as the
# compositor's user, $as_user); output in $out/NAME.log and NAME.err.
start_client() {
  local name=$1
  shift
  # shellcheck disable=SC2086 # as_user is a command prefix
  $as_user env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" \
    timeout 300 "$@" </dev/null >"$out/$name.log" 2>"$out/$name.err" &
  app_pid=$!
}

# locate WIDTH HEIGHT: waits until the clear colour spans a client area of that size (any
# size: "any") at the same place in two shots in a row (a new window can shift once its
# decorations come) and sets left, top, width, height to it: the compositor chose where.
locate() {
  local found="" previous=""
  for _ in $(seq 40); do
    screen screen
    found=$(python3 "$checks/check_scene.py" find "$out/screen.ppm" 2>/dev/null || true)
    read -r left top width height <<<"${found:-0 0 0 0}"
    { [ "$width x $height" = "$1 x ${2:-}" ] || { [ "$1" = any ] && [ "$width" -gt 100 ]; }; } &&
      [ "$found" = "$previous" ] && return 0
    previous=$found
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window appeared (see $out)"
    sleep 0.25
  done
  fail "no $1 x $2 client area on the screen (found ${found:-none}; see $out/screen.ppm)"
}

probe_checks() {
  local probe=$1 got repeats
  say "probe: the pixel format list"
  format_list_check pixel-formats-weston.txt env -u DISPLAY XDG_RUNTIME_DIR="$runtime" \
    WAYLAND_DISPLAY="$socket" timeout 20 "$probe" formats </dev/null
  say "probe: window, picture"
  start_client probe "$probe"
  wait_line "$out/probe.log" "painted 1"
  grep '^gl ' "$out/probe.log" | grep -q "Compatibility Profile" ||
    fail "the context is no compatibility-profile context: $(grep '^gl ' "$out/probe.log")"
  locate 320 240
  say "  client area $width x $height at $left, $top"
  shoot probe
  python3 "$checks/check_scene.py" pixel "$out/probe.ppm" 160 120 255 255 0 || fail "no yellow square in the middle"
  python3 "$checks/check_scene.py" pixel "$out/probe.ppm" 319 239 77 77 178 || fail "the frame does not reach the corner"

  say "probe: keys and modifiers"
  probe_key_checks

  say "probe: key repeat"
  set_mark
  xdotool keydown x
  sleep 1
  xdotool keyup x
  sleep 0.3
  repeats=$(input_lines | grep -c '^key 120 0$' || true)
  # weston repeats after 400 ms at 40 a second: about 1 + 0.6 * 40 = 25 presses in a second.
  say "  held 1 s: $repeats presses"
  [ "$repeats" -ge 12 ] && [ "$repeats" -le 40 ] || fail "$repeats presses of a key held for a second"
  sleep 0.5
  [ "$(input_lines | grep -c '^key 120 0$' || true)" = "$repeats" ] || fail "the key repeats after its release"

  say "probe: mouse buttons, moves, capture"
  probe_click_checks
  # A point outside the window but on weston's output, which ends the pointer's travel.
  local tx=$((left + width + 60)) ty=$((top + height / 2))
  [ "$tx" -lt 1000 ] || tx=$((left - 60))
  set_mark
  xdotool mousedown 1 mousemove --sync $((left + 50)) $((top + 60)) mousemove --sync "$tx" "$ty" mouseup 1
  sleep 0.3 # the release has ended the capture: moves outside no longer arrive
  xdotool mousemove --sync "$tx" $((ty + 10)) mousemove --sync $((left + 40)) $((top + 20))
  expect_lines "a drag leaving the window stays captured until the release" "down 30 40 1
move 50 60 1
move $((tx - left)) $((ty - top)) 1
up $((tx - left)) $((ty - top)) 1
move 40 20 0"

  say "probe: Escape ends it with exit code 0"
  xdotool key Escape
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $out/probe.err)"

  say "probe: the message box"
  start_client probe "$probe" box
  wait_line "$out/probe.log" "painted 1"
  locate 320 240
  set_mark
  xdotool key b
  wait_line "$out/probe.log" "action 98"
  sleep 1
  screen box
  grey=$(convert "$out/box.ppm" -fill black +opaque '#D8D8D8' -fill white -opaque '#D8D8D8' \
           -format '%[fx:round(mean*w*h)]' info:)
  say "  $grey pixels of the box's grey"
  [ "$grey" -ge 10000 ] || fail "no message box on the screen (see $out/box.ppm)"
  # While the box is up the owner's input is dropped; its paint is served by the box's loop.
  xdotool key --delay 50 a
  xdotool key Return
  wait_line "$out/probe.log" "box closed 0"
  sed -n '/^action 98$/,/^box closed 0$/p' "$out/probe.log" | grep -q '^painted' ||
    fail "the owner was not painted while the box was up"
  expect_lines "box dismissed by Return, no input for the owner meanwhile" "key 98 0
action 98
box closed 0"
  xdotool key Escape
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after the box (see $out/probe.err)"
}

# start_logged NAME EXE: the program with its protocol log in $out/NAME.err ($log).
start_logged() {
  log=$out/$1.err
  WAYLAND_DEBUG=client start_client "$@"
}

# protocol CHECK ARGS...: tests/desktop/check_protocol.py on the program's protocol log ($log),
# what it found said after $what, and on a failure whether the program had ended.
protocol() {
  local check=$1
  shift
  python3 "$protocol" "$check" "$log" "$@" >"$out/protocol.out" 2>&1 ||
    fail "${what:-}$(cat "$out/protocol.out")$(kill -0 "$app_pid" 2>/dev/null || echo "; the program has ended")"
  say "  ${what:-}$(cat "$out/protocol.out")"
  what=""
}

# paced_checks WHAT: the frame rate over 2 s is at most the output's 60 Hz, and the frames go
# on. A wait for a frame callback lasts at most 4 refresh periods, so a program that never gets
# one still draws 15 frames a second; 5 is what a sanitized build drawing 800 x 600 in software
# keeps on a 2-core machine busy with other checks. A program that stops drawing, or waits for
# a callback that never comes, stays below it.
paced_checks() {
  what="$1: "
  protocol pacing 2 5 66
}

# desktop_checks EXE NAME [client|server]: on a compositor nested in the X server (weston,
# mutter, kwin, all at 60 Hz): the scene, frames at most at the output's rate, the arrow once
# the pointer enters, a click into it, then Escape.
desktop_checks() {
  say "vorlanth under $2: the scene, pacing, the arrow, a click, Escape"
  start_logged "vorlanth-$2" "$1"
  locate 600 500
  say "  client area $width x $height at $left, $top"
  protocol background
  shoot_scene scene
  scene_moves scene
  paced_checks "visible under a 60 Hz output"
  [ -z "${3:-}" ] || protocol frame "$3"
  xdotool mousemove --sync $((left - 40)) $((top + 250)) sleep 0.3 mousemove --sync $((left + 300)) $((top + 250)) ||
    fail "xdotool could not move the pointer"
  protocol cursor
  xdotool click 1
  sleep 0.3
  xdotool key Escape
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after Escape under $2 (see $log)"
}

# sharp_checks NAME: the middle of the client area, where the scene is, seen at the output's
# resolution; a few shots, as the lettering may be edge-on and the bubbles elsewhere in one.
sharp_checks() {
  for _ in 1 2 3 4 5; do
    screen screen
    convert "$out/screen.ppm" -crop "$((width / 2))x$((height / 2))+$((left + width / 4))+$((top + height / 4))" \
      +repage -depth 8 "ppm:$out/$1.ppm"
    if python3 "$checks/check_scene.py" sharp "$out/$1.ppm" >"$out/$1.check" 2>&1; then
      say "  $(cut -d: -f2- "$out/$1.check")"
      return 0
    fi
    sleep 0.5
  done
  fail "drawn at less than the output's resolution: $(cat "$out/$1.check")"
}

weston_scale_checks() {
  say "vorlanth under weston at scale 2: sharp"
  start_weston --scale=2
  screen_size=1280x1024
  start_logged vorlanth-scale2 "$1"
  locate any
  protocol scale 2
  sharp_checks sharp-weston
  xdotool key Escape
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $log)"
  say "probe under weston at scale 2: its message box at the output's scale too"
  start_logged probe-scale2 "$2" box
  wait_line "$out/probe-scale2.log" "painted 1"
  locate any
  xdotool key b
  wait_line "$out/probe-scale2.log" "action 98"
  protocol box-scale "Probe box" 2
  xdotool key Return
  wait_line "$out/probe-scale2.log" "box closed 0"
  xdotool key Escape
  wait_exit "$exit_limit"
  stop_weston
}

# sway, headless at scale 2 and 60 Hz, tiling the window with a frame of its own: sharp,
# paced, still sharp after its scale went to 1 and back, Escape; then on another workspace,
# steps at a bounded rate and closes at once.
sway_checks() {
  say "vorlanth under sway at scale 2"
  start_sway 'output HEADLESS-1 resolution 1200x1000@60Hz scale 2' 'default_border normal'
  local program
  program=$(sway_program "$1")
  start_logged vorlanth-sway "$program"
  locate any
  protocol background
  shoot_scene scene-sway
  protocol scale 2
  sharp_checks sharp-sway
  paced_checks "visible under a 60 Hz output"
  protocol frame server
  swaymsg_ output HEADLESS-1 scale 1
  sleep 1
  protocol scale 1
  locate any
  swaymsg_ output HEADLESS-1 scale 2
  sleep 1
  locate any
  sharp_checks sharp-sway-again
  # wtype's keyboard is a new device: its press must come after the keyboard's entry, which
  # would otherwise carry it as a key already down.
  # shellcheck disable=SC2086
  $as_user WAYLAND_DISPLAY="$socket" wtype -s 500 -k Escape
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after Escape under sway (see $log)"

  say "vorlanth under sway on another workspace"
  start_logged vorlanth-sway-hidden "$program"
  locate any
  swaymsg_ move container to workspace 2
  paced_checks "on another workspace"
  swaymsg_ "[app_id=$(python3 "$protocol" app-id "$log")]" kill
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after closing it on another workspace (see $log)"
  stop_compositor
}

# unplug OUTPUT: closes the window of one of sway's outputs on the X server (start_sway --x11),
# as a monitor unplugged; sway drops the output and moves its workspaces to another.
unplug() {
  local window
  window=$(xwininfo -name "wlroots - $1" 2>/dev/null | awk '/Window id/ {print $4}')
  [ -n "$window" ] || fail "sway has no output $1"
  python3 "$root/tests/windows/send_close.py" "$window" || fail "could not close the window of $1"
  for _ in $(seq 50); do
    xwininfo -id "$window" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "sway kept its output $1"
}

# drawn_at SCALE WHAT [SINCE]: the window's buffers are its configured size at that scale (and
# it took no other since line SINCE of its protocol log), and its frames go on, paced.
drawn_at() {
  what="$2: "
  protocol follows "$1" ${3:-}
  paced_checks "$2"
}

# Outputs that come and go under sway, its outputs windows on the X server: the window moves
# from X11-1 at scale 1 to a new X11-2 at scale 2, and X11-1 is unplugged; then X11-2, which
# sends the window to a new X11-3 at scale 3; then X11-3, which leaves it on no output, until
# X11-4 comes, at scale 3. At each step the program draws on at the scale of the output it is
# on, which it keeps while it is on none; Escape ends it.
sway_outputs_checks() {
  local since
  say "vorlanth under sway as its outputs come and go"
  start_sway --x11 'output X11-1 resolution 800x600 scale 1' 'output X11-2 resolution 800x600 scale 2' \
    'output X11-3 resolution 800x600 scale 3' 'output X11-4 resolution 800x600 scale 3' \
    'default_border normal'
  start_logged vorlanth-outputs "$(sway_program "$1")"
  locate any
  drawn_at 1 "on X11-1"
  swaymsg_ create_output
  swaymsg_ "[app_id=vorlanth]" move container to output X11-2
  drawn_at 2 "moved to a new X11-2"
  unplug X11-1
  drawn_at 2 "X11-1 unplugged"
  locate any
  shoot_scene scene-outputs
  sharp_checks sharp-outputs
  swaymsg_ create_output
  unplug X11-2
  drawn_at 3 "X11-2 unplugged, moved to a new X11-3"
  unplug X11-3
  since=$(wc -l <"$log")
  paced_checks "X11-3 unplugged, on no output"
  swaymsg_ create_output
  # The new output's description comes before sway says the window entered it.
  drawn_at 3 "a new X11-4" "$since"
  swaymsg_ "[app_id=vorlanth]" focus
  # shellcheck disable=SC2086
  $as_user WAYLAND_DISPLAY="$socket" wtype -s 500 -k Escape
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $log)"
  stop_compositor
}

# A program whose WM_SIZE destroys its window, under sway as the output's scale goes from 1 to
# 2: that WM_SIZE reaches it from its message loop, not from inside the Wayland library's
# dispatch, and it ends cleanly (under the sanitizers with the asan preset).
sway_reentry_checks() {
  say "a window destroyed in its WM_SIZE as sway's output scale changes"
  start_sway 'output HEADLESS-1 resolution 1200x1000@60Hz scale 1'
  cp "$1" "$runtime/probe"
  start_client reentry "$runtime/probe" sizedestroys
  wait_line "$out/reentry.log" "painted 1"
  # shellcheck disable=SC2086
  $as_user WAYLAND_DISPLAY="$socket" wtype -s 500 -k d
  wait_line "$out/reentry.log" "action 100"
  swaymsg_ output HEADLESS-1 scale 2
  wait_exit "$exit_limit"
  grep -qx 'destroyed at [0-9]* [0-9]* from the loop' "$out/reentry.log" ||
    fail "the WM_SIZE of the scale change did not come from the message loop (see $out/reentry.log)"
  [ "$status" = 0 ] || fail "exit code $status after destroying the window (see $out/reentry.err)"
  stop_compositor
}

# The decoration's close button ends it.
close_button_checks() {
  say "vorlanth: the decoration's close button"
  start_client vorlanth-close "$1"
  locate 600 500
  shoot decorated
  # The title bar above the client area, its close button at the right end.
  xdotool mousemove --sync $((left + width - 16)) $((top - 12)) click 1
  wait_exit "$exit_limit"
  [ "$status" = 0 ] || fail "exit code $status after the close button (see $out/vorlanth-close.err)"
}

# Minimizes the window with its decoration's button, then kills the compositor under the
# program: a hidden window gets no frame callbacks, and the loop must keep stepping at a
# bounded rate (no swap waits for one for long) and notice the loss, ending with a message.
lost_compositor_checks() {
  say "vorlanth: minimized, then the compositor is killed"
  start_logged vorlanth-lost "$1"
  locate 600 500
  xdotool mousemove --sync $((left + width - 80)) $((top - 12)) click 1
  sleep 0.5
  screen minimized
  ! python3 "$checks/check_scene.py" find "$out/minimized.ppm" >/dev/null 2>&1 ||
    fail "the window is still on the screen after its minimize button (see $out/minimized.ppm)"
  paced_checks "minimized"
  stop_weston
  wait_exit "$exit_limit"
  [ "$status" = 1 ] || fail "exit code $status after losing the compositor, expected 1"
  grep -q "lost the connection to the Wayland compositor" "$out/vorlanth-lost.err" ||
    fail "no message about the lost connection (see $out/vorlanth-lost.err)"
  say "  exit code $status: $(grep -v '^\[' "$out/vorlanth-lost.err" | head -n1)"
}

# X11 through weston's Xwayland (VORLANTH_PLATFORM=x11 on the X display weston started): the
# X window's 600 x 500 client area where the scene shows on weston's output, inside weston's
# frame for X11 windows; Escape ends it, and a second run ends by the frame's close button,
# both with code 0.
xwayland_checks() {
  local way scene frame frame_width frame_height
  say "vorlanth on X11 through weston's Xwayland"
  start_weston --xwayland
  screen_size=1024x768
  for way in Escape close; do
    DISPLAY=$xwayland_display VORLANTH_PLATFORM=x11 start_program "xwayland-$way" "$1"
    DISPLAY=$xwayland_display wait_window Vorlanth
    locate 600 500
    scene="$left $top $width $height"
    # Xwayland's root is weston's output: the X window is where the scene is.
    DISPLAY=$xwayland_display geometry
    [ "$left $top $width $height" = "$scene" ] ||
      fail "the X window's client area is $width x $height at $left, $top; the scene's $scene"
    frame=$(DISPLAY=$xwayland_display xwininfo -id "$window" -tree | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\) .*/\1/p')
    read -r frame_width frame_height < <(DISPLAY=$xwayland_display xwininfo -id "$frame" |
      awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')
    say "  client area $width x $height at $left, $top in weston's $frame_width x $frame_height frame"
    [ "$frame_width" -gt "$width" ] && [ "$frame_height" -gt "$height" ] ||
      fail "the X window is in no frame (its parent is $frame_width x $frame_height)"
    window="" # the pictures come from the X server weston is nested in
    if [ "$way" = Escape ]; then
      shoot_scene scene-xwayland
      scene_moves scene-xwayland
      xdotool key Escape
    else
      # The frame's close button, at the right end of its title bar.
      xdotool mousemove --sync $((left + width - 14)) $((top - 14)) click 1
    fi
    wait_exit "$exit_limit"
    [ "$status" = 0 ] || fail "exit code $status after $way (see $out/xwayland-$way.err)"
    say "  $way: exit code 0"
  done
  stop_weston
}

# With both weston and the X display reachable, as in a Wayland session with XWayland.
selection_checks() {
  local got
  say "backend selection with a compositor and an X display"
  got=$(XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" timeout 10 "$1" 2>&1) || fail "both reachable: $got"
  [ "$got" = "backend wayland" ] || fail "with both reachable the first was not wayland: \"$got\""
  got=$(XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" VORLANTH_PLATFORM=x11 timeout 10 "$1" 2>&1) ||
    fail "VORLANTH_PLATFORM=x11: $got"
  [ "$got" = "backend x11" ] || fail "VORLANTH_PLATFORM=x11 gave \"$got\""
  say "  wayland first, x11 named"
}

no_compositor_checks() {
  local exe=$1 name begun ended took
  say "vorlanth: no compositor and no X display"
  for name in "vorlanth-none-$$" ""; do
    status=0
    begun=$(date +%s%N)
    if [ -n "$name" ]; then
      env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$name" timeout 10 "$exe" </dev/null \
        >"$out/none.log" 2>"$out/none.err" || status=$?
    else
      env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" timeout 10 "$exe" </dev/null \
        >"$out/none.log" 2>"$out/none.err" || status=$?
    fi
    ended=$(date +%s%N)
    took=$(((ended - begun) / 1000000))
    [ "$status" = 1 ] || fail "exit code $status with WAYLAND_DISPLAY=\"$name\", expected 1"
    grep -q "no display to run on: tried wayland (.*), x11 (no X display: DISPLAY is not set)" "$out/none.err" ||
      fail "no message naming what was tried (see $out/none.err)"
    [ "$took" -le $((exit_limit * 1000)) ] || fail "it took $took ms to give up"
    say "  WAYLAND_DISPLAY=\"$name\": exit code 1 in $took ms, $(head -n1 "$out/none.err")"
  done
}

# The renderer loads beside the window's start; one that cannot load ends the program at its
# first pixel format question, with the reason.
no_renderer_checks() {
  local status=0
  say "vorlanth: a renderer that cannot be loaded"
  env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" LIBGL_DRIVERS_PATH=/nonexistent \
    timeout 10 "$1" </dev/null >"$out/renderer.log" 2>"$out/renderer.err" || status=$?
  [ "$status" = 1 ] || fail "exit code $status without a renderer, expected 1 (see $out/renderer.err)"
  grep -q "^vorlanth: the Wayland compositor offers no OpenGL through EGL$" "$out/renderer.err" ||
    fail "no message saying why (see $out/renderer.err)"
  say "  exit code 1: $(tail -n1 "$out/renderer.err")"
}

start_xvfb 200 259
case $part in
  weston) start_weston
    screen_size=1024x768
    say "weston \"$socket\" in Xvfb $DISPLAY"
    selection_checks "$build/tests/platform/backend_select_probe"
    probe_checks "$probe"
    desktop_checks "$exe" weston
    close_button_checks "$exe"
    no_renderer_checks "$exe"
    lost_compositor_checks "$exe"
    no_compositor_checks "$exe" ;;
  scale2) weston_scale_checks "$exe" "$probe" ;;
  mutter) start_mutter
    screen_size=800x600
    desktop_checks "$exe" mutter client ;;
  kwin) start_kwin
    screen_size=1000x800
    desktop_checks "$exe" kwin ;;
  sway) sway_checks "$exe" ;;
  sway-reentry) sway_reentry_checks "$probe" ;;
  sway-outputs) sway_outputs_checks "$exe" ;;
  xwayland) xwayland_checks "$exe" ;;
  *) fail "no part \"$part\": weston, scale2, mutter, kwin, sway, sway-reentry, sway-outputs or xwayland" ;;
esac
say "screenshots in $out"
passed
