#include "dump/hexdump.h"

#include <corvelin.h>

#include <cstring>

#include "dump/hexcells.h"
#include "dump/textdump.h"
#include "record/format.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
std::size_t measureBounded(const void* data, std::int64_t limit) {
  if (data == nullptr || limit <= 0) return 0;
  const void* zero = std::memchr(data, 0, static_cast<std::size_t>(limit));
  return zero == nullptr ? static_cast<std::size_t>(limit)
                         : static_cast<std::size_t>(static_cast<const char*>(zero) - static_cast<const char*>(data));
}

std::size_t hexDumpSize(std::int32_t len, bool startEnd, std::int32_t newLineCnt, const char* lineEnd) {
  char frame[260];
  const std::size_t endLength = std::strlen(lineEnd);
  const std::size_t total = static_cast<std::size_t>(len > 0 ? len : 0);
  const std::size_t lines = (total + static_cast<std::size_t>(newLineCnt) - 1) / static_cast<std::size_t>(newLineCnt);
  std::size_t size = 3 * total + (lines > 0 ? lines - 1 : 0) * endLength;
  if (!startEnd) return size + 2 * endLength;
  const int start = boundedFormatA(frame, 260, "---------- logPutHex-start len=%d%s", len, lineEnd);
  const int end = boundedFormatA(frame, 260, "%s---------- logPutHex-end%s", lineEnd, lineEnd);
  return size + static_cast<std::size_t>(start > 0 ? start : 0) + static_cast<std::size_t>(end > 0 ? end : 0);
}

void buildHexDump(const unsigned char* data, std::int32_t len, bool startEnd, std::int32_t newLineCnt,
                  const char* lineEnd, DumpOut& out) {
  openFrame(out, startEnd, "---------- logPutHex-start len=%d%s", len, lineEnd);
  // A line ending follows every newLineCnt-th byte but the last.
  const std::size_t endLength = std::strlen(lineEnd);
  const auto perLine = static_cast<std::size_t>(newLineCnt);
  const auto total = static_cast<std::size_t>(len > 0 ? len : 0);
  for (std::size_t start = 0; start < total; start += perLine) {
    const std::size_t count = total - start < perLine ? total - start : perLine;
    char* w = out.reserve(3 * perLine + endLength + 2);
    putHexCells(w, data + start, count);
    std::size_t used = 3 * count;
    if (start + count < total) {
      for (std::size_t i = 0; i < endLength; ++i) w[used++] = lineEnd[i];  // short: no library call
    }
    out.commit(used);
  }
  closeFrame(out, startEnd, "%s---------- logPutHex-end%s", lineEnd);
}

}  // namespace corvelin

extern "C" CORVELIN_API void CORVELIN_CALL logPutHex(const void* data, std::int32_t len, std::uint8_t startEndFlg,
                                                     std::int32_t newLineCnt) {
  using namespace corvelin;
  ApiGuard guard;
  if (!sessionActive() || data == nullptr) return;
  if (!dumpArgumentsAccepted("corvelin.cpp logPutHex()", measureBounded(data, len), newLineCnt,
                             "logPutHex() newLineCnt は 10-80の間で有効です")) {
    return;
  }
  DumpUnit unit{hexDumpSize(len, startEndFlg != 0, newLineCnt, lineEndA)};
  DumpOut out(dumpStage(), kDumpStage, flushToLog, &unit);
  buildHexDump(static_cast<const unsigned char*>(data), len, startEndFlg != 0, newLineCnt, lineEndA, out);
  out.finish();
}
