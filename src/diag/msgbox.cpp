// Message boxes with UTF-8 texts, on the host's behalf.
#include <corvelin.h>

#include <cstring>

#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

constexpr int kBoxUnits = kMaxLabel + 2;  // 510 bytes of UTF-8 never need more units

// Checks and converts under the session lock, then shows the box once the
// lock is released: a box left open must not hold up other threads' logging.
// 0 when no box was shown.
std::int32_t hostBox(const char* text, const char* title, std::uint32_t type, const char* source) {
  char16_t wideText[kBoxUnits];
  char16_t wideTitle[kBoxUnits];
  std::uint32_t hostLastError = 0;
  {
    ApiGuard guard;
    if (!sessionActive() || text == nullptr || title == nullptr) return 0;
    const auto textLength = static_cast<std::int64_t>(std::strlen(text));
    const auto titleLength = static_cast<std::int64_t>(std::strlen(title));
    if (!bufSizCheck_U8(session.fileHandle, source, kMaxLabel, textLength) ||
        !bufSizCheck_U8(session.fileHandle, source, kMaxLabel, titleLength)) {
      return 0;
    }
    utf8ToUtf16(text, wideText, textLength, kBoxUnits);
    utf8ToUtf16(title, wideTitle, titleLength, kBoxUnits);
    hostLastError = guard.entryLastError();
  }
  const std::int32_t result = presentBox(wideText, wideTitle, type);
  platform::setLastError(hostLastError);
  return result;
}

}  // namespace
}  // namespace corvelin

extern "C" CORVELIN_API void CORVELIN_CALL msgBox(const char* text, const char* title) {
  corvelin::hostBox(text, title, corvelin::kBoxOk, "corvelin.cpp msgBox()");
}

extern "C" CORVELIN_API int32_t CORVELIN_CALL msgBoxOkCancel(const char* text, const char* title) {
  return corvelin::hostBox(text, title, corvelin::kBoxOkCancel, "corvelin.cpp msgBoxOkCancel()");
}
