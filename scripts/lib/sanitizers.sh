# The sanitizers' settings for programs that scripts run themselves, as the asan test preset
# has them (CMakePresets.json). Source it, then: sanitizer_environment PRESET.

# sanitizer_environment PRESET: exports the settings; for the asan and fuzz presets also runs
# Mesa's llvmpipe without worker threads. With them, the leak check at exit finds the sanitizer
# runtime's record of the main thread's dynamic TLS corrupted on some machines and its tracer
# crashes; ending the threads before exit does not help.
sanitizer_environment() {
  local root_dir
  root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$root_dir/tests/lsan.supp:print_suppressions=0"
  if [ "$1" = asan ] || [ "$1" = fuzz ]; then export LP_NUM_THREADS=0; else unset LP_NUM_THREADS; fi
}
