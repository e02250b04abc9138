// Another backend of the `log` facade keeps its place: init! is an error and leaves the session unstarted.
struct Other;
impl log::Log for Other {
    fn enabled(&self, _: &log::Metadata<'_>) -> bool {
        false
    }
    fn log(&self, _: &log::Record<'_>) {}
    fn flush(&self) {}
}

#[test]
fn another_backend_keeps_its_place() {
    log::set_logger(&Other).unwrap();
    let dir = std::env::temp_dir().join(format!("corvelin-other-{}", std::process::id()));
    let settings = corvelin::Settings::new(dir.to_str().unwrap(), "o_");
    assert_eq!(corvelin::init!(&settings).unwrap_err(), corvelin::Error::OtherLogger);
    drop(corvelin::Session::start(&settings).expect("the session was left to start"));
    std::fs::remove_dir_all(&dir).unwrap();
}
