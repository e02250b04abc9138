#!/usr/bin/env bash
# The release ZIP, made from the build as the package target makes it: its listing is release/contents.txt and
# its files are the ones built and written. Leaves it unpacked for the tests that use it.
source "$(dirname "$0")/ship.sh"
rm -rf "$work" && mkdir -p "$work"
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.out"
zip=$work/corvelin-$version-win-x64.zip
diff <(sed "s/@VERSION@/$version/g" "$ship/release/contents.txt" | LC_ALL=C sort) \
  <(cmake -E tar tf "$zip" | LC_ALL=C sort) || { echo "the archive's listing (>) differs from contents.txt (<)"; exit 1; }
cd "$work" && cmake -E tar xf "$zip" && cd "$archive"
same() { for f in "${@:2}"; do cmp "$f" "$1/$f"; done; }  # the shipped files are those under $1
same "$build" bin/corvelin_x64.dll lib/libcorvelin_x64.dll.a lib/corvelin_x64.lib
same "$source" include/corvelin.h include/corvelin.hpp LICENSE docs/reference.md share/lnav/formats/corvelin/corvelin.json \
  cmake/mingw-w64-x86_64.cmake
cmp lib/corvelin_x64.def "$source/src/corvelin_x64.def"
cmp README.md "$source/docs/archive-README.md"
diff -r --exclude=target --exclude=Cargo.lock "$source/bindings/rust" bindings/rust
