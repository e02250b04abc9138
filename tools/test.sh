#!/usr/bin/env bash
# Builds both presets and runs every test: the native unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# (corvelin_x64.dll, cross-compiled unit tests, DLL and consumer tests) under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --workflow --preset native
cmake --workflow --preset windows
echo "all tests passed"
