// Record lines: every WriteFlg prefix, the time cache, the level thresholds.
// Null texts, sleeping and the size report of each function: matrix_test.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "record/lineprefix.h"
#include "test_support.h"

namespace corvelin {
namespace {

using fake::world;
using testing_support::logText;

class Records : public testing_support::SessionTest {
 protected:
  static std::string lineFor(std::int32_t writeFlg, const char* text = "abc") {
    session.writeFlg = writeFlg;
    return testing_support::appended([text] { logInfo(text); });
  }
};

// 2026-12-05 01:23:45 local, thread 4242, 123456 ms since boot.
TEST_F(Records, EveryWriteFlgOfTheTable) {
  const struct {
    std::int32_t writeFlg;
    const char* line;
  } cases[] = {
      {0, "[abc]\r\n"},
      {1, "tid=4242:0.000000[sec][abc]\r\n"},
      {2, "45:[abc]\r\n"},
      {3, "45:0.000000[sec]:[abc]\r\n"},
      {4, "23:[abc]\r\n"},
      {5, "23:0.000000[sec]:[abc]\r\n"},
      {6, "23:45:[abc]\r\n"},
      {7, "23:45:0.000000[sec]:[abc]\r\n"},
      {8, "01:[abc]\r\n"},
      {9, "01:0.000000[sec]:[abc]\r\n"},
      {16, "05:[abc]\r\n"},
      {32, "12:[abc]\r\n"},
      {64, "2026:[abc]\r\n"},
      {128, "2026:12:05:[abc]\r\n"},
      {256, "20261205:[abc]\r\n"},
      {512, "2026/12/05:[abc]\r\n"},
      {1024, "2026-12-05:[abc]\r\n"},
      {2048, "20261205-012345:[abc]\r\n"},
      {4096, "2026/12/05-01:23:45:[abc]\r\n"},
      {8192, "2026-12-05 01:23:45:[abc]\r\n"},
      {16384, "20261205-012345:0.000000[sec]:[abc]\r\n"},
      {32768, "2026/12/05-01:23:45:0.000000[sec][abc]\r\n"},
      {32784, "[OSBootTime:123456]:[abc]\r\n"},
      // Values outside the table write nothing.
      {10, ""}, {17, ""}, {300, ""}, {-1, ""}, {32769, ""}, {65536, ""}, {8193, ""}, {-2147483647 - 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(lineFor(c.writeFlg), c.line) << c.writeFlg;
}

TEST_F(Records, TheYearOf128HasATwoDigitMinimum) {
  world().ticks = fake::ticksAt(7, 3, 4, 0, 0, 0);
  EXPECT_EQ(lineFor(128), "07:03:04:[abc]\r\n");
  world().ticks = fake::ticksAt(12026, 3, 4, 0, 0, 0);
  EXPECT_EQ(lineFor(128), "12026:03:04:[abc]\r\n");
}

TEST_F(Records, TheLocalTimeIsConvertedOncePerSecond) {
  session.writeFlg = 8192;
  world().ticks = fake::ticksAt(2026, 12, 31, 23, 59, 59) + 9999999;  // the last tick of the year
  const int before = world().localTimeCalls;
  for (int i = 0; i < 50; ++i) logInfo("a");
  EXPECT_EQ(world().localTimeCalls, before + 1);
  world().ticks += 1;  // midnight: a new second, a new day, a new year
  logInfo("b");
  logInfo("c");
  EXPECT_EQ(world().localTimeCalls, before + 2);
  EXPECT_EQ(logText(), testing_support::repeat("2026-12-31 23:59:59:[a]\r\n", 50) +
                           "2027-01-01 00:00:00:[b]\r\n"
                           "2027-01-01 00:00:00:[c]\r\n");
}

// The cached second is trusted only while the monotonic clock proves it
// current; the last moments of every second read the wall clock again.
TEST_F(Records, TheSecondChangesExactlyAtItsBoundary) {
  const std::int64_t second = fake::ticksAt(2026, 12, 5, 1, 23, 45);
  const struct {
    std::int64_t offset;  // ticks after 01:23:45
    const char* line;
  } steps[] = {
      {5000000, "45:[x]\r\n"},   // .5: cached for the next ~.47 s
      {9000000, "45:[x]\r\n"},   // .9
      {9999999, "45:[x]\r\n"},   // the last tick of the second
      {10000000, "46:[x]\r\n"},  // the boundary itself
      {10000001, "46:[x]\r\n"},
  };
  for (const auto& s : steps) {
    world().ticks = second + s.offset;
    EXPECT_EQ(lineFor(2, "x"), s.line) << s.offset;
  }
}

TEST_F(Records, ACachedPrefixFollowsAChangeOfWriteFlg) {
  EXPECT_EQ(lineFor(8192), "2026-12-05 01:23:45:[abc]\r\n");
  EXPECT_EQ(lineFor(1024), "2026-12-05:[abc]\r\n");
  EXPECT_EQ(lineFor(8192), "2026-12-05 01:23:45:[abc]\r\n");
  world().bootMillis = 7;
  EXPECT_EQ(lineFor(32784), "[OSBootTime:7]:[abc]\r\n");
  world().bootMillis = 4294967295u;  // timeGetTime wraps; %ld prints it signed
  EXPECT_EQ(lineFor(32784), "[OSBootTime:-1]:[abc]\r\n");
}

TEST_F(Records, EveryThresholdAtEveryOutputLevel) {
  // Which of _log, logDebug, logInfo, logWarning, logError, logCritical write.
  const struct {
    std::int32_t outputLevel;
    const char* written;
  } cases[] = {
      {-1, "L....."}, {0, "L....."}, {1, "L....C"}, {2, "L...EC"},
      {3, "L..WEC"}, {4, "L.IWEC"}, {5, "LDIWEC"}, {6, "LDIWEC"},
  };
  using Fn = void(CORVELIN_CALL*)(const char*);
  const Fn functions[6] = {_log, logDebug, logInfo, logWarning, logError, logCritical};
  const char* names = "LDIWEC";
  for (const auto& c : cases) {
    testing_support::openSession(c.outputLevel, 0);
    std::string expected;
    for (int i = 0; i < 6; ++i) {
      functions[i](std::string(1, names[i]).c_str());
      if (c.written[i] != '.') expected += std::string("[") + names[i] + "]\r\n";
    }
    EXPECT_EQ(logText(), expected) << "outputLevel " << c.outputLevel;
  }
}

TEST_F(Records, TheTextIsWrittenByteForByteAndIsNoFormat) {
  EXPECT_EQ(lineFor(0, "100% done %s %d"), "[100% done %s %d]\r\n");
  EXPECT_EQ(lineFor(0, ""), "[]\r\n");
  EXPECT_EQ(lineFor(0, "\xFF\xFE invalid \xC3"), "[\xFF\xFE invalid \xC3]\r\n");
}

TEST_F(Records, LongTextsAreWrittenWholeOrNotAtAll) {
  const std::string fits(8185, 'f');      // "[" + 8185 + "]\r\n" and the terminator: 8190
  const std::string tooLong(8186, 't');   // its line does not fit: the line is empty
  const std::string longest(8190, 'l');   // passes the size check, line too long
  const std::string refused(8191, 'r');
  logInfo(fits.c_str());
  logInfo(tooLong.c_str());
  logInfo(longest.c_str());
  logInfo(refused.c_str());
  EXPECT_EQ(logText(), "[" + fits + "]\r\n" +
                           "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp logInfo() maxSize=8190 < "
                           "dataSize=8191\r\n");
}

// Timed prefixes take the caller's thread and restart the stamp the
// elapsed seconds are measured from, truncated to whole milliseconds.
TEST_F(Records, TimedValuesTakeTheCallersThreadAndRestartTheStamp) {
  world().threadId = 99;
  startTicks = 0;
  EXPECT_EQ(lineFor(1), "tid=99:0.000000[sec][abc]\r\n");
  EXPECT_EQ(startTicks, world().ticks);
  startTicks = 5;
  lineFor(8192);
  EXPECT_EQ(startTicks, 5) << "untimed values leave the stamp alone";
  char line[kLineCapacity];
  startTicks = world().ticks - 15009999;
  EXPECT_EQ(std::string(line, makeLogLine(3, "x", 1, 0, line)), "45:1.500000[sec]:[x]\r\n");
  startTicks = world().ticks + 15999;  // a clock set back
  EXPECT_EQ(std::string(line, makeLogLine(3, "x", 1, 0, line)), "45:-0.001000[sec]:[x]\r\n");
}

TEST_F(Records, LineEndingsFollowCrLfOption) {
  crLfOptionSet(1);
  EXPECT_EQ(lineFor(2), "45:[abc]\n");
  crLfOptionSet(9);
  EXPECT_EQ(lineFor(2), "45:[abc]");
  crLfOptionSet(0);
}

}  // namespace
}  // namespace corvelin
