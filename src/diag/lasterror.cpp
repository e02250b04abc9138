// The calling thread's Win32 last-error code: cleared, read, and described
// in the log with the system's own text.
#include <corvelin.h>

#include <cstring>

#include "logfile/logopen.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

// Room for any system text that could still fit a line whole.
constexpr std::size_t kSystemTextUnits = 8192;

// "<text> line=<line> Win32 ErrCode=<code> :<system text>" as one INFO line.
// The system text loses its CR LF and is cut, at a character boundary, only
// where the line would pass the file's limit.
void writeErrorLine(const char* text, std::int32_t line, std::uint32_t code) {
  char16_t systemText[kSystemTextUnits];
  if (platform::systemMessage(code, systemText, kSystemTextUnits) > 0) {
    cutLineEnd(systemText);
  } else {
    u16copy(systemText, kSystemTextUnits, kNoSystemText);
  }
  char head[kMaxLabel + 64];
  const int headLength = boundedFormatA(head, static_cast<int>(sizeof head), "%s line=%d Win32 ErrCode=%d :", text,
                                        line, static_cast<std::int32_t>(code));
  if (headLength < 0) return;
  const int frame = formatSysLine(scratch.sysLineBuf, kInfo, "");
  const int room = static_cast<int>(kMaxLine) - frame - headLength;
  utf16ToUtf8(systemText, scratch.utf8Buf, room + 1);
  logSysDirect(session.fileHandle, kInfo, "%s%s", static_cast<const char*>(head),
               static_cast<const char*>(scratch.utf8Buf));
}

}  // namespace
}  // namespace corvelin

using namespace corvelin;

extern "C" CORVELIN_API void CORVELIN_CALL w32ResetErrCode(void) {
  ApiGuard guard;
  platform::setLastError(0);
  guard.keepLastError();
}

extern "C" CORVELIN_API uint32_t CORVELIN_CALL getLastErr(void) {
  ApiGuard guard;
  return sessionActive() ? guard.entryLastError() : 0;
}

extern "C" CORVELIN_API void CORVELIN_CALL w32ErrLog(const char* text, int32_t line) {
  ApiGuard guard;
  if (!sessionActive() || text == nullptr) return;
  if (!bufSizCheck_U8(session.fileHandle, "corvelin.cpp w32ErrLog()", kMaxLabel,
                      static_cast<std::int64_t>(std::strlen(text)))) {
    return;
  }
  writeErrorLine(text, line, guard.entryLastError());
}
