// The bounded formatter: any format with any arguments stays within its
// capacity and either writes a terminated string of the length it returns
// or the empty string and -1.
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"
#include "record/format.h"

using namespace corvelin;

namespace {

// The formats the library itself uses, with arguments taken from the input.
const char* const kFormats[] = {
    "%04d-%02d-%02d %02d:%02d:%02d:", "%02d:%02d:%02d:", "tid=%ld:%lf[sec]", "[OSBootTime:%ld]:",
    "addr={%p} prefix={%s} charSet={%s} size(BYTE)=%ld%s", " %06d 0x%04x\r\n",
    "bufSizCheck_U8() file,func=%s maxSize=%d < dataSize=%d", "|   %02x   |   %02x   |   HEX=0x%04x%s",
    "%s line=%d Win32 ErrCode=%d :%s", "[%s] %s=%lf[sec]", "---------- logPut-start len=%d%s", "%I64d", "%c%c",
};

template <class C>
void check(const C* out, int capacity, int result) {
  if (result == -1) {
    if (out[0] != 0) std::abort();
    return;
  }
  if (result < 0 || result >= capacity || out[result] != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int capacity = 1 + in.take<std::uint16_t>() % 300;
  const auto pick = in.take<std::uint8_t>();
  const std::string s1 = in.text(200), s2 = in.text(200);
  const std::int32_t i1 = in.take<std::int32_t>(), i2 = in.take<std::int32_t>();
  const std::uint32_t u1 = in.take<std::uint32_t>();
  const std::int64_t big = in.take<std::int64_t>();
  const double d = in.take<double>();
  const std::string format = in.rest();

  std::vector<char> out(static_cast<std::size_t>(capacity) + 8, 'x');
  const FmtArg args[] = {i1, i2, s1.c_str(), u1, d, big, s2.c_str(), static_cast<const void*>(out.data()), 'c'};
  const char* chosen = kFormats[pick % (sizeof kFormats / sizeof kFormats[0])];
  for (int count = 0; count <= 9; ++count) {
    check(out.data(), capacity, formatArgsA(out.data(), capacity, chosen, args, count));
    check(out.data(), capacity, formatArgsA(out.data(), capacity, format.c_str(), args, count));
    check(out.data(), capacity, formatArgsA(out.data(), capacity, format.c_str(), args + (pick % 9), count % (9 - pick % 9 + 1)));
  }
  std::vector<char16_t> wide(format.size() / 2 + 1, 0);
  std::memcpy(wide.data(), format.data(), format.size() / 2 * 2);
  wide.back() = 0;
  std::vector<char16_t> wout(static_cast<std::size_t>(capacity));
  const char16_t ws[] = u"wide";
  const FmtArg wargs[] = {i1, ws, d, big, u1};
  for (int count = 0; count <= 5; ++count) check(wout.data(), capacity, formatArgsW(wout.data(), capacity, wide.data(), wargs, count));
  char fixed[64];
  const int f = formatFixed(d, pick % 45, fixed, 1 + pick % 64);
  if (f >= 0 && (fixed[f] != 0 || f >= 1 + pick % 64)) std::abort();
  return 0;
}
