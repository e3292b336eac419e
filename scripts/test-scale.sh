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
#     for that dpi; Xft.dpi 144 while it runs: 900 x 750; Escape ends it with exit code 0.
# Runs with the preset VORLANTH_SCALE_PRESET (default: debug). Logs and screenshots go to
# build/<preset>/scale-check/. Every wait has a time limit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
preset=${VORLANTH_SCALE_PRESET:-debug}
build=$root/build/$preset
out=$build/scale-check
started=$SECONDS
# The screenshot checker: tests/desktop once the desktop checks move there.
checker=$root/tests/desktop/check_scene.py
[ -f "$checker" ] || checker=$root/tests/x11/check_scene.py

say() { echo "test-scale: $*"; }
fail() { echo "test-scale: FAIL: $*" >&2; exit 1; }

for tool in Xvfb xdpyinfo xrdb xsettingsd weston kwin_wayland sway swaymsg wtype setpriv \
  setsid xdotool xwininfo import convert python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-debian.sh run test installs it)"
done
# shellcheck source=scripts/lib/logged.sh
. "$root/scripts/lib/logged.sh"
# shellcheck source=scripts/lib/xsession.sh
. "$root/scripts/lib/xsession.sh"
# shellcheck source=scripts/lib/weston.sh
. "$root/scripts/lib/weston.sh"
# shellcheck source=scripts/lib/compositors.sh
. "$root/scripts/lib/compositors.sh"
# shellcheck source=scripts/lib/program.sh
. "$root/scripts/lib/program.sh"
# shellcheck source=scripts/lib/sanitizers.sh
. "$root/scripts/lib/sanitizers.sh"

settings_pid=""
stop_settings() {
  [ -z "$settings_pid" ] || { kill "$settings_pid" 2>/dev/null || true; wait "$settings_pid" 2>/dev/null || true; }
  settings_pid=""
}
trap 'stop_settings; stop_compositor; stop_session_and_weston' EXIT

# start_kwin_scaled SCALE: kwin as compositors.sh starts it, with a fractional output of 800 x
# 640 logical pixels, a window of SCALE times that at the corner of the X screen.
start_kwin_scaled() {
  new_runtime kwin
  socket=vorlanth-kwin-$$
  as_user=""
  mkdir -p "$out/kwin-bin"
  cp /usr/bin/kwin_wayland "$out/kwin-bin/kwin_wayland"
  XDG_RUNTIME_DIR=$runtime setsid dbus-run-session -- "$out/kwin-bin/kwin_wayland" \
    --x11-display "$DISPLAY" --socket "$socket" --no-lockscreen --no-global-shortcuts \
    --width 800 --height 640 --scale "$1" >"$out/kwin.log" 2>&1 &
  compositor_pid=$!
  await_socket kwin "$out/kwin.log"
}

# start_logged NAME EXE: the program as a client of the running compositor (as its user),
# with its protocol log in $out/NAME.err ($log).
start_logged() {
  log=$out/$1.err
  # shellcheck disable=SC2086 # as_user is a command prefix
  $as_user env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" WAYLAND_DEBUG=client \
    timeout 120 "$2" </dev/null >"$out/$1.log" 2>"$log" &
  app_pid=$!
}

# The program's own surface: the one it asks frame callbacks of.
frame_surface() { grep -o -m1 -- '-> wl_surface@[0-9]*\.frame(' "$log" | grep -o '[0-9]*'; }

# wait_log PATTERN WHAT: waits until the protocol log has a line matching the pattern.
wait_log() {
  for _ in $(seq 100); do
    grep -qE -- "$1" "$log" && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before $2 (see $log)"
    sleep 0.1
  done
  fail "$2: no line matching '$1' in $log"
}

# buffers [AFTER]: the sizes ("W x H") of the buffers the program's own surface took, one a
# line, from its protocol log (Mesa's software renderer draws into shared memory); with
# AFTER, only those after the first line that has that text.
buffers() {
  awk -v surface="wl_surface@$(frame_surface).attach(wl_buffer@" -v after="${1:-}" '
    after != "" && !started { if (index($0, after)) started = 1; else next }
    match($0, /new id wl_buffer@[0-9]+, [0-9]+, [0-9]+, [0-9]+/) {
      split(substr($0, RSTART + 7, RLENGTH - 7), f, ", "); size[f[1]] = f[3] " x " f[4] }
    index($0, surface) { id = substr($0, index($0, surface) + length(surface)); sub(/[^0-9].*/, "", id)
      print size["wl_buffer@" id] }' "$log"
}
last_buffer() { buffers | tail -n1; }

# scene_at WIDTH HEIGHT: the clear colour spans a client area of that size on the X screen,
# where the nested compositor shows its output, and it shows the scene.
scene_at() {
  local found=""
  for _ in $(seq 30); do
    import -window root "$out/screen.png"
    convert "$out/screen.png" -depth 8 "ppm:$out/screen.ppm"
    found=$(python3 "$checker" find "$out/screen.ppm" 2>/dev/null || true)
    read -r left top width height <<<"${found:-0 0 0 0}"
    if [ "$width x $height" = "$1 x $2" ]; then
      convert "$out/screen.png" -crop "${width}x${height}+${left}+${top}" +repage -depth 8 "ppm:$out/client.ppm"
      python3 "$checker" scene "$out/client.ppm" >"$out/client.check" 2>&1 && return 0
    fi
    sleep 0.3
  done
  fail "no scene in a $1 x $2 client area on the screen (found ${found:-none}; see $out/screen.png)"
}

# wayland_scale DESKTOP KIND BUFFER [PREFERRED]: under the running compositor the program draws
# buffers of BUFFER ("W x H") and the scene fills that much of the screen. KIND fractional:
# told PREFERRED, its viewport maps them to 600 x 500, buffer scale left at 1; integer: buffer
# scale 2, the arrow's surface too, and no viewport.
wayland_scale() {
  local desktop=$1 kind=$2 buffer=$3 surface
  say "$desktop: $kind, $buffer buffers"
  start_logged "vorlanth-$desktop" "$exe"
  wait_log '-> wl_surface@[0-9]+\.frame\(' "its first frame"
  surface=$(frame_surface)
  for _ in $(seq 50); do [ "$(last_buffer)" = "$buffer" ] && break; sleep 0.1; done
  buffers | sort | uniq -c >"$out/$desktop-buffers.txt"
  [ "$(last_buffer)" = "$buffer" ] || fail "$desktop: buffers of $(last_buffer), expected $buffer (see $log)"
  if [ "$kind" = fractional ]; then
    grep -qE "wp_fractional_scale_v1@[0-9]+\.preferred_scale\($4\)" "$log" || fail "no preferred_scale($4) (see $log)"
    grep -qE -- "-> wp_viewport@[0-9]+\.set_destination\(600, 500\)" "$log" || fail "no set_destination(600, 500) (see $log)"
    ! grep -qE -- "-> wl_surface@$surface\.set_buffer_scale\([^1]" "$log" || fail "a buffer scale on the fractional path (see $log)"
  else
    grep -qE -- "-> wl_surface@$surface\.set_buffer_scale\(2\)" "$log" || fail "no buffer scale 2 (see $log)"
    ! grep -q 'wp_viewport@' "$log" || fail "a viewport on the integer path (see $log)"
  fi
  say "  $(grep -oE 'preferred_scale\([0-9]+\)|set_destination\([0-9, ]+\)|> wl_surface@'"$surface"'\.set_buffer_scale\([0-9]\)' "$log" |
    sort -u | tr '\n' ' ')buffers $(last_buffer)"
}

# wayland_scale_checks: the fractional path on kwin at 150 % and 125 %, the integer path on
# weston and sway, and sway's scale changed while it runs.
wayland_scale_checks() {
  local scale preferred width height mark first surface arrow
  for scale in "1.5 180 900 750" "1.25 150 750 625"; do
    read -r scale preferred width height <<<"$scale"
    start_kwin_scaled "$scale"
    wayland_scale "kwin-$scale" fractional "$width x $height" "$preferred"
    scene_at "$width" "$height"
    say "  scene in $width x $height at $left, $top"
    xdotool mousemove --sync $((left + width / 2)) $((top + height / 2)) key Escape
    wait_exit 5
    [ "$status" = 0 ] || fail "exit code $status after Escape under kwin (see $log)"
    stop_compositor
  done

  start_weston --scale=2
  wayland_scale weston integer "1200 x 1000"
  # The window fills most of weston's 640 x 512 output, shown at twice that on the X screen.
  xdotool mousemove --sync 600 500 sleep 0.3 mousemove --sync 640 520
  wait_log '-> wl_pointer@[0-9]+\.set_cursor' "the arrow"
  arrow=$(grep -oE -m1 -- '-> wl_pointer@[0-9]+\.set_cursor\([0-9]+, wl_surface@[0-9]+' "$log" | grep -oE '[0-9]+$')
  grep -q -- "-> wl_surface@$arrow\.set_buffer_scale(2)" "$log" ||
    fail "the arrow's surface (wl_surface@$arrow) has no buffer scale 2 (see $log)"
  say "  the arrow's surface at buffer scale 2"
  xdotool key Escape
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after Escape under weston (see $log)"
  stop_weston

  # sway tiles the window over its whole output: 600 x 500 logical at scale 2.
  start_sway 'output HEADLESS-1 resolution 1200x1000@20Hz scale 2' 'default_border none'
  cp "$exe" "$runtime/vorlanth"
  cp "$root/tests/lsan.supp" "$runtime/lsan.supp" # where nobody may read them
  local exe=$runtime/vorlanth LSAN_OPTIONS=${LSAN_OPTIONS//$root\/tests\/lsan.supp/$runtime\/lsan.supp}
  wayland_scale sway integer "1200 x 1000"
  # sway 1.7 tells clients a scale of 1.5 as 2, and the output becomes 800 x 666 logical
  # (1000 / 1.5, rounded down): the first frame after that size's configure is twice it, and
  # every frame at buffer scale 2 divides by 2.
  swaymsg_ output HEADLESS-1 scale 1
  for _ in $(seq 50); do [ "$(last_buffer)" = "1200 x 1000" ] && break; sleep 0.1; done
  mark="$(grep -c '' "$log")"
  swaymsg_ output HEADLESS-1 scale 1.5
  sleep 2
  surface=$(frame_surface)
  tail -n +"$mark" "$log" >"$out/sway-switch.err"
  first=$(log=$out/sway-switch.err buffers "configure(800, 666," | head -n1)
  [ "$first" = "1600 x 1332" ] ||
    fail "sway 1 -> 1.5: the first frame of the new size is ${first:-missing}, expected 1600 x 1332 (see $log)"
  ! log=$out/sway-switch.err buffers "wl_surface@$surface.set_buffer_scale(2)" | grep -E '[13579]( |$)' ||
    fail "sway 1 -> 1.5: a frame at buffer scale 2 of odd size (see $log)"
  say "  sway 1 -> 1.5: the first frame of the new size is $first"
  # shellcheck disable=SC2086
  $as_user WAYLAND_DISPLAY="$socket" wtype -s 500 -k Escape
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after Escape under sway (see $log)"
  stop_compositor
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

# x11_scale_checks HOW: the desktop at 192 dpi (HOW: xrdb or xsettings), then at 144 while
# the program runs.
x11_scale_checks() {
  local how=$1 cursor
  say "X11, Xft.dpi 192 by $how"
  start_xvfb 300 359
  if [ "$how" = xrdb ]; then
    echo 'Xft.dpi: 192' | xrdb -merge
  else
    printf 'Xft/DPI %d\n' $((192 * 1024)) >"$out/xsettingsd.conf"
    xsettingsd -c "$out/xsettingsd.conf" >"$out/xsettingsd.log" 2>&1 &
    settings_pid=$!
    for _ in $(seq 50); do xprop -root _XSETTINGS_S0 >/dev/null 2>&1 && break; sleep 0.1; done
    sleep 0.5
  fi
  start_program "x11-$how" env -u XCURSOR_SIZE "$exe"
  wait_window Vorlanth
  # The program's client area lies at 104, 122 (its frame and caption), twice that at 200 %.
  x11_client_area 1200 1000 208 244
  shoot_scene "x11-$how"
  say "  client area $width x $height at $left, $top, the scene drawn"
  if [ "$how" = xrdb ]; then
    # Xcursor's own rules read the resources' dpi, not XSETTINGS'.
    xdotool mousemove --sync 700 700
    sleep 0.3
    cursor=$(python3 "$root/tests/scale/cursor_size.py")
    [ "$cursor" = "$expected_cursor" ] || fail "the arrow is $cursor, expected $expected_cursor (Xcursor's size at 192 dpi)"
    say "  the arrow is $cursor"
    echo 'Xft.dpi: 144' | xrdb -merge
  else
    printf 'Xft/DPI %d\n' $((144 * 1024)) >"$out/xsettingsd.conf"
    kill -HUP "$settings_pid"
  fi
  x11_client_area 900 750
  say "  at 144 dpi: $width x $height"
  xdotool key Escape
  wait_exit 5
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $out/x11-$how.err)"
  stop_settings
  stop_session
}

build_targets "$preset" vorlanth
rm -rf "$out"
mkdir -p "$out"
sanitizer_environment "$preset"
# As scripts/test-wayland.sh: no thread-local storage in the leak scan on the libdecor path.
export LSAN_OPTIONS="$LSAN_OPTIONS:use_tls=0"
exe=$build/scene/vorlanth
# Xcursor's size at 192 dpi with no XCURSOR_SIZE or Xcursor.size: dpi * 16 / 72, and the
# theme's nearest image to that.
expected_cursor="48 x 48"
x11_scale_checks xrdb
x11_scale_checks xsettings
start_xvfb 300 359
wayland_scale_checks
stop_session_and_weston
say "passed in $((SECONDS - started)) s"
