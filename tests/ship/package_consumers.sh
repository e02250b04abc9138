#!/usr/bin/env bash
# consumer.c built against the unpacked release archive with the lines its README gives: with find_package, for
# MinGW-w64 (through the archive's toolchain file) and for the MSVC ABI, and with pkg-config.
source "$(dirname "$0")/ship.sh"
rm -rf "$work" && mkdir -p "$work"
for toolchain in mingw:"$archive/cmake/mingw-w64-x86_64.cmake" msvc:"$ship/package/clang-msvc.cmake"; do
  name=${toolchain%%:*}
  cmake -S "$ship/package" -B "$work/$name" -DCMAKE_TOOLCHAIN_FILE="${toolchain#*:}" \
    -Dcorvelin_DIR="$archive/lib/cmake/corvelin" -DCORVELIN_EXPECTED_VERSION="$version"
  cmake --build "$work/$name"
  "$ship/run_host.sh" "$work/$name-run" ship "$ship/expected.log" "$work/$name/package_consumer.exe"
done
mkdir "$work/pc" && cp "$archive/bin/corvelin_x64.dll" "$work/pc/" && cd "$work/pc" && cp "$ship/consumer.c" app.c
ln -s "$archive" corvelin
# shellcheck disable=SC2046 # the flags are words
x86_64-w64-mingw32-gcc app.c -o app.exe $(PKG_CONFIG_LIBDIR=corvelin/lib/pkgconfig pkg-config --cflags --libs corvelin)
"$ship/run_host.sh" "$work/pc-run" ship "$ship/expected.log" "$work/pc/app.exe"
