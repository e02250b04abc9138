// Text and hex dumps, whole file by whole file.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dump/hexdump.h"
#include "dump/table.h"
#include "dump/textdump.h"
#include "fake_platform.h"
#include "test_support.h"

namespace corvelin {
namespace {

using testing_support::logText;

const std::string kInvalid = "[SYSLOG][■--ERROR--■] logPut() UTF8文字解析エラー、UTF8文字列が不正です\r\n";

class TextDump : public testing_support::SessionTest {};

TEST_F(TextDump, Examples) {
  logPut("Hello world!", 12, 1, 10);
  logPut("Hello world!", 12, 0, 10);
  logPut("abc", 99, 1, 10);        // len is only printed
  logPut("", -7, 1, 10);
  logPut("A\x80" "B", 3, 1, 10);  // invalid bytes are reported in place and dropped
  crLfOptionSet(1);
  logPut("Hello world!", 12, 1, 10);
  EXPECT_EQ(logText(),
            "---------- logPut-start len=12\r\nHello worl\r\nd!\r\n---------- logPut-end!!\r\n"
            "\r\nHello worl\r\nd!\r\n"
            "---------- logPut-start len=99\r\nabc\r\n---------- logPut-end!!\r\n"
            "---------- logPut-start len=-7\r\n\r\n---------- logPut-end!!\r\n"
            "---------- logPut-start len=3\r\nA" + kInvalid + "B\r\n---------- logPut-end!!\r\n"
            "---------- logPut-start len=12\nHello worl\nd!\n---------- logPut-end!!\n");
}

TEST_F(TextDump, LinesBreakAfterTheCharacterThatReachesTheCount) {
  const struct {
    std::string text;
    std::int32_t count;
    std::string body;
  } cases[] = {
      {"0123456789", 10, "0123456789"},  // exactly one line: no ending after the last character
      {"01234567890", 10, "0123456789\r\n0"},
      {"あいうえお", 10, "あいうえ\r\nお"},  // 12 bytes on the first line: characters are never split
      {"abcdefghiあz", 10, "abcdefghiあ\r\nz"},
      {std::string(160, 'x'), 80, std::string(80, 'x') + "\r\n" + std::string(80, 'x')},
      {"\xC3" "A" "bcdefghijk", 10, "\xC3" "Abcdefghi\r\njk"},  // continuation bytes are not examined
  };
  for (const auto& c : cases) {
    testing_support::openSession();
    logPut(c.text.c_str(), 0, 0, c.count);
    EXPECT_EQ(logText(), "\r\n" + c.body + "\r\n") << c.text;
  }
}

TEST_F(TextDump, ATextEndingInsideACharacterEndsTheDumpUnclosed) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"ab\xC3", "\r\nab[SYSLOG][■--ERROR--■] logPut() case2 UTF8文字解析エラー バッファ・オーバーラン!\r\n"},
      {"\xE3\x81", "\r\n[SYSLOG][■--ERROR--■] logPut() case3 UTF8文字解析エラー バッファ・オーバーラン!\r\n"},
      {"x\xF0\x9F\x98", "\r\nx[SYSLOG][■--ERROR--■] logPut() case4 UTF8文字解析エラー バッファ・オーバーラン!\r\n"},
      {"\xFF", "\r\n" + kInvalid + "\r\n"},  // an invalid last byte still closes the dump
  };
  for (const auto& c : cases) {
    testing_support::openSession();
    logPut(c.text.c_str(), 0, 0, 10);
    EXPECT_EQ(logText(), c.expected) << testing::PrintToString(c.text);
  }
}

// newLineCnt outside 10-80 and the size report of 8191 bytes: matrix_test.
TEST_F(TextDump, TheLongestTextAndTheRangeMessageObeysOutputLevel) {
  const std::string longest(8190, 'l');
  logPut(longest.c_str(), 0, 0, 80);
  session.outputLevel = -1;
  logPut("x", 1, 1, 5);  // the range message obeys the output level; the dump does not
  logPut("y", 1, 0, 10);
  std::string body;
  for (int i = 0; i < 8190; i += 80) body += (i ? "\r\n" : "") + longest.substr(0, std::min(80, 8190 - i));
  EXPECT_EQ(logText(), "\r\n" + body + "\r\n\r\ny\r\n");
}

class HexDump : public testing_support::SessionTest {};

TEST_F(HexDump, Examples) {
  const unsigned char bytes[] = {0x41, 0x42, 0xE3, 0x81, 0x82};
  logPutHex(bytes, 5, 1, 10);
  const unsigned char zero[] = {0x41, 0x00, 0x42, 0xAB};
  logPutHex(zero, 4, 0, 10);
  logPutHex(zero, 0, 1, 10);
  EXPECT_EQ(logText(),
            "---------- logPutHex-start len=5\r\n41 42 e3 81 82 \r\n---------- logPutHex-end\r\n"
            "\r\n41 00 42 ab \r\n"
            "---------- logPutHex-start len=0\r\n\r\n---------- logPutHex-end\r\n");
}

TEST_F(HexDump, EveryFullLineHoldsNewLineCntBytes) {
  std::vector<unsigned char> data(25);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i + 1);
  const struct {
    std::int32_t len;
    const char* body;
  } cases[] = {
      {20, "01 02 03 04 05 06 07 08 09 0a \r\n0b 0c 0d 0e 0f 10 11 12 13 14 "},
      {21, "01 02 03 04 05 06 07 08 09 0a \r\n0b 0c 0d 0e 0f 10 11 12 13 14 \r\n15 "},
      {25, "01 02 03 04 05 06 07 08 09 0a \r\n0b 0c 0d 0e 0f 10 11 12 13 14 \r\n15 16 17 18 19 "},
      {10, "01 02 03 04 05 06 07 08 09 0a "},
  };
  for (const auto& c : cases) {
    testing_support::openSession();
    logPutHex(data.data(), c.len, 0, 10);
    EXPECT_EQ(logText(), std::string("\r\n") + c.body + "\r\n") << c.len;
  }
}

TEST_F(HexDump, TheSizeGuardNeverReadsPastTheCallersRange) {
  // No zero byte anywhere: the guard must stop at len (AddressSanitizer
  // reports any read past the allocation).
  std::vector<unsigned char> full(9000, 0x5A);
  logPutHex(full.data(), 9000, 0, 10);
  std::vector<unsigned char> small(12, 0x5A);
  logPutHex(small.data(), 12, 0, 10);
  EXPECT_EQ(logText(),
            "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp logPutHex() maxSize=8190 < "
            "dataSize=9000\r\n"
            "\r\n5a 5a 5a 5a 5a 5a 5a 5a 5a 5a \r\n5a 5a \r\n");
}

TEST_F(HexDump, AZeroByteEndsOnlyTheGuardsMeasure) {
  // 20000 bytes with an early zero pass the guard and are all dumped.
  std::vector<unsigned char> data(20000, 0x11);
  data[3] = 0;
  logPutHex(data.data(), 20000, 0, 80);
  const std::string text = logText();
  EXPECT_EQ(text.size(), 2 + 20000 * 3 + (20000 / 80 - 1) * 2 + 2);
  EXPECT_EQ(text.substr(0, 14), "\r\n11 11 11 00 ");
}

// The dumps are assembled in a buffer that is handed on when full: a small
// buffer cuts the writes elsewhere, never the bytes.
TEST(DumpOut, BytesDoNotDependOnTheBufferSize) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += (i % 7 == 0) ? "\xE3\x81\x82" : (i % 11 == 0) ? "\x80" : "z";
  std::vector<unsigned char> bytes(text.begin(), text.end());
  auto run = [&](std::size_t capacity) {
    std::string sink;
    int writes = 0;
    std::vector<char> buffer(capacity);
    struct Ctx {
      std::string* sink;
      int* writes;
    } ctx{&sink, &writes};
    DumpOut out(buffer.data(), capacity, [](void* c, const char* d, std::size_t n) {
      auto* x = static_cast<Ctx*>(c);
      x->sink->append(d, n);
      ++*x->writes;
    }, &ctx);
    buildTextDump(text.c_str(), text.size(), 1, true, 17, "\r\n", out);
    buildHexDump(bytes.data(), static_cast<std::int32_t>(bytes.size()), false, 13, "\n", out);
    buildRawTable(bytes.data(), static_cast<std::int32_t>(bytes.size()), "", "p", "\r\n", out);
    writeUtf8Table("ab\xE3\x81\x82" "cdefghijklmn\xF0\x9F\x98\x80", 21, "q", "\n", out);
    out.finish();
    return std::make_pair(sink, writes);
  };
  const auto big = run(kDumpStage);
  const auto small = run(256);
  EXPECT_EQ(big.second, 1);
  EXPECT_GT(small.second, 10);
  EXPECT_EQ(small.first, big.first);
}

}  // namespace
}  // namespace corvelin
