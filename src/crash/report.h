// The crash report: the FATAL "[SYSLOG]" lines that say why the process
// died, built from values only. The handler (handler.h) gathers the values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "session/session.h"

namespace corvelin {

inline constexpr int kMaxCrashFrames = 64;
// Room for a whole report: 66 lines of at most 620 bytes (64 frames with
// names of the longest kept), one more line's worth (a "[SYSLOG]" line is
// formatted in place) and 4 KB where each message is formatted first.
inline constexpr std::size_t kCrashReportBytes = 53248;
inline constexpr int kModuleNameBytes = 520;  // UTF-8, terminator included

// A code address: `module` (UTF-8 file name) and the offset from its base,
// or, with no module, the address itself.
struct CrashFrame {
  const char* module;
  std::uint64_t offset;
};

struct CrashFacts {
  platform::ExceptionFacts exception;
  std::uint32_t threadId;
  CrashFrame where;          // the faulting address
  const CrashFrame* frames;  // the stack, innermost first
  int frameCount;
  bool deeper;  // the stack went on past frameCount
};

// The windows.h name of a common exception code, or null.
const char* exceptionName(std::uint32_t code);

// Appends the report's lines, each ending with `lineEnd`, to `out` (`room`
// bytes, its last 4 KB used as scratch); returns the bytes appended. A line
// that no longer fits with a line's worth of room to spare is left out, with
// all after it.
std::size_t buildCrashReport(const CrashFacts& facts, const char* lineEnd, char* out, std::size_t room);

// The minidump's file, in `out` (kDumpPathUnits): the log file's path
// (at most kLogDirUnits - 1 units are taken) without ".log", then
// ".crash-YYYYMMDD-hhmmss-pid<pid>.dmp" with the local time of the crash.
inline constexpr std::size_t kDumpPathUnits = kLogDirUnits + 64;
void minidumpPath(const char16_t* logPath, const platform::CalendarTime& t, std::uint32_t pid, char16_t* out);

// The report's last line with LogCrashReport=2: where the minidump is, or
// why there is none. `loadError` is the error of loading dbghelp.dll at the
// session's start (0 when it loaded); `path` is UTF-8. Returns the bytes
// appended to `out` as buildCrashReport does.
std::size_t buildDumpLine(std::uint32_t loadError, const platform::DumpOutcome& outcome, const char* path,
                          const char* lineEnd, char* out, std::size_t room);

}  // namespace corvelin
