// The one seam between corvelin and the operating system.
//
// win32.cpp implements it for corvelin_x64.dll; tests/fake/ implements it in
// memory for the native unit tests. Nothing else in src/ reaches the system.
// Strings are UTF-16 (char16_t); only the Windows file turns them into wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvelin::platform {

using FileHandle = std::uintptr_t;
inline constexpr FileHandle kNoHandle = 0;
inline constexpr FileHandle kInvalidHandle = ~FileHandle{0};

// Win32 error codes the library reacts to.
inline constexpr std::uint32_t kErrFileNotFound = 2;
inline constexpr std::uint32_t kErrPathNotFound = 3;
inline constexpr std::uint32_t kErrAccessDenied = 5;
inline constexpr std::uint32_t kErrSharingViolation = 32;
inline constexpr std::uint32_t kErrFileExists = 80;
inline constexpr std::uint32_t kErrAlreadyExists = 183;
// What a start call that returns 0 leaves as the thread's last error where
// no system call failed.
inline constexpr std::uint32_t kErrNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrInvalidParameter = 87;
inline constexpr std::uint32_t kErrFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
inline constexpr std::uint32_t kErrAlreadyInitialized = 1247;

enum class Disposition { CreateNew, OpenExisting };

// Opens the log file for reading and writing, sharing read access only.
// Returns kInvalidHandle and sets the thread's last error on failure.
FileHandle openLogFile(const char16_t* path, Disposition disposition);
// One unbuffered write. Returns false when the system refused it or wrote
// fewer than `size` bytes; `written` (if given) receives the count written.
bool writeFile(FileHandle file, const void* data, std::uint32_t size,
               std::uint32_t* written = nullptr);
void seekToEnd(FileHandle file);
void closeFile(FileHandle file);
// The file's size in bytes (0 when it cannot be read).
std::uint64_t fileSize(FileHandle file);
// Cuts the last `bytes` bytes off the file (what a write that failed part
// way left), so the next write follows the last whole unit.
void cutTail(FileHandle file, std::uint64_t bytes);
// Copies up to `size` of the file's last bytes into `out`; returns how many.
// The file pointer stays at the end.
std::size_t readTail(FileHandle file, char* out, std::size_t size);
// Whether the file system takes two names for one (it ignores case).
bool sameFileName(const char16_t* a, std::size_t aUnits, const char16_t* b, std::size_t bUnits);
// Deletes a file; false (last error set) when it cannot, for instance
// because another process holds it open.
bool deleteFile(const char16_t* path);
// Calls `each` with the name (no directory) of every file in `dir`.
void listFiles(const char16_t* dir, void (*each)(const char16_t* name, void* context), void* context);
// Creates the last component only. False with the last error set otherwise.
bool createDirectory(const char16_t* path);

std::uint32_t lastError();
void setLastError(std::uint32_t code);

// The system's description of `code` (user's default language), copied into
// `out` with its terminator. Returns the units copied; 0 when the system has
// no text for the code. A longer text is cut to capacity - 1 units.
std::size_t systemMessage(std::uint32_t code, char16_t* out, std::size_t capacity);

struct CalendarTime {
  int year;    // full year, e.g. 2026
  int month;   // 1-12
  int day;     // 1-31
  int hour;    // 0-23
  int minute;  // 0-59
  int second;  // 0-60
};
// Local calendar time of a moment given in whole seconds since 1970 (UTC).
CalendarTime localTime(std::int64_t unixSeconds);
// Wall clock in 100-ns ticks since 1970-01-01 00:00 UTC.
std::int64_t ticksSince1970();
// Milliseconds since the system started (wraps after 49.7 days).
std::uint32_t millisSinceBoot();
// A cheap monotonic millisecond count (it never wraps). It moves with real
// time, in steps of a few milliseconds.
std::uint64_t monotonicMillis();
std::uint32_t currentThreadId();

// The process: its id, and the base name of its executable without
// directory or extension ("app" for C:\bin\app.exe), cut to capacity - 1
// units; returns the units copied.
std::uint32_t processId();
std::size_t executableBaseName(char16_t* out, std::size_t capacity);

// The Event Log (Application log). registerEventSource gives a handle for
// the source `name`, or kNoEventSource with the last error set; reportEvent
// reports one event of `type` (1 error, 2 warning, 4 information) and `id`
// with `text` as its one insertion string, false with the last error set.
using EventSource = std::uintptr_t;
inline constexpr EventSource kNoEventSource = 0;
EventSource registerEventSource(const char16_t* name);
bool reportEvent(EventSource source, std::uint16_t type, std::uint32_t id, const char16_t* text);
void deregisterEventSource(EventSource source);

// True when the profile functions would find `path` (a bare file name means
// the Windows directory, as they read it).
bool profileFileExists(const char16_t* path);
// Copies the key's value (or `fallback`) into out with its terminator;
// returns the units copied without it. A longer value is cut to capacity - 1.
std::size_t profileString(const char16_t* path, const char16_t* section,
                          const char16_t* key, const char16_t* fallback,
                          char16_t* out, std::size_t capacity);
std::int32_t profileInt(const char16_t* path, const char16_t* section,
                        const char16_t* key, std::int32_t fallback);

// False when nobody can see a box: the process's window station is not the
// interactive one (a service, a scheduled task, a CI job), so a modal box
// would wait for a click that never comes. Asked for each box: a process may
// change its window station.
bool boxesVisible();
// A modal box with no owner window; returns the button chosen, or 0 when no
// box could be made.
std::int32_t messageBox(const char16_t* text, const char16_t* caption, std::uint32_t type);
// Hands one zero-terminated string to an attached debugger, or to a monitor
// such as DebugView (OutputDebugStringW).
void debugString(const char16_t* text);

// The length of a zero-terminated text, as strlen gives it. The record path
// measures every text; the runtime's strlen under Wine is a byte loop that
// costs a record more than its formatting does.
std::size_t textLength(const char* text);

// Zero-filled heap block, or nullptr. release(nullptr) does nothing.
void* allocZeroed(std::size_t size);
void release(void* block);

// The process-wide lock that serialises calls into the library, and
// whether another thread is waiting for it now.
void lockSession();
void unlockSession();
bool sessionContended();

// Waiting for the writer of a batch (group commit). sleepUntil returns once
// `ready(context)` holds: a wakeSleepers() that follows a change of what
// `ready` reads wakes it, and one it misses costs it at most a millisecond.
// yieldThread gives the core to another thread, which under Wine is far
// cheaper than a sleep and a wake-up.
void sleepUntil(bool (*ready)(void* context), void* context);
void wakeSleepers();
void yieldThread();

// The network and a worker thread, for the syslog forwarder. Error codes are
// Winsock's (10061 refused, 11001 no such host, ...).
using Link = std::uintptr_t;
inline constexpr Link kNoLink = 0;
// WSAStartup; 0 or its error. Each success is matched by one netStop.
std::uint32_t netStart();
void netStop();
// Resolves `host` and opens a link to `port`: TCP connects to the first of
// its addresses that accepts (no Nagle delay; a send that has not completed
// within kSendTimeoutMillis fails); UDP takes the first address. kNoLink,
// with `error` set, when none can be had.
Link netOpen(const char16_t* host, std::uint16_t port, bool tcp, std::uint32_t& error);
inline constexpr std::uint32_t kSendTimeoutMillis = 10000;
// TCP: all of `data` on the stream; UDP: one datagram. False with `error` set.
bool netSend(Link link, const char* data, std::size_t size, std::uint32_t& error);
// False once the peer of a TCP link has closed or reset it (a collector never
// sends, so anything to read means that); a UDP link is always usable.
bool netUsable(Link link);
void netClose(Link link);
// The computer's DNS name, fully qualified when it has a domain, cut to
// capacity - 1 units; returns the units copied.
std::size_t dnsHostName(char16_t* out, std::size_t capacity);

// A thread that calls step(context) again and again. Between two calls it
// sleeps for the milliseconds step returned (kWaitForever: until woken);
// it ends when step returns kWorkerDone. The DLL stays loaded while it runs.
using Worker = std::uintptr_t;
inline constexpr Worker kNoWorker = 0;
inline constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;
inline constexpr std::uint32_t kWorkerDone = 0xFFFFFFFEu;
// kNoWorker, with the last error set, when no thread can be made.
Worker startWorker(std::uint32_t (*step)(void* context), void* context);
// Ends the worker's sleep, or the next one when it is awake.
void wakeWorker(Worker worker);
// Waits at most `millis` for the worker to end; true when it has. Either way
// `worker` is given up: a worker that has not ended goes on alone until its
// step says it is done.
bool joinWorker(Worker worker, std::uint32_t millis);

// ---- Crash reports (LogCrashReport) -------------------------------------
// What an unhandled-exception filter gathers while the process dies. It may
// be running on a thread with almost no stack left or a corrupt heap, so none
// of these allocate, and none waits without a bound.

// A filter gets the system's exception (EXCEPTION_POINTERS*), opaque here.
using CrashFilter = std::int32_t (*)(void* exception);
inline constexpr std::int32_t kContinueSearch = 0;      // on to the system's default: WER, a debugger
inline constexpr std::int32_t kExecuteHandler = 1;      // the process ends with the exception's code
inline constexpr std::int32_t kContinueExecution = -1;  // the faulting code goes on
// Makes `filter` the process's unhandled-exception filter; returns the one it
// replaced (null for none), which only callFilter and restoreCrashFilter take.
void* installCrashFilter(CrashFilter filter);
// Puts `previous` back, unless another filter replaced ours since: then that
// one stays and the result is false.
bool restoreCrashFilter(void* previous);
// The verdict of a filter installCrashFilter returned; kContinueSearch for none.
std::int32_t callFilter(void* filter, void* exception);

struct ExceptionFacts {
  std::uint32_t code;
  std::uint32_t flags;
  std::uint64_t address;
  std::uint32_t parameterCount;  // of the first three, which are copied
  std::uint64_t parameters[3];
};
ExceptionFacts exceptionFacts(void* exception);
// The crashing thread's code addresses, unwound from the exception's context
// with the unwind data of each module (never from the filter's own stack):
// the faulting address, then one return address per frame. Returns how many
// were stored; `deeper` tells that the stack went on past `capacity`.
int unwindStack(void* exception, std::uint64_t* addresses, int capacity, bool& deeper);
// The base of the module that holds `address`, 0 when none does; and its
// file name without the directory in `name`, cut to `capacity` - 1 units.
std::uint64_t moduleOf(std::uint64_t address, char16_t* name, std::size_t capacity);
// Keeps `bytes` of the calling thread's stack for its stack-overflow handling.
void reserveCrashStack(std::uint32_t bytes);
// The session lock, waited for at most `millis` (false then); and whether
// the calling thread holds it.
bool lockSessionWithin(std::uint32_t millis);
bool sessionLockedHere();
void sleepMillis(std::uint32_t millis);

// Minidumps (LogCrashReport=2). dbghelp.dll is loaded when the session
// starts, never at crash time: 0, or the Win32 error that kept it out.
std::uint32_t loadMinidumpWriter();
struct DumpOutcome {
  enum Step { Written, NoThread, NotCreated, NotWritten, TimedOut } step;
  std::uint32_t error;  // a Win32 error code (an HRESULT from MiniDumpWriteDump); for TimedOut the wait
};
// Writes a minidump of the process, with the exception and the calling
// thread, to the new file `path`, from a thread made for it (the crashing
// one may have no stack left), waiting for it at most `millis`.
DumpOutcome writeMinidump(const char16_t* path, void* exception, std::uint32_t millis);

}  // namespace corvelin::platform
