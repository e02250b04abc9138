#include "record/textconv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace corvelin {
namespace {

TEST(Utf8ToCodePoints, DecodesAndRefusesByTheLeadByteTable) {
  const struct {
    std::string bytes;
    int result;
    std::vector<std::uint32_t> values;
  } cases[] = {
      {"", 0, {}},
      {"A\x7F", 2, {0x41, 0x7F}},
      {"\xC2\x80\xDF\xBF", 2, {0x80, 0x7FF}},
      {"\xE0\xA0\x80\xEF\xBF\xBF", 2, {0x800, 0xFFFF}},
      {"\xED\xA0\x80", 1, {0xD800}},              // encoded surrogate accepted
      {"\xF0\x90\x80\x80", 1, {0x10000}},
      {"\xF4\x90\x80\x80", 1, {0x110000}},        // above U+10FFFF, still decoded
      {"\xF7\xBF\xBF\xBF", 1, {0x1FFFFF}},
      {"\xF0", 0, {}},                            // four-byte lead before the terminator ends the text
      {"ab\xF0", 2, {0x61, 0x62}},
      {"\xC0\x80", -1, {}},                       // overlong two-byte lead
      {"\xC1\xBF", -1, {}},
      {"\xE0\x80\x80", -1, {}},                   // overlong three-byte form
      {"\xF0\x80\x80\x80", -1, {}},               // overlong four-byte form
      {"\x80", -1, {}},
      {"\xF8\x88\x80\x80\x80", -1, {}},
      {"\xFF", -1, {}},
      {"\xC3", -1, {}},                           // two-byte lead before the terminator
      {"\xE3\x81", -1, {}},                       // three-byte lead cut short
      {"x\xC3" "A", -1, {0x78}},                  // entries before the error stay
      {"\xF0\x9F\x98", -1, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint32_t> out(8, 0xEEEEEEEE);
    const int r = utf8ToCodePoints(c.bytes.c_str(), out.data(), static_cast<std::int64_t>(c.bytes.size()), 8);
    EXPECT_EQ(r, c.result) << testing::PrintToString(c.bytes);
    for (std::size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(out[i], c.values[i]) << i;
  }
}

TEST(Utf8ToCodePoints, SizeAndCapacityLimits) {
  std::uint32_t out[4];
  EXPECT_EQ(utf8ToCodePoints("abc", out, 32768, 4), 3);
  EXPECT_EQ(utf8ToCodePoints("abc", out, 32769, 4), 0);  // the caller's size alone refuses
  EXPECT_EQ(utf8ToCodePoints("abcd", out, 4, 4), 4);
  EXPECT_EQ(utf8ToCodePoints("abcde", out, 5, 4), -1);   // never past the output
  EXPECT_EQ(utf8ToCodePoints(nullptr, out, 0, 4), 0);
}

TEST(Utf8ToUtf16, WritesUnitsAndSurrogatePairs) {
  char16_t out[16];
  EXPECT_EQ(utf8ToUtf16("A\xE2\x82\xAC\xF0\x9F\x98\x80", out, 8, 16), 8);
  EXPECT_EQ(std::u16string(out), (std::u16string{0x0041, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80z", out, 4, 16), 4);  // surrogate passes as one unit
  EXPECT_EQ(std::u16string(out), (std::u16string{0xD800, u'z'}));

  const struct {
    const char* text;
    std::int64_t size;
  } nothing[] = {{"\xF4\x90\x80\x80", 4}, {"", 0}, {"ok\x80", 3}, {"ok", 32769}};
  for (const auto& c : nothing) {
    out[0] = u'?';
    EXPECT_EQ(utf8ToUtf16(c.text, out, c.size, 16), 0);
    EXPECT_EQ(out[0], 0) << "the empty string";
  }
  EXPECT_EQ(utf8ToUtf16("ab\xF4\x90\x80\x80" "cd", out, 8, 16), 4);  // stops at the value above U+10FFFF
  EXPECT_EQ(std::u16string(out), u"ab");
}

TEST(Utf8ToUtf16, StopsAtTheOutputCapacityOnACharacterBoundary) {
  char16_t out[4] = {9, 9, 9, 9};
  EXPECT_EQ(utf8ToUtf16("ab\xF0\x9F\x98\x80", out, 6, 4), 4);  // the pair would need units 2 and 3
  EXPECT_EQ(std::u16string(out), u"ab");
  EXPECT_EQ(utf8ToUtf16("abcdef", out, 6, 4), 6);
  EXPECT_EQ(std::u16string(out), u"abc");
}

TEST(Utf16ToUtf8, PairsDropsAndStops) {
  const struct {
    std::u16string units;
    std::string bytes;
  } cases[] = {
      {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
      {{0xD83D}, ""},                                  // lone high surrogate dropped
      {{0x0041, 0xD83D}, "A"},
      {{0xDE00, 0x0042}, "B"},                         // lone low surrogate dropped
      {{0xD83D, 0x0043}, "C"},
      {{0x0041, 0xDC00, 0xDC00, 0x0042}, "A"},         // two low units combine above U+10FFFF: the end
      {{0x3042, 0x00E9, 0x007F}, "\xE3\x81\x82\xC3\xA9\x7F"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    char out[32];
    EXPECT_EQ(utf16ToUtf8(c.units.c_str(), out, sizeof out), static_cast<int>(c.bytes.size()));
    EXPECT_EQ(std::string(out), c.bytes);
  }
  char small[4];
  EXPECT_EQ(utf16ToUtf8(u"a\u3042", small, 4), 1);  // the three-byte character does not fit after "a"
  EXPECT_STREQ(small, "a");
}

TEST(CodePointsToUtf8, EncodesAndStopsAboveTheUnicodeRange) {
  const std::uint32_t cps[] = {0x41, 0x7FF, 0xD800, 0x10FFFF};
  char out[32];
  EXPECT_EQ(codePointsToUtf8(cps, out, sizeof cps, sizeof out), 1 + 2 + 3 + 4);
  EXPECT_EQ(std::string(out), "A\xDF\xBF\xED\xA0\x80\xF4\x8F\xBF\xBF");
  const std::uint32_t bad[] = {0x41, 0x110000, 0x42};
  EXPECT_EQ(codePointsToUtf8(bad, out, sizeof bad, sizeof out), 0);
  EXPECT_EQ(std::string(out), "A");  // what came before stays
  EXPECT_EQ(codePointsToUtf8(cps, out, 3, sizeof out), 0);  // fewer than one entry
  EXPECT_EQ(codePointsToUtf8(cps, out, 7, sizeof out), 1);  // the remainder is ignored
}

TEST(BoundedCopy, ResultsAndZeroFill) {
  std::vector<char> dst(kBoundedCopySize, 'x');
  const std::string src(8191, 's');
  EXPECT_EQ(boundedCopy(dst.data(), src.data(), 0), 0);
  EXPECT_EQ(dst[0], 'x');
  EXPECT_EQ(boundedCopy(dst.data(), src.data(), 8190), 0);
  EXPECT_EQ(std::string(dst.begin(), dst.end()), std::string(8190, 's'));
  EXPECT_EQ(boundedCopy(dst.data(), src.data(), 8191), 34);
  EXPECT_EQ(std::string(dst.begin(), dst.end()), std::string(8190, '\0'));
  dst.assign(kBoundedCopySize, 'x');
  EXPECT_EQ(boundedCopy(dst.data(), nullptr, 5), 22);
  EXPECT_EQ(std::string(dst.begin(), dst.end()), std::string(8190, '\0'));
  EXPECT_EQ(boundedCopy(nullptr, src.data(), 5), 22);
}

TEST(AppendText, AdvancesByTheTextLengthAndNeverPastTheBuffer) {
  char buf[8] = {};
  std::int64_t pos = appendText(buf, sizeof buf, 0, "abc");
  pos = appendText(buf, sizeof buf, pos, "de");
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(std::string(buf, 5), "abcde");
  EXPECT_EQ(appendText(buf, sizeof buf, pos, "wxyz"), 9);  // does not fit: reported, not copied
  EXPECT_EQ(std::string(buf, 8), std::string("abcde\0\0\0", 8));
}

class BufSizCheck : public testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
};

TEST_F(BufSizCheck, BoxOnlyWithoutAUsableHandle) {
  EXPECT_TRUE(bufSizCheck(platform::kNoHandle, u"name", 510));
  EXPECT_TRUE(fake::world().boxes.empty());
  EXPECT_FALSE(bufSizCheck(0x40, u"name", 511));
  EXPECT_TRUE(fake::world().boxes.empty());
  EXPECT_FALSE(bufSizCheck(platform::kInvalidHandle, u"w32_err_fmtMsg() msg", 511));
  EXPECT_FALSE(bufSizCheck(platform::kNoHandle, u"x", 512));
  const std::vector<fake::Box> expected = {
      {u"func={w32_err_fmtMsg() msg} maxSize=510 dataSize=511", u"[■--ERROR--■] bufSizCheck 続行不可能!", 0},
      {u"func={x} maxSize=510 dataSize=512", u"[■--ERROR--■] bufSizCheck 続行不可能!", 0},
  };
  EXPECT_EQ(fake::world().boxes, expected);
}

}  // namespace
}  // namespace corvelin
