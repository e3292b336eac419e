#!/usr/bin/env bash
# Checks that every C/C++ file of the project is formatted as .clang-format says (Debian 12's
# clang-format 14), except the generated mesh (scene/generated/). Prints the files that differ; exit 1 if any.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "check-format: clang-format is missing (bash scripts/setup-debian.sh run test)" >&2; exit 1; }
differ=0
while IFS= read -r -d '' file; do
  if ! "$format" --style=file --dry-run -Werror "$file" >/dev/null 2>&1; then
    echo "$file"
    differ=$((differ + 1))
  fi
done < <(git ls-files -z -- '*.c' '*.cpp' '*.h' ':!:scene/generated/*')
if [ "$differ" -gt 0 ]; then
  echo "check-format: $differ files differ from .clang-format (clang-format -i <file> formats one)" >&2
  exit 1
fi
echo "check-format: every file as .clang-format says"
