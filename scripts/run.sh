#!/usr/bin/env bash
# Installs what building and running needs (not what the tests need), builds the program
# alone in its release configuration and runs the animation on your display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh run
bash scripts/build.sh app
exec build/app/scene/vorlanth
