#!/usr/bin/env bash
# The real DLL's events as Wine's advapi32 stubs print them (channels advapi and eventlog): exactly the expected ones, in
# order. Then the reference's reg add lines, run with Wine's reg, make the key they claim.   <wine-run> <host> <tree> <work>
set -euo pipefail
rm -rf "$4" && mkdir -p "$4" && cd "$4"
printf '[Halvix]\nLogFileNamePrefix=evt_\nLogOutPutLevel=5\nLogEventLogLevel=3\n' | tee good.ini >bad.ini
echo 'LogWritePathDir=C:\corvelin-no-such-dir\logs' >>bad.ini
CORVELIN_WINEDEBUG=-all,fixme+advapi,+eventlog "$1" "$2" eventlog '.\bad.ini' '.\good.ini' 2>stderr.txt
while IFS= read -r l; do case $l in
  *RegisterEventSourceW*) l=${l#*,} && echo "register ${l%): stub}" ;;
  *:advapi:ReportEventW*) IFS=, read -r _ type _ id _ <<<"${l#*(}" && printf 'event type %d id %d: ' "$type" "$id" ;;
  *:eventlog:ReportEventW*) echo "${l#*ReportEventW }" ;;
  *DeregisterEventSource*) echo deregister ;;
esac; done <stderr.txt | diff -u "$3/tests/dll/expected_eventlog.log" -
key=$(sed -n 's/^reg add "\([^"]*\)" .*/\1/p' "$3/docs/reference.md" | sort -u) dll=$(sed -n 's/.* \/d "\(.*\.dll\)".*/\1/p' "$3/docs/reference.md")
sed -n '/^reg add "/p' "$3/docs/reference.md" | while IFS= read -r line; do eval "\"\$1\" $line" >/dev/null; done
diff -u <(printf '\n%s\n    EventMessageFile    REG_EXPAND_SZ    %s\n    TypesSupported    REG_DWORD    0x7\n\n' \
            "${key/HKLM/HKEY_LOCAL_MACHINE}" "$dll") <("$1" reg query "$key" | tr -d '\r')
"$1" reg delete "$key" /f >/dev/null && echo "ok: the expected events; the reference's reg add lines make $key"
