// UTF-8 / UTF-16 / code-point conversions: bounds, terminators, round trips.
#include "forward/eventlog.h"
#include "fuzz_input.h"

void corvelin::fuzz::run(Input in) {
  const int capacity = 1 + in.take<std::uint8_t>() % 64;
  const std::string text = in.text(4096);
  const int size = static_cast<int>(text.size()), room = 3 * size + 1;  // enough for any conversion of the text
  const auto cut = [&](const auto& part, int k, const auto& whole, int all) {  // whole if it fits, else a prefix
    check((k == all) == (all < capacity) && k <= all && part[k] == 0 && std::equal(&part[0], &part[k], &whole[0]));
  };
  std::vector<std::uint32_t> all(room), points(capacity);
  std::vector<char16_t> wide(room, u'?'), smallWide(capacity, u'?');
  std::vector<char> back(room, '?'), smallBack(capacity, '?'), again(capacity, '?');
  const int n = utf8ToCodePoints(text.c_str(), all.data(), size, room);
  const int count = utf8ToCodePoints(text.c_str(), points.data(), size, capacity);
  check(count == (n > capacity ? -1 : n) && std::equal(points.data(), points.data() + std::max(count, 0), all.data()));
  const int bytes = utf8ToUtf16(text.c_str(), wide.data(), size, room), m = utf16ToUtf8(wide.data(), back.data(), room);
  check(bytes >= 0 && bytes % 2 == 0 && wide[bytes / 2] == 0 && m >= 0 && back[m] == 0);
  cut(smallWide, utf8ToUtf16(text.c_str(), smallWide.data(), size, capacity) / 2, wide, bytes / 2);
  cut(smallBack, utf16ToUtf8(wide.data(), smallBack.data(), capacity), back, m);
  // Back from UTF-16, and from code points, comes the text itself when it holds only scalar values.
  const int r = codePointsToUtf8(all.data(), again.data(), 4 * std::max(n, 0), capacity);
  const auto scalar = [](std::uint32_t v) { return v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF); };
  static char16_t event[eventlog::kTextUnits];  // an event's text: never empty for a text, the text itself when valid
  eventlog::eventText(text.data(), text.size(), event);
  check((event[0] == 0) == text.empty());
  if (n > 0 && static_cast<unsigned char>(text.back()) < 0xF0 && std::all_of(&all[0], &all[n], scalar)) {
    check(std::string(back.data(), m) == text && std::u16string(event) == wide.data());
    cut(again, r, text, size);
  }
}
