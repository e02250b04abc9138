#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time (default 30 s each) from
# the seed corpus in fuzz/corpus, and fails on the first finding. New inputs
# go to a scratch folder, so the seed corpus in the repository stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
tools/deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
summary=""
for target in build/fuzz/fuzz_*; do
  name=$(basename "$target")
  mkdir -p "$work/$name" "fuzz/corpus/$name"
  log="$work/$name.log"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$work/$name-" "$work/$name" "fuzz/corpus/$name" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $name found a fault; the input is in $work (copied to build/fuzz/findings)"
    mkdir -p build/fuzz/findings && cp "$work/$name"-* build/fuzz/findings/ 2>/dev/null || true
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=$(printf '%-18s %12s executions in %ss\n' "$name" "${runs:-?}" "$seconds")$'\n'
done
echo "fuzzing: no findings"
printf '%s' "$summary"
