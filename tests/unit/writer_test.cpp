// The "[SYSLOG]" writers; bufSizCheck_U8 reports: matrix_test.
#include "record/writer.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "test_support.h"

namespace corvelin {
namespace {

using testing_support::logText;

class Writer : public testing_support::SessionTest {};

TEST_F(Writer, EveryLevelHasItsTagAndMarker) {
  for (std::int32_t level = -1; level <= 6; ++level) log_sys(level, "x=%d", 7);  // none outside 0-5
  logSysForced(session.fileHandle, 99, "x");
  logSysDirect(session.fileHandle, -5, "x");
  EXPECT_EQ(logText(),
            "[SYSLOG][★--FATAL--★] x=7\r\n"
            "[SYSLOG][●--CRETICAL--●] x=7\r\n"
            "[SYSLOG][■--ERROR--■] x=7\r\n"
            "[SYSLOG][□--WARNING--□] x=7\r\n"
            "[SYSLOG][○--INFO--○] x=7\r\n"
            "[SYSLOG][◆--DEBUG--◆] x=7\r\n");
}

TEST_F(Writer, LogSysObeysOutputLevelAndSleepForcedDoesNot) {
  session.outputLevel = -1;
  log_sys(kError, "hidden");
  session.outputLevel = 0;
  log_sys(kDebug, "any level at 0");
  session.sleepSwitch = 1;
  log_sys(kError, "asleep");
  logSysForced(session.fileHandle, kError, "forced %s", "line");
  logSysDirect(session.fileHandle, kInfo, "direct");
  EXPECT_EQ(logText(),
            "[SYSLOG][◆--DEBUG--◆] any level at 0\r\n"
            "[SYSLOG][■--ERROR--■] forced line\r\n"
            "[SYSLOG][○--INFO--○] direct\r\n");
}

TEST_F(Writer, LineEndingFollowsCrLfOption) {
  crLfOptionSet(1);
  log_sys(kInfo, "lf");
  crLfOptionSet(7);
  log_sys(kInfo, "none");
  crLfOptionSet(0);
  EXPECT_EQ(logText(), "[SYSLOG][○--INFO--○] lf\n[SYSLOG][○--INFO--○] none");
}

TEST_F(Writer, LogWriteTakes8190BytesAndReportsLonger) {
  const std::string fits(8190, 'a');
  EXPECT_EQ(logWrite(session.fileHandle, fits.c_str()), 1);
  const std::string tooLong(8191, 'b');
  EXPECT_EQ(logWrite(session.fileHandle, tooLong.c_str()), 0);
  EXPECT_EQ(logText(), fits +
                           "[SYSLOG][●--CRETICAL--●] corvelin.cpp line=135logWrite文字列長が8100バイトを超えました、"
                           "ログ出力できません\r\n");
}

TEST_F(Writer, OverlongSyslogLinesAreReplacedByTheirWriter) {
  // 8160 bytes of message make a line of 8191 bytes with its tag and CR LF.
  const std::string message(8191 - std::string("[SYSLOG][■--ERROR--■] \r\n").size(), 'm');
  const std::string replacedBy135 =
      "[SYSLOG][●--CRETICAL--●] corvelin.cpp line=135logWrite文字列長が8100バイトを超えました、ログ出力できません\r\n";
  const std::string replacedBy104 =
      "[SYSLOG][●--CRETICAL--●] corvelin.cpp line=104logWrite文字列長が8100バイトを超えました、ログ出力できません\r\n";
  log_sys(kError, "%s", message.c_str());
  logSysForced(session.fileHandle, kError, "%s", message.c_str());
  logSysDirect(session.fileHandle, kError, "%s", message.c_str());
  EXPECT_EQ(logText(), replacedBy135 + replacedBy135 + replacedBy104);
}

TEST_F(Writer, AMessageThatDoesNotFitIsLeftEmpty) {
  const std::string huge(8190, 'h');
  logSysForced(session.fileHandle, kWarning, "%s", huge.c_str());
  EXPECT_EQ(logText(), "[SYSLOG][□--WARNING--□] \r\n");
}

TEST_F(Writer, AFormatOver8190BytesGetsOnlyTheSizeReport) {
  const std::string format(8191, 'f');
  log_sys(kInfo, format.c_str());
  const std::string format8190(8190, 'g');
  log_sys(kInfo, format8190.c_str());  // fits the check, then the line is too long for the file
  EXPECT_EQ(logText(),
            "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp log_sys() maxSize=8190 < dataSize=8191\r\n"
            "[SYSLOG][○--INFO--○] \r\n");
}

TEST_F(Writer, NothingReachesAClosedOrMissingFile) {
  FileHandle none = platform::kInvalidHandle;
  EXPECT_EQ(logSysForced(none, kError, "x"), 0);
  EXPECT_EQ(logSysDirect(platform::kNoHandle, kError, "x"), 0);
  EXPECT_EQ(logWrite(none, "x"), 0);
  EXPECT_EQ(logText(), "");
}

TEST_F(Writer, AFailedWriteIsPassedBack) {
  fake::world().failWriteAt = fake::world().writeCalls + 1;
  EXPECT_EQ(logWrite(session.fileHandle, "lost\r\n"), 0);
  EXPECT_EQ(logWrite(session.fileHandle, "kept\r\n"), 1);
  EXPECT_EQ(logText(), "kept\r\n");
}

}  // namespace
}  // namespace corvelin
