#!/usr/bin/env bash
# Compiles the Win32 layers (toolkit/, appkit/, scene/) with MinGW-w64 against the real
# Win32 headers, as the Windows build includes them (WIN32_LEAN_AND_MEAN), warnings on and
# treated as errors. Compile only: nothing is linked or run.
set -euo pipefail
cd "$(dirname "$0")/.."
compiler=${MINGW_CXX:-x86_64-w64-mingw32-g++}
if ! command -v "$compiler" >/dev/null; then
  echo "test-mingw: $compiler not found (package g++-mingw-w64-x86-64)" >&2
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
count=0
shopt -s nullglob
for source in toolkit/*.cpp appkit/*.cpp scene/*.cpp scene/generated/*.cpp; do
  count=$((count + 1))
  if ! "$compiler" -std=c++20 -Wall -Wextra -Wpedantic -Werror -DWIN32_LEAN_AND_MEAN \
      -Itoolkit -Iappkit -Iscene -c "$source" -o "$out/$(echo "$source" | tr / _).o"; then
    echo "test-mingw: FAILED $source" >&2
    status=1
  fi
done
echo "test-mingw: compiled $count sources, $([ $status -eq 0 ] && echo clean || echo with errors)"
exit $status
