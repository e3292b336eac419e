# The preamble of every end-to-end script, sourced first: bash scripts/test-NAME.sh PRESET [PART]
# runs the checks of one desktop (PART) against the programs already built in build/PRESET
# (ctest runs each as a test of its own; see tests/end_to_end/CMakeLists.txt). It sets root,
# preset, part, build, out (build/PRESET/NAME-check[/PART], emptied), exit_limit and started;
# defines say, fail, need TOOL... and at_exit COMMAND; sources the helpers in scripts/lib;
# and ends whatever the helpers started when the script ends.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
check_name=$(basename "$0" .sh)
preset=${1:-debug} part=${2:-}
build=$root/build/$preset
out=$build/${check_name#test-}-check${part:+/$part}
# A program ends within a second; the sanitizers' leak scan at exit comes on top.
exit_limit=1
[ "$preset" = asan ] && exit_limit=3
started=$SECONDS
# Started from a Wayland session the programs would take its compositor first.
unset WAYLAND_DISPLAY
# Debian's tools, as scripts/test.sh has them, not a developer's shims of the same names.
export PATH=/usr/bin:/bin:$PATH

say() { echo "$check_name: $*"; }
fail() {
  echo "$check_name: FAIL: $*" >&2
  exit 1
}
need() {
  local tool
  for tool; do
    command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup-debian.sh run test installs it)"
  done
}
passed() { say "${part:-$preset} passed in $((SECONDS - started)) s"; }

for helper in logged program sanitizers xsession weston compositors desktop_checks; do
  # shellcheck source=/dev/null
  . "$root/scripts/lib/$helper.sh"
done
sanitizer_environment "$preset"

exit_hooks=()
# at_exit COMMAND: runs COMMAND when the script ends, before the helpers' servers are ended.
at_exit() { exit_hooks+=("$1"); }
end_all() {
  local hook
  for hook in "${exit_hooks[@]}"; do eval "$hook" || true; done
  stop_compositor
  stop_session_and_weston
}
trap end_all EXIT

rm -rf "$out"
mkdir -p "$out"
