// Links corvelin_x64 through its import library: libcorvelin_x64.dll.a for
// the GNU linker, corvelin_x64.lib for MSVC's. CORVELIN_LIB_DIR names the
// folder that holds it (lib/ of the release archive or of a build).
use std::env;
use std::path::PathBuf;

fn main() {
    println!("cargo:rerun-if-env-changed=CORVELIN_LIB_DIR");
    match env::var_os("CORVELIN_LIB_DIR") {
        Some(dir) => println!("cargo:rustc-link-search=native={}", PathBuf::from(dir).display()),
        None => println!("cargo:warning=CORVELIN_LIB_DIR is not set; the linker must find corvelin_x64 by itself"),
    }
    println!("cargo:rustc-link-lib=dylib=corvelin_x64");
}
