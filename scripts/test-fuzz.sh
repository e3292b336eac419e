#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz: clang 14, libFuzzer, ASan + UBSan) and runs each for
# a bounded time from its seeds in tests/fuzz/<name>/, the X events target against an Xvfb
# server of its own. Any crash, sanitizer report, failed check or hang fails the run; the
# input that caused it is left in build/fuzz/fuzz-check/<target>-crash-* (or -leak-, -oom-,
# -timeout-), the log beside it.
#   VORLANTH_FUZZ_SECONDS   seconds per target (default 60)
#   VORLANTH_FUZZ_TARGETS   which targets (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${VORLANTH_JOBS:-2}
# shellcheck source=scripts/lib/logged.sh
. "$root/scripts/lib/logged.sh"
# shellcheck source=scripts/lib/xsession.sh
. "$root/scripts/lib/xsession.sh"
trap stop_session EXIT
seconds=${VORLANTH_FUZZ_SECONDS:-60}
targets=${VORLANTH_FUZZ_TARGETS:-"registry_colors message_sequence x_events"}
started=$SECONDS

say() { echo "test-fuzz: $*"; }
fail() { echo "test-fuzz: FAIL: $*" >&2; exit 1; }

for tool in clang++-14; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-debian.sh installs it)"
done

build=$root/build/fuzz
out=$build/fuzz-check
build_targets fuzz $(printf '%s_fuzz ' $targets)
rm -rf "$out"
mkdir -p "$out"
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
# llvmpipe without worker threads, for the reason scripts/lib/sanitizers.sh gives.
export LP_NUM_THREADS=0

status=0
for name in $targets; do
  if [ "$name" = x_events ] && [ -z "$xvfb_pid" ]; then
    start_xvfb $((140 + RANDOM % 40)) 199
    say "Xvfb on $DISPLAY"
  fi
  mkdir -p "$out/$name-corpus"
  log=$out/$name.log
  result=0
  # The fuzzer's own limit ends it; the outer one catches a hang outside an input.
  timeout $((seconds + 120)) "$build/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$out/$name-" \
    "$out/$name-corpus" "$root/tests/fuzz/$name" </dev/null >"$log" 2>&1 || result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2 || true)
  if [ "$result" != 0 ]; then
    grep -E '^(SUMMARY|==[0-9]+==ERROR|[a-z ]+: )|runtime error' "$log" | head -n5 >&2 || true
    say "FAIL: $name (exit code $result): reproducer $(ls "$out/$name"-{crash,leak,oom,timeout}-* 2>/dev/null | head -n1), log $log" >&2
    status=1
  else
    say "$name: ${runs:-?} inputs in $seconds s, ${coverage:-?} edges covered, nothing found"
  fi
done
say "done in $((SECONDS - started)) s"
exit $status
