// corvelin_bench: cost per call of corvelin next to its floor and its peer.
//
//   corvelin_bench [batches] [rounds] [group...]
//
// Each group runs in a fresh process (one session per process), `rounds`
// times; inside a process its contenders alternate in batches of 1000 calls.
// The figures are medians over the rounds. Absolute times on a shared machine
// are noise: the ratios, taken within one process, are the figures to quote.
#include <corvelin.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bench.h"

namespace bench {
namespace {

constexpr int kBatch = 1000;

// The floor: `bytes` written with one plain WriteFile per call.
Contender floorContender(HANDLE file, const std::string& bytes) {
  return {"floor", [file, &bytes] {
            DWORD written = 0;
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
          }};
}

struct Group {
  const char* name;
  const char* title;
  std::vector<const char*> labels;  // the first is the floor of the others
  std::vector<double> (*run)(const std::wstring& dir, int batches);
};

// Records next to the floor, the clock floor and (but for 65536) spdlog;
// then logInfo against the clock floor as the spread of per-round ratios.
std::vector<double> records(const std::wstring& dir, int batches, int writeFlg) {
  const std::string narrowDir(dir.begin(), dir.end());
  if (!logInit(narrowDir.c_str(), "bench_", writeFlg, 0, 5, 0, 0)) return {};
  HANDLE floor = openLikeTheLog(dir + L"\\floor.log"), clockFloor = openLikeTheLog(dir + L"\\clock.log");
  const std::string line = recordLine(writeFlg);
  std::vector<Contender> contenders = {
      floorContender(floor, line),
      clockFloorContender(clockFloor, line),
      {"logInfo", [] { logInfo(kText); }},
  };
  if (writeFlg != 65536) contenders.push_back({"spdlog", spdlogPeer(dir, writeFlg)});
  std::vector<double> figures = interleaveRatios(contenders, batches, kBatch, {{2, 1}});
  if (writeFlg != 65536) spdlogDone();
  CloseHandle(floor), CloseHandle(clockFloor);
  logTerm();
  if (writeFlg == 65536) figures.insert(figures.begin() + 3, 0.0);  // no peer: the rows stay in place
  return figures;
}

// logInfo of this DLL next to logInfo of another build of it, named by
// CORVELIN_BENCH_VERSUS (an earlier release, a commit before a change),
// each with a session of its own, and the clock floor: both against the
// clock floor and against each other as the spread of per-round ratios.
// The build named by CORVELIN_BENCH_VERSUS with its session in `dir`\other,
// and this build's session in `dir`, both with `writeFlg`; no `info` when
// either cannot start.
struct OtherBuild {
  decltype(&::logInfo) info = nullptr;
  decltype(&::logTerm) term = nullptr;
};
OtherBuild startBesideOther(const std::wstring& dir, int writeFlg) {
  const char* other = std::getenv("CORVELIN_BENCH_VERSUS");
  HMODULE copy = other != nullptr ? LoadLibraryA(other) : nullptr;
  if (copy == nullptr) return {};
  auto init = reinterpret_cast<decltype(&::logInit)>(reinterpret_cast<void*>(GetProcAddress(copy, "logInit")));
  auto info = reinterpret_cast<decltype(&::logInfo)>(reinterpret_cast<void*>(GetProcAddress(copy, "logInfo")));
  auto term = reinterpret_cast<decltype(&::logTerm)>(reinterpret_cast<void*>(GetProcAddress(copy, "logTerm")));
  const std::string narrowDir(dir.begin(), dir.end()), otherDir = narrowDir + "\\other";
  CreateDirectoryA(otherDir.c_str(), nullptr);
  if (init == nullptr || info == nullptr || term == nullptr || !init(otherDir.c_str(), "bench_", writeFlg, 0, 5, 0, 0) ||
      !logInit(narrowDir.c_str(), "bench_", writeFlg, 0, 5, 0, 0)) {
    return {};
  }
  return {info, term};
}

std::vector<double> versus(const std::wstring& dir, int batches, int writeFlg) {
  const OtherBuild other = startBesideOther(dir, writeFlg);
  if (other.info == nullptr) return {};
  HANDLE clockFloor = openLikeTheLog(dir + L"\\clock.log");
  const std::string line = recordLine(writeFlg);
  const std::vector<Contender> contenders = {
      clockFloorContender(clockFloor, line),
      {"logInfo, this build", [] { logInfo(kText); }},
      {"logInfo, the other build", [&] { other.info(kText); }},
  };
  std::vector<double> figures = interleaveRatios(contenders, batches, kBatch, {{1, 0}, {2, 0}, {1, 2}});
  CloseHandle(clockFloor);
  other.term();
  logTerm();
  return figures;
}

// logInfo of the session already started next to logInfo of a second copy of
// the DLL (`dll`), started plainly in the subdirectory `subdir`, in one process.
std::vector<double> besideSecondCopy(const std::wstring& dir, const wchar_t* dll, const char* subdir,
                                     const char* startedLabel, const char* copyLabel, int batches,
                                     const std::vector<Contender>& more = {}) {
  HMODULE copy = LoadLibraryW(dll);
  if (copy == nullptr) return {};
  auto init = reinterpret_cast<decltype(&::logInit)>(reinterpret_cast<void*>(GetProcAddress(copy, "logInit")));
  auto info = reinterpret_cast<decltype(&::logInfo)>(reinterpret_cast<void*>(GetProcAddress(copy, "logInfo")));
  auto term = reinterpret_cast<decltype(&::logTerm)>(reinterpret_cast<void*>(GetProcAddress(copy, "logTerm")));
  const std::string other = std::string(dir.begin(), dir.end()) + "\\" + subdir;
  CreateDirectoryA(other.c_str(), nullptr);
  if (init == nullptr || info == nullptr || term == nullptr || !init(other.c_str(), "bench_", 8192, 0, 5, 0, 0)) return {};
  HANDLE floor = openLikeTheLog(dir + L"\\floor.log");
  const std::string line = recordLine(8192);
  std::vector<Contender> contenders = {
      floorContender(floor, line),
      {startedLabel, [] { logInfo(kText); }},
      {copyLabel, [&] { info(kText); }},
  };
  contenders.insert(contenders.end(), more.begin(), more.end());
  std::vector<double> figures = interleave(contenders, batches, kBatch);
  CloseHandle(floor);
  term();
  return figures;
}

// The cost of the session lock: logInfo of the shipped DLL next to the same
// DLL built without the lock, each with its own session, in one process.
std::vector<double> lockCost(const std::wstring& dir, int batches) {
  const std::string narrowDir(dir.begin(), dir.end());
  if (!logInit(narrowDir.c_str(), "bench_", 8192, 0, 5, 0, 0)) return {};
  std::vector<double> figures =
      besideSecondCopy(dir, L"corvelin_x64_nolock.dll", "nolock", "logInfo", "logInfo without the lock", batches);
  logTerm();
  return figures;
}

// Starts the session from dir\bench.ini: prefix bench_, WriteFlg 8192, every
// level, and `keys` (lines ending in CR LF).
bool startFromProfile(const std::wstring& dir, const std::string& keys) {
  const std::string narrowDir(dir.begin(), dir.end());
  const std::string ini = narrowDir + "\\bench.ini";
  HANDLE profile = CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::string text = "[Halvix]\r\nLogFileNamePrefix=bench_\r\nLogWritePathDir=" + narrowDir +
                           "\r\nWriteFlg=8192\r\nLogOutPutLevel=5\r\n" + keys;
  DWORD written = 0;
  WriteFile(profile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(profile);
  return logInitProfile(ini.c_str()) == 1;
}

// What a profile key costs a record: the shipped DLL started from a profile
// with `keys` next to a second copy started without them, in one process.
std::vector<double> keyCost(const std::wstring& dir, const std::string& keys, const char* onLabel, const char* offLabel,
                            int batches, const std::vector<Contender>& more = {}) {
  if (!startFromProfile(dir, keys)) return {};
  std::vector<double> figures =
      besideSecondCopy(dir, L"corvelin_x64_twin.dll", "plain", onLabel, offLabel, batches, more);
  logTerm();
  return figures;
}

// Rotation with files of 40 MB, so the figure is the check, not a switch.
std::vector<double> rotationCost(const std::wstring& dir, int batches) {
  return keyCost(dir, "LogKBytesRotateFlg=1\r\nLogKBytesSize=40960\r\n", "logInfo, rotation on", "logInfo, rotation off",
                 batches);
}

// The Event Log at WARNING: logInfo is not forwarded, logWarning is. Under
// Wine ReportEventW is a stub that returns at once, so the forwarded figure
// is corvelin's share of an event (conversion and call), not the Event Log
// service's.
std::vector<double> eventLogCost(const std::wstring& dir, int batches) {
  return keyCost(dir, "LogEventLogLevel=3\r\n", "logInfo, Event Log on, not forwarded", "logInfo, Event Log off",
                 batches, {{"logWarning, forwarded", [] { logWarning(kText); }}});
}

// LogCrashReport: nothing on the record path changes, so the two should be level.
std::vector<double> crashKeyCost(const std::wstring& dir, int batches) {
  return keyCost(dir, "LogCrashReport=1\r\n", "logInfo, LogCrashReport=1", "logInfo, without it", batches);
}

constexpr int kThreadCounts[] = {1, 2, 4, 8};

// Aggregate records per second of each of `calls` for 1, 2, 4 and 8 threads
// at once (in that order, the calls alternating), each run writing
// `batches` x 1000 records in all.
std::vector<double> threadedRates(const std::vector<std::function<void()>>& calls, int batches) {
  std::vector<double> seconds(std::size(kThreadCounts) * calls.size(), 0.0);
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  for (int round = 0; round < 5; ++round) {
    for (std::size_t n = 0; n < std::size(kThreadCounts); ++n) {
      for (std::size_t c = 0; c < calls.size(); ++c) {
        const int count = kThreadCounts[n], each = batches * kBatch / 5 / count;
        // Timed from the moment all threads are released until the last one is done:
        // starting a thread under Wine costs milliseconds, which would blur every ratio.
        std::atomic<int> waiting{0}, running{count};
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr), done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::vector<std::thread> threads;
        for (int t = 0; t < count; ++t) {
          threads.emplace_back([&, c, each] {
            ++waiting;
            WaitForSingleObject(go, INFINITE);
            for (int i = 0; i < each; ++i) calls[c]();
            if (--running == 0) SetEvent(done);
          });
        }
        while (waiting < count) Sleep(1);
        Sleep(1);  // the last one to count itself is in its wait
        QueryPerformanceCounter(&a);
        SetEvent(go);
        WaitForSingleObject(done, INFINITE);
        QueryPerformanceCounter(&b);
        for (std::thread& t : threads) t.join();
        CloseHandle(go), CloseHandle(done);
        seconds[n * calls.size() + c] += static_cast<double>(b.QuadPart - a.QuadPart) / freq.QuadPart;
      }
    }
  }
  std::vector<double> perSecond;
  for (double s : seconds) perSecond.push_back(batches * kBatch / s);
  return perSecond;
}

// The serialized floor: one WriteFile per record under a lock.
void lockedWrite(SRWLOCK& mutex, HANDLE file, const std::string& line) {
  AcquireSRWLockExclusive(&mutex);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ReleaseSRWLockExclusive(&mutex);
}

// Many threads at once: aggregate records per second of corvelin (WriteFlg 0),
// of a mutex around one WriteFile per record (the serialized floor), and of
// spdlog's multi-threaded file sink with a flush per record.
std::vector<double> threads(const std::wstring& dir, int batches) {
  const std::string narrowDir(dir.begin(), dir.end());
  if (!logInit(narrowDir.c_str(), "bench_", 0, 0, 5, 0, 0)) return {};
  HANDLE floor = openLikeTheLog(dir + L"\\floor.log");
  const std::string line = recordLine(0);
  SRWLOCK mutex = SRWLOCK_INIT;
  std::vector<double> perSecond = threadedRates(
      {
          [&] { lockedWrite(mutex, floor, line); },
          [] { logInfo(kText); },
          spdlogPeer(dir, 0),
      },
      batches);
  spdlogDone();
  CloseHandle(floor);
  logTerm();
  return perSecond;
}

// Forwarding to syslog. bench/syslog.sh names the collector it started (the
// directory of tools/syslog-collector.sh) in CORVELIN_BENCH_COLLECTOR; the
// records then go to it over TCP. Without one they go by UDP to a port where
// nobody listens: the sender still builds and sends every message.
std::string collectorDir() {
  const char* dir = std::getenv("CORVELIN_BENCH_COLLECTOR");
  return dir != nullptr ? dir : "";
}

// Starts the shipped DLL's session from a profile that forwards every record
// (a queue of 256 MB: no record is dropped while the sender catches up).
bool startForwarding(const std::wstring& dir, int writeFlg) {
  std::string server = "udp://127.0.0.1:9";
  if (!collectorDir().empty()) {
    std::ifstream ports(collectorDir() + "\\ports");
    int udp = 0, tcp = 0;
    ports >> udp >> tcp;
    server = "tcp://127.0.0.1:" + std::to_string(tcp);
  }
  const std::string narrowDir(dir.begin(), dir.end()), ini = narrowDir + "\\syslog.ini";
  std::ofstream(ini) << "[Halvix]\nLogFileNamePrefix=bench_\nLogWritePathDir=" << narrowDir << "\nWriteFlg=" << writeFlg
                     << "\nLogOutPutLevel=5\nLogSyslogServer=" << server << "\nLogSyslogQueueKBytes=262144\n";
  return logInitProfile(ini.c_str()) == 1;
}

// What forwarding costs a caller: logInfo of a session that forwards next to
// logInfo of a second copy of the DLL that does not, WriteFlg 8192.
std::vector<double> syslogCost(const std::wstring& dir, int batches) {
  if (!startForwarding(dir, 8192)) return {};
  std::vector<double> figures = besideSecondCopy(dir, L"corvelin_x64_twin.dll", "plain", "logInfo, forwarding on",
                                                 "logInfo, forwarding off", batches);
  logTerm();
  return figures;
}

// Threads at once of this build next to another build (CORVELIN_BENCH_VERSUS),
// each with its session, and the floor's threads sharing one lock, WriteFlg 0.
std::vector<double> versusThreads(const std::wstring& dir, int batches) {
  const OtherBuild other = startBesideOther(dir, 0);
  if (other.info == nullptr) return {};
  HANDLE floor = openLikeTheLog(dir + L"\\floor.log");
  const std::string line = recordLine(0);
  SRWLOCK mutex = SRWLOCK_INIT;
  std::vector<double> perSecond = threadedRates({[&] { lockedWrite(mutex, floor, line); }, [] { logInfo(kText); },
                                                 [&] { other.info(kText); }},
                                                batches);
  CloseHandle(floor);
  other.term();
  logTerm();
  return perSecond;
}

// The group commit with forwarding on: 1 to 8 threads of a session that
// forwards next to those of a second copy of the DLL that does not, WriteFlg 0.
std::vector<double> threadsSyslog(const std::wstring& dir, int batches) {
  HMODULE copy = LoadLibraryW(L"corvelin_x64_twin.dll");
  auto init = reinterpret_cast<decltype(&::logInit)>(reinterpret_cast<void*>(GetProcAddress(copy, "logInit")));
  auto info = reinterpret_cast<decltype(&::logInfo)>(reinterpret_cast<void*>(GetProcAddress(copy, "logInfo")));
  auto term = reinterpret_cast<decltype(&::logTerm)>(reinterpret_cast<void*>(GetProcAddress(copy, "logTerm")));
  const std::string plain = std::string(dir.begin(), dir.end()) + "\\plain";
  CreateDirectoryA(plain.c_str(), nullptr);
  if (init == nullptr || !init(plain.c_str(), "bench_", 0, 0, 5, 0, 0) || !startForwarding(dir, 0)) return {};
  std::vector<double> perSecond = threadedRates({[] { logInfo(kText); }, [&] { info(kText); }}, batches);
  logTerm();
  term();
  return perSecond;
}

// The sender's throughput to the collector over TCP: `batches` x 1000
// records logged at once, timed until the last one is in the collector's
// file; and how fast they were logged meanwhile. Records per second.
std::vector<double> senderThroughput(const std::wstring& dir, int batches) {
  const std::string received = collectorDir() + "\\received";
  if (collectorDir().empty() || !startForwarding(dir, 0)) return {};
  const int n = batches * kBatch;
  const std::string last = "the last record of this run, " + std::to_string(GetCurrentProcessId());
  LARGE_INTEGER freq, a, b, c;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&a);
  for (int i = 1; i < n; ++i) logInfo(kText);
  logInfo(last.c_str());
  QueryPerformanceCounter(&b);
  bool arrived = false;
  for (int wait = 0; wait < 120000 && !arrived; wait += 5) {  // two minutes at most
    Sleep(5);
    std::ifstream in(received, std::ios::binary | std::ios::ate);
    const std::streamoff size = in.tellg(), tail = size > 4096 ? 4096 : size;
    std::string end(static_cast<std::size_t>(tail), '\0');
    in.seekg(size - tail);
    in.read(end.data(), tail);
    arrived = end.find(last) != std::string::npos;
  }
  QueryPerformanceCounter(&c);
  logTerm();
  if (!arrived) return {};
  const auto seconds = [&](const LARGE_INTEGER& to) { return static_cast<double>(to.QuadPart - a.QuadPart) / freq.QuadPart; };
  return {n / seconds(c), n / seconds(b)};
}

// Today's log of the prefix bench_ in `dir`.
std::wstring todaysLog(const std::wstring& dir) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t name[64];
  swprintf(name, 64, L"\\bench_%04u%02u%02u.log", t.wYear, t.wMonth, t.wDay);
  return dir + name;
}

// The bytes a call adds to the log: what the floor writes with one WriteFile.
std::string bytesOfOneCall(const std::wstring& log, const std::function<void()>& call) {
  auto size = [&] {
    WIN32_FILE_ATTRIBUTE_DATA a;
    return GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &a) ? a.nFileSizeLow : 0;
  };
  const DWORD before = size();
  call();
  const DWORD after = size();
  std::string bytes(after - before, '\0');
  HANDLE f = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  SetFilePointer(f, static_cast<LONG>(before), nullptr, FILE_BEGIN);
  DWORD read = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(f);
  return bytes;
}

// How long a crash report takes to write: the session's filter called as the
// system calls it, with an access violation at a place in this thread (about
// ten frames deep). The filter installed before it lets the process
// go on, so the next report can follow. With a minidump (LogCrashReport=2),
// each report comes in a new second: a dump's name holds the second.
std::vector<double> crashReportTime(const std::wstring& dir, int batches, int key) {
  SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_CONTINUE_EXECUTION; });
  if (!startFromProfile(dir, "LogCrashReport=" + std::to_string(key) + "\r\n")) return {};
  const LPTOP_LEVEL_EXCEPTION_FILTER filter = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(filter);
  static CONTEXT context;
  static EXCEPTION_RECORD record{EXCEPTION_ACCESS_VIOLATION, 0, nullptr, nullptr, 2, {0, 0}};
  static EXCEPTION_POINTERS pointers{&record, &context};
  RtlCaptureContext(&context);
  record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
  const std::function<void()> report = [filter] { filter(&pointers); };
  const std::string same = bytesOfOneCall(todaysLog(dir), report);
  HANDLE floor = openLikeTheLog(dir + L"\\floor.log");
  std::vector<double> figures;
  if (key == 1) {
    figures = interleave({floorContender(floor, same), {"report", report}}, batches, 10);
  } else {
    figures = interleave({floorContender(floor, same)}, batches, 10);
    std::vector<double> each;
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    for (int i = 0; i < 5; ++i) {
      SYSTEMTIME t;
      GetLocalTime(&t);
      Sleep(1010 - t.wMilliseconds);
      QueryPerformanceCounter(&a);
      report();
      QueryPerformanceCounter(&b);
      each.push_back(static_cast<double>(b.QuadPart - a.QuadPart) * 1e9 / static_cast<double>(freq.QuadPart));
    }
    std::sort(each.begin(), each.end());
    figures.push_back(each[each.size() / 2]);
  }
  CloseHandle(floor);
  logTerm();
  return figures;
}

enum class Dump { Text, Hex, Raw, Utf8 };

// One dump of 8190 bytes next to its floor: the same bytes, one WriteFile.
std::vector<double> dumps(const std::wstring& dir, int batches, Dump kind) {
  const std::string narrowDir(dir.begin(), dir.end());
  if (!logInit(narrowDir.c_str(), "bench_", 0, 0, 5, 0, 0)) return {};
  const std::wstring log = todaysLog(dir);

  static std::string ascii, bytes, mixed;
  ascii.assign(8190, 'a');
  for (std::size_t i = 0; i < ascii.size(); ++i) ascii[i] = static_cast<char>('!' + i % 90);
  bytes.resize(8190);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(1 + i % 255);
  mixed.clear();
  while (mixed.size() < 8160) mixed += "ログの日本語テキスト、ASCII text and 😀 emoji; ";
  while (mixed.size() > 8160 || (static_cast<unsigned char>(mixed[mixed.size()]) & 0xC0) == 0x80) mixed.pop_back();
  mixed.append(8190 - mixed.size(), 'z');

  std::function<void()> call;
  switch (kind) {
    case Dump::Text: call = [] { logPut(ascii.c_str(), 8190, 1, 80); }; break;
    case Dump::Hex: call = [] { logPutHex(bytes.data(), 8190, 1, 16); }; break;
    case Dump::Raw: call = [] { logDumpRaw(bytes.data(), 8190, "bench"); }; break;
    case Dump::Utf8: call = [] { logDumpUTF8(mixed.c_str(), 0, "bench"); }; break;
  }
  const std::string same = bytesOfOneCall(log, call);
  HANDLE floor = openLikeTheLog(dir + L"\\floor.log");
  const std::vector<Contender> contenders = {
      floorContender(floor, same),
      {"dump", call},
  };
  std::vector<double> figures = interleave(contenders, batches, 50);
  CloseHandle(floor);
  logTerm();
  return figures;
}

// Labels of the figures that are ratios, not times: a median over rounds and its quartiles.
constexpr const char* kRatio = "ratio:logInfo / clock floor";
constexpr const char* kLow = "ratio:  lower quartile";
constexpr const char* kHigh = "ratio:  upper quartile";

const std::vector<Group>& groups() {
  static const std::vector<const char*> versusLabels = {
      "clock and WriteFile (clock floor)", "logInfo, this build", "logInfo, the other build",
      "ratio:this build / clock floor", kLow, kHigh, "ratio:the other build / clock floor", kLow, kHigh,
      "ratio:this build / the other build", kLow, kHigh};
  static const std::vector<Group> list = {
      {"records8192", "Records, WriteFlg 8192 (date and time prefix)",
       {"WriteFile of the same line (floor)", "clock and WriteFile (clock floor)", "logInfo",
        "spdlog file sink, flush per record", kRatio, kLow, kHigh},
       [](const std::wstring& d, int b) { return records(d, b, 8192); }},
      {"records65536", "Records, WriteFlg 65536 (milliseconds and level)",
       {"WriteFile of the same line (floor)", "clock and WriteFile (clock floor)", "logInfo", "", kRatio, kLow, kHigh},
       [](const std::wstring& d, int b) { return records(d, b, 65536); }},
      {"rotation", "Rotation, WriteFlg 8192, files of 40 MB",
       {"WriteFile of the same line (floor)", "logInfo, rotation on", "logInfo, rotation off (a second copy of the DLL)"},
       [](const std::wstring& d, int b) { return rotationCost(d, b); }},
      {"eventlog", "The Event Log at WARNING, WriteFlg 8192",
       {"WriteFile of the same line (floor)", "logInfo, Event Log on, not forwarded",
        "logInfo, Event Log off (second DLL copy)", "logWarning, forwarded (Wine's stub)"},
       [](const std::wstring& d, int b) { return eventLogCost(d, b); }},
      {"threads", "Threads at once, records of about 70 bytes, WriteFlg 0: aggregate records per second",
       {"1 thread: a mutex around WriteFile (floor)", "1 thread: corvelin", "1 thread: spdlog mt sink, flush per record",
        "2 threads: floor", "2 threads: corvelin", "2 threads: spdlog",
        "4 threads: floor", "4 threads: corvelin", "4 threads: spdlog",
        "8 threads: floor", "8 threads: corvelin", "8 threads: spdlog"},
       [](const std::wstring& d, int b) { return threads(d, b); }},
      {"versusThreads", "Threads at once, this build against another (CORVELIN_BENCH_VERSUS), WriteFlg 0: records per second",
       {"1 thread: floor", "1 thread: this build", "1 thread: the other build", "2 threads: floor", "2 threads: this build",
        "2 threads: the other build", "4 threads: floor", "4 threads: this build", "4 threads: the other build",
        "8 threads: floor", "8 threads: this build", "8 threads: the other build"},
       [](const std::wstring& d, int b) { return versusThreads(d, b); }},
      {"syslog", "Forwarding to syslog, single thread, WriteFlg 8192",
       {"WriteFile of the same line (floor)", "logInfo, forwarding on", "logInfo, forwarding off (a second copy of the DLL)"},
       [](const std::wstring& d, int b) { return syslogCost(d, b); }},
      {"threadsSyslog", "Threads at once with forwarding on, WriteFlg 0: aggregate records per second",
       {"1 thread: forwarding on", "1 thread: off", "2 threads: on", "2 threads: off", "4 threads: on", "4 threads: off",
        "8 threads: on", "8 threads: off"},
       [](const std::wstring& d, int b) { return threadsSyslog(d, b); }},
      {"sender", "The sender to rsyslog over TCP (bench/syslog.sh starts one), records of about 70 bytes",
       {"records per second reaching the collector", "records per second logged meanwhile"},
       [](const std::wstring& d, int b) { return senderThroughput(d, b); }},
      {"versus", "This build against another (CORVELIN_BENCH_VERSUS), WriteFlg 8192",
       versusLabels,
       [](const std::wstring& d, int b) { return versus(d, b, 8192); }},
      {"versus65536", "This build against another (CORVELIN_BENCH_VERSUS), WriteFlg 65536",
       versusLabels,
       [](const std::wstring& d, int b) { return versus(d, b, 65536); }},
      {"versus0", "This build against another (CORVELIN_BENCH_VERSUS), WriteFlg 0",
       versusLabels,
       [](const std::wstring& d, int b) { return versus(d, b, 0); }},
      {"records0", "Records, WriteFlg 0 (no prefix)",
       {"WriteFile of the same line (floor)", "clock and WriteFile (clock floor)", "logInfo",
        "spdlog file sink, flush per record", kRatio, kLow, kHigh},
       [](const std::wstring& d, int b) { return records(d, b, 0); }},
      {"crash", "LogCrashReport, WriteFlg 8192",
       {"WriteFile of the same line (floor)", "logInfo, LogCrashReport=1", "logInfo, without it (a second copy of the DLL)"},
       [](const std::wstring& d, int b) { return crashKeyCost(d, b); }},
      {"crashReport", "A crash report of an access violation in the benchmark's own stack",
       {"WriteFile of the report's bytes (floor)", "the report (LogCrashReport=1)"},
       [](const std::wstring& d, int b) { return crashReportTime(d, b, 1); }},
      {"crashDump", "A crash report and its minidump (LogCrashReport=2), median of 5",
       {"WriteFile of the report's bytes (floor)", "the report and the minidump"},
       [](const std::wstring& d, int b) { return crashReportTime(d, b, 2); }},
      {"lock", "The session lock, single thread, WriteFlg 8192",
       {"WriteFile of the same line (floor)", "logInfo (shipped DLL)", "logInfo, same DLL built without the lock"},
       [](const std::wstring& d, int b) { return lockCost(d, b); }},
      {"logPut", "logPut, 8190 ASCII bytes, newLineCnt 80, framed",
       {"WriteFile of the same bytes (floor)", "logPut"},
       [](const std::wstring& d, int b) { return dumps(d, b / 5, Dump::Text); }},
      {"logPutHex", "logPutHex, 8190 bytes, newLineCnt 16, framed",
       {"WriteFile of the same bytes (floor)", "logPutHex"},
       [](const std::wstring& d, int b) { return dumps(d, b / 5, Dump::Hex); }},
      {"logDumpRaw", "logDumpRaw, 8190 bytes (512 rows)",
       {"WriteFile of the same bytes (floor)", "logDumpRaw"},
       [](const std::wstring& d, int b) { return dumps(d, b / 5, Dump::Raw); }},
      {"logDumpUTF8", "logDumpUTF8, 8190 bytes of mixed Japanese and ASCII",
       {"WriteFile of the same bytes (floor)", "logDumpUTF8"},
       [](const std::wstring& d, int b) { return dumps(d, b / 5, Dump::Utf8); }},
  };
  return list;
}

void removeTree(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(dir + L"\\" + name);
      } else {
        DeleteFileW((dir + L"\\" + name).c_str());
      }
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

// Child: run one group and print its figures on one line.
int runChild(const std::string& name, int batches) {
  for (const Group& g : groups()) {
    if (name != g.name) continue;
    CreateDirectoryW(L"bench-work", nullptr);
    const std::wstring dir = L"bench-work\\" + std::wstring(name.begin(), name.end()) + L"-" +
                             std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::vector<double> figures = g.run(dir, batches);
    removeTree(dir);
    for (double f : figures) std::printf("%.4f ", f);
    std::printf("\n");
    return figures.size() == g.labels.size() ? 0 : 1;
  }
  return 2;
}

std::vector<double> runInChild(const char* name, int batches) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::string args = std::string(" --group ") + name + " " + std::to_string(batches);
  std::wstring command = L"\"" + std::wstring(self) + L"\"" + std::wstring(args.begin(), args.end());
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  CreatePipe(&readEnd, &writeEnd, &sa, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::vector<double> figures;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return figures;
  CloseHandle(writeEnd);
  std::string out;
  char buf[256];
  DWORD n = 0;
  while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(readEnd);
  const char* p = out.c_str();
  char* end = nullptr;
  for (double v = std::strtod(p, &end); end != p; v = std::strtod(p, &end)) {
    figures.push_back(v);
    p = end;
  }
  return figures;
}

// Rates by thread count, the median of each contender (the floor first), and
// the second and third contender's rates over the floor's at the same count
// ("/floor") and over one thread's floor ("/1 floor").
void printThreadTable(std::vector<std::vector<double>>& samples, const std::vector<const char*>& names) {
  const std::size_t k = names.size();
  std::printf("  %-8s", "threads");
  for (const char* name : names) std::printf(" %12s", name);
  for (std::size_t c = 1; c < k && c < 3; ++c) {
    std::printf(" %16s %16s", (std::string(names[c]) + "/floor").c_str(), (std::string(names[c]) + "/1 floor").c_str());
  }
  std::printf("\n");
  double oneThreadFloor = 0;
  for (std::size_t n = 0; n < std::size(kThreadCounts); ++n) {
    std::vector<double> m(k, 0.0);
    for (std::size_t c = 0; c < k; ++c) {
      std::vector<double>& v = samples[n * k + c];
      std::sort(v.begin(), v.end());
      if (!v.empty()) m[c] = v[v.size() / 2];
    }
    if (n == 0) oneThreadFloor = m[0];
    std::printf("  %-8d", kThreadCounts[n]);
    for (double rate : m) std::printf(" %12.0f", rate);
    for (std::size_t c = 1; c < k && c < 3; ++c) {
      std::printf(" %16.2f %16.2f", m[0] > 0 ? m[c] / m[0] : 0, oneThreadFloor > 0 ? m[c] / oneThreadFloor : 0);
    }
    std::printf("\n");
  }
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  using namespace bench;
  if (argc >= 4 && std::string(argv[1]) == "--group") return runChild(argv[2], std::atoi(argv[3]));
  const int batches = argc > 1 ? std::atoi(argv[1]) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::vector<std::string> only(argv + (argc > 3 ? 3 : argc), argv + argc);  // groups by name

  std::printf("corvelin benchmark: %d x %d calls per contender and run, contenders alternating in one process,\n"
              "median of %d runs\n",
              batches, kBatch, rounds);
  for (const Group& g : groups()) {
    if (!only.empty() && std::find(only.begin(), only.end(), g.name) == only.end()) continue;
    std::vector<std::vector<double>> samples(g.labels.size());
    for (int r = 0; r < rounds; ++r) {
      const std::vector<double> figures = runInChild(g.name, batches);
      for (std::size_t k = 0; k < figures.size() && k < samples.size(); ++k) samples[k].push_back(figures[k]);
    }
    std::printf("\n%s\n", g.title);
    if (samples[0].empty()) {
      std::printf("  no figures%s\n", std::string(g.name) == "sender" ? ": it needs a collector, see bench/syslog.sh" : "");
      continue;
    }
    if (std::string(g.name) == "sender") {
      for (std::size_t k = 0; k < g.labels.size(); ++k) {
        std::sort(samples[k].begin(), samples[k].end());
        std::printf("  %-44s %12.0f\n", g.labels[k], samples[k][samples[k].size() / 2]);
      }
      continue;
    }
    if (std::string(g.name) == "threadsSyslog") {
      std::printf("  %-8s %14s %14s %14s\n", "threads", "forwarding on", "off", "on/off");
      for (std::size_t n = 0; n < std::size(kThreadCounts); ++n) {
        double m[2] = {0, 0};
        for (int c = 0; c < 2; ++c) {
          std::vector<double>& v = samples[n * 2 + static_cast<std::size_t>(c)];
          std::sort(v.begin(), v.end());
          if (!v.empty()) m[c] = v[v.size() / 2];
        }
        std::printf("  %-8d %14.0f %14.0f %14.2f\n", kThreadCounts[n], m[0], m[1], m[1] > 0 ? m[0] / m[1] : 0);
      }
      continue;
    }
    if (std::string(g.name) == "threads") {
      printThreadTable(samples, {"floor", "corvelin", "spdlog"});
      continue;
    }
    if (std::string(g.name) == "versusThreads") {
      printThreadTable(samples, {"floor", "this", "other"});
      continue;
    }
    std::printf("  %-44s %10s %9s\n", "", "ns/call", "x floor");
    std::vector<double> median(g.labels.size(), -1.0);
    for (std::size_t k = 0; k < g.labels.size(); ++k) {
      if (samples[k].empty() || g.labels[k][0] == 0) continue;
      std::sort(samples[k].begin(), samples[k].end());
      median[k] = samples[k][samples[k].size() / 2];
      if (std::strncmp(g.labels[k], "ratio:", 6) == 0) {
        std::printf("  %-44s %20.3f\n", g.labels[k] + 6, median[k]);
      } else {
        std::printf("  %-44s %10.1f %9.2f\n", g.labels[k], median[k], median[k] / median[0]);
      }
    }
    if (std::string(g.name) == "lock" && median[2] > 0) {
      std::printf("  with the lock a record takes %.3fx the time it takes without\n", median[1] / median[2]);
    } else if (std::string(g.name) == "syslog" && median[2] > 0) {
      std::printf("  with forwarding on a record takes %.3fx the time it takes with it off\n", median[1] / median[2]);
    } else if (std::string(g.name) == "rotation" && median[2] > 0) {
      std::printf("  with rotation on a record takes %.3fx the time it takes with it off\n", median[1] / median[2]);
    } else if (std::string(g.name) == "eventlog" && median[2] > 0) {
      std::printf("  a record not forwarded takes %.3fx the time it takes with the Event Log off; a forwarded one %.2fx\n",
                  median[1] / median[2], median[3] / median[2]);
    } else if (std::string(g.name) == "crash" && median[2] > 0) {
      std::printf("  with LogCrashReport=1 a record takes %.3fx the time it takes without\n", median[1] / median[2]);
    } else if (g.labels.size() == 3 && median[1] > 0) {
      std::printf("  the peer takes %.2fx the time of corvelin\n", median[2] / median[1]);
    } else if (std::strncmp(g.name, "records", 7) == 0 && median[3] > 0) {
      std::printf("  spdlog takes %.2fx the time of corvelin\n", median[3] / median[2]);
    }
  }
  return 0;
}
