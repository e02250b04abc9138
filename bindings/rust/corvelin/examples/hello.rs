// Starts a session in .\rust-logs, writes records, dumps and bit tables, and ends the
// session when the guard goes out of scope.
use corvelin::{Error, LineEnd, Session, Settings};

fn main() -> Result<(), Error> {
    let settings = Settings {
        write_flg: 0, // no time prefix
        line_end: LineEnd::Lf,
        output_level: 4, // everything but DEBUG
        bom: false,
        ..Settings::new(".\\rust-logs", "rust_")
    };
    {
        let log = Session::start(&settings)?;
        log.log("hello from Rust")?;
        log.debug("not written: DEBUG is above the output level")?;
        log.info("UTF-8 passes through: Grüße, 日本語, 🦀")?;
        log.put("a text broken into lines of ten bytes or a little more", true, 10)?;
        log.put_hex(b"\x00\x01rust\xff", true, 10)?;
        log.dump_utf8("crab: 🦀", "a text")?;
        log.bits_u16(0x3042, "あ")?;
        log.bits_char('é', "x")?;
        log.reset_last_error();
        assert_eq!(log.last_error(), 0);
    }
    println!("log written to .\\rust-logs");
    Ok(())
}
