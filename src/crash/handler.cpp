#include "crash/handler.h"

#include <atomic>

#include "crash/report.h"
#include "record/textconv.h"
#include "session/session.h"
#include "session/sink.h"

namespace corvelin {
namespace {

// Everything a report needs, kept off a stack that may be all but gone and
// away from a heap that may be corrupt. One thread reports at a time.
struct Workspace {
  std::uint64_t addresses[kMaxCrashFrames + 1];  // the faulting address, then the stack
  CrashFrame frames[kMaxCrashFrames + 1];
  char names[kMaxCrashFrames + 1][kModuleNameBytes];
  char16_t name[kModuleNameBytes / 2];
  char16_t dumpPath[kDumpPathUnits];
  char dumpPathUtf8[3 * kDumpPathUnits];
  char text[kCrashReportBytes];
};
Workspace ws;

struct State {
  bool installed;
  std::int32_t mode;
  void* previous;
  std::uint32_t loadError;  // of dbghelp.dll at the start
  bool tookLock;            // the reporter took the session lock (a crash inside a call has it already)
  bool passingOn;           // the reporter is in the filter from before
};
State state;
std::atomic<std::uint32_t> reporter{0};  // the thread that writes a report now

// The i-th address as a frame, its module's name in the i-th slot.
CrashFrame frameOf(int i) {
  const std::uint64_t address = ws.addresses[i], base = platform::moduleOf(address, ws.name, kModuleNameBytes / 2);
  if (base == 0) return {nullptr, address};
  utf16ToUtf8(ws.name, ws.names[i], kModuleNameBytes);
  return {ws.names[i], address - base};
}

bool claim(std::uint32_t self, std::uint32_t millis) {
  for (std::uint32_t waited = 0;; waited += 10) {
    std::uint32_t none = 0;
    if (reporter.compare_exchange_strong(none, self)) return true;
    if (waited >= millis) return false;
    platform::sleepMillis(10);
  }
}

void writeReport(void* exception) {
  // The lock keeps other threads' units out of the report and, kept until the
  // process ends, after it. A thread that crashed inside a call holds it
  // already; one that never lets go is waited for only so long.
  state.tookLock = !platform::sessionLockedHere() && platform::lockSessionWithin(kCrashLockWaitMillis);
  flushForCrash(kCrashLockWaitMillis);

  CrashFacts facts{platform::exceptionFacts(exception), platform::currentThreadId(), {}, ws.frames + 1, 0, false};
  ws.addresses[0] = facts.exception.address;
  facts.frameCount = platform::unwindStack(exception, ws.addresses + 1, kMaxCrashFrames, facts.deeper);
  for (int i = 0; i <= facts.frameCount; ++i) ws.frames[i] = frameOf(i);
  facts.where = ws.frames[0];
  // Straight into the session's file: no batch, and no rotation switch (no file is made in a crash).
  writeAll(session.fileHandle, ws.text, buildCrashReport(facts, lineEndA, ws.text, sizeof ws.text));
  if (state.mode != 2) return;

  platform::DumpOutcome outcome{platform::DumpOutcome::Written, 0};
  if (state.loadError == 0) {
    const platform::CalendarTime now = platform::localTime(platform::ticksSince1970() / 10000000);
    minidumpPath(session.filePath, now, platform::processId(), ws.dumpPath);
    outcome = platform::writeMinidump(ws.dumpPath, exception, kCrashDumpWaitMillis);
  }
  utf16ToUtf8(ws.dumpPath, ws.dumpPathUtf8, sizeof ws.dumpPathUtf8);
  writeAll(session.fileHandle, ws.text,
           buildDumpLine(state.loadError, outcome, ws.dumpPathUtf8, lineEndA, ws.text, sizeof ws.text));
}

}  // namespace

void startCrashReport() {
  if ((session.crashReport != 1 && session.crashReport != 2) || session.sleepSwitch == 1) return;
  state.mode = session.crashReport;
  state.loadError = state.mode == 2 ? platform::loadMinidumpWriter() : 0;
  platform::reserveCrashStack(kCrashStackGuarantee);
  state.previous = platform::installCrashFilter(onCrash);
  state.installed = true;
}

void endCrashReport() {
  if (!state.installed) return;
  state.installed = false;
  platform::restoreCrashFilter(state.previous);
}

std::int32_t onCrash(void* exception) {
  const std::uint32_t self = platform::currentThreadId();
  if (reporter.load() == self) {  // a second exception on the reporting thread: no more report
    if (state.passingOn) return platform::kExecuteHandler;  // the filter from before failed as well: end now
    state.passingOn = true;
    return platform::callFilter(state.previous, exception);
  }
  // A second crashing thread lets the first one's report finish: its filter ends the process.
  if (!state.installed || !claim(self, kCrashQueueMillis)) return platform::callFilter(state.previous, exception);
  state.passingOn = false;
  writeReport(exception);
  state.passingOn = true;
  const std::int32_t verdict = platform::callFilter(state.previous, exception);
  if (verdict == platform::kContinueExecution) {  // the process goes on, and so does the session
    if (state.tookLock) platform::unlockSession();
    reporter.store(0);
  }
  return verdict;
}

void resetCrashReport() {
  state = State{};
  reporter.store(0);
}

}  // namespace corvelin
