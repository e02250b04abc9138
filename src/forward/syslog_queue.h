// The records waiting to be sent: a ring of bytes with one producer (a
// delivery, under the session lock) and one consumer (the sender thread),
// so neither ever waits for the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace corvelin::syslog {

// The longest text an entry holds: a whole "[SYSLOG]" line.
inline constexpr std::size_t kMaxText = 8192;

struct Entry {
  std::int32_t level;
  std::int64_t ticks;
  std::size_t length;
  char text[kMaxText];
};

class Queue {
 public:
  // Room for `bytes` of entries (each takes 16 bytes besides its text); false
  // when the memory cannot be had.
  bool init(std::size_t bytes);
  void release();

  // Producer: an entry that does not fit is counted in `dropped` instead.
  void push(std::int32_t level, std::int64_t ticks, const char* text, std::size_t length);
  // Consumer: the oldest entry into `out`; false when there is none.
  bool pop(Entry& out);
  // Entries pushed and not yet taken.
  std::uint64_t waiting() const {
    const std::uint64_t taken = popped_.load();  // first: never more taken than pushed
    return pushed_.load() - taken;
  }

  std::atomic<std::uint64_t> dropped{0};

 private:
  void put(std::uint64_t at, const void* data, std::size_t size);
  void get(std::uint64_t at, void* data, std::size_t size) const;
  char* ring_ = nullptr;
  std::size_t capacity_ = 0;
  // Byte positions, never wrapped, and entry counts: what the producer
  // writes and what the consumer writes on lines of their own.
  alignas(64) std::atomic<std::uint64_t> tail_{0}, pushed_{0};
  alignas(64) std::atomic<std::uint64_t> head_{0}, popped_{0};
};

}  // namespace corvelin::syslog
