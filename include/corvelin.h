/*
 * corvelin: a logging library for Windows x64 programs.
 *
 * One session per process writes a dated UTF-8 log file. Every string
 * crosses this interface as a zero-terminated UTF-8 string; truth values
 * are one byte (1 or 0). The functions use the platform's standard calling
 * convention and undecorated names, so any language can bind to them.
 */
#ifndef CORVELIN_H
#define CORVELIN_H

#include <stdint.h>

#if defined(_WIN32)
#  define CORVELIN_CALL __stdcall
#  if defined(CORVELIN_BUILDING)
#    define CORVELIN_API __declspec(dllexport)
#  else
#    define CORVELIN_API __declspec(dllimport)
#  endif
#else
#  define CORVELIN_CALL
#  define CORVELIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Session ----------------------------------------------------------
 * One session per process. A start call returns 1 when the day's log file
 * (dirPath\prefixYYYYMMDD.log) is open and its banner written, 0 when the
 * session was already started, an argument was refused or the file could
 * not be opened (the reason is shown in a message box). After logTerm the
 * session is over for the process: every call does nothing. A null string
 * argument is refused: the call does nothing and returns 0.
 * A start call that returns 0 leaves the reason as the calling thread's
 * Win32 last-error code (GetLastError): the system's error when the
 * directory or the file failed, ERROR_FILE_NOT_FOUND (2) for a missing
 * profile, ERROR_ALREADY_INITIALIZED (1247) after a session began or ended,
 * ERROR_INVALID_PARAMETER (87) for a null argument,
 * ERROR_FILENAME_EXCED_RANGE (206) for one over its limit and
 * ERROR_NOT_ENOUGH_MEMORY (8). Every other call leaves the host's code.
 */

/* dirPath: at most 510 bytes; prefix: at most 260 bytes.
 * writeFlg selects the time prefix of records, crLfOption the line ending
 * (0 CR LF, 1 LF, 2 CR, other values none), outputLevel the threshold of
 * the level functions (5 admits all of them, 0 none), sleepSwitch 1 opens
 * the file but writes nothing more, bomSetFlg non-zero starts a new file
 * with the UTF-8 byte-order mark. */
CORVELIN_API uint8_t CORVELIN_CALL logInit(const char* dirPath, const char* prefix, int32_t writeFlg,
                                           int32_t crLfOption, int32_t outputLevel, int32_t sleepSwitch,
                                           int32_t bomSetFlg);

/* The same settings from section [Halvix] of a profile (.ini) file:
 * LogFileNamePrefix, LogWritePathDir, WriteFlg, CrLfOption, LogOutPutLevel,
 * LogSleepSwitch, BomSetFlg, LogKBytesRotateFlg, LogKBytesSize,
 * LogKeepFiles; LogEventLogLevel, LogEventSource for events in the Windows
 * Event Log; LogSyslogServer and its LogSyslog* keys for a syslog
 * collector; and only here LogCrashReport: 1 writes a report of an
 * unhandled exception into the log, 2 also a minidump beside it.
 * docs/reference.md ("The profile file") lists every key with its meaning
 * and default. The file must be UTF-16LE or UTF-8 with a byte-order mark:
 * Windows reads a UTF-8 file without one in the ANSI code page.
 * profilePath: at most 510 bytes; a bare file name means the Windows
 * directory. */
CORVELIN_API uint8_t CORVELIN_CALL logInitProfile(const char* profilePath);

/* Writes the end banner (not while sleeping) and closes the file. */
CORVELIN_API void CORVELIN_CALL logTerm(void);

/* ---- Records -----------------------------------------------------------
 * One call writes one line: the time prefix chosen by writeFlg, the text in
 * square brackets, the line ending. The text (at most 8190 bytes) is written
 * byte for byte; it is not a format. _log writes at every level; the others
 * only when outputLevel is at least their level. A longer text writes an
 * ERROR "[SYSLOG]" size report instead. */
CORVELIN_API void CORVELIN_CALL _log(const char* text);
CORVELIN_API void CORVELIN_CALL logDebug(const char* text);    /* level 5 */
CORVELIN_API void CORVELIN_CALL logInfo(const char* text);     /* level 4 */
CORVELIN_API void CORVELIN_CALL logWarning(const char* text);  /* level 3 */
CORVELIN_API void CORVELIN_CALL logError(const char* text);    /* level 2 */
CORVELIN_API void CORVELIN_CALL logCritical(const char* text); /* level 1 */

/* ---- Dumps -------------------------------------------------------------
 * Written straight into the log, at every output level, without a time
 * prefix. Problems are reported as "[SYSLOG]" lines where they occur. */

/* text (at most 8190 bytes, UTF-8) unchanged, broken after the character
 * that reaches newLineCnt bytes (10 to 80). startEndFlg non-zero frames it
 * with "---------- logPut-start len=<len>" and "---------- logPut-end!!";
 * len is only printed. */
CORVELIN_API void CORVELIN_CALL logPut(const char* text, int32_t len, uint8_t startEndFlg, int32_t newLineCnt);

/* len bytes of data as "xx " (lower-case hex), newLineCnt (10 to 80) to a
 * line. The size check counts the bytes before the first zero byte, within
 * the first len bytes: at most 8190 of them. */
CORVELIN_API void CORVELIN_CALL logPutHex(const void* data, int32_t len, uint8_t startEndFlg, int32_t newLineCnt);

/* A table of size bytes (at most 8190), 16 to a row: hex, printable
 * characters, offset in decimal and hex. prefix (at most 510 bytes) labels
 * it. With writeFlg 1 an INFO line with the time taken follows. */
CORVELIN_API void CORVELIN_CALL logDumpRaw(const void* data, int32_t size, const char* prefix);

/* The same table for a UTF-8 text (at most 8190 bytes; size is not used):
 * its character column shows the characters themselves. A text with a byte
 * that cannot start a character where one should start writes no table. */
CORVELIN_API void CORVELIN_CALL logDumpUTF8(const char* text, int32_t size, const char* prefix);
/* ---- Bit tables --------------------------------------------------------
 * A ruled table written into the log as one block, at every outputLevel,
 * with no time prefix; every line ends with the session's line ending.
 * The label (at most 510 bytes) is printed as it is, in square brackets; a
 * longer one writes an ERROR "[SYSLOG]" size report instead of the table.
 * Nothing happens without an open, waking session or with a null label. */

/* The two bytes of value in memory order (lowest first), in hex and bits:
 *   +-----------------+
 *   |    0   |    1   |  [label]
 *   +-----------------+
 *   |   42   |   30   |   HEX=0x3042
 *   +-----------------+
 *   |01000010|00110000|   UTF16_LE Bit Pattern!
 *   +-----------------+                                                   */
CORVELIN_API void CORVELIN_CALL makeBitStringUSHORT16(uint16_t value, const char* label);

/* The same for the four bytes of a 32-bit value (HEX=0x%08x). */
CORVELIN_API void CORVELIN_CALL makeBitStringUINT32(uint32_t value, const char* label);

/* Fifteen lines that set a Unicode scalar value (0 to 10FFFF hex,
 * surrogates included) beside its UTF-8 form: the scalar's bytes, most
 * significant first, and its bits (those above bit 20 shown as '*'), then
 * the UTF-8 bytes in sequence order, the same bytes read as a little-endian
 * 32-bit number, their bits and their count. A larger scalar writes an
 * ERROR "[SYSLOG]" line naming it (subject to outputLevel) and no table. */
CORVELIN_API void CORVELIN_CALL makeBitStringUnicodeScalarValue(uint32_t scalar, const char* label);

/* ---- Win32 errors ------------------------------------------------------
 * These work on the calling thread's last-error code, as the host left it
 * before the call: the library's own system calls never disturb it. */

/* Sets the thread's last-error code to 0, with or without a session. */
CORVELIN_API void CORVELIN_CALL w32ResetErrCode(void);

/* The thread's last-error code; 0 without an open, waking session. */
CORVELIN_API uint32_t CORVELIN_CALL getLastErr(void);

/* Writes one INFO "[SYSLOG]" line, at every outputLevel:
 *   [SYSLOG][○--INFO--○] <text> line=<line> Win32 ErrCode=<code> :<system text>
 * The system text is the system's description of the code without its
 * CR LF, or "(no system text for this code)"; a description too long for a
 * log line is cut at a character boundary. text: at most 510 bytes (a
 * longer one writes the ERROR size report instead). Nothing happens
 * without an open, waking session or with a null text. */
CORVELIN_API void CORVELIN_CALL w32ErrLog(const char* text, int32_t line);

/* ---- Message boxes -----------------------------------------------------
 * A modal box with no owner window, shown only while a session is open and
 * waking; nothing is written to the log. text and title: at most 510 bytes
 * each (a longer one writes the ERROR size report, the text's first, and
 * shows no box); invalid UTF-8 shows as an empty text. The box is shown
 * after the library's lock is released, so other threads go on logging
 * while it is open. A null text or title shows nothing. */

/* An OK box. */
CORVELIN_API void CORVELIN_CALL msgBox(const char* text, const char* title);

/* An OK/Cancel box: 1 for OK, 2 for Cancel (also Esc and the close
 * button), 0 when no box could be made (its caption and text then go to
 * the debugger) and when none was shown. */
CORVELIN_API int32_t CORVELIN_CALL msgBoxOkCancel(const char* text, const char* title);

/* ---- Elapsed time ------------------------------------------------------
 * One measurement for the whole process, on the system's wall clock.
 * Nothing happens without an open, waking session. */

/* Remembers prefix (at most 128 bytes, printed as text) and the time now.
 * A prefix of 129 to 510 bytes writes an ERROR "[SYSLOG]" line, empties
 * the prefix and keeps the previous start time; a longer one writes the
 * ERROR size report and changes nothing. A null prefix does nothing. */
CORVELIN_API void CORVELIN_CALL profileTimeStart(const char* prefix);

/* Writes, at every outputLevel, the seconds since the last start in whole
 * milliseconds:
 *   [SYSLOG][○--INFO--○] [prefix] 経過時間=1.500000[sec]
 * Every stop measures from the same start; without a start, from 1970. */
CORVELIN_API void CORVELIN_CALL profileTimeStop(void);

#ifdef __cplusplus
}
#endif

#endif /* CORVELIN_H */
