//! Raw declarations of the 23 functions of `corvelin_x64.dll`.
//!
//! Strings are zero-terminated UTF-8; truth values are one byte (`u8`, 1 or
//! 0), never `bool`, so that no value the library returns can be invalid on
//! the Rust side. The safe interface is the `corvelin` crate.
#![allow(non_snake_case)]

pub use std::os::raw::{c_char, c_void};

extern "system" {
    // Session
    pub fn logInit(
        dirPath: *const c_char,
        prefix: *const c_char,
        writeFlg: i32,
        crLfOption: i32,
        outputLevel: i32,
        sleepSwitch: i32,
        bomSetFlg: i32,
    ) -> u8;
    pub fn logInitProfile(profilePath: *const c_char) -> u8;
    pub fn logTerm();

    // Records
    pub fn _log(text: *const c_char);
    pub fn logDebug(text: *const c_char);
    pub fn logInfo(text: *const c_char);
    pub fn logWarning(text: *const c_char);
    pub fn logError(text: *const c_char);
    pub fn logCritical(text: *const c_char);

    // Dumps
    pub fn logPut(text: *const c_char, len: i32, startEndFlg: u8, newLineCnt: i32);
    pub fn logPutHex(data: *const c_void, len: i32, startEndFlg: u8, newLineCnt: i32);
    pub fn logDumpRaw(data: *const c_void, size: i32, prefix: *const c_char);
    pub fn logDumpUTF8(text: *const c_char, size: i32, prefix: *const c_char);

    // Bit tables
    pub fn makeBitStringUSHORT16(value: u16, label: *const c_char);
    pub fn makeBitStringUINT32(value: u32, label: *const c_char);
    pub fn makeBitStringUnicodeScalarValue(scalar: u32, label: *const c_char);

    // Win32 errors
    pub fn w32ResetErrCode();
    pub fn getLastErr() -> u32;
    pub fn w32ErrLog(text: *const c_char, line: i32);

    // Message boxes
    pub fn msgBox(text: *const c_char, title: *const c_char);
    pub fn msgBoxOkCancel(text: *const c_char, title: *const c_char) -> i32;

    // Profiling
    pub fn profileTimeStart(prefix: *const c_char);
    pub fn profileTimeStop();
}
