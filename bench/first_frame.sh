#!/usr/bin/env bash
# Time from start to the first presented frame (the first buffer swap returning) of vorlanth
# beside the least program that shows a cleared 600 x 500 window: bench/bare_glx on an Xvfb
# server, bench/bare_egl in weston nested in the same Xvfb (pixman renderer), both on Mesa's
# software renderer. bench/first_frame_launch reads the clock before the program loads, and
# the preloaded bench/first_frame_marker notes the first swap and ends the program. The two
# programs take turns; it prints each one's median over VORLANTH_FIRST_FRAME_RUNS runs
# (default 9), their ratio, and the getpid calls before the first frame as strace counts them
# (each GLX or EGL entry checks for a fork with one). Usage:
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
build_targets "$preset" vorlanth first_frame_launch first_frame_marker bare_glx bare_egl
rm -rf "$out"
mkdir -p "$out"
launch=("$build/bench/first_frame_launch" "$build/bench/libfirst_frame_marker.so")

# once NAME PROGRAM [ENV...]: one run; appends its milliseconds to $out/NAME.times.
once() {
  local name=$1 program=$2
  shift 2
  rm -f "$out/$name.ms"
  env "$@" timeout 60 "${launch[@]}" "$out/$name.ms" "$program" </dev/null >"$out/$name.log" 2>&1 || true
  [ -s "$out/$name.ms" ] || fail "no first frame from $name (see $out/$name.log)"
  cat "$out/$name.ms" >>"$out/$name.times"
}

median() { sort -n "$out/$1.times" | awk '{ v[NR] = $1 } END { printf "%.1f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# getpids NAME PROGRAM [ENV...]: the getpid calls of one run up to its first frame.
getpids() {
  local name=$1 program=$2
  shift 2
  env "$@" timeout 60 strace -f -c -e trace=getpid -o "$out/$name.strace" \
    "${launch[@]}" "$out/$name.ms" "$program" </dev/null >"$out/$name.log" 2>&1 || true
  awk '$NF == "getpid" { n = $4 } END { print n + 0 }' "$out/$name.strace"
}

# compare DESKTOP NAME PROGRAM BARE BARE_PROGRAM [ENV...]
compare() {
  local desktop=$1 name=$2 program=$3 bare=$4 bare_program=$5 ours theirs
  shift 5
  once "$name" "$program" "$@" # the first runs fill the file caches; they do not count
  once "$bare" "$bare_program" "$@"
  rm -f "$out/$name.times" "$out/$bare.times"
  for _ in $(seq "$runs"); do
    once "$name" "$program" "$@"
    once "$bare" "$bare_program" "$@"
  done
  ours=$(median "$name")
  theirs=$(median "$bare")
  printf '%-8s vorlanth %7s ms   %-8s %7s ms   ratio %s   getpid before it: %s against %s\n' \
    "$desktop" "$ours" "$bare" "$theirs" "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", a / b }')" \
    "$(getpids "$name" "$program" "$@")" "$(getpids "$bare" "$bare_program" "$@")"
}

echo "first frame, medians of $runs alternating runs ($preset)"
start_xvfb 200 259
compare X11 vorlanth-x11 "$build/scene/vorlanth" bare_glx "$build/bench/bare_glx" \
  -u WAYLAND_DISPLAY VORLANTH_PLATFORM=x11
start_weston
compare Wayland vorlanth-wayland "$build/scene/vorlanth" bare_egl "$build/bench/bare_egl" \
  -u DISPLAY VORLANTH_PLATFORM=wayland XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket"
