#include "session/guard.h"

#include "platform/platform.h"
#include "record/textconv.h"
#include "session/sink.h"

#include <cstring>

namespace corvelin {
namespace {

// The queue of the call that holds the lock; only touched under the lock.
BoxQueue* activeQueue = nullptr;

// Appends `s` while room is left, each line break (CR LF, CR or LF) as one space.
void appendFlat(char16_t* out, std::size_t& n, std::size_t room, const char16_t* s) {
  for (; *s != 0 && n < room; ++s) {
    if (*s == u'\r' && s[1] == u'\n') continue;
    out[n++] = *s == u'\r' || *s == u'\n' ? u' ' : *s;
  }
  if (*s != 0 && n > 0 && out[n - 1] >= 0xD800 && out[n - 1] <= 0xDBFF) --n;  // never half a pair
}

[[gnu::noinline]] void showQueued(BoxQueue& queue) {
  for (int i = 0; i < queue.count; ++i) {
    const BoxQueue::Box& box = queue.boxes[i];
    presentBox(box.text, box.caption, box.type);
  }
  queue.count = 0;
}

}  // namespace

std::int32_t presentBox(const char16_t* text, const char16_t* caption, std::uint32_t type) {
  const bool visible = platform::boxesVisible();
  if (visible) {
    const std::int32_t answer = platform::messageBox(text, caption, type);
    if (answer != 0) return answer;
  }
  char16_t line[16 + kBoxCaptionUnits + kBoxTextUnits];
  const std::size_t room = sizeof line / sizeof line[0] - 2;
  std::size_t n = 0;
  appendFlat(line, n, room, u"corvelin: [");
  appendFlat(line, n, room, caption);
  appendFlat(line, n, room, u"] ");
  appendFlat(line, n, room, text);
  line[n++] = u'\n';
  line[n] = 0;
  platform::debugString(line);
  if (visible) return 0;
  return type == kBoxOkCancel ? kAnswerCancel : kAnswerOk;
}

// The queue is stored only when it changes: under contention a store to a
// line another core read last costs a call a miss.
ApiGuard::ApiGuard(BoxQueue* queue) : queue_(queue), lastError_(platform::lastError()) {
  beginCall();
  outer_ = activeQueue;
  if (queue != outer_) activeQueue = queue;
}

ApiGuard::~ApiGuard() {
  if (activeQueue != outer_) activeQueue = outer_;
  endCall();  // the call's units are in the file; boxes come after
  if (queue_ != nullptr) showQueued(*queue_);
  if (restoreLastError_) platform::setLastError(lastError_);
}

void showBox(const char16_t* text, const char16_t* caption, std::uint32_t type) {
  BoxQueue* q = activeQueue;
  const std::size_t textLen = u16len(text);
  const std::size_t captionLen = u16len(caption);
  if (q == nullptr || q->count >= BoxQueue::kCapacity || textLen >= kBoxTextUnits ||
      captionLen >= kBoxCaptionUnits) {
    presentBox(text, caption, type);
    return;
  }
  BoxQueue::Box& box = q->boxes[q->count++];
  std::memcpy(box.text, text, (textLen + 1) * sizeof(char16_t));
  std::memcpy(box.caption, caption, (captionLen + 1) * sizeof(char16_t));
  box.type = type;
}

}  // namespace corvelin
