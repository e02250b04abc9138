#include "record/lineprefix.h"

#include <cstring>

#include "platform/platform.h"
#include "record/format.h"
#include "session/session.h"

namespace corvelin {

std::int64_t startTicks = 0;
std::int64_t lineClock = 0;

namespace {

enum Field : std::uint8_t { kNone, kSec, kMin, kHour, kDay, kMonth, kYear, kElapsed, kTid, kBoot };

struct PrefixFormat {
  std::int32_t writeFlg;
  const char* format;  // every line then continues with "[%s]%s": text and line ending
  Field fields[7];
  bool millisAndLevel = false;  // the format is followed by "mmm LEVEL:"
};

// The 24 prefixes. Their small differences are kept on purpose: no colon
// after "[sec]" for 1 and 32768, a two-digit minimum year for 128. 65536 is
// for readers that parse: milliseconds and the entry point's level.
const PrefixFormat kFormats[] = {
    {0, "", {}},
    {1, "tid=%ld:%lf[sec]", {kTid, kElapsed}},
    {2, "%02d:", {kSec}},
    {3, "%02d:%lf[sec]:", {kSec, kElapsed}},
    {4, "%02d:", {kMin}},
    {5, "%02d:%lf[sec]:", {kMin, kElapsed}},
    {6, "%02d:%02d:", {kMin, kSec}},
    {7, "%02d:%02d:%lf[sec]:", {kMin, kSec, kElapsed}},
    {8, "%02d:", {kHour}},
    {9, "%02d:%lf[sec]:", {kHour, kElapsed}},
    {16, "%02d:", {kDay}},
    {32, "%02d:", {kMonth}},
    {64, "%02d:", {kYear}},
    {128, "%02d:%02d:%02d:", {kYear, kMonth, kDay}},
    {256, "%04d%02d%02d:", {kYear, kMonth, kDay}},
    {512, "%04d/%02d/%02d:", {kYear, kMonth, kDay}},
    {1024, "%04d-%02d-%02d:", {kYear, kMonth, kDay}},
    {2048, "%04d%02d%02d-%02d%02d%02d:", {kYear, kMonth, kDay, kHour, kMin, kSec}},
    {4096, "%04d/%02d/%02d-%02d:%02d:%02d:", {kYear, kMonth, kDay, kHour, kMin, kSec}},
    {8192, "%04d-%02d-%02d %02d:%02d:%02d:", {kYear, kMonth, kDay, kHour, kMin, kSec}},
    {16384, "%04d%02d%02d-%02d%02d%02d:%lf[sec]:", {kYear, kMonth, kDay, kHour, kMin, kSec, kElapsed}},
    {32768, "%04d/%02d/%02d-%02d:%02d:%02d:%lf[sec]", {kYear, kMonth, kDay, kHour, kMin, kSec, kElapsed}},
    {32784, "[OSBootTime:%ld]:", {kBoot}},
    {65536, "%04d-%02d-%02d %02d:%02d:%02d.", {kYear, kMonth, kDay, kHour, kMin, kSec}, true},
};

const PrefixFormat* findFormat(std::int32_t writeFlg) {
  for (const PrefixFormat& f : kFormats) {
    if (f.writeFlg == writeFlg) return &f;
  }
  return nullptr;
}

bool dependsOnlyOnTheSecond(const PrefixFormat& f) {
  for (Field field : f.fields) {
    if (field == kElapsed || field == kTid || field == kBoot) return false;
  }
  return true;
}

// Converting to local time costs more than the write of a record, so it is
// done once per second (a zone change always falls on a whole second). The
// prefix of a format made of calendar fields alone is kept as well. The wall
// clock is read for every record: a cached second is never trusted past a
// step of the clock (time synchronisation sets it forward or back).
struct TimeCache {
  std::int32_t formatFlg = INT32_MIN;  // the WriteFlg whose table row is `format`
  const PrefixFormat* format = nullptr;
  bool calendarOnly = false;
  // The tick the cached second begins at: a record of the same second needs
  // a subtraction, not a division (its latency is paid before the write).
  std::uint64_t secondStart = static_cast<std::uint64_t>(INT64_MIN);
  platform::CalendarTime local{};
  std::int32_t prefixFlg = INT32_MIN;
  char prefix[64] = {};
  std::size_t prefixLength = 0;
};
TimeCache cache;

// A record's pieces are short: copied here, 16 bytes a step, since a call
// into the runtime's generic memcpy costs more than the copy.
inline char* copyBytes(char* to, const char* from, std::size_t n) {
  for (; n >= 16; n -= 16, to += 16, from += 16) std::memcpy(to, from, 16);
  if (n >= 8) std::memcpy(to, from, 8), std::memcpy(to + n - 8, from + n - 8, 8);
  else if (n >= 4) std::memcpy(to, from, 4), std::memcpy(to + n - 4, from + n - 4, 4);
  else for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  return to + n;
}

std::int64_t floorSeconds(std::int64_t ticks) {
  const std::int64_t s = ticks / 10000000;
  return (ticks % 10000000 < 0) ? s - 1 : s;
}

std::int32_t fieldValue(Field field, const platform::CalendarTime& t) {
  switch (field) {
    case kSec: return t.second;
    case kMin: return t.minute;
    case kHour: return t.hour;
    case kDay: return t.day;
    case kMonth: return t.month;
    case kYear: return t.year;
    default: return 0;
  }
}

std::size_t formatPrefix(const PrefixFormat& f, std::int64_t now, std::uint32_t threadId, char* out) {
  FmtArg args[7] = {0, 0, 0, 0, 0, 0, 0};
  int count = 0;
  for (Field field : f.fields) {
    if (field == kNone) break;
    switch (field) {
      case kElapsed: args[count++] = FmtArg(elapsedSeconds(now)); break;
      case kTid: args[count++] = FmtArg(static_cast<std::int32_t>(threadId)); break;
      case kBoot: args[count++] = FmtArg(static_cast<std::int32_t>(platform::millisSinceBoot())); break;
      default: args[count++] = FmtArg(fieldValue(field, cache.local)); break;
    }
  }
  const int n = formatArgsA(out, 64, f.format, args, count);
  return n < 0 ? 0 : static_cast<std::size_t>(n);
}

// "mmm LEVEL:" after the calendar part at `out`, `intoSecond` ticks into
// its second; returns the end.
char* appendMillisAndLevel(std::uint32_t intoSecond, const char* level, std::size_t levelLength, char* out) {
  const std::uint32_t ms = intoSecond / 10000;
  out[0] = static_cast<char>('0' + ms / 100);
  out[1] = static_cast<char>('0' + ms / 10 % 10);
  out[2] = static_cast<char>('0' + ms % 10);
  out[3] = ' ';
  out = copyBytes(out + 4, level, levelLength < 36 ? levelLength : 36);
  *out++ = ':';
  return out;
}

}  // namespace

void resetTimeCache() {
  cache = TimeCache{};
  startTicks = lineClock = 0;
}

double secondsBetween(std::int64_t from, std::int64_t to) {
  const std::int64_t ms = (to - from) / 10000;  // truncates toward zero
  return static_cast<double>(ms) / 1000.0;
}

double elapsedSeconds(std::int64_t now) { return secondsBetween(startTicks, now); }

double elapsedSeconds() { return elapsedSeconds(platform::ticksSince1970()); }

std::size_t makeLogLine(std::int32_t writeFlg, const char* text, std::size_t textLength, std::uint32_t threadId,
                        const char* level, std::size_t levelLength, char* out) {
  out[0] = 0;
  lineClock = 0;
  if (cache.formatFlg != writeFlg) {
    cache.format = findFormat(writeFlg);
    cache.calendarOnly = cache.format != nullptr && dependsOnlyOnTheSecond(*cache.format);
    cache.formatFlg = writeFlg;
  }
  const PrefixFormat* f = cache.format;
  if (f == nullptr) return 0;

  // The prefix goes straight into `out` (at most 64 bytes, far below its
  // capacity); the text follows only once the whole line is known to fit.
  char* w = out;
  if (f->fields[0] == kNone) {
    // WriteFlg 0 prints no time: the clock is not read.
  } else if (f->fields[0] == kBoot) {
    w += formatPrefix(*f, 0, threadId, out);
  } else {
    const std::int64_t now = lineClock = platform::ticksSince1970();
    std::uint64_t intoSecond = static_cast<std::uint64_t>(now) - cache.secondStart;
    if (intoSecond >= 10000000) {
      const std::int64_t second = floorSeconds(now);
      cache.local = platform::localTime(second);
      cache.secondStart = static_cast<std::uint64_t>(second * 10000000);
      cache.prefixFlg = INT32_MIN;
      intoSecond = static_cast<std::uint64_t>(now) - cache.secondStart;
    }
    if (!cache.calendarOnly) {
      w += formatPrefix(*f, now, threadId, out);
    } else {
      if (cache.prefixFlg != writeFlg) {
        cache.prefixLength = formatPrefix(*f, now, threadId, cache.prefix);
        cache.prefixFlg = writeFlg;
      }
      std::memcpy(out, cache.prefix, sizeof cache.prefix);  // whole: no branch on its length
      w = out + cache.prefixLength;
      if (f->millisAndLevel) w = appendMillisAndLevel(static_cast<std::uint32_t>(intoSecond), level, levelLength, w);
    }
  }

  const std::size_t length = static_cast<std::size_t>(w - out) + 1 + textLength + 1 + lineEndALen;
  if (length + 1 > kLineCapacity) {
    out[0] = 0;
    return kLineTooLong;  // never cut
  }
  *w++ = '[';
  w = copyBytes(w, text, textLength);
  *w++ = ']';
  if (lineEndALen == 2) {
    std::memcpy(w, lineEndA, 2);
    w += 2;
  } else {
    w = copyBytes(w, lineEndA, lineEndALen);
  }
  *w = 0;
  return length;
}

std::size_t levelledStamp(const char* level, char* out) {
  const std::int64_t now = platform::ticksSince1970();
  const platform::CalendarTime t = platform::localTime(floorSeconds(now));
  const int n = boundedFormatA(out, 64, "%04d-%02d-%02d %02d:%02d:%02d.", t.year, t.month, t.day, t.hour, t.minute,
                               t.second);
  const auto intoSecond = static_cast<std::uint32_t>(now - floorSeconds(now) * 10000000);
  return static_cast<std::size_t>(
      appendMillisAndLevel(intoSecond, level, platform::textLength(level), out + (n < 0 ? 0 : n)) - out);
}

}  // namespace corvelin
