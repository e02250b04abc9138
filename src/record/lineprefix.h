// The record line: the time prefix WriteFlg selects, the text in brackets,
// and the line ending.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvelin {

// The tick stamp (100 ns since 1970) the timed prefixes measure from; set
// by the entry points for timed WriteFlg values and by the table dumps.
extern std::int64_t startTicks;

// Seconds from `from` to `to` (ticks), truncated toward zero to whole
// milliseconds; negative when the clock went back.
double secondsBetween(std::int64_t from, std::int64_t to);
// Seconds since startTicks at `now`, truncated to whole milliseconds.
double elapsedSeconds(std::int64_t now);
double elapsedSeconds();

// WriteFlg values whose prefix prints the elapsed figure: 1 3 5 7 9 16384 32768.
inline bool isTimedWriteFlg(std::int32_t writeFlg) {
  switch (writeFlg) {
    case 1: case 3: case 5: case 7: case 9: case 16384: case 32768: return true;
    default: return false;
  }
}

// The longest line, terminator included, the formatter may produce.
inline constexpr std::size_t kLineCapacity = 8190;

// Builds "<prefix>[<text>]<lineEndA>" in `out` (at least kLineCapacity
// bytes) and returns its length. A WriteFlg outside the table gives the
// empty line (0); a line that would not fit with its terminator is not
// built and gives kLineTooLong, so the caller can report it.
// The local time is converted at most once per second.
inline constexpr std::size_t kLineTooLong = ~std::size_t{0};
// `level` (`levelLength` bytes) names the entry point for WriteFlg 65536
// (DEBUG, INFO, WARNING, ERROR, CRITICAL, LOG).
std::size_t makeLogLine(std::int32_t writeFlg, const char* text, std::size_t textLength, std::uint32_t threadId,
                        const char* level, std::size_t levelLength, char* out);

// The wall clock (ticks) the record being written read for its line: 0 when
// it read none (no time in the prefix), and outside a record.
extern std::int64_t lineClock;

// Forgets the cached local time (a new process, for tests).
void resetTimeCache();

// The prefix of WriteFlg 65536 alone, "YYYY-MM-DD hh:mm:ss.mmm LEVEL:", at
// the wall clock's time now, into `out` (64 bytes); its length. A session
// with that WriteFlg puts it before its "[SYSLOG]" lines too.
std::size_t levelledStamp(const char* level, char* out);

}  // namespace corvelin
