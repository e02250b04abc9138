// Dumps through the real DLL, as whole files.
#include "host.h"

namespace host {
namespace {

const std::string kRule = "-----------------------------------------------------------------------------------";

std::string addr(const void* p) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
  return buf;
}

void textAndHex() {
  const std::wstring path = startLog("dump_", 0);
  api().logPut("Hello world!", 12, 1, 10);
  const unsigned char bytes[] = {0x41, 0x42, 0xE3, 0x81, 0x82};
  api().logPutHex(bytes, 5, 1, 10);
  api().logPut("A\x80" "B", 3, 0, 10);
  api().logTerm();
  HOST_CHECK_EQ(readFile(path),
                banners("dump_", path,
                        "---------- logPut-start len=12\r\nHello worl\r\nd!\r\n---------- logPut-end!!\r\n"
                        "---------- logPutHex-start len=5\r\n41 42 e3 81 82 \r\n---------- logPutHex-end\r\n"
                        "\r\nA[SYSLOG][■--ERROR--■] logPut() UTF8文字解析エラー、UTF8文字列が不正です\r\nB\r\n"));
}

// Both tables with CrLfOption 1: LF after header and closing, CR LF after rows.
void tables() {
  const std::wstring path = startLog("dump_", 0, 1);
  const char* raw = "0123456789abcdefghij";
  api().logDumpRaw(raw, 20, "raw");
  const char* text = "0123456789abcde\xE3\x81\x82XYZ";
  api().logDumpUTF8(text, 0, "utf8");
  api().logTerm();
  const std::string ruler = "00 01 02 03 04 05 06 07 |08 09 0A 0B 0C 0D 0E 0F |01234567|89ABCDEF| Dec   Hex\n";
  HOST_CHECK_EQ(readFile(path),
                banners("dump_", path,
                        kRule + "\naddr={" + addr(raw) + "} prefix={raw} charSet={UTF8(NoBom)} size(BYTE)=20\n" +
                            ruler + kRule + "\n" +
                            "30 31 32 33 34 35 36 37 |38 39 61 62 63 64 65 66 |01234567|89abcdef| 000016 0x0010\r\n"
                            "67 68 69 6a             |                        |ghij    |        | 000020 0x0014\r\n" +
                            kRule + "\n" + kRule + "\naddr={" + addr(text) +
                            "} prefix={utf8} charSet={UTF8(NoBom)} size(BYTE)=21\n" + ruler + kRule + "\n" +
                            "30 31 32 33 34 35 36 37 |38 39 61 62 63 64 65 e3 |01234567|89abcde`| 000016 0x0010\r\n"
                            "81 82 58 59 5a          |                        |あXYZ   |        | 000021 0x0015\r\n" +
                            kRule + "\n",
                        "\n"));
}

// With WriteFlg 1 the table is followed by the time it took.
void timingLine() {
  const std::wstring path = startLog("dump_", 1);
  std::string text;
  for (int i = 0; i < 300; ++i) text += "日本語テキスト";  // 6300 bytes
  api().logDumpUTF8(text.c_str(), 0, "timed");
  api().logTerm();
  const std::vector<std::string> all = lines(readFile(path));
  HOST_CHECK(all.size() > 8);
  if (all.size() <= 8) return;
  const double seconds = HOST_SECONDS(all[all.size() - 4], "[SYSLOG][○--INFO--○] logDumpUTF8 処理時間=", "[sec]\r\n");
  HOST_CHECK(seconds >= 0 && seconds < 5);
  HOST_CHECK_EQ(all[all.size() - 5], kRule + "\r\n");
}

}  // namespace

const std::vector<Scenario>& dumpScenarios() {
  static const std::vector<Scenario> list = {
      {"dump_text_and_hex", [](auto&) { textAndHex(); }},
      {"dump_tables_lf", [](auto&) { tables(); }},
      {"dump_timing_line", [](auto&) { timingLine(); }},
  };
  return list;
}

}  // namespace host
