#!/usr/bin/env bash
# The host's syslog scenarios against a real rsyslogd of their own (tools/syslog-collector.sh), stopped at the end
# whatever happens: UDP with the collector up, then TCP starting with it absent, the host asking for it to be
# started, stopped and frozen by writing the word into <dir>/request.
#   syslog.sh <collector script> <wine-run> <host>
set -euo pipefail
collector=$1 wine=$2 host=$3
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvelin-syslog.XXXXXX")
trap '"$collector" stop "$dir"; [ -n "${watcher:-}" ] && kill "$watcher" 2>/dev/null; rm -rf "$dir"' EXIT
win() { printf 'Z:%s' "$1" | tr / '\\'; }
run() { out=$("$wine" "$host" syslog "$(win "$dir")" "$1" 2>&1) || true; echo "$out"; grep -q '^\[syslog\] passed' <<<"$out"; }  # Wine gives 0 for a crash
"$collector" start "$dir"
read -r udp tcp <"$dir/ports"
run "udp://127.0.0.1:$udp"
"$collector" stop "$dir" && rm "$dir/received"
for _ in $(seq 1200); do  # 2 minutes at most
  [ -f "$dir/request" ] && "$collector" "$(cat "$dir/request")" "$dir" && rm "$dir/request"
  sleep 0.1
done &
watcher=$!
run "tcp://localhost:$tcp"
