#include <cmath>

#include "fuzz_input.h"
#include "record/format.h"

void corvelin::fuzz::run(Input in) {
  static const char* const kOwn[] = {"%04d-%02d-%02d %02d:%02d:%02d:", "%02d:%02d:%02d:", "tid=%ld:%lf[sec]",
      "[OSBootTime:%ld]:", "addr={%p} prefix={%s} charSet={%s} size(BYTE)=%ld%s", " %06d 0x%04x\r\n", "%I64d", "%c%c",
      "bufSizCheck_U8() file,func=%s maxSize=%d < dataSize=%d", "|   %02x   |   %02x   |   HEX=0x%04x%s",
      "%s line=%d Win32 ErrCode=%d :%s", "[%s] %s=%lf[sec]", "---------- logPut-start len=%d%s"};
  const int capacity = 1 + in.take<std::uint16_t>() % 300, pick = in.take<std::uint8_t>();
  const std::string s1 = in.text(200), s2 = in.text(200);
  const FmtArg args[] = {in.take<std::int32_t>(), in.take<std::int32_t>(), s1.c_str(), in.take<std::uint32_t>(),
                         in.take<std::int64_t>(), in.take<double>(), s2.c_str(), static_cast<const void*>(&in), 'c'};
  const FmtArg wideArgs[] = {args[0], u"wide", args[5], args[4], args[3]};
  const std::string format = in.text();
  std::vector<char> out(capacity, 'x');
  std::vector<char16_t> out16(capacity, u'x');
  // Within the capacity: a terminated string of the length returned, or -1 and the empty string.
  const auto bounded = [&](const auto& o, int r) { check(r == -1 ? o[0] == 0 : r >= 0 && r < capacity && o[r] == 0); };
  for (int count = 0, skip = pick % 9; count <= 9; ++count) {
    bounded(out, formatArgsA(out.data(), capacity, kOwn[pick % std::size(kOwn)], args + skip, count % (10 - skip)));
    bounded(out, formatArgsA(out.data(), capacity, format.c_str(), args + skip, count % (10 - skip)));
    bounded(out16, formatArgsW(out16.data(), capacity, std::u16string(format.begin(), format.end()).c_str(), wideArgs, count % 6));
  }
  // Finite values print as the C runtime prints them, correctly rounded.
  const double d = args[5].f64;
  char expected[400];
  const int precision = pick % 45, f = formatFixed(d, precision, out.data(), capacity);
  const int e = std::snprintf(expected, sizeof expected, "%.*f", precision, d);
  check(std::isfinite(d) ? f == (precision <= 40 && e < capacity ? e : -1) && (f < 0 || !std::strcmp(out.data(), expected))
                         : f < 0 || out[f] == 0);
}
