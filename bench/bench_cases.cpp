#include <cstdio>

#include "bench.h"

namespace bench {

std::vector<double> interleave(const std::vector<Contender>& contenders, int batches, int batch) {
  for (const Contender& c : contenders) {
    for (int i = 0; i < batch; ++i) c.call();
  }
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  std::vector<double> ticks(contenders.size(), 0.0);
  for (int round = 0; round < batches; ++round) {
    for (std::size_t k = 0; k < contenders.size(); ++k) {
      QueryPerformanceCounter(&a);
      for (int i = 0; i < batch; ++i) contenders[k].call();
      QueryPerformanceCounter(&b);
      ticks[k] += static_cast<double>(b.QuadPart - a.QuadPart);
    }
  }
  for (double& t : ticks) t = t * 1e9 / static_cast<double>(freq.QuadPart) / (static_cast<double>(batches) * batch);
  return ticks;
}

HANDLE openLikeTheLog(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string recordLine(int writeFlg) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char line[256];
  if (writeFlg == 65536) {
    std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u INFO:[%s]\r\n", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, kText);
  } else if (writeFlg == 8192) {
    std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u:[%s]\r\n", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, kText);
  } else {
    std::snprintf(line, sizeof line, "[%s]\r\n", kText);
  }
  return line;
}

}  // namespace bench
