#!/usr/bin/env bash
# The host examples of docs/reference.md against the unpacked archive: each saved as the file its section names,
# built with the section's sh block (the log backend's with the Rust section's, as it says) and run; the C++
# example's log is the one the reference shows, times aside.
source "$(dirname "$0")/ship.sh"
logs=$build/wineprefix/drive_c/logs  # C:\logs, where the examples write
section() { awk -v h="$1" '$0 == h { on = 1; next } /^```/ { f = !f } on && !f && /^#/ { exit } on' "$source/docs/reference.md"; }
fenced() { awk -v l="$1" '$0 == "```" l { on = 1; next } on && /^```/ { exit } on'; }
times() { sed -E 's/[0-9]{8}\.log/DATE.log/; s/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}:\[/TIME:[/'; }
example() {  # <heading> <language> <file> <program> [<heading of its build>]: builds and runs it, leaves its log in $log
  local dir=$work/${1//[^a-zA-Z]/}
  rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" && ln -s "$archive" corvelin
  section "$1" | fenced "$2" >"$3"
  section "${5:-$1}" | fenced sh | bash -euo pipefail
  rm -f "$logs"/app_*.log
  "$source/cmake/wine-run.sh" "$4" || { echo "$3: exit code $?"; exit 1; }
  log=$(echo "$logs"/app_*.log)
  [ -f "$log" ] || { echo "$3 wrote no log"; exit 1; }
}
example "### C" c app.c ./app.exe
example "### Rust" rust main.rs app/target/x86_64-pc-windows-gnu/debug/app.exe
example "#### The \`log\` backend" rust main.rs app/target/x86_64-pc-windows-gnu/debug/app.exe "### Rust"
example "### Example" cpp app.cpp ./app.exe
{ printf '\xEF\xBB\xBF'; section "### Example" | fenced text | times; printf '\n\n'; } | sed 's/$/\r/' >expected.log
diff -u expected.log <(times <"$log") | cat -v || { echo "the C++ example's log differs from the reference"; exit 1; }
echo "ok: the C, Rust (both) and C++ examples build and run"
