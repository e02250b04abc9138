#include "diag/profiling.h"

#include <corvelin.h>

#include <cstdint>
#include <cstring>

#include "record/lineprefix.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

constexpr std::size_t kMaxPrefix = 128;

// Process-wide, under the session lock; a session start leaves them alone.
char profPrefix[520];
std::int64_t profStartTicks = 0;

}  // namespace

void resetProfiling() {
  std::memset(profPrefix, 0, sizeof profPrefix);
  profStartTicks = 0;
}

}  // namespace corvelin

using namespace corvelin;

extern "C" CORVELIN_API void CORVELIN_CALL profileTimeStart(const char* prefix) {
  ApiGuard guard;
  if (!sessionActive() || prefix == nullptr) return;
  const std::size_t length = std::strlen(prefix);
  if (!bufSizCheck_U8(session.fileHandle, "corvelin.cpp profileTimeStart()", kMaxLabel,
                      static_cast<std::int64_t>(length))) {
    return;
  }
  profPrefix[0] = 0;
  if (length > kMaxPrefix) {
    logSysForced(session.fileHandle, kError, "%s",
                 "profileTimeStart() prefix文字列は128バイトまでです。バッファオーバサイズエラー");
    return;
  }
  std::memcpy(profPrefix, prefix, length + 1);
  profStartTicks = platform::ticksSince1970();  // last, so the copy is not measured
}

extern "C" CORVELIN_API void CORVELIN_CALL profileTimeStop(void) {
  ApiGuard guard;
  if (!sessionActive()) return;
  const double seconds = secondsBetween(profStartTicks, platform::ticksSince1970());
  char line[520];
  boundedFormatA(line, 512, "[%s] %s=%lf[sec]", static_cast<const char*>(profPrefix), "経過時間", seconds);
  logSysForced(session.fileHandle, kInfo, "%s", static_cast<const char*>(line));
}
