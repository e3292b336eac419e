#!/usr/bin/env bash
# The Windows build: vorlanth.exe cross-built with MinGW-w64 (preset mingw); checks the built file (GUI
# subsystem, system DLLs only, the icon resource), then runs it under Wine on an Xvfb server of
# its own: the window "Vorlanth" with its 600 x 500 client area, the scene's colours on screen,
# exit code 0 after Escape and again after closing the window. Then the downloads: the zip,
# unpacked and run; and the installer (cpack -G NSIS), installed silently into Program Files,
# its Start-menu entry and its entry under installed programs checked, the installed program
# run, and uninstalled silently, after which the prefix must hold no file or registry key it
# did not hold before; the same check must fail for an installer whose uninstaller leaves a
# file behind. bash scripts/test-windows.sh mingw (ctest: windows.wine, after the mingw
# build). Every wait has a time limit.
. "$(dirname "$0")/lib/end_to_end.sh"
need python3 makensis wine wineboot wineserver Xvfb xdotool xwininfo
# The screenshots' tool comes from a Linux tree: the debug tree's, which runs this check.
export VORLANTH_X_SHOT=${VORLANTH_X_SHOT:-$root/build/debug/tests/desktop/x_shot}
checks=$root/tests/windows
at_exit '[ ! -d "${WINEPREFIX:-}" ] || timeout 20 wineserver -k 2>/dev/null'

say "icon files match tools/make_icon.py"
python3 tools/make_icon.py --check scene || fail "regenerate with: python3 tools/make_icon.py scene"

# The program exists once the frame step has its figure and bubble cluster (scene/CMakeLists.txt).
if [ ! -e scene/figure.h ] || [ ! -e scene/bubble_cluster.h ]; then
  say "SKIPPED: the scene is not complete yet, so there is no vorlanth.exe to run"
  exit 0
fi


exe=$build/scene/vorlanth.exe
[ -f "$exe" ] || fail "$exe was not built"

say "checking the built file"
python3 "$checks/check_exe.py" "$exe" scene/vorlanth.ico || fail "the executable is not as it should be"

start_xvfb 97 127 1024x768x24
say "Xvfb on $DISPLAY"

# A fresh Wine prefix; no Mono or browser engine, so no install prompts.
# No menu entries on this machine's desktop for the Start-menu entries of installers.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
rm -rf "$WINEPREFIX"
say "preparing the Wine prefix"
timeout 180 wineboot -i </dev/null >"$out/wineboot.log" 2>&1 || fail "wineboot failed (see $out/wineboot.log)"

# press_escape LOG: Escape to the window, which must end the program with code 0.
press_escape() {
  pointer_to $((left + width / 2)) $((top + height / 2))
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key Escape
  wait_exit 20
  [ "$status" = 0 ] || fail "exit code $status after Escape (see $out/$1)"
}

say "run 1: window, screenshot, Escape"
start_program escape env -C "$build/scene" wine vorlanth.exe
wait_window Vorlanth
# With no window manager Wine maps a top-level window's client area alone: the client rectangle.
geometry
say "window $window: client area ${width} x ${height} at ${left}, ${top}"
[ "$width" = 600 ] && [ "$height" = 500 ] || fail "client area ${width} x ${height}, expected 600 x 500"
# Outer corner at 100, 100 with the frame (4) and caption plus frame (23) Wine adds.
[ "$left" = 104 ] && [ "$top" = 122 ] || fail "client corner at ${left}, ${top}, expected 104, 122"
sleep 2 # let the animation run a while
shoot_scene client python3 "$checks/check_screenshot.py"
say "$out/client.ppm shows the scene"
kill -0 "$app_pid" 2>/dev/null || fail "vorlanth.exe ended by itself"
press_escape escape.err
say "Escape ended it with exit code 0"

say "run 2: closing the window"
start_program close env -C "$build/scene" wine vorlanth.exe
wait_window Vorlanth
sleep 1
python3 "$checks/send_close.py" "$window" || fail "could not ask the window to close"
wait_exit 20
[ "$status" = 0 ] || fail "exit code $status after closing (see $out/close.err)"
say "closing ended it with exit code 0"

# The download: cpack's zip, unpacked into an empty folder and run from there, with no MinGW
# run-time library on Wine's search path.
say "run 3: the download, vorlanth-<version>-win64.zip, from an empty folder"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/vorlanth-$version-win64.zip
rm -f "$zip"
(cd "$build" && run_logged "making the zip with cpack" "$out/cpack.log" cpack -G ZIP)
[ -f "$zip" ] || fail "cpack made no $(basename "$zip") (see $out/cpack.log)"
contents=$(python3 -m zipfile -l "$zip" | awk 'NR > 1 { print $1 }' | sort | tr '\n' ' ')
[ "$contents" = "LICENSE README.txt vorlanth.exe " ] || fail "the zip holds: $contents"
download=$out/unpacked
rm -rf "$download"
mkdir -p "$download"
python3 -m zipfile -e "$zip" "$download"
start_program download env -u WINEPATH -C "$download" wine vorlanth.exe
wait_window Vorlanth
geometry
sleep 2
shoot_scene download python3 "$checks/check_screenshot.py"
press_escape download.err
say "$(basename "$zip"), $(stat -c %s "$zip") bytes: the unpacked program shows the scene, Escape gives 0"

# The installer. wine_settled: waits until every Wine process has ended (an uninstaller runs
# a copy of itself and returns at once) and the registry is on disk.
wine_settled() { timeout 120 wineserver -w || fail "Wine processes still run after 120 s"; }
programs='C:\Program Files\Vorlanth'
programs_unix=$WINEPREFIX/drive_c/Program\ Files/Vorlanth
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vorlanth

# installer_checks SETUP NAME [run]: installs SETUP silently, checks the installed files, the
# Start-menu entry and the installed-programs entry, with "run" runs the installed program to
# Escape, uninstalls silently and compares the prefix with its state before.
installer_checks() {
  local setup=$1 name=$2 run=${3:-}
  wine_settled
  python3 "$checks/prefix_state.py" snapshot "$WINEPREFIX" >"$out/$name-before.txt"
  timeout 120 wine "$setup" /S </dev/null >"$out/$name-install.log" 2>&1 ||
    fail "the installer failed (see $out/$name-install.log)"
  wine_settled
  local installed
  installed=$(ls "$programs_unix" 2>/dev/null | sort | tr '\n' ' ')
  [ "$installed" = "LICENSE README.txt Uninstall.exe vorlanth.exe " ] ||
    fail "$programs holds: ${installed:-nothing}"
  [ -f "$menu/Vorlanth.lnk" ] || fail "no Start-menu entry Vorlanth (see $out/$name-install.log)"
  python3 "$checks/prefix_state.py" shortcut "$menu/Vorlanth.lnk" >"$out/$name-shortcut.txt"
  grep -qixF "target=$programs\\vorlanth.exe" "$out/$name-shortcut.txt" &&
    grep -qixF "icon=$programs\\vorlanth.exe 0" "$out/$name-shortcut.txt" ||
    fail "the Start-menu entry is not the program with its icon: $(cat "$out/$name-shortcut.txt")"
  { wine uninstaller --list </dev/null 2>&1 || true; } | tr -d '\r' >"$out/$name-programs.txt"
  grep -q '|||Vorlanth$' "$out/$name-programs.txt" ||
    fail "Vorlanth is not under installed programs: $(cat "$out/$name-programs.txt")"
  say "  $name: installed into $programs, Start-menu entry Vorlanth with the program's icon, listed under installed programs"
  if [ "$run" = run ]; then
    start_program "$name-run" env -u WINEPATH -C "$programs_unix" wine "$programs\\vorlanth.exe"
    wait_window Vorlanth
    geometry
    sleep 2
    shoot_scene "$name-run" python3 "$checks/check_screenshot.py"
    press_escape "$name-run.err"
    say "  $name: the installed program shows the scene, Escape gives 0"
  fi
  timeout 120 wine "$programs\\Uninstall.exe" /S </dev/null >"$out/$name-uninstall.log" 2>&1 ||
    fail "the uninstaller failed (see $out/$name-uninstall.log)"
  wine_settled
  # What the uninstaller left to the next start (its own copy in the temporary folder).
  timeout 120 wineboot -r </dev/null >>"$out/$name-uninstall.log" 2>&1 || true
  wine_settled
  python3 "$checks/prefix_state.py" snapshot "$WINEPREFIX" >"$out/$name-after.txt"
  # What is there now and was not before (Wine itself rewrites a few keys of its devices).
  comm -13 "$out/$name-before.txt" "$out/$name-after.txt" >"$out/$name-left.txt"
  if [ -s "$out/$name-left.txt" ]; then
    echo "test-windows: left behind by $name:" >&2
    head -n 20 "$out/$name-left.txt" >&2
    return 1
  fi
  say "  $name: uninstalled; no file or registry key left behind"
}

say "run 4: the installer, vorlanth-<version>-win64-setup.exe, under Wine"
setup=$build/vorlanth-$version-win64-setup.exe
rm -f "$setup"
(cd "$build" && run_logged "making the installer with cpack" "$out/cpack-nsis.log" cpack -G NSIS)
[ -f "$setup" ] || fail "cpack made no $(basename "$setup") (see $out/cpack-nsis.log)"
installer_checks "$setup" installer run || fail "the uninstaller left files or keys behind (see $out/installer-left.txt)"
say "$(basename "$setup"), $(stat -c %s "$setup") bytes: installed, run and uninstalled without a trace"

# A planted fault: the same installer with one file left out of its uninstaller, which the
# comparison of the prefix must catch (the program it installs is the one run 4 ran).
say "run 5: an installer whose uninstaller forgets README.txt must be caught"
script=$build/_CPack_Packages/win64/NSIS/project.nsi
grep -q 'Delete "$INSTDIR\\README.txt"' "$script" || fail "no Delete of README.txt in $script"
# Beside cpack's script, whose paths are relative to its folder.
forgetful=$(dirname "$script")/forgetful.nsi
sed 's/^ *Delete "$INSTDIR\\README.txt"$//' "$script" >"$forgetful"
sed -i "s|^ *OutFile .*|  OutFile \"$out/forgetful-setup.exe\"|" "$forgetful"
(cd "$(dirname "$script")" && run_logged "making the forgetful installer" "$out/makensis-forgetful.log" \
  makensis "$forgetful")
if installer_checks "$out/forgetful-setup.exe" forgetful 2>"$out/forgetful-check.err"; then
  fail "the check passed an uninstaller that leaves README.txt behind"
fi
grep -q 'README.txt' "$out/forgetful-left.txt" || fail "the check failed, but not for README.txt: $(cat "$out/forgetful-left.txt")"
say "  caught: $(wc -l <"$out/forgetful-left.txt") left behind, README.txt among them"

passed
