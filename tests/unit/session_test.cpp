#include "session/session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_platform.h"

namespace corvelin {
namespace {

class SessionState : public testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
  void TearDown() override { sessionResetToLoad(); }
};

TEST_F(SessionState, ALoadedLibraryIsInactiveWithCrLfEndings) {
  EXPECT_FALSE(sessionActive());
  EXPECT_EQ(session.fileHandle, platform::kNoHandle);
  EXPECT_EQ(session.initialized, 0);
  EXPECT_STREQ(lineEndA, "\r\n");
  EXPECT_EQ(std::u16string(lineEndW), u"\r\n");
  EXPECT_EQ(scratch.lineBuf, nullptr);
}

TEST_F(SessionState, CrLfOptionSelectsBothEndings) {
  const struct {
    std::int32_t option;
    const char* narrow;
    const char16_t* wide;
  } cases[] = {{0, "\r\n", u"\r\n"}, {1, "\n", u"\n"},      {2, "\r", u"\r"},
               {3, "", u""},         {-1, "", u""},         {0x7FFFFFFF, "", u""}};
  for (const auto& c : cases) {
    crLfOptionSet(c.option);
    EXPECT_STREQ(lineEndA, c.narrow) << c.option;
    EXPECT_EQ(lineEndALen, std::strlen(c.narrow));
    EXPECT_EQ(std::u16string(lineEndW), c.wide) << c.option;
  }
}

TEST_F(SessionState, ActiveNeedsAUsableHandleAndNoSleep) {
  ASSERT_TRUE(scratchBufAlloc());
  const struct {
    platform::FileHandle handle;
    std::int32_t sleep;
    bool active;
  } cases[] = {{platform::kNoHandle, 0, false},
               {platform::kInvalidHandle, 0, false},
               {0x40, 0, true},
               {0x40, 1, false},
               {0x40, 2, true},
               {0x40, -1, true}};
  for (const auto& c : cases) {
    session.fileHandle = c.handle;
    session.sleepSwitch = c.sleep;
    EXPECT_EQ(sessionActive(), c.active) << c.handle << " sleep " << c.sleep;
  }
  scratchBufFree();
  session.sleepSwitch = 0;
  EXPECT_FALSE(sessionActive()) << "no buffers, no session";
}

TEST_F(SessionState, ScratchBuffersAreMadeOnceAndReused) {
  ASSERT_TRUE(scratchBufAlloc());
  EXPECT_EQ(fake::world().allocCalls, 7);
  char* line = scratch.lineBuf;
  std::strcpy(line, "kept");
  ASSERT_TRUE(scratchBufAlloc());
  EXPECT_EQ(fake::world().allocCalls, 7) << "existing buffers are reused";
  EXPECT_EQ(scratch.lineBuf, line);
  EXPECT_STREQ(scratch.lineBuf, "kept");
  scratchBufFree();
  EXPECT_EQ(fake::world().liveBlocks, 0);
  EXPECT_EQ(scratch.wideBuf, nullptr);
  EXPECT_EQ(scratch.sysLineBuf, nullptr);
}

TEST_F(SessionState, AFailedAllocationLeavesNoBuffers) {
  for (int failing = 1; failing <= 7; ++failing) {
    fake::reset();
    fake::world().failAllocAt = failing;
    EXPECT_FALSE(scratchBufAlloc()) << failing;
    EXPECT_FALSE(scratchReady());
    EXPECT_EQ(fake::world().liveBlocks, 0) << failing;
  }
}

TEST_F(SessionState, LevelMarkersAreTheUtf8Symbols) {
  const char* expected[6] = {"\xE2\x98\x85", "\xE2\x97\x8F", "\xE2\x96\xA0",
                             "\xE2\x96\xA1", "\xE2\x97\x8B", "\xE2\x97\x86"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(levelMarkers[i], expected[i]) << i;
}

}  // namespace
}  // namespace corvelin
