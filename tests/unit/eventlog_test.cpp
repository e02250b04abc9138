// The Event Log forwarder: events per LogEventLogLevel, source names, failed starts, failures said once a session.
#include <corvelin.h>

#include "forward/eventlog.h"
#include "forward/forward.h"
#include "harness.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

void profile(std::map<std::u16string, std::u16string> keys) {
  keys.emplace(u"LogWritePathDir", u"C:\\logs"), keys.emplace(u"LogFileNamePrefix", u"app_");
  world().profiles[u"C:\\e.ini"] = (keys.emplace(u"LogOutPutLevel", u"5"), keys);
}
void everyKind() {
  _log("_log"), logDebug("debug"), logInfo("info"), logWarning("warning"), logError("error 日本語 😀");
  logCritical("a\xFF" "b\xC0\xAF\xE0\x80\x80 \xED\xA0\x80 \xF4\x90\x80\x80\xF4\x8F\xBF\xBF \xF0\x8F\xBF\xBF\xF5\x80\xE0\xA0\x80\xF0\x90\x80\x80 \xF0\x9F\x98");
  logInfo(std::string(8191, 'i').c_str());  // the ERROR size report, by its tag
  w32ErrLog("probe()", 1);                  // an INFO "[SYSLOG]" line
}

TEST_F(Scenario, EventLog) {
  for (const char16_t* level : {u"0", u"1", u"2", u"4", u"9"}) {
    fake::reset(), profile({{u"LogEventLogLevel", level}});
    logInitProfile("C:\\e.ini"), everyKind(), logTerm();
    for (const std::string& call : world().eventCalls) t.note("LogEventLogLevel=" + fake::u8(level) + ": " + call);
  }
  fake::reset(), profile({{u"LogEventLogLevel", u"3"}, {u"LogEventSource", u"Svc"}, {u"WriteFlg", u"65536"}});  // it all
  DO(logInitProfile("C:\\e.ini"));
  DO(everyKind(), logPut("a\xFF", 2, 1, 10));  // and an ERROR line inside a dump
  logWarning(std::string(8150, '\xFF').c_str());
  t.note("8150 bad bytes: an event call of " + std::to_string(world().eventCalls.back().size()) + " bytes");
  DO(logTerm(), logWarning("after logTerm"));
  const std::u16string n254(254, u'n'), first = u"\U00010000", last = u"\U0010FFFF";  // pairs from D800, to DBFF
  const std::u16string names[][3] = {  // LogEventSource, prefix, executable
      {u"My Service", u"app_", u"host"}, {u"", u"app_-._.", u"host"}, {u"", u"logs\\sub/a.b_c.", u"host"},
      {u"", u"sub\\_-.", u"svc"}, {u"", u"", u""}, {n254 + u"nn", u"", u""}, {n254 + first, u"", u""}, {u"", u"", n254 + last}};
  for (const auto& [configured, prefix, executable] : names) {
    char16_t out[eventlog::kSourceUnits];
    world().executable = executable, eventlog::sourceName(configured.c_str(), prefix.c_str(), out);
    t.note("source " + fake::u8(prefix) + ": " + fake::u8(out) + " (" + std::to_string(std::u16string(out).size()) + ")");
  }
  const std::tuple<const char16_t*, const char16_t*, const char16_t*, std::uint32_t> starts[] = {  // level, dir, sleep, error
      {u"1", u"C:\\no\\logs", u"0", 0}, {u"0", u"C:\\no\\logs", u"0", 0}, {u"5", u"C:\\no\\logs", u"0", 5}, {u"5", u"C:\\logs", u"1", 0}};
  for (const auto& [level, dir, sleep, failure] : starts) {
    fake::reset(), profile({{u"LogEventLogLevel", level}, {u"LogWritePathDir", dir}, {u"LogSleepSwitch", sleep}});
    world().registerFailure = failure;
    DO(logInitProfile("C:\\e.ini"));
  }
  fake::reset(), world().systemTexts[1502] = u"The event log file is full.\r\n";
  world().registerFailure = 5, profile({{u"LogEventLogLevel", u"5"}});
  DO(logInitProfile("C:\\e.ini"), logError("no event: nothing registered"), logTerm());
  for (std::uint32_t code : {1502u, 1503u}) {
    sessionResetToLoad(), world().registerFailure = 0, world().reportFailure = code;
    DO(logInitProfile("C:\\e.ini"), logError("the first failure is said"), logWarning("the next is not"));
    world().reportFailure = 0;
    DO(logWarning("the Event Log takes events again"), logTerm());
  }
  sessionResetToLoad();
  static const forward::Forwarder other{0, [](const forward::Unit&) {}, [] {}};
  for (int i = 0; i < forward::kCapacity; ++i) forward::add(&other);
  DO(logInitProfile("C:\\e.ini"));
}

}  // namespace
}  // namespace corvelin::testing_support
