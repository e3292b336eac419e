#!/usr/bin/env bash
# Installs every Debian 12 package the project needs (see scripts/packages.txt).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
mapfile -t pkgs < <(grep -v '^\s*#' "$here/packages.txt" | grep -v '^\s*$')
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#pkgs[@]} packages are installed"
  exit 0
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
