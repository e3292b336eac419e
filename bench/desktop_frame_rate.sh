#!/usr/bin/env bash
# The same program's frame rate on the X11 path (GLX on an Xvfb server) and on the Wayland path
# (EGL in weston nested in the same Xvfb, pixman renderer), both on Mesa's software renderer,
# and their ratio. Frames are counted by bench/swap_counter, preloaded, over
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
trap 'stop_session_and_weston' EXIT

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target vorlanth swap_counter -j "${VORLANTH_JOBS:-2}" >/dev/null
rm -rf "$out"
mkdir -p "$out"
start_xvfb 200 259

# rate NAME PROGRAM [ENV...]: runs it with the counter; prints frames per second.
rate() {
  local name=$1 program=$2 frames seconds
  shift 2
  rm -f "$out/$name.count"
  env "$@" LD_PRELOAD="$build/bench/libswap_counter.so" VORLANTH_SWAP_LOG="$out/$name.count" \
    timeout 120 "$program" </dev/null >"$out/$name.log" 2>&1 || true
  [ -s "$out/$name.count" ] || fail "no frame count from $name (see $out/$name.log)"
  read -r frames seconds <"$out/$name.count"
  awk -v f="$frames" -v s="$seconds" 'BEGIN { printf "%.1f", f / s }'
}

x11=$(rate x11 "$build/scene/vorlanth" VORLANTH_PLATFORM=x11)
start_weston
wayland=$(rate wayland "$build/scene/vorlanth" VORLANTH_PLATFORM=wayland XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket")
echo "X11 (GLX, Xvfb):                 $x11 frames/s"
echo "Wayland (EGL, weston in Xvfb):   $wayland frames/s"
awk -v w="$wayland" -v x="$x11" 'BEGIN { printf "Wayland / X11:                   %.2f\n", w / x }'
