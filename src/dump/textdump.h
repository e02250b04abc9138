// The text dump: a UTF-8 text written unchanged in lines of about
// newLineCnt bytes, never inside a character.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dump/dump_out.h"

namespace corvelin {

inline constexpr std::int32_t kMinLineCount = 10;
inline constexpr std::int32_t kMaxLineCount = 80;

// The whole dump of `text` (`length` bytes, no zero byte among them) into
// `out`: the frame (start and end lines when `startEnd`, else a bare line
// ending before and after), the text broken after the character that
// reaches `newLineCnt` bytes, and ERROR "[SYSLOG]" lines where a lead byte
// is invalid or the text ends inside a character (which ends the dump).
void buildTextDump(const char* text, std::size_t length, std::int32_t len, bool startEnd, std::int32_t newLineCnt,
                   const char* lineEnd, DumpOut& out);

// What both dumps share. The frame: the start line (`format` takes len and
// the line ending) or a bare line ending; the end line (`format` takes the
// line ending twice) or a bare line ending.
void openFrame(DumpOut& out, bool startEnd, const char* format, std::int32_t len, const char* lineEnd);
void closeFrame(DumpOut& out, bool startEnd, const char* format, const char* lineEnd);
// The entry checks: the size guard under `source`, then the line count,
// whose refusal writes `rangeMessage` as an ERROR "[SYSLOG]" line.
bool dumpArgumentsAccepted(const char* source, std::size_t measured, std::int32_t newLineCnt,
                           const char* rangeMessage);

}  // namespace corvelin
