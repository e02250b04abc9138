// The hex dump: bytes as two lower-case hex digits and a space each,
// newLineCnt bytes to a line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dump/dump_out.h"

namespace corvelin {

// The whole dump of `len` bytes of `data` into `out`, framed by the start
// and end lines when `startEnd`, else by a bare line ending before and after.
void buildHexDump(const unsigned char* data, std::int32_t len, bool startEnd, std::int32_t newLineCnt,
                  const char* lineEnd, DumpOut& out);

// The size of that dump, which can be larger than the dump stage.
std::size_t hexDumpSize(std::int32_t len, bool startEnd, std::int32_t newLineCnt, const char* lineEnd);

// Bytes before the first zero byte, looking at no more than `limit` bytes:
// the size guard's measure, kept inside the caller's range.
std::size_t measureBounded(const void* data, std::int64_t limit);

}  // namespace corvelin
