#!/usr/bin/env bash
# consumer.c built against the unpacked release archive: with find_package, for MinGW-w64 and for the MSVC
# ABI, and with pkg-config, each with the line the archive's README gives. Each host runs under Wine and its
# log is checked.
#   run.sh <build-dir> <archive-dir> <work-dir> <version>
set -euo pipefail
export CORVELIN_WINE_ROOT=$1
prefix=$2 work=$3
export CORVELIN_EXPECTED_VERSION=$4
here=$(cd "$(dirname "$0")" && pwd) source=$(cd "$(dirname "$0")/../../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
run() { "$here/../run_host.sh" "$work/$1-run" ship-logs ship_ "$here/../expected.log" "$source/cmake/wine-run.sh" "$2"; }
for toolchain in mingw:"$source/cmake/mingw-w64-x86_64.cmake" msvc:"$here/clang-msvc.cmake"; do
  name=${toolchain%%:*}
  cmake -S "$here" -B "$work/$name" -DCMAKE_TOOLCHAIN_FILE="${toolchain#*:}" -Dcorvelin_DIR="$prefix/lib/cmake/corvelin"
  cmake --build "$work/$name"
  run "$name" "$work/$name/package_consumer.exe"
done
mkdir "$work/pc" && cp "$prefix/bin/corvelin_x64.dll" "$work/pc/" && cd "$work/pc" && cp "$here/../consumer.c" app.c
ln -s "$prefix" corvelin
# shellcheck disable=SC2046 # the flags are words
x86_64-w64-mingw32-gcc app.c -o app.exe $(PKG_CONFIG_LIBDIR=corvelin/lib/pkgconfig pkg-config --cflags --libs corvelin)
run pc "$work/pc/app.exe"
