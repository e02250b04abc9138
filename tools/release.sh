#!/usr/bin/env bash
# Builds the release archive build/windows/corvelin-<version>-win-x64.zip:
# the DLL, both import libraries, the export definition, the header, the
# CMake package and pkg-config files, README, LICENSE and the reference.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package
