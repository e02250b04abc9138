// Rotation: a session started from a profile with LogKBytesRotateFlg=1
// moves to a new file before a unit would take the current one past
// LogKBytesSize, and at the first unit of a new local day.
//
// Nothing is ever renamed. A day's files are <prefix>YYYYMMDD.log, then
// <prefix>YYYYMMDD_2.log, _3, ...; the next file is the first free name
// after the current one. A file the session moves on from ends with
// "--- [prefix] continued in Log={next} ---". With LogKeepFiles=N > 0 each
// switch deletes the oldest files of the series until N remain.
#pragma once

#include <cstddef>
#include <cstdint>

#include "logfile/logopen.h"

namespace corvelin {

// A day's file of the series: `index` 1 is the plain name.
struct SeriesFile {
  std::uint32_t date;   // YYYYMMDD
  std::uint32_t index;  // 1, 2, ...
};

// Whether `name` is <prefix><8 digits>.log or <prefix><8 digits>_<n>.log
// (n from 2, no leading zero), prefix and extension in any case as the file
// system takes them, and which file of the series it is.
bool parseSeriesName(const char16_t* name, const char16_t* prefix, SeriesFile& file);
// dir\<prefix>YYYYMMDD.log or dir\<prefix>YYYYMMDD_<index>.log in `out` (kPathBlockUnits).
void seriesPath(const char16_t* dir, const char16_t* prefix, SeriesFile file, char16_t* out);

// The open of a rotating session: the last file of today's series, or the
// next free name when another process holds it. The boxes and results of
// logOpen_W otherwise.
FileHandle openSeries(LogSession* s, const char16_t* dir, const char16_t* prefix, Opened& how);

// After the open and the line endings: writes the start banner, or
// `sleepBanner` when not null (in the next file already when an appended one
// has no room for it; after a line ending when the appended file ends inside
// a line), and from then on watches every unit of the session's file.
void startRotation(Opened how, bool endLineFirst, const char* sleepBanner, std::size_t sleepSize);
// The session's file is closed: nothing is watched any more.
void stopRotation();

}  // namespace corvelin
