#!/usr/bin/env bash
# Checks that every C/C++ file of the project is formatted as .clang-format says (Debian 12's
# clang-format 14), except the generated mesh (scene/generated/). Prints the files that differ; exit 1 if any.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "check-format: clang-format is missing (bash scripts/setup-debian.sh run test)" >&2; exit 1; }
# One clang-format for all files: it names each file that differs in its warnings. It fails
# on those alone, so any other failure (a missing file, a broken .clang-format) is its own.
status=0
said=$(git ls-files -z -- '*.c' '*.cpp' '*.h' ':!:scene/generated/*' |
  xargs -0 "$format" --style=file --dry-run -Werror 2>&1 >/dev/null) || status=$?
files=$(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' <<<"$said" | sort -u)
if [ "$status" != 0 ] && [ -z "$files" ]; then
  echo "check-format: $format failed (exit $status): $(head -n 3 <<<"$said")" >&2
  exit 1
fi
if [ -n "$files" ]; then
  echo "$files"
  echo "check-format: $(wc -l <<<"$files") files differ from .clang-format (clang-format -i <file> formats one)" >&2
  exit 1
fi
echo "check-format: every file as .clang-format says"
