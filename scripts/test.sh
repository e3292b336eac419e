#!/usr/bin/env bash
# Installs what is needed, builds the plain and the sanitizer configuration and runs every test.
# Ends with a summary: one line per stage with its result and time, and, last, the failing ones.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh run test

names=() results=() times=()
# stage NAME COMMAND...: runs one stage, noting whether it passed and how long it took; its
# output also goes to build/logs/stage-NAME.log, for the summary to repeat why it failed.
mkdir -p build/logs
stage() {
  local name=$1 start=$SECONDS result=pass
  shift
  echo "=== $name"
  "$@" 2>&1 | tee "build/logs/stage-$name.log" || result=FAIL
  names+=("$name") results+=("$result") times+=($((SECONDS - start)))
}
# build_and_test PRESET: the ctest run of a preset; a build that fails fails it too.
build_and_test() {
  bash scripts/build.sh "$1" && ctest --preset "$1" -j "${VORLANTH_JOBS:-$(nproc)}"
}

# Cheap, and first: every command the scripts call comes from a listed package.
stage check-commands python3 scripts/check_commands.py
# Also cheap: the C++ sources are formatted as .clang-format says.
stage check-format bash scripts/check-format.sh
# The docs' relative links resolve, and the README's two commands are the ones CI and the
# pristine-root check run.
stage check-docs python3 scripts/check_docs.py
for preset in debug asan; do
  stage "ctest-$preset" build_and_test "$preset"
done
for extra in scripts/test-*.sh; do
  # It builds fresh roots and runs this whole script inside them: run it by hand.
  [ "$extra" = scripts/test-fresh-debian.sh ] && continue
  stage "$(basename "$extra" .sh)" bash "$extra"
done

echo "=== summary"
failed=()
for i in "${!names[@]}"; do
  printf 'test.sh: %-18s %-4s %5d s\n' "${names[$i]}" "${results[$i]}" "${times[$i]}"
  [ "${results[$i]}" = pass ] || failed+=("${names[$i]}")
done
if [ ${#failed[@]} -gt 0 ]; then
  # Where a long run's output is cut to its end, the cause still shows.
  for name in "${failed[@]}"; do
    echo "test.sh: why $name failed (its FAIL lines, then its last lines; all in build/logs/stage-$name.log):"
    { grep -m 5 'FAIL' "build/logs/stage-$name.log" || true; tail -n 8 "build/logs/stage-$name.log"; } | sed 's/^/  | /'
  done
  echo "test.sh: FAILED: ${failed[*]}"
  exit 1
fi
echo "test.sh: all ${#names[@]} stages passed"
