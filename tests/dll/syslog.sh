#!/usr/bin/env bash
# The host's syslog scenarios against a rsyslogd of their own, stopped at the end whatever happens; the host has it
# started, stopped or frozen by writing the word into <dir>/request.
#   syslog.sh <wine-run> <host>
set -euo pipefail
collector=$(dirname "$0")/../../tools/syslog-collector.sh wine=$1 host=$2
export TZ=IST-5:30  # half an hour off the hour, as both Linux and the Windows runtime read it
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvelin-syslog.XXXXXX")
trap '"$collector" stop "$dir"; [ -n "${watcher:-}" ] && kill "$watcher" 2>/dev/null; rm -rf "$dir"' EXIT
run() { out=$("$wine" "$host" syslog "$(printf 'Z:%s' "$dir" | tr / '\\')" "$1" 2>&1) || true; echo "$out"; grep -q '^\[syslog\] passed' <<<"$out"; }  # Wine gives 0 for a crash
"$collector" start "$dir"
read -r udp tcp <"$dir/ports"
run "udp://127.0.0.1:$udp"
"$collector" stop "$dir" && rm "$dir/received"
for _ in $(seq 2400); do  # 4 minutes at most
  [ -f "$dir/request" ] && "$collector" "$(cat "$dir/request")" "$dir" && rm "$dir/request"
  sleep 0.1
done &
watcher=$!
run "tcp://localhost:$tcp"
