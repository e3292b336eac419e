#!/usr/bin/env bash
# Installs what is needed, builds the plain and the sanitizer configuration, and runs every
# check in one ctest run, side by side: both builds' unit tests and end-to-end checks per
# desktop, and what runs once (tests/end_to_end/CMakeLists.txt: fuzzing, the soak, the
# package, the Windows build, the lints; ctest builds the presets these need first).
# Ends with a summary: every build's and test's result and time, and why each failure failed.
#   VORLANTH_TEST_JOBS   ctest's -j: tests at once (default 5; of them at most two checks that
#                        draw, tests/end_to_end/draws.json)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup-debian.sh run test
# The tools just installed, Debian's, before any a developer's PATH puts first: a version
# manager's python3 shim, say, costs a third of a second of processor time a call, and the
# checks make hundreds.
export PATH=/usr/bin:/bin:$PATH
. scripts/lib/logged.sh
. scripts/lib/sanitizers.sh
logs=$root/build/logs
mkdir -p "$logs" build/all
: >"$logs/steps.txt"

# A tree whose build fails is left out of the run; its step says why.
trees=()
for preset in debug asan; do
  echo "=== build.$preset"
  begun=$SECONDS result=pass
  build_targets "$preset" >"$logs/step-build.$preset.log" 2>&1 || result=FAIL
  [ "$result" = FAIL ] || trees+=("subdirs(\"$root/build/$preset\")")
  echo "build.$preset $result $((SECONDS - begun)) $logs/step-build.$preset.log" >>"$logs/steps.txt"
done
printf '%s\n' "${trees[@]}" >build/all/CTestTestfile.cmake

echo "=== ctest"
# The asan tree's tests take the sanitizers' settings as its test preset has them.
sanitizer_environment asan
ctest --test-dir build/all --show-only=json-v1 >"$logs/tests.json"
rm -f "$logs/ctest.xml"
ctest --test-dir build/all -j "${VORLANTH_TEST_JOBS:-5}" \
  --resource-spec-file "$root/tests/end_to_end/draws.json" --output-junit "$logs/ctest.xml" \
  --test-output-size-passed 100000 --test-output-size-failed 1000000 </dev/null || true
python3 scripts/summarize_tests.py "$logs/steps.txt" "$logs/tests.json" "$logs/ctest.xml"
