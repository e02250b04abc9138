//! The backend of the `log` facade: [`init!`](crate::init) and
//! [`init_from_profile!`](crate::init_from_profile) start the session and
//! install the logger; `log`'s macros then write records.
//!
//! | `log` level | function | written when `LogOutPutLevel` is |
//! |---|---|---|
//! | `Error` | `logError` | 2 or more |
//! | `Warn` | `logWarning` | 3 or more |
//! | `Info` | `logInfo` | 4 or more |
//! | `Debug`, `Trace` | `logDebug` | 5 or more |
//!
//! `log` has no level above `Error`, so output level 1 (only CRITICAL)
//! admits no `log` record; write critical records with
//! [`Session::critical`] through the guard. `log::max_level()` follows the
//! session's output level (`Off` while it sleeps and after it ends), so a
//! filtered record is not formatted.

use std::fmt::{self, Write as _};
use std::ops::Deref;
use std::sync::atomic::{AtomicUsize, Ordering};
use std::sync::Mutex;

use log::{Level, LevelFilter, Log, Metadata, Record};

use crate::{sys, Error, Session, Settings};

/// The running session with the logger installed; dropping it ends the
/// session (`logTerm`) and turns `log`'s records off. It derefs to the
/// [`Session`] for what `log` has no macro for: critical records, dumps, bit tables.
#[derive(Debug)]
pub struct LogGuard {
    session: Session,
}

impl Deref for LogGuard {
    type Target = Session;
    fn deref(&self) -> &Session {
        &self.session
    }
}

impl Drop for LogGuard {
    fn drop(&mut self) {
        set_filter(LevelFilter::Off); // before logTerm: nothing reaches an ended session
    }
}

struct Backend {
    /// The `LevelFilter` in force, as a number (0 Off .. 5 Trace).
    filter: AtomicUsize,
    /// The root module of the crate that installed the logger: its records carry no target.
    own: Mutex<&'static str>,
}

static BACKEND: Backend = Backend { filter: AtomicUsize::new(0), own: Mutex::new("") };

fn set_filter(filter: LevelFilter) {
    BACKEND.filter.store(filter as usize, Ordering::Relaxed);
    log::set_max_level(filter);
}

/// The `log` levels that the library writes at this `LogOutPutLevel`.
fn filter_for(output_level: i32, sleeping: bool) -> LevelFilter {
    match output_level {
        _ if sleeping => LevelFilter::Off,
        i32::MIN..=1 => LevelFilter::Off,
        2 => LevelFilter::Error,
        3 => LevelFilter::Warn,
        4 => LevelFilter::Info,
        _ => LevelFilter::Trace,
    }
}

/// Starts the session with `settings` (`logInit`) and installs the logger.
/// `caller_module` is the caller's `module_path!()`: records whose target is
/// that crate's root module carry no target. [`init!`](crate::init) passes it.
pub fn install(settings: &Settings<'_>, caller_module: &'static str) -> Result<LogGuard, Error> {
    let filter = filter_for(settings.output_level, settings.sleep);
    start(caller_module, || Ok((Session::start(settings)?, filter)))
}

/// Starts the session from a profile file (`logInitProfile`) and installs the
/// logger, with `LogOutPutLevel` and `LogSleepSwitch` read from the profile
/// as the library reads them. [`init_from_profile!`](crate::init_from_profile) passes `caller_module`.
pub fn install_from_profile(path: &str, caller_module: &'static str) -> Result<LogGuard, Error> {
    start(caller_module, || {
        let session = Session::from_profile(path)?;
        let read = |key: &str, default| profile_int(path, key, default);
        Ok((session, filter_for(read("LogOutPutLevel", 0), read("LogSleepSwitch", 0) == 1)))
    })
}

fn start(
    caller_module: &'static str,
    open: impl FnOnce() -> Result<(Session, LevelFilter), Error>,
) -> Result<LogGuard, Error> {
    // Installed once per process. Another backend stays where it is, and the session is not started.
    let ours = |logger: &dyn Log| std::ptr::eq(logger as *const dyn Log as *const u8, &BACKEND as *const _ as *const u8);
    if log::set_logger(&BACKEND).is_err() && !ours(log::logger()) {
        return Err(Error::OtherLogger);
    }
    let (session, filter) = open()?;
    *BACKEND.own.lock().unwrap_or_else(|e| e.into_inner()) = caller_module.split("::").next().unwrap_or("");
    set_filter(filter);
    Ok(LogGuard { session })
}

fn profile_int(path: &str, key: &str, default: i32) -> i32 {
    #[link(name = "kernel32")]
    extern "system" {
        fn GetPrivateProfileIntW(section: *const u16, key: *const u16, default: i32, path: *const u16) -> u32;
    }
    let wide = |s: &str| s.encode_utf16().chain(Some(0)).collect::<Vec<u16>>();
    let (section, key, path) = (wide("Halvix"), wide(key), wide(path));
    unsafe { GetPrivateProfileIntW(section.as_ptr(), key.as_ptr(), default, path.as_ptr()) as i32 }
}

/// The record's text, zero-terminated: a zero byte cannot end it early, so
/// each becomes U+2400 SYMBOL FOR NULL (E2 90 80).
struct Text(Vec<u8>);

impl fmt::Write for Text {
    fn write_str(&mut self, s: &str) -> fmt::Result {
        for (i, piece) in s.split('\0').enumerate() {
            if i > 0 {
                self.0.extend_from_slice("\u{2400}".as_bytes());
            }
            self.0.extend_from_slice(piece.as_bytes());
        }
        Ok(())
    }
}

impl Log for Backend {
    fn enabled(&self, metadata: &Metadata<'_>) -> bool {
        metadata.level() as usize <= self.filter.load(Ordering::Relaxed)
    }

    fn log(&self, record: &Record<'_>) {
        if !self.enabled(record.metadata()) {
            return;
        }
        let mut text = Text(Vec::with_capacity(128));
        if record.target() != *self.own.lock().unwrap_or_else(|e| e.into_inner()) {
            let _ = write!(text, "[{}] ", record.target());
        }
        if text.write_fmt(*record.args()).is_err() {
            let _ = text.write_str(" (a value failed to format)");
        }
        text.0.push(0);
        // The whole text goes to the library: one over its limit gets its size report.
        let write = match record.level() {
            Level::Error => sys::logError,
            Level::Warn => sys::logWarning,
            Level::Info => sys::logInfo,
            Level::Debug | Level::Trace => sys::logDebug,
        };
        unsafe { write(text.0.as_ptr().cast()) }
    }

    fn flush(&self) {} // every record is in the file when the call returns
}

#[cfg(test)]
mod tests {
    use super::*;

    #[test]
    fn the_output_level_admits_what_the_library_writes() {
        let cases = [(i32::MIN, false, LevelFilter::Off), (0, false, LevelFilter::Off), (1, false, LevelFilter::Off),
            (2, false, LevelFilter::Error), (3, false, LevelFilter::Warn), (4, false, LevelFilter::Info),
            (5, false, LevelFilter::Trace), (i32::MAX, false, LevelFilter::Trace), (5, true, LevelFilter::Off)];
        for (level, sleeping, want) in cases {
            assert_eq!(filter_for(level, sleeping), want, "output level {} sleeping {}", level, sleeping);
        }
    }

    #[test]
    fn a_filtered_record_is_not_formatted() {
        struct Spy;
        impl fmt::Display for Spy {
            fn fmt(&self, _: &mut fmt::Formatter<'_>) -> fmt::Result {
                panic!("formatted")
            }
        }
        let backend = Backend { filter: AtomicUsize::new(LevelFilter::Info as usize), own: Mutex::new("") };
        backend.log(&Record::builder().level(Level::Debug).args(format_args!("{}", Spy)).build());
        assert!(backend.enabled(&Metadata::builder().level(Level::Info).build()));
    }
}
