#!/usr/bin/env bash
# Builds the Rust crates offline with Debian's toolchain for
# x86_64-pc-windows-gnu, runs their tests under Wine, then runs the example
# and checks the log it wrote.
#   run.sh <build-dir> <work-dir> <version>
set -euo pipefail
build=$1
work=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
crates=$source_dir/bindings/rust

# The crates carry the library's version.
for manifest in "$crates"/corvelin-sys/Cargo.toml "$crates"/corvelin/Cargo.toml; do
  crate_version=$(sed -n 's/^version = "\(.*\)"$/\1/p' "$manifest")
  if [ "$crate_version" != "$version" ]; then
    echo "$manifest has version $crate_version, the library $version"
    exit 1
  fi
done

# Debian's rustc and cargo, whatever else comes first on PATH.
export RUSTC=/usr/bin/rustc
# A panic message is enough: printing a backtrace crashes under Wine.
export RUST_BACKTRACE=0
cargo=/usr/bin/cargo
export CARGO_TARGET_DIR=$work/target
export CORVELIN_LIB_DIR=$build/lib
export CORVELIN_WINE_ROOT=$build
export CARGO_TARGET_X86_64_PC_WINDOWS_GNU_RUNNER=$source_dir/cmake/wine-run.sh
# Wine looks for corvelin_x64.dll on WINEPATH too (Z: is the Unix root).
export WINEPATH="Z:${build//\//\\}\\bin"

cd "$crates" # cargo reads .cargo/config.toml from here
"$cargo" test --offline --locked
"$cargo" build --offline --locked --example hello
"$here/../run_host.sh" "$work/example-run" rust-logs rust_ "$here/expected.log" \
  "$source_dir/cmake/wine-run.sh" "$CARGO_TARGET_DIR/x86_64-pc-windows-gnu/debug/examples/hello.exe"
