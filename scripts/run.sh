#!/usr/bin/env bash
# Installs what is needed, builds the release configuration and runs the animation on your display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh release
exec build/release/scene/vorlanth
