#!/usr/bin/env bash
# Real file-system faults for the host's fs_faults scenario, undone after it: a day's log file and a directory made
# immutable (Wine run as root would not honour a read-only attribute), a 64 KB tmpfs. Exits 77 (skipped) without root.
#   fs_fault.sh <wine-run> <host>
set -u
top=$(mktemp -d "${TMPDIR:-/tmp}/corvelin-fault.XXXXXX")
trap 'chattr -i "$top"/ro/* "$top"/locked 2>/dev/null; umount "$top"/full 2>/dev/null; rm -rf "$top"' EXIT
mkdir "$top"/ro "$top"/locked "$top"/full && printf 'an earlier session\r\n' >"$top/ro/app_$(date +%Y%m%d).log"
chattr +i "$top"/ro/* "$top"/locked 2>/dev/null && mount -t tmpfs -o size=64k tmpfs "$top"/full 2>/dev/null ||
  { echo "skipped: chattr +i and mount are not allowed here"; exit 77; }
win() { printf 'Z:%s' "$1" | tr / '\\'; }
out=$("$1" "$2" fs_faults "$(win "$top"/ro)" "$(win "$top"/locked)" "$(win "$top"/full)" &&
  "$1" "$2" fs_held_series "$(win "$top"/ro)" && "$1" "$2" fs_full_series "$(win "$top"/full)")
echo "$out"
[ "$(grep -c '\] passed' <<<"$out")" -eq 3 ]  # Wine ends a crashed program with 0: each scenario must say it passed
