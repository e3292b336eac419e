#!/usr/bin/env bash
# The soak's short run: the whole system for VORLANTH_SOAK_FRAMES frames (default 20,000) on
# the virtual desktop, in the debug build. Fails on any allocation after the first frame,
# memory growth after the first 10,000 frames, or motion out of bounds (bench/soak.cpp).
# The full run: build/release/bench/soak (1,000,000 frames).
set -euo pipefail
# shellcheck source=scripts/lib/logged.sh
. "$(dirname "$0")/lib/logged.sh"
cd "$(dirname "$0")/.."
frames=${VORLANTH_SOAK_FRAMES:-20000}
build_targets debug soak
echo "test-soak: $frames frames"
build/debug/bench/soak "$frames" </dev/null
