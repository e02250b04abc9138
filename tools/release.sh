#!/usr/bin/env bash
# Builds the release archive build/release/corvelin-<version>-win-x64.zip
# (it unpacks to corvelin/), and only what it holds: the DLL, both import
# libraries, the export definition, the headers, the CMake package and
# pkg-config files, the MinGW-w64 toolchain file, the lnav format, the Rust
# crates, the archive's README, LICENSE and the reference. No tests, demo or
# benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
