#include <algorithm>
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

std::vector<double> interleaveRatios(const std::vector<Contender>& contenders, int batches, int batch,
                                     const std::vector<std::pair<std::size_t, std::size_t>>& pairs) {
  for (const Contender& c : contenders) {
    for (int i = 0; i < batch; ++i) c.call();
  }
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  const std::size_t n = contenders.size();
  std::vector<std::vector<double>> rounds(static_cast<std::size_t>(batches), std::vector<double>(n));
  for (int round = 0; round < batches; ++round) {
    for (std::size_t j = 0; j < n; ++j) {
      const std::size_t k = (j + static_cast<std::size_t>(round)) % n;
      QueryPerformanceCounter(&a);
      for (int i = 0; i < batch; ++i) contenders[k].call();
      QueryPerformanceCounter(&b);
      rounds[static_cast<std::size_t>(round)][k] = static_cast<double>(b.QuadPart - a.QuadPart);
    }
  }
  std::vector<double> figures(n, 0.0);
  for (const std::vector<double>& r : rounds) {
    for (std::size_t k = 0; k < n; ++k) figures[k] += r[k];
  }
  for (double& t : figures) t = t * 1e9 / static_cast<double>(freq.QuadPart) / (static_cast<double>(batches) * batch);
  for (const auto& [subject, reference] : pairs) {
    std::vector<double> ratios;
    for (const std::vector<double>& r : rounds) ratios.push_back(r[subject] / r[reference]);
    std::sort(ratios.begin(), ratios.end());
    const std::size_t last = ratios.size() - 1;
    figures.push_back(ratios[last / 2]);
    figures.push_back(ratios[last / 4]);
    figures.push_back(ratios[last - last / 4]);
  }
  return figures;
}

Contender clockFloorContender(HANDLE file, const std::string& bytes) {
  return {"clock floor", [file, &bytes] {
            FILETIME now;
            GetSystemTimePreciseAsFileTime(&now);
            DWORD written = 0;
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
          }};
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
