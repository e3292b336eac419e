#!/usr/bin/env bash
# Installs the Debian 12 packages of the named groups (scripts/packages/<group>.txt):
#   bash scripts/setup-debian.sh run        what building and running the animation needs
#   bash scripts/setup-debian.sh run test   and what the tests and checks add
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(run)
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
pkgs=()
for group in "${groups[@]}"; do
  list=$here/packages/$group.txt
  [ -f "$list" ] || { echo "setup: no package group \"$group\" ($list)" >&2; exit 2; }
  mapfile -t -O "${#pkgs[@]}" pkgs < <(grep -v '^\s*#' "$list" | grep -v '^\s*$')
done
# One query for all of them; a package dpkg has never heard of is not listed (and fails it).
installed=" $({ dpkg-query -W -f='${Package} ${Status}\n' "${pkgs[@]}" 2>/dev/null || true; } |
  awk '/ install ok installed$/ { printf "%s ", $1 }')"
missing=()
for p in "${pkgs[@]}"; do
  [[ "$installed" == *" $p "* ]] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#pkgs[@]} packages of ${groups[*]} are installed"
  exit 0
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=900 update
$sudo apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}" </dev/null
