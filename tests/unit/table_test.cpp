// The 16-bytes-per-row tables: whole tables, and every placement of the
// UTF-8 character column.
#include <corvelin.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dump/table.h"
#include "fake_platform.h"
#include "record/lineprefix.h"
#include "test_support.h"

namespace corvelin {
namespace {

using testing_support::logText;

const std::string kRule = "-----------------------------------------------------------------------------------";
const std::string kRuler = "00 01 02 03 04 05 06 07 |08 09 0A 0B 0C 0D 0E 0F |01234567|89ABCDEF| Dec   Hex";

std::string addr(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
  return buf;
}

// A whole table: the header for `data`, the rows, the closing rule.
std::string table(const void* data, const std::string& prefix, long size, const std::string& rows,
                  const std::string& charSet = "UTF8(NoBom)", const std::string& end = "\r\n") {
  return kRule + end + "addr={" + addr(data) + "} prefix={" + prefix + "} charSet={" + charSet +
         "} size(BYTE)=" + std::to_string(size) + end + kRuler + end + kRule + end + rows + kRule + end;
}

class RawTable : public testing_support::SessionTest {};

TEST_F(RawTable, RowsOfSixteenAndTheCharacterColumn) {
  const unsigned char five[] = {0x41, 0x42, 0xE3, 0x81, 0x82};
  unsigned char data[34];
  std::memcpy(data, "\x00\x1F\x20\x7E\x7F\x80\xFF" "ABCDEFGHIJKLMNOPQRSTUVWXYZ!", 34);
  logDumpRaw(five, 5, "pfx");
  session.bomSetFlg = 1;
  logDumpRaw(data, 34, "rows");
  EXPECT_EQ(logText(),
            table(five, "pfx", 5, "41 42 e3 81 82          |                        |AB      |        | 000005 0x0005\r\n") +
                table(data, "rows", 34,
                      "00 1f 20 7e 7f 80 ff 41 |42 43 44 45 46 47 48 49 |   ~   A|BCDEFGHI| 000016 0x0010\r\n"
                      "4a 4b 4c 4d 4e 4f 50 51 |52 53 54 55 56 57 58 59 |JKLMNOPQ|RSTUVWXY| 000032 0x0020\r\n"
                      "5a 21                   |                        |Z!      |        | 000034 0x0022\r\n",
                      "UTF8N(BomSet)"));
}

TEST_F(RawTable, NoRowsForSizeZeroOrLess) {
  const char* data = "abc";
  logDumpRaw(data, 0, "");
  logDumpRaw(data, -3, "neg");
  EXPECT_EQ(logText(), table(data, "", 0, "") + table(data, "neg", -3, ""));
}

TEST_F(RawTable, HeaderAndClosingFollowTheLineEndingRowsDoNot) {
  crLfOptionSet(1);
  const char* data = "0123456789abcdefg";
  logDumpRaw(data, 17, "lf");
  EXPECT_EQ(logText(), table(data, "lf", 17,
                             "30 31 32 33 34 35 36 37 |38 39 61 62 63 64 65 66 |01234567|89abcdef| 000016 0x0010\r\n"
                             "67                      |                        |g       |        | 000017 0x0011\r\n",
                             "UTF8(NoBom)", "\n"));
}

// Prefixes over 510 bytes and sizes over 8190 without a zero: matrix_test.
TEST_F(RawTable, TheSizeCheckAndTheTimingLine) {
  std::vector<unsigned char> big(9000, 0x41);
  big[100] = 0;
  session.writeFlg = 1;
  logDumpRaw(big.data(), 8191, "p");  // passes the measure, refused by size: no timing line
  const std::string prefix510(510, 'p');
  logDumpRaw("ab", 2, prefix510.c_str());  // accepted, then timed
  EXPECT_EQ(logText(),
            "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp logDumpRaw() maxSize=8190 < "
            "dataSize=8191\r\n" +
                table("ab", prefix510, 2, "61 62                   |                        |ab      |        | 000002 0x0002\r\n") +
                "[SYSLOG][○--INFO--○] logDumpUTF8 処理時間=0.000000[sec]\r\n");
}

TEST_F(RawTable, TheLargestTableIsWrittenWhole) {
  std::vector<unsigned char> data(8190);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(0x20 + i % 95);
  const int writesBefore = fake::world().writeCalls;
  logDumpRaw(data.data(), 8190, "all");
  EXPECT_EQ(fake::world().writeCalls - writesBefore, 1) << "one write for the whole table";
  const std::string text = logText();
  EXPECT_EQ(text.size(), table(data.data(), "all", 8190, "").size() + 512 * 84);
  EXPECT_EQ(text.substr(text.size() - 84 - 85), "26 27 28 29 2a 2b 2c 2d |2e 2f 30 31 32 33       |&'()*+,-|./0123  | 008190 0x1ffe\r\n" + kRule + "\r\n");
}

class Utf8Table : public testing_support::SessionTest {
 protected:
  // The character columns (between the outer bars) of the table `text` gives.
  static std::vector<std::string> columns(const std::string& text) {
    testing_support::openSession();
    logDumpUTF8(text.c_str(), 0, "c");
    std::vector<std::string> out;
    const std::string all = logText();
    std::size_t start = 0;
    int line = 0;
    while (start < all.size()) {
      const std::size_t end = all.find('\n', start);
      const std::string row = all.substr(start, end - start + 1);
      start = end + 1;
      if (++line <= 4 || row.rfind(kRule, 0) == 0) continue;
      out.push_back(row.substr(50, row.rfind('|') - 50));
    }
    return out;
  }
};

TEST_F(Utf8Table, Examples) {
  const char* text = "AB\xE3\x81\x82";
  const char* crossing = "0123456789abcde\xE3\x81\x82XYZ";
  const char* wide = "0123456\xF0\x9F\x98\x80XYZ";
  session.bomSetFlg = 1;  // the character set still says NoBom
  logDumpUTF8(text, 12345, "pfx");
  logDumpUTF8(crossing, 0, "pfx");
  logDumpUTF8(wide, 0, "pfx");
  EXPECT_EQ(logText(),
            table(text, "pfx", 5, "41 42 e3 81 82          |                        |ABあ.   |        | 000005 0x0005\r\n") +
                table(crossing, "pfx", 21,
                      "30 31 32 33 34 35 36 37 |38 39 61 62 63 64 65 e3 |01234567|89abcde`| 000016 0x0010\r\n"
                      "81 82 58 59 5a          |                        |あXYZ   |        | 000021 0x0015\r\n") +
                table(wide, "pfx", 14,
                      "30 31 32 33 34 35 36 f0 |9f 98 80 58 59 5a       |0123456`|😀.XYZ  | 000014 0x000e\r\n"));
}

// Every row of the placement table: `first` ASCII digits, the character,
// then XYZ. Codes 22, 314, 315, 413, 414 and 415 carry cells to the next row.
TEST_F(Utf8Table, EveryPlacement) {
  const std::string e2 = "\xC3\xA9", e3 = "\xE3\x81\x82", e4 = "\xF0\x9F\x98\x80";
  const std::string digits = "0123456789abcdef";
  const struct {
    int first;
    std::string character;
    std::vector<std::string> rows;
  } cases[] = {
      {0, e2, {"é.XYZ   |        "}},
      {6, e2, {"012345é.|XYZ     "}},
      {7, e2, {"0123456é|.XYZ    "}},
      {8, e2, {"01234567|é.XYZ   "}},
      {14, e2, {"01234567|89abcdé.", "XYZ     |        "}},
      {15, e2, {"01234567|89abcdeé", ".XYZ    |        "}},  // 22
      {0, e3, {"あ.XYZ  |        "}},
      {5, e3, {"01234あ.|XYZ     "}},
      {6, e3, {"012345あ|.XYZ    "}},
      {7, e3, {"0123456`|あXYZ   "}},
      {8, e3, {"01234567|あ.XYZ  "}},
      {13, e3, {"01234567|89abcあ.", "XYZ     |        "}},
      {14, e3, {"01234567|89abcdあ", ".XYZ    |        "}},  // 314
      {15, e3, {"01234567|89abcde`", "あXYZ   |        "}},  // 315
      {0, e4, {"😀..XYZ |        "}},
      {4, e4, {"0123😀..|XYZ     "}},
      {5, e4, {"01234😀.|.XYZ    "}},
      {6, e4, {"012345😀|..XYZ   "}},
      {7, e4, {"0123456`|😀.XYZ  "}},
      {12, e4, {"01234567|89ab😀..", "XYZ     |        "}},
      {13, e4, {"01234567|89abc😀.", ".XYZ    |        "}},  // 413
      {14, e4, {"01234567|89abcd😀", "..XYZ   |        "}},  // 414
      {15, e4, {"01234567|89abcde`", "😀.XYZ  |        "}},  // 415
  };
  for (const auto& c : cases) {
    EXPECT_EQ(columns(digits.substr(0, c.first) + c.character + "XYZ"), c.rows)
        << c.character.size() << " bytes from cell " << c.first;
  }
}

TEST_F(Utf8Table, ControlCharactersAndShortTexts) {
  EXPECT_EQ(columns("Hi\n\xC3\xA9"), std::vector<std::string>{"Hi é.   |        "});
  EXPECT_EQ(columns("01234567"), std::vector<std::string>{"01234567|        "});
  EXPECT_EQ(columns("\x01\x7F" "x"), std::vector<std::string>{"  x     |        "});
  EXPECT_EQ(columns(""), std::vector<std::string>{});
}

// A last character whose bytes run out shows as blanks; nothing past the
// text is read and the offsets stay within it.
TEST_F(Utf8Table, ACharacterCutShortByTheEnd) {
  const struct {
    std::string text;
    std::vector<std::string> rows;
    std::string lastOffset;
  } cases[] = {
      {"ab\xE3\x81", {"ab      |        "}, "000004 0x0004"},
      {"0123456789abcde\xF0\x9F", {"01234567|89abcde ", "        |        "}, "000017 0x0011"},
      {"0123456789abcd\xF0\x9F\x98", {"01234567|89abcd  ", "        |        "}, "000017 0x0011"},
      {"\xC3", {"        |        "}, "000001 0x0001"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(columns(c.text), c.rows) << testing::PrintToString(c.text);
    const std::string all = logText();
    EXPECT_NE(all.find(c.lastOffset + "\r\n" + kRule), std::string::npos) << all;
  }
}

TEST_F(Utf8Table, ABadLeadByteWritesNoTableButTheTimingLine) {
  logDumpUTF8("\x81" "abc", 0, "p");
  logDumpUTF8("ab\xC0" "c", 0, "p");
  logDumpUTF8("abc\xF8", 0, "p");
  EXPECT_EQ(logText(), "");
  session.writeFlg = 1;
  logDumpUTF8("\x81", 0, "p");
  EXPECT_EQ(logText(), "[SYSLOG][○--INFO--○] logDumpUTF8 処理時間=0.000000[sec]\r\n");
}

TEST_F(Utf8Table, TheTimingLineMeasuresTheDump) {
  session.writeFlg = 1;
  startTicks = 0;
  logDumpUTF8("a", 0, "p");
  EXPECT_EQ(startTicks, fake::world().ticks) << "the stamp is taken before the table";
  const std::string text = logText();
  const std::string timing = "[SYSLOG][○--INFO--○] logDumpUTF8 処理時間=0.000000[sec]\r\n";
  EXPECT_EQ(text.substr(text.size() - timing.size()), timing);
  char message[260];
  EXPECT_EQ(formatTimingMessage(message, 260, 0.016), static_cast<int>(std::string("logDumpUTF8 処理時間=0.016000[sec]").size()));
  EXPECT_STREQ(message, "logDumpUTF8 処理時間=0.016000[sec]");
}

TEST_F(Utf8Table, TheLargestMixedTextKeepsEveryRowAligned) {
  std::string text;
  const char* pieces[] = {"日本語", "abc", "é", "😀", "テキスト", "\n"};
  for (int i = 0; text.size() < 8180; ++i) text += pieces[i % 6];
  text.resize(8180);
  while (text.size() < 8190) text += 'z';
  const std::vector<std::string> rows = columns(text);
  ASSERT_EQ(rows.size(), 512u);
  for (const std::string& row : rows) {
    EXPECT_EQ(std::count(row.begin(), row.end(), '|'), 1) << row;
  }
  const std::string all = logText();
  EXPECT_NE(all.find("| 008190 0x1ffe\r\n" + kRule + "\r\n"), std::string::npos);
}

}  // namespace
}  // namespace corvelin
