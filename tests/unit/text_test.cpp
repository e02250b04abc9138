// The text routines: the bounded formatter, exact fixed-point output and the
// UTF-8/UTF-16/code-point conversions. Each row of the golden file is an
// input and what the routine made of it.
#include <cstdio>

#include "harness.h"
#include "record/format.h"
#include "record/textconv.h"

namespace corvelin::testing_support {
namespace {

std::string hex(const std::string& bytes) {
  std::string out;
  char b[4];
  for (unsigned char c : bytes) std::snprintf(b, sizeof b, c < 0x20 || c > 0x7E ? "<%02X" : "%c", c), out += b;
  return out;
}

class Text : public Scenario {
 protected:
  template <class... A>
  void a(const char* format, const A&... args) {
    char buf[128] = "garbage";
    const int r = boundedFormatA(buf, sizeof buf, format, args...);
    t.note(hex(format) + " -> " + std::to_string(r) + " [" + hex(buf) + "]");
  }
};

TEST_F(Text, BoundedFormat) {
  const void* p = reinterpret_cast<const void*>(std::uintptr_t{0x20C5A3B1F40});
  a("[%s]%s", "abc", "\r\n");
  a("%04d-%02d-%02d %02d:%02d:%02d:", 2026, 12, 5, 1, 23, 45);
  a("%02d:%02d:%02d:|%4d|%4d", 2026, 1, 9, 7, 12345);
  a("%06d 0x%04x|%02x %02x %08x|%04x", 16, 16, 0xABu, 0x5u, 0x3042u, 0x110000u);
  a("tid=%ld:%lf[sec]|%lf|%lf|%lf", 4242, 0.001, 1.5, -0.25, 0.0);
  a("%I64d|%I64d|%lld|%I64u|%I64x", std::int64_t{510}, std::int64_t{-9000000000}, std::int64_t{-1},
    std::int64_t{-1}, std::int64_t{255});
  a("%d|%d|%04d|%u|%d|%i|%X|%I32d", -7, 2147483647, -5, 4294967295u, INT32_MIN, 3, 0xBEEFu, 8);
  a("addr={%p}|%c%c%c|100%% done|[%Ts]|{%s}", p, 'x', 'y', 'z', "label", static_cast<const char*>(nullptr));
  a("%-5d|%5s|%-3s|%+d|% d|%#x|%.2lf|%10.3lf|%010.1lf|%.0lf|%5.1s|", 42, "ab", "c", 5, 5, 255u, 2.376, -1.5, 3.25,
    2.5, "xyz");
  a("%.0s|%#x|%#06x|%.9lf|%-4.2s", "gone", 1u, 255u, 0.123456789, "abc");
  a("%8.5d|%05.0d|%9d|%.10d", 1, 7, 3, 5);
  a("");
  // Refused instead of reading the wrong type, or not fitting: -1 and the empty string.
  a("%d", "text"), a("%s", 5), a("%lf", 5), a("%I64d", 5), a("%d", std::int64_t{5}), a("%d %d", 5), a("%d", 5, 6);
  a("%s", u"wide"), a("%p", 5), a("%q", 5), a("trailing %"), a("%Td", 5), a("%c", 5), a("%x", 2.0), a("%.41lf", 1.0);
  a("%s", std::string(127, 'f').c_str()), a("%s", std::string(128, 'f').c_str()), a("12345%0123d", 1), a("%I3xd", 5);
  char buf[10];
  t.note(std::to_string(boundedFormatA(buf, 1, "")) + " " + std::to_string(boundedFormatA(buf, 0, "")) + " " +
         std::to_string(boundedFormatA(nullptr, 10, "x")) + " " + std::to_string(boundedFormatA(buf, 10, nullptr)));
  char fixed[400];
  for (const auto& [value, precision] : std::initializer_list<std::pair<double, int>>{
           {0.0078125, 6}, {0.0234375, 6}, {1796000000.123, 6}, {-0.0000001, 6}, {1e22, 0}, {0.5, 0}, {1.5, 0},
           {123.456, 2}, {5e-324, 6}, {1.0, 40}, {1.0, 41}, {1.7976931348623157e308, 6}, {9007199254740991.0, 1},
           {4503599627370497.5, 1}, {1e300, 0}, {1.5e-300, 6}, {0.9999995, 6}, {4294967296.0, 9},
           {1500000.25, 6}, {4294967295.5, 0}, {4294967296.75, 0}}) {
    const int n = formatFixed(value, precision, fixed, sizeof fixed);
    t.note("fixed " + std::to_string(precision) + " -> " + std::to_string(n) + " " + (n < 0 ? "" : fixed));
  }
  t.note("fixed in 8 -> " + std::to_string(formatFixed(12345.0, 6, fixed, 8)));
}

TEST_F(Text, Conversions) {
  for (const std::string bytes : {"", "A\x7F", "\xC2\x80\xDF\xBF", "\xE0\xA0\x80\xEF\xBF\xBF", "\xED\xA0\x80",
                                  "\xF0\x90\x80\x80", "\xF4\x90\x80\x80", "\xF7\xBF\xBF\xBF", "\xF0", "ab\xF0",
                                  "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xF0\x80\x80\x80", "\x80",
                                  "\xF8\x88\x80\x80\x80", "\xFF", "\xC3", "\xE3\x81", "x\xC3" "A", "\xF0\x9F\x98",
                                  "A\xE2\x82\xAC\xF0\x9F\x98\x80", "\xED\xA0\x80z", "ok\x80",
                                  "ab\xF4\x90\x80\x80" "cd", "abcde", "\x01"}) {
    std::uint32_t cps[8] = {};
    const int n = utf8ToCodePoints(bytes.c_str(), cps, static_cast<std::int64_t>(bytes.size()), 4);
    std::string row = hex(bytes) + " -> " + std::to_string(n);
    for (int i = 0; i < 4 && cps[i] != 0; ++i) row += " " + std::to_string(cps[i]);
    char16_t units[16] = u"?";
    row += " | " + std::to_string(utf8ToUtf16(bytes.c_str(), units, static_cast<std::int64_t>(bytes.size()), 16));
    for (int i = 0; units[i] != 0; ++i) row += " " + std::to_string(units[i]);
    t.note(row);
  }
  std::uint32_t cps[4];
  char16_t none[1] = {u'#'};
  char bytes[1] = {'#'};
  const bool untouched = utf8ToUtf16("ab", none, 2, 0) == 0 && utf16ToUtf8(u"ab", bytes, 0) == 0 && *none == u'#' && *bytes == '#';
  t.note(std::string("no room ") + (untouched ? "untouched" : "WRITTEN") + " " +
         std::to_string(codePointsToUtf8(cps, bytes, 4, 0)) + " " + std::to_string(u16copy(none, 0, u"")) + " " +
         std::to_string(u16copy(none, 1, u"")) + " " + std::to_string(u16copy(none, 1, u"a")) + " " +
         std::to_string(utf8ToUtf16("ab", nullptr, 2, 4)) + " " + std::to_string(utf16ToUtf8(u"ab", nullptr, 4)));
  t.note("sizes " + std::to_string(utf8ToCodePoints("abc", cps, 32768, 4)) + " " +
         std::to_string(utf8ToCodePoints("abc", cps, 32769, 4)) + " " + std::to_string(utf8ToCodePoints(nullptr, cps, 0, 4)));
  for (const auto& [text, size] : {std::pair{"ok", 32769}, {"ab\xF0\x9F\x98\x80", 6}, {"abcdef", 6}}) {
    char16_t units[4] = {9, 9, 9, 9};
    const int n = utf8ToUtf16(text, units, size, 4);  // stops at the capacity, on a character boundary
    t.note(hex(text) + " into 4 units -> " + std::to_string(n) + " " + fake::u8(units));
  }
  for (const std::u16string& s : {std::u16string{0xD83D, 0xDE00}, std::u16string{0xD83D}, std::u16string{0x41, 0xD83D},
                                  std::u16string{0xDE00, 0x42}, std::u16string{0xD83D, 0x43},
                                  std::u16string{0x41, 0xDC00, 0xDC00, 0x42}, std::u16string{0x3042, 0xE9, 0x7F}, std::u16string{0xDBFF, 0xDFFF},
                                  std::u16string{}}) {
    char out[32];
    const int n = utf16ToUtf8(s.c_str(), out, sizeof out);
    t.note("utf16 " + std::to_string(s.size()) + " units -> " + std::to_string(n) + " " + hex(out));
  }
  char small[4];
  t.note("into 4 bytes -> " + std::to_string(utf16ToUtf8(u"a\u3042", small, 4)) + " " + small);
  const std::uint32_t good[] = {0x41, 0x7FF, 0xD800, 0x10FFFF}, bad[] = {0x41, 0x110000, 0x42};
  char out[32];
  for (const auto& [values, size] : {std::pair{good, 16}, {good, 3}, {good, 7}, {bad, 12}}) {
    const int n = codePointsToUtf8(values, out, size, sizeof out);
    t.note("code points " + std::to_string(size) + " bytes -> " + std::to_string(n) + " " + hex(out));
  }
}

TEST(TextRoutines, BoundedCopyAndAppend) {
  std::string dst(kBoundedCopySize, 'x');
  const std::string src(8191, 's');
  EXPECT_EQ(boundedCopy(dst.data(), src.data(), 0), 0);
  EXPECT_EQ(dst, std::string(8190, 'x'));
  EXPECT_EQ(boundedCopy(dst.data(), src.data(), 8190), 0);
  EXPECT_EQ(dst, std::string(8190, 's'));
  EXPECT_EQ(boundedCopy(dst.data(), src.data(), 8191), 34);
  EXPECT_EQ(dst, std::string(8190, '\0'));
  dst.assign(kBoundedCopySize, 'x');
  EXPECT_EQ(boundedCopy(dst.data(), nullptr, 5), 22);
  EXPECT_EQ(dst, std::string(8190, '\0'));
  EXPECT_EQ(boundedCopy(nullptr, src.data(), 5), 22);
  char buf[8] = {};
  EXPECT_EQ(appendText(buf, sizeof buf, appendText(buf, sizeof buf, appendText(buf, sizeof buf, 0, "abc"), "d"), "e"), 5);
  EXPECT_EQ(appendText(buf, sizeof buf, 5, "wxyz"), 9);  // does not fit: reported, not copied
  EXPECT_EQ(appendText(buf, sizeof buf, 5, "xyz"), 8);   // fits exactly
  EXPECT_EQ(std::string(buf, 8), "abcdexyz");
}

}  // namespace
}  // namespace corvelin::testing_support
