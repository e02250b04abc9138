//! Safe Rust interface to `corvelin_x64.dll`.
//!
//! A process has one logging session. [`Session::start`] or
//! [`Session::from_profile`] opens it and hands back a guard; the guard's
//! methods write into the log, and dropping it ends the session (`logTerm`).
//! Once ended, a session cannot be started again in the same process.
//!
//! ```no_run
//! use corvelin::{Session, Settings};
//!
//! let log = Session::start(&Settings::new("C:\\logs", "app_"))?;
//! log.info("hello")?; // 2026-12-05 01:23:45:[hello]
//! # Ok::<(), corvelin::Error>(())
//! ```
//!
//! Texts go to the library as zero-terminated UTF-8: a text holding a zero
//! byte is refused with [`Error::InteriorNul`] before anything is written.
//! The library's own limits (8190 bytes for a record, 510 for a label, ...)
//! are checked by the library, which writes a size report into the log.
//!
//! With the feature `log` (on by default) the crate is a backend of the `log`
//! facade: [`init!`] or [`init_from_profile!`] starts the session and
//! installs the logger (see [`facade`]).
//!
//! ```no_run
//! let _log = corvelin::init!(&corvelin::Settings::new("C:\\logs", "app_"))?;
//! log::info!("hello"); // 2026-12-05 01:23:45:[hello]
//! # Ok::<(), corvelin::Error>(())
//! ```

use std::ffi::CString;
use std::fmt;

use corvelin_sys as sys;

#[cfg(feature = "log")]
pub mod facade;
#[cfg(feature = "log")]
pub use facade::LogGuard;

/// Starts the session from [`Settings`] (`logInit`), installs the `log`
/// backend and gives a [`LogGuard`]. Records whose target is the root module
/// of the calling crate carry no target. A second call is an error.
#[cfg(feature = "log")]
#[macro_export]
macro_rules! init {
    ($settings:expr) => {
        $crate::facade::install($settings, ::core::module_path!())
    };
}

/// Starts the session from a profile file (`logInitProfile`), installs the
/// `log` backend and gives a [`LogGuard`], as [`init!`] does.
#[cfg(feature = "log")]
#[macro_export]
macro_rules! init_from_profile {
    ($path:expr) => {
        $crate::facade::install_from_profile($path, ::core::module_path!())
    };
}

/// Why a call was refused.
#[derive(Debug, Clone, PartialEq, Eq)]
pub enum Error {
    /// The text holds a zero byte at this byte offset.
    InteriorNul { position: usize },
    /// A length the C interface cannot pass (it takes 32-bit lengths).
    TooLong { length: usize },
    /// The library did not start the session: one was already started or
    /// ended in this process (`code` 1247), an argument was over its limit
    /// (206), the profile file is missing (2), or the log file could not be
    /// opened (the system's error, for instance 3 or 5; the library shows
    /// it in a message box too). `code` is the Win32 last-error code the
    /// library left; [`std::io::Error::from_raw_os_error`] gives its text.
    NotStarted { code: u32 },
    /// Another backend of the `log` facade is installed; the session was not started.
    OtherLogger,
}

impl fmt::Display for Error {
    fn fmt(&self, f: &mut fmt::Formatter<'_>) -> fmt::Result {
        match self {
            Error::InteriorNul { position } => write!(f, "text holds a zero byte at offset {}", position),
            Error::TooLong { length } => write!(f, "{} bytes is more than a 32-bit length", length),
            Error::NotStarted { code } => write!(
                f,
                "the logging session was not started: {}",
                std::io::Error::from_raw_os_error(*code as i32)
            ),
            Error::OtherLogger => f.write_str("another logger is installed for the log crate"),
        }
    }
}

impl std::error::Error for Error {}

/// The line ending of every line the session writes (`CrLfOption`).
#[derive(Debug, Clone, Copy, PartialEq, Eq)]
pub enum LineEnd {
    CrLf = 0,
    Lf = 1,
    Cr = 2,
    None = 3,
}

/// The settings of [`Session::start`], the arguments of `logInit`.
#[derive(Debug, Clone)]
pub struct Settings<'a> {
    /// Folder of the log file `<dir>\<prefix>YYYYMMDD.log`; at most 510 bytes.
    pub dir: &'a str,
    /// Start of the file name; at most 260 bytes.
    pub prefix: &'a str,
    /// The time prefix of records (`WriteFlg`), for instance 8192 for
    /// `2026-12-05 01:23:45:` or 0 for none.
    pub write_flg: i32,
    pub line_end: LineEnd,
    /// 5 admits every level function, 1 only `critical`, 0 none (`log` always writes).
    pub output_level: i32,
    /// Opens the file, writes the sleep banner and nothing else.
    pub sleep: bool,
    /// A new file begins with the UTF-8 byte-order mark.
    pub bom: bool,
}

impl<'a> Settings<'a> {
    /// Date and time before every record, CR LF, every level, a byte-order mark.
    pub fn new(dir: &'a str, prefix: &'a str) -> Self {
        Settings { dir, prefix, write_flg: 8192, line_end: LineEnd::CrLf, output_level: 5, sleep: false, bom: true }
    }
}

/// What the user chose in [`Session::confirm`].
#[derive(Debug, Clone, Copy, PartialEq, Eq)]
pub enum Choice {
    Ok,
    Cancel,
    /// No box was shown.
    NotShown,
}

/// The process's logging session; dropping it ends the session.
#[derive(Debug)]
pub struct Session {
    _private: (),
}

fn c_text(text: &str) -> Result<CString, Error> {
    CString::new(text).map_err(|e| Error::InteriorNul { position: e.nul_position() })
}

/// A start call's result: the session, or the reason the library left as the thread's last error.
fn started_or_why(started: u8) -> Result<Session, Error> {
    match started {
        1 => Ok(Session { _private: () }),
        _ => Err(Error::NotStarted { code: std::io::Error::last_os_error().raw_os_error().unwrap_or(0) as u32 }),
    }
}

fn c_len(length: usize) -> Result<i32, Error> {
    i32::try_from(length).map_err(|_| Error::TooLong { length })
}

impl Session {
    /// Starts the session from arguments (`logInit`).
    pub fn start(settings: &Settings<'_>) -> Result<Session, Error> {
        let dir = c_text(settings.dir)?;
        let prefix = c_text(settings.prefix)?;
        let started = unsafe {
            sys::logInit(
                dir.as_ptr(),
                prefix.as_ptr(),
                settings.write_flg,
                settings.line_end as i32,
                settings.output_level,
                i32::from(settings.sleep),
                i32::from(settings.bom),
            )
        };
        started_or_why(started)
    }

    /// Starts the session from the `[Halvix]` section of a profile file
    /// (`logInitProfile`). There `LogEventLogLevel` (1 critical only, ...
    /// 5 down to debug) and `LogEventSource` also report records as events
    /// of the Windows Event Log (see the reference).
    /// With `LogSyslogServer` (`udp://host:port` or
    /// `tcp://host:port`) the library also sends each record to a syslog
    /// collector as an RFC 5424 message, from a thread of its own;
    /// `LogSyslogLevel` (default 4), `LogSyslogFacility` (1),
    /// `LogSyslogAppName` (the executable's name) and `LogSyslogQueueKBytes`
    /// (1024) tune it. The reference's syslog section has the details.
    pub fn from_profile(path: &str) -> Result<Session, Error> {
        let path = c_text(path)?;
        started_or_why(unsafe { sys::logInitProfile(path.as_ptr()) })
    }

    /// A record at every output level (`_log`).
    pub fn log(&self, text: &str) -> Result<(), Error> {
        record(sys::_log, text)
    }
    /// A record when the output level is 5 or more.
    pub fn debug(&self, text: &str) -> Result<(), Error> {
        record(sys::logDebug, text)
    }
    /// A record when the output level is 4 or more.
    pub fn info(&self, text: &str) -> Result<(), Error> {
        record(sys::logInfo, text)
    }
    /// A record when the output level is 3 or more.
    pub fn warning(&self, text: &str) -> Result<(), Error> {
        record(sys::logWarning, text)
    }
    /// A record when the output level is 2 or more.
    pub fn error(&self, text: &str) -> Result<(), Error> {
        record(sys::logError, text)
    }
    /// A record when the output level is 1 or more.
    pub fn critical(&self, text: &str) -> Result<(), Error> {
        record(sys::logCritical, text)
    }

    /// The text unchanged, broken after the character that reaches
    /// `per_line` bytes (10 to 80); `framed` adds start and end lines (`logPut`).
    pub fn put(&self, text: &str, framed: bool, per_line: i32) -> Result<(), Error> {
        let len = c_len(text.len())?;
        let text = c_text(text)?;
        unsafe { sys::logPut(text.as_ptr(), len, u8::from(framed), per_line) };
        Ok(())
    }

    /// The bytes as lower-case hex, `per_line` (10 to 80) to a line (`logPutHex`).
    pub fn put_hex(&self, data: &[u8], framed: bool, per_line: i32) -> Result<(), Error> {
        let len = c_len(data.len())?;
        unsafe { sys::logPutHex(data.as_ptr().cast(), len, u8::from(framed), per_line) };
        Ok(())
    }

    /// A 16-bytes-per-row table of the bytes, labelled (`logDumpRaw`).
    pub fn dump_raw(&self, data: &[u8], label: &str) -> Result<(), Error> {
        let size = c_len(data.len())?;
        let label = c_text(label)?;
        unsafe { sys::logDumpRaw(data.as_ptr().cast(), size, label.as_ptr()) };
        Ok(())
    }

    /// The same table for a text, its characters shown in the last column (`logDumpUTF8`).
    pub fn dump_utf8(&self, text: &str, label: &str) -> Result<(), Error> {
        let size = c_len(text.len())?;
        let text = c_text(text)?;
        let label = c_text(label)?;
        unsafe { sys::logDumpUTF8(text.as_ptr(), size, label.as_ptr()) };
        Ok(())
    }

    /// The bit table of a 16-bit value (`makeBitStringUSHORT16`).
    pub fn bits_u16(&self, value: u16, label: &str) -> Result<(), Error> {
        let label = c_text(label)?;
        unsafe { sys::makeBitStringUSHORT16(value, label.as_ptr()) };
        Ok(())
    }

    /// The bit table of a 32-bit value (`makeBitStringUINT32`).
    pub fn bits_u32(&self, value: u32, label: &str) -> Result<(), Error> {
        let label = c_text(label)?;
        unsafe { sys::makeBitStringUINT32(value, label.as_ptr()) };
        Ok(())
    }

    /// The bit table of a character and its UTF-8 form (`makeBitStringUnicodeScalarValue`).
    pub fn bits_char(&self, c: char, label: &str) -> Result<(), Error> {
        let label = c_text(label)?;
        unsafe { sys::makeBitStringUnicodeScalarValue(u32::from(c), label.as_ptr()) };
        Ok(())
    }

    /// Clears the calling thread's Win32 last-error code (`w32ResetErrCode`).
    pub fn reset_last_error(&self) {
        unsafe { sys::w32ResetErrCode() }
    }

    /// The calling thread's Win32 last-error code (`getLastErr`).
    pub fn last_error(&self) -> u32 {
        unsafe { sys::getLastErr() }
    }

    /// An INFO line describing the calling thread's Win32 last-error code,
    /// introduced by `text` and `line` (`w32ErrLog`).
    pub fn log_last_error(&self, text: &str, line: i32) -> Result<(), Error> {
        let text = c_text(text)?;
        unsafe { sys::w32ErrLog(text.as_ptr(), line) };
        Ok(())
    }

    /// A message box with an OK button (`msgBox`).
    pub fn message_box(&self, text: &str, title: &str) -> Result<(), Error> {
        let text = c_text(text)?;
        let title = c_text(title)?;
        unsafe { sys::msgBox(text.as_ptr(), title.as_ptr()) };
        Ok(())
    }

    /// A message box with OK and Cancel buttons (`msgBoxOkCancel`).
    pub fn confirm(&self, text: &str, title: &str) -> Result<Choice, Error> {
        let text = c_text(text)?;
        let title = c_text(title)?;
        Ok(match unsafe { sys::msgBoxOkCancel(text.as_ptr(), title.as_ptr()) } {
            1 => Choice::Ok,
            2 => Choice::Cancel,
            _ => Choice::NotShown,
        })
    }

    /// Starts the one elapsed-time measurement (`profileTimeStart`).
    pub fn profile_start(&self, prefix: &str) -> Result<(), Error> {
        let prefix = c_text(prefix)?;
        unsafe { sys::profileTimeStart(prefix.as_ptr()) };
        Ok(())
    }

    /// Writes the seconds since the last start as an INFO line (`profileTimeStop`).
    pub fn profile_stop(&self) {
        unsafe { sys::profileTimeStop() }
    }
}

impl Drop for Session {
    fn drop(&mut self) {
        unsafe { sys::logTerm() }
    }
}

fn record(write: unsafe extern "system" fn(*const sys::c_char), text: &str) -> Result<(), Error> {
    let text = c_text(text)?;
    unsafe { write(text.as_ptr()) };
    Ok(())
}
