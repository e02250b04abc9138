#include "logfile/rotation.h"

#include <algorithm>
#include <cstring>

#include "forward/forward.h"
#include "logfile/banner.h"
#include "record/format.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/sink.h"

namespace corvelin {
namespace {

constexpr std::uint32_t kLastIndex = 4294967295u;
constexpr std::uint32_t kTriesPerSwitch = 10000;  // names taken by others before the session gives up
constexpr std::uint64_t kDayCheckMillis = 60000;  // at least this often; exactly at midnight

struct Rotation {
  char16_t dir[kPathUnits];
  char16_t prefix[kPathUnits];
  SeriesFile current;
  std::uint64_t limit;       // bytes a file may hold
  std::uint64_t size;        // bytes the current file holds
  std::uint64_t reserve;     // kept free for its closing line or the end banner
  std::uint64_t retryAt;     // after a failed create: no new attempt below this size
  std::uint64_t dayCheckAt;  // monotonic ms of the next look at the calendar
  bool fresh;                // holds only this session's mark and start banner
  bool wroteHere;            // this session wrote to it, so it gets the closing line
};
Rotation rot;

bool digits(const char16_t*& p, int count, std::uint64_t& value) {
  for (int i = 0; i < count; ++i, ++p) {
    if (*p < u'0' || *p > u'9') return false;
    value = value * 10 + static_cast<std::uint64_t>(*p - u'0');
  }
  return true;
}

bool isEnd(const char16_t* p) { return p[0] == u'.' && p[1] == u'l' && p[2] == u'o' && p[3] == u'g' && p[4] == 0; }

// Today's local date as YYYYMMDD, and the milliseconds left of it.
std::uint32_t today(std::uint64_t& msLeft) {
  const std::int64_t ticks = platform::ticksSince1970();
  const std::int64_t second = ticks / 10000000 - (ticks % 10000000 < 0 ? 1 : 0);
  const platform::CalendarTime t = platform::localTime(second);
  const std::int64_t secondsLeft = 86400 - (t.hour * 3600 + t.minute * 60 + t.second);
  msLeft = static_cast<std::uint64_t>(secondsLeft * 1000 - (ticks - second * 10000000) / 10000);
  return static_cast<std::uint32_t>(t.year * 10000 + t.month * 100 + t.day);
}

// The series found in the directory, oldest first, in a block of the
// platform's heap (no exception can leave the library); `files` is null when
// memory ran out, and the caller then does without.
struct Listing {
  const char16_t* prefix;
  SeriesFile* files = nullptr;
  std::size_t count = 0, capacity = 0;
  bool complete = true;
  ~Listing() { platform::release(files); }
};

void seriesFiles(const char16_t* dir, Listing& listing) {
  platform::listFiles(dir, [](const char16_t* name, void* context) {
    auto& l = *static_cast<Listing*>(context);
    SeriesFile file{};
    if (!l.complete || !parseSeriesName(name, l.prefix, file)) return;
    if (l.count == l.capacity) {
      const std::size_t grown = l.capacity == 0 ? 64 : 2 * l.capacity;
      auto* more = static_cast<SeriesFile*>(platform::allocZeroed(grown * sizeof(SeriesFile)));
      if (more == nullptr) {
        l.complete = false;
        return;
      }
      if (l.count > 0) std::memcpy(more, l.files, l.count * sizeof(SeriesFile));
      platform::release(l.files);
      l.files = more;
      l.capacity = grown;
    }
    l.files[l.count++] = file;
  }, &listing);
  if (!listing.complete) {
    platform::release(listing.files);
    listing.files = nullptr;
    listing.count = 0;
  }
  std::sort(listing.files, listing.files + listing.count,
            [](SeriesFile a, SeriesFile b) { return a.date != b.date ? a.date < b.date : a.index < b.index; });
}

// The first free name from `from` on: a new file (mark, logDir) and its
// name in `path`; kInvalidHandle with the last error of the first name
// that could not be made for another reason than being taken.
FileHandle createNext(SeriesFile& from, char16_t* path) {
  for (std::uint32_t tries = 0; tries < kTriesPerSwitch && from.index != 0; ++tries, ++from.index) {
    seriesPath(rot.dir, rot.prefix, from, path);
    const FileHandle file = createLogFile(&session, path, rot.prefix);
    if (file != platform::kInvalidHandle || platform::lastError() != platform::kErrFileExists) return file;
  }
  return platform::kInvalidHandle;
}

void writeLine(FileHandle file, const char* line, std::size_t n) {
  writeAll(file, line, n);
  rot.size += n;
}

// The session stays in its file, says why in it, and tries again only after
// another limit's worth of bytes.
void reportFailedSwitch(const char16_t* path, std::uint32_t code) {
  char16_t system[1024];
  if (platform::systemMessage(code, system, 1024) > 0) {
    cutLineEnd(system);
  } else {
    u16copy(system, 1024, kNoSystemText);
  }
  char16_t message[kPathBlockUnits + 1100];
  boundedFormatW(message, static_cast<int>(sizeof message / sizeof message[0]),
                 u"log rotation: cannot create %s, this file goes on: Win32 ErrCode=%d :%s", path,
                 static_cast<std::int32_t>(code), static_cast<const char16_t*>(system));
  char text[kSysLineCapacity];
  char line[kSysLineCapacity];
  utf16ToUtf8(message, text, kMessageCapacity);
  const int n = formatSysLine(line, kError, text);
  if (n > 0) writeLine(session.fileHandle, line, static_cast<std::size_t>(n));
  forward::sysLine(kError, text);
  rot.retryAt = rot.size + rot.limit;
}

// Deletes the oldest files of the series until LogKeepFiles remain; a file
// that cannot be deleted now is tried again at the next switch.
void keepNewest() {
  if (session.keepFiles <= 0) return;
  Listing listing{rot.prefix};
  seriesFiles(rot.dir, listing);  // without memory for the list, nothing goes this time
  std::size_t left = listing.count;
  for (std::size_t i = 0; i < listing.count; ++i) {
    const SeriesFile& f = listing.files[i];
    if (left <= static_cast<std::size_t>(session.keepFiles)) break;
    if (f.date == rot.current.date && f.index == rot.current.index) continue;
    char16_t path[kPathBlockUnits];
    seriesPath(rot.dir, rot.prefix, f, path);
    if (platform::deleteFile(path)) --left;
  }
}

void switchFile(SeriesFile next, bool closeWithLine) {
  char16_t path[kPathBlockUnits];
  const FileHandle file = createNext(next, path);
  if (file == platform::kInvalidHandle) {
    reportFailedSwitch(path, platform::lastError());
    return;
  }
  char line[kBannerBytes];
  flushSessionFile();  // what the old file was handed goes before its closing line
  if (closeWithLine) writeAll(session.fileHandle, line, closingLine(path, line));
  platform::closeFile(session.fileHandle);
  session.fileHandle = file;
  rot.current = next;
  rot.size = platform::fileSize(file);  // its byte-order mark
  writeLine(file, line, startBanner(line));
  rot.fresh = rot.wroteHere = true;
  rot.retryAt = 0;
  keepNewest();
}

bool dayHasChanged(std::uint32_t& date) {
  const std::uint64_t now = platform::monotonicMillis();
  if (now < rot.dayCheckAt) return false;
  std::uint64_t msLeft = 0;
  date = today(msLeft);
  // The monotonic clock moves in steps: near midnight the calendar is read for every unit.
  const std::uint64_t margin = 2 * platform::kMonotonicStepMillis;
  rot.dayCheckAt = msLeft > margin ? now + std::min(msLeft - margin, kDayCheckMillis) : 0;
  return date != rot.current.date;
}

void beforeUnit(std::size_t unitSize, std::size_t bytes, bool unitStart) {
  if (unitStart) {
    std::uint32_t date = 0;
    const bool newDay = dayHasChanged(date);
    const bool full = !rot.fresh && rot.size + unitSize + rot.reserve > rot.limit;
    if ((newDay || full) && rot.size >= rot.retryAt) {
      switchFile(newDay ? SeriesFile{date, 1} : SeriesFile{rot.current.date, rot.current.index + 1}, rot.wroteHere);
    }
    rot.fresh = false;
  }
  rot.size += bytes;  // what is written, piece by piece: a unit's size is only known ahead for the switch
  rot.wroteHere = true;
}

}  // namespace

bool parseSeriesName(const char16_t* name, const char16_t* prefix, SeriesFile& file) {
  const char16_t* p = name;
  for (; *prefix != 0; ++p, ++prefix) {
    if (*p != *prefix) return false;
  }
  std::uint64_t date = 0, index = 0;
  if (!digits(p, 8, date)) return false;
  if (isEnd(p)) {
    file = SeriesFile{static_cast<std::uint32_t>(date), 1};
    return true;
  }
  if (*p++ != u'_' || *p == u'0') return false;
  int n = 0;
  while (p[n] >= u'0' && p[n] <= u'9') ++n;
  if (n == 0 || n > 10 || !digits(p, n, index) || !isEnd(p) || index < 2 || index > kLastIndex) return false;
  file = SeriesFile{static_cast<std::uint32_t>(date), static_cast<std::uint32_t>(index)};
  return true;
}

void seriesPath(const char16_t* dir, const char16_t* prefix, SeriesFile file, char16_t* out) {
  const auto y = static_cast<std::int32_t>(file.date / 10000), m = static_cast<std::int32_t>(file.date / 100 % 100),
             d = static_cast<std::int32_t>(file.date % 100);
  if (file.index == 1) {
    boundedFormatW(out, kPathBlockUnits, u"%s\\%s%4d%02d%02d.log", dir, prefix, y, m, d);
  } else {
    boundedFormatW(out, kPathBlockUnits, u"%s\\%s%4d%02d%02d_%u.log", dir, prefix, y, m, d, file.index);
  }
}

FileHandle openSeries(LogSession* s, const char16_t* dir, const char16_t* prefix, Opened& how) {
  how = Opened::Failed;
  if (!logDirReady(dir) || !u16copy(rot.dir, kPathUnits, dir) || !u16copy(rot.prefix, kPathUnits, prefix)) {
    return platform::kInvalidHandle;
  }
  std::uint64_t msLeft = 0;
  rot.current = SeriesFile{today(msLeft), 1};
  struct Last {
    const char16_t* prefix;
    SeriesFile today;
  } last{prefix, rot.current};
  platform::listFiles(dir, [](const char16_t* name, void* context) {  // the last of today's
    auto& l = *static_cast<Last*>(context);
    SeriesFile file{};
    if (parseSeriesName(name, l.prefix, file) && file.date == l.today.date && file.index > l.today.index) l.today = file;
  }, &last);
  rot.current = last.today;
  char16_t path[kPathBlockUnits];
  seriesPath(dir, prefix, rot.current, path);
  FileHandle file = openLogPath(s, path, prefix, true, how);
  if (how == Opened::Held) {  // another instance writes there: continue at the next free name
    ++rot.current.index;
    file = createNext(rot.current, path);
    how = file != platform::kInvalidHandle ? Opened::Created : Opened::Failed;
    if (how == Opened::Failed) reportOpenAttempt(path), reportOpenFailure(path);
  }
  return file;
}

void startRotation(Opened how) {
  rot.limit = static_cast<std::uint64_t>(session.kBytesSize < 1 ? 1 : session.kBytesSize) * 1024;
  char16_t longest[kPathBlockUnits];
  seriesPath(rot.dir, rot.prefix, SeriesFile{99999999, kLastIndex}, longest);
  char line[kBannerBytes];
  rot.reserve = std::max(closingLine(longest, line), endBanner(line));
  rot.size = platform::fileSize(session.fileHandle);
  rot.fresh = rot.wroteHere = how == Opened::Created;
  rot.retryAt = rot.dayCheckAt = 0;
  const std::size_t banner = startBanner(line);
  const FileHandle appended = session.fileHandle;
  if (!rot.fresh && rot.size + banner + rot.reserve > rot.limit) {
    switchFile(SeriesFile{rot.current.date, rot.current.index + 1}, false);  // full already: the next file
  }
  if (session.fileHandle == appended) {
    writeLine(appended, line, banner);
    rot.wroteHere = true;  // so the file it goes on in is named at its end
  }
  unitHook = beforeUnit;
}

void stopRotation() { unitHook = nullptr; }

}  // namespace corvelin
