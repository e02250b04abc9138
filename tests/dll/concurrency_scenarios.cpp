// Many threads of one host logging at once through the real DLL: every
// record, table and dump reaches the file whole, once, in each thread's order.
#include <map>
#include <thread>

#include "host.h"

namespace host {
namespace {

constexpr int kThreads = 8;
constexpr int kRecords = 20000;
constexpr int kDumpEvery = 2000;

std::string recordText(int thread, int n) {
  char text[64];
  std::snprintf(text, sizeof text, "thread %d record %05d %.*s", thread, n, 1 + (n * 7 + thread) % 20,
                "....................");
  return text;
}

const char* const kDumpText = "a dump of three lines: 日本語のテキスト, ASCII and more ASCII to fill them";

std::string expectedPut() {
  return "---------- logPut-start len=0\r\na dump of three lines: 日本語のテキ\r\nスト, ASCII and more ASCII to fill the"
         "\r\nm\r\n---------- logPut-end!!\r\n";
}

void concurrentRecords() {
  const std::wstring path = startLog("mt_", 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int n = 0; n < kRecords; ++n) {
        api().logInfo(recordText(t, n).c_str());
        if (t < 2 && n % kDumpEvery == 0) {
          api().logPut(kDumpText, 0, 1, 40);
          api().makeBitStringUINT32(0x12345678u, "bits");
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  api().logTerm();

  const std::string file = readFile(path);
  // Take the dumps and tables out whole; what is left must be records only.
  std::string rest = file;
  const std::string put = expectedPut();
  std::string table;
  int puts = 0, tables = 0;
  for (std::size_t at; (at = rest.find(put)) != std::string::npos; ++puts) rest.erase(at, put.size());
  const std::string tableStart = "+-----------------------------------+\r\n|    0   |    1   |    2   |    3   |  [bits]\r\n";
  for (std::size_t at; (at = rest.find(tableStart)) != std::string::npos; ++tables) {
    const std::size_t end = rest.find("UTF32_LE Bit Pattern!\r\n+-----------------------------------+\r\n", at);
    HOST_CHECK(end != std::string::npos);
    if (end == std::string::npos) break;
    rest.erase(at, end + 62 - at);
  }
  HOST_CHECK_EQ(puts, 2 * kRecords / kDumpEvery);
  HOST_CHECK_EQ(tables, 2 * kRecords / kDumpEvery);

  std::vector<std::string> all = lines(rest);
  HOST_CHECK_EQ(all.size(), static_cast<std::size_t>(1 + kThreads * kRecords + 3));
  std::vector<int> next(kThreads, 0);
  int bad = 0;
  for (std::size_t i = 1; i + 3 < all.size(); ++i) {
    int t = -1, n = -1;
    if (std::sscanf(all[i].c_str(), "[thread %d record %d", &t, &n) != 2 || t < 0 || t >= kThreads ||
        all[i] != "[" + recordText(t, n) + "]\r\n" || n != next[static_cast<std::size_t>(t)]) {
      if (++bad <= 3) HOST_CHECK_EQ(all[i], std::string("a whole record, in its thread's order"));
      continue;
    }
    ++next[static_cast<std::size_t>(t)];
  }
  for (int t = 0; t < kThreads; ++t) HOST_CHECK_EQ(next[static_cast<std::size_t>(t)], kRecords);
  HOST_CHECK_EQ(bad, 0);
  std::printf("%d threads x %d records, %d text dumps and %d bit tables: all present once and whole\n", kThreads,
              kRecords, puts, tables);
}

}  // namespace

const std::vector<Scenario>& concurrencyScenarios() {
  static const std::vector<Scenario> list = {
      {"concurrent_records_and_dumps", [](auto&) { concurrentRecords(); }},
  };
  return list;
}

}  // namespace host
