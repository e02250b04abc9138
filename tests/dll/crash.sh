#!/usr/bin/env bash
# Real crashes of the host, compared with expected_crashes.log; nm places their frames in functions. Wine's crash
# debugger is switched off: a crashed process ends, as on a machine without one.
#   crash.sh <wine-run> <host> <nm> <expected> <work>
set -euo pipefail
wine=$1 host=$2 nm=$3 expected=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$nm" --defined-only "$host" >symbols.txt
WINEDLLOVERRIDES="winedbg.exe=d" "$wine" "$host" crashes "$(printf 'Z:%s' "$work/symbols.txt" | tr / '\\')" >crashes.txt
diff -u "$expected" <(tr -d '\r' <crashes.txt)
