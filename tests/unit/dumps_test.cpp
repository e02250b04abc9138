// Text and hex dumps and the two tables, whole, and the stage that carries
// them to the file.
#include <corvelin.h>

#include <cstring>
#include <vector>

#include "dump/hexdump.h"
#include "dump/table.h"
#include "dump/textdump.h"
#include "harness.h"
#include "record/lineprefix.h"

namespace corvelin::testing_support {
namespace {

class Dumps : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    ASSERT_EQ(logInit("C:\\logs", "d_", 0, 0, 5, 0, 0), 1);
  }
  void utf8(const std::string& text, const std::string& label = "") {
    t.alias(text.c_str(), "text");
    t.step("logDumpUTF8 " + (label.empty() ? text : label), [&] { logDumpUTF8(text.c_str(), 0, "c"); });
  }
};

TEST_F(Dumps, TextDump) {
  DO(logPut("Hello world!", 12, 1, 10));
  DO(logPut("Hello world!", 12, 0, 10));
  DO(logPut("abc", 99, 1, 10));  // len is only printed
  DO(logPut("", -7, 1, 10));
  DO(logPut("A\x80" "B", 3, 1, 10));  // an invalid byte is reported in place and dropped
  DO(logPut("0123456789", 0, 0, 10));  // one full line: no ending after the last character
  DO(logPut("01234567890", 0, 0, 10));
  DO(logPut("あいうえお", 0, 0, 10));  // characters are never split
  DO(logPut("abcdefghiあz", 0, 0, 10));
  DO(logPut("\xC3" "A" "bcdefghijk", 0, 0, 10));  // continuation bytes are not examined
  DO(logPut("ab\xC3", 0, 0, 10));  // a text ending inside a character ends the dump unclosed
  DO(logPut("\xE3\x81", 0, 1, 10));
  DO(logPut("x\xF0\x9F\x98", 0, 0, 10));
  DO(logPut("\xFF", 0, 0, 10));
  DO(logPut(std::string(8190, 'l').c_str(), 0, 0, 80));
  session.outputLevel = -1;
  DO(logPut("x", 1, 1, 5));  // the range message obeys outputLevel; the dump does not
  DO(logPut("y", 1, 0, 10));
  crLfOptionSet(1);
  DO(logPut("Hello world!", 12, 1, 10));
}

TEST_F(Dumps, HexDump) {
  std::vector<unsigned char> data(22000, 0x11);
  for (std::size_t i = 0; i < 25; ++i) data[i] = static_cast<unsigned char>(i + 1);
  const unsigned char zero[] = {0x41, 0x00, 0x42, 0xAB};
  DO(logPutHex("AB\xE3\x81\x82", 5, 1, 10));
  DO(logPutHex(zero, 4, 0, 10));
  DO(logPutHex(zero, 0, 1, 10));
  for (std::int32_t len : {10, 20, 21, 25}) t.step("len " + std::to_string(len), [&] { logPutHex(data.data(), len, 0, 10); });
  std::vector<unsigned char> noZero(9000, 0x5A);  // the guard stops at len (ASan watches)
  DO(logPutHex(noZero.data(), 9000, 0, 10));
  DO(logPutHex(noZero.data(), 12, 0, 10));
  data[30] = 0;  // an early zero ends only the guard's measure; more than one stage full
  DO(logPutHex(data.data(), 22000, 0, 80));
  crLfOptionSet(1);
  DO(logPutHex(data.data(), 12, 1, 10));
}

TEST_F(Dumps, RawTable) {
  unsigned char rows[34];
  std::memcpy(rows, "\x00\x1F\x20\x7E\x7F\x80\xFF" "ABCDEFGHIJKLMNOPQRSTUVWXYZ!", 34);
  std::vector<unsigned char> big(8190);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(0x20 + i % 95);
  const char five[] = "AB\xE3\x81\x82";
  t.alias(five, "five");
  t.alias(rows, "rows");
  t.alias(big.data(), "big");
  DO(logDumpRaw(five, 5, "pfx"));
  DO(logDumpRaw(rows, 34, "rows"));
  DO(logDumpRaw(rows, 0, ""));
  DO(logDumpRaw(rows, -3, "neg"));
  DO(logDumpRaw(big.data(), 8190, "all"));  // the largest table, one write
  std::vector<unsigned char> zeroAt100(9000, 0x41);
  zeroAt100[100] = 0;
  t.alias(zeroAt100.data(), "zeroAt100");
  session.writeFlg = 1;
  DO(logDumpRaw(zeroAt100.data(), 8191, "p"));  // passes the measure, refused by size: no timing line
  DO(logDumpRaw(zeroAt100.data(), 2, std::string(510, 'p').c_str()));
  session.bomSetFlg = 1;
  crLfOptionSet(1);  // header and closing lines follow the session; rows keep CR LF
  t.alias(rows + 7, "rows+7");
  DO(logDumpRaw(rows + 7, 17, "lf"));
}

// The placement table: `first` digits, the character, then XYZ; 22, 314, 315,
// 413, 414 and 415 carry cells to the next row.
TEST_F(Dumps, Utf8Table) {
  const std::string digits = "0123456789abcdef";
  const std::pair<std::string, std::vector<int>> placements[] = {
      {"\xC3\xA9", {0, 6, 7, 8, 14, 15}},
      {"\xE3\x81\x82", {0, 5, 6, 7, 8, 13, 14, 15}},
      {"\xF0\x9F\x98\x80", {0, 4, 5, 6, 7, 12, 13, 14, 15}},
  };
  for (const auto& [character, firsts] : placements) {
    for (int first : firsts) {
      utf8(digits.substr(0, static_cast<std::size_t>(first)) + character + "XYZ",
           std::to_string(character.size()) + " bytes at " + std::to_string(first));
    }
  }
  for (const char* text : {"AB\xE3\x81\x82", "Hi\n\xC3\xA9", "01234567", "\x01\x7F" "x", ""}) utf8(text);
  // A last character whose bytes run out shows as blanks, within the text.
  for (const char* text : {"ab\xE3\x81", "0123456789abcde\xF0\x9F", "0123456789abcd\xF0\x9F\x98", "\xC3"}) utf8(text);
  std::string mixed;
  const char* pieces[] = {"日本語", "abc", "é", "😀", "テキスト", "\n"};
  for (int i = 0; mixed.size() < 8180; ++i) mixed += pieces[i % 6];
  mixed.resize(8180);
  utf8(mixed + std::string(10, 'z'), "8190 bytes of mixed text");
  session.bomSetFlg = 1;  // the character set still says NoBom
  session.writeFlg = 1;
  for (const char* text : {"\x81" "abc", "ab\xC0" "c", "abc\xF8"}) utf8(text);  // no table; the timing line
  startTicks = 0;
  fake::world().ticks += 160000;
  utf8("a", "timed");
  t.note(startTicks == fake::world().ticks ? "the stamp is taken before the table" : "stamp not taken");
  char message[260];
  t.note(std::to_string(formatTimingMessage(message, 260, 0.016)) + " " + message);
}

// A small stage cuts the writes elsewhere, never the bytes.
TEST(DumpOut, BytesDoNotDependOnTheStageSize) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += (i % 7 == 0) ? "\xE3\x81\x82" : (i % 11 == 0) ? "\x80" : "z";
  const std::vector<unsigned char> bytes(text.begin(), text.end());
  auto run = [&](std::size_t capacity) {
    std::pair<std::string, int> sink;
    std::vector<char> stage(capacity);
    DumpOut out(stage.data(), capacity, [](void* c, const char* d, std::size_t n) {
      static_cast<std::pair<std::string, int>*>(c)->first.append(d, n);
      ++static_cast<std::pair<std::string, int>*>(c)->second;
    }, &sink);
    buildTextDump(text.c_str(), text.size(), 1, true, 17, "\r\n", out);
    buildHexDump(bytes.data(), static_cast<std::int32_t>(bytes.size()), false, 13, "\n", out);
    buildRawTable(bytes.data(), static_cast<std::int32_t>(bytes.size()), "", "p", "\r\n", out);
    writeUtf8Table("ab\xE3\x81\x82" "cdefghijklmn\xF0\x9F\x98\x80", 21, "q", "\n", out);
    out.finish();
    return sink;
  };
  const auto big = run(kDumpStage), small = run(256);
  EXPECT_EQ(big.second, 1);
  EXPECT_GT(small.second, 10);
  EXPECT_EQ(small.first, big.first);
}

}  // namespace
}  // namespace corvelin::testing_support
