// Record lines and "[SYSLOG]" lines: every WriteFlg, the thresholds, the line
// limit, the time cache, and the writers' own guards.
#include <corvelin.h>

#include <climits>

#include "harness.h"
#include "record/lineprefix.h"
#include "record/writer.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

class Records : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    ASSERT_EQ(logInit("C:\\logs", "r_", 0, 0, 5, 0, 0), 1);
  }
  void write(std::int32_t writeFlg, const std::string& text, const std::string& label = "") {
    session.writeFlg = writeFlg;
    t.step("WriteFlg " + std::to_string(writeFlg) + " " + (label.empty() ? text : label), [&] { logInfo(text.c_str()); });
  }
};

// At 2026-12-05 01:23:45 local, thread 4242, 123456 ms since boot.
TEST_F(Records, EveryWriteFlg) {
  for (std::int32_t flg : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384,
                           32768, 32784, 10, 17, 300, -1, 32769, 65536, 8193, INT_MIN}) {
    write(flg, "abc");
  }
  crLfOptionSet(1);
  write(2, "LF");
  crLfOptionSet(9);
  write(2, "no line end");
  crLfOptionSet(0);
  write(0, "100% done %s %d");
  write(0, "");
  write(0, "\xFF\xFE invalid \xC3");
  world().ticks = fake::ticksAt(7, 3, 4, 0, 0, 0);
  write(128, "year 7");
  world().ticks = fake::ticksAt(12026, 3, 4, 0, 0, 0);
  write(128, "year 12026");
  world().bootMillis = 4294967295u;  // timeGetTime wraps; %ld prints it signed
  write(32784, "wrapped boot clock");
}

// The line may hold 8190 bytes with its terminator: prefix, brackets, text and line ending.
TEST_F(Records, TextsAtTheLineLimit) {
  for (std::size_t n : {8185, 8186, 8190, 8191}) write(0, std::string(n, 'x'), std::to_string(n) + " bytes");
  for (std::size_t n : {8165, 8166}) write(8192, std::string(n, 'x'), std::to_string(n) + " bytes");
  crLfOptionSet(1);
  write(0, std::string(8186, 'x'), "8186 bytes, LF");
}

TEST_F(Records, ThresholdsAtEveryOutputLevel) {
  using Fn = void(CORVELIN_CALL*)(const char*);
  const std::pair<const char*, Fn> functions[] = {{"_log", _log},         {"logDebug", logDebug},
                                                  {"logInfo", logInfo},   {"logWarning", logWarning},
                                                  {"logError", logError}, {"logCritical", logCritical}};
  for (int level = -1; level <= 6; ++level) {
    session.outputLevel = level;
    for (const auto& [name, fn] : functions) t.step(std::string(name) + " at " + std::to_string(level), [&] { fn(name); });
  }
}

// The local time is converted once per second; the cached second is trusted
// only while the monotonic clock proves it current.
TEST_F(Records, TheTimeCacheFollowsTheClock) {
  const std::int64_t second = fake::ticksAt(2026, 12, 31, 23, 59, 59);
  for (std::int64_t offset : {0, 5000000, 9000000, 9999999, 10000000, 10000001}) {
    world().ticks = second + offset;
    write(8192, "+" + std::to_string(offset));
    write(1024, "+" + std::to_string(offset));
  }
  t.note("localTime calls " + std::to_string(world().localTimeCalls));
  world().threadId = 99;
  startTicks = 0;
  write(1, "a timed value restarts the stamp");
  t.note(startTicks == world().ticks ? "stamp taken" : "stamp not taken");
  startTicks = 5;
  write(8192, "untimed");
  t.note("stamp " + std::to_string(startTicks));
  char line[kLineCapacity];
  for (std::int64_t before : std::initializer_list<std::int64_t>{15009999, -15999}) {  // 1.5009999 s ago, and a clock set back
    startTicks = world().ticks - before;
    t.note(std::string(line, makeLogLine(3, "x", 1, 0, line)));
  }
}

TEST_F(Records, SyslogWriters) {
  for (std::int32_t level = -1; level <= 6; ++level) t.step("log_sys level " + std::to_string(level), [&] { log_sys(level, "x=%d", 7); });
  DO(logSysForced(session.fileHandle, 99, "x"));
  DO(logSysDirect(session.fileHandle, -5, "x"));
  const std::string longest(8191 - std::string("[SYSLOG][■--ERROR--■] \r\n").size(), 'm');
  DO(log_sys(kError, "%s", longest.c_str()));
  DO(logSysForced(session.fileHandle, kError, "%s", longest.c_str()));
  DO(logSysDirect(session.fileHandle, kError, "%s", longest.c_str()));
  DO(logSysForced(session.fileHandle, kWarning, "%s", std::string(8190, 'h').c_str()));
  DO(log_sys(kInfo, std::string(8191, 'f').c_str()));
  DO(log_sys(kInfo, std::string(8190, 'g').c_str()));
  DO(logWrite(session.fileHandle, std::string(8190, 'a').c_str()));
  DO(logWrite(session.fileHandle, std::string(8191, 'b').c_str()));
  session.outputLevel = -1;
  DO(log_sys(kError, "hidden"));
  session.outputLevel = 0;
  DO(log_sys(kDebug, "any level at 0"));
  crLfOptionSet(1);
  session.sleepSwitch = 1;
  DO(log_sys(kError, "asleep"));
  DO(logSysForced(session.fileHandle, kError, "forced %s", "line"));
  DO(logSysDirect(session.fileHandle, kInfo, "direct"));
  FileHandle none = platform::kInvalidHandle;
  DO(logSysForced(none, kError, "x"));
  DO(logSysDirect(platform::kNoHandle, kError, "x"));
  DO(logWrite(none, "x"));
  world().failWriteAt = world().writeCalls + 1;
  DO(logWrite(session.fileHandle, "lost\n"));
}

}  // namespace
}  // namespace corvelin::testing_support
