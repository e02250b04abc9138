// The six level entry points: one call, one record line.
#include <corvelin.h>

#include <cstring>

#include "forward/forward.h"
#include "record/lineprefix.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

constexpr std::int32_t kNoThreshold = -2147483647 - 1;

// `threshold`: the outputLevel a function needs (5 DEBUG .. 1 CRETICAL);
// _log has none. `source` names the function in the size report, `level`
// in the lines of WriteFlg 65536.
void writeRecord(std::int32_t threshold, const char* source, const char* level, const char* text) {
  const std::int32_t forwardLevel = threshold == kNoThreshold ? forward::kNoLevel : threshold;
  if (session.outputLevel < threshold || !sessionActive() || text == nullptr) return;
  const std::size_t length = platform::textLength(text);
  if (!bufSizCheck_U8(session.fileHandle, source, static_cast<std::int32_t>(kMaxLine),
                      static_cast<std::int64_t>(length))) {
    return;
  }
  std::uint32_t threadId = 0;
  if (isTimedWriteFlg(session.writeFlg)) {
    threadId = platform::currentThreadId();
    startTicks = platform::ticksSince1970();
  }
  const std::size_t n = makeLogLine(session.writeFlg, text, length, threadId, level, scratch.lineBuf);
  if (n == kLineTooLong) {
    reportOverLength(session.fileHandle);  // the file shows where a record was refused
  } else if (n > 0) {
    logWriteN(session.fileHandle, scratch.lineBuf, n);
    if (forward::wants(forwardLevel)) {
      forward::record(forwardLevel, text, length, lineClock != 0 ? lineClock : platform::ticksSince1970());
    }
  }
  lineClock = 0;  // the reading belongs to this record alone
}

}  // namespace
}  // namespace corvelin

using corvelin::ApiGuard;
using corvelin::writeRecord;

extern "C" CORVELIN_API void CORVELIN_CALL _log(const char* text) {
  ApiGuard guard;
  writeRecord(corvelin::kNoThreshold, "corvelin.cpp _log()", "LOG", text);
}

extern "C" CORVELIN_API void CORVELIN_CALL logDebug(const char* text) {
  ApiGuard guard;
  writeRecord(corvelin::kDebug, "corvelin.cpp logDebug()", "DEBUG", text);
}

extern "C" CORVELIN_API void CORVELIN_CALL logInfo(const char* text) {
  ApiGuard guard;
  writeRecord(corvelin::kInfo, "corvelin.cpp logInfo()", "INFO", text);
}

extern "C" CORVELIN_API void CORVELIN_CALL logWarning(const char* text) {
  ApiGuard guard;
  writeRecord(corvelin::kWarning, "corvelin.cpp logWarning()", "WARNING", text);
}

extern "C" CORVELIN_API void CORVELIN_CALL logError(const char* text) {
  ApiGuard guard;
  writeRecord(corvelin::kError, "corvelin.cpp logError()", "ERROR", text);
}

extern "C" CORVELIN_API void CORVELIN_CALL logCritical(const char* text) {
  ApiGuard guard;
  writeRecord(corvelin::kCretical, "corvelin.cpp logCritical()", "CRITICAL", text);
}
