// The Event Log forwarder: which records become events at each
// LogEventLogLevel, their types, IDs and texts, the source name, one
// registration a session, a failed start's event, and failures said once.
#include <corvelin.h>

#include <cstdio>

#include "forward/eventlog.h"
#include "forward/forward.h"
#include "harness.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

const std::u16string kLog = u"C:\\logs\\app_20261205.log";

void profile(std::map<std::u16string, std::u16string> keys) {
  keys.emplace(u"LogWritePathDir", u"C:\\logs");
  keys.emplace(u"LogFileNamePrefix", u"app_");
  keys.emplace(u"LogOutPutLevel", u"5");
  world().profiles[u"C:\\e.ini"] = std::move(keys);
}

void everyKind() {
  _log("_log");
  logDebug("debug");
  logInfo("info");
  logWarning("warning");
  logError("error");
  logCritical("critical 日本語 😀");
  logInfo(std::string(8191, 'i').c_str());  // the ERROR size report, by its tag
  w32ErrLog("probe()", 1);                  // an INFO "[SYSLOG]" line
}

class EventLog : public Scenario {};

TEST_F(EventLog, LevelsSourcesAndTexts) {
  for (std::int32_t level = 0; level <= 5; ++level) {
    t.note("level " + std::to_string(level) + ": type " + std::to_string(eventlog::eventType(level)) + " id " +
           std::to_string(eventlog::eventId(level)));
  }
  const struct {
    std::u16string configured, prefix, executable;
  } names[] = {
      {u"My Service", u"app_", u"host"},
      {u"", u"app_", u"host"},
      {u"", u"app_-._.", u"host"},
      {u"", u"a.b_c", u"host"},
      {u"", u"logs\\sub/svc.", u"host"},
      {u"", u"sub\\", u"svc"},
      {u"", u"_-.", u"svc"},
      {u"", u"", u""},
      {std::u16string(300, u'n'), u"", u""},
      {std::u16string(254, u'n') + u"\U0001F600", u"", u""},
      {u"", u"", std::u16string(254, u'x') + u"\U0001F600"},
  };
  for (const auto& n : names) {
    world().executable = n.executable;
    char16_t out[eventlog::kSourceUnits];
    eventlog::sourceName(n.configured.c_str(), n.prefix.c_str(), out);
    const std::u16string name(out);
    t.note("source [" + fake::u8(n.configured.substr(0, 20)) + "] [" + fake::u8(n.prefix) + "] [" +
           fake::u8(n.executable.substr(0, 20)) + "]: " + fake::u8(name.substr(0, 20)) + " (" +
           std::to_string(name.size()) + " units)");
  }
  for (const std::string& text : {std::string("a\r\nb"), std::string("\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"),
                                  std::string("a\xFF" "b\x80"), std::string("\xC0\xAF\xC3"), std::string("\xE0\x80\x80"),
                                  std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80\xF4\x8F\xBF\xBF"),
                                  std::string("\xF0\x8F\xBF\xBF\xF0\x9F\x98"), std::string("\xF8\xE6\x97"),
                                  std::string(8191, '\xFF')}) {
    char16_t out[eventlog::kTextUnits];
    const std::size_t units = eventlog::eventText(text.data(), text.size(), out);
    std::string hex;
    for (std::size_t i = 0; i < units && i < 12; ++i) {
      char unit[8];
      std::snprintf(unit, sizeof unit, " %04X", static_cast<unsigned>(out[i]));
      hex += unit;
    }
    t.note("text of " + std::to_string(text.size()) + " bytes: " + std::to_string(units) + " units" + hex +
           (out[units] == 0 ? "" : " unterminated"));
  }
}

// What each level takes, with WriteFlg 0 and every record admitted to the file.
TEST_F(EventLog, WhichRecordsBecomeEvents) {
  for (const char16_t* level : {u"-1", u"0", u"1", u"2", u"4", u"5", u"9"}) {
    fake::reset();
    profile({{u"LogEventLogLevel", level}});
    t.note("LogEventLogLevel=" + fake::u8(level));
    logInitProfile("C:\\e.ini");
    everyKind();
    logTerm();
    for (const std::string& call : world().eventCalls) t.note(call);
  }
  fake::reset();  // the whole transcript once, at WARNING: each event right after its line
  profile({{u"LogEventLogLevel", u"3"}, {u"LogEventSource", u"Svc"}, {u"WriteFlg", u"65536"}});
  DO(logInitProfile("C:\\e.ini"));
  DO(everyKind());
  DO(logPut("a\xFF", 2, 1, 10));  // an ERROR line inside a dump
  DO(logTerm());
  DO(logWarning("after logTerm"));
}

// A start whose log cannot open reports the texts of its boxes as one error
// event, when the profile switched the Event Log on; sleeping, nothing registers.
TEST_F(EventLog, StartsThatFailAndSleep) {
  const std::pair<std::map<std::u16string, std::u16string>, std::function<void()>> cases[] = {
      {{{u"LogEventLogLevel", u"1"}, {u"LogWritePathDir", u"C:\\no\\logs"}}, [] {}},
      {{{u"LogEventLogLevel", u"2"}}, [] { world().files[kLog] = "", world().heldByOther.insert(kLog); }},
      {{{u"LogEventLogLevel", u"5"}, {u"LogKBytesRotateFlg", u"1"}}, [] { world().denied.insert(u"C:\\logs"); }},
      {{{u"LogEventLogLevel", u"0"}, {u"LogWritePathDir", u"C:\\no\\logs"}}, [] {}},
      {{{u"LogEventLogLevel", u"1"}, {u"LogWritePathDir", u"C:\\no\\logs"}}, [] { world().registerFailure = 5; }},
      {{{u"LogEventLogLevel", u"5"}, {u"LogSleepSwitch", u"1"}}, [] {}},
  };
  for (const auto& [keys, prepare] : cases) {
    fake::reset();
    profile(keys);
    prepare();
    DO(logInitProfile("C:\\e.ini"));
    DO(logCritical("critical"));
    DO(logTerm());
  }
}

// Registration that fails, reports that fail (said once a session, and the
// file has every record), and no room for another forwarder.
TEST_F(EventLog, FailuresSaidOnce) {
  world().systemTexts[1502] = u"The event log file is full.\r\n";
  profile({{u"LogEventLogLevel", u"5"}});
  world().registerFailure = 5;
  DO(logInitProfile("C:\\e.ini"));
  DO(logError("no event: nothing registered"));
  DO(logTerm());
  sessionResetToLoad();
  world().registerFailure = 0;
  world().reportFailure = 1502;
  DO(logInitProfile("C:\\e.ini"));
  DO(logError("the first failure is said"));
  DO(logError("the second is not"));
  world().reportFailure = 0;
  DO(logWarning("the Event Log takes events again"));
  world().reportFailure = 1503;
  DO(logWarning("still said once"));
  DO(logTerm());
  sessionResetToLoad();
  DO(logInitProfile("C:\\e.ini"));
  DO(logError("a new session says it again"));
  DO(logTerm());
  sessionResetToLoad();
  static const forward::Forwarder other{0, [](const forward::Unit&) {}, [] {}};
  for (int i = 0; i < forward::kCapacity; ++i) forward::add(&other);
  DO(logInitProfile("C:\\e.ini"));
  DO(logTerm());
}

}  // namespace
}  // namespace corvelin::testing_support
