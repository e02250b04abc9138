// Starting a session from arguments, and ending it.
#include <corvelin.h>

#include <cstring>

#include "crash/handler.h"
#include "record/format.h"
#include "record/textconv.h"
#include "forward/forward.h"
#include "logfile/banner.h"
#include "logfile/rotation.h"
#include "start/start.h"
#include "session/guard.h"
#include "session/session.h"
#include "session/sink.h"

namespace corvelin {

namespace {

// Whether the file ends inside a line, as one a crashed process left: a byte
// other than a line end, after more than a lone byte-order mark.
bool endsInsideLine(FileHandle file) {
  char tail[3];
  const std::size_t n = platform::readTail(file, tail, sizeof tail);
  if (n == 0 || tail[n - 1] == '\n' || tail[n - 1] == '\r') return false;
  return !(n == 3 && platform::fileSize(file) == 3 && std::memcmp(tail, "\xEF\xBB\xBF", 3) == 0);
}

}  // namespace

std::uint8_t openAndAnnounce(const char16_t* dir, const char16_t* prefix, const char* sleepFormat) {
  Opened how = Opened::Failed;
  const bool rotating = session.kBytesRotateFlg != 0;
  session.fileHandle = rotating ? openSeries(&session, dir, prefix, how) : logOpen_W(&session, dir, prefix);
  if (session.fileHandle == platform::kInvalidHandle) return 0;
  crLfOptionSet(session.crLfOption);
  const bool torn = endsInsideLine(session.fileHandle);  // the banner begins a line of its own
  char banner[kBannerBytes];
  const bool sleeping = session.sleepSwitch == 1;
  const std::size_t n = sleeping ? sleepBanner(sleepFormat, banner) : startBanner(banner);
  if (rotating) {
    startRotation(how, torn, sleeping ? banner : nullptr, n);
  } else {
    char line[kBannerBytes + sizeof lineEndA];
    const std::size_t lead = torn ? lineEndALen : 0;
    std::memcpy(line, lineEndA, lead);
    std::memcpy(line + lead, banner, n);
    if (lead + n > 0) writeUnit(session.fileHandle, line, lead + n);
  }
  session.initialized = 1;
  startCrashReport();
  return 1;
}

std::uint8_t refuse(std::uint32_t code) {
  platform::setLastError(code);
  return 0;
}

namespace {

constexpr std::int64_t kMaxDirBytes = 510;
constexpr std::int64_t kMaxPrefixBytes = 260;

void lengthBox(const char16_t* format, std::int64_t limit, const char16_t* caption) {
  char16_t text[512];
  boundedFormatW(text, 512, format, limit);
  showBox(text, caption, 0);
}

std::uint8_t startFromArguments(const char* dirPath, const char* prefix, std::int32_t writeFlg,
                                std::int32_t crLfOption, std::int32_t outputLevel, std::int32_t sleepSwitch,
                                std::int32_t bomSetFlg) {
  if (session.initialized == 1) return refuse(platform::kErrAlreadyInitialized);
  if (!scratchBufAlloc()) return refuse(platform::kErrNotEnoughMemory);
  if (dirPath == nullptr || prefix == nullptr) return refuse(platform::kErrInvalidParameter);
  const auto dirBytes = static_cast<std::int64_t>(std::strlen(dirPath));
  if (dirBytes > kMaxDirBytes) {
    lengthBox(u"logInit() dir Path文字列長超過 %I64dバイトを超過しました", kMaxDirBytes, u"logInit() dir Path 長さ超過エラー");
    return refuse(platform::kErrFilenameTooLong);
  }
  const auto prefixBytes = static_cast<std::int64_t>(std::strlen(prefix));
  if (prefixBytes > kMaxPrefixBytes) {
    // The text says "dir Path" and %d; the caption names the prefix.
    char16_t text[512];
    boundedFormatW(text, 512, u"logInit() dir Path文字列長超過 %dバイトを超過しました",
                   static_cast<std::int32_t>(kMaxPrefixBytes));
    showBox(text, u"logInit() prefix文字列 長さ超過エラー", 0);
    return refuse(platform::kErrFilenameTooLong);
  }

  session.outputLevel = outputLevel;
  session.bomSetFlg = bomSetFlg != 0 ? 1 : 0;
  session.sleepSwitch = sleepSwitch;
  session.fileHandle = platform::kInvalidHandle;
  session.writeFlg = writeFlg;
  session.crLfOption = crLfOption;
  session.bigEndianFlg = 0;
  session.fileEncoding = kEncodingUtf8;
  session.kBytesRotateFlg = 0;  // only a profile rotates
  session.keepFiles = 0;
  session.crashReport = 0;  // nor asks for crash reports

  // Text that is not valid UTF-8 becomes the empty string.
  char16_t dir[kPathUnits];
  char16_t pre[kPathUnits];
  utf8ToUtf16(dirPath, dir, dirBytes, kPathUnits);
  utf8ToUtf16(prefix, pre, prefixBytes, kPathUnits);
  u16copy(session.filePrefix, kPathUnits, pre);
  u16copy(session.logDir, kLogDirUnits, dir);

  return openAndAnnounce(
      dir, pre,
      "##### if logInit use. LOG_SLEEP Switch ON! No save logs...  logInit() No.5 Param 0 Set to start Log! #####%s");
}

}  // namespace
}  // namespace corvelin

using namespace corvelin;

extern "C" CORVELIN_API std::uint8_t CORVELIN_CALL logInit(const char* dirPath, const char* prefix,
                                                           std::int32_t writeFlg, std::int32_t crLfOption,
                                                           std::int32_t outputLevel, std::int32_t sleepSwitch,
                                                           std::int32_t bomSetFlg) {
  BoxQueue boxes;
  ApiGuard guard(&boxes);
  const std::uint8_t started =
      startFromArguments(dirPath, prefix, writeFlg, crLfOption, outputLevel, sleepSwitch, bomSetFlg);
  if (started == 0) guard.endWithLastError(platform::lastError());
  return started;
}

extern "C" CORVELIN_API void CORVELIN_CALL logTerm(void) {
  ApiGuard guard;
  const FileHandle file = session.fileHandle;
  if (file == platform::kNoHandle || file == platform::kInvalidHandle) {
    // Nothing is open: before any start, after a failed one, or a second
    // logTerm. Only buffers of a failed start are given back.
    scratchBufFree();
    return;
  }
  endCrashReport();
  sayLostUnits();  // once more, to the forwarders at least
  forward::stopAll();
  stopRotation();  // the end banner closes the file the session is in
  if (session.sleepSwitch != 1) writeEndBanner();
  flushSessionFile();
  scratchBufFree();
  platform::closeFile(file);
  session.fileHandle = platform::kNoHandle;  // ended: every later call does nothing
}
