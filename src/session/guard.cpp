#include "session/guard.h"

#include "platform/platform.h"
#include "record/textconv.h"
#include "session/sink.h"

#include <cstring>

namespace corvelin {
namespace {

// The queue of the call that holds the lock; only touched under the lock.
BoxQueue* activeQueue = nullptr;

}  // namespace

ApiGuard::ApiGuard(BoxQueue* queue) : queue_(queue), lastError_(platform::lastError()) {
  beginCall();
  outer_ = activeQueue;
  activeQueue = queue;
}

ApiGuard::~ApiGuard() {
  activeQueue = outer_;
  endCall();  // the call's units are in the file; boxes come after
  if (queue_ != nullptr) {
    for (int i = 0; i < queue_->count; ++i) {
      const BoxQueue::Box& box = queue_->boxes[i];
      platform::messageBox(box.text, box.caption, box.type);
    }
    queue_->count = 0;
  }
  if (restoreLastError_) platform::setLastError(lastError_);
}

void showBox(const char16_t* text, const char16_t* caption, std::uint32_t type) {
  BoxQueue* q = activeQueue;
  const std::size_t textLen = u16len(text);
  const std::size_t captionLen = u16len(caption);
  if (q == nullptr || q->count >= BoxQueue::kCapacity || textLen >= kBoxTextUnits ||
      captionLen >= kBoxCaptionUnits) {
    platform::messageBox(text, caption, type);
    return;
  }
  BoxQueue::Box& box = q->boxes[q->count++];
  std::memcpy(box.text, text, (textLen + 1) * sizeof(char16_t));
  std::memcpy(box.caption, caption, (captionLen + 1) * sizeof(char16_t));
  box.type = type;
}

}  // namespace corvelin
