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
// So a line that fits is never over the length a write may carry.
static_assert(kLineCapacity <= static_cast<std::size_t>(kMaxLine) + 1);

// A record whose line waits for its write.
struct Pending {
  platform::FileHandle file = platform::kNoHandle;  // the write still to make, if any
  const char* line = nullptr;
  std::uint32_t size = 0;
  std::int32_t forwardLevel = 0;
  const char* text = nullptr;  // set once a line was made: the forwarders get it
  std::size_t length = 0;
};

// Everything before the write. `threshold`: the outputLevel a function needs
// (5 DEBUG .. 1 CRETICAL); _log has none. `source` names the function in the
// size report, `level` in the lines of WriteFlg 65536. In the entry point
// itself: a call less, and the pending write stays in registers.
[[gnu::always_inline]] inline Pending prepareRecord(std::int32_t threshold, const char* source, const char* level,
                                                    const char* text) {
  Pending p;
  if (session.outputLevel < threshold || !sessionActive() || text == nullptr) return p;
  const std::size_t length = platform::textLength(text);
  if (!bufSizCheck_U8(session.fileHandle, source, static_cast<std::int32_t>(kMaxLine),
                      static_cast<std::int64_t>(length))) {
    return p;
  }
  std::uint32_t threadId = 0;
  if (isTimedWriteFlg(session.writeFlg)) {
    threadId = platform::currentThreadId();
    startTicks = platform::ticksSince1970();
  }
  const std::size_t n =
      makeLogLine(session.writeFlg, text, length, threadId, level, __builtin_strlen(level), scratch.lineBuf);
  if (n == kLineTooLong) {
    reportOverLength(session.fileHandle);  // the file shows where a record was refused
  } else if (n > 0) {
    p = Pending{beginUnitWrite(session.fileHandle, scratch.lineBuf, n), scratch.lineBuf, static_cast<std::uint32_t>(n),
                threshold == kNoThreshold ? forward::kNoLevel : threshold, text, length};
  }
  return p;
}

// Everything after it: what the system took, then the forwarders.
[[gnu::noinline]] void finishRecord(const Pending& p, std::uint32_t written) {
  if (p.file != platform::kNoHandle) unitWriteDone(p.file, p.line, p.size, written);
  if (p.text != nullptr && forward::wants(p.forwardLevel)) {
    forward::record(p.forwardLevel, p.text, p.length, lineClock != 0 ? lineClock : platform::ticksSince1970());
  }
  if (lineClock != 0) lineClock = 0;  // the reading belongs to this record alone (no store when none was made)
}

// The write is made here, in the exported function's own frame: every frame
// still open while the kernel writes costs a mispredicted return after it.
[[gnu::always_inline]] inline void writeRecord(const Pending& p) {
  std::uint32_t written = 0;
  if (p.file != platform::kNoHandle) platform::writeFile(p.file, p.line, p.size, &written);
  finishRecord(p, written);
}

}  // namespace
}  // namespace corvelin

using corvelin::ApiGuard;
using corvelin::prepareRecord;
using corvelin::writeRecord;

extern "C" CORVELIN_API void CORVELIN_CALL _log(const char* text) {
  ApiGuard guard;
  writeRecord(prepareRecord(corvelin::kNoThreshold, "corvelin.cpp _log()", "LOG", text));
}

extern "C" CORVELIN_API void CORVELIN_CALL logDebug(const char* text) {
  ApiGuard guard;
  writeRecord(prepareRecord(corvelin::kDebug, "corvelin.cpp logDebug()", "DEBUG", text));
}

extern "C" CORVELIN_API void CORVELIN_CALL logInfo(const char* text) {
  ApiGuard guard;
  writeRecord(prepareRecord(corvelin::kInfo, "corvelin.cpp logInfo()", "INFO", text));
}

extern "C" CORVELIN_API void CORVELIN_CALL logWarning(const char* text) {
  ApiGuard guard;
  writeRecord(prepareRecord(corvelin::kWarning, "corvelin.cpp logWarning()", "WARNING", text));
}

extern "C" CORVELIN_API void CORVELIN_CALL logError(const char* text) {
  ApiGuard guard;
  writeRecord(prepareRecord(corvelin::kError, "corvelin.cpp logError()", "ERROR", text));
}

extern "C" CORVELIN_API void CORVELIN_CALL logCritical(const char* text) {
  ApiGuard guard;
  writeRecord(prepareRecord(corvelin::kCretical, "corvelin.cpp logCritical()", "CRITICAL", text));
}
