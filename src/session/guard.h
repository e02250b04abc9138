// The guard every exported function opens first.
//
// It holds the session lock for the whole call, so records, dumps and tables
// from several threads reach the file whole. Message boxes raised inside the
// call are queued and shown after the lock is released: a box left open by
// the user never stops other threads from logging. The calling thread's
// last-error code is given back as the host left it.
#pragma once

#include <cstdint>

namespace corvelin {

inline constexpr int kBoxTextUnits = 1040;
inline constexpr int kBoxCaptionUnits = 520;

struct BoxQueue {
  struct Box {
    char16_t text[kBoxTextUnits];
    char16_t caption[kBoxCaptionUnits];
    std::uint32_t type;
  };
  static constexpr int kCapacity = 6;
  Box boxes[kCapacity];
  int count = 0;
};

class ApiGuard {
 public:
  // Calls that can raise boxes pass a queue that lives on their stack.
  explicit ApiGuard(BoxQueue* queue = nullptr);
  ~ApiGuard();
  ApiGuard(const ApiGuard&) = delete;
  ApiGuard& operator=(const ApiGuard&) = delete;

  // The host's last-error code as it was when the call began.
  std::uint32_t entryLastError() const { return lastError_; }
  // Leave the last-error code as the call sets it (w32ResetErrCode).
  void keepLastError() { restoreLastError_ = false; }
  // The call ends with `code` as the thread's last error, set after its
  // boxes (a box may change it): a start call's reason for returning 0.
  void endWithLastError(std::uint32_t code) { lastError_ = code; }

 private:
  BoxQueue* queue_;
  BoxQueue* outer_;
  std::uint32_t lastError_;
  bool restoreLastError_ = true;
};

// Shows a box (no owner window) now, or after the current call when the
// call queued boxes. A box that does not fit the queue is shown at once.
void showBox(const char16_t* text, const char16_t* caption, std::uint32_t type);

inline constexpr std::uint32_t kBoxOk = 0;        // MB_OK
inline constexpr std::uint32_t kBoxOkCancel = 1;  // MB_OKCANCEL
inline constexpr std::int32_t kAnswerOk = 1;      // IDOK
inline constexpr std::int32_t kAnswerCancel = 2;  // IDCANCEL

// Puts a box in front of the user and returns the button chosen. Where
// nobody can see a box, the caption and text go to the debugger as the line
// "corvelin: [caption] text" instead, line breaks made spaces, and the
// answer is the one that commits to nothing: OK for a box with only OK,
// Cancel for OK and Cancel. A box that could not be made goes to the
// debugger the same way, and the answer is 0.
std::int32_t presentBox(const char16_t* text, const char16_t* caption, std::uint32_t type);

}  // namespace corvelin
