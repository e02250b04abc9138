// The record writer: the one place where finished lines reach the file, and
// the level-tagged "[SYSLOG]" lines the library writes about itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "record/format.h"
#include "session/session.h"
#include "session/sink.h"

namespace corvelin {

inline constexpr std::int64_t kMaxLine = 8190;     // longest line handed to the file
inline constexpr int kMessageCapacity = 8190;      // a "[SYSLOG]" message
inline constexpr int kSysLineCapacity = 8192;      // a whole "[SYSLOG]" line

// Writes `line` with one write when it is at most 8190 bytes; otherwise
// writes the CRETICAL over-length report instead and returns 0. Returns
// whether the system took the whole line.
std::int32_t logWrite(FileHandle& file, const char* line);
// The same for a line whose length the caller already knows.
std::int32_t logWriteN(FileHandle& file, const char* line, std::size_t length);
// The CRETICAL report that stands in the file for a line that was too long.
[[gnu::cold]] void reportOverLength(FileHandle& file);

// Builds "[SYSLOG][<marker>--<LEVEL>--<marker>] <message><lineEndA>" in
// `out` (capacity 8192), after "YYYY-MM-DD hh:mm:ss.mmm LEVEL:" when the
// session's WriteFlg is 65536. Returns its length, or -1 (empty) when it
// does not fit or the level is not one of 0..5.
int formatSysLine(char* out, std::int32_t level, const char* message);
// The same line with a given line ending, for builders that own no session.
int formatSysLine(char* out, std::int32_t level, const char* message, const char* lineEnd);
// The tag and message alone, as forwarders hand a "[SYSLOG]" line on:
// no stamp of WriteFlg 65536, no line ending.
int formatSysTag(char* out, std::int32_t level, const char* message);

// Writes a formatted "[SYSLOG]" line when outputLevel >= 0 and the session is
// active; a format over 8190 bytes gets the size report instead.
void logSysArgs(std::int32_t level, const char* format, const FmtArg* args, int count);
// Writes the line through logWrite whatever outputLevel and sleepSwitch say.
std::int32_t logSysForcedArgs(FileHandle& file, std::int32_t level, const char* format, const FmtArg* args,
                              int count);
// Writes the line straight to `file` (no guard); an over-long line becomes
// the CRETICAL report.
std::int32_t logSysDirectArgs(FileHandle file, std::int32_t level, const char* format, const FmtArg* args,
                              int count);

template <class... A>
void log_sys(std::int32_t level, const char* format, const A&... args) {
  const FmtArg list[sizeof...(A) + 1] = {FmtArg(args)..., FmtArg(0)};
  logSysArgs(level, format, list, static_cast<int>(sizeof...(A)));
}

template <class... A>
std::int32_t logSysForced(FileHandle& file, std::int32_t level, const char* format, const A&... args) {
  const FmtArg list[sizeof...(A) + 1] = {FmtArg(args)..., FmtArg(0)};
  return logSysForcedArgs(file, level, format, list, static_cast<int>(sizeof...(A)));
}

template <class... A>
std::int32_t logSysDirect(FileHandle file, std::int32_t level, const char* format, const A&... args) {
  const FmtArg list[sizeof...(A) + 1] = {FmtArg(args)..., FmtArg(0)};
  return logSysDirectArgs(file, level, format, list, static_cast<int>(sizeof...(A)));
}

// The longest label, title or name a function accepts (bufSizCheck_U8).
inline constexpr std::int32_t kMaxLabel = 510;

// The length check of a UTF-8 argument: true when `length` <= `maximum`;
// otherwise writes the ERROR size report to `file` and gives false.
// `source` is "corvelin.cpp <function>()".
[[gnu::cold]] bool refuseSize(FileHandle file, const char* source, std::int32_t maximum, std::int64_t length);
inline bool bufSizCheck_U8(FileHandle file, const char* source, std::int32_t maximum, std::int64_t length) {
  return length <= maximum || refuseSize(file, source, maximum, length);
}

}  // namespace corvelin
