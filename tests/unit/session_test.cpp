// The session record on its own; failed allocations: start_test, level
// markers: writer_test.
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

}  // namespace
}  // namespace corvelin
