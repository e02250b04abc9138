#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time (default 30 s each), two at
# a time (one per core), from the seed corpus in fuzz/corpus, and fails on the
# first finding. New inputs go to a scratch folder, so the seed corpus in the
# repository stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
tools/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
declare -A running=()  # pid -> target
stop() {
  for pid in "${!running[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
start() {
  local name=$1
  mkdir -p "$work/$name" "fuzz/corpus/$name"
  build/fuzz/"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$name-" "$work/$name" "fuzz/corpus/$name" >"$work/$name.log" 2>&1 &
  running[$!]=$name
}
targets=()
for target in build/fuzz/fuzz_*; do targets+=("$(basename "$target")"); done
next=0
while [ ${#running[@]} -gt 0 ] || [ "$next" -lt ${#targets[@]} ]; do
  while [ ${#running[@]} -lt 2 ] && [ "$next" -lt ${#targets[@]} ]; do
    start "${targets[next]}"
    next=$((next + 1))
  done
  status=0
  wait -n -p done "${!running[@]}" || status=$?
  name=${running[$done]}
  unset "running[$done]"
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/$name.log"
    echo "fuzz: $name found a fault; the input is in $work (copied to build/fuzz/findings)"
    mkdir -p build/fuzz/findings && cp "$work/$name"-* build/fuzz/findings/ 2>/dev/null || true
    exit 1
  fi
done
echo "fuzzing: no findings"
for name in "${targets[@]}"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log" | tail -n 1)
  printf '%-18s %12s executions in %ss\n' "$name" "${runs:-?}" "$seconds"
done
