#!/usr/bin/env bash
# Installs the build into a fresh prefix and builds two hosts against it,
# one found by find_package(corvelin), one by pkg-config; each runs under
# Wine and its log is checked.
#   run.sh <build-dir> <work-dir> <version> <mingw-gcc>
set -euo pipefail
build=$1
work=$2
version=$3
cc=$4
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
export CORVELIN_WINE_ROOT=$build
wine_run=$source_dir/cmake/wine-run.sh
rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix"

echo "== find_package(corvelin)"
# A cross build finds Windows packages under its find roots: the consumer's
# toolchain is ours with the unpacked package added to them.
cat >"$work/toolchain.cmake" <<TOOLCHAIN
include("$source_dir/cmake/mingw-w64-x86_64.cmake")
list(APPEND CMAKE_FIND_ROOT_PATH "$prefix")
TOOLCHAIN
cmake -S "$here" -B "$work/cmake-build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCORVELIN_EXPECTED_VERSION="$version"
cmake --build "$work/cmake-build"
"$here/../run_host.sh" "$work/cmake-run" pkg-logs pkg_ "$here/expected.log" \
  "$wine_run" "$work/cmake-build/package_consumer.exe"

echo "== pkg-config corvelin"
flags=$(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config --cflags --libs corvelin)
mkdir -p "$work/pc-build"
# shellcheck disable=SC2086 # the flags are words
"$cc" "$here/main.c" -o "$work/pc-build/pc_consumer.exe" $flags
cp "$prefix/bin/corvelin_x64.dll" "$work/pc-build/"
"$here/../run_host.sh" "$work/pc-run" pkg-logs pkg_ "$here/expected.log" \
  "$wine_run" "$work/pc-build/pc_consumer.exe"
