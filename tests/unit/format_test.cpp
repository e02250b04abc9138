#include "record/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "fake_platform.h"

namespace corvelin {
namespace {

struct Row {
  std::string expected;
  int result;
  std::string actual;
};

template <class... A>
Row narrow(const char* format, const A&... args) {
  char buf[128] = "garbage";
  const int r = boundedFormatA(buf, sizeof buf, format, args...);
  return Row{"", r, buf};
}

TEST(BoundedFormatA, FormatsTheDialectTheLibraryUses) {
  const void* p = reinterpret_cast<const void*>(std::uintptr_t{0x20C5A3B1F40});
  const struct {
    Row row;
    const char* expected;
  } cases[] = {
      {narrow("[%s]%s", "abc", "\r\n"), "[abc]\r\n"},
      {narrow("%04d-%02d-%02d %02d:%02d:%02d:", 2026, 12, 5, 1, 23, 45), "2026-12-05 01:23:45:"},
      {narrow("%02d:%02d:%02d:", 2026, 1, 9), "2026:01:09:"},
      {narrow("%4d|%4d", 7, 12345), "   7|12345"},
      {narrow("%06d 0x%04x", 16, 16), "000016 0x0010"},
      {narrow("%02x %02x %08x", 0xABu, 0x5u, 0x3042u), "ab 05 00003042"},
      {narrow("%04x", 0x110000u), "110000"},
      {narrow("tid=%ld:%lf[sec]", 4242, 0.001), "tid=4242:0.001000[sec]"},
      {narrow("%lf|%lf|%lf", 1.5, -0.25, 0.0), "1.500000|-0.250000|0.000000"},
      {narrow("%I64d|%I64d", std::int64_t{510}, std::int64_t{-9000000000}), "510|-9000000000"},
      {narrow("%d|%d|%04d", -7, 2147483647, -5), "-7|2147483647|-005"},
      {narrow("%u|%d", 4294967295u, static_cast<std::int32_t>(-2147483647 - 1)), "4294967295|-2147483648"},
      {narrow("addr={%p}", p), "addr={0000020C5A3B1F40}"},
      {narrow("%c%c%c", 'x', 'y', 'z'), "xyz"},
      {narrow("100%% done"), "100% done"},
      {narrow("[%Ts]", "label"), "[label]"},
      {narrow("{%s}", static_cast<const char*>(nullptr)), "{(null)}"},
      {narrow("%-5d|%5s|%-3s|", 42, "ab", "c"), "42   |   ab|c  |"},
      {narrow("%+d % d %#x", 5, 5, 255u), "+5  5 0xff"},
      {narrow("%.2lf|%10.3lf|%010.1lf", 2.376, -1.5, 3.25), "2.38|    -1.500|00000003.2"},
      {narrow(""), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.row.actual, c.expected);
    EXPECT_EQ(c.row.result, static_cast<int>(std::string(c.expected).size())) << c.expected;
  }
}

TEST(BoundedFormatA, RefusesInsteadOfReadingTheWrongType) {
  // Each of these would make a C formatter read garbage or crash.
  const struct {
    Row row;
    const char* why;
  } cases[] = {
      {narrow("%d", "text"), "string for %d"},
      {narrow("%s", 5), "int for %s"},
      {narrow("%lf", 5), "int for %lf"},
      {narrow("%I64d", 5), "32-bit value for %I64d"},
      {narrow("%d", std::int64_t{5}), "64-bit value for %d"},
      {narrow("%d %d", 5), "missing argument"},
      {narrow("%d", 5, 6), "surplus argument"},
      {narrow("%s", u"wide"), "wide string in a narrow format"},
      {narrow("%p", 5), "int for %p"},
      {narrow("%q", 5), "unknown conversion"},
      {narrow("trailing %"), "format ends inside a conversion"},
      {narrow("%Td", 5), "%T with another conversion"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.row.result, -1) << c.why;
    EXPECT_EQ(c.row.actual, "") << c.why;
  }
}

TEST(BoundedFormatA, OutputThatDoesNotFitLeavesTheEmptyString) {
  char buf[10];
  EXPECT_EQ(boundedFormatA(buf, 10, "%s", "123456789"), 9);
  EXPECT_STREQ(buf, "123456789");
  EXPECT_EQ(boundedFormatA(buf, 10, "%s", "1234567890"), -1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(boundedFormatA(buf, 10, "12345%05d", 1), -1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(boundedFormatA(buf, 1, ""), 0);
  EXPECT_EQ(boundedFormatA(buf, 0, ""), -1);
  EXPECT_EQ(boundedFormatA(nullptr, 10, "x"), -1);
  EXPECT_EQ(boundedFormatA(buf, 10, nullptr), -1);
}

TEST(BoundedFormatW, TakesUtf16StringsAndCountsUnits) {
  char16_t buf[64];
  EXPECT_EQ(boundedFormatW(buf, 64, u"--- [%s] start Log={%s} ---%s", u"app_", u"C:\\logs", u"\r\n"), 36);
  EXPECT_EQ(std::u16string(buf), u"--- [app_] start Log={C:\\logs} ---\r\n");
  EXPECT_EQ(boundedFormatW(buf, 64, u"超過 %I64dバイト", std::int64_t{510}), 9);
  EXPECT_EQ(std::u16string(buf), u"超過 510バイト");
  EXPECT_EQ(boundedFormatW(buf, 64, u"%s", "narrow"), -1);
  EXPECT_EQ(boundedFormatW(buf, 5, u"%s", u"abcd"), 4);
  EXPECT_EQ(boundedFormatW(buf, 5, u"%s", u"abcde"), -1);
  EXPECT_EQ(std::u16string(buf), u"");
}

TEST(FormatFixed, RoundsExactlyAndPrintsLargeValuesWhole) {
  char buf[400];
  const struct {
    double value;
    int precision;
    const char* expected;
  } cases[] = {
      {0.0078125, 6, "0.007812"},  // an exact tie goes to even
      {0.0234375, 6, "0.023438"},
      {1796000000.123, 6, "1796000000.123000"},
      {-0.0000001, 6, "-0.000000"},
      {1e22, 0, "10000000000000000000000"},
      {0.5, 0, "0"},
      {1.5, 0, "2"},
      {123.456, 2, "123.46"},
      {5e-324, 6, "0.000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatFixed(c.value, c.precision, buf, sizeof buf), static_cast<int>(std::string(c.expected).size()));
    EXPECT_STREQ(buf, c.expected);
  }
  EXPECT_EQ(formatFixed(1.0, 41, buf, sizeof buf), -1);
  EXPECT_EQ(formatFixed(12345.0, 6, buf, 8), -1);
  formatFixed(1.7976931348623157e308, 6, buf, sizeof buf);
  EXPECT_EQ(std::string(buf).size(), 309u + 7u);
  EXPECT_EQ(std::string(buf).substr(0, 20), "17976931348623157081");
}

#if !defined(_WIN32)
// The GNU C library prints %f exactly, with ties to even: a reference for
// the whole range of doubles the library can meet.
TEST(FormatFixed, AgreesWithTheCLibraryOnRandomDoubles) {
  std::mt19937_64 rng(20261206);
  std::uniform_int_distribution<int> exponent(-40, 40);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  char ours[400], theirs[400];
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
    formatFixed(v, 6, ours, sizeof ours);
    std::snprintf(theirs, sizeof theirs, "%.6f", v);
    ASSERT_STREQ(ours, theirs) << v;
  }
  for (std::int64_t ms = -3000; ms <= 3000; ++ms) {
    const double v = static_cast<double>(ms) / 1000.0;
    formatFixed(v, 6, ours, sizeof ours);
    std::snprintf(theirs, sizeof theirs, "%.6f", v);
    ASSERT_STREQ(ours, theirs) << ms;
  }
}
#endif

}  // namespace
}  // namespace corvelin
