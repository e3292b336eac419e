# What every desktop must show, for scripts/test-x11.sh and scripts/test-wayland.sh: what the
# probe program (tests/desktop/x11_probe.cpp) reports for the same input. The caller writes
# the probe's output to $out/probe.log and sends the input with xdotool to where the probe's
# window has the keyboard.

# The lines the probe wrote since the mark, without the reshape and paint reports.
input_lines() { tail -n +"$((mark + 1))" "$out/probe.log" | grep -Ev '^(reshape|painted|gl)' || true; }
set_mark() { mark=$(wc -l <"$out/probe.log"); }

expect_lines() {
  local what=$1 expected=$2 got
  sleep 0.4
  got=$(input_lines)
  [ "$got" = "$expected" ] || fail "$what: expected
$expected
but the probe reported
$got"
  say "  $what: as expected"
}

# Letters, Caps Lock, digits, Return, Space and the arrows with Shift and Control, and the
# keys that must not reach the key handler.
probe_key_checks() {
  set_mark
  xdotool key a shift+a Caps_Lock a shift+a Caps_Lock z
  expect_lines "letters in both cases, Caps Lock" "key 97 0
action 97
key 65 1
action 65
key 65 0
action 65
key 97 1
action 97
key 122 0
action 122"
  set_mark
  xdotool key 0 5 9 shift+5 ctrl+a ctrl+shift+z F1 Tab BackSpace Delete
  expect_lines "digits; shifted digits, control characters, F1, Tab, Backspace dropped" "key 48 0
action 48
key 53 0
action 53
key 57 0
action 57"
  set_mark
  xdotool key Return space shift+Return ctrl+space Left ctrl+Left ctrl+shift+Left shift+Up Right Down
  expect_lines "Return, Space and the arrows with Control and Shift" "key 13 0
action 13
key 32 0
action 32
key 13 1
action 13
key 32 2
action 32
key 37 0
action 37
key 37 2
action 37
key 37 3
action 37
key 38 1
action 38
key 39 0
action 39
key 40 0
action 40"
}

# Left, right and middle clicks at 30, 40 in the client area (at left, top), once the probe
# has seen the pointer arrive there: a loaded machine may pass it on late.
probe_click_checks() {
  xdotool mousemove --sync $((left + 30)) $((top + 40))
  wait_line "$out/probe.log" "move 30 40 0"
  set_mark
  xdotool click 1 click 3 click 2
  expect_lines "left, right and middle clicks" "down 30 40 1
up 30 40 1
down 30 40 2
up 30 40 2
down 30 40 4
up 30 40 4"
}

# format_list_check FIXTURE COMMAND...: the pixel formats the probe lists (COMMAND runs it
# with "formats") must be those of tests/desktop/FIXTURE, line for line: the list Win32 programs
# choose from keeps its formats, order and descriptors.
format_list_check() {
  local name=$1 fixture=$root/tests/desktop/$1
  shift
  "$@" >"$out/formats.txt" 2>"$out/formats.err" || fail "the probe could not list the pixel formats (see $out/formats.err)"
  diff -u "$fixture" "$out/formats.txt" >"$out/formats.diff" ||
    fail "the pixel formats differ from $fixture (see $out/formats.diff)"
  say "  $(wc -l <"$out/formats.txt") pixel formats, as in $name"
}
