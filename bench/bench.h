// Benchmark groups. A group runs in a process of its own (a corvelin session
// is once per process); inside it, its contenders run in alternating
// batches, so that every one of them meets the same machine and file state.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace bench {

// The text every record carries.
inline constexpr const char* kText = "benchmark record: the quick brown fox jumps over the lazy dog";

struct Contender {
  const char* label;
  std::function<void()> call;
};

// Warms every contender up, then runs `batches` rounds of `batch` calls of
// each in turn. Returns nanoseconds per call, in the contenders' order.
std::vector<double> interleave(const std::vector<Contender>& contenders, int batches, int batch);

// The same, each round in another order, and one figure more per pair of
// `pairs` (subject, reference): the median of the ratios of the two's times
// in the rounds, then its lower and upper quartile. Many short runs, each a
// ratio taken side by side, keep a noisy machine's swings out of the figure.
std::vector<double> interleaveRatios(const std::vector<Contender>& contenders, int batches, int batch,
                                     const std::vector<std::pair<std::size_t, std::size_t>>& pairs);

// The clock floor: what a dated record cannot do without, one reading of the
// precise wall clock and one WriteFile of `bytes`.
Contender clockFloorContender(HANDLE file, const std::string& bytes);

// A file opened as the log is: read and write access, sharing reads only.
HANDLE openLikeTheLog(const std::wstring& path);

// The bytes corvelin writes for kText at this moment with WriteFlg 0, 8192 or 65536.
std::string recordLine(int writeFlg);

// The spdlog peer: a basic file sink with the layout of WriteFlg 0 or 8192,
// flushed after every record. Returns the call that logs kText once.
std::function<void()> spdlogPeer(const std::wstring& dir, int writeFlg);
void spdlogDone();

}  // namespace bench
