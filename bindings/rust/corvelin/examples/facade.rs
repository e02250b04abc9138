// Logs through the `log` macros only: corvelin::init! starts the session in .\facade-logs and installs the
// backend, and the guard ends the session. Output level 4: debug! and trace! leave nothing.
use corvelin::{LineEnd, Settings};

mod net {
    pub fn reset() {
        log::warn!("connection reset"); // another module: its target is written
    }
}

fn main() -> Result<(), corvelin::Error> {
    let settings = Settings {
        write_flg: 65536, // date, time with milliseconds, level
        line_end: LineEnd::Lf,
        output_level: 4,
        bom: false,
        ..Settings::new(".\\facade-logs", "facade_")
    };
    let _log = corvelin::init!(&settings)?;
    log::error!("{} of {} disks failed", 1, 2);
    log::warn!("low on memory");
    log::info!("UTF-8 as it is: Grüße, 日本語");
    log::debug!("not written: DEBUG is above output level 4");
    log::trace!("not written either");
    net::reset();
    log::info!(target: "audit", "a zero byte \0 stays in the record");
    log::info!("{}", "x".repeat(9000)); // over the library's limit: its size report
    Ok(())
}
