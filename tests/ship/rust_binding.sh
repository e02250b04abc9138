#!/usr/bin/env bash
# The Rust crates of the unpacked release archive, built with the commands of their README (Debian's cargo and
# rustc for x86_64-pc-windows-gnu, the log crate from Debian's registry): their tests, then their examples.
source "$(dirname "$0")/ship.sh"
cd "$archive/bindings/rust"
for crate in corvelin-sys corvelin; do  # the crates carry the library's version
  grep -qx "version = \"$version\"" "$crate/Cargo.toml" || { echo "$crate is not at version $version"; exit 1; }
done
# A panic message is enough: printing a backtrace crashes under Wine.
export RUST_BACKTRACE=0 CARGO_TARGET_DIR=$work/target CORVELIN_LIB_DIR=$archive/lib WINEPATH="Z:${archive//\//\\}\\bin"
export CARGO_TARGET_X86_64_PC_WINDOWS_GNU_RUNNER=$source/cmake/wine-run.sh
cargo() { RUSTC=/usr/bin/rustc /usr/bin/cargo "$@" --offline --config 'source.crates-io.replace-with="debian"' \
  --config 'source.debian.directory="/usr/share/cargo/registry"'; }
cargo test
cargo build -p corvelin --no-default-features # the crate without the log backend
cargo build --examples
run() { "$ship/run_host.sh" "$work/$1-run" "$2" "$ship/rust/$3" "$work/target/x86_64-pc-windows-gnu/debug/examples/$1.exe"; }
run hello rust expected.log
run facade facade expected_facade.log # the log backend alone, WriteFlg 65536
