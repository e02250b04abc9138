// Splits a fuzzer's bytes into the arguments of one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace corvelin::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <class T>
  T take() {
    T v{};
    const std::size_t n = size_ < sizeof v ? size_ : sizeof v;
    std::memcpy(&v, data_, n);
    data_ += n;
    size_ -= n;
    return v;
  }
  // Up to `max` bytes as a string without zero bytes (a zero ends it).
  std::string text(std::size_t max) {
    std::size_t n = 0;
    while (n < size_ && n < max && data_[n] != 0) ++n;
    std::string s(reinterpret_cast<const char*>(data_), n);
    const std::size_t used = n < size_ ? n + 1 : n;
    data_ += used;
    size_ -= used;
    return s;
  }
  std::string rest() {
    std::string s(reinterpret_cast<const char*>(data_), size_);
    data_ += size_;
    size_ = 0;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// Collects what a dump builder hands on.
inline void appendTo(void* sink, const char* data, std::size_t size) {
  static_cast<std::string*>(sink)->append(data, size);
}

}  // namespace corvelin::fuzz
