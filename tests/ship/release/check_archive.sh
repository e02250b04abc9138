#!/usr/bin/env bash
# Makes the release ZIP from the build (as the package target does) and
# checks it: the name carries the version, the listing is contents.txt, and
# the shipped files are the ones built and written.
#   check_archive.sh <build-dir> <work-dir> <version>
set -euo pipefail
build=$1
work=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
rm -rf "$work"
mkdir -p "$work"
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.out"
zip=$work/corvelin-$version-win-x64.zip
[ -f "$zip" ] || { echo "no $(basename "$zip"):"; ls "$work"; exit 1; }

listing=$(cd "$work" && cmake -E tar tf "$zip" | LC_ALL=C sort)
expected=$(sed "s/@VERSION@/$version/g" "$here/contents.txt" | LC_ALL=C sort)
if [ "$listing" != "$expected" ]; then
  echo "the archive's listing differs from contents.txt:"
  diff <(echo "$expected") <(echo "$listing") || true
  exit 1
fi

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
top=$work/unpacked/corvelin-$version-win-x64
status=0
same() {
  if cmp -s "$1" "$2"; then echo "ok: ${1#"$top"/}"; else echo "differs: ${1#"$top"/} from $2"; status=1; fi
}
same "$top/bin/corvelin_x64.dll" "$build/bin/corvelin_x64.dll"
same "$top/lib/libcorvelin_x64.dll.a" "$build/lib/libcorvelin_x64.dll.a"
same "$top/lib/corvelin_x64.lib" "$build/lib/corvelin_x64.lib"
same "$top/lib/corvelin_x64.def" "$source_dir/src/corvelin_x64.def"
same "$top/include/corvelin.h" "$source_dir/include/corvelin.h"
same "$top/README.md" "$source_dir/README.md"
same "$top/LICENSE" "$source_dir/LICENSE"
same "$top/docs/reference.md" "$source_dir/docs/reference.md"
exit $status
