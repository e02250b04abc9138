#include "record/writer.h"

#include <cstring>

#include "forward/forward.h"
#include "platform/platform.h"
#include "record/lineprefix.h"

namespace corvelin {
namespace {

const char* const kSysFormats[6] = {
    "%s[SYSLOG][%s--FATAL--%s] %s%s",   "%s[SYSLOG][%s--CRETICAL--%s] %s%s", "%s[SYSLOG][%s--ERROR--%s] %s%s",
    "%s[SYSLOG][%s--WARNING--%s] %s%s", "%s[SYSLOG][%s--INFO--%s] %s%s",     "%s[SYSLOG][%s--DEBUG--%s] %s%s",
};

// With WriteFlg 65536 a "[SYSLOG]" line carries the time and level its
// records carry, so that readers that classify lines by them see it too.
constexpr std::int32_t kLevelledWriteFlg = 65536;
const char* const kStampLevels[6] = {"FATAL", "CRITICAL", "ERROR", "WARNING", "INFO", "DEBUG"};


// The CRETICAL text that replaces a line over 8190 bytes; `sourceLine` tells
// which writer refused it (135 logWrite, 104 logSysDirect). The text says
// 8100 though the limit is 8190: readers of old logs know it so.
void overLengthMessage(char (&out)[520], std::int32_t sourceLine) {
  boundedFormatA(out, 520, "corvelin.cpp line=%dlogWrite文字列長が8100バイトを超えました、ログ出力できません",
                 sourceLine);
}

std::int32_t writeBytes(FileHandle file, const char* data, std::size_t length) {
  return writeUnit(file, data, length) ? 1 : 0;
}

// Formats message then line into the session's buffers; -1 when there are none.
int buildSysLine(std::int32_t level, const char* format, const FmtArg* args, int count) {
  if (!scratchReady()) return -1;
  formatArgsA(scratch.sysMsgBuf, kMessageCapacity, format, args, count);
  return formatSysLine(scratch.sysLineBuf, level, scratch.sysMsgBuf);
}

// Writes the line buildSysLine made, or the over-length report instead, and
// forwards it: a forwarder gets it even when the file could not take it.
std::int32_t writeSysLine(FileHandle& file, std::int32_t level, int n) {
  if (n > kMaxLine) return logWriteN(file, scratch.sysLineBuf, static_cast<std::size_t>(n));
  const std::int32_t written = writeBytes(file, scratch.sysLineBuf, static_cast<std::size_t>(n));
  forward::sysLine(level, scratch.sysMsgBuf);
  return written;
}

}  // namespace

namespace {

int sysLineInto(char* out, std::int32_t level, const char* message, const char* lineEnd, bool stamped) {
  if (level < kFatal || level > kDebug) {
    out[0] = 0;
    return -1;
  }
  const char* marker = levelMarkers[level];
  char stamp[64] = "";
  if (stamped && session.writeFlg == kLevelledWriteFlg) stamp[levelledStamp(kStampLevels[level], stamp)] = 0;
  return boundedFormatA(out, kSysLineCapacity, kSysFormats[level], static_cast<const char*>(stamp), marker, marker,
                        message, lineEnd);
}

}  // namespace

int formatSysLine(char* out, std::int32_t level, const char* message, const char* lineEnd) {
  return sysLineInto(out, level, message, lineEnd, true);
}

int formatSysTag(char* out, std::int32_t level, const char* message) {
  return sysLineInto(out, level, message, "", false);
}

int formatSysLine(char* out, std::int32_t level, const char* message) {
  return formatSysLine(out, level, message, lineEndA);
}

std::int32_t logWriteN(FileHandle& file, const char* line, std::size_t length) {
  if (length <= static_cast<std::size_t>(kMaxLine)) return writeBytes(file, line, length);
  reportOverLength(file);
  return 0;
}

void reportOverLength(FileHandle& file) {
  char message[520];
  overLengthMessage(message, 135);
  logSysForced(file, kCretical, "%s", static_cast<const char*>(message));
}

std::int32_t logWrite(FileHandle& file, const char* line) { return logWriteN(file, line, std::strlen(line)); }

void logSysArgs(std::int32_t level, const char* format, const FmtArg* args, int count) {
  if (session.outputLevel < 0 || !sessionActive() || format == nullptr) return;
  const std::size_t formatLength = std::strlen(format);
  if (static_cast<std::int64_t>(formatLength) > kMaxLine) {
    bufSizCheck_U8(session.fileHandle, "corvelin.cpp log_sys()", static_cast<std::int32_t>(kMaxLine),
                   static_cast<std::int64_t>(formatLength));
    return;
  }
  const int n = buildSysLine(level, format, args, count);
  if (n > 0) writeSysLine(session.fileHandle, level, n);
}

std::int32_t logSysForcedArgs(FileHandle& file, std::int32_t level, const char* format, const FmtArg* args,
                              int count) {
  const int n = buildSysLine(level, format, args, count);
  if (n <= 0) return 0;
  return writeSysLine(file, level, n);
}

std::int32_t logSysDirectArgs(FileHandle file, std::int32_t level, const char* format, const FmtArg* args,
                              int count) {
  const int n = buildSysLine(level, format, args, count);
  if (n <= 0) return 0;
  if (n <= kMaxLine) return writeSysLine(file, level, n);
  char message[520];
  overLengthMessage(message, 104);
  return logSysDirect(file, kCretical, "%s", static_cast<const char*>(message));
}

bool refuseSize(FileHandle file, const char* source, std::int32_t maximum, std::int64_t length) {
  const auto shown = static_cast<std::int32_t>(length > 0x7FFFFFFF ? 0x7FFFFFFF : length);
  logSysDirect(file, kError, "bufSizCheck_U8() file,func=%s maxSize=%d < dataSize=%d", source, maximum, shown);
  return false;
}

}  // namespace corvelin
