// Win32 error reporting, message boxes and elapsed-time profiling over the
// fake platform. What they do outside an active session is in matrix_test.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "test_support.h"

namespace corvelin {
namespace {

using fake::Box;
using fake::world;
using testing_support::logText;
using testing_support::repeat;

// ---- Win32 errors ----------------------------------------------------------

class LastError : public testing_support::SessionTest {};

TEST_F(LastError, ResetClearsGetReadsAndLeavesTheHostsCode) {
  world().lastError = 2;
  EXPECT_EQ(getLastErr(), 2u);
  EXPECT_EQ(world().lastError, 2u);
  world().lastError = 0xFFFFFFFF;
  EXPECT_EQ(getLastErr(), 0xFFFFFFFFu);
  w32ResetErrCode();
  EXPECT_EQ(world().lastError, 0u);
  EXPECT_EQ(getLastErr(), 0u);
}

TEST_F(LastError, DescribesTheCodeWithTheSystemTextWithoutItsLineEnd) {
  const std::string text510(510, 't');
  const struct {
    std::uint32_t code;
    std::string text;
    std::int32_t line;
    std::string expected;
  } cases[] = {
      {2, "T", 120, "[SYSLOG][○--INFO--○] T line=120 Win32 ErrCode=2 :The system cannot find the file specified.\r\n"},
      {1234, "f()", -7, "[SYSLOG][○--INFO--○] f() line=-7 Win32 ErrCode=1234 :Zeile eins.\r\nZeile zwei: 日本語 😀\r\n"},
      {4321, "", 0, "[SYSLOG][○--INFO--○]  line=0 Win32 ErrCode=4321 :no line end\r\n"},
      {99999, "%s%d", 1, "[SYSLOG][○--INFO--○] %s%d line=1 Win32 ErrCode=99999 :(no system text for this code)\r\n"},
      {0x80070005, "hr", 2, "[SYSLOG][○--INFO--○] hr line=2 Win32 ErrCode=-2147024891 :(no system text for this code)\r\n"},
      {5, text510, 3, "[SYSLOG][○--INFO--○] " + text510 + " line=3 Win32 ErrCode=5 :Access is denied.\r\n"},
  };
  for (const auto& c : cases) {
    testing_support::openSession(-1);  // written at every output level
    world().systemTexts[1234] = u"Zeile eins.\r\nZeile zwei: 日本語 😀\r\n";
    world().systemTexts[4321] = u"no line end";
    world().lastError = c.code;
    w32ErrLog(c.text.c_str(), c.line);
    EXPECT_EQ(logText(), c.expected) << c.code;
    EXPECT_EQ(world().lastError, c.code) << "the host's code survives the write";
  }
}

TEST_F(LastError, TheWritesOwnErrorIsHidden) {
  world().lastError = 5;
  world().failWriteAt = world().writeCalls + 1;  // this write fails and sets an error of its own
  w32ErrLog("lost", 2);
  EXPECT_EQ(world().lastError, 5u);
  EXPECT_EQ(logText(), "");
}

TEST_F(LastError, LongSystemTextsAreKeptWholeOrCutAtACharacterBoundary) {
  // The line may hold 8190 bytes: 25 of tag, the head, the text, the line end.
  const std::string head = "T line=7 Win32 ErrCode=9 :";
  const std::size_t room = 8190 - 25 - head.size() - 2;
  const struct {
    std::u16string piece;  // repeated to make the system text
    std::string utf8;      // the same piece in UTF-8
    std::size_t count;
    std::size_t kept;      // pieces expected in the log
    std::int32_t crLf;
  } cases[] = {
      {u"a", "a", room, room, 0},                // exactly fits
      {u"a", "a", room + 1, room, 0},            // one byte over
      {u"b", "b", room + 5, room + 1, 1},        // a shorter line end leaves one more byte
      {u"あ", "あ", 2700, 2700, 0},              // 8100 bytes: whole
      {u"あ", "あ", 3000, room / 3, 0},          // 9000 bytes: whole characters only
      {u"😀", "😀", 3000, room / 4, 0},          // pairs are never split
      {u"é", "é", 5000, room / 2, 0},
  };
  for (const auto& c : cases) {
    testing_support::openSession();
    crLfOptionSet(c.crLf);
    std::u16string text;
    for (std::size_t i = 0; i < c.count; ++i) text += c.piece;
    world().systemTexts[9] = text + u"\r\n";
    world().lastError = 9;
    w32ErrLog("T", 7);
    EXPECT_EQ(logText(), "[SYSLOG][○--INFO--○] " + head + repeat(c.utf8, c.kept) + (c.crLf ? "\n" : "\r\n"))
        << c.utf8 << " x" << c.count;
  }
}

// ---- Message boxes -----------------------------------------------------------

class MessageBoxes : public testing_support::SessionTest {};

TEST_F(MessageBoxes, TextsReachTheBoxInUtf16AndTheAnswerComesBack) {
  world().boxResult = 2;
  msgBox("日本語のテキスト 😀", "タイトル");
  EXPECT_EQ(msgBoxOkCancel("続けますか?", "確認"), 2);
  world().boxResult = 1;
  EXPECT_EQ(msgBoxOkCancel("again", ""), 1);
  world().boxResult = 0;  // the box could not be made
  EXPECT_EQ(msgBoxOkCancel("failed", "box"), 0);
  msgBox("bad \xC0\x80", "ok");  // invalid UTF-8 shows as an empty text
  msgBox("ok", "\xED\xA0");
  const std::vector<Box> expected = {
      {u"日本語のテキスト \xD83D\xDE00", u"タイトル", 0}, {u"続けますか?", u"確認", 1}, {u"again", u"", 1},
      {u"failed", u"box", 1}, {u"", u"ok", 0}, {u"ok", u"", 0},
  };
  EXPECT_EQ(world().boxes, expected);
  EXPECT_EQ(logText(), "");
}

TEST_F(MessageBoxes, TextsAndTitlesUpTo510Bytes) {
  const std::string s510 = repeat("あ", 170);
  const std::string s511 = s510 + "x";
  msgBox(s510.c_str(), s510.c_str());
  msgBox(s511.c_str(), "t");
  EXPECT_EQ(msgBoxOkCancel("t", s511.c_str()), 0);
  EXPECT_EQ(msgBoxOkCancel(std::string(600, 'a').c_str(), std::string(700, 'b').c_str()), 0);  // the text's first
  const std::u16string u510 = fake::u16(s510.c_str());
  EXPECT_EQ(world().boxes, (std::vector<Box>{{u510, u510, 0}}));
  EXPECT_EQ(logText(),
            "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp msgBox() maxSize=510 < dataSize=511\r\n"
            "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp msgBoxOkCancel() maxSize=510 < "
            "dataSize=511\r\n"
            "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp msgBoxOkCancel() maxSize=510 < "
            "dataSize=600\r\n");
}

TEST_F(MessageBoxes, AnOpenBoxHoldsNoLockAndTheHostsErrorSurvivesIt) {
  bool otherThreadLogged = false;
  std::future<void> other;  // outlives the box, so a held lock fails the test instead of hanging it
  world().onBox = [&] {
    world().lastError = 1400;  // what a real box may leave behind
    other = std::async(std::launch::async, [] { logInfo("while the box is open"); });
    otherThreadLogged = other.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  };
  world().lastError = 6;
  EXPECT_EQ(msgBoxOkCancel("q", "t"), 1);
  EXPECT_TRUE(otherThreadLogged);
  EXPECT_EQ(world().lastError, 6u);
  EXPECT_EQ(logText(), "[while the box is open]\r\n");
}

// ---- Elapsed time ------------------------------------------------------------

constexpr std::int64_t kTicksPerMs = 10000;

class Profiling : public testing_support::SessionTest {};

TEST_F(Profiling, SecondsAreTruncatedToWholeMilliseconds) {
  const struct {
    std::int64_t ticks;
    const char* seconds;
  } cases[] = {
      {1500 * kTicksPerMs, "1.500000"},
      {4000, "0.000000"},  // 0.4 ms
      {9999, "0.000000"},
      {kTicksPerMs, "0.001000"},
      {-2500000, "-0.250000"},  // a clock set back
      {-4000, "0.000000"},      // toward zero, not down
      {-15999, "-0.001000"},
      {3600LL * 1000 * kTicksPerMs, "3600.000000"},
  };
  for (const auto& c : cases) {
    testing_support::openSession();
    profileTimeStart("load");
    world().ticks += c.ticks;
    profileTimeStop();
    EXPECT_EQ(logText(), std::string("[SYSLOG][○--INFO--○] [load] 経過時間=") + c.seconds + "[sec]\r\n") << c.ticks;
  }
}

// Without a start, from 1970; a start made while sleeping is not taken.
TEST_F(Profiling, EveryStopMeasuresFromTheLastStart) {
  session.outputLevel = -1;  // not consulted
  profileTimeStop();  // the fake clock stands at 2026-12-05 01:23:45 UTC
  session.sleepSwitch = 1;
  profileTimeStart("asleep");
  session.sleepSwitch = 0;
  world().ticks += 1000 * kTicksPerMs;
  profileTimeStop();
  profileTimeStart("");
  world().ticks += 1000 * kTicksPerMs;
  profileTimeStop();
  world().ticks += 2000 * kTicksPerMs;
  profileTimeStop();
  profileTimeStart("100% %s %d %n");
  world().ticks += 5 * kTicksPerMs;
  profileTimeStop();
  EXPECT_EQ(logText(),
            "[SYSLOG][○--INFO--○] [] 経過時間=1796433825.000000[sec]\r\n"
            "[SYSLOG][○--INFO--○] [] 経過時間=1796433826.000000[sec]\r\n"
            "[SYSLOG][○--INFO--○] [] 経過時間=1.000000[sec]\r\n"
            "[SYSLOG][○--INFO--○] [] 経過時間=3.000000[sec]\r\n"
            "[SYSLOG][○--INFO--○] [100% %s %d %n] 経過時間=0.005000[sec]\r\n");
}

TEST_F(Profiling, PrefixLimits) {
  const std::string p128 = repeat("測", 42) + "ab";  // 128 bytes
  profileTimeStart(p128.c_str());
  world().ticks += 2 * kTicksPerMs;
  profileTimeStop();
  profileTimeStart((p128 + "c").c_str());  // 129: prefix emptied, start kept
  world().ticks += 2 * kTicksPerMs;
  profileTimeStop();
  profileTimeStart("kept");
  profileTimeStart(std::string(511, 'p').c_str());  // size report: nothing changes
  world().ticks += 7 * kTicksPerMs;
  profileTimeStop();
  profileTimeStart(std::string(510, 'p').c_str());  // passes the size check, fails the 128 one
  profileTimeStart(nullptr);
  profileTimeStop();
  EXPECT_EQ(logText(),
            "[SYSLOG][○--INFO--○] [" + p128 +
                "] 経過時間=0.002000[sec]\r\n"
                "[SYSLOG][■--ERROR--■] profileTimeStart() prefix文字列は128バイトまでです。バッファオーバサイズエラー\r\n"
                "[SYSLOG][○--INFO--○] [] 経過時間=0.004000[sec]\r\n"
                "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp profileTimeStart() maxSize=510 < "
                "dataSize=511\r\n"
                "[SYSLOG][○--INFO--○] [kept] 経過時間=0.007000[sec]\r\n"
                "[SYSLOG][■--ERROR--■] profileTimeStart() prefix文字列は128バイトまでです。バッファオーバサイズエラー\r\n"
                "[SYSLOG][○--INFO--○] [] 経過時間=0.007000[sec]\r\n");
}

}  // namespace
}  // namespace corvelin
