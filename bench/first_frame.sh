#!/usr/bin/env bash
# Start-up as a user sees it, vorlanth beside two peers on Mesa's software renderer: the least
# program that shows a cleared 600 x 500 window (bench/bare_glx on an Xvfb server,
# bench/bare_egl in weston nested in the same Xvfb, pixman renderer) and the same program
# drawing the scene's first frame directly, with the same mesh, spheres and state
# (bench/scene_glx, bench/scene_egl). bench/first_frame_launch reads the clock before the
# program loads; the preloaded bench/first_frame_marker notes when the window goes on screen
# (X11: its map; Wayland: the first commit with a buffer) and the first swap, and ends the
# program. The three take turns; it prints medians over VORLANTH_FIRST_FRAME_RUNS runs
# (default 9) of each, vorlanth's window on screen against the bare program's first frame,
# its first frame against the same-scene program's, and the getpid calls before the first
# frame as strace counts them (each GLX or EGL entry checks for a fork with one). Usage:
#   bash bench/first_frame.sh [preset]      (default: release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
preset=${1:-release}
runs=${VORLANTH_FIRST_FRAME_RUNS:-9}
build=$root/build/$preset
out=$build/first-frame-check
fail() { echo "first_frame: FAIL: $*" >&2; exit 1; }
# shellcheck source=scripts/lib/xsession.sh
. "$root/scripts/lib/xsession.sh"
# shellcheck source=scripts/lib/weston.sh
. "$root/scripts/lib/weston.sh"
trap 'stop_session_and_weston' EXIT

# shellcheck source=scripts/lib/logged.sh
. "$root/scripts/lib/logged.sh"
build_targets "$preset" vorlanth first_frame_launch first_frame_marker bare_glx bare_egl \
  scene_glx scene_egl
rm -rf "$out"
mkdir -p "$out"
launch=("$build/bench/first_frame_launch" "$build/bench/libfirst_frame_marker.so")

# once NAME PROGRAM [ENV...]: one run; appends its first frame's and its window's
# milliseconds to $out/NAME.times and $out/NAME.shown.times.
once() {
  local name=$1 program=$2
  shift 2
  rm -f "$out/$name.ms"
  env "$@" timeout 60 "${launch[@]}" "$out/$name.ms" "$program" </dev/null >"$out/$name.log" 2>&1 || true
  [ -s "$out/$name.ms" ] || fail "no first frame from $name (see $out/$name.log)"
  awk '{ print $1 }' "$out/$name.ms" >>"$out/$name.times"
  awk '{ print $2 }' "$out/$name.ms" >>"$out/$name.shown.times"
}

median() { sort -n "$out/$1.times" | awk '{ v[NR] = $1 } END { printf "%.1f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# getpids NAME PROGRAM [ENV...]: the getpid calls of one run up to its first frame.
getpids() {
  local name=$1 program=$2
  shift 2
  env "$@" timeout 60 strace -f -c -e trace=getpid -o "$out/$name.strace" \
    "${launch[@]}" "$out/$name.ms" "$program" </dev/null >"$out/$name.log" 2>&1 || true
  awk '$NF == "getpid" { n = $4 } END { print n + 0 }' "$out/$name.strace"
}

# compare DESKTOP BARE SAME_SCENE [ENV...]: vorlanth, bench/BARE and bench/SAME_SCENE in turns.
compare() {
  local desktop=$1 bare=$2 same=$3 name=vorlanth-$1 ours shown theirs scene
  shift 3
  local programs=("$name" "$build/scene/vorlanth" "$bare" "$build/bench/$bare" "$same" "$build/bench/$same")
  local i
  for i in 0 2 4; do # the first runs fill the file caches; they do not count
    once "${programs[i]}" "${programs[i + 1]}" "$@"
    rm -f "$out/${programs[i]}".*times
  done
  for _ in $(seq "$runs"); do
    for i in 0 2 4; do once "${programs[i]}" "${programs[i + 1]}" "$@"; done
  done
  ours=$(median "$name")
  shown=$(median "$name.shown")
  theirs=$(median "$bare")
  scene=$(median "$same")
  printf '%-8s window on screen %7s ms   %-9s first frame %7s ms   ratio %s\n' \
    "$desktop" "$shown" "$bare" "$theirs" "$(ratio "$shown" "$theirs")"
  printf '%-8s first frame      %7s ms   %-9s first frame %7s ms   ratio %s\n' \
    "$desktop" "$ours" "$same" "$scene" "$(ratio "$ours" "$scene")"
  printf '%-8s getpid before the first frame: %s, %s %s\n' "$desktop" \
    "$(getpids "$name" "$build/scene/vorlanth" "$@")" "$same" "$(getpids "$same" "$build/bench/$same" "$@")"
}

echo "first frame, medians of $runs alternating runs ($preset)"
start_xvfb 200 259
compare X11 bare_glx scene_glx -u WAYLAND_DISPLAY VORLANTH_PLATFORM=x11
start_weston
compare Wayland bare_egl scene_egl -u DISPLAY VORLANTH_PLATFORM=wayland XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket"
