// Record lines through the real DLL: the clocks and thread of the real system.
#include "host.h"

#include <mmsystem.h>

namespace host {
namespace {

std::wstring startLog(std::int32_t writeFlg, std::int32_t outputLevel = 5) {
  const std::wstring dir = workDir();
  HOST_CHECK_EQ(api().logInit(narrow(dir).c_str(), "rec_", writeFlg, 0, outputLevel, 0, 0), 1);
  return dir + L"\\rec_" + today() + L".log";
}

// The lines after the start banner, before the end banner.
std::vector<std::string> records(const std::wstring& path) {
  std::vector<std::string> all = lines(readFile(path));
  if (all.size() < 2) return {};
  return std::vector<std::string>(all.begin() + 1, all.end() - 3);
}

DWORD WINAPI logFromThread(void*) {
  api().logInfo("from a thread");
  return 0;
}

// WriteFlg 1 prints the id of the calling thread.
void threadIdIsTheCallers() {
  const std::wstring path = startLog(1);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, logFromThread, nullptr, 0, &id);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  api().logInfo("from main");
  api().logTerm();
  const std::vector<std::string> got = records(path);
  HOST_CHECK_EQ(got.size(), 2u);
  if (got.size() != 2) return;
  const struct {
    DWORD tid;
    const char* text;
  } expected[] = {{id, "from a thread"}, {GetCurrentThreadId(), "from main"}};
  for (int i = 0; i < 2; ++i) {
    const std::string head = "tid=" + std::to_string(expected[i].tid) + ":";
    const std::string tail = std::string("[sec][") + expected[i].text + "]\r\n";
    HOST_CHECK_EQ(got[i].substr(0, head.size()), head);
    std::size_t pos = head.size();
    double seconds = -1;
    HOST_CHECK(readSeconds(got[i], pos, seconds));
    HOST_CHECK(seconds >= 0 && seconds < 1);
    HOST_CHECK_EQ(got[i].substr(pos), tail);
  }
}

// WriteFlg 32784 prints the system's milliseconds since boot.
void bootClock() {
  const std::wstring path = startLog(32784);
  const DWORD before = timeGetTime();
  api().logInfo("boot");
  const DWORD after = timeGetTime();
  api().logTerm();
  const std::vector<std::string> got = records(path);
  HOST_CHECK_EQ(got.size(), 1u);
  if (got.empty()) return;
  const std::string head = "[OSBootTime:";
  HOST_CHECK_EQ(got[0].substr(0, head.size()), head);
  const std::size_t close = got[0].find(']');
  const long long ms = std::stoll(got[0].substr(head.size(), close - head.size()));
  HOST_CHECK(ms >= static_cast<long long>(before) && ms <= static_cast<long long>(after));
  HOST_CHECK_EQ(got[0].substr(close), "]:[boot]\r\n");
}

// WriteFlg 8192 prints today's local date and the time of the call.
void dateIsToday() {
  const std::wstring path = startLog(8192);
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  api().logInfo("now");
  GetLocalTime(&after);
  api().logTerm();
  const std::vector<std::string> got = records(path);
  HOST_CHECK_EQ(got.size(), 1u);
  if (got.empty()) return;
  char date[32];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u ", before.wYear, before.wMonth, before.wDay);
  HOST_CHECK_EQ(got[0].substr(0, 11), std::string(date));
  const int h = std::stoi(got[0].substr(11, 2)), m = std::stoi(got[0].substr(14, 2)),
            s = std::stoi(got[0].substr(17, 2));
  const int t = h * 3600 + m * 60 + s;
  const int lo = before.wHour * 3600 + before.wMinute * 60 + before.wSecond;
  const int hi = after.wHour * 3600 + after.wMinute * 60 + after.wSecond;
  HOST_CHECK(t >= lo && t <= hi);
  HOST_CHECK_EQ(got[0].substr(19), ":[now]\r\n");
}

// The thresholds and the size report, as a whole file.
void levelsAndSizeReport() {
  const std::wstring path = startLog(0, 3);
  api().log("log");
  api().logDebug("debug");
  api().logInfo("info");
  api().logWarning("warning");
  api().logError("error");
  api().logCritical("critical");
  api().logCritical(std::string(8191, 'x').c_str());
  api().logInfo(std::string(8191, 'x').c_str());  // below the threshold: not even the report
  api().logTerm();
  HOST_CHECK_EQ(readFile(path), "--- [rec_] start Log={" + narrow(path) +
                                    "} ---\r\n[log]\r\n[warning]\r\n[error]\r\n[critical]\r\n"
                                    "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp logCritical() "
                                    "maxSize=8190 < dataSize=8191\r\n"
                                    "--- [rec_] end Log ---\r\n\r\n\r\n");
}

}  // namespace

const std::vector<Scenario>& recordScenarios() {
  static const std::vector<Scenario> list = {
      {"record_thread_id", [](auto&) { threadIdIsTheCallers(); }},
      {"record_boot_clock", [](auto&) { bootClock(); }},
      {"record_date_is_today", [](auto&) { dateIsToday(); }},
      {"record_levels_and_size_report", [](auto&) { levelsAndSizeReport(); }},
  };
  return list;
}

}  // namespace host
