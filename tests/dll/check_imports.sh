#!/usr/bin/env bash
# The DLL must be self-contained: it may import Windows system DLLs and the
# C runtime, never the compiler's runtime (libgcc, libstdc++, winpthread).
set -euo pipefail
objdump=$1
dll=$2
allowed='^(KERNEL32|USER32|WINMM|ADVAPI32|msvcrt)\.dll$'
names=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$names" ] || { echo "no import table found in $dll"; exit 1; }
status=0
while read -r name; do
  if [[ "$name" =~ $allowed ]]; then
    echo "ok: $name"
  else
    echo "not allowed: $name"
    status=1
  fi
done <<< "$names"
exit $status
