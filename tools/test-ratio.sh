#!/usr/bin/env bash
# Size of the tests against the code they test, in non-blank lines. Expected
# output (goldens, expected*.log, the archive listing, fuzz corpora) is data.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { cat "$@" 2>/dev/null | grep -c '[^[:space:]]' || true; }
tests=$(count $(find tests fuzz -type f \
    ! -path 'tests/golden/*' ! -path 'fuzz/corpus/*' ! -name 'expected*.log' \
    ! -path 'tests/ship/release/contents.txt'))
code=$(count $(find src include bindings/rust/*/src -type f))
awk -v t="$tests" -v c="$code" \
    'BEGIN { printf "test ratio: %d test lines / %d code lines = %.3f\n", t, c, t / c }'
