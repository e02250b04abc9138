#!/usr/bin/env bash
# Runs a Windows program under Wine in a fresh <work-dir>; the one log it writes, <name>-logs\<name>_<date>.log, is
# <expected> whole, where @DATE@ is that date, addr={@ADDR@} a table header's address and @TIME@ the time of a
# WriteFlg 65536 record (the clock's values are the unit tests' business).
set -euo pipefail
shopt -s nullglob
work=$1 name=$2 expected=$3 program=$4
wine=$(cd "$(dirname "$0")/../.." && pwd)/cmake/wine-run.sh
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$wine" "$program" || { echo "exit code $?: $program"; exit 1; }
files=("$name-logs"/*)
[ ${#files[@]} -eq 1 ] || { echo "expected one file in $work/$name-logs, found ${#files[@]}: ${files[*]}"; exit 1; }
log=$(basename "${files[0]}")
[[ $log =~ ^${name}_([0-9]{8})\.log$ ]] || { echo "unexpected log file name: $log"; exit 1; }
diff -u <(sed "s/@DATE@/${BASH_REMATCH[1]}/g" "$expected") <(sed -E -e 's/addr=\{[0-9A-F]{16}\}/addr={@ADDR@}/g' \
  -e 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ([A-Z]+:\[)/@TIME@ \1/' "${files[0]}") | cat -v ||
  { echo "$log differs from $expected (- expected, + written; ^M is CR)"; exit 1; }
echo "ok: $log is $(basename "$expected")"
