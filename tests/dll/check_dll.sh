#!/usr/bin/env bash
# The DLL exports exactly the undecorated names of the export definition, imports only Windows system DLLs
# and the C runtime (libgcc, libstdc++ and winpthread are linked in), and its version resource names the version.
#   check_dll.sh <objdump> <dll> <def> <version>
set -euo pipefail
tables=$("$1" -p "$2")
exported=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' <<<"$tables" | sort)
defined=$(sed -n '/^EXPORTS/,${/^EXPORTS/d;s/;.*//;s/^\s*//;s/\s.*//;/./p}' "$3" | sort)
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$tables")
[ -n "$exported" ] && [ -n "$imports" ] || { echo "no export or import table in $2"; exit 1; }
diff <(echo "$defined") <(echo "$exported") || { echo "exports differ (< $(basename "$3"), > DLL)"; exit 1; }
! grep -vxE '(KERNEL32|USER32|WINMM|ADVAPI32|WS2_32|msvcrt)\.dll' <<<"$imports" || { echo "^ not a system DLL"; exit 1; }
[ "$(strings -el "$2" | grep -A1 -x FileVersion | tail -n1)" = "$4" ] || { echo "FileVersion is not $4"; exit 1; }
echo "ok: $(wc -l <<<"$exported") exports as in $(basename "$3"); imports" $imports
