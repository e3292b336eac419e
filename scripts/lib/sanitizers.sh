# The sanitizers' settings for programs that scripts run themselves, as the asan test preset
# has them (CMakePresets.json). Source it, then: sanitizer_environment PRESET.

# sanitizer_environment PRESET: exports the settings; for the asan and fuzz presets also runs
# Mesa's llvmpipe without worker threads, as the time limits at exit (the leak scan) and the
# frame rates the checks expect were measured, with other checks beside them on two cores.
# intercept_tls_get_addr=0: the runtime of GCC 12 and clang 14 takes a block of dynamic TLS
# (a library's thread-locals, for a library loaded at run time: Mesa's, libdecor's plugins)
# that starts 16 bytes into a page for a header of glibc 2.19, which glibc since 2.25 no longer
# writes, and reads its range from the 16 bytes before it, the allocator's own record. The
# leak check at exit then scans that made-up range and its tracer crashes ("Tracer caught
# signal 11"). glibc allocates these blocks with malloc, so without the interception they
# are scanned as heap blocks reached from the thread's vector of them, and leaks are still
# found.
# MESA_SHADER_CACHE_DISABLE: Mesa writes the shaders it compiled to its disk cache from a
# thread of the lowest priority, and a program's exit waits for those writes; beside other
# checks on two busy cores, with the cache still empty (a fresh machine), that held exits up
# past the checks' limits, 20 s under Wine.
sanitizer_environment() {
  local root_dir
  export MESA_SHADER_CACHE_DISABLE=true
  root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$root_dir/tests/lsan.supp:print_suppressions=0"
  # clang's runtime names functions and lines with llvm-symbolizer (llvm-14), named here rather
  # than found in PATH; without one a report is bare addresses, and every leak it matches with
  # the suppressions adds "invalid path to external symbolizer" to the program's output.
  export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
  if [ "$1" = asan ] || [ "$1" = fuzz ]; then export LP_NUM_THREADS=0; else unset LP_NUM_THREADS; fi
}
