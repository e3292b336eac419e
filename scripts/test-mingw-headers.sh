#!/usr/bin/env bash
# On Windows the platform's <windows.h> must only hand over to the system's own: compile a
# program that includes it with MinGW-w64 and uses names our subset does not declare.
set -euo pipefail
cd "$(dirname "$0")/.."
compiler=${MINGW_CXX:-x86_64-w64-mingw32-g++}
if ! command -v "$compiler" >/dev/null; then
  echo "test-mingw-headers: $compiler not found (package g++-mingw-w64-x86-64)" >&2
  exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cat >"$out/probe.cpp" <<'CPP'
#include <windows.h>
// Only the system's header has these; ours would fail to compile here.
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "descriptor size");
static_assert(sizeof(OSVERSIONINFOA) == 148, "version info size");
int probe() {
    HANDLE heap = GetProcessHeap();
    SYSTEMTIME now;
    GetSystemTime(&now);
    return heap != nullptr && now.wYear > 0;
}
CPP
"$compiler" -std=c++20 -Wall -Wextra -Wpedantic -Werror -Iplatform/include -c "$out/probe.cpp" -o "$out/probe.o"
echo "test-mingw-headers: platform/include/windows.h hands over to the Win32 headers"
