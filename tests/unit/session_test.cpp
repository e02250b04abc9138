// Starting and ending a session by arguments and by profile; every exported
// function in every session state and with bad input (AddressSanitizer
// watches each case).
#include <corvelin.h>

#include <climits>
#include <cstring>
#include <functional>

#include "harness.h"
#include "logfile/logopen.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

const std::u16string kLog = u"C:\\logs\\app_20261205.log";

void profile(const std::u16string& path, std::map<std::u16string, std::u16string> keys) {
  world().profiles[fake::normalise(path)] = std::move(keys);
}

template <class F>
long long result(F call) {
  if constexpr (std::is_void_v<std::invoke_result_t<F>>) return call(), 0;
  else return static_cast<long long>(call());
}
#define CALL(f, ...) {#f, [s] { return result([s] { return f(__VA_ARGS__); }); }}

// Every function but the start calls, logTerm and w32ResetErrCode, with `s`
// for each text, label, title and prefix; the result or 0.
std::vector<std::pair<const char*, std::function<long long()>>> writingCalls(const char* s) {
  return {CALL(_log, s), CALL(logDebug, s), CALL(logInfo, s), CALL(logWarning, s), CALL(logError, s),
          CALL(logCritical, s), CALL(logPut, s, 1, 1, 10), CALL(logPutHex, s, 1, 1, 10), CALL(logDumpRaw, s, 1, s),
          CALL(logDumpUTF8, s, 1, s), CALL(makeBitStringUSHORT16, 1, s), CALL(makeBitStringUINT32, 1, s),
          CALL(makeBitStringUnicodeScalarValue, 0x41, s), CALL(getLastErr), CALL(w32ErrLog, s, 1), CALL(msgBox, s, s),
          CALL(msgBoxOkCancel, s, s), CALL(profileTimeStart, s), CALL(profileTimeStop)};
}

class Start : public Scenario {
 protected:
  // A record of `bytes` with its brackets and LF.
  void line(std::size_t bytes) { t.step("record of " + std::to_string(bytes), [&] { logInfo(std::string(bytes - 3, 'x').c_str()); }); }
  // One start, records at two levels and the end.
  void session(const std::string& name, const std::function<void()>& prepare, const std::function<int()>& start) {
    fake::reset();
    t.note(name);
    prepare();
    t.step("start", start);
    DO(logWarning("warning"));
    DO(logInfo("info"));
    DO(logTerm());
  }
};

TEST_F(Start, WhatASessionLeavesInItsFile) {
  const auto none = [] {};
  session("a new file with the mark", none, [] { return logInit("C:\\logs", "app_", 8192, 0, 3, 0, 7); });
  session("a new file without it, LF", none, [] { return logInit("C:\\logs", "app_", 2, 1, 4, 0, 0); });
  session("appending: the banner shows the directory, no mark", [] { world().files[kLog] = "earlier\r\n"; },
          [] { return logInit("C:\\logs", "app_", 0, 0, 5, 0, 1); });
  session("the last directory component is made", none, [] { return logInit("C:\\logs\\new", "p", 0, 0, 5, 0, 0); });
  session("sleeping writes only its banner", none, [] { return logInit("C:\\logs", "app_", 0, 0, 5, 1, 1); });
  session("CR", none, [] { return logInit("C:\\logs", "app_", 0, 2, 5, 0, 0); });
  for (const char* tail : {"ends in CR\r", "\xEF\xBB\xBF", "torn", "x\xEF\xBB\xBF"}) {  // only a torn last line gets a line end first
    session(std::string("appending to a file that ends so: ") + tail, [tail] { world().files[kLog] = tail; },
            [] { return logInit("C:\\logs", "app_", 0, 0, 5, 0, 0); });
  }
  session("an invalid prefix is taken as empty", none, [] { return logInit("C:\\logs", "ab\xC3", 0, 0, 5, 0, 0); });
  session("a profile with every key",
          [] {
            profile(u"C:\\cfg\\app.ini", {{u"LogFileNamePrefix", u"app_"}, {u"LogWritePathDir", u"C:\\logs"},
                                          {u"WriteFlg", u"8192"}, {u"CrLfOption", u"1"}, {u"LogOutPutLevel", u"3"},
                                          {u"LogSleepSwitch", u"0"}, {u"BomSetFlg", u"3"},
                                          {u"LogKBytesRotateFlg", u"0"}, {u"LogKBytesSize", u"1"}});
          },
          [] { return logInitProfile("C:\\cfg\\app.ini"); });
  session("only the section: the defaults, in the current directory", [] { profile(u"C:\\e.ini", {}); },
          [] { return logInitProfile("C:\\e.ini"); });
  session("a bare profile name is looked for in the Windows directory",
          [] { profile(u"C:\\windows\\c.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogOutPutLevel", u"5"}}); },
          [] { return logInitProfile("c.ini"); });
  session("a sleeping profile", [] { profile(u"C:\\s.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogSleepSwitch", u"1"}}); },
          [] { return logInitProfile("C:\\s.ini"); });
  session("a profile prefix of 509 units: kept whole; a banner over 520 units is left out",
          [] { profile(u"C:\\p.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", std::u16string(509, u'q')}}); },
          [] { return logInitProfile("C:\\p.ini"); });
}

// Starts that fail: the boxes in their order, nothing created, and a later
// start that succeeds with the buffers of the first.
TEST_F(Start, WhatAFailedStartShows) {
  const std::string dir256 = "C:\\" + std::string(253, 'd');
  const std::pair<std::string, std::function<void()>> cases[] = {
      {"C:\\no\\logs", [] {}},  // a missing parent
      {"C:\\locked", [] { world().denied.insert(u"C:\\locked"); }},
      {"C:\\logs", [] { world().files[kLog] = "held by another writer", world().heldByOther.insert(kLog); }},
      {"C:\\logs", [] { world().denied.insert(kLog); }},  // the file cannot be created
      {dir256, [] { world().dirs.insert(u"C:\\" + std::u16string(253, u'd')); }},
      {dir256.substr(0, 255), [] { world().dirs.insert(u"C:\\" + std::u16string(252, u'd')); }},
  };
  for (const auto& [directory, prepare] : cases) {
    fake::reset();
    prepare();
    DO(logInit(directory.c_str(), "app_", 8192, 1, 5, 0, 0));
    world().denied.clear(), world().heldByOther.clear();
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
    DO(logInfo("the settings of the start that took"));
  }
  fake::reset();
  DO(logTerm());  // before any start
  DO(logInit("C:\\no\\such", "p", 0, 0, 5, 0, 0));
  DO(logTerm());  // after a failed start: the buffers go back
  for (int failing = 1; failing <= 7; ++failing) {
    fake::reset();
    world().failAllocAt = failing;
    t.note("allocation " + std::to_string(failing) + " fails");
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
  }
  DO(logTerm());
  DO(logTerm());
}

TEST_F(Start, ArgumentsAtTheirLimits) {
  const std::string dir510 = "C:\\" + repeat("\xE3\x81\x82", 169);  // 510 bytes, 172 units
  const std::string ini510 = "C:\\cfg\\" + std::string(499, 'n') + ".ini";
  DO(logInit(dir510.c_str(), std::string(260, 'p').c_str(), 0, 0, 5, 0, 0));
  fake::reset();
  profile(std::u16string(ini510.begin(), ini510.end()), {{u"LogWritePathDir", u"C:\\logs"}});
  DO(logInitProfile(ini510.c_str()));
  fake::reset();
  DO(logInit((dir510 + "x").c_str(), "app_", 3, 1, 2, 0, 0));
  DO(logInit("C:\\logs", std::string(261, 'p').c_str(), 3, 1, 2, 0, 0));
  DO(logInitProfile(("C:\\" + ini510.substr(2)).c_str()));
  DO(logInitProfile("C:\\cfg\\none.ini"));
  DO(logInit(nullptr, "p", 0, 0, 0, 0, 0));
  DO(logInit("C:\\logs", nullptr, 0, 0, 0, 0, 0));
  DO(logInitProfile(nullptr));
  fake::reset();
  world().failAllocAt = 1;
  DO(logInitProfile("C:\\cfg\\none.ini"));
}

// The descriptions in the open's boxes, and the dated name.
TEST_F(Start, ErrorDescriptionsAndNames) {
  std::u16string longText(1100, u'x');
  longText[991] = 0xD83D;  // a pair that would straddle the cut after 1021 units
  longText[992] = 0xDE00;
  world().systemTexts = {{6, u"no line end"}, {7, u"breaks\r\r\n"}, {99, longText}};
  char16_t out[kPathBlockUnits];
  for (std::uint32_t code : {6u, 7u, 0xC0000005u, 99u}) {
    world().lastError = code;
    w32_err_fmtMsg(platform::kNoHandle, u"f()", 7, out, kPathBlockUnits);
    t.note(fake::u8(out));
  }
  for (std::size_t units : {510, 511}) {  // a longer name is refused with a box where no file can take a report
    const std::u16string name(units, u'n');
    out[0] = 0;
    t.step("a name of " + std::to_string(units) + " units", [&] { w32_err_fmtMsg(platform::kInvalidHandle, name.c_str(), 1, out, kPathBlockUnits); });
    t.note(fake::u8(out).substr(std::min<std::size_t>(500, fake::u8(out).size())));
  }
  for (int year : {999, 12345}) {
    world().ticks = fake::ticksAt(year, 3, 4, 12, 0, 0);
    localPathSet(u"C:\\l", u"PREFIX_", out);
    t.note(fake::u8(out));
  }
}

const std::pair<const char*, std::function<void()>> kStates[] = {
    {"loaded", [] {}},
    {"after a failed start", [] { logInit("C:\\missing\\dir", "m_", 0, 0, 5, 0, 0); }},
    {"sleeping", [] { logInit("C:\\logs", "m_", 0, 0, 5, 1, 0); }},
    {"ended", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), logTerm(); }},
    {"active", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0); }},
};

// Every exported function in every session state, with short and long
// arguments: outside an active session nothing is written, shown or returned
// and the host's last error stays; the start calls are taken where a session
// may still begin. Then bad input in an active session.
TEST_F(Start, Matrix) {
  const std::pair<const char*, std::function<int()>> starts[] = {
      {"logInit", [] { return logInit("C:\\logs", "m_", 0, 0, 5, 0, 0); }},
      {"logInitProfile", [] { return logInitProfile("C:\\p.ini"); }}};
  for (const auto& [state, enter] : kStates) {
    for (const auto& [name, start] : starts) {
      fake::reset();
      profile(u"C:\\p.ini", {{u"LogWritePathDir", u"C:\\logs"}});
      enter();
      t.step(std::string(name) + " when " + state, start);
    }
    fake::reset();
    enter();
    for (const std::string& arg : {std::string("x"), std::string(9000, 'x')}) {
      t.alias(arg.c_str(), "arg");
      for (const auto& [name, call] : writingCalls(arg.c_str())) {
        t.step(name + (" " + std::to_string(arg.size()) + " when ") + state, call);
      }
    }
    DO(w32ResetErrCode());
  }
  for (const auto& [name, call] : writingCalls(nullptr)) t.step(std::string(name) + "(null)", call);
  DO(logDumpRaw(nullptr, 5, "p"));
  DO(logDumpUTF8(nullptr, 0, "p"));
  DO(msgBox("t", nullptr));
  DO(logInitProfile(nullptr));
  const char* invalid = "\xFF\xC3";
  t.alias(invalid, "invalid");
  for (const auto& [name, call] : writingCalls(invalid)) t.step(std::string(name) + "(invalid UTF-8)", call);
  for (const std::string& s : {std::string(8191, 's'), std::string(510, 'l'), std::string(511, 'l')}) {
    for (const auto& [name, call] : writingCalls(s.c_str())) {
      if (std::string(name).rfind("logDump", 0) != 0) t.step(name + (" " + std::to_string(s.size())), call);
    }
  }
  const std::string s511(511, 'l');
  DO(logDumpUTF8(std::string(8191, 's').c_str(), 0, "p"));
  DO(logDumpUTF8("a", 0, s511.c_str()));
  DO(logDumpRaw("a", 1, s511.c_str()));
  const std::vector<unsigned char> bytes(8191, 'A'), few(100, 'A');  // nothing readable after them
  DO(logPutHex(bytes.data(), 8191, 0, 80));
  DO(logDumpRaw(bytes.data(), 8191, "p"));
  DO(logPutHex(few.data(), 100, 0, 50));
  for (std::int32_t count : {9, 81, INT_MIN, INT_MAX}) {
    t.step("newLineCnt " + std::to_string(count), [&] { logPut("x", 1, 1, count), logPutHex("x", 1, 1, count); });
  }
  DO(logPut("", INT_MIN, 1, 10));
  DO(logPutHex("x", INT_MIN, 0, 10));
  DO(logDumpRaw("ab", INT_MAX, "p"));
}

// A day's series under a limit of 1 KB: no file past it (banners, closing
// line and end banner included) unless one unit is larger by itself; a unit
// is never split; the series continues across restarts and instances.
TEST_F(Start, Rotation) {
  profile(u"C:\\r.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", u"r_"}, {u"CrLfOption", u"1"},
                          {u"LogOutPutLevel", u"5"}, {u"BomSetFlg", u"1"}, {u"LogKBytesRotateFlg", u"1"},
                          {u"LogKBytesSize", u"0"}, {u"LogKeepFiles", u"3"}});
  for (const char* name : {"r_20261204.log", "r_20261204_19.log", "r_20261204_10.log", "r_2026120.log", "r_20261204_02.log",
                           "r_20261204_1.log", "x_20261204.log", "r_20261204.txt"}) {
    world().files[u"C:\\logs\\" + std::u16string(name, name + std::strlen(name))] = "foreign or old\n";
  }
  world().heldByOther.insert(u"C:\\logs\\r_20261204.log");  // cannot be deleted yet
  DO(logInitProfile("C:\\r.ini"));  // 3 + 48 bytes; 57 kept for the closing line that names _2
  line(20);
  line(896);                            // exactly at the limit
  line(3);                              // one byte past: the next file
  world().failAllocAt = world().allocCalls + 1;  // no memory to list the series: none goes this time
  line(2000);                           // larger than the limit: whole, in a fresh file
  DO(makeBitStringUINT32(7, "the next unit moves on"));
  world().heldByOther.clear();
  const std::string dump = std::string("h\0", 2) + std::string(30000, 'h');  // one unit in many writes stays whole
  DO(logPutHex(dump.c_str(), 30000, 1, 80));
  world().denied.insert(u"C:\\logs");  // no file can be made: one report, then a limit's worth of bytes
  for (int i = 0; i < 4; ++i) line(400);
  world().denied.clear();
  for (int i = 0; i < 3; ++i) line(400);
  world().ticks = fake::ticksAt(2026, 12, 5, 23, 59, 59) + 9999999;
  line(10);
  world().ticks += 1;  // midnight
  line(10);
  DO(logTerm());
  sessionResetToLoad();  // a new process on the same day appends to the last file of the series
  DO(logInitProfile("C:\\r.ini"));
  line(900);
  DO(logTerm());
  sessionResetToLoad();  // the last file has no room for a start banner: the next file at once
  DO(logInitProfile("C:\\r.ini"));
  world().heldByOther.insert(u"C:\\logs\\r_20261206_3.log");
  sessionResetToLoad();  // a second instance while the first holds the last file: the next free name
  DO(logInitProfile("C:\\r.ini"));
  corvelin::session.keepFiles = 0;  // a switch that keeps every file
  line(900), line(900);
  sessionResetToLoad();  // a dump in two writes counts its bytes once: it and a record fit one 67 KB file
  profile(u"C:\\b.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", u"b_"}, {u"LogOutPutLevel", u"5"},
                          {u"LogKBytesRotateFlg", u"1"}, {u"LogKBytesSize", u"67"}});
  DO(logInitProfile("C:\\b.ini"));
  DO(logPutHex(dump.c_str(), 22000, 0, 80));
  line(1900);
  for (const auto& [path, bytes] : world().files) t.note(fake::u8(path) + ": " + std::to_string(bytes.size()) + " bytes");
}

// The failure paths of a series: a full disk, a file that may not be
// written, names that run out, a clock set forward, sleeping starts, a torn
// last line. Every file holds a banner, none passes the limit but where a
// failed switch says why, and the closing lines lead from the first to the last.
TEST_F(Start, RotationUnderFaults) {
  const auto start = [&](const std::u16string& extra = u"0", const std::u16string& kBytes = u"1") {
    profile(u"C:\\f.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", u"f_"}, {u"CrLfOption", u"1"},
                            {u"LogOutPutLevel", u"5"}, {u"LogKBytesRotateFlg", u"1"}, {u"LogKBytesSize", kBytes},
                            {u"LogSleepSwitch", extra}, {u"WriteFlg", extra == u"1" ? u"0" : extra}});
    logTerm();
    sessionResetToLoad();
    t.step("start", [] { return logInitProfile("C:\\f.ini"); });
  };
  t.note("a full disk at the switch: the new file goes again, the loss is said once space is back");
  world().files[u"C:\\logs\\F_20261205.LOG"] = "torn by a crash";  // the same file to the file system
  start();
  line(800);
  for (const auto& f : world().files) world().diskBytes += f.second.size();  // full
  line(200), line(200);
  world().diskBytes = 0;
  line(200);
  for (int i = 0; i < 6; ++i) line(200);  // a limit's worth later the switch is tried again
  DO(logTerm());
  t.note("beside 24 KB under a 100 KB limit, a text dump of 95 KB of report lines goes whole into a file of its own");
  start(u"0", u"100");
  for (int i = 0; i < 3; ++i) logInfo(std::string(8000, 'x').c_str());
  logPut(std::string(1000, '\xFF').c_str(), 0, 1, 10);
  line(10);
  DO(logTerm());
  t.note("the clock set forward past midnight, the tick count untouched");
  start();
  world().ticks = world().ticksSeen = fake::ticksAt(2026, 12, 6, 0, 0, 5);
  line(10);
  t.note("a table and its timing line stay together");
  corvelin::session.writeFlg = 1;
  line(850);
  const char table[] = "abc";
  t.alias(table, "table");
  DO(logDumpRaw(table, 3, "t"));
  DO(logTerm());
  t.note("the day's last file may not be written: the next name");
  world().denied.insert(u"C:\\logs\\f_20261206_2.log");
  start();
  DO(logTerm());
  t.note("the last names of the day, the last one taken by another: said once, the file goes on; and in the last");
  world().files[u"C:\\logs\\f_20261206_4294967294.log"] = "";
  start();
  world().files[u"C:\\logs\\f_20261206_4294967295.log"] = "";
  line(600), line(600), line(600);
  start();
  line(600), line(600);
  t.note("a second instance is refused with the reason");
  world().heldByOther.insert(u"C:\\logs\\f_20261206_4294967295.log");
  start();
  world().heldByOther.clear();
  world().ticks = fake::ticksAt(2026, 12, 7, 9, 0, 0);
  t.note("sleeping starts: their banners count against the limit");
  for (int i = 0; i < 14; ++i) start(u"1");
  for (const auto& [path, bytes] : world().files) t.note(fake::u8(path) + ": " + std::to_string(bytes.size()) + " bytes");
}

}  // namespace
}  // namespace corvelin::testing_support
