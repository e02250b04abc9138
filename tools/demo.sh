#!/usr/bin/env bash
# The main job, end to end: install what is missing, build corvelin_x64.dll
# and the demo host with MinGW-w64, run the demo under Wine twice (started by
# arguments with WriteFlg 8192, then from a profile with WriteFlg 1: the
# second session appends to the day's file) and print the log file.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target corvelin_demo
run=build/windows/demo
mkdir -p "$run"
cd "$run"
export CORVELIN_WINE_ROOT=$PWD/..
# Without a display Wine answers message boxes at once, so the demo can ask
# its two questions; on a desktop they would wait for the user.
boxes=""
[ -n "${DISPLAY:-}" ] || boxes="--boxes"
printf '[Halvix]\r\nLogFileNamePrefix=demo_\r\nLogWritePathDir=.\\demo-logs\r\nWriteFlg=1\r\nLogOutPutLevel=5\r\nBomSetFlg=1\r\n' >demo.ini
../../../cmake/wine-run.sh ../bin/corvelin_demo.exe 8192 $boxes
../../../cmake/wine-run.sh ../bin/corvelin_demo.exe --profile .\\demo.ini $boxes | tee demo.out
log=$(sed -n 's/^log written to \.\\demo-logs\\//p' demo.out | tr -d '\r')
echo
echo "==== build/windows/demo/demo-logs/$log ===="
cat "demo-logs/$log"
