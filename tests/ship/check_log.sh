#!/usr/bin/env bash
# Compares the one log file that a host wrote into <log-dir> with <expected>,
# whole. In <expected>, @DATE@ stands for the date in the file's name, and
# addr={@ADDR@} for the address that a table header prints.
set -euo pipefail
dir=$1
prefix=$2
expected=$3
shopt -s nullglob
files=("$dir"/*)
if [ ${#files[@]} -ne 1 ]; then
  echo "expected one file in $dir, found ${#files[@]}: ${files[*]}"
  exit 1
fi
name=$(basename "${files[0]}")
if ! [[ $name =~ ^${prefix}([0-9]{8})\.log$ ]]; then
  echo "unexpected log file name: $name"
  exit 1
fi
want=$(mktemp)
got=$(mktemp)
trap 'rm -f "$want" "$got"' EXIT
sed "s/@DATE@/${BASH_REMATCH[1]}/g" "$expected" >"$want"
sed -E 's/addr=\{[0-9A-F]{16}\}/addr={@ADDR@}/g' "${files[0]}" >"$got"
if ! cmp -s "$want" "$got"; then
  echo "$name differs from $expected (- expected, + written; ^M is CR):"
  diff -u "$want" "$got" | cat -v || true
  exit 1
fi
echo "ok: $name is $(basename "$expected")"
