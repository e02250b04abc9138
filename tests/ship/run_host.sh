#!/usr/bin/env bash
# Runs a host program in a fresh <work-dir>, then checks the log it wrote.
#   run_host.sh <work-dir> <log-subdir> <prefix> <expected> <command...>
set -euo pipefail
work=$1 logs=$2 prefix=$3 expected=$4
shift 4
check=$(cd "$(dirname "$0")" && pwd)/check_log.sh
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$@" || { echo "exit code $?: $*"; exit 1; }
"$check" "$work/$logs" "$prefix" "$expected"
