#!/usr/bin/env bash
# Builds the Rust crates offline with Debian's toolchain for x86_64-pc-windows-gnu, runs their tests under
# Wine, then runs the examples and checks the logs they wrote.
#   run.sh <build-dir> <work-dir> <version>
set -euo pipefail
build=$1 work=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd) crates=$(cd "$(dirname "$0")/../../../bindings/rust" && pwd)
for crate in "$crates"/corvelin{-sys,}; do  # the crates carry the library's version
  grep -qx "version = \"$version\"" "$crate/Cargo.toml" || { echo "$crate is not at version $version"; exit 1; }
done
# Debian's rustc and cargo, whatever else comes first on PATH. A panic message is enough: printing a
# backtrace crashes under Wine. Wine looks for corvelin_x64.dll on WINEPATH too (Z: is the Unix root).
export RUSTC=/usr/bin/rustc RUST_BACKTRACE=0 CARGO_TARGET_DIR=$work/target CORVELIN_LIB_DIR=$build/lib \
  CORVELIN_WINE_ROOT=$build CARGO_TARGET_X86_64_PC_WINDOWS_GNU_RUNNER=$here/../../../cmake/wine-run.sh \
  WINEPATH="Z:${build//\//\\}\\bin"
# The crates are built in a copy, where cargo writes the lock file of what it resolved: the log crate as
# Debian's librust-log-dev ships it (its registry has one version of each crate), taken for crates.io.
rm -rf "$work/crates" && mkdir -p "$work/crates" && cp -R "$crates"/{Cargo.toml,.cargo,corvelin,corvelin-sys} "$work/crates"
cd "$work/crates" # cargo reads .cargo/config.toml from here
cargo() { /usr/bin/cargo "$@" --offline --config 'source.crates-io.replace-with="debian"' \
  --config 'source.debian.directory="/usr/share/cargo/registry"'; }
cargo test
cargo build -p corvelin --no-default-features # the crate without the log backend
cargo build --examples
run() { "$here/../run_host.sh" "$work/$1-run" "$2-logs" "${2}_" "$here/$3" "$CARGO_TARGET_X86_64_PC_WINDOWS_GNU_RUNNER" \
  "$CARGO_TARGET_DIR/x86_64-pc-windows-gnu/debug/examples/$1.exe"; }
run hello rust expected.log
run facade facade expected_facade.log # the log backend alone, WriteFlg 65536
