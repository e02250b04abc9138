// Naming, creating and opening the day's log file (all UTF-16), and the
// Win32 error descriptions of the boxes that report its failures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "session/session.h"

namespace corvelin {

inline constexpr int kPathBlockUnits = 1536;
inline constexpr int kMaxDirUnits = 255;  // 510 bytes of UTF-16

// Opens directory\prefixYYYYMMDD.log: creates it (byte-order mark when
// asked, and then records its full path in session->logDir and the prefix
// in session->filePrefix) or opens the existing one at its end. Failures are
// reported in boxes; the result is then kInvalidHandle, and the thread's
// last error says why.
FileHandle logOpen_W(LogSession* s, const char16_t* dir, const char16_t* prefix);

// The parts of the open, which a rotating session uses one by one.
// createDirCheck, and its second box when it fails.
bool logDirReady(const char16_t* dir);
// A new file at `path`: the byte-order mark when asked, then its path in
// s->logDir and the prefix in s->filePrefix. kInvalidHandle (last error set)
// when it cannot be made; no box.
FileHandle createLogFile(LogSession* s, const char16_t* path, const char16_t* prefix);
enum class Opened { Created, Appended, Held, Failed };
// Creates `path` or opens it at its end, with the boxes of a failure. With
// `heldQuietly`, a file that another process holds without sharing writes,
// or that may not be written, gives kInvalidHandle and Held, and no box. `path` (kPathBlockUnits)
// receives the description of a failure.
FileHandle openLogPath(LogSession* s, char16_t* path, const char16_t* prefix, bool heldQuietly, Opened& how);
// The box of a failed attempt on `path`, unless the file merely exists.
void reportOpenAttempt(const char16_t* path);
// The fatal box of an open that failed on `path` (which receives the description).
void reportOpenFailure(char16_t* path);

// Makes sure the directory exists (only its last component is created).
// False after showing a box.
bool createDirCheck(const char16_t* dir);

// The dated path in `out` (kPathBlockUnits units); `out` is left as it is,
// after a box, when the directory is longer than 255 units.
void localPathSet(const char16_t* dir, const char16_t* prefix, char16_t* out);

// Replaces the text in `out` (`capacity` units, at least 1022) with
// "<name> line=<line> Win32 ErrCode=<code> :<system text>" for the thread's
// last error, without the system text's CR LF. A name or a current text over
// 510 units is refused by bufSizCheck and `out` keeps its text.
void w32_err_fmtMsg(FileHandle file, const char16_t* name, std::int32_t line, char16_t* out,
                    std::size_t capacity);

// Cuts the CR LF that ends system texts: at most two trailing CR or LF units.
void cutLineEnd(char16_t* text);

// The system's text of `code` without its CR LF, or kNoSystemText, in `out`.
void systemTextOf(std::uint32_t code, char16_t (&out)[1024]);
// "Win32 ErrCode=<code> :<system text>" in UTF-8 in `out` (the system
// text without its CR LF); returns its length.
int win32ErrorText(std::uint32_t code, char* out, int capacity);

// What the descriptions say when the system has no text for a code.
inline constexpr const char16_t* kNoSystemText = u"(no system text for this code)";

}  // namespace corvelin
