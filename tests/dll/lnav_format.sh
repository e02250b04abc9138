#!/usr/bin/env bash
# lnav, headless, reads a log of every kind of line from the real DLL through the installed format (installing checks
# its samples): every line is the format's; each message with its level, its record's time and its body ([SYSLOG]
# lines with WriteFlg 65536 among them); [SYSLOG] lines per tag.
set -euo pipefail
lnav=$1 wine=$2 host=$3 format=$4 expected=$5 work=$6
rm -rf "$work" && mkdir -p "$work/home" && cd "$work"
"$wine" "$host" lnav
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
"$lnav" -i "$format" >/dev/null 2>&1
log=(run_lnav/app_*.log)
query() { "$lnav" -n -N -W -c ";$1" "${log[@]}" 2>&1; }
diff -u "$expected" <({
  query "SELECT format, lines = $(wc -l <"${log[0]}") AS every_line FROM lnav_file"
  query "SELECT log_line, log_level, log_time = substr(log_raw_text, 1, 23) AS timed, regexp_replace(
         replace(replace(log_body, char(13), '\r'), char(65279), '<BOM>'), '=\{[^}]*\}', '={...}') AS body FROM all_logs"
  query "SELECT syslog_level, count(*) AS lines FROM corvelin_syslog GROUP BY syslog_level ORDER BY min(log_line)"
})
