# The desktops people run, besides weston (scripts/lib/weston.sh), for the Wayland checks:
# GNOME's mutter and KDE's kwin nested in the X server xsession.sh started, in a D-Bus session
# of their own, and sway headless. Each runs in a process group of its own, which
# stop_compositor ends whole: a compositor left behind on a display that is gone spins.
# Each start sets runtime (a private runtime folder), socket and as_user (the command prefix
# that runs a client as the user the compositor runs as; empty for root).

compositor_pid="" as_user=""

# new_runtime NAME: a fresh runtime folder. The pointer leaves the X screen's corner where a
# nested compositor's window comes, which takes no pointer input until it has seen it enter.
new_runtime() {
  xdotool mousemove --sync 1270 1010 || fail "xdotool could not move the pointer"
  runtime=$out/runtime-$1
  rm -rf "$runtime"
  mkdir -m 0700 "$runtime"
}

# await_socket NAME LOG: waits until the compositor offers its socket.
await_socket() {
  for _ in $(seq 300); do
    [ -S "$runtime/$socket" ] && { sleep 1; return 0; } # its shell comes up
    kill -0 "$compositor_pid" 2>/dev/null || fail "$1 ended at start (see $2)"
    sleep 0.1
  done
  fail "$1 offered no socket within 30 s (see $2)"
}

start_mutter() {
  new_runtime mutter
  socket=vorlanth-mutter-$$
  as_user=""
  XDG_RUNTIME_DIR=$runtime setsid dbus-run-session -- mutter --wayland --nested --no-x11 \
    --wayland-display="$socket" >"$out/mutter.log" 2>&1 &
  compositor_pid=$!
  await_socket mutter "$out/mutter.log"
}

# start_kwin [KWIN_ARGS...] (default: a 1000 x 800 output): the packaged binary carries a file
# capability these machines refuse to execute; a copy runs if it keeps its name, which its Qt
# platform plugin insists on.
start_kwin() {
  new_runtime kwin
  socket=vorlanth-kwin-$$
  as_user=""
  mkdir -p "$out/kwin-bin"
  [ -x "$out/kwin-bin/kwin_wayland" ] || cp /usr/bin/kwin_wayland "$out/kwin-bin/kwin_wayland"
  [ $# -gt 0 ] || set -- --width 1000 --height 800
  XDG_RUNTIME_DIR=$runtime setsid dbus-run-session -- "$out/kwin-bin/kwin_wayland" \
    --x11-display "$DISPLAY" --socket "$socket" --no-lockscreen --no-global-shortcuts \
    "$@" >"$out/kwin.log" 2>&1 &
  compositor_pid=$!
  await_socket kwin "$out/kwin.log"
}

# start_sway [--x11] CONFIG_LINES: sway refuses to run as root, so it and its clients run as
# nobody, in a runtime folder of that user's; the clients must be copied there to be readable.
# Headless, or with --x11 each output a window on the X server (X11-1, then X11-2 ... for each
# `create_output`), which goes, as an unplugged monitor does, when that window is asked to
# close: the headless backend of Debian 12's wlroots can neither disable an output nor drop
# one. That backend only looks up the atoms of the close request, which the desktop's first
# clients would have made.
start_sway() {
  local backend=headless
  [ "${1:-}" != --x11 ] || { backend=x11; shift; }
  [ "$backend" = headless ] ||
    python3 "$root/tests/desktop/x_client.py" intern WM_PROTOCOLS WM_DELETE_WINDOW _NET_WM_NAME UTF8_STRING ||
    fail "could not intern the atoms of the close request"
  new_runtime sway
  # Outside the checkout: nobody may not pass through the folders above it (root's home).
  sway_runtime=$(mktemp -d /tmp/vorlanth-sway-XXXXXX)
  runtime=$sway_runtime
  chown 65534:65534 "$runtime"
  socket=wayland-1
  # The programs nobody runs read the sanitizers' suppressions from here, for the same reason.
  local lsan=""
  if [[ "${LSAN_OPTIONS:-}" == *"$root/tests/lsan.supp"* ]]; then
    cp "$root/tests/lsan.supp" "$runtime/lsan.supp"
    lsan="LSAN_OPTIONS=${LSAN_OPTIONS//$root\/tests\/lsan.supp/$runtime\/lsan.supp}"
  fi
  as_user="setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=$runtime XDG_RUNTIME_DIR=$runtime $lsan"
  printf '%s\n' "$@" >"$runtime/sway.conf"
  # shellcheck disable=SC2086 # as_user is a command prefix
  setsid $as_user WLR_BACKENDS=$backend WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$runtime/sway.conf" >"$out/sway.log" 2>&1 &
  compositor_pid=$!
  await_socket sway "$out/sway.log"
}

# sway_program PROGRAM: copies the program into sway's runtime folder, where its user may run
# it, with the Wayland module it loads, in the build tree's layout (the program's folder and
# lib/ beside it); prints the copy's path.
sway_program() {
  local tree
  tree=$(dirname "$(dirname "$1")")
  mkdir -p "$runtime/program/bin"
  cp "$1" "$runtime/program/bin/"
  cp -R "$tree/lib" "$runtime/program/"
  echo "$runtime/program/bin/$(basename "$1")"
}

# swaymsg_ ARGS...: a command to the running sway.
swaymsg_() {
  # shellcheck disable=SC2086
  $as_user SWAYSOCK="$(ls "$runtime"/sway-ipc.*.sock)" swaymsg "$@" >>"$out/swaymsg.log" 2>&1 ||
    fail "swaymsg $* failed (see $out/swaymsg.log)"
}

stop_compositor() {
  if [ -n "$compositor_pid" ]; then
    kill -- -"$compositor_pid" 2>/dev/null || true
    wait "$compositor_pid" 2>/dev/null || true
  fi
  compositor_pid=""
  [ -z "${sway_runtime:-}" ] || rm -rf "$sway_runtime"
  # Clients of the next compositor run as root again.
  sway_runtime="" as_user=""
}
