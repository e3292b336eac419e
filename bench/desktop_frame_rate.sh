#!/usr/bin/env bash
# The same program's frame rate, drawing unpaced (vblank_mode=0), on the X11 path (GLX on an
# Xvfb server) and on the Wayland path (EGL in weston nested in the same Xvfb, pixman
# renderer), both on Mesa's software renderer, and their ratio; then paced by weston's frame
# callbacks (its output refreshes at 60 Hz), with the processor time each way costs; then
# unpaced under KDE's kwin at 150 % (nested in the same Xvfb), where the window's buffers are
# 1.5 times its logical size each way on the fractional path (twice on the integer one). Frames
# and processor seconds are counted by bench/swap_counter, preloaded, over
# VORLANTH_SWAP_SECONDS (default 10) after a 2 s warm-up. Usage:
#   bash bench/desktop_frame_rate.sh [preset]      (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
preset=${1:-release}
build=$root/build/$preset
out=$build/frame-rate-check
fail() { echo "desktop_frame_rate: FAIL: $*" >&2; exit 1; }
# shellcheck source=scripts/lib/xsession.sh
. "$root/scripts/lib/xsession.sh"
# shellcheck source=scripts/lib/weston.sh
. "$root/scripts/lib/weston.sh"
# shellcheck source=scripts/lib/compositors.sh
. "$root/scripts/lib/compositors.sh"
trap 'stop_compositor; stop_session_and_weston' EXIT

# shellcheck source=scripts/lib/logged.sh
. "$root/scripts/lib/logged.sh"
build_targets "$preset" vorlanth swap_counter
rm -rf "$out"
mkdir -p "$out"
start_xvfb 200 259

# rate NAME PROGRAM [ENV...]: runs it with the counter; prints frames and processor seconds
# per second.
rate() {
  local name=$1 program=$2 frames seconds cpu
  shift 2
  rm -f "$out/$name.count"
  env "$@" LD_PRELOAD="$build/bench/libswap_counter.so" VORLANTH_SWAP_LOG="$out/$name.count" \
    timeout 120 "$program" </dev/null >"$out/$name.log" 2>&1 || true
  [ -s "$out/$name.count" ] || fail "no frame count from $name (see $out/$name.log)"
  read -r frames seconds cpu <"$out/$name.count"
  awk -v f="$frames" -v s="$seconds" -v c="$cpu" 'BEGIN { printf "%.1f %.2f", f / s, c / s }'
}

wayland_env() { echo VORLANTH_PLATFORM=wayland XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket"; }

read -r x11 x11_cpu <<<"$(rate x11 "$build/scene/vorlanth" VORLANTH_PLATFORM=x11 vblank_mode=0)"
start_weston
# shellcheck disable=SC2046 # one word each
read -r wayland wayland_cpu <<<"$(rate wayland "$build/scene/vorlanth" $(wayland_env) vblank_mode=0)"
# shellcheck disable=SC2046
read -r paced paced_cpu <<<"$(rate paced "$build/scene/vorlanth" $(wayland_env))"
echo "Unpaced (vblank_mode=0):"
echo "  X11 (GLX, Xvfb):               $x11 frames/s, $x11_cpu processor s/s"
echo "  Wayland (EGL, weston in Xvfb): $wayland frames/s, $wayland_cpu processor s/s"
awk -v w="$wayland" -v x="$x11" 'BEGIN { printf "  Wayland / X11:                 %.2f\n", w / x }'
echo "Paced by weston's frame callbacks (60 Hz output):"
echo "  Wayland:                       $paced frames/s, $paced_cpu processor s/s"

# kwin as scripts/lib/compositors.sh starts it, with a fractional output.
stop_weston
new_runtime kwin-1.5
socket=vorlanth-kwin-$$
mkdir -p "$out/kwin-bin"
cp /usr/bin/kwin_wayland "$out/kwin-bin/kwin_wayland"
XDG_RUNTIME_DIR=$runtime setsid dbus-run-session -- "$out/kwin-bin/kwin_wayland" --x11-display "$DISPLAY" \
  --socket "$socket" --no-lockscreen --no-global-shortcuts --width 800 --height 640 --scale 1.5 \
  >"$out/kwin.log" 2>&1 &
compositor_pid=$!
await_socket kwin "$out/kwin.log"
# shellcheck disable=SC2046
read -r kwin kwin_cpu <<<"$(rate kwin "$build/scene/vorlanth" $(wayland_env) vblank_mode=0)"
echo "Unpaced under kwin at 150 % (600 x 500 logical):"
awk -v f="$kwin" -v c="$kwin_cpu" 'BEGIN { printf "  Wayland:                       %s frames/s, %s processor s/s, %.1f ms a frame\n", f, c, 1000 * c / f }'
