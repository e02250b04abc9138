#include "forward/syslog_queue.h"

#include <cstring>

#include "platform/platform.h"

namespace corvelin::syslog {
namespace {

struct Head {
  std::uint32_t length;
  std::int32_t level;
  std::int64_t ticks;
};
static_assert(sizeof(Head) == 16);

}  // namespace

bool Queue::init(std::size_t bytes) {
  ring_ = static_cast<char*>(platform::allocZeroed(bytes));
  capacity_ = ring_ != nullptr ? bytes : 0;
  head_ = tail_ = pushed_ = popped_ = dropped = 0;
  return ring_ != nullptr;
}

void Queue::release() {
  platform::release(ring_);
  ring_ = nullptr;
  capacity_ = 0;
}

void Queue::put(std::uint64_t at, const void* data, std::size_t size) {
  const std::size_t offset = static_cast<std::size_t>(at % capacity_), first = size < capacity_ - offset ? size : capacity_ - offset;
  std::memcpy(ring_ + offset, data, first);
  std::memcpy(ring_, static_cast<const char*>(data) + first, size - first);
}

void Queue::get(std::uint64_t at, void* data, std::size_t size) const {
  const std::size_t offset = static_cast<std::size_t>(at % capacity_), first = size < capacity_ - offset ? size : capacity_ - offset;
  std::memcpy(data, ring_ + offset, first);
  std::memcpy(static_cast<char*>(data) + first, ring_, size - first);
}

void Queue::push(std::int32_t level, std::int64_t ticks, const char* text, std::size_t length) {
  const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
  const std::size_t size = sizeof(Head) + length;
  if (length > kMaxText || size > capacity_ - (tail - head_.load(std::memory_order_acquire))) {
    dropped.fetch_add(1);
    return;
  }
  const Head head{static_cast<std::uint32_t>(length), level, ticks};
  put(tail, &head, sizeof head);
  put(tail + sizeof head, text, length);
  pushed_.fetch_add(1);
  tail_.store(tail + size, std::memory_order_seq_cst);  // before the producer asks whether the sender sleeps
}

bool Queue::pop(Entry& out) {
  const std::uint64_t head = head_.load(std::memory_order_relaxed);
  if (head == tail_.load(std::memory_order_seq_cst)) return false;
  Head h;
  get(head, &h, sizeof h);
  get(head + sizeof h, out.text, h.length);
  out.level = h.level;
  out.ticks = h.ticks;
  out.length = h.length;
  popped_.fetch_add(1);
  head_.store(head + sizeof h + h.length, std::memory_order_release);
  return true;
}

}  // namespace corvelin::syslog
