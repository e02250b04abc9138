// Faults of the file system, injected through the platform seam: the
// library goes on, and what the file already holds stays as it was.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "session/session.h"

namespace corvelin {
namespace {

using fake::world;

const std::string kStart = "--- [f_] start Log={C:\\logs\\f_20261205.log} ---\r\n";
const std::string kEnd = "--- [f_] end Log ---\r\n\r\n\r\n";

class Faults : public testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    fake::addDir(u"C:\\logs");
    ASSERT_EQ(logInit("C:\\logs", "f_", 0, 0, 5, 0, 0), 1);
  }
  void TearDown() override { sessionResetToLoad(); }
  static std::string text() { return fake::fileText(u"C:\\logs\\f_20261205.log"); }
  static int nextWrite() { return world().writeCalls + 1; }
};

TEST_F(Faults, AFailedWriteLosesOnlyItsOwnRecord) {
  logInfo("before");
  world().failWriteAt = nextWrite();
  logInfo("lost");
  logInfo("after");
  logTerm();
  EXPECT_EQ(text(), kStart + "[before]\r\n[after]\r\n" + kEnd);
}

TEST_F(Faults, AWriteTakenInPartIsCompleted) {
  world().shortWriteAt = nextWrite();
  logInfo("a record the system took only half of at first");
  const unsigned char bytes[40] = {1, 2, 3};
  world().shortWriteAt = nextWrite();
  logDumpRaw(bytes, 40, "t");
  world().shortWriteAt = nextWrite();
  logTerm();
  const std::string all = text();
  EXPECT_EQ(all.substr(0, kStart.size() + 50), kStart + "[a record the system took only half of at first]\r\n");
  EXPECT_EQ(all.substr(all.size() - kEnd.size()), kEnd);
  EXPECT_EQ(all.find("000040 0x0028\r\n"), all.size() - kEnd.size() - 85 - 15);
}

TEST_F(Faults, AFullDiskKeepsWhatWasWrittenAndNeverHangs) {
  logInfo("kept");
  const std::string before = text();
  world().diskBytes = before.size() + 10;  // room for part of one more record
  logInfo("cut by the full disk");
  logInfo("no room at all");
  logPut("dump", 4, 1, 10);
  logTerm();
  EXPECT_EQ(text(), before + "[cut by th");
}

TEST_F(Faults, TheDirectoryDisappearsDuringTheSession) {
  logInfo("written");
  fake::removeDir(u"C:\\logs");
  logInfo("into the void");
  logDumpUTF8("still fine", 0, "p");
  logTerm();
  EXPECT_EQ(world().files.count(u"C:\\logs\\f_20261205.log"), 0u);
  EXPECT_EQ(logInit("C:\\logs", "f_", 0, 0, 5, 0, 0), 0) << "the session is over";
  EXPECT_TRUE(world().boxes.empty());
}

TEST_F(Faults, EveryWriteRefusedStillEndsCleanly) {
  world().diskBytes = 1;  // already full: every write stores nothing
  logInfo("a");
  logPutHex("abc", 3, 1, 10);
  logTerm();
  EXPECT_EQ(text(), kStart);
  EXPECT_FALSE(sessionActive());
}

}  // namespace
}  // namespace corvelin
