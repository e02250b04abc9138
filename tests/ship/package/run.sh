#!/usr/bin/env bash
# The release ZIP, made from the build as the package target makes it: its listing is release/contents.txt, its
# files are the ones built and written, and consumer.c builds against it unpacked, with find_package for
# MinGW-w64 and for the MSVC ABI and with pkg-config. Each host runs under Wine and its log is checked.
#   run.sh <build-dir> <work-dir> <version> <mingw-gcc>
set -euo pipefail
build=$1 work=$2 version=$3 cc=$4
here=$(cd "$(dirname "$0")" && pwd) source=$(cd "$(dirname "$0")/../../.." && pwd)
export CORVELIN_WINE_ROOT=$build
rm -rf "$work" && mkdir -p "$work"
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.out"
zip=$work/corvelin-$version-win-x64.zip
diff <(sed "s/@VERSION@/$version/g" "$here/../release/contents.txt" | LC_ALL=C sort) <(cmake -E tar tf "$zip" | LC_ALL=C sort) ||
  { echo "the archive's listing (>) differs from contents.txt (<)"; exit 1; }
prefix=$work/corvelin-$version-win-x64
cd "$work" && cmake -E tar xf "$zip" && cd "$prefix"
same() { for f in "${@:2}"; do cmp "$f" "$1/$f"; done; }  # the shipped files are those under $1
same "$build" bin/corvelin_x64.dll lib/libcorvelin_x64.dll.a lib/corvelin_x64.lib
same "$source" include/corvelin.h include/corvelin.hpp README.md LICENSE docs/reference.md share/lnav/formats/corvelin/corvelin.json
cmp lib/corvelin_x64.def "$source/src/corvelin_x64.def"

run() { "$here/../run_host.sh" "$work/$1-run" ship-logs ship_ "$here/../expected.log" "$source/cmake/wine-run.sh" "$2"; }
for toolchain in mingw:"$source/cmake/mingw-w64-x86_64.cmake" msvc:"$here/clang-msvc.cmake"; do
  name=${toolchain%%:*}
  # A cross build looks for packages under its find roots: add the archive to them.
  printf 'include("%s")\nlist(APPEND CMAKE_FIND_ROOT_PATH "%s")\n' "${toolchain#*:}" "$prefix" >"$work/$name.cmake"
  cmake -S "$here" -B "$work/$name" -DCMAKE_TOOLCHAIN_FILE="$work/$name.cmake" -DCORVELIN_EXPECTED_VERSION="$version"
  cmake --build "$work/$name"
  run "$name" "$work/$name/package_consumer.exe"
done
mkdir "$work/pc" && cp "$prefix/bin/corvelin_x64.dll" "$work/pc/"
# shellcheck disable=SC2046 # the flags are words
"$cc" -Wall -Wextra -Wshadow -Werror "$here/../consumer.c" -o "$work/pc/pc_consumer.exe" \
  $(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config --cflags --libs corvelin)
run pc "$work/pc/pc_consumer.exe"
