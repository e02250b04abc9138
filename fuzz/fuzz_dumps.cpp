#include "dump/hexdump.h"
#include "dump/textdump.h"
#include "fuzz_input.h"

void corvelin::fuzz::run(Input in) {
  const std::size_t flags = in.take<std::uint8_t>(), perLine = 10 + in.take<std::uint8_t>() % 71;
  const std::size_t size = 256 + in.take<std::uint16_t>() % 4096;
  const std::string text = in.text(9000), data = in.text(SIZE_MAX, true), end = (flags & 2) ? "\n" : "\r\n";
  std::string out, lines = end;
  std::vector<char> stage(size);
  DumpOut sink(stage.data(), size, append, &out);
  buildTextDump(text.c_str(), text.size(), int(text.size()), flags & 1, int(perLine), end.c_str(), sink);
  sink.finish();
  struct Dump {  // what rotation asks of a text dump larger than its stage: its size, measured alone
    const std::string &text, &end;
    std::size_t flags, perLine;
  } dump{text, end, flags, perLine};
  check(out.size() == measureDump([](const void* c, DumpOut& o) {
    const auto& d = *static_cast<const Dump*>(c);
    buildTextDump(d.text.c_str(), d.text.size(), int(d.text.size()), d.flags & 1, int(d.perLine), d.end.c_str(), o);
  }, &dump));
  // Unframed, an ASCII text comes back as it is, a line ending after every line's length.
  for (std::size_t i = 0; i < text.size(); i += perLine) lines += (i ? end : "") + text.substr(i, perLine);
  check((flags & 1) || std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }) || out == lines + end);
  out.clear();
  buildHexDump(reinterpret_cast<const unsigned char*>(data.data()), int(data.size()), flags & 4, int(perLine), end.c_str(), sink);
  sink.finish();
  check(out.size() == hexDumpSize(int(data.size()), flags & 4, int(perLine), end.c_str()));  // rotation sizes units by it
  check(measureBounded(data.data(), std::int64_t(data.size() / 2)) == std::min(data.find('\0'), data.size() / 2));
}
