#!/usr/bin/env bash
# Installs the build into a fresh prefix and builds hosts against it: with
# find_package(corvelin) for MinGW-w64 and for an MSVC-ABI compiler, and
# with pkg-config. Each runs under Wine and its log is checked.
#   run.sh <build-dir> <work-dir> <version> <mingw-gcc> <pkg-config>
set -euo pipefail
build=$1
work=$2
version=$3
cc=$4
pkg_config=$5
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
export CORVELIN_WINE_ROOT=$build
wine_run=$source_dir/cmake/wine-run.sh
rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix"

# <name> <toolchain> <log prefix> <expected log>
cmake_consumer() {
  echo "== find_package(corvelin), $1"
  # A cross build finds Windows packages under its find roots: the
  # consumer's toolchain is the given one with the package added to them.
  cat >"$work/$1.cmake" <<TOOLCHAIN
include("$2")
list(APPEND CMAKE_FIND_ROOT_PATH "$prefix")
TOOLCHAIN
  cmake -S "$here" -B "$work/$1-build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$work/$1.cmake" -DCORVELIN_EXPECTED_VERSION="$version"
  cmake --build "$work/$1-build"
  "$here/../run_host.sh" "$work/$1-run" "${3%_}-logs" "$3" "$4" \
    "$wine_run" "$work/$1-build/package_consumer.exe"
}
cmake_consumer mingw "$source_dir/cmake/mingw-w64-x86_64.cmake" pkg_ "$here/expected.log"
cmake_consumer msvc "$here/clang-msvc.cmake" msvc_ "$here/../msvc/expected.log"

echo "== pkg-config corvelin"
flags=$(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" "$pkg_config" --cflags --libs corvelin)
mkdir -p "$work/pc-build"
# shellcheck disable=SC2086 # the flags are words
"$cc" -Wall -Wextra -Wshadow -Werror "$here/main.c" -o "$work/pc-build/pc_consumer.exe" $flags
cp "$prefix/bin/corvelin_x64.dll" "$work/pc-build/"
"$here/../run_host.sh" "$work/pc-run" pkg-logs pkg_ "$here/expected.log" \
  "$wine_run" "$work/pc-build/pc_consumer.exe"
