#!/usr/bin/env bash
# Prepares a file-system fault on the Linux side, runs a host scenario on it
# under Wine, and undoes the fault. Exits 77 (skipped) when the machine does
# not let the test make the fault (no root, no mount, no immutable flag).
set -u
runner=$1 host=$2 scenario=$3 kind=$4
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvelin-fault.XXXXXX")
win="Z:$(printf '%s' "$dir" | tr / '\\')"
cleanup() {
  chattr -i "$dir" "$dir"/* 2>/dev/null
  mountpoint -q "$dir" && umount "$dir"
  rm -rf "$dir"
}
trap cleanup EXIT
case $kind in
  immutable) chattr +i "$dir" 2>/dev/null || { echo "skipped: chattr +i is not allowed here"; exit 77; } ;;
  readonly)
    file="$dir/app_$(date +%Y%m%d).log"
    printf 'an earlier session\r\n' >"$file"
    chattr +i "$file" 2>/dev/null || { echo "skipped: chattr +i is not allowed here"; exit 77; } ;;
  full) mount -t tmpfs -o size=64k tmpfs "$dir" 2>/dev/null || { echo "skipped: cannot mount a small tmpfs"; exit 77; } ;;
  *) echo "unknown fault $kind"; exit 2 ;;
esac
"$runner" "$host" "$scenario" "$win"
