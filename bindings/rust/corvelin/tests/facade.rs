// The `log` backend started from a profile against the real DLL (one process, one session): the profile's
// output level sets log::max_level, Debug and Trace both write DEBUG records, a second start is an error,
// and the guard's drop ends the session and turns records off.
use std::fs;

use corvelin::{Error, Settings};
use log::LevelFilter;

fn masked(line: &str) -> String {
    let time = b"0000-00-00 00:00:00.000";
    let timed = line.len() > time.len() && line.bytes().zip(time).all(|(b, &t)| if t == b'0' { b.is_ascii_digit() } else { b == t });
    if timed { format!("@TIME@{}", &line[time.len()..]) } else { line.to_owned() }
}

#[test]
fn the_backend_from_a_profile() {
    let dir = std::env::temp_dir().join(format!("corvelin-facade-{}", std::process::id()));
    let _ = fs::remove_dir_all(&dir);
    fs::create_dir(&dir).unwrap();
    let dir_text = dir.to_str().unwrap().to_owned();
    let profile = format!("{}\\app.ini", dir_text);
    let keys = "WriteFlg=65536\nCrLfOption=1\nLogOutPutLevel=5\n";
    fs::write(&profile, format!("[Halvix]\nLogFileNamePrefix=f_\nLogWritePathDir={}\n{}", dir_text, keys)).unwrap();

    assert_eq!(log::max_level(), LevelFilter::Off);
    let guard = corvelin::init_from_profile!(&profile).expect("the session starts");
    assert_eq!(log::max_level(), LevelFilter::Trace);
    assert_eq!(corvelin::init_from_profile!(&profile).unwrap_err(), Error::NotStarted { code: 1247 });
    log::debug!("debug");
    log::trace!("trace");
    guard.critical("critical, through the guard").unwrap();
    drop(guard);
    assert_eq!(log::max_level(), LevelFilter::Off);
    log::error!("after the end");
    assert_eq!(corvelin::init!(&Settings::new(&dir_text, "f_")).unwrap_err(), Error::NotStarted { code: 1247 });

    let log = fs::read_dir(&dir).unwrap().map(|e| e.unwrap().path()).find(|p| p.extension().unwrap() == "log").unwrap();
    let text = fs::read_to_string(&log).unwrap();
    let expected = format!(
        "--- [f_] start Log={{{}}} ---\n@TIME@ DEBUG:[debug]\n@TIME@ DEBUG:[trace]\n\
         @TIME@ CRITICAL:[critical, through the guard]\n--- [f_] end Log ---\n\n\n",
        log.to_str().unwrap()
    );
    assert_eq!(text.split_inclusive('\n').map(masked).collect::<String>(), expected);
    fs::remove_dir_all(&dir).unwrap();
}
