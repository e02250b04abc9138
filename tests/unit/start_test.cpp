// logInit, logInitProfile and logTerm over the fake platform, boxes included.
// Start calls in every session state: matrix_test.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "session/session.h"
#include "test_support.h"

namespace corvelin {
namespace {

using fake::Box;
using fake::world;

const char* const kLog = "C:\\logs\\app_20261205.log";
const std::string kBom = "\xEF\xBB\xBF";
const std::string kBanners = "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\r\n--- [app_] end Log ---\r\n\r\n\r\n";
const std::string kSleepBanner =
    "##### if logInit use. LOG_SLEEP Switch ON! No save logs...  logInit() No.5 Param 0 Set to start Log! #####\r\n";

std::string file(const char* path) { return fake::fileText(fake::u16(path)); }
bool exists(const char* path) { return world().files.count(fake::normalise(fake::u16(path))) != 0; }

// The boxes of an open whose last attempt failed with `code`.
std::vector<Box> openFailed(std::vector<std::uint32_t> attempts, const std::u16string& path,
                            const std::u16string& systemText) {
  std::vector<Box> boxes;
  for (std::uint32_t code : attempts) {
    boxes.push_back({u"File Open Error errcode=" + fake::u16(std::to_string(code).c_str()) + u" path=" + path,
                     u"hvfopen() Error!", 0});
  }
  boxes.push_back({u"[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 ErrCode=" +
                       fake::u16(std::to_string(attempts.back()).c_str()) + u" :" + systemText,
                   u"logutl_W.cpp logOpen() line=112", 0});
  return boxes;
}

void setProfile(const char16_t* path, const char* text) { world().profiles[fake::normalise(path)] = fake::u16(text); }

class Start : public testing_support::LoadedTest {
 protected:
  static std::uint8_t start(const char* dir = "C:\\logs", const char* prefix = "app_", std::int32_t crLf = 0,
                            std::int32_t sleep = 0, std::int32_t bom = 0) {
    return logInit(dir, prefix, 8192, crLf, 5, sleep, bom);
  }
};

// A started and ended session, whole file by whole file.
TEST_F(Start, WhatASessionLeavesInItsFile) {
  const struct {
    const char* name;
    std::function<std::uint8_t()> start;
    const char* path;
    std::string expected;
  } cases[] = {
      {"a new file with the mark", [] { return logInit("C:\\logs", "app_", 8192, 0, 5, 0, 7); }, kLog, kBom + kBanners},
      {"a new file without it", [] { return logInit("C:\\logs", "app_", 8192, 0, 5, 0, 0); }, kLog, kBanners},
      {"appending shows the directory and adds no mark",
       [] {
         world().files[fake::normalise(fake::u16(kLog))] = "earlier\r\n";
         return logInit("C:\\logs", "app_", 8192, 0, 5, 0, 1);
       },
       kLog, "earlier\r\n--- [app_] start Log={C:\\logs} ---\r\n--- [app_] end Log ---\r\n\r\n\r\n"},
      {"the last directory component is made", [] { return logInit("C:\\logs\\new", "p", 0, 0, 5, 0, 0); },
       "C:\\logs\\new\\p20261205.log",
       "--- [p] start Log={C:\\logs\\new\\p20261205.log} ---\r\n--- [p] end Log ---\r\n\r\n\r\n"},
      {"sleeping writes only its banner", [] { return logInit("C:\\logs", "app_", 8192, 0, 5, 1, 1); }, kLog,
       kBom + kSleepBanner},
      {"LF", [] { return logInit("C:\\logs", "app_", 0, 1, 5, 0, 0); }, kLog,
       "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\n--- [app_] end Log ---\n\n\n"},
      {"CR", [] { return logInit("C:\\logs", "app_", 0, 2, 5, 0, 0); }, kLog,
       "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\r--- [app_] end Log ---\r\r\r"},
      {"no line ending", [] { return logInit("C:\\logs", "app_", 0, 5, 5, 0, 0); }, kLog,
       "--- [app_] start Log={C:\\logs\\app_20261205.log} ------ [app_] end Log ---"},
      {"an invalid prefix is taken as empty", [] { return logInit("C:\\logs", "ab\xC3", 0, 0, 5, 0, 0); },
       "C:\\logs\\20261205.log", "--- [] start Log={C:\\logs\\20261205.log} ---\r\n--- [] end Log ---\r\n\r\n\r\n"},
      {"a profile with only the section line: the defaults, in the current directory",
       [] {
         setProfile(u"C:\\cfg\\empty.ini", "[Halvix]\n");
         return logInitProfile("C:\\cfg\\empty.ini");
       },
       "PREFIX_20261205.log",  // ".\\" and the separator give two backslashes
       "--- [PREFIX_] start Log={.\\\\PREFIX_20261205.log} ---\r\n--- [PREFIX_] end Log ---\r\n\r\n\r\n"},
      {"a bare profile name is looked for in the Windows directory",
       [] {
         setProfile(u"C:\\windows\\corvelin.ini", "[Halvix]\nLogWritePathDir=C:\\logs\nLogFileNamePrefix=app_\n");
         return logInitProfile("corvelin.ini");
       },
       kLog, kBanners},
      {"a sleeping profile",
       [] {
         setProfile(u"C:\\s.ini", "[Halvix]\nLogWritePathDir=C:\\logs\nLogFileNamePrefix=app_\nLogSleepSwitch=1\n");
         return logInitProfile("C:\\s.ini");
       },
       kLog,
       "##### log_init_profile Init! halvix.conf Now Sleeping! LogSleepSwitch=1 Set to '0' Go Logging! #####\r\n"},
  };
  for (const auto& c : cases) {
    SetUp();
    world().lastError = 1234;
    ASSERT_EQ(c.start(), 1) << c.name;
    EXPECT_EQ(world().lastError, 1234u) << "the host's last error survives";
    EXPECT_TRUE(sessionActive() == (session.sleepSwitch == 0)) << c.name;
    logTerm();
    EXPECT_EQ(file(c.path), c.expected) << c.name;
    EXPECT_TRUE(world().boxes.empty()) << c.name;
    EXPECT_EQ(world().liveBlocks, 0) << c.name;
    EXPECT_FALSE(sessionActive());
    EXPECT_EQ(start(), 0) << "the session cannot be started again";
    sessionResetToLoad();
  }
}

TEST_F(Start, TheSettingsAreStored) {
  ASSERT_EQ(logInit("C:\\logs", "app_", 8192, 1, 3, 0, 7), 1);
  EXPECT_EQ(session.writeFlg, 8192);
  EXPECT_EQ(session.crLfOption, 1);
  EXPECT_EQ(session.outputLevel, 3);
  EXPECT_EQ(session.bomSetFlg, 1);
  EXPECT_EQ(session.fileEncoding, 2);
  EXPECT_EQ(session.initialized, 1);
}

TEST_F(Start, TheNameCarriesTheDateOfTheOpen) {
  world().ticks = fake::ticksAt(2027, 1, 9, 23, 59, 59);
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(exists("C:\\logs\\app_20270109.log"));
}

// Starts that fail: the boxes, exactly, and a file left as it was.
TEST_F(Start, WhatAFailedOpenShows) {
  const std::string dir256 = "C:\\" + std::string(253, 'd');
  const struct {
    const char* name;
    std::function<void()> prepare;
    std::string dir;
    std::vector<Box> boxes;
  } cases[] = {
      {"missing parent", [] {}, "C:\\no\\logs",
       {{u"[FATAL] C:\\no\\logs ERROR_PATH_NOT_FOUND CreateDirectory : createDirCheck() line=443 Win32 ErrCode=3 :"
         u"The system cannot find the path specified.",
         u"createDirCheck()", 0},
        {u"createDirCheckがエラー Directory pathが間違っていませんか? Dir path={C:\\no\\logs}",
         u"logOpen_W() createDirCheck() Error!", 0}}},
      {"a directory that cannot be made", [] { world().denied.insert(u"C:\\locked"); }, "C:\\locked",
       {{u"[FATAL] path={C:\\locked} CreateDirectory ディレクトリを作成できません: createDirCheck() line=450 "
         u"Win32 ErrCode=5 :Access is denied.",
         u"createDirCheck()", 0},
        {u"createDirCheckがエラー Directory pathが間違っていませんか? Dir path={C:\\locked}",
         u"logOpen_W() createDirCheck() Error!", 0}}},
      {"held by another writer",
       [] {
         world().files[fake::normalise(fake::u16(kLog))] = "theirs";
         world().heldByOther.insert(fake::normalise(fake::u16(kLog)));
       },
       "C:\\logs",
       openFailed({32}, u"C:\\logs\\app_20261205.log",
                  u"The process cannot access the file because it is being used by another process.")},
      {"a file that cannot be created shows both attempts",
       [] { world().denied.insert(fake::normalise(fake::u16(kLog))); }, "C:\\logs",
       openFailed({5, 2}, u"C:\\logs\\app_20261205.log", u"The system cannot find the file specified.")},
      {"a directory of 256 units", [&] { fake::addDir(fake::u16(dir256.c_str())); }, dir256,
       [] {
         std::vector<Box> boxes = {
             {u"func={localPathSet() dirpath} maxSize=510 dataSize=512", u"[■--ERROR--■] bufSizCheck 続行不可能!", 0}};
         for (const Box& b : openFailed({3, 3}, u"", u"The system cannot find the path specified.")) boxes.push_back(b);
         return boxes;
       }()},
  };
  for (const auto& c : cases) {
    SetUp();
    c.prepare();
    const auto files = world().files;
    const auto dirs = world().dirs;
    world().lastError = 1234;
    EXPECT_EQ(start(c.dir.c_str()), 0) << c.name;
    EXPECT_EQ(world().boxes, c.boxes) << c.name;
    EXPECT_EQ(world().files, files) << c.name;
    EXPECT_EQ(world().dirs, dirs) << c.name;
    EXPECT_EQ(world().lastError, 1234u) << "the host's last error survives";
    EXPECT_EQ(session.fileHandle, platform::kInvalidHandle) << c.name;
    EXPECT_EQ(session.initialized, 0) << c.name;
    EXPECT_EQ(session.writeFlg, 8192) << "settings stay stored after a failed open";
    EXPECT_STREQ(lineEndA, "\r\n") << c.name;
    const int allocations = world().allocCalls;
    world().denied.clear();
    world().heldByOther.clear();
    EXPECT_EQ(start(), 1) << "a later start is accepted";
    EXPECT_EQ(world().allocCalls, allocations) << "and reuses the buffers";
    sessionResetToLoad();
  }
}

TEST_F(Start, ArgumentLengthLimits) {
  // 255 units of directory open; 3 + 169 * 3 bytes: 510 bytes, but only 172 units.
  const std::string dir255 = "C:\\" + std::string(252, 'd');
  fake::addDir(fake::u16(dir255.c_str()));
  EXPECT_EQ(start(dir255.c_str(), "p"), 1);
  sessionResetToLoad();
  const std::string dir510 = "C:\\" + testing_support::repeat("\xE3\x81\x82", 169);
  EXPECT_EQ(start(dir510.c_str(), std::string(260, 'p').c_str()), 1);
  EXPECT_TRUE(world().boxes.empty());

  sessionResetToLoad();
  EXPECT_EQ(logInit((dir510 + "x").c_str(), "app_", 3, 1, 2, 0, 0), 0);
  EXPECT_EQ(logInit("C:\\logs", std::string(261, 'p').c_str(), 3, 1, 2, 0, 0), 0);
  const std::vector<Box> expected = {
      {u"logInit() dir Path文字列長超過 510バイトを超過しました", u"logInit() dir Path 長さ超過エラー", 0},
      {u"logInit() dir Path文字列長超過 260バイトを超過しました", u"logInit() prefix文字列 長さ超過エラー", 0},
  };
  EXPECT_EQ(world().boxes, expected);
  EXPECT_EQ(session.writeFlg, 0) << "nothing is stored when an argument is refused";
  EXPECT_EQ(session.fileHandle, platform::kNoHandle);
  EXPECT_TRUE(scratchReady()) << "the buffers stay";
}

TEST_F(Start, ASecondStartChangesNothing) {
  ASSERT_EQ(start(), 1);
  const std::string before = file(kLog);
  EXPECT_EQ(logInit("C:\\other", "x_", 1, 1, 1, 1, 1), 0);
  EXPECT_EQ(logInitProfile("C:\\any.ini"), 0);
  EXPECT_EQ(file(kLog), before);
  EXPECT_EQ(session.writeFlg, 8192);
  EXPECT_TRUE(world().boxes.empty());
}

TEST_F(Start, NullArgumentsAreRefusedQuietly) {
  EXPECT_EQ(logInit(nullptr, "p", 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(logInit("C:\\logs", nullptr, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(logInitProfile(nullptr), 0);
  EXPECT_TRUE(world().boxes.empty());
  EXPECT_EQ(start(), 1);
}

TEST_F(Start, AnUnavailableBufferFailsTheStart) {
  for (int failing = 1; failing <= 7; ++failing) {
    SetUp();
    world().failAllocAt = failing;
    EXPECT_EQ(start(), 0) << failing;
    EXPECT_FALSE(scratchReady());
    EXPECT_EQ(world().liveBlocks, 0);
    EXPECT_TRUE(world().files.empty());
    logTerm();  // nothing to end
    EXPECT_EQ(start(), 1) << "a later start can succeed";
  }
}

TEST_F(Start, LogTermWhenNothingIsOpenDoesNothing) {
  logTerm();  // before any start
  EXPECT_EQ(start("C:\\no\\such"), 0);
  logTerm();  // after a failed start: gives the buffers back
  EXPECT_EQ(world().liveBlocks, 0);
  EXPECT_EQ(start(), 1);
  logTerm();
  logTerm();  // a second time
  EXPECT_EQ(file(kLog), kBanners);
  EXPECT_EQ(start(), 0);
}

using Profile = Start;

TEST_F(Profile, EveryKeyIsTaken) {
  setProfile(u"C:\\cfg\\app.ini",
             "[Halvix]\nLogFileNamePrefix=app_\nLogWritePathDir=C:\\logs\nWriteFlg=8192\nCrLfOption=1\n"
             "LogOutPutLevel=4\nLogSleepSwitch=0\nBomSetFlg=3\nLogKBytesRotateFlg=1\nLogKBytesSize=1\n");
  ASSERT_EQ(logInitProfile("C:\\cfg\\app.ini"), 1);
  EXPECT_EQ(session.writeFlg, 8192);
  EXPECT_EQ(session.crLfOption, 1);
  EXPECT_EQ(session.outputLevel, 4);
  EXPECT_EQ(session.sleepSwitch, 0);
  EXPECT_EQ(session.bomSetFlg, 1);
  EXPECT_EQ(session.kBytesSize, 1);
  EXPECT_EQ(session.bigEndianFlg, 0);
  logTerm();
  EXPECT_EQ(file(kLog), kBom + "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\n--- [app_] end Log ---\n\n\n");
}

TEST_F(Profile, OnlyTheSectionLineGivesTheDefaults) {
  setProfile(u"C:\\cfg\\empty.ini", "[Halvix]\n");
  ASSERT_EQ(logInitProfile("C:\\cfg\\empty.ini"), 1);
  EXPECT_EQ(session.writeFlg, 0);
  EXPECT_EQ(session.outputLevel, 0);
  EXPECT_EQ(session.bomSetFlg, 0);
  EXPECT_EQ(session.kBytesSize, 40960);
}

TEST_F(Profile, AMissingFileShowsItsBoxAndStoresNothing) {
  EXPECT_EQ(logInitProfile("C:\\cfg\\none.ini"), 0);
  const std::vector<Box> expected = {
      {u"logInitProfileReadにセットしたパスにファイルが存在しません。path=C:\\cfg\\none.ini", u"logInitProfileRead()",
       0}};
  EXPECT_EQ(world().boxes, expected);
  EXPECT_EQ(session.fileHandle, platform::kNoHandle);
  EXPECT_EQ(session.filePrefix[0], 0);
}

TEST_F(Profile, PathLengthLimit) {
  const std::string path510 = "C:\\cfg\\" + std::string(510 - 7 - 4, 'n') + ".ini";
  setProfile(fake::u16(path510.c_str()).c_str(), "[Halvix]\nLogWritePathDir=C:\\logs\n");
  EXPECT_EQ(logInitProfile(path510.c_str()), 1);
  sessionResetToLoad();
  EXPECT_EQ(logInitProfile(("C:\\" + path510.substr(2)).c_str()), 0);
  const std::vector<Box> expected = {
      {u"logInitProfile() path文字列長超過 510バイトを超過しました", u"logInit() dir Path 長さ超過エラー", 0}};
  EXPECT_EQ(world().boxes, expected);
}

TEST_F(Profile, PrefixesUpTo509UnitsKeepTheirWholeName) {
  for (const std::size_t length : {0u, 2u, 509u}) {
    SetUp();
    const std::string prefix(length, 'q');
    setProfile(u"C:\\p.ini", ("[Halvix]\nLogWritePathDir=C:\\logs\nLogFileNamePrefix=" + prefix + "\n").c_str());
    ASSERT_EQ(logInitProfile("C:\\p.ini"), 1) << length;
    const std::string name = "C:\\logs\\" + prefix + "20261205.log";
    ASSERT_TRUE(exists(name.c_str())) << length;
    EXPECT_EQ(fake::u8(session.logDir), name) << "the full path is kept, not cut";
    // A banner too long for its 520 units is left out, as for any banner.
    const std::string banner = "--- [" + prefix + "] start Log={" + name + "} ---\r\n";
    EXPECT_EQ(file(name.c_str()), banner.size() < 520 ? banner : "") << length;
  }
}

}  // namespace
}  // namespace corvelin
