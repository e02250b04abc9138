#include "forward/syslog_message.h"

#include <cstring>


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

// `value` in `width` digits, leading zeros, at `out`; returns the end.
char* fixed(int value, int width, char* out) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}

char* decimal(std::uint64_t value, char* out) {
  char digits[20];
  int n = 0;
  do digits[n++] = static_cast<char>('0' + value % 10); while ((value /= 10) != 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* put(char* out, const char* s) {
  const std::size_t n = std::strlen(s);
  std::memcpy(out, s, n);
  return out + n;
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
  if (offset > 18 * 60 || offset < -18 * 60 || local.year < 0 || local.year > 9999) return std::strcpy(out, "-"), 1;
  const int minutes = static_cast<int>(offset < 0 ? -offset : offset);
  char* w = fixed(local.year, 4, out);
  *w++ = '-', w = fixed(local.month, 2, w), *w++ = '-', w = fixed(local.day, 2, w), *w++ = 'T';
  w = fixed(local.hour, 2, w), *w++ = ':', w = fixed(local.minute, 2, w), *w++ = ':', w = fixed(local.second, 2, w);
  *w++ = '.', w = fixed(static_cast<int>((ticks - second * kTicksPerSecond) / 10000), 3, w);
  *w++ = offset < 0 ? '-' : '+', w = fixed(minutes / 60, 2, w), *w++ = ':', w = fixed(minutes % 60, 2, w);
  *w = 0;
  return static_cast<std::size_t>(w - out);
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
  // Written out by hand: the sender builds every message, and the
  // formatter would cost it more than all the rest.
  char* w = out;
  *w++ = '<';
  w = decimal(static_cast<std::uint64_t>(origin.facility * 8 + severity(level)), w);
  w = put(w, ">1 "), w = put(w, stamp), *w++ = ' ', w = put(w, origin.host), *w++ = ' ', w = put(w, origin.app);
  *w++ = ' ', w = decimal(origin.processId, w), w = put(w, " - - \xEF\xBB\xBF");
  const auto head = static_cast<std::size_t>(w - out);
  if (length > kMaxMessage - head) return 0;
  std::memcpy(w, text, length);
  return head + length;
}

std::size_t appendFrame(const char* message, std::size_t length, char* out, std::size_t used, std::size_t capacity) {
  char count[24];
  char* end = decimal(length, count);
  *end++ = ' ';
  const auto digits = static_cast<std::size_t>(end - count);
  if (used + digits + length > capacity) return used;
  std::memcpy(out + used, count, digits);
  std::memcpy(out + used + digits, message, length);
  return used + digits + length;
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
