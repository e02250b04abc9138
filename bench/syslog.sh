#!/usr/bin/env bash
# The benchmark's syslog groups with a rsyslogd of their own (tools/syslog-collector.sh) on loopback, stopped at
# the end whatever happens: what forwarding costs a caller at one thread and at 1 to 8, and the sender's
# throughput to rsyslog over TCP.
#   bench/syslog.sh [batches] [runs]    (after: cmake --build --preset windows --target corvelin_bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvelin-bench.XXXXXX")
trap '"$root/tools/syslog-collector.sh" stop "$dir"; rm -rf "$dir"' EXIT
"$root/tools/syslog-collector.sh" start "$dir"
cd "$root/build/windows/bin"
CORVELIN_BENCH_COLLECTOR=$(printf 'Z:%s' "$dir" | tr / '\\') CORVELIN_WINE_ROOT=$root/build/windows \
  "$root/cmake/wine-run.sh" corvelin_bench.exe "${1:-100}" "${2:-5}" syslog threadsSyslog sender
