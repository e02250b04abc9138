// Forwarders: places a record goes besides the file (the Event Log, a syslog
// collector). Each receives the finished unit, its level, its text as the
// caller gave it and the clock reading of its line, after the sink has taken
// it; none ever changes what the file gets or what a call returns.
//
// A forwarder is added when a session starts and stopped by logTerm. Both,
// and every delivery, run under the session lock. A unit that a forwarder's
// own delivery produces (a "[SYSLOG]" line about a failed send) is written to
// the file but not forwarded again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvelin::forward {

// The level of a _log record, which has none: a forwarder takes it only when
// it says so (kNoLevel in its levels).
inline constexpr std::int32_t kNoLevel = -1;

struct Unit {
  std::int32_t level;  // 0 FATAL .. 5 DEBUG, or kNoLevel
  const char* text;    // a record's text, or a "[SYSLOG]" line's tag and message; no line ending
  std::size_t length;
  std::int64_t ticks;  // wall clock of the line, 100 ns since 1970
};

struct Forwarder {
  std::uint32_t levels;                 // bit (level + 1) for each level it takes
  void (*deliver)(const Unit& unit);
  void (*stop)();                       // logTerm: send what is left, give back what it holds
};

// The bit of `level` in Forwarder::levels.
constexpr std::uint32_t levelBit(std::int32_t level) { return 1u << (level + 1); }
// The levels from FATAL down to `lowest` (5 DEBUG at most), with _log when `withLog`.
std::uint32_t levelsUpTo(std::int32_t lowest, bool withLog);

// The union of the levels of every forwarder added: the record path asks
// this before it gathers anything.
extern std::uint32_t wanted;
inline bool wants(std::int32_t level) { return (wanted & levelBit(level)) != 0; }

// At most kCapacity forwarders; false when there is no room.
inline constexpr int kCapacity = 4;
bool add(const Forwarder* forwarder);
// logTerm: every forwarder is stopped and removed.
void stopAll();

// Hands a record's text to every forwarder that takes its level.
void record(std::int32_t level, const char* text, std::size_t length, std::int64_t ticks);
// The same for a "[SYSLOG]" line: builds its tag and message (no line
// ending, whatever the file's line format) and reads the clock.
void sysLine(std::int32_t level, const char* message);

// As in a freshly loaded library (for tests).
void reset();

}  // namespace corvelin::forward
