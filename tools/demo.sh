#!/usr/bin/env bash
# The main job, end to end: install what is missing, build corvelin_x64.dll
# and the demo host with MinGW-w64, run the demo under Wine (twice, with two
# WriteFlg values: the second session appends to the day's file) and print
# the log file it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target corvelin_demo
run=build/windows/demo
mkdir -p "$run"
cd "$run"
export CORVELIN_WINE_ROOT=$PWD/..
../../../cmake/wine-run.sh ../bin/corvelin_demo.exe 8192
../../../cmake/wine-run.sh ../bin/corvelin_demo.exe 1 | tee demo.out
log=$(sed -n 's/^log written to \.\\demo-logs\\//p' demo.out | tr -d '\r')
echo
echo "==== build/windows/demo/demo-logs/$log ===="
cat "demo-logs/$log"
