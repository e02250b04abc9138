// Record lines through the real DLL: the clocks and thread of the real system.
#include "host.h"

#include <mmsystem.h>

namespace host {
namespace {

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
  const std::wstring path = startLog("rec_", 1);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, logFromThread, nullptr, 0, &id);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  api().logInfo("from main");
  api().logTerm();
  const std::vector<std::string> got = records(path);
  HOST_CHECK_EQ(got.size(), 2u);
  if (got.size() != 2) return;
  const double first = HOST_SECONDS(got[0], "tid=" + std::to_string(id) + ":", "[sec][from a thread]\r\n");
  const double second = HOST_SECONDS(got[1], "tid=" + std::to_string(GetCurrentThreadId()) + ":", "[sec][from main]\r\n");
  HOST_CHECK(first >= 0 && first < 1 && second >= 0 && second < 1);
}

// WriteFlg 32784 prints the system's milliseconds since boot.
void bootClock() {
  const std::wstring path = startLog("rec_", 32784);
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
  const std::wstring path = startLog("rec_", 8192);
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  api().logInfo("now");
  GetLocalTime(&after);
  api().logTerm();
  const std::vector<std::string> got = records(path);
  HOST_CHECK_EQ(got.size(), 1u);
  if (got.empty()) return;
  auto stamp = [](const SYSTEMTIME& t) {
    char line[64];
    std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u:[now]\r\n", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return std::string(line);
  };
  if (got[0] != stamp(after)) HOST_CHECK_EQ(got[0], stamp(before));
}

}  // namespace

const std::vector<Scenario>& recordScenarios() {
  static const std::vector<Scenario> list = {
      {"record_thread_id", [](auto&) { threadIdIsTheCallers(); }},
      {"record_boot_clock", [](auto&) { bootClock(); }},
      {"record_date_is_today", [](auto&) { dateIsToday(); }},
  };
  return list;
}

}  // namespace host
