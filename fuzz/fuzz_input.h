// What the fuzz targets share: each defines run(), one call over its input split into arguments.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "record/textconv.h"

namespace corvelin::fuzz {

struct Input {
  const std::uint8_t* p;
  std::size_t n;
  // Up to `max` bytes: those before a zero byte (which is used up too), or with `zeros` all of them.
  std::string text(std::size_t max = SIZE_MAX, bool zeros = false) {
    const std::string s(reinterpret_cast<const char*>(p), std::min<std::size_t>(max, zeros ? n : std::find(p, p + n, 0) - p));
    const std::size_t used = std::min(n, s.size() + !zeros);
    p += used, n -= used;
    return s;
  }
  template <class T> T take() { T v{}; const auto s = text(sizeof v, true); std::memcpy(&v, s.data(), s.size()); return v; }
};

inline void check(bool holds) { if (!holds) std::abort(); }  // a failure is a finding
inline void append(void* to, const char* data, std::size_t size, bool) { static_cast<std::string*>(to)->append(data, size); }

void run(Input in);

}  // namespace corvelin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* d, std::size_t n) { corvelin::fuzz::run({d, n}); return 0; }
