// The error descriptions and path rules of the log-file open.
#include "logfile/logopen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace corvelin {
namespace {

using fake::world;

class LogOpen : public testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
  void TearDown() override { sessionResetToLoad(); }
};

TEST_F(LogOpen, DescriptionsCarryNameLineCodeAndTheSystemText) {
  const struct {
    std::uint32_t code;
    std::u16string systemText;
    std::u16string expected;
  } cases[] = {
      {2, u"The system cannot find the file specified.\r\n",
       u"f() line=7 Win32 ErrCode=2 :The system cannot find the file specified."},
      {5, u"Access is denied.\n", u"f() line=7 Win32 ErrCode=5 :Access is denied."},
      {6, u"no line end", u"f() line=7 Win32 ErrCode=6 :no line end"},  // nothing else is cut
      {1234, u"", u"f() line=7 Win32 ErrCode=1234 :(no system text for this code)"},
      {0xC0000005u, u"", u"f() line=7 Win32 ErrCode=-1073741819 :(no system text for this code)"},
  };
  for (const auto& c : cases) {
    world().systemTexts.erase(c.code);
    if (!c.systemText.empty()) world().systemTexts[c.code] = c.systemText;
    world().lastError = c.code;
    char16_t out[kPathBlockUnits] = u"previous text";
    w32_err_fmtMsg(platform::kNoHandle, u"f()", 7, out, kPathBlockUnits);
    EXPECT_EQ(std::u16string(out), c.expected);
  }
  EXPECT_TRUE(world().boxes.empty());
}

TEST_F(LogOpen, AnOversizedNameOrTextKeepsOutAsItWas) {
  world().lastError = 2;
  char16_t out[kPathBlockUnits] = u"kept";
  const std::u16string name(511, u'n');
  w32_err_fmtMsg(platform::kInvalidHandle, name.c_str(), 1, out, kPathBlockUnits);
  EXPECT_EQ(std::u16string(out), u"kept");
  std::u16string longText(511, u't');
  std::copy(longText.begin(), longText.end(), out);
  out[511] = 0;
  w32_err_fmtMsg(platform::kInvalidHandle, u"f()", 1, out, kPathBlockUnits);
  EXPECT_EQ(std::u16string(out), longText);
  w32_err_fmtMsg(0x40, u"f()", 1, out, kPathBlockUnits);  // a usable handle: refused without a box
  const std::u16string caption = u"[■--ERROR--■] bufSizCheck 続行不可能!";
  const std::vector<fake::Box> expected = {
      {u"func={w32_err_fmtMsg() file_fnc} maxSize=510 dataSize=511", caption, 0},
      {u"func={w32_err_fmtMsg() msg} maxSize=510 dataSize=511", caption, 0},
  };
  EXPECT_EQ(world().boxes, expected);
}

TEST_F(LogOpen, ALongSystemTextIsCutAt1021UnitsWithoutSplittingAPair) {
  std::u16string text(1100, u'x');
  const std::size_t lead = std::u16string(u"f() line=7 Win32 ErrCode=99 :").size();
  text[1020 - lead] = 0xD83D;  // a pair that would straddle the cut after 1021 units
  text[1021 - lead] = 0xDE00;
  world().systemTexts[99] = text;
  world().lastError = 99;
  char16_t out[kPathBlockUnits] = {};
  w32_err_fmtMsg(platform::kNoHandle, u"f()", 7, out, kPathBlockUnits);
  const std::u16string result(out);
  EXPECT_EQ(result.size(), 1020u);
  EXPECT_EQ(result.substr(0, 27), u"f() line=7 Win32 ErrCode=99");
}

TEST_F(LogOpen, ThePathHasTheDateWithAFourPositionYear) {
  const struct {
    int year;
    const char16_t* dir;
    const char16_t* expected;
  } cases[] = {
      {2021, u".\\", u".\\\\PREFIX_20210304.log"},
      {999, u"C:\\l", u"C:\\l\\PREFIX_ 9990304.log"},
      {12345, u"C:\\l", u"C:\\l\\PREFIX_123450304.log"},
  };
  for (const auto& c : cases) {
    world().ticks = fake::ticksAt(c.year, 3, 4, 12, 0, 0);
    char16_t out[kPathBlockUnits] = {};
    localPathSet(c.dir, u"PREFIX_", out);
    EXPECT_EQ(std::u16string(out), c.expected);
  }
}

}  // namespace
}  // namespace corvelin
