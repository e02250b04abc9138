// RFC 5424 messages and their octet-counting frames (RFC 6587), built from
// values alone: no clock, no system.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace corvelin::syslog {

// FATAL and CRETICAL 2 (critical), ERROR 3, WARNING 4, _log 5 (notice),
// INFO 6, DEBUG 7.
int severity(std::int32_t level);

// "2026-12-05T01:23:45.678+09:00" (29 bytes and a terminator in `out`) for
// `ticks` (100 ns since 1970), given `local`, the local calendar time of
// that second: the offset is how far it stands from UTC. A calendar more
// than 18 hours away cannot be that moment's: the time is then unknown,
// "-". Returns the length.
std::size_t timestamp(std::int64_t ticks, const platform::CalendarTime& local, char* out);

// Whole seconds of `ticks`, rounded down.
std::int64_t secondOf(std::int64_t ticks);

// The header fields that stay the same for every message of a process.
struct Origin {
  int facility;       // 0-23
  char host[256];     // PRINTUSASCII, "-" when unknown
  char app[49];
  std::uint32_t processId;
};

// `in` as a header field: each character outside '!'..'~' becomes '_', at
// most `maxLength` of them, "-" for none. `out` holds maxLength + 1 bytes.
void headerField(const char16_t* in, std::size_t maxLength, char* out);

// The longest message: header fields at their limits, the BOM and a
// "[SYSLOG]" line of 8192 bytes.
inline constexpr std::size_t kMaxMessage = 8600;

// "<PRI>1 TIMESTAMP HOST APP PROCID - - " then the UTF-8 byte-order mark and
// `text` as it is, into `out` (kMaxMessage bytes). Returns the length.
std::size_t buildMessage(const Origin& origin, std::int32_t level, const char* stamp, const char* text,
                         std::size_t length, char* out);

// Appends "<length> <message>" at out + used when it fits in `capacity`;
// returns the new end, or `used` when it does not fit.
std::size_t appendFrame(const char* message, std::size_t length, char* out, std::size_t used,
                        std::size_t capacity);
// The message of the frame at data + at (within `size`), and the start of
// the next frame in `at`; false when no whole frame is there.
bool nextFrame(const char* data, std::size_t size, std::size_t& at, const char*& message, std::size_t& length);

}  // namespace corvelin::syslog
