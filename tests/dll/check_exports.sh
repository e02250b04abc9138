#!/usr/bin/env bash
# The DLL's export table and the export definition list the same names:
# nothing missing, nothing extra, nothing decorated.
#   check_exports.sh <objdump> <dll> <def>
set -euo pipefail
objdump=$1
dll=$2
def=$3
# The names are the "[ n] name" lines under objdump's name pointer table.
exported=$("$objdump" -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' \
           | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] \(.*\)$/\1/p' | sort)
defined=$(sed -n '/^EXPORTS/,$p' "$def" | sed -e '1d' -e 's/;.*//' -e 's/^[[:space:]]*//' -e 's/[[:space:]].*//' \
          | grep -v '^$' | sort)
[ -n "$exported" ] || { echo "no exports found in $dll"; exit 1; }
[ -n "$defined" ] || { echo "no names found in $def"; exit 1; }
missing=$(comm -13 <(echo "$exported") <(echo "$defined"))
extra=$(comm -23 <(echo "$exported") <(echo "$defined"))
[ -z "$missing" ] || echo "in $(basename "$def") but not exported:" $missing
[ -z "$extra" ] || echo "exported but not in $(basename "$def"):" $extra
[ -z "$missing$extra" ] || exit 1
echo "ok: $(echo "$exported" | wc -l) exports, the same names as $(basename "$def")"
