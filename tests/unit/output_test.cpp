// What an active session writes: records, "[SYSLOG]" lines, dumps, tables,
// bit tables, error lines, boxes, timings, and what faults of the file leave.
#include <corvelin.h>

#include <climits>
#include <cstring>
#include <functional>
#include <thread>

#include "harness.h"
#include "record/lineprefix.h"
#include "record/writer.h"
#include "session/sink.h"

namespace corvelin::testing_support {
namespace {

using fake::world;
constexpr std::int64_t kMs = 10000;  // ticks

class Output : public Session {
 protected:
  void record(std::int32_t writeFlg, const std::string& text, const std::string& label = "") {
    session.writeFlg = writeFlg;
    t.step("WriteFlg " + std::to_string(writeFlg) + " " + (label.empty() ? text : label), [&] { logInfo(text.c_str()); });
  }
  void utf8(const std::string& text, const std::string& label = "") {
    t.alias(text.c_str(), "text");
    t.step("logDumpUTF8 " + (label.empty() ? text : label), [&] { logDumpUTF8(text.c_str(), 0, "c"); });
  }
};

// At 2026-12-05 01:23:45, thread 4242, 123456 ms since boot.
TEST_F(Output, Records) {
  for (std::int32_t flg : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384,
                           32768, 32784, 10, 17, 300, -1, 32769, 65536, 8193, INT_MIN}) {
    record(flg, "abc");
  }
  record(0, "100% done %s %d");
  record(0, "");
  // The line holds 8190 bytes with its terminator: prefix, brackets, text, line ending.
  for (std::size_t n : {8185, 8186, 8190, 8191}) record(0, std::string(n, 'x'), std::to_string(n) + " bytes");
  for (std::size_t n : {8165, 8166}) record(8192, std::string(n, 'x'), std::to_string(n) + " bytes");
  crLfOptionSet(1);
  record(0, std::string(8186, 'x'), "8186 bytes, LF");
  crLfOptionSet(9);
  record(2, "no line end");
  world().ticks = fake::ticksAt(7, 3, 4, 0, 0, 0) + 5000000;  // before 1970: the second is floored
  record(128, "year 7");
  record(8192, "year 7, to the second");
  world().ticks = fake::ticksAt(12026, 3, 4, 0, 0, 0);
  record(128, "year 12026");
  world().bootMillis = 4294967295u;  // timeGetTime wraps; %ld prints it signed
  record(32784, "wrapped boot clock");
  session.outputLevel = INT_MIN;
  DO(_log("_log writes at every output level"));
}

// The local time is converted once per second; the wall clock is read for
// every record, so a clock set forward shows at once.
TEST_F(Output, TheClock) {
  for (std::int64_t offset : {0, 5000000, 9000000, 9999999, 10000000, 10000001}) {
    world().ticks = fake::ticksAt(2026, 12, 31, 23, 59, 59) + offset;
    for (std::int32_t flg : {8192, 1024, 65536}) record(flg, "+" + std::to_string(offset));
  }
  for (auto level : {_log, logDebug, logInfo, logWarning, logError, logCritical}) DO(level("the entry point's level"));
  world().ticks = world().ticksSeen = world().ticks + 7 * 10000000;  // the tick count untouched
  record(8192, "7 s later by the wall clock alone");
  record(1, "a timed value restarts the stamp");
  t.note(startTicks == world().ticks ? "stamp taken" : "stamp not taken");
  startTicks = 5;
  record(8192, "untimed");
  t.note("stamp " + std::to_string(startTicks));
  char line[kLineCapacity];
  for (std::int64_t before : std::initializer_list<std::int64_t>{15009999, -15999}) {  // and a clock set back
    startTicks = world().ticks - before;
    t.note(std::string(line, makeLogLine(3, "x", 1, 0, "LOG", 3, line)));
  }
  session.outputLevel = -1;  // not consulted by the timings
  DO(profileTimeStop());     // no start: from 1970
  for (std::int64_t ticks : std::initializer_list<std::int64_t>{1500 * kMs, 9999, -4000, -15999}) {
    DO(profileTimeStart("load"));
    world().ticks += ticks;
    t.step("stop after " + std::to_string(ticks) + " ticks", [] { profileTimeStop(); });
  }
  session.sleepSwitch = 1;
  DO(profileTimeStart("asleep"));
  session.sleepSwitch = 0;
  DO(profileTimeStop());
  const std::string p128 = repeat("測", 42) + "ab";
  for (const std::string& prefix : {p128, p128 + "c", std::string("kept"), std::string(511, 'p')}) {
    t.step("profileTimeStart " + std::to_string(prefix.size()) + " bytes", [&] { profileTimeStart(prefix.c_str()); });
    world().ticks += 2 * kMs;
    DO(profileTimeStop());
  }
}

TEST_F(Output, SyslogWriters) {
  for (std::int32_t level = -1; level <= 6; ++level) {
    t.step("log_sys level " + std::to_string(level), [&] { log_sys(level, "x=%d", 7); });
  }
  DO(logSysForced(session.fileHandle, 99, "x"));
  const std::string longest(8191 - std::string("[SYSLOG][■--ERROR--■] \r\n").size(), 'm');
  DO(log_sys(kError, "%s", longest.c_str()));
  DO(logSysForced(session.fileHandle, kError, "%s", longest.c_str()));
  DO(logSysDirect(session.fileHandle, kError, "%s", longest.c_str()));
  DO(logSysForced(session.fileHandle, kWarning, "%s", std::string(8190, 'h').c_str()));
  DO(log_sys(kInfo, std::string(8191, 'f').c_str()));
  DO(log_sys(kInfo, std::string(8190, 'g').c_str()));
  DO(logWrite(session.fileHandle, std::string(8190, 'a').c_str()));
  DO(logWrite(session.fileHandle, std::string(8191, 'b').c_str()));
  world().diskBytes = 1;  // a write that makes no progress is a failed one
  DO(logWrite(session.fileHandle, "no room"));
  world().diskBytes = 0;
  session.outputLevel = -1;
  DO(log_sys(kError, "hidden"));
  session.outputLevel = 0;
  DO(log_sys(kDebug, "any level at 0"));
  crLfOptionSet(1);
  session.sleepSwitch = 1;
  DO(log_sys(kError, "asleep"));
  DO(logSysForced(session.fileHandle, kError, "forced %s", "line"));
  DO(logSysDirect(session.fileHandle, kInfo, "direct"));
}

// With WriteFlg 65536 every "[SYSLOG]" line starts with the time and its tag's level, in dumps too, and the
// stamp counts toward the line's limit; other values write the line as before.
TEST_F(Output, SyslogLinesOf65536) {
  session.writeFlg = 65536;
  world().ticks += 678 * kMs;
  for (std::int32_t level = kFatal; level <= kDebug; ++level) {
    t.step("log_sys level " + std::to_string(level), [&] { log_sys(level, "x=%d", 7); });
  }
  DO(logInfo(std::string(8191, 's').c_str()));
  DO(logInfo(std::string(8156, 'o').c_str()));  // the longest record, then one byte more: the CRETICAL report
  DO(logInfo(std::string(8157, 'o').c_str()));
  DO(logPut("A\x80" "B", 3, 1, 10));
  DO(logPut("ab\xC3", 0, 0, 10));
  world().systemTexts[9] = std::u16string(8109, u'a') + u"\r\n";  // one unit more than the line has room for
  t.hostError = 9;
  DO(w32ErrLog("T", 7));
  world().ticks = fake::ticksAt(2026, 12, 31, 23, 59, 59) + 9999999;
  DO(profileTimeStop());
  session.writeFlg = 8192;
  DO(log_sys(kError, "x"));
}

TEST_F(Output, TextAndHexDumps) {
  DO(logPut("Hello world!", 12, 1, 10));
  DO(logPut("abc", 99, 0, 10));  // len is only printed
  DO(logPut("", -7, 1, 10));
  DO(logPut("A\x80" "B", 3, 1, 10));  // an invalid byte is reported in place and dropped
  for (const char* text : {"0123456789", "01234567890", "あいうえお", "abあいう", "abcdefghiあz", "\xC3" "A" "bcdefghijk",
                           "ab\xC3", "\xE3\x81", "x\xF0\x9F\x98", "\xFF"}) {
    t.step(std::string("logPut ") + text, [&] { logPut(text, 0, 0, 10); });  // lines end after the count is reached
  }
  DO(logPut(std::string(8190, 'l').c_str(), 0, 0, 80));
  std::vector<unsigned char> data(22000, 0x11);
  for (std::size_t i = 0; i < 25; ++i) data[i] = static_cast<unsigned char>(i + 1);
  static Transcript* units;  // rotation sizes a dump by what it announces before its first byte
  units = &t;
  unitHook = [](std::size_t size, std::size_t, bool start) { start ? units->note("announced " + std::to_string(size)) : void(); };
  DO(logPutHex("AB\xE3\x81\x82", 5, 1, 10));
  DO(logPutHex("A\0B", 3, 0, 10));
  DO(logPutHex("A", 0, 1, 10));
  for (std::int32_t len : {10, 20, 21}) t.step("len " + std::to_string(len), [&] { logPutHex(data.data(), len, 0, 10); });
  data[30] = 0;  // an early zero ends only the guard's measure; more than one stage full
  DO(logPutHex(data.data(), 22000, 0, 80));
  session.outputLevel = -1;
  DO(logPut("x", 1, 1, 5));  // the range message obeys outputLevel; the dump does not
  DO(logPut("y", 1, 0, 10));
  crLfOptionSet(1);
  DO(logPut("Hello world!", 12, 1, 10));
  DO(logPutHex(data.data(), 12, 1, 10));
}

TEST_F(Output, RawTable) {
  unsigned char rows[34];
  std::memcpy(rows, "\x00\x1F\x20\x7E\x7F\x80\xFF" "ABCDEFGHIJKLMNOPQRSTUVWXYZ!", 34);
  std::vector<unsigned char> big(9000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(0x20 + i % 95);
  t.alias(rows, "rows");
  t.alias(big.data(), "big");
  DO(logDumpRaw(rows, 34, "rows"));
  DO(logDumpRaw(rows, -3, "neg"));
  DO(logDumpRaw(big.data(), 8190, "all"));  // the largest table, one write
  big[100] = 0;
  session.writeFlg = 1;
  DO(logDumpRaw(big.data(), 8191, "p"));  // passes the measure, refused by size: no timing line
  startTicks = 0;
  DO(logDumpRaw(big.data(), 2, std::string(510, 'p').c_str()));
  session.bomSetFlg = 1;
  crLfOptionSet(1);  // header and closing lines follow the session; rows keep CR LF
  DO(logDumpRaw(rows, 17, "lf"));
}

// The placement table: `first` digits, the character, then XYZ; 22, 314, 315,
// 413, 414 and 415 carry cells to the next row.
TEST_F(Output, Utf8Table) {
  const std::string digits = "0123456789abcdef";
  const std::pair<std::string, std::vector<int>> placements[] = {{"\xC3\xA9", {0, 6, 7, 8, 14, 15}},
                                                                  {"\xE3\x81\x82", {5, 6, 7, 8, 13, 14, 15}},
                                                                  {"\xF0\x9F\x98\x80", {4, 5, 6, 7, 12, 13, 14, 15}}};
  for (const auto& [character, firsts] : placements) {
    for (int first : firsts) utf8(digits.substr(0, static_cast<std::size_t>(first)) + character + "XYZ");
  }
  // Control characters, short texts, and last characters whose bytes run out.
  for (const char* text : {"Hi\n\x01\x7F~", "", "ab\xE3\x81", "0123456789abcde\xF0\x9F", "0123456789abcd\xF0\x9F\x98"}) {
    utf8(text);
  }
  std::string mixed;
  const char* pieces[] = {"日本語", "abc", "é", "😀", "テキスト", "\n"};
  for (int i = 0; mixed.size() < 8180; ++i) mixed += pieces[i % 6];
  mixed.resize(8180);
  utf8(mixed + std::string(10, 'z'), "8190 bytes of mixed text");
  session.bomSetFlg = 1;  // the character set still says NoBom
  session.writeFlg = 1;
  utf8("\x81" "abc");  // no table; the timing line
  utf8("abc\xF8");
  startTicks = 0;
  world().ticks += 16 * kMs;
  utf8("a", "timed");
  t.note(startTicks == world().ticks ? "the stamp is taken before the table" : "stamp not taken");
}

// One write a table, whatever outputLevel says; labels are checked before scalars.
TEST_F(Output, BitTables) {
  session.outputLevel = -1;
  DO(makeBitStringUSHORT16(0x3042, "あ"));
  DO(makeBitStringUINT32(0x12345678, "%s%d%n"));
  DO(makeBitStringUSHORT16(0xFFFF, ""));
  for (std::uint32_t scalar : {0x41u, 0xE9u, 0x1F600u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD800u, 0xFFFFu, 0x10000u,
                               0x10FFFFu, 0x110000u, 0xFFFFFFFFu}) {
    t.step("scalar " + std::to_string(scalar), [&] { makeBitStringUnicodeScalarValue(scalar, "x"); });
  }
  session.outputLevel = 0;
  DO(makeBitStringUnicodeScalarValue(0x110000, "shown at 0"));
  crLfOptionSet(1);
  DO(makeBitStringUSHORT16(0xABCD, "lf"));
  DO(makeBitStringUINT32(0xABCD, "lf"));
  DO(makeBitStringUnicodeScalarValue(0x3042, "%Ts 100%"));
}

TEST_F(Output, LastError) {
  world().systemTexts.insert({{1234, u"Zeile eins.\r\nZeile zwei: 日本語 😀\r\n"}, {4321, u"no line end"}});
  session.outputLevel = -1;  // written at every level
  for (std::uint32_t code : {2u, 1234u, 4321u, 0xFFFFFFFFu}) {
    t.hostError = code;
    t.step("code " + std::to_string(code), [] { w32ErrLog("f()", -7); });
    DO(getLastErr());
  }
  // A line holds 8190 bytes: a long system text is kept whole when it fits,
  // else cut at a character boundary.
  const std::size_t room = 8190 - 25 - std::string("T line=7 Win32 ErrCode=9 :").size() - 2;
  const std::pair<std::u16string, std::size_t> texts[] = {{u"a", room}, {u"a", room + 1}, {u"あ", 3000}, {u"😀", 3000}};
  t.hostError = 9;
  for (const auto& [piece, count] : texts) {
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    world().systemTexts[9] = text + u"\r\n";
    t.step(std::to_string(count) + " x " + fake::u8(piece), [] { w32ErrLog("T", 7); });
  }
  crLfOptionSet(1);
  world().systemTexts[9] = std::u16string(room + 5, u'b') + u"\r\n";
  t.step("a shorter line end leaves one more byte", [] { w32ErrLog("T", 7); });
  world().failWriteAt = world().writeCalls + 1;  // the write's own error stays hidden
  DO(w32ErrLog("lost", 2));
}

TEST_F(Output, MessageBoxes) {
  world().boxResult = 2;
  DO(msgBoxOkCancel("続けますか?", "確認 😀"));
  world().boxResult = 0;  // the box could not be made
  DO(msgBoxOkCancel("failed", ""));
  const std::string s510 = repeat("あ", 170);  // 510 bytes, 170 units
  world().boxesVisible = false;  // a service: the debugger gets one line, nobody confirms
  world().boxResult = 1;
  DO(msgBox("line one\r\nline two\nthree\rfour\r\r\n", "タイトル 😀"));
  DO(msgBoxOkCancel(s510.c_str(), s510.c_str()));
  world().boxesVisible = true;  // asked again for each box
  DO(msgBoxOkCancel("seen", ""));
}

// While the record of a step is being written, each of `calls` runs in a
// thread of its own, one after another, and waits for the next batch.
void contend(Transcript& t, const std::string& label, std::vector<std::function<void()>> calls) {
  std::vector<std::thread> threads;
  world().duringWrite = [&] {
    world().duringWrite = nullptr;
    for (const auto& call : calls) {
      const int asleep = fake::sleepingCallers();
      threads.emplace_back(call);
      while (fake::sleepingCallers() == asleep) std::this_thread::yield();
    }
  };
  t.step(label, [&] { logInfo("first"); for (std::thread& th : threads) th.join(); });
}

// Under contention one write carries the units of many callers, whole and in
// the order they were handed on; no caller returns before its batch is written.
TEST_F(Output, GroupCommit) {
  world().contended = true;
  contend(t, "four callers, one write", {[] { logInfo("b"); }, [] { makeBitStringUSHORT16(1, "c"); },
                                         [] { logPut("d", 1, 1, 10); }, [] { logInfo("e"); }});
  world().shortWriteAt = world().writeCalls + 2;
  contend(t, "a batch the system takes in part is completed", {[] { logInfo("b"); }, [] { logInfo("c"); }});
  world().failWriteAt = world().writeCalls + 2;
  contend(t, "a failed write loses its batch alone", {[] { logInfo("lost b"); }, [] { logInfo("lost c"); }});
  DO(logInfo("the next unit says how many were lost"));
  contend(t, "a batch that eight records of 8 KB fill is written before the ninth", std::vector<std::function<void()>>(
                                                            9, [] { logInfo(std::string(8000, 'b').c_str()); }));
  contend(t, "logTerm while a caller waits", {[] { logInfo("b"); }, [] { logTerm(); }});
}

// A switch that fails under contention says so after the units batched before it.
TEST_F(Output, GroupCommitAtAFailedSwitch) {
  logTerm(), sessionResetToLoad();
  world().profiles[u"C:\\g.ini"] = {{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", u"g_"}, {u"CrLfOption", u"1"},
                                    {u"LogOutPutLevel", u"5"}, {u"LogKBytesRotateFlg", u"1"}, {u"LogKBytesSize", u"1"}};
  ASSERT_EQ(logInitProfile("C:\\g.ini"), 1);
  logInfo(std::string(800, 'a').c_str());
  world().denied.insert(u"C:\\logs"), world().contended = true;
  const auto record = [](char c) { return [c] { logInfo(std::string(97, c).c_str()); }; };
  contend(t, "b fits, c does not", {record('b'), record('c')});
}

TEST_F(Output, FaultsOfTheFile) {
  world().failWriteAt = world().writeCalls + 1;
  DO(logInfo("lost: a failed write loses only its own record"));
  DO(logInfo("after"));
  world().shortWriteAt = world().writeCalls + 1;
  DO(logInfo("a record the system took only half of at first"));
  const unsigned char bytes[20] = {1, 2, 3};
  t.alias(bytes, "bytes");
  world().shortWriteAt = world().writeCalls + 1;
  DO(logDumpRaw(bytes, 20, "t"));
  const std::string pieces = std::string("h\0", 2) + std::string(50000, 'h');  // three writes: the second fails
  world().failWriteAt = world().writeCalls + 2;
  t.step("a dump in pieces loses all of them", [&] { logPutHex(pieces.c_str(), 50000, 1, 80); });
  world().diskBytes = world().files[u"C:\\logs\\t_20261205.log"].size() + 1;
  DO(logInfo("the disk took one byte of it"));
  world().diskBytes = world().files[u"C:\\logs\\t_20261205.log"].size() + 10;
  DO(logInfo("cut by the full disk"));
  DO(logPut("no room at all", 4, 1, 10));
  DO(logTerm());
  DO(logInfo("ended"));
}

}  // namespace
}  // namespace corvelin::testing_support
