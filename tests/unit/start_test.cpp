// logInit, logInitProfile and logTerm over the fake platform, boxes included.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "session/session.h"

namespace corvelin {
namespace {

using fake::Box;
using fake::world;

const char* const kLog = "C:\\logs\\app_20261205.log";
const std::string kBom = "\xEF\xBB\xBF";
const std::u16string kBufCaption = u"[■--ERROR--■] bufSizCheck 続行不可能!";

std::string file(const char* path) { return fake::fileText(fake::u16(path)); }
bool exists(const char* path) { return world().files.count(fake::normalise(fake::u16(path))) != 0; }

class Start : public testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    fake::addDir(u"C:\\logs");
  }
  void TearDown() override { sessionResetToLoad(); }
  static std::uint8_t start(const char* dir = "C:\\logs", const char* prefix = "app_", std::int32_t crLf = 0,
                            std::int32_t sleep = 0, std::int32_t bom = 0) {
    return logInit(dir, prefix, 8192, crLf, 5, sleep, bom);
  }
};

TEST_F(Start, ANewFileGetsTheMarkTheBannerAndTheEndBanner) {
  ASSERT_EQ(start("C:\\logs", "app_", 0, 0, 7), 1);
  EXPECT_EQ(session.bomSetFlg, 1);
  EXPECT_EQ(session.fileEncoding, 2);
  EXPECT_EQ(session.initialized, 1);
  EXPECT_TRUE(sessionActive());
  logTerm();
  EXPECT_EQ(file(kLog), kBom +
                            "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\r\n"
                            "--- [app_] end Log ---\r\n\r\n\r\n");
  EXPECT_TRUE(world().boxes.empty());
  EXPECT_EQ(world().liveBlocks, 0);
  EXPECT_FALSE(sessionActive());
  EXPECT_EQ(start(), 0) << "the session cannot be started again";
}

TEST_F(Start, WithoutTheMarkTheFileStartsWithTheBanner) {
  ASSERT_EQ(start(), 1);
  EXPECT_EQ(file(kLog), "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\r\n");
}

TEST_F(Start, AppendingShowsTheDirectoryAndAddsNoMark) {
  world().files[fake::normalise(fake::u16(kLog))] = "earlier\r\n";
  ASSERT_EQ(start("C:\\logs", "app_", 0, 0, 1), 1);
  logTerm();
  EXPECT_EQ(file(kLog),
            "earlier\r\n"
            "--- [app_] start Log={C:\\logs} ---\r\n"
            "--- [app_] end Log ---\r\n\r\n\r\n");
}

TEST_F(Start, TheOpenCreatesTheLastDirectoryComponent) {
  ASSERT_EQ(start("C:\\logs\\new", "p"), 1);
  EXPECT_EQ(world().dirs.count(u"C:\\logs\\new"), 1u);
  EXPECT_EQ(file("C:\\logs\\new\\p20261205.log"), "--- [p] start Log={C:\\logs\\new\\p20261205.log} ---\r\n");
}

TEST_F(Start, AMissingParentShowsTwoBoxesAndCreatesNothing) {
  EXPECT_EQ(start("C:\\no\\logs"), 0);
  const std::vector<Box> expected = {
      {u"[FATAL] C:\\no\\logs ERROR_PATH_NOT_FOUND CreateDirectory : createDirCheck() line=443 Win32 ErrCode=3 :"
       u"The system cannot find the path specified.",
       u"createDirCheck()", 0},
      {u"createDirCheckがエラー Directory pathが間違っていませんか? Dir path={C:\\no\\logs}",
       u"logOpen_W() createDirCheck() Error!", 0},
  };
  EXPECT_EQ(world().boxes, expected);
  EXPECT_EQ(world().dirs.count(u"C:\\no\\logs"), 0u);
  EXPECT_TRUE(world().files.empty());
  EXPECT_EQ(session.fileHandle, platform::kInvalidHandle);
  EXPECT_EQ(session.initialized, 0);
  EXPECT_EQ(session.writeFlg, 8192) << "settings stay stored after a failed open";

  // A later start is accepted and reuses the buffers.
  const int allocations = world().allocCalls;
  EXPECT_EQ(start(), 1);
  EXPECT_EQ(world().allocCalls, allocations);
}

TEST_F(Start, ADirectoryThatCannotBeMadeForAnotherReason) {
  world().denied.insert(u"C:\\locked");
  EXPECT_EQ(start("C:\\locked"), 0);
  ASSERT_EQ(world().boxes.size(), 2u);
  EXPECT_EQ(world().boxes[0],
            (Box{u"[FATAL] path={C:\\locked} CreateDirectory ディレクトリを作成できません: createDirCheck() line=450 "
                 u"Win32 ErrCode=5 :Access is denied.",
                 u"createDirCheck()", 0}));
}

TEST_F(Start, AFileHeldByAnotherWriterIsReportedWithTheSharingViolation) {
  world().files[fake::normalise(fake::u16(kLog))] = "theirs";
  world().heldByOther.insert(fake::normalise(fake::u16(kLog)));
  EXPECT_EQ(start(), 0);
  const std::vector<Box> expected = {
      {u"File Open Error errcode=32 path=C:\\logs\\app_20261205.log", u"hvfopen() Error!", 0},
      {u"[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 ErrCode=32 :The process cannot access the "
       u"file because it is being used by another process.",
       u"logutl_W.cpp logOpen() line=112", 0},
  };
  EXPECT_EQ(world().boxes, expected);
  EXPECT_EQ(file(kLog), "theirs");
  EXPECT_STREQ(lineEndA, "\r\n");
}

TEST_F(Start, AFileThatCannotBeCreatedShowsBothAttempts) {
  world().denied.insert(fake::normalise(fake::u16(kLog)));
  EXPECT_EQ(start(), 0);
  const std::vector<Box> expected = {
      {u"File Open Error errcode=5 path=C:\\logs\\app_20261205.log", u"hvfopen() Error!", 0},
      {u"File Open Error errcode=2 path=C:\\logs\\app_20261205.log", u"hvfopen() Error!", 0},
      {u"[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 ErrCode=2 :The system cannot find the file "
       u"specified.",
       u"logutl_W.cpp logOpen() line=112", 0},
  };
  EXPECT_EQ(world().boxes, expected);
}

TEST_F(Start, DirectoriesOf255UnitsOpenAndLongerOnesAreRefused) {
  const std::string dir255 = "C:\\" + std::string(252, 'd');
  fake::addDir(fake::u16(dir255.c_str()));
  EXPECT_EQ(start(dir255.c_str(), "p"), 1);
  EXPECT_TRUE(world().boxes.empty());

  sessionResetToLoad();
  const std::string dir256 = dir255 + "e";
  fake::addDir(fake::u16(dir256.c_str()));
  EXPECT_EQ(start(dir256.c_str(), "p"), 0);
  const std::vector<Box> expected = {
      {u"func={localPathSet() dirpath} maxSize=510 dataSize=512", kBufCaption, 0},
      {u"File Open Error errcode=3 path=", u"hvfopen() Error!", 0},
      {u"File Open Error errcode=3 path=", u"hvfopen() Error!", 0},
      {u"[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 ErrCode=3 :The system cannot find the path "
       u"specified.",
       u"logutl_W.cpp logOpen() line=112", 0},
  };
  EXPECT_EQ(world().boxes, expected);
}

TEST_F(Start, ArgumentLengthLimits) {
  // 3 + 169 * 3 bytes: 510 bytes, but only 172 UTF-16 units.
  std::string dir510 = "C:\\";
  for (int i = 0; i < 169; ++i) dir510 += "\xE3\x81\x82";
  ASSERT_EQ(dir510.size(), 510u);
  const std::string prefix260(260, 'p');
  EXPECT_EQ(start(dir510.c_str(), prefix260.c_str()), 1);
  EXPECT_TRUE(world().boxes.empty());

  sessionResetToLoad();
  const std::string dir511 = dir510 + "x";
  EXPECT_EQ(logInit(dir511.c_str(), "app_", 3, 1, 2, 0, 0), 0);
  const std::string prefix261(261, 'p');
  EXPECT_EQ(logInit("C:\\logs", prefix261.c_str(), 3, 1, 2, 0, 0), 0);
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

TEST_F(Start, SleepingWritesOnlyTheSleepBanner) {
  ASSERT_EQ(start("C:\\logs", "app_", 0, 1, 1), 1);
  EXPECT_FALSE(sessionActive());
  logTerm();
  EXPECT_EQ(file(kLog), kBom +
                            "##### if logInit use. LOG_SLEEP Switch ON! No save logs...  logInit() No.5 Param 0 Set "
                            "to start Log! #####\r\n");
}

TEST_F(Start, TheLineEndingOptionShapesTheBanners) {
  const struct {
    std::int32_t option;
    std::string expected;
  } cases[] = {
      {1, "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\n--- [app_] end Log ---\n\n\n"},
      {2, "--- [app_] start Log={C:\\logs\\app_20261205.log} ---\r--- [app_] end Log ---\r\r\r"},
      {5, "--- [app_] start Log={C:\\logs\\app_20261205.log} ------ [app_] end Log ---"},
  };
  for (const auto& c : cases) {
    fake::reset();
    fake::addDir(u"C:\\logs");
    ASSERT_EQ(start("C:\\logs", "app_", c.option), 1);
    logTerm();
    EXPECT_EQ(file(kLog), c.expected) << c.option;
  }
}

TEST_F(Start, AnInvalidPrefixIsTakenAsEmpty) {
  ASSERT_EQ(start("C:\\logs", "ab\xC3"), 1);
  EXPECT_EQ(file("C:\\logs\\20261205.log"), "--- [] start Log={C:\\logs\\20261205.log} ---\r\n");
}

TEST_F(Start, TheNameCarriesTheDateOfTheOpen) {
  world().ticks = fake::ticksAt(2027, 1, 9, 23, 59, 59);
  ASSERT_EQ(start(), 1);
  EXPECT_TRUE(exists("C:\\logs\\app_20270109.log"));
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
    fake::reset();
    fake::addDir(u"C:\\logs");
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
  const std::string ended = file(kLog);
  logTerm();  // a second time
  EXPECT_EQ(file(kLog), ended);
  EXPECT_EQ(start(), 0);
}

TEST_F(Start, TheHostsLastErrorSurvivesTheCall) {
  world().lastError = 1234;
  ASSERT_EQ(start("C:\\no\\such"), 0);
  EXPECT_EQ(world().lastError, 1234u);
  ASSERT_EQ(start(), 1);
  EXPECT_EQ(world().lastError, 1234u);
}

class Profile : public Start {
 protected:
  void setProfile(const char16_t* path, const char* text) { world().profiles[fake::normalise(path)] = fake::u16(text); }
};

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
  // ".\" and the separator give two backslashes; the file lies in the current directory.
  EXPECT_EQ(file("PREFIX_20261205.log"), "--- [PREFIX_] start Log={.\\\\PREFIX_20261205.log} ---\r\n");
}

TEST_F(Profile, ABareNameIsLookedForInTheWindowsDirectory) {
  setProfile(u"C:\\windows\\corvelin.ini", "[Halvix]\nLogWritePathDir=C:\\logs\nLogFileNamePrefix=app_\n");
  ASSERT_EQ(logInitProfile("corvelin.ini"), 1);
  EXPECT_TRUE(exists(kLog));
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
  std::string path510 = "C:\\cfg\\";
  path510 += std::string(510 - path510.size() - 4, 'n') + ".ini";
  ASSERT_EQ(path510.size(), 510u);
  setProfile(fake::u16(path510.c_str()).c_str(), "[Halvix]\nLogWritePathDir=C:\\logs\n");
  EXPECT_EQ(logInitProfile(path510.c_str()), 1);
  sessionResetToLoad();
  const std::string path511 = "C:\\" + path510.substr(2);
  EXPECT_EQ(logInitProfile(path511.c_str()), 0);
  const std::vector<Box> expected = {
      {u"logInitProfile() path文字列長超過 510バイトを超過しました", u"logInit() dir Path 長さ超過エラー", 0}};
  EXPECT_EQ(world().boxes, expected);
}

TEST_F(Profile, SleepingWritesTheProfileSleepBanner) {
  setProfile(u"C:\\cfg\\s.ini", "[Halvix]\nLogWritePathDir=C:\\logs\nLogFileNamePrefix=app_\nLogSleepSwitch=1\n");
  ASSERT_EQ(logInitProfile("C:\\cfg\\s.ini"), 1);
  logTerm();
  EXPECT_EQ(file(kLog),
            "##### log_init_profile Init! halvix.conf Now Sleeping! LogSleepSwitch=1 Set to '0' Go Logging! "
            "#####\r\n");
}

TEST_F(Profile, PrefixesUpTo509UnitsKeepTheirWholeName) {
  for (const std::size_t length : {0u, 2u, 509u}) {
    fake::reset();
    fake::addDir(u"C:\\logs");
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
