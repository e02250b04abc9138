// One session through the safe interface, against the real DLL: one process
// has one session, so this is one test.
use std::fs;
use std::path::Path;

use corvelin::{Error, LineEnd, Session, Settings};

fn the_one_log(dir: &Path) -> (String, Vec<u8>) {
    let entries: Vec<_> = fs::read_dir(dir).unwrap().map(|e| e.unwrap().path()).collect();
    assert_eq!(entries.len(), 1, "files in {:?}: {:?}", dir, entries);
    let name = entries[0].file_name().unwrap().to_str().unwrap().to_owned();
    (name, fs::read(&entries[0]).unwrap())
}

#[test]
fn a_session_from_start_to_end() {
    let dir = std::env::temp_dir().join(format!("corvelin-rust-{}", std::process::id()));
    let _ = fs::remove_dir_all(&dir);
    let dir_text = dir.to_str().unwrap().to_owned();
    let settings =
        Settings { write_flg: 0, line_end: LineEnd::Lf, output_level: 3, bom: false, ..Settings::new(&dir_text, "t_") };

    // Refused before the library sees it.
    assert_eq!(
        Session::start(&Settings { prefix: "t\0_", ..settings.clone() }).unwrap_err(),
        Error::InteriorNul { position: 1 }
    );

    // The library's reason, with the system's text.
    let missing = Settings { dir: "C:\\no\\such\\dir", ..settings.clone() };
    let refused = Session::start(&missing).unwrap_err();
    assert_eq!(refused, Error::NotStarted { code: 3 });
    assert!(refused.to_string().starts_with("the logging session was not started: ") && refused.to_string().ends_with("(os error 3)"));
    assert_eq!(Session::from_profile("C:\\no such.ini").unwrap_err(), Error::NotStarted { code: 2 });

    let log = Session::start(&settings).expect("the session starts");
    assert_eq!(Session::start(&settings).unwrap_err(), Error::NotStarted { code: 1247 }, "one session per process");
    log.warning("admitted").unwrap();
    log.info("INFO is above output level 3").unwrap();
    assert_eq!(log.error("zero\0byte").unwrap_err(), Error::InteriorNul { position: 4 });
    assert_eq!(log.dump_raw(b"ab", "label\0").unwrap_err(), Error::InteriorNul { position: 5 });
    log.put_hex(&[0x00, 0x41, 0xfe], false, 10).unwrap();
    drop(log);
    assert_eq!(Session::start(&settings).unwrap_err(), Error::NotStarted { code: 1247 }, "an ended session stays ended");

    let (name, bytes) = the_one_log(&dir);
    assert!(name.starts_with("t_") && name.ends_with(".log") && name.len() == "t_YYYYMMDD.log".len(), "{}", name);
    let expected = format!(
        "--- [t_] start Log={{{}\\{}}} ---\n[admitted]\n\n00 41 fe \n--- [t_] end Log ---\n\n\n",
        dir_text, name
    );
    assert_eq!(String::from_utf8_lossy(&bytes), expected);
    fs::remove_dir_all(&dir).unwrap();
}
