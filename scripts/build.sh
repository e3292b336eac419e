#!/usr/bin/env bash
# Configures and builds one preset: scripts/build.sh debug|release|asan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
jobs=${VORLANTH_JOBS:-$(nproc)}
. scripts/lib/logged.sh
run_logged "configuring the $preset preset" "build/logs/$preset.log" cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"
