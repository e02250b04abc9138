#!/usr/bin/env bash
# Builds the Rust crates offline with Debian's toolchain for x86_64-pc-windows-gnu, runs their tests under
# Wine, then runs the example and checks the log it wrote.
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
cd "$crates" # cargo reads .cargo/config.toml from here
/usr/bin/cargo test --offline --locked
/usr/bin/cargo build --offline --locked --example hello
"$here/../run_host.sh" "$work/example-run" rust-logs rust_ "$here/expected.log" \
  "$CARGO_TARGET_X86_64_PC_WINDOWS_GNU_RUNNER" "$CARGO_TARGET_DIR/x86_64-pc-windows-gnu/debug/examples/hello.exe"
