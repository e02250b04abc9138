// UTF-8 / UTF-16 / code-point conversions: bounds, terminators, round trips.
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"
#include "record/textconv.h"

using namespace corvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const int capacity = 1 + in.take<std::uint8_t>() % 64;
  const std::string text = in.text(4096);

  // Decoding never writes past its capacity and agrees with itself.
  std::vector<std::uint32_t> points(static_cast<std::size_t>(capacity));
  const int count = utf8ToCodePoints(text.c_str(), points.data(), static_cast<std::int64_t>(text.size()), capacity);
  if (count < -1 || count > capacity) std::abort();

  // The whole text, converted with room to spare, comes back unchanged
  // when every character is a scalar value that UTF-16 can carry.
  std::vector<std::uint32_t> all(text.size() + 1);
  const int n = utf8ToCodePoints(text.c_str(), all.data(), static_cast<std::int64_t>(text.size()),
                                 static_cast<int>(all.size()));
  std::vector<char16_t> wide(text.size() + 1, u'?');
  const int bytes = utf8ToUtf16(text.c_str(), wide.data(), static_cast<std::int64_t>(text.size()),
                                static_cast<int>(wide.size()));
  if (bytes < 0 || bytes % 2 != 0 || wide[static_cast<std::size_t>(bytes / 2)] != 0) std::abort();
  std::vector<char> back(3 * wide.size() + 1);
  const int length = utf16ToUtf8(wide.data(), back.data(), static_cast<int>(back.size()));
  if (length < 0 || back[static_cast<std::size_t>(length)] != 0) std::abort();
  bool scalars = n > 0;
  for (int i = 0; i < n && scalars; ++i) scalars = all[static_cast<std::size_t>(i)] <= 0x10FFFF &&
                                                   (all[static_cast<std::size_t>(i)] < 0xD800 ||
                                                    all[static_cast<std::size_t>(i)] > 0xDFFF);
  const bool endsInBareFourByteLead = !text.empty() && static_cast<unsigned char>(text.back()) >= 0xF0;
  if (scalars && !endsInBareFourByteLead && std::string(back.data(), static_cast<std::size_t>(length)) != text) {
    std::abort();
  }

  // Small outputs: never past the capacity, always terminated.
  std::vector<char16_t> smallWide(static_cast<std::size_t>(capacity));
  const int w = utf8ToUtf16(text.c_str(), smallWide.data(), static_cast<std::int64_t>(text.size()), capacity);
  if (w / 2 >= capacity || smallWide[static_cast<std::size_t>(w / 2)] != 0) std::abort();
  std::vector<char> smallNarrow(static_cast<std::size_t>(capacity));
  const int m = utf16ToUtf8(wide.data(), smallNarrow.data(), capacity);
  if (m >= capacity || smallNarrow[static_cast<std::size_t>(m)] != 0) std::abort();

  // Arbitrary code points, arbitrary UTF-16 units.
  const std::string raw = in.rest();
  std::vector<std::uint32_t> cps(raw.size() / 4 + 1);
  std::memcpy(cps.data(), raw.data(), raw.size() / 4 * 4);
  std::vector<char> encoded(4 * cps.size() + 1);
  codePointsToUtf8(cps.data(), encoded.data(), static_cast<int>(raw.size() / 4 * 4), static_cast<int>(encoded.size()));
  std::vector<char16_t> units(raw.size() / 2 + 1, 0);
  std::memcpy(units.data(), raw.data(), raw.size() / 2 * 2);
  units.back() = 0;
  std::vector<char> narrow(3 * units.size() + 1);
  utf16ToUtf8(units.data(), narrow.data(), static_cast<int>(narrow.size()));
  return 0;
}
