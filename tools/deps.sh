#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing
# corvelin. Does nothing when everything is there already.
set -euo pipefail
# clang-16 with libc++ 16: the first <format> here, for corvelin.hpp's std::format records.
# librust-log-dev: the log crate, which the Rust binding builds against offline. lnav: the test of the lnav format.
# rsyslog: the collector that the syslog test and the benchmark start for themselves, on loopback ports of their own.
packages=(cmake make g++ clang lld llvm libclang-rt-14-dev googletest g++-mingw-w64-x86-64 wine64 libspdlog-dev libfmt-dev
          pkgconf rustc cargo libstd-rust-dev-windows clang-16 libc++-16-dev libc++abi-16-dev libclang-rt-16-dev
          librust-log-dev lnav rsyslog)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
