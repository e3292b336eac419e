#!/usr/bin/env bash
# Proves the README's two commands on fresh machines: makes a minimal Debian 12 root
# (mmdebstrap, variant minbase, plus git) from this machine's own Debian mirror, clones the
# repository's committed HEAD into it and, in a chroot with /proc, /dev and /sys mounted:
#   1. runs the README's run command with no display: it must install and build, then end
#      with its "no display" message and a nonzero code, without installing Wine or MinGW;
#   2. in a second fresh root, runs the README's test command (VORLANTH_FRESH_TEST_RUNS times
#      in a row, default 1) as CI does: CI=true, no standard input, no display;
#   3. in a third fresh root, builds the Debian package as a build daemon would: installs the
#      build dependencies alone (apt-get build-dep ./), builds with dpkg-buildpackage -us -uc,
#      then installs autopkgtest and runs the package's tests against the installed package
#      (autopkgtest ... -- null).
# VORLANTH_FRESH_CHECKS picks some of them (default "run test package").
# Takes tens of minutes, so CI does not run it. Run it as root after changing a package list
# or a script: a machine where packages were once installed by hand hides a missing one.
#   sudo bash scripts/test-fresh-debian.sh
# Logs go to build/fresh-debian/; the roots go under VORLANTH_FRESH_DIR (default /var/tmp)
# and are removed at the end, whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
logs=$repo/build/fresh-debian
runs=${VORLANTH_FRESH_TEST_RUNS:-1}
started=$SECONDS

say() { echo "test-fresh-debian: $*"; }
fail() { echo "test-fresh-debian: FAIL: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "run it as root (it builds roots and chroots into them)"
command -v mmdebstrap >/dev/null || fail "mmdebstrap is missing (bash scripts/setup-debian.sh run test installs it)"

# This machine's Debian 12 sources, as one-line entries: from deb822 files and old-style lists.
mirror_lines() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      { uris = ""; suites = ""; comps = ""; types = ""
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^URIs:/) uris = substr($i, 6)
          else if ($i ~ /^Suites:/) suites = substr($i, 8)
          else if ($i ~ /^Components:/) comps = substr($i, 12)
          else if ($i ~ /^Types:/) types = substr($i, 7)
          else if ($i ~ /^Enabled: *no/) types = "" }
        if (types !~ /(^| )deb( |$)/) next
        n = split(uris, u, " "); m = split(suites, s, " ")
        for (a = 1; a <= n; a++) for (b = 1; b <= m; b++)
          if (s[b] ~ /^bookworm(-updates|-security)?$/ && comps ~ /(^| )main( |$)/)
            print "deb " u[a] " " s[b] " main" }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    awk '$1 == "deb" && $0 !~ /\[/ && $3 ~ /^bookworm(-updates|-security)?$/ && / main( |$)/ {
      print "deb " $2 " " $3 " main" }' "$file"
  done
}

roots=()
cleanup() {
  local root
  for root in "${roots[@]}"; do
    [ -d "$root" ] || continue
    # Stop what the tests may have left running inside, then unmount everything below.
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null || true
    done
    umount -R "$root/dev" "$root/proc" "$root/sys" 2>/dev/null || true
    # Keep the end-to-end checks' logs and pictures, which say why one failed.
    for check in "$root"/root/vorlanth/build/*/*-check; do
      [ -d "$check" ] || continue
      mkdir -p "$logs/$(basename "$root")/$(basename "$(dirname "$check")")"
      cp -r "$check" "$logs/$(basename "$root")/$(basename "$(dirname "$check")")/" 2>/dev/null || true
    done
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      umount -R -l "$root/dev" "$root/proc" "$root/sys" 2>/dev/null || true
    fi
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
      echo "test-fresh-debian: $root still has mounts; not removing it" >&2
    else
      rm -rf --one-file-system "$root"
    fi
  done
  [ -z "${base:-}" ] || rm -f "$base"
}
trap cleanup EXIT

# The two commands as the README gives them, so the proof cannot drift from what users read.
mapfile -t commands < <(python3 scripts/check_docs.py --commands)
[ ${#commands[@]} -eq 2 ] || fail "cannot read the README's run and test commands"
run_command=${commands[0]}
test_command=${commands[1]}

mkdir -p "$logs"
rm -rf "$logs"/*.log "$logs"/vorlanth-*
mapfile -t sources < <(mirror_lines | sort -u)
[ ${#sources[@]} -gt 0 ] || fail "no Debian 12 (bookworm) source with main in /etc/apt"
say "mirror: ${sources[*]}"

# One minimal root as a tarball; each test gets a fresh copy of it.
base=$(mktemp "${VORLANTH_FRESH_DIR:-/var/tmp}/vorlanth-fresh-XXXXXX.tar")
say "making a minimal Debian 12 root (minbase and git)"
mmdebstrap --quiet --variant=minbase --include=git bookworm "$base" "${sources[@]}" \
  >"$logs/mmdebstrap.log" 2>&1 || fail "mmdebstrap failed (see $logs/mmdebstrap.log)"

# new_root NAME: a fresh copy of the minimal root with the repository cloned into it and
# /proc, /dev and /sys mounted; sets root.
new_root() {
  root=$(mktemp -d "${VORLANTH_FRESH_DIR:-/var/tmp}/vorlanth-$1-XXXXXX")
  roots+=("$root")
  tar -C "$root" -xf "$base"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  git clone --quiet --no-local "$repo" "$root/root/vorlanth"
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
  mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
}

# in_root COMMAND: runs a shell command in the clone inside the root as CI would: root, no
# display, no standard input, a plain environment.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 CI=true \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/vorlanth && $1" </dev/null
}

installed_kib() { chroot "$root" dpkg-query -W -f='${Installed-Size}\n' | awk '{ s += $1 } END { print s }'; }

checks=" ${VORLANTH_FRESH_CHECKS:-run test package} "

if [[ $checks == *" run "* ]]; then
say "1. the run command in a fresh root: $run_command"
new_root run
before=$(installed_kib)
phase=$SECONDS
status=0
in_root "$run_command" >"$logs/run.log" 2>&1 || status=$?
after=$(installed_kib)
[ "$status" != 0 ] || fail "the run command ended with code 0 without a display (see $logs/run.log)"
message=$(grep -i "display" "$logs/run.log" | tail -n1 || true)
[ -n "$message" ] || fail "the run command ended with code $status but no message about the display (see $logs/run.log)"
[ -x "$root/root/vorlanth/build/app/scene/vorlanth" ] || fail "the run command built no program (see $logs/run.log)"
heavy=$(chroot "$root" dpkg-query -W -f='${Package}\n' | grep -E '^wine|mingw' || true)
[ -z "$heavy" ] || fail "the run command installed what only the tests need: $(echo $heavy)"
say "   exit code $status, \"$message\", after $((SECONDS - phase)) s"
say "   installed: $(((after - before) / 1024)) MiB of packages over the minimal root's $((before / 1024)) MiB; no Wine, no MinGW"

fi

if [[ $checks == *" test "* ]]; then
say "2. the test command in a second fresh root: $test_command ($runs run(s))"
new_root test
before=$(installed_kib)
for run in $(seq "$runs"); do
  phase=$SECONDS
  status=0
  in_root "$test_command" >"$logs/test-$run.log" 2>&1 || status=$?
  say "   run $run: exit code $status after $((SECONDS - phase)) s"
  # The test command's own summary: every build's and test's result and time, then the failing ones.
  sed -n '/^=== summary$/,$p' "$logs/test-$run.log" | sed '1d; s/^/     /'
  grep -q '^=== summary$' "$logs/test-$run.log" || tail -n 30 "$logs/test-$run.log" | sed 's/^/     | /'
  [ "$status" = 0 ] || fail "the test command failed in run $run (see $logs/test-$run.log)"
done
say "   installed: $((($(installed_kib) - before) / 1024)) MiB of packages over the minimal root"
fi

if [[ $checks == *" package "* ]]; then
say "3. the Debian package in a third fresh root: apt-get build-dep, dpkg-buildpackage, autopkgtest"
new_root package
before=$(installed_kib)
# step NAME COMMAND: one step of the package's build in the root, its output in a log.
step() {
  local phase=$SECONDS status=0
  in_root "$2" >"$logs/package-$1.log" 2>&1 || status=$?
  [ "$status" = 0 ] || { tail -n 30 "$logs/package-$1.log" | sed 's/^/     | /'; fail "$1 failed with code $status (see $logs/package-$1.log)"; }
  say "   $1: passed in $((SECONDS - phase)) s"
}
step build-dep "apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -q ./"
say "   the build dependencies: $((($(installed_kib) - before) / 1024)) MiB over the minimal root"
step dpkg-buildpackage "dpkg-buildpackage -us -uc -j${VORLANTH_JOBS:-2}"
step install-autopkgtest "DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends autopkgtest"
version=$(chroot "$root" dpkg-parsechangelog -l /root/vorlanth/debian/changelog -S Version)
step autopkgtest "autopkgtest --output-dir=/root/autopkgtest-out ../vorlanth_${version}_amd64.deb ./ -- null"
grep -E '^(x11|wayland) +' "$logs/package-autopkgtest.log" | sed 's/^/     /'
fi
say "passed in $((SECONDS - started)) s; logs in $logs"
