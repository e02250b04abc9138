#!/usr/bin/env bash
# Compares the one log file that a host wrote into <log-dir> with <expected>, whole. In <expected>, @DATE@
# stands for the date in the file's name, and addr={@ADDR@} for the address that a table header prints.
#   check_log.sh <log-dir> <prefix> <expected>
set -euo pipefail
shopt -s nullglob
files=("$1"/*)
[ ${#files[@]} -eq 1 ] || { echo "expected one file in $1, found ${#files[@]}: ${files[*]}"; exit 1; }
name=$(basename "${files[0]}")
[[ $name =~ ^$2([0-9]{8})\.log$ ]] || { echo "unexpected log file name: $name"; exit 1; }
diff -u <(sed "s/@DATE@/${BASH_REMATCH[1]}/g" "$3") <(sed -E 's/addr=\{[0-9A-F]{16}\}/addr={@ADDR@}/g' "${files[0]}") | cat -v ||
  { echo "$name differs from $3 (- expected, + written; ^M is CR)"; exit 1; }
echo "ok: $name is $(basename "$3")"
