#include "dump/textdump.h"

#include <corvelin.h>

#include <cstring>

#include "forward/forward.h"
#include "record/format.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

bool measuring = false;  // a dump only measured is not forwarded

void report(DumpOut& out, const char* message, const char* lineEnd) {
  char line[kSysLineCapacity];
  const int n = formatSysLine(line, kError, message, lineEnd);
  if (n > 0) out.put(line, static_cast<std::size_t>(n));
  if (!measuring) forward::sysLine(kError, message);
}

const char* const kOverrun[5] = {
    nullptr, nullptr,
    "logPut() case2 UTF8文字解析エラー バッファ・オーバーラン!",
    "logPut() case3 UTF8文字解析エラー バッファ・オーバーラン!",
    "logPut() case4 UTF8文字解析エラー バッファ・オーバーラン!",
};

// Copies the run of ASCII bytes at p (at most `limit` of them) into `out`
// in one pass, eight bytes at a time; returns its length.
std::size_t copyAsciiRun(const unsigned char* p, std::size_t limit, DumpOut& out) {
  char* w = out.reserve(limit + 8);  // the last word may be stored whole
  std::size_t i = 0;
  while (i + 8 <= limit) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if ((word & 0x8080808080808080ULL) != 0) break;
    std::memcpy(w + i, &word, 8);
    i += 8;
  }
  while (i < limit && p[i] < 0x80) {
    w[i] = static_cast<char>(p[i]);
    ++i;
  }
  out.commit(i);
  return i;
}

}  // namespace

void openFrame(DumpOut& out, bool startEnd, const char* format, std::int32_t len, const char* lineEnd) {
  char frame[260];
  if (!startEnd) {
    out.put(lineEnd);
  } else if (boundedFormatA(frame, 260, format, len, lineEnd) > 0) {
    out.put(frame);
  }
}

void closeFrame(DumpOut& out, bool startEnd, const char* format, const char* lineEnd) {
  char frame[260];
  if (!startEnd) {
    out.put(lineEnd);
  } else if (boundedFormatA(frame, 260, format, lineEnd, lineEnd) > 0) {
    out.put(frame);
  }
}

bool dumpArgumentsAccepted(const char* source, std::size_t measured, std::int32_t newLineCnt,
                           const char* rangeMessage) {
  if (!bufSizCheck_U8(session.fileHandle, source, static_cast<std::int32_t>(kMaxLine),
                      static_cast<std::int64_t>(measured))) {
    return false;
  }
  if (newLineCnt < kMinLineCount || newLineCnt > kMaxLineCount) {
    log_sys(kError, "%s", rangeMessage);
    return false;
  }
  return true;
}

void buildTextDump(const char* text, std::size_t length, std::int32_t len, bool startEnd, std::int32_t newLineCnt,
                   const char* lineEnd, DumpOut& out) {
  openFrame(out, startEnd, "---------- logPut-start len=%d%s", len, lineEnd);

  if (length > 0) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto perLine = static_cast<std::size_t>(newLineCnt);
    const std::size_t endLength = std::strlen(lineEnd);
    std::size_t lineBytes = 0;
    for (std::size_t i = 0;; ++i) {
      const int k = utf8LeadLength(p[i]);
      if (k == 1) {
        // A run of ASCII up to the end of the line or of the text.
        const std::size_t limit = perLine - lineBytes < length - i ? perLine - lineBytes : length - i;
        const std::size_t run = copyAsciiRun(p + i, limit, out);
        lineBytes += run;
        i += run - 1;
      } else if (k > 1) {
        const std::size_t first = i;
        i += static_cast<std::size_t>(k - 1);
        if (i >= length) {
          // The text ends inside the character: the dump ends here, unclosed.
          report(out, kOverrun[k], lineEnd);
          return;
        }
        out.putShort(text + first, static_cast<std::size_t>(k));
        lineBytes += static_cast<std::size_t>(k);
      } else {
        report(out, "logPut() UTF8文字解析エラー、UTF8文字列が不正です", lineEnd);
      }
      if (i >= length - 1) break;  // no line ending after the last character
      if (lineBytes >= perLine) {
        out.putShort(lineEnd, endLength);
        lineBytes = 0;
      }
    }
  }

  closeFrame(out, startEnd, "%s---------- logPut-end!!%s", lineEnd);
}

}  // namespace corvelin

extern "C" CORVELIN_API void CORVELIN_CALL logPut(const char* text, std::int32_t len, std::uint8_t startEndFlg,
                                                  std::int32_t newLineCnt) {
  using namespace corvelin;
  ApiGuard guard;
  if (!sessionActive() || text == nullptr) return;
  const std::size_t length = std::strlen(text);
  if (!dumpArgumentsAccepted("corvelin.cpp logPut()", length, newLineCnt, "logPut() newLineCnt は 10-80の間で有効です")) {
    return;
  }
  struct Dump {
    const char* text;
    std::size_t length;
    std::int32_t len, newLineCnt;
    bool startEnd;
    static void build(const void* context, DumpOut& out) {
      const auto& d = *static_cast<const Dump*>(context);
      buildTextDump(d.text, d.length, d.len, d.startEnd, d.newLineCnt, lineEndA, out);
    }
  } dump{text, length, len, newLineCnt, startEndFlg != 0};
  // A dump larger than the stage (a report line for each bad byte) tells its whole size first.
  DumpUnit unit{0, false, [](const void* d) {
    measuring = true;
    const std::size_t size = measureDump(Dump::build, d);
    measuring = false;
    return size;
  }, &dump};
  DumpOut out(dumpStage(), kDumpStage, flushToLog, &unit);
  Dump::build(&dump, out);
  out.finish();
}
