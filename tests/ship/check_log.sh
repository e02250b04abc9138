#!/usr/bin/env bash
# Compares the one log file that a host wrote into <log-dir> with <expected>, whole. In <expected>, @DATE@
# stands for the date in the file's name, addr={@ADDR@} for the address that a table header prints, and
# @TIME@ for the date and time of a WriteFlg 65536 record (the clock's values are the unit tests' business).
#   check_log.sh <log-dir> <prefix> <expected>
set -euo pipefail
shopt -s nullglob
files=("$1"/*)
[ ${#files[@]} -eq 1 ] || { echo "expected one file in $1, found ${#files[@]}: ${files[*]}"; exit 1; }
name=$(basename "${files[0]}")
[[ $name =~ ^$2([0-9]{8})\.log$ ]] || { echo "unexpected log file name: $name"; exit 1; }
diff -u <(sed "s/@DATE@/${BASH_REMATCH[1]}/g" "$3") <(sed -E -e 's/addr=\{[0-9A-F]{16}\}/addr={@ADDR@}/g' \
  -e 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ([A-Z]+:\[)/@TIME@ \1/' "${files[0]}") | cat -v ||
  { echo "$name differs from $3 (- expected, + written; ^M is CR)"; exit 1; }
echo "ok: $name is $(basename "$3")"
