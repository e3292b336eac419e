#!/usr/bin/env bash
# Configures and builds one preset, everything or the named targets:
#   bash scripts/build.sh debug|release|asan|fuzz|mingw [TARGET...]
# The output goes to build/logs/PRESET.log(.build); a failure prints its last lines.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/logged.sh
build_targets "${1:-release}" "${@:2}"
