// The text and hex dump walkers: any text, any line count, any buffer size.
#include <cstdlib>
#include <vector>

#include "dump/hexdump.h"
#include "dump/textdump.h"
#include "fuzz_input.h"

using namespace corvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const auto flags = in.take<std::uint8_t>();
  const std::int32_t lineCount = 10 + in.take<std::uint8_t>() % 71;
  const std::size_t stage = 256 + in.take<std::uint16_t>() % 4096;
  const std::string text = in.text(9000);
  const std::string bytes = in.rest();
  const char* lineEnd = (flags & 2) ? "\n" : "\r\n";

  std::string out;
  std::vector<char> buffer(stage);
  DumpOut sink(buffer.data(), stage, fuzz::appendTo, &out);
  buildTextDump(text.c_str(), text.size(), static_cast<std::int32_t>(text.size()), flags & 1, lineCount, lineEnd, sink);
  sink.finish();
  // An ASCII text without line feeds comes back whole once the line breaks go.
  bool plain = text.find('\n') == std::string::npos;
  for (unsigned char c : text) plain = plain && c < 0x80;
  if (plain && !(flags & 1)) {
    std::string joined;
    for (char c : out) {
      if (c != '\n' && c != '\r') joined += c;
    }
    std::string expected;
    for (char c : text) {
      if (c != '\r') expected += c;
    }
    if (joined != expected) std::abort();
  }

  // Three characters a byte, a line ending after every full line but the last.
  out.clear();
  const auto len = static_cast<std::int32_t>(bytes.size());
  buildHexDump(reinterpret_cast<const unsigned char*>(bytes.data()), len, false, lineCount, lineEnd, sink);
  sink.finish();
  const std::size_t endLength = (flags & 2) ? 1 : 2;
  const std::size_t breaks = bytes.empty() ? 0 : (bytes.size() - 1) / static_cast<std::size_t>(lineCount);
  if (out.size() != 2 * endLength + 3 * bytes.size() + breaks * endLength) std::abort();

  // The size guard's measure stays within the range it is given.
  const std::size_t limit = bytes.size() / 2;
  if (measureBounded(bytes.data(), static_cast<std::int64_t>(limit)) > limit) std::abort();
  return 0;
}
