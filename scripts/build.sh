#!/usr/bin/env bash
# Configures and builds one preset: scripts/build.sh debug|release|asan
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
jobs=${VORLANTH_JOBS:-$(nproc)}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
