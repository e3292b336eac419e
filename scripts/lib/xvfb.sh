# Sourced by the end-to-end scripts: an Xvfb server of the script's own on a free display.
#   start_xvfb DIR FIRST LAST   starts one on the first free number in FIRST..LAST that takes
#                               a client; logs in DIR; sets xvfb_pid and exports DISPLAY
#   stop_xvfb                   ends it
# The caller defines fail MESSAGE and kills $xvfb_pid on exit.
xvfb_pid=""

start_xvfb() {
  local dir=$1 number
  for number in $(seq "$2" "$3"); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    rm -f "$dir/display"
    # -noreset: the server would otherwise restart whenever its last client leaves, refusing
    # the next program that connects meanwhile.
    Xvfb ":$number" -noreset -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [ -s "$dir/display" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break # taken meanwhile: try the next one
      sleep 0.1
    done
    # It must also take a client before the programs come: otherwise try the next number.
    if [ -s "$dir/display" ] &&
       DISPLAY=":$(head -n1 "$dir/display")" timeout 10 xdpyinfo >"$dir/xdpyinfo.txt" 2>&1; then
      break
    fi
    rm -f "$dir/display"
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  [ -n "$xvfb_pid" ] || fail "Xvfb did not start (see $dir/xvfb.log)"
  export DISPLAY=":$(head -n1 "$dir/display")"
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}
