// An in-memory platform for the native tests: files and directories, a clock
// that moves only when told, recorded boxes, profiles, and faults on demand.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvelin::fake {

struct Box {
  std::u16string text, caption;
  std::uint32_t type;
};

// Names compare as the file system compares them: ASCII letters in any case are one.
struct NoCase {
  bool operator()(const std::u16string& a, const std::u16string& b) const;
};
using Names = std::set<std::u16string, NoCase>;

struct World {
  // Paths are kept normalised (see normalise); "" is the current directory.
  Names dirs{u"C:", u"C:\\logs"};
  std::map<std::u16string, std::string, NoCase> files;
  Names heldByOther;  // open elsewhere without write sharing
  Names denied;       // may not be created, or written when it exists
  std::map<platform::FileHandle, std::u16string> open;
  platform::FileHandle nextHandle = 0x40;

  std::int64_t ticks = 0;  // wall clock, 100 ns since 1970; local time is UTC
  std::int64_t ticksSeen = 0;
  std::uint64_t monotonicMs = 1000000;  // moves by every change of `ticks`
  std::uint32_t bootMillis = 123456;
  std::uint32_t threadId = 4242;
  std::uint32_t processId = 4711;
  std::u16string executable = u"host";  // base name, no extension

  std::uint32_t lastError = 0;
  std::map<std::uint32_t, std::u16string> systemTexts;
  // [Halvix] keys by profile path (normalised; bare names live in C:\windows)
  std::map<std::u16string, std::map<std::u16string, std::u16string>> profiles;

  std::vector<Box> boxes;
  std::int32_t boxResult = 1;
  bool boxesVisible = true;  // false: a window station nobody sees
  std::vector<std::u16string> debugStrings;

  std::vector<std::string> eventCalls;  // the Event Log's calls (one source: handle 0xE7); a failure code fails each later one
  std::uint32_t registerFailure = 0, reportFailure = 0;

  // Faults: the Nth call since reset (1-based) fails; 0 never.
  int writeCalls = 0, failWriteAt = 0, shortWriteAt = 0;  // a short write keeps half
  std::size_t diskBytes = 0;                              // 0: unlimited
  int allocCalls = 0, failAllocAt = 0, liveBlocks = 0;
  int sleeping = 0;  // callers asleep waiting for a batch; read it with sleepingCallers()
  bool contended = false;  // others wait for the session lock: units go into batches
  std::function<void()> duringWrite;  // runs inside every write, before the bytes are stored

  // The syslog forwarder's world: a collector that records what reaches it (in `net`, with every
  // open, close and wake), its faults (Winsock codes), a worker run only by runWorker and joinWorker.
  int utcOffsetMinutes = 0;  // local time is UTC plus this
  std::vector<std::string> net;
  std::uint32_t netStartError = 0, openError = 0, sendError = 0;
  int sendCalls = 0, failSendAt = 0;  // with sendError: only the Nth send counted from then fails; 0: each
  bool peerClosed = false;       // the collector closed the open link
  bool lost = false;             // sends succeed, and nothing arrives
  std::uint32_t callMillis = 0;  // each open and send takes this long
  platform::Link links = 0;
  std::uint32_t (*step)(void*) = nullptr;
  void* stepContext = nullptr;
  bool workerDone = false, failWorker = false;
  // Crash reports: the filter installed now, modules (base: name; 64 KB each), dbghelp.dll's error, a dump's fate.
  void* topFilter = nullptr;
  std::map<std::uint64_t, std::u16string> modules;
  bool lockedElsewhere = false;
  std::uint32_t dbghelpError = 0;
  platform::DumpOutcome dumpOutcome{platform::DumpOutcome::Written, 0};
};
struct Crash { platform::ExceptionFacts facts; std::vector<std::uint64_t> stack; bool deeper = false; };  // as filters get it

World& world();
// A fresh world at 2026-12-05 01:23:45, and the library as just loaded.
void reset();

std::u16string normalise(const std::u16string& path);
std::int64_t ticksAt(int year, int month, int day, int hour, int minute, int second);
std::string u8(const std::u16string& s);  // lone surrogates as U+FFFD
int sleepingCallers();
// One call of the worker's step; kWorkerDone once it has ended.
std::uint32_t runWorker();

}  // namespace corvelin::fake
