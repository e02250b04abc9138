#include "bits/bittable.h"
#include "fuzz_input.h"

void corvelin::fuzz::run(Input in) {
  const std::uint32_t value = in.take<std::uint32_t>(), capacity = 1 + in.take<std::uint16_t>() % 3000;
  const std::string label = in.text(600);
  const auto extra = std::count(label.begin(), label.end(), '\n');
  std::vector<char> out(capacity, 'x');
  // Terminated within the capacity, with 7 lines (15 for a scalar, its label on 3) or none; -1 allows none only.
  const auto table = [&](auto n, long lines) { check(out[n] == 0 && (n == 0 || std::count(&out[0], &out[n], '\n') == lines)); };
  table(buildBitTable16(std::uint16_t(value), label.c_str(), "\n", out.data(), capacity), 7 + extra);
  table(buildBitTable32(value, label.c_str(), "\n", out.data(), capacity), 7 + extra);
  table(buildScalarBitTable(value, label.c_str(), "\n", out.data(), capacity), value > kMaxScalar ? -1 : 15 + 3 * extra);
}
