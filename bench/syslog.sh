#!/usr/bin/env bash
# The benchmark's syslog groups: what forwarding costs a caller at one thread and at 1 to 8, first by UDP to
# nowhere, then by TCP to a rsyslogd of their own (tools/syslog-collector.sh) on loopback, stopped at the end
# whatever happens, with the sender's throughput to it.
#   bench/syslog.sh [batches] [runs]    (after: cmake --build --preset windows --target corvelin_bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvelin-bench.XXXXXX")
trap '"$root/tools/syslog-collector.sh" stop "$dir"; rm -rf "$dir"' EXIT
"$root/tools/syslog-collector.sh" start "$dir"
cd "$root/build/windows/bin"
export CORVELIN_WINE_ROOT=$root/build/windows
echo "== by UDP to a port where nobody listens: the caller's cost with the machine to itself"
"$root/cmake/wine-run.sh" corvelin_bench.exe "${1:-100}" "${2:-5}" syslog threadsSyslog
echo
echo "== by TCP to the rsyslogd on this machine, which takes its share of the cores"
CORVELIN_BENCH_COLLECTOR=$(printf 'Z:%s' "$dir" | tr / '\\') \
  "$root/cmake/wine-run.sh" corvelin_bench.exe "${1:-100}" "${2:-5}" syslog threadsSyslog sender
