// The bit tables: any value, any label, any capacity.
#include <cstdlib>
#include <vector>

#include "bits/bittable.h"
#include "fuzz_input.h"

using namespace corvelin;

namespace {

std::size_t lineCount(const char* text, std::size_t length) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < length; ++i) n += text[i] == '\n';
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  const auto value = in.take<std::uint32_t>();
  const std::size_t capacity = 1 + in.take<std::uint16_t>() % 3000;
  const std::string label = in.text(600);
  std::vector<char> out(capacity);
  // The label stands on one row of an integer table and three of a scalar
  // table; its own line feeds add lines of their own.
  std::size_t extra = 0;
  for (char c : label) extra += c == '\n';

  const std::size_t n16 = buildBitTable16(static_cast<std::uint16_t>(value), label.c_str(), "\n", out.data(), capacity);
  if (n16 >= capacity || out[n16] != 0 || (n16 != 0 && lineCount(out.data(), n16) != 7 + extra)) std::abort();
  const std::size_t n32 = buildBitTable32(value, label.c_str(), "\n", out.data(), capacity);
  if (n32 >= capacity || out[n32] != 0 || (n32 != 0 && lineCount(out.data(), n32) != 7 + extra)) std::abort();
  const std::size_t ns = buildScalarBitTable(value, label.c_str(), "\n", out.data(), capacity);
  if (ns >= capacity || out[ns] != 0) std::abort();
  if (value > kMaxScalar && ns != 0) std::abort();
  if (ns != 0 && lineCount(out.data(), ns) != 15 + 3 * extra) std::abort();
  return 0;
}
