#!/usr/bin/env bash
# lnav (headless) reads a log that the real DLL wrote with every kind of line (dll_host lnav) through the
# installed corvelin format: the file is the format's, every line of it; messages per level, each with the
# time its record printed; [SYSLOG] lines per tag. Loading the format also checks its samples.
#   lnav_format.sh <lnav> <wine-run.sh> <dll_host.exe> <format.json> <expected> <work-dir>
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
  query "SELECT log_level, count(*) AS messages, sum(log_time = substr(log_raw_text, 1, 23)) AS timed
         FROM all_logs GROUP BY log_level ORDER BY min(log_line)"
  query "SELECT syslog_level, count(*) AS lines FROM corvelin_syslog GROUP BY syslog_level ORDER BY min(log_line)"
})
