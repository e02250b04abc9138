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
rm -rf demo-logs  # the day's file then holds these two sessions only
printf '[Halvix]\r\nLogFileNamePrefix=demo_\r\nLogWritePathDir=.\\demo-logs\r\nWriteFlg=1\r\nLogOutPutLevel=5\r\nBomSetFlg=1\r\n' >demo.ini
echo
../../../cmake/wine-run.sh ../bin/corvelin_demo.exe 8192
echo
# Its message boxes are asked from a window station nobody sees, as a service's: nothing waits for a click.
../../../cmake/wine-run.sh ../bin/corvelin_demo.exe --profile .\\demo.ini --unattended
log=$(echo demo-logs/*.log)
echo
echo "==== build/windows/demo/$log ===="
cat "$log"
