// Bit tables: the builders on their own, then the exported functions over
// the fake platform.
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
using testing_support::logText;

std::string table16(std::uint16_t value, const char* label, const char* lineEnd = "\r\n") {
  char out[kLargeScratch];
  return std::string(out, buildBitTable16(value, label, lineEnd, out, sizeof out));
}

std::string table32(std::uint32_t value, const char* label, const char* lineEnd = "\r\n") {
  char out[kLargeScratch];
  return std::string(out, buildBitTable32(value, label, lineEnd, out, sizeof out));
}

std::string scalarTable(std::uint32_t scalar, const char* label = "x", const char* lineEnd = "\r\n") {
  char out[kLargeScratch];
  return std::string(out, buildScalarBitTable(scalar, label, lineEnd, out, sizeof out));
}

const std::string kShort = "+-----------------+\r\n";
const std::string kLong = "+-----------------------------------+\r\n";

const char* const kTable16Of3042 =
    "+-----------------+\r\n"
    "|    0   |    1   |  [あ]\r\n"
    "+-----------------+\r\n"
    "|   42   |   30   |   HEX=0x3042\r\n"
    "+-----------------+\r\n"
    "|01000010|00110000|   UTF16_LE Bit Pattern!\r\n"
    "+-----------------+\r\n";

const char* const kTable32Of3042 =
    "+-----------------------------------+\r\n"
    "|    0   |    1   |    2   |    3   |  [あ]\r\n"
    "+-----------------------------------+\r\n"
    "|   42   |   30   |   00   |   00   |  HEX=0x00003042\r\n"
    "+-----------------------------------+\r\n"
    "|01000010|00110000|00000000|00000000|  UTF32_LE Bit Pattern!\r\n"
    "+-----------------------------------+\r\n";

const char* const kScalarTableOf3042 =
    "+-----------------------------------+\r\n"
    "|    *   |    0   |    1   |    2   |  [x]\r\n"
    "+-----------------------------------+\r\n"
    "|********|  0x00  |  0x30  |  0x42  |  SCALAR-HEX(UINT32)=0x00003042\r\n"
    "+-----------------------------------+\r\n"
    "|32    24| 21   16|       8|       0|  [x]\r\n"
    "+-----------------------------------+\r\n"
    "|********|***00000|00110000|01000010|  UNICODE(SCALAR) Bit Pattern!\r\n"
    "+-----------------------------------+\r\n"
    "|    *   |  0xe3  |  0x81  |  0x82  |  DECODE-HEX(UINT32)=0x008281e3\r\n"
    "+-----------------------------------+\r\n"
    "|32    24|      16|       8|       0|  [x]\r\n"
    "+-----------------------------------+\r\n"
    "|********|11100011|10000001|10000010|  UTF8 Decode(3 bytes char)!\r\n"
    "+-----------------------------------+\r\n";

TEST(BitStrings, MostSignificantBitFirst) {
  const struct {
    std::uint8_t byte;
    const char* bits;
  } cases[] = {{0x00, "00000000"}, {0xFF, "11111111"}, {0x80, "10000000"}, {0x01, "00000001"}, {0x42, "01000010"}};
  for (const auto& c : cases) {
    char out[9];
    byteToBitString(c.byte, out);
    EXPECT_STREQ(out, c.bits);
  }
}

TEST(BitTable16, TheExampleTable) { EXPECT_EQ(table16(0x3042, "あ"), kTable16Of3042); }

TEST(BitTable16, ExtremeValuesAndAnEmptyLabel) {
  EXPECT_EQ(table16(0, ""), kShort + "|    0   |    1   |  []\r\n" + kShort + "|   00   |   00   |   HEX=0x0000\r\n" +
                                kShort + "|00000000|00000000|   UTF16_LE Bit Pattern!\r\n" + kShort);
  EXPECT_EQ(table16(0xFFFF, "m"), kShort + "|    0   |    1   |  [m]\r\n" + kShort +
                                      "|   ff   |   ff   |   HEX=0xffff\r\n" + kShort +
                                      "|11111111|11111111|   UTF16_LE Bit Pattern!\r\n" + kShort);
}

TEST(BitTable32, TheExampleTable) { EXPECT_EQ(table32(0x3042, "あ"), kTable32Of3042); }

TEST(BitTable32, BytesInMemoryOrder) {
  EXPECT_EQ(table32(0x12345678, "%s%d%n"),
            kLong + "|    0   |    1   |    2   |    3   |  [%s%d%n]\r\n" + kLong +
                "|   78   |   56   |   34   |   12   |  HEX=0x12345678\r\n" + kLong +
                "|01111000|01010110|00110100|00010010|  UTF32_LE Bit Pattern!\r\n" + kLong);
}

TEST(ScalarTable, TheFourExampleTables) {
  EXPECT_EQ(scalarTable(0x41),
            "+-----------------------------------+\r\n"
            "|    *   |    *   |    *   |    0   |  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|********|********|  0x41  |  SCALAR-HEX(UINT32)=0x00000041\r\n"
            "+-----------------------------------+\r\n"
            "|32    24| 21   16|       8|       0|  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|***00000|00000000|01000001|  UNICODE(SCALAR) Bit Pattern!\r\n"
            "+-----------------------------------+\r\n"
            "|    *   |    *   |    *   |  0x41  |  HEX(UINT32)=0x00000041\r\n"
            "+-----------------------------------+\r\n"
            "|32    24|      16|       8|       0|  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|********|********|01000001|  UTF8 Decode (1 bytes char)!\r\n"
            "+-----------------------------------+\r\n");
  EXPECT_EQ(scalarTable(0xE9),
            "+-----------------------------------+\r\n"
            "|    *   |    *   |    0   |    1   |  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|********|  0x00  |  0xe9  |  SCALAR-HEX(UINT32)=0x000000e9\r\n"
            "+-----------------------------------+\r\n"
            "|32    24| 21   16|       8|       0|  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|********|00000000|11101001|  UNICODE(SCALAR) Bit Pattern!\r\n"
            "+-----------------------------------+\r\n"
            "|    *   |    *   |  0xc3  |  0xa9  |  DECODE-HEX(UINT32)=0x0000a9c3\r\n"
            "+-----------------------------------+\r\n"
            "|32    24|      16|       8|       0|  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|********|11000011|10101001|  UTF8 Decode(2 bytes char)!\r\n"
            "+-----------------------------------+\r\n");
  EXPECT_EQ(scalarTable(0x3042), kScalarTableOf3042);
  EXPECT_EQ(scalarTable(0x1F600),
            "+-----------------------------------+\r\n"
            "|    0   |    1   |    2   |    3   |  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|********|  0xf6  |  0x00  |  SCALAR-HEX(UINT32)=0x0001f600\r\n"
            "+-----------------------------------+\r\n"
            "|32    24| 21   16|       8|       0|  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|********|***00001|11110110|00000000|  UNICODE(SCALAR) Bit Pattern!\r\n"
            "+-----------------------------------+\r\n"
            "|  0xf0  |  0x9f  |  0x98  |  0x80  |  DECODE-HEX(UINT32)=0x80989ff0\r\n"
            "+-----------------------------------+\r\n"
            "|32    24|      16|       8|       0|  [x]\r\n"
            "+-----------------------------------+\r\n"
            "|11110000|10011111|10011000|10000000|  UTF8 Decode(4 bytes char)!\r\n"
            "+-----------------------------------+\r\n");
}

TEST(ScalarTable, LengthBoundsSurrogatesAndZero) {
  // The five rows that depend on the scalar; the others are the same in
  // every table with the label x.
  const struct {
    std::uint32_t scalar;
    const char* header;
    const char* scalarHex;
    const char* scalarBits;
    const char* utf8Hex;
    const char* utf8Bits;
  } cases[] = {
      {0x0, "|    *   |    *   |    *   |    0   |  [x]", "|********|********|********|  0x00  |  SCALAR-HEX(UINT32)=0x00000000",
       "|********|***00000|00000000|00000000|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |    *   |    *   |  0x00  |  HEX(UINT32)=0x00000000",
       "|********|********|********|00000000|  UTF8 Decode (1 bytes char)!"},
      {0x7F, "|    *   |    *   |    *   |    0   |  [x]", "|********|********|********|  0x7f  |  SCALAR-HEX(UINT32)=0x0000007f",
       "|********|***00000|00000000|01111111|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |    *   |    *   |  0x7f  |  HEX(UINT32)=0x0000007f",
       "|********|********|********|01111111|  UTF8 Decode (1 bytes char)!"},
      {0x80, "|    *   |    *   |    0   |    1   |  [x]", "|********|********|  0x00  |  0x80  |  SCALAR-HEX(UINT32)=0x00000080",
       "|********|********|00000000|10000000|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |    *   |  0xc2  |  0x80  |  DECODE-HEX(UINT32)=0x000080c2",
       "|********|********|11000010|10000000|  UTF8 Decode(2 bytes char)!"},
      {0x7FF, "|    *   |    *   |    0   |    1   |  [x]", "|********|********|  0x07  |  0xff  |  SCALAR-HEX(UINT32)=0x000007ff",
       "|********|********|00000111|11111111|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |    *   |  0xdf  |  0xbf  |  DECODE-HEX(UINT32)=0x0000bfdf",
       "|********|********|11011111|10111111|  UTF8 Decode(2 bytes char)!"},
      {0x800, "|    *   |    0   |    1   |    2   |  [x]", "|********|  0x00  |  0x08  |  0x00  |  SCALAR-HEX(UINT32)=0x00000800",
       "|********|***00000|00001000|00000000|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |  0xe0  |  0xa0  |  0x80  |  DECODE-HEX(UINT32)=0x0080a0e0",
       "|********|11100000|10100000|10000000|  UTF8 Decode(3 bytes char)!"},
      {0xD800, "|    *   |    0   |    1   |    2   |  [x]", "|********|  0x00  |  0xd8  |  0x00  |  SCALAR-HEX(UINT32)=0x0000d800",
       "|********|***00000|11011000|00000000|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |  0xed  |  0xa0  |  0x80  |  DECODE-HEX(UINT32)=0x0080a0ed",
       "|********|11101101|10100000|10000000|  UTF8 Decode(3 bytes char)!"},
      {0xFFFF, "|    *   |    0   |    1   |    2   |  [x]", "|********|  0x00  |  0xff  |  0xff  |  SCALAR-HEX(UINT32)=0x0000ffff",
       "|********|***00000|11111111|11111111|  UNICODE(SCALAR) Bit Pattern!",
       "|    *   |  0xef  |  0xbf  |  0xbf  |  DECODE-HEX(UINT32)=0x00bfbfef",
       "|********|11101111|10111111|10111111|  UTF8 Decode(3 bytes char)!"},
      {0x10000, "|    0   |    1   |    2   |    3   |  [x]", "|********|********|  0x00  |  0x00  |  SCALAR-HEX(UINT32)=0x00010000",
       "|********|***00001|00000000|00000000|  UNICODE(SCALAR) Bit Pattern!",
       "|  0xf0  |  0x90  |  0x80  |  0x80  |  DECODE-HEX(UINT32)=0x808090f0",
       "|11110000|10010000|10000000|10000000|  UTF8 Decode(4 bytes char)!"},
      {0x10FFFF, "|    0   |    1   |    2   |    3   |  [x]", "|********|********|  0xff  |  0xff  |  SCALAR-HEX(UINT32)=0x0010ffff",
       "|********|***10000|11111111|11111111|  UNICODE(SCALAR) Bit Pattern!",
       "|  0xf4  |  0x8f  |  0xbf  |  0xbf  |  DECODE-HEX(UINT32)=0xbfbf8ff4",
       "|11110100|10001111|10111111|10111111|  UTF8 Decode(4 bytes char)!"},
  };
  const std::string bitHeader = "|32    24| 21   16|       8|       0|  [x]\r\n";
  const std::string utf8Header = "|32    24|      16|       8|       0|  [x]\r\n";
  for (const auto& c : cases) {
    const std::string expected = kLong + c.header + "\r\n" + kLong + c.scalarHex + "\r\n" + kLong + bitHeader + kLong +
                                 c.scalarBits + "\r\n" + kLong + c.utf8Hex + "\r\n" + kLong + utf8Header + kLong +
                                 c.utf8Bits + "\r\n" + kLong;
    EXPECT_EQ(scalarTable(c.scalar), expected) << std::hex << c.scalar;
  }
}

TEST(ScalarTable, ValuesAboveTheLastScalarGiveNoTable) {
  for (std::uint32_t scalar : {0x110000u, 0x1FFFFFu, 0xFFFFFFFFu}) EXPECT_EQ(scalarTable(scalar), "") << scalar;
}

TEST(ScalarTable, TheLabelIsTextAndTheLineEndingTheSessions) {
  EXPECT_EQ(scalarTable(0x1F600, "%Ts 100%", "\n"),
            "+-----------------------------------+\n"
            "|    0   |    1   |    2   |    3   |  [%Ts 100%]\n"
            "+-----------------------------------+\n"
            "|********|********|  0xf6  |  0x00  |  SCALAR-HEX(UINT32)=0x0001f600\n"
            "+-----------------------------------+\n"
            "|32    24| 21   16|       8|       0|  [%Ts 100%]\n"
            "+-----------------------------------+\n"
            "|********|***00001|11110110|00000000|  UNICODE(SCALAR) Bit Pattern!\n"
            "+-----------------------------------+\n"
            "|  0xf0  |  0x9f  |  0x98  |  0x80  |  DECODE-HEX(UINT32)=0x80989ff0\n"
            "+-----------------------------------+\n"
            "|32    24|      16|       8|       0|  [%Ts 100%]\n"
            "+-----------------------------------+\n"
            "|11110000|10011111|10011000|10000000|  UTF8 Decode(4 bytes char)!\n"
            "+-----------------------------------+\n");
}

TEST(BitTables, ATableThatDoesNotFitIsNotWrittenAtAll) {
  char out[64];
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(buildBitTable16(1, "label", "\r\n", out, sizeof out), 0u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(buildBitTable32(1, "label", "\r\n", out, sizeof out), 0u);
  EXPECT_EQ(buildScalarBitTable(1, "label", "\r\n", out, sizeof out), 0u);
  EXPECT_EQ(out[0], 0);
  // Exactly the table's length plus its terminator is enough.
  const std::string whole = kTable16Of3042;
  char exact[256];
  ASSERT_LT(whole.size(), sizeof exact);
  EXPECT_EQ(buildBitTable16(0x3042, "あ", "\r\n", exact, whole.size() + 1), whole.size());
  EXPECT_EQ(buildBitTable16(0x3042, "あ", "\r\n", exact, whole.size()), 0u);
}

// ---- The exported functions --------------------------------------------

class BitExports : public testing_support::SessionTest {};

TEST_F(BitExports, EachTableIsOneWriteAtEveryOutputLevel) {
  session.outputLevel = -1;
  const int before = world().writeCalls;
  makeBitStringUSHORT16(0x3042, "あ");
  EXPECT_EQ(world().writeCalls, before + 1);
  makeBitStringUINT32(0x3042, "あ");
  makeBitStringUnicodeScalarValue(0x3042, "x");
  EXPECT_EQ(world().writeCalls, before + 3);
  EXPECT_EQ(logText(), std::string(kTable16Of3042) + kTable32Of3042 + kScalarTableOf3042);
}

TEST_F(BitExports, LabelsUpTo510BytesAreWritten) {
  const std::string label510(510, 'L');
  const std::string label511(511, 'L');
  makeBitStringUSHORT16(1, label510.c_str());
  makeBitStringUSHORT16(1, label511.c_str());
  makeBitStringUINT32(2, label510.c_str());
  makeBitStringUINT32(2, std::string(600, 'L').c_str());
  makeBitStringUnicodeScalarValue(3, label510.c_str());
  makeBitStringUnicodeScalarValue(0x110000, label511.c_str());  // the label is checked first
  const std::string tag = "  [" + label510 + "]\r\n";
  EXPECT_EQ(logText(),
            kShort + "|    0   |    1   |" + tag + kShort + "|   01   |   00   |   HEX=0x0001\r\n" + kShort +
                "|00000001|00000000|   UTF16_LE Bit Pattern!\r\n" + kShort +
                "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp makeBitStringUSHORT16() maxSize=510 < "
                "dataSize=511\r\n" +
                kLong + "|    0   |    1   |    2   |    3   |" + tag + kLong +
                "|   02   |   00   |   00   |   00   |  HEX=0x00000002\r\n" + kLong +
                "|00000010|00000000|00000000|00000000|  UTF32_LE Bit Pattern!\r\n" + kLong +
                "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp makeBitStringUINT32() maxSize=510 < "
                "dataSize=600\r\n" +
                kLong + "|    *   |    *   |    *   |    0   |" + tag + kLong +
                "|********|********|********|  0x03  |  SCALAR-HEX(UINT32)=0x00000003\r\n" + kLong +
                "|32    24| 21   16|       8|       0|" + tag + kLong +
                "|********|***00000|00000000|00000011|  UNICODE(SCALAR) Bit Pattern!\r\n" + kLong +
                "|    *   |    *   |    *   |  0x03  |  HEX(UINT32)=0x00000003\r\n" + kLong +
                "|32    24|      16|       8|       0|" + tag + kLong +
                "|********|********|********|00000011|  UTF8 Decode (1 bytes char)!\r\n" + kLong +
                "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp makeBitStringUnicodeScalarValue() "
                "maxSize=510 < dataSize=511\r\n");
}

TEST_F(BitExports, ScalarsOutOfRangeGetAnErrorLineThatObeysOutputLevel) {
  makeBitStringUnicodeScalarValue(0x110000, "x");
  makeBitStringUnicodeScalarValue(0xFFFFFFFF, "x");
  session.outputLevel = -1;
  makeBitStringUnicodeScalarValue(0x110000, "hidden");
  EXPECT_EQ(logText(),
            "[SYSLOG][■--ERROR--■] makeBitStringUnicodeScalarValue() scalar値がUNICODE文字の範囲外 0 - 0x10FFFF Your "
            "Data=0x110000\r\n"
            "[SYSLOG][■--ERROR--■] makeBitStringUnicodeScalarValue() scalar値がUNICODE文字の範囲外 0 - 0x10FFFF Your "
            "Data=0xffffffff\r\n");
  EXPECT_TRUE(world().boxes.empty());
}

TEST_F(BitExports, TablesFollowCrLfOption) {
  crLfOptionSet(1);
  makeBitStringUSHORT16(0xABCD, "lf");
  EXPECT_EQ(logText(),
            "+-----------------+\n"
            "|    0   |    1   |  [lf]\n"
            "+-----------------+\n"
            "|   cd   |   ab   |   HEX=0xabcd\n"
            "+-----------------+\n"
            "|11001101|10101011|   UTF16_LE Bit Pattern!\n"
            "+-----------------+\n");
}

TEST_F(BitExports, ANullLabelWritesNothing) {
  makeBitStringUSHORT16(1, nullptr);
  makeBitStringUINT32(1, nullptr);
  makeBitStringUnicodeScalarValue(0x110000, nullptr);
  EXPECT_EQ(logText(), "");
}

}  // namespace
}  // namespace corvelin
