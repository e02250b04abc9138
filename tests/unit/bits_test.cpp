// Bit tables: the builders' capacity rule, then the exported functions over
// the fake platform, their logs compared whole with golden files.
#include "bits/bittable.h"

#include <corvelin.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_platform.h"
#include "test_support.h"

namespace corvelin {
namespace {

using fake::world;
using testing_support::golden;
using testing_support::logText;

TEST(BitTableBuilders, ATableThatDoesNotFitIsNotWrittenAtAll) {
  char out[kLargeScratch];
  const std::size_t whole = buildBitTable16(0x3042, "あ", "\r\n", out, sizeof out);
  ASSERT_GT(whole, 0u);
  EXPECT_EQ(buildBitTable16(0x3042, "あ", "\r\n", out, whole + 1), whole) << "its length and the terminator fit";
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(buildBitTable16(0x3042, "あ", "\r\n", out, whole), 0u);
  EXPECT_EQ(out[0], 0);
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(buildBitTable32(1, "label", "\r\n", out, 64), 0u);
  EXPECT_EQ(out[0], 0);
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(buildScalarBitTable(1, "label", "\r\n", out, 64), 0u);
  EXPECT_EQ(out[0], 0);
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(buildScalarBitTable(0x110000, "past the last scalar", "\r\n", out, sizeof out), 0u);
  EXPECT_EQ(out[0], 0);
}

class BitTables : public testing_support::SessionTest {};

// The tables of the documentation (あ in 16 and 32 bits; the scalars 41, E9,
// 3042, 1F600), bytes in memory order, extremes, and every bound of the
// UTF-8 length with a surrogate: one write a table, whatever outputLevel says.
TEST_F(BitTables, DocumentedTablesAndLengthBounds) {
  session.outputLevel = -1;
  const int writesBefore = world().writeCalls;
  makeBitStringUSHORT16(0x3042, "あ");
  makeBitStringUINT32(0x3042, "あ");
  makeBitStringUSHORT16(0, "");
  makeBitStringUSHORT16(0xFFFF, "m");
  makeBitStringUINT32(0x12345678, "%s%d%n");
  for (std::uint32_t scalar : {0x41u, 0xE9u, 0x3042u, 0x1F600u, 0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD800u, 0xFFFFu,
                               0x10000u, 0x10FFFFu}) {
    makeBitStringUnicodeScalarValue(scalar, "x");
  }
  EXPECT_EQ(world().writeCalls - writesBefore, 5 + 13);
  EXPECT_EQ(logText(), golden("bit_tables.txt"));
}

// Labels of up to 510 bytes, checked before the scalar; scalars past 10FFFF
// get an error line that obeys outputLevel; a null label writes nothing;
// the session's line ending closes every line.
TEST_F(BitTables, LimitsAndLineEndings) {
  const std::string label510(510, 'L'), label511(511, 'L');
  makeBitStringUSHORT16(1, label510.c_str());
  makeBitStringUSHORT16(1, label511.c_str());
  makeBitStringUINT32(2, label510.c_str());
  makeBitStringUINT32(2, std::string(600, 'L').c_str());
  makeBitStringUnicodeScalarValue(3, label510.c_str());
  makeBitStringUnicodeScalarValue(0x110000, label511.c_str());
  for (std::uint32_t scalar : {0x110000u, 0x1FFFFFu, 0xFFFFFFFFu}) makeBitStringUnicodeScalarValue(scalar, "x");
  makeBitStringUSHORT16(1, nullptr);
  makeBitStringUINT32(1, nullptr);
  makeBitStringUnicodeScalarValue(0x110000, nullptr);
  session.outputLevel = -1;
  makeBitStringUnicodeScalarValue(0x110000, "hidden");
  crLfOptionSet(1);
  makeBitStringUSHORT16(0xABCD, "lf");
  makeBitStringUINT32(0xABCD, "lf");
  makeBitStringUnicodeScalarValue(0x1F600, "%Ts 100%");
  EXPECT_EQ(logText(), golden("bit_table_limits.txt"));
  EXPECT_TRUE(world().boxes.empty());
}

}  // namespace
}  // namespace corvelin
