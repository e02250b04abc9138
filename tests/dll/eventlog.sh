#!/usr/bin/env bash
# The Event Log through the real DLL. Wine's advapi32 is a stub that prints each call: the source at
# RegisterEventSourceW, each event's type and ID at ReportEventW (advapi channel), its string on the eventlog channel.
# The host's eventlog scenario must report exactly the events of the expected file, in order. Then the reference's
# reg add lines, run with Wine's reg in the tests' prefix, create the key they claim.
#   eventlog.sh <wine-run> <host> <expected> <reference.md> <work>
set -euo pipefail
wine=$1 host=$2 expected=$3 reference=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && cd "$work"
CORVELIN_WINEDEBUG=-all,fixme+advapi,+eventlog "$wine" "$host" eventlog 2>stderr.txt
while IFS= read -r line; do
  case $line in
    *:advapi:RegisterEventSourceW*) line=${line#*,} && echo "register ${line%): stub}" ;;
    *:advapi:ReportEventW*) IFS=, read -r _ type _ id _ <<<"${line#*(}" && printf 'event type %d id %d: ' "$type" "$id" ;;
    *:eventlog:ReportEventW*) echo "${line#*:eventlog:ReportEventW }" ;;
    *:advapi:DeregisterEventSource*) echo "deregister" ;;
  esac
done <stderr.txt >events.txt
diff -u "$expected" events.txt

key=$(sed -n 's/^reg add "\([^"]*\)" .*/\1/p' "$reference" | sort -u)
[ "$(wc -l <<<"$key")" = 1 ] && [ -n "$key" ] || { echo "the reference's reg add lines name no single key"; exit 1; }
"$wine" reg delete "$key" /f >/dev/null 2>&1 || true
while IFS= read -r line; do
  eval "\"\$wine\" $line" >/dev/null
done < <(sed -n '/^reg add "/p' "$reference")
diff -u <(printf '\n%s\n    EventMessageFile    REG_EXPAND_SZ    %s\n    TypesSupported    REG_DWORD    0x7\n\n' \
          "${key/HKLM/HKEY_LOCAL_MACHINE}" "$(sed -n 's/.* \/v EventMessageFile .* \/d "\([^"]*\)".*/\1/p' "$reference")") \
        <("$wine" reg query "$key" | tr -d '\r')
"$wine" reg delete "$key" /f >/dev/null
echo "ok: $(grep -c '^event' events.txt) events as expected; the reference's reg add lines make $key"
