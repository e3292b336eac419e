#!/usr/bin/env bash
# The desktop program carries no test machinery: nm shows no symbol of the virtual desktop,
# the call log, failure injection, the test counters, the core's test hooks or any entry
# point that core_test_hooks.h declares.
#   check_no_test_machinery.sh <nm> <program> <core_test_hooks.h>
set -euo pipefail
nm=$1 program=$2 hooks=$3
symbols=$("$nm" -C "$program")
# Not vacuous: the program's platform calls and its backend are there.
for expected in GetMessageA x11Backend PlatformSelectBackend; do
  grep -q "$expected" <<<"$symbols" || { echo "no symbol $expected in $program: stripped?" >&2; exit 1; }
done
pattern='Vdesk|vdesk|callLog|LogCall|CallLog|ShouldFail|failNext|FailNext|failDescribe|FailDescribe|allocCount|AllocCount|CoreFailure|invalidateCount|presentCount|eglCreatePbufferSurface'
pattern+='|NoteCall|InjectedFailure|NoteInvalidated|NoteAllocated|NoteStalled|testHooks|TestHooks|ResetWithCore|FileStateResets'
entries=$(grep -oE '\b[A-Z][A-Za-z]*\(' "$hooks" | tr -d '(' | sort -u | paste -sd '|')
[ -n "$entries" ] || { echo "no entry points found in $hooks" >&2; exit 1; }
pattern+="|\b($entries)\b"
if found=$(grep -E "$pattern" <<<"$symbols"); then
  echo "test machinery in $program:" >&2
  echo "$found" >&2
  exit 1
fi
echo "$program: $(wc -l <<<"$symbols") symbols, no test machinery"
