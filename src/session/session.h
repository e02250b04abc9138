// The one logging session of the process: its record, scratch buffers,
// line endings and level markers.
//
// All of it is process-wide and guarded by the session lock (see guard.h):
// every exported function takes the lock before it touches anything here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace corvelin {

using platform::FileHandle;

inline constexpr int kPathUnits = 520;  // filePrefix and the converted arguments
// logDir receives the full path of a created file: a directory of 255 units,
// a prefix of up to 519 and the date, kept whole.
inline constexpr int kLogDirUnits = 1040;

// The fields every record reads come first, in one cache line: after the
// kernel's write the line is cold again, and each line costs a record.
struct LogSession {
  FileHandle fileHandle;
  std::int32_t fileEncoding;  // 2 = UTF-8, the only value ever stored
  std::int32_t writeFlg;
  std::int32_t crLfOption;
  std::int32_t outputLevel;
  std::int32_t sleepSwitch;
  std::int32_t bigEndianFlg;
  std::uint8_t bomSetFlg;
  std::int32_t kBytesSize;
  std::uint8_t initialized;
  // Rotation, from a profile only: LogKBytesRotateFlg, LogKeepFiles.
  std::int32_t kBytesRotateFlg;
  std::int32_t keepFiles;
  // Crash reports, from a profile only: LogCrashReport; the full path of the
  // file written now, which names the minidump.
  std::int32_t crashReport;
  char16_t logDir[kLogDirUnits];
  char16_t filePrefix[kPathUnits];
  char16_t filePath[kLogDirUnits];
};

inline constexpr std::int32_t kEncodingUtf8 = 2;

extern LogSession session;

// The seven scratch buffers, made by the first start call and freed by logTerm.
inline constexpr std::size_t kSmallScratch = 8192;
inline constexpr std::size_t kLargeScratch = 32768;

struct ScratchBuffers {
  char16_t* wideBuf;   // kSmallScratch bytes
  char16_t* msgBoxBuf; // kSmallScratch bytes
  char* spareBuf;      // kSmallScratch bytes
  char* lineBuf;       // kLargeScratch bytes
  char* utf8Buf;       // kLargeScratch bytes
  char* sysMsgBuf;     // kSmallScratch bytes
  char* sysLineBuf;    // kSmallScratch bytes
};

extern ScratchBuffers scratch;

// Allocates the buffers that do not exist yet. False (and none of them
// kept) when one cannot be had: nothing may then run on missing buffers.
bool scratchBufAlloc();
void scratchBufFree();
bool scratchReady();

// Line endings chosen by CrLfOption: 0 CR LF, 1 LF, 2 CR, anything else none.
extern char16_t lineEndW[16];
extern char lineEndA[14];
extern std::size_t lineEndALen;
void crLfOptionSet(std::int32_t option);

// Level numbers 0 FATAL .. 5 DEBUG and their markers (UTF-8, 8-byte slots).
enum Level : std::int32_t { kFatal = 0, kCretical = 1, kError = 2, kWarning = 3, kInfo = 4, kDebug = 5 };
extern const char levelMarkers[6][8];

// A usable log file is open and the session is not sleeping.
bool sessionActive();

// Back to the state of a freshly loaded library (buffers freed, record
// zeroed, CR LF endings, no time measurement). The library itself never unloads its state; this
// is how a test harness starts a new "process".
void sessionResetToLoad();

}  // namespace corvelin
