#include "logfile/rotation.h"

#include <algorithm>
#include <cstring>

#include "forward/forward.h"
#include "logfile/banner.h"
#include "record/format.h"
#include "record/lineprefix.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/sink.h"

namespace corvelin {
namespace {

constexpr std::uint32_t kLastIndex = 4294967295u;
constexpr std::uint32_t kTriesPerSwitch = 10000;  // names taken by others before the session gives up

struct Rotation {
  char16_t dir[kPathUnits];
  char16_t prefix[kPathUnits];
  SeriesFile current;
  std::uint64_t limit;          // bytes a file may hold
  std::uint64_t size;           // bytes the current file holds
  std::uint64_t reserve;        // kept free for its closing line (longer than the end banner)
  std::uint64_t retryAt;        // after a failed switch: no new attempt below this size
  std::uint64_t failuresSeen;   // the sink's count of failed writes when `size` was last true
  std::uint64_t dateFrom;       // the tick the wall-clock second whose date is `date` begins at
  std::uint32_t date;
  bool exhausted;               // no name is left today: no switch by size before the next day
  bool fresh;                   // holds only this session's mark and start banner
  bool wroteHere;               // this session wrote to it, so it gets the closing line
};
Rotation rot;

bool digits(const char16_t*& p, int count, std::uint64_t& value) {
  for (int i = 0; i < count; ++i, ++p) {
    if (*p < u'0' || *p > u'9') return false;
    value = value * 10 + static_cast<std::uint64_t>(*p - u'0');
  }
  return true;
}

bool isEnd(const char16_t* p) { return platform::sameFileName(p, u16len(p), u".log", 4); }

// Today's local date as YYYYMMDD. The wall clock is read for every unit (a
// record's own reading when it has one), so a clock set forward (time
// synchronisation) moves the series at once; the calendar is asked once per
// second.
std::uint32_t today() {
  const std::int64_t ticks = lineClock != 0 ? lineClock : platform::ticksSince1970();
  // In the same second: a subtraction, not a division, on the record path.
  if (static_cast<std::uint64_t>(ticks) - rot.dateFrom >= 10000000) {
    const std::int64_t second = ticks / 10000000 - (ticks % 10000000 < 0 ? 1 : 0);
    const platform::CalendarTime t = platform::localTime(second);
    rot.date = static_cast<std::uint32_t>(t.year * 10000 + t.month * 100 + t.day);
    rot.dateFrom = static_cast<std::uint64_t>(second * 10000000);
  }
  return rot.date;
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
// that could not be made for another reason than being taken. `from` must
// have a name (index 1 or more).
FileHandle createNext(SeriesFile& from, char16_t* path) {
  for (std::uint32_t tries = 0; tries < kTriesPerSwitch; ++tries, ++from.index) {
    seriesPath(rot.dir, rot.prefix, from, path);
    const FileHandle file = createLogFile(&session, path, rot.prefix);
    if (file != platform::kInvalidHandle || platform::lastError() != platform::kErrFileExists) return file;
    if (from.index == kLastIndex) break;  // taken, and the last name there is
  }
  return platform::kInvalidHandle;
}

// One of rotation's own lines in the session's file, counted once written.
void writeLine(const char* line, std::size_t n) {
  if (writeOwnLine(line, n)) rot.size += n;
}

// "[SYSLOG]" ERROR line of rotation's; the forwarders hear it even when the
// file cannot take it.
void reportProblem(const char16_t* message) {
  char text[kSysLineCapacity];
  char line[kSysLineCapacity];
  utf16ToUtf8(message, text, kMessageCapacity);
  const int n = formatSysLine(line, kError, text);
  if (n > 0) writeLine(line, static_cast<std::size_t>(n));
  forward::sysLine(kError, text);
}

// The session stays in its file, says why in it, and tries again only after
// another limit's worth of bytes.
void reportFailedSwitch(const char16_t* path, std::uint32_t code) {
  char16_t system[1024];
  systemTextOf(code, system);
  char16_t message[kPathBlockUnits + 1100];
  boundedFormatW(message, static_cast<int>(sizeof message / sizeof message[0]),
                 u"log rotation: cannot create %s, this file goes on: Win32 ErrCode=%d :%s", path,
                 static_cast<std::int32_t>(code), static_cast<const char16_t*>(system));
  reportProblem(message);
  rot.retryAt = rot.size + rot.limit;
}

// The day's series has no name left after the current file: said once, and
// the file goes on until the next day.
void reportExhausted() {
  char16_t path[kPathBlockUnits];
  seriesPath(rot.dir, rot.prefix, rot.current, path);
  char16_t message[kPathBlockUnits + 100];
  boundedFormatW(message, static_cast<int>(sizeof message / sizeof message[0]),
                 u"log rotation: no file name is left after %s today, this file goes on", path);
  reportProblem(message);
  rot.exhausted = true;
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

// What the current file keeps free: the closing line that names the next
// file of the day (a later day's name is shorter, the end banner too).
void setReserve() {
  char16_t next[kPathBlockUnits];
  seriesPath(rot.dir, rot.prefix, SeriesFile{rot.current.date, rot.current.index == kLastIndex ? kLastIndex : rot.current.index + 1}, next);
  char line[kBannerBytes];
  rot.reserve = std::max(closingLine(next, line), endBanner(line));
}

// Moves the session to the first free name from `next` on, once that file
// holds its mark and `banner` (the start banner when null) and the current
// one, with `closeWithLine`, names it at its end. A file that cannot be made
// or filled is removed again and the session stays where it is.
void switchFile(SeriesFile next, bool closeWithLine, const char* banner = nullptr, std::size_t bannerSize = 0) {
  char16_t path[kPathBlockUnits];
  const FileHandle file = createNext(next, path);
  if (file == platform::kInvalidHandle) {
    if (platform::lastError() == platform::kErrFileExists && next.index == kLastIndex) {
      reportExhausted();
    } else {
      reportFailedSwitch(path, platform::lastError());
    }
    return;
  }
  char line[kBannerBytes];
  if (banner == nullptr) bannerSize = startBanner(line), banner = line;
  const std::uint64_t mark = platform::fileSize(file);
  char closing[kBannerBytes];
  const std::size_t closingSize = closeWithLine ? closingLine(path, closing) : 0;
  if (!writeAll(file, banner, bannerSize) || platform::fileSize(file) != mark + bannerSize ||
      (closeWithLine && !writeOwnLine(closing, closingSize))) {
    const std::uint32_t error = platform::lastError();
    platform::closeFile(file);
    platform::deleteFile(path);
    reportFailedSwitch(path, error);
    return;
  }
  platform::closeFile(session.fileHandle);
  session.fileHandle = file;
  rot.current = next;
  rot.size = mark + bannerSize;
  rot.failuresSeen = writeFailures();
  rot.fresh = rot.wroteHere = true;
  rot.retryAt = 0;
  setReserve();
  keepNewest();
}

void beforeUnit(std::size_t unitSize, std::size_t bytes, bool unitStart) {
  if (unitStart) {
    if (writeFailures() != rot.failuresSeen) {  // what failed is not in the file: its true size counts
      flushSessionFile();
      rot.size = platform::fileSize(session.fileHandle);
      rot.failuresSeen = writeFailures();
    }
    const std::uint32_t date = today();
    const bool newDay = date != rot.current.date;
    const bool full = !rot.fresh && rot.size + unitSize + rot.reserve > rot.limit;
    if (newDay && rot.size >= rot.retryAt) {
      rot.exhausted = false;
      switchFile(SeriesFile{date, 1}, rot.wroteHere);
    } else if (full && rot.size >= rot.retryAt && !rot.exhausted) {
      if (rot.current.index == kLastIndex) {
        reportExhausted();
      } else {
        switchFile(SeriesFile{rot.current.date, rot.current.index + 1}, rot.wroteHere);
      }
    }
    rot.fresh = false;
  }
  rot.size += bytes;  // what is handed on, piece by piece; a failed write is taken back at the next unit
  rot.wroteHere = true;
}

}  // namespace

bool parseSeriesName(const char16_t* name, const char16_t* prefix, SeriesFile& file) {
  const std::size_t prefixUnits = u16len(prefix);
  if (u16len(name) < prefixUnits || !platform::sameFileName(name, prefixUnits, prefix, prefixUnits)) return false;
  const char16_t* p = name + prefixUnits;
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
  rot.dateFrom = static_cast<std::uint64_t>(INT64_MIN);
  rot.current = SeriesFile{today(), 1};
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
  if (how == Opened::Held) {  // another instance writes there, or it may not be written: the next free name
    if (rot.current.index != kLastIndex) {  // past the last name, the held file's own failure is the reason
      ++rot.current.index;
      file = createNext(rot.current, path);
    }
    how = file != platform::kInvalidHandle ? Opened::Created : Opened::Failed;
    if (how == Opened::Failed) reportOpenAttempt(path), reportOpenFailure(path);
  }
  return file;
}

void startRotation(Opened how, bool endLineFirst, const char* sleepBanner, std::size_t sleepSize) {
  rot.limit = static_cast<std::uint64_t>(session.kBytesSize < 1 ? 1 : session.kBytesSize) * 1024;
  rot.size = platform::fileSize(session.fileHandle);
  rot.failuresSeen = writeFailures();
  rot.fresh = rot.wroteHere = how == Opened::Created;
  rot.retryAt = 0;
  rot.exhausted = false;
  setReserve();
  char line[2 * kBannerBytes];
  std::size_t n = endLineFirst ? lineEndALen : 0;
  std::memcpy(line, lineEndA, n);
  char banner[kBannerBytes];
  const std::size_t size = sleepBanner != nullptr ? sleepSize : startBanner(banner);
  std::memcpy(line + n, sleepBanner != nullptr ? sleepBanner : banner, size);
  n += size;
  const FileHandle appended = session.fileHandle;
  if (!rot.fresh && rot.size + n + rot.reserve > rot.limit) {  // full already: the next file
    if (rot.current.index == kLastIndex) {
      if (sleepBanner == nullptr) reportExhausted();  // a sleeping session writes its banner alone
    } else {
      switchFile(SeriesFile{rot.current.date, rot.current.index + 1}, false, sleepBanner, sleepSize);
    }
  }
  if (session.fileHandle == appended) {
    writeLine(line, n);
    rot.wroteHere = true;  // so the file it goes on in is named at its end
  }
  unitHook = beforeUnit;
}

void stopRotation() { unitHook = nullptr; }

}  // namespace corvelin
