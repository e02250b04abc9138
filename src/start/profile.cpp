// Starting a session from the [Halvix] section of a profile file.
#include <corvelin.h>

#include <cstring>

#include "forward/eventlog.h"
#include "forward/syslog.h"
#include "record/format.h"
#include "record/textconv.h"
#include "start/start.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

constexpr std::int64_t kMaxProfilePathBytes = 510;
constexpr const char16_t* kSection = u"Halvix";

// logInitProfileRead: the keys, in order. False (after its box) when
// the profile file does not exist; nothing is stored then.
bool logInitProfileRead(const char16_t* path) {
  if (!platform::profileFileExists(path)) {
    char16_t text[kBoxTextUnits];
    boundedFormatW(text, kBoxTextUnits, u"logInitProfileReadにセットしたパスにファイルが存在しません。path=%s", path);
    showBox(text, u"logInitProfileRead()", 0);
    return false;
  }
  platform::profileString(path, kSection, u"LogFileNamePrefix", u"PREFIX_", session.filePrefix, kPathUnits);
  // The profile functions cut a longer value to 519 units, as for the prefix.
  platform::profileString(path, kSection, u"LogWritePathDir", u".\\", session.logDir, kPathUnits);
  session.writeFlg = platform::profileInt(path, kSection, u"WriteFlg", 0);
  session.crLfOption = platform::profileInt(path, kSection, u"CrLfOption", 0);
  session.outputLevel = platform::profileInt(path, kSection, u"LogOutPutLevel", 0);
  session.sleepSwitch = platform::profileInt(path, kSection, u"LogSleepSwitch", 0);
  session.bomSetFlg = platform::profileInt(path, kSection, u"BomSetFlg", 0) != 0 ? 1 : 0;
  session.kBytesRotateFlg = platform::profileInt(path, kSection, u"LogKBytesRotateFlg", 0);
  session.kBytesSize = platform::profileInt(path, kSection, u"LogKBytesSize", 40960);
  session.keepFiles = platform::profileInt(path, kSection, u"LogKeepFiles", 0);
  eventlog::readProfile(path, kSection, session.filePrefix);
  session.crashReport = platform::profileInt(path, kSection, u"LogCrashReport", 0);
  return true;
}

std::uint8_t startFromProfile(const char* profilePath, const BoxQueue& boxes) {
  if (session.initialized == 1) return refuse(platform::kErrAlreadyInitialized);
  if (!scratchBufAlloc()) return refuse(platform::kErrNotEnoughMemory);
  if (profilePath == nullptr) return refuse(platform::kErrInvalidParameter);
  const auto bytes = static_cast<std::int64_t>(std::strlen(profilePath));
  if (bytes > kMaxProfilePathBytes) {
    char16_t text[512];
    boundedFormatW(text, 512, u"logInitProfile() path文字列長超過 %I64dバイトを超過しました", kMaxProfilePathBytes);
    showBox(text, u"logInit() dir Path 長さ超過エラー", 0);
    return refuse(platform::kErrFilenameTooLong);
  }
  char16_t path[kPathUnits];
  utf8ToUtf16(profilePath, path, bytes, kPathUnits);
  if (!logInitProfileRead(path)) return refuse(platform::kErrFileNotFound);

  session.fileHandle = platform::kInvalidHandle;
  session.fileEncoding = kEncodingUtf8;
  char16_t dir[kPathUnits];
  u16copy(dir, kPathUnits, session.logDir);
  const std::uint8_t started = openAndAnnounce(
      dir, session.filePrefix,
      "##### log_init_profile Init! halvix.conf Now Sleeping! LogSleepSwitch=1 Set to '0' Go Logging! #####%s");
  if (started == 0) {  // the open failed: its boxes are queued, and its reason is the thread's last error
    const std::uint32_t reason = platform::lastError();
    eventlog::reportStartFailure(boxes);
    platform::setLastError(reason);
  }
  if (started == 1 && session.sleepSwitch != 1) eventlog::start();
  if (started == 1) syslog::startFromProfile(path);
  return started;
}

}  // namespace
}  // namespace corvelin

extern "C" CORVELIN_API std::uint8_t CORVELIN_CALL logInitProfile(const char* profilePath) {
  corvelin::BoxQueue boxes;
  corvelin::ApiGuard guard(&boxes);
  const std::uint8_t started = corvelin::startFromProfile(profilePath, boxes);
  if (started == 0) guard.endWithLastError(corvelin::platform::lastError());
  return started;
}
