#!/usr/bin/env bash
# A private rsyslogd on loopback ports, for the syslog tests and the benchmark:
#   syslog-collector.sh start|stop|freeze|thaw <dir>
# start: rsyslogd -n with its own configuration, work directory and pid file in <dir>, listening on
# 127.0.0.1 for UDP and TCP on free ports (written to <dir>/ports as "udp tcp"; a later start takes
# the same ones), each message written to <dir>/received as
#   PRI|TIMESTAMP|HOSTNAME|APP-NAME|PROCID|MSGID|STRUCTURED-DATA|MSG
# and returns once a probe has come through both ports. stop: ends it (and waits). freeze and thaw:
# SIGSTOP and SIGCONT, a collector that accepts connections and reads nothing.
set -euo pipefail
command=$1 dir=$(realpath "$2")
pid() { cat "$dir/rsyslogd.pid" 2>/dev/null || true; }

free_port() {  # one that no socket of this machine is bound to
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    ! grep -qi ":$(printf '%04X' $port) " /proc/net/tcp /proc/net/tcp6 /proc/net/udp /proc/net/udp6 2>/dev/null && break
  done
  echo $port
}

configure() {  # <udp port> <tcp port>
  mkdir -p "$dir/work"
  cat >"$dir/rsyslog.conf" <<EOF
global(workDirectory="$dir/work" maxMessageSize="64k")
module(load="imudp")
module(load="imtcp")
template(name="fields" type="string"
         string="%pri%|%timestamp:::date-rfc3339%|%hostname%|%app-name%|%procid%|%msgid%|%structured-data%|%msg%\n")
ruleset(name="collector") {
  if \$app-name == "probe" then { action(type="omfile" file="$dir/probes" template="fields") stop }
  action(type="omfile" file="$dir/received" template="fields")
}
input(type="imudp" address="127.0.0.1" port="$1" ruleset="collector")
input(type="imtcp" address="127.0.0.1" port="$2" ruleset="collector")
EOF
}

ready() {  # a probe through each port within 20 s
  read -r udp tcp <"$dir/ports"
  for _ in $(seq 200); do
    logger -d -n 127.0.0.1 -P "$udp" -t probe --rfc5424 udp 2>/dev/null || true
    logger -T -n 127.0.0.1 -P "$tcp" -t probe --rfc5424 --octet-count tcp 2>/dev/null || true
    grep -q 'udp$' "$dir/probes" 2>/dev/null && grep -q 'tcp$' "$dir/probes" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

case $command in
  start)
    again=$([ -f "$dir/ports" ] && echo 1 || true)  # a restart keeps its ports: its clients know them
    for _ in 1 2 3 4 5; do
      [ -f "$dir/ports" ] || echo "$(free_port) $(free_port)" >"$dir/ports"
      configure $(cat "$dir/ports")
      rm -f "$dir/probes"
      rsyslogd -n -f "$dir/rsyslog.conf" -i "$dir/rsyslogd.pid" >>"$dir/rsyslogd.log" 2>&1 &
      ready && exit 0
      "$0" stop "$dir"
      [ -n "$again" ] || rm -f "$dir/ports"  # taken meanwhile: other ports
    done
    echo "rsyslogd did not come up: $dir/rsyslogd.log" >&2
    exit 1 ;;
  stop)
    p=$(pid)
    [ -n "$p" ] || exit 0
    kill -CONT "$p" 2>/dev/null || true
    kill "$p" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    rm -f "$dir/rsyslogd.pid" ;;
  freeze) kill -STOP "$(pid)" ;;
  thaw) kill -CONT "$(pid)" ;;
  *) echo "usage: $0 start|stop|freeze|thaw <dir>" >&2; exit 2 ;;
esac
