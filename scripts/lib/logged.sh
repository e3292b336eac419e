# Shell helpers that keep a hidden step's output in a log and say why it failed. Source it from
# a script run from the repository's root (or with `root` set to it).

# run_logged STEP LOG COMMAND...: runs COMMAND with its output in LOG. When it fails, prints the
# step, its exit code, the log's last lines and the log's path, and returns the exit code, so
# that `set -e` ends the script with the reason on screen rather than in silence.
run_logged() {
  local step=$1 log=$2 code=0
  shift 2
  mkdir -p "$(dirname "$log")"
  "$@" </dev/null >"$log" 2>&1 || code=$?
  [ "$code" = 0 ] && return 0
  {
    echo "${0##*/}: FAIL: $step (exit code $code); the last lines of $log:"
    tail -n 30 "$log" | sed 's/^/  | /'
  } >&2
  return "$code"
}

# build_targets PRESET [TARGET...]: configures and builds PRESET (the named targets, or all),
# with the output in build/logs/PRESET.log.
build_targets() {
  local preset=$1 log
  shift
  log=${root:-$PWD}/build/logs/$preset.log
  run_logged "configuring the $preset preset" "$log" cmake --preset "$preset"
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  run_logged "building ${*:-everything} in the $preset preset" "$log.build" \
    cmake --build --preset "$preset" -j "${VORLANTH_JOBS:-$(nproc)}" "${targets[@]}"
}
