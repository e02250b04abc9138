#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of its own under the build
# folder (made on first use; the lock keeps parallel ctest runs from racing).
set -eu
build_root=$(cd "${CORVELIN_WINE_ROOT:-$PWD}" && pwd)  # Wine takes only an absolute prefix
while [ ! -f "$build_root/CMakeCache.txt" ] && [ "$build_root" != / ]; do
  build_root=$(dirname "$build_root")
done
[ -f "$build_root/CMakeCache.txt" ] || build_root=$PWD
export WINEPREFIX="$build_root/wineprefix"
export WINEDEBUG=${CORVELIN_WINEDEBUG:--all}  # eventlog.sh reads a channel
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"  # and the caller's
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  flock "$build_root/wineprefix.lock" sh -c \
    "[ -f '$WINEPREFIX/system.reg' ] || '$wine' wineboot -i >/dev/null 2>&1 || true"
fi
exec "$wine" "$@"
