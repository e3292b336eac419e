#!/usr/bin/env bash
# The program at the desktop's scale, end to end, on each desktop: drawn at the screen's
# resolution, at the size other programs have, with the arrow at the output's scale.
#   - KDE's kwin (nested in Xvfb) at 150 % and 125 %: the fractional path, told
#     preferred_scale(180) (150), drawing 900 x 750 (750 x 625) buffers mapped to 600 x 500 by
#     its viewport, the scene on screen at that size, Escape;
#   - weston and sway at scale 2: the integer path, buffer scale 2 and no viewport; sway's
#     scale going from 1 to 1.5 at run time is the integer path at 2, a resize within a frame;
#   - X11 (Xvfb) with Xft.dpi 192 from xrdb, then with an XSETTINGS manager (xsettingsd):
#     a 1200 x 1000 client area at twice its place, the scene, the arrow at the size Xcursor picks
#     for that dpi; Xft.dpi 144 while it runs: 900 x 750; Escape ends it with exit code 0; the
#     message box at 144 dpi, its size and its button scaled.
# Usage: bash scripts/test-scale.sh [PRESET [x11|kwin|weston|sway]] (default: debug, every
# desktop; the test command runs each desktop as a ctest test, scale.DESKTOP, for each desktop
# build). Logs and screenshots go to build/<preset>/scale-check[/DESKTOP]/.
# Every wait has a time limit.
# shellcheck source=scripts/lib/end_to_end.sh
. "$(dirname "$0")/lib/end_to_end.sh"
need Xvfb xdpyinfo xrdb xsettingsd weston kwin_wayland sway swaymsg wtype setpriv setsid \
  xdotool xwininfo convert python3
checker=$root/tests/desktop/check_scene.py
protocol=$root/tests/desktop/check_protocol.py

# protocol CHECK ARGS...: tests/desktop/check_protocol.py on the program's protocol log ($log).
protocol() { python3 "$protocol" "$1" "$log" "${@:2}"; }
# The window's surface: the one the program asks frame callbacks of.
frame_surface() { grep -o -m1 -- '-> wl_surface@[0-9]*\.frame(' "$log" | grep -o '[0-9]*'; }
last_buffer() { protocol buffers | tail -n1; }
await_buffer() {
  for _ in $(seq 100); do [ "$(last_buffer)" = "$1" ] && return 0; sleep 0.1; done
  fail "buffers of ${2:-}$(last_buffer), expected $1 (see $log)"
}

# scene_at WIDTH HEIGHT: the clear colour spans a client area of that size on the X screen,
# where a nested compositor shows its output, and it shows the scene.
scene_at() {
  local found=""
  for _ in $(seq 30); do
    x_shot "$out/screen.ppm"
    found=$(python3 "$checker" find "$out/screen.ppm" 2>/dev/null || true)
    read -r left top width height <<<"${found:-0 0 0 0}"
    if [ "$width x $height" = "$1 x $2" ]; then
      convert "$out/screen.ppm" -crop "${width}x${height}+${left}+${top}" +repage "ppm:$out/client.ppm"
      python3 "$checker" scene "$out/client.ppm" >"$out/client.check" 2>&1 && return 0
    fi
    sleep 0.3
  done
  fail "no scene in a $1 x $2 client area on the screen (found ${found:-none}; see $out/screen.ppm)"
}

# escape: Escape ends the program with exit code 0 (as sway's user through wtype: sway is
# headless).
escape() {
  # shellcheck disable=SC2086
  if [ -n "$as_user" ]; then $as_user WAYLAND_DISPLAY="$socket" wtype -s 500 -k Escape; else xdotool key Escape; fi
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $log)"
}

# wayland_scale DESKTOP SCALE BUFFER [PREFERRED]: the program under a compositor at that scale
# draws buffers of BUFFER ("W x H") for its 600 x 500 client area. Told PREFERRED (kwin), the
# fractional path: its viewport maps them to 600 x 500 at buffer scale 1, and the scene fills
# that much of the screen. Otherwise the integer path at 2: buffer scale 2 and no viewport;
# under weston the arrow's surface at buffer scale 2 too, and under sway its scale going from
# 1 to 1.5 (told 2; 800 x 666 logical, 1000 / 1.5 rounded down) a resize within a frame: the
# first frame after that size's configure is twice it, and none at buffer scale 2 is odd.
wayland_scale() {
  local desktop=$1 scale=$2 buffer=$3 surface exe=$exe first
  say "$desktop at scale $scale: $buffer buffers"
  case $desktop in
    kwin) start_kwin --width 800 --height 640 --scale "$scale" ;; # a fractional output
    weston) start_weston --scale=2 ;;
    sway) # tiled over its whole output; the program goes where nobody may run it
      start_sway 'output HEADLESS-1 resolution 1200x1000@20Hz scale 2' 'default_border none'
      exe=$(sway_program "$exe") ;;
  esac
  log=$out/$desktop-$scale.err
  # shellcheck disable=SC2086 # as_user is a command prefix
  $as_user env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" WAYLAND_DEBUG=client \
    timeout 120 "$exe" </dev/null >"$out/$desktop-$scale.log" 2>"$log" &
  app_pid=$!
  for _ in $(seq 100); do [ -n "$(frame_surface)" ] && break; sleep 0.1; done
  surface=$(frame_surface)
  await_buffer "$buffer"
  if [ -n "${4:-}" ]; then
    grep -qE "wp_fractional_scale_v1@[0-9]+\.preferred_scale\($4\)" "$log" || fail "no preferred_scale($4) (see $log)"
    grep -qE -- "-> wp_viewport@[0-9]+\.set_destination\(600, 500\)" "$log" || fail "no set_destination(600, 500) (see $log)"
    ! grep -qE -- "-> wl_surface@$surface\.set_buffer_scale\([^1]" "$log" || fail "a buffer scale on the fractional path (see $log)"
    scene_at "${buffer% x *}" "${buffer#* x }"
    say "  the scene in $width x $height at $left, $top"
    xdotool mousemove --sync $((left + width / 2)) $((top + height / 2)) # for the keyboard
  else
    protocol scale 2 >/dev/null || fail "no buffer scale 2 (see $log)"
    ! grep -q 'wp_viewport@' "$log" || fail "a viewport on the integer path (see $log)"
  fi
  say "  $(grep -oE 'preferred_scale\([0-9]+\)|set_destination\([0-9, ]+\)|> wl_surface@'"$surface"'\.set_buffer_scale\([0-9]\)' "$log" |
    sort -u | tr '\n' ' ')buffers $(last_buffer)"
  if [ "$desktop" = weston ]; then
    # The window fills most of weston's 640 x 512 output, twice that on the X screen, where
    # weston puts it: the pointer goes to a few places until it enters the client area, not
    # libdecor's frame (whose arrow is libdecor's own), and the arrow set for that entry counts.
    for point in "600 500" "640 620" "400 400" "800 760" "640 300"; do
      # shellcheck disable=SC2086 # two coordinates
      xdotool mousemove --sync $point sleep 0.3
      grep -qE "wl_pointer@[0-9]+\.enter\([0-9]+, wl_surface@$surface," "$log" && break
    done
    protocol arrow-scale 2 >/dev/null || fail "the arrow for the pointer's entry has no buffer scale 2 (see $log)"
    say "  the arrow's surface at buffer scale 2"
  elif [ "$desktop" = sway ]; then
    swaymsg_ output HEADLESS-1 scale 1
    await_buffer "1200 x 1000" "sway at scale 1: "
    swaymsg_ output HEADLESS-1 scale 1.5
    await_buffer "1600 x 1332" "sway at scale 1.5: "
    first=$(protocol buffers "configure(800, 666," | sed -n 1p)
    [ "$first" = "1600 x 1332" ] || fail "sway 1 -> 1.5: the first frame of the new size is $first (see $log)"
    ! protocol buffers "wl_surface@$surface.set_buffer_scale(2)" | grep -E '[13579]( |$)' ||
      fail "sway 1 -> 1.5: a frame at buffer scale 2 of odd size (see $log)"
    say "  sway 1 -> 1.5: the first frame of the new size is $first"
  fi
  escape
  stop_compositor
  stop_weston
}

# x11_client_area WIDTH HEIGHT [LEFT TOP]: the program's window has that client area.
x11_client_area() {
  for _ in $(seq 50); do
    geometry
    [ "$width x $height" = "$1 x $2" ] && { [ -z "${3:-}" ] || [ "$left, $top" = "$3, $4" ]; } && return 0
    sleep 0.1
  done
  fail "client area $width x $height at $left, $top, expected $1 x $2${3:+ at $3, $4}"
}

# x11_dpi xrdb|xsettings DPI: the desktop's dpi set as the desktops do.
x11_dpi() {
  if [ "$1" = xrdb ]; then
    echo "Xft.dpi: $2" | xrdb -merge
  else
    printf 'Xft/DPI %d\n' $(($2 * 1024)) >"$out/xsettingsd.conf"
    if [ -z "$compositor_pid" ]; then
      setsid xsettingsd -c "$out/xsettingsd.conf" >"$out/xsettingsd.log" 2>&1 &
      compositor_pid=$! # ended with the session, as a compositor is
      for _ in $(seq 50); do xprop -root _XSETTINGS_S0 >/dev/null 2>&1 && break; sleep 0.1; done
    else
      kill -HUP "$compositor_pid"
    fi
  fi
}

# x11_scale HOW: the desktop at 192 dpi (HOW: xrdb or xsettings): the client area at twice its
# size and place (its corner at 104, 122 below the frame and caption), the scene, with xrdb the
# arrow Xcursor picks for 192 dpi (its size rule reads the resources, not XSETTINGS: dpi *
# 16 / 72 = 42, whose nearest in the theme is 48); at 144 dpi while it runs 900 x 750.
x11_scale() {
  local cursor
  say "X11, Xft.dpi 192 by $1"
  start_xvfb 300 359
  x11_dpi "$1" 192
  log=$out/x11-$1.err
  start_program "x11-$1" env -u XCURSOR_SIZE "$exe"
  wait_window Vorlanth
  x11_client_area 1200 1000 208 244
  shoot_scene "x11-$1"
  say "  client area $width x $height at $left, $top, the scene drawn"
  if [ "$1" = xrdb ]; then
    xdotool mousemove --sync 700 700 sleep 0.3
    cursor=$(python3 "$root/tests/scale/cursor_size.py")
    [ "$cursor" = "48 x 48" ] || fail "the arrow is $cursor, expected 48 x 48 (Xcursor's size at 192 dpi)"
    say "  the arrow is $cursor"
  fi
  x11_dpi "$1" 144
  x11_client_area 900 750
  say "  at 144 dpi: $width x $height"
  escape
  [ "$1" = xsettings ] || x11_box
  stop_compositor
  stop_session
}

# x11_box: the probe's message box at 144 dpi. At 100 % it is 240 x 104: the least width, and
# two lines of "fixed" (13 pixels, 2 between lines) between margins of 16 and the 26-pixel
# button; here 360 x 156. Its OK button, 80 x 26 at 80, 62, takes a click at 120, 75 of that
# layout, 180, 112 on screen, which at 100 % would miss it.
x11_box() {
  start_program probe "$build/tests/desktop/x11_probe" box
  wait_window "Key probe"
  wait_line "$out/probe.log" "painted 1"
  wait_focus
  xdotool key b
  wait_window "Probe box"
  geometry
  [ "$width x $height" = "360 x 156" ] || fail "the message box is $width x $height at 144 dpi, expected 360 x 156"
  xdotool mousemove --sync $((left + 180)) $((top + 112)) click 1
  wait_line "$out/probe.log" "box closed 0"
  say "  the message box at 144 dpi: $width x $height, its OK button where the scale puts it"
  window=$(xdotool search --onlyvisible --name "^Key probe\$" | head -n1)
  escape
}

exe=$build/scene/vorlanth
for desktop in ${part:-x11 kwin weston sway}; do
  # The nested compositors' screen, one for all of them.
  [ "$desktop" = x11 ] || [ -n "$xvfb_pid" ] || start_xvfb 300 359
  case $desktop in
    x11)
      x11_scale xrdb
      x11_scale xsettings ;;
    kwin)
      wayland_scale kwin 1.5 "900 x 750" 180
      wayland_scale kwin 1.25 "750 x 625" 150 ;;
    weston) wayland_scale weston 2 "1200 x 1000" ;;
    sway) wayland_scale sway 2 "1200 x 1000" ;;
    *) fail "no desktop \"$desktop\": x11, kwin, weston or sway" ;;
  esac
done
passed
