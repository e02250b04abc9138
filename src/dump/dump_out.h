// Where a dump is assembled: a fixed buffer that hands its bytes on (one
// write) whenever it is full and when the dump is finished. The bytes that
// reach the file, and their order, are those of writing piece by piece.
#pragma once

#include <cstddef>
#include <cstring>

namespace corvelin {

class DumpOut {
 public:
  // `last`: the dump is finished, nothing follows these bytes.
  using Flush = void (*)(void* context, const char* data, std::size_t size, bool last);

  DumpOut(char* buffer, std::size_t capacity, Flush flush, void* context)
      : buffer_(buffer), capacity_(capacity), flush_(flush), context_(context) {}
  DumpOut(const DumpOut&) = delete;
  DumpOut& operator=(const DumpOut&) = delete;

  void put(const char* data, std::size_t size) {
    while (size > 0) {
      if (used_ == capacity_) drain();
      const std::size_t n = size < capacity_ - used_ ? size : capacity_ - used_;
      std::memcpy(buffer_ + used_, data, n);
      used_ += n;
      data += n;
      size -= n;
    }
  }
  void put(const char* text) { put(text, std::strlen(text)); }
  // A few bytes (a line ending): copied by hand, a library call costs more.
  void putShort(const char* data, std::size_t size) {
    if (capacity_ - used_ < size) drain();
    for (std::size_t i = 0; i < size; ++i) buffer_[used_ + i] = data[i];
    used_ += size;
  }
  void put(char c) {
    if (used_ == capacity_) drain();
    buffer_[used_++] = c;
  }

  // Room for `size` contiguous bytes (at most the capacity); commit() what was used.
  char* reserve(std::size_t size) {
    if (capacity_ - used_ < size) drain();
    return buffer_ + used_;
  }
  void commit(std::size_t size) { used_ += size; }

  // Hands on what is left.
  void finish() { drain(true); }

 private:
  void drain(bool last = false) {
    if (used_ > 0) flush_(context_, buffer_, used_, last);
    used_ = 0;
  }

  char* buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
  Flush flush_;
  void* context_;
};

// The session's staging buffer for dumps (guarded by the session lock) and
// the flush of a DumpOut over it that writes to the session's log file.
inline constexpr std::size_t kDumpStage = 65536;
char* dumpStage();
// The context of flushToLog: a dump is one unit of the file, whose first
// flush carries its whole size when that is larger than the stage.
struct DumpUnit {
  std::size_t size = 0;  // 0: the dump fits the stage, or `measure` tells
  bool started = false;
  // The whole size of a dump that cannot tell it ahead, asked only when the
  // dump turns out larger than the stage.
  std::size_t (*measure)(const void* context) = nullptr;
  const void* context = nullptr;
};
void flushToLog(void* unit, const char* data, std::size_t size, bool last);
// The size of what `build` puts into a DumpOut.
std::size_t measureDump(void (*build)(const void* context, DumpOut& out), const void* context);

}  // namespace corvelin
