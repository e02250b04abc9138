#include "forward/syslog_message.h"

#include <cstring>

#include "record/format.h"

namespace corvelin::syslog {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400, yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

}  // namespace

int severity(std::int32_t level) {
  static const int kSeverities[7] = {5, 2, 2, 3, 4, 6, 7};  // _log, then FATAL .. DEBUG
  return level >= -1 && level <= 5 ? kSeverities[level + 1] : 5;
}

std::int64_t secondOf(std::int64_t ticks) {
  return ticks >= 0 ? ticks / kTicksPerSecond : -((-ticks + kTicksPerSecond - 1) / kTicksPerSecond);
}

std::size_t timestamp(std::int64_t ticks, const platform::CalendarTime& local, char* out) {
  const std::int64_t second = secondOf(ticks);
  const std::int64_t localSecond =
      daysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 + local.minute * 60 + local.second;
  const std::int64_t offset = (localSecond - second) / 60;  // minutes
  if (offset > 18 * 60 || offset < -18 * 60) return std::strcpy(out, "-"), 1;
  const auto minutes = static_cast<std::int32_t>(offset < 0 ? -offset : offset);
  const auto millis = static_cast<std::int32_t>((ticks - second * kTicksPerSecond) / 10000);
  return static_cast<std::size_t>(boundedFormatA(out, 40, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.year,
                                                 local.month, local.day, local.hour, local.minute, local.second,
                                                 millis, offset < 0 ? '-' : '+', minutes / 60, minutes % 60));
}

void headerField(const char16_t* in, std::size_t maxLength, char* out) {
  std::size_t n = 0;
  for (; *in != 0 && n < maxLength; ++in) {
    if (*in >= 0xD800 && *in < 0xDC00 && in[1] >= 0xDC00 && in[1] < 0xE000) ++in;  // a pair is one character
    out[n++] = *in > u' ' && *in < 0x7F ? static_cast<char>(*in) : '_';
  }
  if (n == 0) out[n++] = '-';
  out[n] = 0;
}

std::size_t buildMessage(const Origin& origin, std::int32_t level, const char* stamp, const char* text,
                         std::size_t length, char* out) {
  const int head = boundedFormatA(out, static_cast<int>(kMaxMessage), "<%d>1 %s %s %s %u - - \xEF\xBB\xBF",
                                  origin.facility * 8 + severity(level), stamp, origin.host, origin.app,
                                  origin.processId);
  if (head < 0 || length > kMaxMessage - static_cast<std::size_t>(head)) return 0;
  std::memcpy(out + head, text, length);
  return static_cast<std::size_t>(head) + length;
}

std::size_t appendFrame(const char* message, std::size_t length, char* out, std::size_t used, std::size_t capacity) {
  char count[24];
  const int digits = boundedFormatA(count, 24, "%I64d ", static_cast<std::int64_t>(length));
  if (used + static_cast<std::size_t>(digits) + length > capacity) return used;
  std::memcpy(out + used, count, static_cast<std::size_t>(digits));
  std::memcpy(out + used + digits, message, length);
  return used + static_cast<std::size_t>(digits) + length;
}

bool nextFrame(const char* data, std::size_t size, std::size_t& at, const char*& message, std::size_t& length) {
  std::size_t n = 0, i = at;
  for (; i < size && data[i] >= '0' && data[i] <= '9'; ++i) n = n * 10 + static_cast<std::size_t>(data[i] - '0');
  if (i == at || i >= size || data[i] != ' ' || n > size - i - 1) return false;
  message = data + i + 1;
  length = n;
  at = i + 1 + n;
  return true;
}

}  // namespace corvelin::syslog
