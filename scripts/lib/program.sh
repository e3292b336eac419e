# Waiting on the program an end-to-end script started in the background (its pid, that of
# the `timeout` it runs under, in app_pid). The caller defines fail MESSAGE.

# wait_exit SECONDS: waits for the program to end; sets status to its exit code.
wait_exit() {
  for _ in $(seq $(($1 * 20))); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program still runs $1 s later"
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
}

# wait_line FILE TEXT: waits until the program has written that line.
wait_line() {
  for _ in $(seq 200); do
    grep -qxF "$2" "$1" && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before it wrote \"$2\" (see $1)"
    sleep 0.05
  done
  fail "no line \"$2\" in $1"
}

# The program itself, which runs under timeout.
program_pid() { tr ' ' '\n' <"/proc/$app_pid/task/$app_pid/children" | head -n1; }

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
