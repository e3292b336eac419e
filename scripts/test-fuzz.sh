#!/usr/bin/env bash
# The fuzz targets of the preset fuzz (clang 14, libFuzzer, ASan + UBSan), each for a bounded
# time from its seeds in tests/fuzz/<name>/, the X events target against an Xvfb server of its
# own (the Wayland events target brings its own compositor):
#   bash scripts/test-fuzz.sh fuzz [registry_colors|message_sequence|x_events|wayland_events]
# Without a name the four run side by side (ctest: fuzz, a single test, so that they hold one of
# its slots and not four). Any crash, sanitizer report, failed check or hang fails it; the input
# that caused it is left in build/fuzz/fuzz-check/<name>/ as crash-* (or leak-, oom-,
# timeout-), the log beside it.
#   VORLANTH_FUZZ_SECONDS   seconds each target runs (default 60)
. "$(dirname "$0")/lib/end_to_end.sh"
seconds=${VORLANTH_FUZZ_SECONDS:-60}
targets=(registry_colors message_sequence x_events wayland_events)
if [ -z "$part" ]; then
  pids=()
  for target in "${targets[@]}"; do
    bash "$0" "$preset" "$target" >"$out/$target.out" 2>&1 &
    pids+=($!)
  done
  failed=()
  for i in "${!targets[@]}"; do
    wait "${pids[$i]}" || failed+=("${targets[$i]}")
    cat "$out/${targets[$i]}.out"
  done
  [ ${#failed[@]} = 0 ] || fail "${failed[*]} (above)"
  passed
  exit 0
fi
fuzzer=$build/tests/fuzz/${part}_fuzz
[ -x "$fuzzer" ] || fail "no fuzz target $fuzzer (cmake --build --preset fuzz builds them)"
# The fuzzer reports leaks itself and keeps going after an error it saves; dynamic TLS as
# scripts/lib/sanitizers.sh says.
export ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0"
if [ "$part" = x_events ]; then
  need Xvfb
  start_xvfb $((140 + RANDOM % 40)) 199
  say "Xvfb on $DISPLAY"
fi
mkdir -p "$out/corpus"
log=$out/$part.log
result=0
# The fuzzer's own limit ends it; the outer one catches a hang outside an input. An input
# that makes the Wayland target's largest windows takes over a second alone: beside the other
# checks, at nice 10, up to 24 times that (32 s in a fresh root's run); a hang takes for ever.
timeout $((seconds + 120)) "$fuzzer" -max_total_time="$seconds" -timeout=90 -rss_limit_mb=2560 \
  -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$root/tests/fuzz/$part" \
  </dev/null >"$log" 2>&1 || result=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2 || true)
if [ "$result" != 0 ]; then
  grep -E '^(SUMMARY|==[0-9]+==ERROR|[a-z ]+: )|runtime error' "$log" | head -n5 >&2 || true
  fail "$part (exit code $result): reproducer $(ls "$out"/{crash,leak,oom,timeout}-* 2>/dev/null | head -n1), log $log"
fi
say "$part: ${runs:-?} inputs in $seconds s, ${coverage:-?} edges covered, nothing found"
