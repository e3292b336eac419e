#!/usr/bin/env bash
# Makes the README's picture again: runs the program on an Xvfb server of its own, waits until
# its window shows the scene, and writes the client area to docs/screenshot.png (kept small:
# a 256-colour PNG). Needs the packages of both groups: bash scripts/setup-debian.sh run test.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/app/screenshot
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
