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
 * LogSleepSwitch, BomSetFlg, LogKBytesRotateFlg, LogKBytesSize.
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

#ifdef __cplusplus
}
#endif

#endif /* CORVELIN_H */
