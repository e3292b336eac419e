#!/usr/bin/env bash
# Makes the README's pictures again: runs the program on an Xvfb server of its own, waits until
# its window shows the scene, and writes the client area to docs/screenshot.png (kept small:
# a 256-colour PNG) and a few seconds of the run to docs/animation.gif (at most 2 MB), picked
# where the lettering is largest. Needs the packages of both groups: bash scripts/setup-debian.sh run test.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD out=$root/build/app/screenshot
fail() { echo "screenshot: FAIL: $*" >&2; exit 1; }
source scripts/lib/xsession.sh
source scripts/lib/logged.sh
trap stop_session EXIT

build_targets app vorlanth
rm -rf "$out"
mkdir -p "$out" docs
start_xvfb 240 279
start_program vorlanth build/app/scene/vorlanth
wait_window Vorlanth
sleep 2 # let the clusters spread out from where they start
# Of eight shots that show the scene, the one where the lettering faces the viewer most.
best="" best_yellow=-1
for n in 1 2 3 4 5 6 7 8; do
  shoot_scene "shot$n"
  yellow=$(sed -n 's/.*yellow \([0-9]*\).*/\1/p' "$out/shot$n.check")
  if [ "${yellow:-0}" -gt "$best_yellow" ]; then best=shot$n best_yellow=${yellow:-0}; fi
  sleep 0.3
done
convert "$out/$best.png" -colors 256 -strip "PNG8:docs/screenshot.png"
echo "screenshot: docs/screenshot.png, $(stat -c %s docs/screenshot.png) bytes"

# The animation: shots of the window as fast as they can be taken, then the run of frames in
# which the lettering (its yellow pixels) is largest, so that the word is easy to read.
frames=72 length=30 taken=$SECONDS
for n in $(seq -f %02g 1 $frames); do
  timeout 10 import -window "$window" "$out/frame$n.png" || fail "no shot of the window within 10 s"
done
seconds=$((SECONDS - taken))
for n in $(seq -f %02g 1 $frames); do
  convert "$out/frame$n.png" -depth 8 "ppm:$out/frame.ppm"
  python3 tests/desktop/check_scene.py scene "$out/frame.ppm" 2>/dev/null |
    sed -n 's/.*yellow \([0-9]*\).*/\1/p' >"$out/frame$n.yellow" || true
done
first=$(for n in $(seq 1 $((frames - length + 1))); do
  total=0
  for k in $(seq "$n" $((n + length - 1))); do
    total=$((total + $(cat "$out/frame$(printf %02d "$k").yellow" 2>/dev/null || echo 0)))
  done
  echo "$total $n"
done | sort -n | tail -n1 | cut -d' ' -f2)
# The frames' delay in hundredths of a second, as they were taken (at least one frame a second).
delay=$(( (seconds * 100 + frames - 1) / frames ))
[ "$delay" -ge 4 ] || delay=4
selected=()
for k in $(seq "$first" $((first + length - 1))); do selected+=("$out/frame$(printf %02d "$k").png"); done
convert -delay "$delay" -loop 0 "${selected[@]}" -resize 480x400 -fuzz 2% -layers Optimize \
  -colors 128 docs/animation.gif
size=$(stat -c %s docs/animation.gif)
[ "$size" -le 2000000 ] || fail "docs/animation.gif is $size bytes, more than 2 MB"
echo "screenshot: docs/animation.gif, $length frames from $frames taken in $seconds s, $size bytes"
