#!/usr/bin/env bash
# Installs what is needed, builds the plain and the sanitizer configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh run test
# Cheap, and first: every command the scripts call comes from a listed package.
python3 scripts/check_commands.py
# Also cheap: the C++ sources are formatted as .clang-format says.
bash scripts/check-format.sh
status=0
for preset in debug asan; do
  echo "=== build: $preset"
  bash scripts/build.sh "$preset"
  echo "=== test: $preset"
  if ! ctest --preset "$preset" -j "${VORLANTH_JOBS:-$(nproc)}"; then status=1; fi
done
for extra in scripts/test-*.sh; do
  [ -e "$extra" ] || continue
  # It builds fresh roots and runs this whole script inside them: run it by hand.
  [ "$extra" = scripts/test-fresh-debian.sh ] && continue
  echo "=== $extra"
  if ! bash "$extra"; then status=1; fi
done
exit $status
