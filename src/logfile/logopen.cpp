#include "logfile/logopen.h"

#include "record/format.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"

namespace corvelin {
namespace {

constexpr std::size_t kMaxErrText = 1022;

}  // namespace

// Reports a failed attempt unless the file merely exists; the thread's last
// error stays that of the attempt, for the description that may follow.
void reportOpenAttempt(const char16_t* path) {
  const std::uint32_t error = platform::lastError();
  if (error == platform::kErrFileExists) return;
  char16_t text[kBoxTextUnits];
  boundedFormatW(text, 1024, u"File Open Error errcode=%ld path=%s", static_cast<std::int32_t>(error), path);
  showBox(text, u"hvfopen() Error!", 0);
  platform::setLastError(error);
}

void cutLineEnd(char16_t* text) {
  std::size_t n = u16len(text);
  for (int i = 0; i < 2 && n > 0 && (text[n - 1] == u'\r' || text[n - 1] == u'\n'); ++i) text[--n] = 0;
}

void systemTextOf(std::uint32_t code, char16_t (&out)[1024]) {
  if (platform::systemMessage(code, out, 1024) > 0) {
    cutLineEnd(out);
  } else {
    u16copy(out, 1024, kNoSystemText);
  }
}

int win32ErrorText(std::uint32_t code, char* out, int capacity) {
  char16_t system[1024];
  systemTextOf(code, system);
  char16_t text[1100];
  boundedFormatW(text, 1100, u"Win32 ErrCode=%d :%s", static_cast<std::int32_t>(code), static_cast<const char16_t*>(system));
  return utf16ToUtf8(text, out, capacity);
}

void w32_err_fmtMsg(FileHandle file, const char16_t* name, std::int32_t line, char16_t* out,
                    std::size_t capacity) {
  const std::uint32_t code = platform::lastError();
  if (!bufSizCheck(file, u"w32_err_fmtMsg() file_fnc", static_cast<std::int64_t>(u16len(name)))) return;
  if (!bufSizCheck(file, u"w32_err_fmtMsg() msg", static_cast<std::int64_t>(u16len(out)))) return;
  char16_t system[1024];
  const char16_t* text = platform::systemMessage(code, system, 1024) > 0 ? system : kNoSystemText;
  char16_t block[kPathBlockUnits];
  boundedFormatW(block, kPathBlockUnits, u"%s line=%d Win32 ErrCode=%d :%s", name, line,
                 static_cast<std::int32_t>(code), text);
  cutLineEnd(block);
  std::size_t n = u16len(block);
  const std::size_t room = (capacity < kMaxErrText ? capacity : kMaxErrText) - 1;
  if (n > room) {
    n = room;
    if (block[n - 1] >= 0xD800 && block[n - 1] <= 0xDBFF) --n;  // never half a pair
  }
  block[n] = 0;
  u16copy(out, capacity, block);
}

bool createDirCheck(const char16_t* dir) {
  if (platform::createDirectory(dir)) return true;
  const std::uint32_t error = platform::lastError();
  if (error == platform::kErrAlreadyExists) return true;
  char16_t description[kPathBlockUnits] = {};
  char16_t text[kBoxTextUnits];
  if (error == platform::kErrPathNotFound) {
    w32_err_fmtMsg(platform::kNoHandle, u"createDirCheck()", 443, description, kPathBlockUnits);
    boundedFormatW(text, kBoxTextUnits, u"[FATAL] %s ERROR_PATH_NOT_FOUND CreateDirectory : %s", dir, description);
  } else {
    w32_err_fmtMsg(platform::kNoHandle, u"createDirCheck()", 450, description, kPathBlockUnits);
    boundedFormatW(text, kBoxTextUnits, u"[FATAL] path={%s} CreateDirectory ディレクトリを作成できません: %s", dir,
                   description);
  }
  showBox(text, u"createDirCheck()", 0);
  return false;
}

void localPathSet(const char16_t* dir, const char16_t* prefix, char16_t* out) {
  const std::size_t units = u16len(dir);
  if (units > kMaxDirUnits) {
    char16_t text[260];
    boundedFormatW(text, 260, u"func={%s} maxSize=%d dataSize=%d", u"localPathSet() dirpath",
                   static_cast<std::int32_t>(2 * kMaxDirUnits), static_cast<std::int32_t>(2 * units));
    showBox(text, u"[■--ERROR--■] bufSizCheck 続行不可能!", 0);
    return;
  }
  const platform::CalendarTime t = platform::localTime(platform::ticksSince1970() / 10000000);
  boundedFormatW(out, kPathBlockUnits, u"%s\\%s%4d%02d%02d.log", dir, prefix, t.year, t.month, t.day);
}

bool logDirReady(const char16_t* dir) {
  if (createDirCheck(dir)) return true;
  char16_t text[kBoxTextUnits];
  boundedFormatW(text, kBoxTextUnits, u"createDirCheckがエラー Directory pathが間違っていませんか? Dir path={%s}", dir);
  showBox(text, u"logOpen_W() createDirCheck() Error!", 0);
  return false;
}

FileHandle createLogFile(LogSession* s, const char16_t* path, const char16_t* prefix) {
  const FileHandle file = platform::openLogFile(path, platform::Disposition::CreateNew);
  if (file == platform::kInvalidHandle) return file;
  u16copy(s->logDir, kLogDirUnits, path);
  u16copy(s->filePath, kLogDirUnits, path);
  if (prefix != s->filePrefix) u16copy(s->filePrefix, kPathUnits, prefix);
  if (s->fileEncoding == kEncodingUtf8 && s->bomSetFlg == 1) writeAll(file, "\xEF\xBB\xBF", 3);
  return file;
}

void reportOpenFailure(char16_t* path) {
  // The path block now receives the description of the failure.
  w32_err_fmtMsg(platform::kInvalidHandle, u"logutl_W.cpp", 110, path, kPathBlockUnits);
  char16_t text[kBoxTextUnits];
  boundedFormatW(text, kBoxTextUnits, u"[FATAL] Log file open Error! path=%s", path);
  char16_t caption[kBoxCaptionUnits];
  boundedFormatW(caption, kBoxCaptionUnits, u"logutl_W.cpp logOpen() line=%d", 112);
  showBox(text, caption, 0);
}

FileHandle openLogPath(LogSession* s, char16_t* path, const char16_t* prefix, bool heldQuietly, Opened& how) {
  platform::setLastError(0);
  FileHandle file = createLogFile(s, path, prefix);
  how = Opened::Created;
  if (file != platform::kInvalidHandle) return file;
  reportOpenAttempt(path);

  platform::setLastError(0);
  file = platform::openLogFile(path, platform::Disposition::OpenExisting);
  how = Opened::Appended;
  if (file != platform::kInvalidHandle) {
    platform::seekToEnd(file);
    u16copy(s->filePath, kLogDirUnits, path);
    return file;
  }
  how = Opened::Held;
  const std::uint32_t error = platform::lastError();
  if (heldQuietly && (error == platform::kErrSharingViolation || error == platform::kErrAccessDenied)) return file;
  reportOpenAttempt(path);
  reportOpenFailure(path);
  how = Opened::Failed;
  return file;
}

FileHandle logOpen_W(LogSession* s, const char16_t* dir, const char16_t* prefix) {
  if (!logDirReady(dir)) return platform::kInvalidHandle;
  char16_t path[kPathBlockUnits] = {};
  platform::setLastError(0);
  localPathSet(dir, prefix, path);
  const bool named = path[0] != 0;
  Opened how;
  const FileHandle file = openLogPath(s, path, prefix, false, how);
  // A directory too long to name the file: that is the reason, not the failed open of no name.
  if (!named) platform::setLastError(platform::kErrFilenameTooLong);
  return file;
}

}  // namespace corvelin
