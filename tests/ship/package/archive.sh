#!/usr/bin/env bash
# The release ZIP, made from the build as the package target makes it: its listing is release/contents.txt and
# its files are the ones built and written. Leaves it unpacked in <dir> for the tests that use it.
#   archive.sh <build-dir> <dir> <version>
set -euo pipefail
build=$1 dir=$2 version=$3
source=$(cd "$(dirname "$0")/../../.." && pwd)
rm -rf "$dir" && mkdir -p "$dir"
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$dir" >"$dir/cpack.out"
zip=$dir/corvelin-$version-win-x64.zip
diff <(sed "s/@VERSION@/$version/g" "$source/tests/ship/release/contents.txt" | LC_ALL=C sort) \
  <(cmake -E tar tf "$zip" | LC_ALL=C sort) || { echo "the archive's listing (>) differs from contents.txt (<)"; exit 1; }
cd "$dir" && cmake -E tar xf "$zip" && cd "corvelin-$version-win-x64"
same() { for f in "${@:2}"; do cmp "$f" "$1/$f"; done; }  # the shipped files are those under $1
same "$build" bin/corvelin_x64.dll lib/libcorvelin_x64.dll.a lib/corvelin_x64.lib
same "$source" include/corvelin.h include/corvelin.hpp LICENSE docs/reference.md share/lnav/formats/corvelin/corvelin.json
cmp lib/corvelin_x64.def "$source/src/corvelin_x64.def"
cmp README.md "$source/docs/archive-README.md"
diff -r --exclude=target --exclude=Cargo.lock "$source/bindings/rust" bindings/rust
