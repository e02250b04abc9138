// The platform seam over the real Win32 API. The only file that sees <windows.h>.
#include "platform/platform.h"

#include <winsock2.h>  // before windows.h, which would bring the old winsock.h
#include <ws2tcpip.h>
#include <windows.h>
#include <dbghelp.h>
#include <emmintrin.h>
#include <mmsystem.h>
#include <psapi.h>

#include <cstring>
#include <cwchar>
#include <ctime>

namespace corvelin::platform {
namespace {

const wchar_t* w(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
wchar_t* w(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
HANDLE h(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

// The session lock. Under Wine an SRW lock costs a record about 6 % even
// uncontended, so the uncontended path is one interlocked compare-exchange
// to take it and a plain store to free it; a thread that finds it held
// spins, yields, and at last sleeps on a condition variable.
// Each on a cache line of its own: under contention the lock changes cores
// with nearly every call, and nothing that others write or poll goes with it.
struct alignas(64) SessionLock {
  volatile LONG held = 0;
  volatile LONG waiters = 0;
  void* volatile owner = nullptr;  // the thread that holds it, by its TEB: one register read, no call
};
SessionLock lock;
struct alignas(64) Counter {
  volatile LONG value = 0;
};
Counter lockContenders;  // threads that found it held and have not got it yet
SRWLOCK waitLock = SRWLOCK_INIT;
CONDITION_VARIABLE lockFreed = CONDITION_VARIABLE_INIT;
// NtCurrentTeb() itself, which GCC 12 flags (-Warray-bounds) where it is inlined.
inline void* teb() {
  void* self;
  asm("mov %%gs:0x30, %0" : "=r"(self));
  return self;
}

// A sleeper looks again this often: a wake-up is never waited for longer, so
// the lock and the batch writer need no full barrier before they look for
// sleepers (that barrier cost every contended call a stall).
constexpr DWORD kRecheckMillis = 1;

// Callers waiting for a batch to be written.
Counter sleepers;
SRWLOCK progressLock = SRWLOCK_INIT;
CONDITION_VARIABLE progress = CONDITION_VARIABLE_INIT;

}  // namespace

FileHandle openLogFile(const char16_t* path, Disposition disposition) {
  const DWORD how = disposition == Disposition::CreateNew ? CREATE_NEW : OPEN_EXISTING;
  HANDLE file = CreateFileW(w(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, how,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<FileHandle>(file);
}

bool writeFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t* written) {
  DWORD done = 0;
  const BOOL ok = WriteFile(h(file), data, size, &done, nullptr);
  if (written != nullptr) *written = done;
  return ok != FALSE && done == size;
}

void seekToEnd(FileHandle file) { SetFilePointer(h(file), 0, nullptr, FILE_END); }

void closeFile(FileHandle file) { CloseHandle(h(file)); }

std::uint64_t fileSize(FileHandle file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(h(file), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

void cutTail(FileHandle file, std::uint64_t bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h(file), &size) || static_cast<std::uint64_t>(size.QuadPart) < bytes) return;
  LARGE_INTEGER end{};
  end.QuadPart = size.QuadPart - static_cast<LONGLONG>(bytes);
  if (SetFilePointerEx(h(file), end, nullptr, FILE_BEGIN)) SetEndOfFile(h(file));
}

std::size_t readTail(FileHandle file, char* out, std::size_t size) {
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(h(file), &length)) return 0;
  const std::size_t n = static_cast<std::uint64_t>(length.QuadPart) < size ? static_cast<std::size_t>(length.QuadPart) : size;
  LARGE_INTEGER back{};
  back.QuadPart = -static_cast<LONGLONG>(n);
  DWORD got = 0;
  if (n == 0 || !SetFilePointerEx(h(file), back, nullptr, FILE_END) ||
      !ReadFile(h(file), out, static_cast<DWORD>(n), &got, nullptr)) {
    got = 0;
  }
  SetFilePointer(h(file), 0, nullptr, FILE_END);
  return got;
}

bool sameFileName(const char16_t* a, std::size_t aUnits, const char16_t* b, std::size_t bUnits) {
  // NTFS compares names through an upper-case table, as this does.
  return CompareStringOrdinal(w(a), static_cast<int>(aUnits), w(b), static_cast<int>(bUnits), TRUE) == CSTR_EQUAL;
}

bool deleteFile(const char16_t* path) { return DeleteFileW(w(path)) != FALSE; }

void listFiles(const char16_t* dir, void (*each)(const char16_t* name, void* context), void* context) {
  wchar_t pattern[1100];  // the session's directories are far shorter
  std::size_t n = 0;
  for (; dir[n] != 0; ++n) {
    if (n + 3 > sizeof pattern / sizeof pattern[0]) return;
    pattern[n] = static_cast<wchar_t>(dir[n]);
  }
  pattern[n] = L'\\', pattern[n + 1] = L'*', pattern[n + 2] = 0;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      each(reinterpret_cast<const char16_t*>(found.cFileName), context);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool createDirectory(const char16_t* path) { return CreateDirectoryW(w(path), nullptr) != FALSE; }

// Every call saves and restores the host's last error: read in the thread's
// TEB (LastErrorValue, at 0x68 on x64) where GetLastError itself reads it.
volatile DWORD* lastErrorSlot() { return reinterpret_cast<volatile DWORD*>(reinterpret_cast<char*>(NtCurrentTeb()) + 0x68); }

std::uint32_t lastError() { return *lastErrorSlot(); }

void setLastError(std::uint32_t code) { *lastErrorSlot() = code; }

std::size_t systemMessage(std::uint32_t code, char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = 0;
  wchar_t* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
  const DWORD n = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                 reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (n == 0 || text == nullptr) return 0;
  std::size_t count = n < capacity ? n : capacity - 1;
  std::memcpy(out, text, count * sizeof(char16_t));
  out[count] = 0;
  LocalFree(text);
  return count;
}

CalendarTime localTime(std::int64_t unixSeconds) {
  __time64_t t = unixSeconds;
  std::tm tm{};
  if (_localtime64_s(&tm, &t) != 0) return CalendarTime{1970, 1, 1, 0, 0, 0};
  return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::int64_t ticksSince1970() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const std::int64_t since1601 =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  return since1601 - 116444736000000000LL;  // 1601-01-01 to 1970-01-01
}

std::uint32_t millisSinceBoot() { return timeGetTime(); }

std::uint64_t monotonicMillis() { return GetTickCount64(); }

std::uint32_t currentThreadId() { return GetCurrentThreadId(); }

std::uint32_t processId() { return GetCurrentProcessId(); }

std::size_t executableBaseName(char16_t* out, std::size_t capacity) {
  wchar_t path[32768];
  const DWORD n = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
  if (capacity == 0) return 0;
  out[0] = 0;
  if (n == 0 || n >= sizeof path / sizeof path[0]) return 0;
  const wchar_t* start = path;
  for (const wchar_t* p = path; *p != 0; ++p) {
    if (*p == L'\\' || *p == L'/') start = p + 1;
  }
  const wchar_t* end = std::wcsrchr(start, L'.');
  if (end == nullptr) end = path + n;
  std::size_t units = static_cast<std::size_t>(end - start);
  if (units > capacity - 1) units = capacity - 1;
  std::memcpy(out, start, units * sizeof(char16_t));
  out[units] = 0;
  return units;
}

EventSource registerEventSource(const char16_t* name) {
  return reinterpret_cast<EventSource>(RegisterEventSourceW(nullptr, w(name)));
}

bool reportEvent(EventSource source, std::uint16_t type, std::uint32_t id, const char16_t* text) {
  const wchar_t* strings[1] = {w(text)};
  return ReportEventW(reinterpret_cast<HANDLE>(source), type, 0, id, nullptr, 1, 0, strings, nullptr) != FALSE;
}

void deregisterEventSource(EventSource source) { DeregisterEventSource(reinterpret_cast<HANDLE>(source)); }

bool profileFileExists(const char16_t* path) {
  // The profile functions look for a bare file name in the Windows directory.
  const wchar_t* p = w(path);
  if (std::wcschr(p, L'\\') == nullptr && std::wcschr(p, L'/') == nullptr) {
    wchar_t full[MAX_PATH + 1024];
    const UINT n = GetWindowsDirectoryW(full, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || n + 2 + std::wcslen(p) >= sizeof full / sizeof full[0]) return false;
    full[n] = L'\\';
    std::wcscpy(full + n + 1, p);
    const DWORD a = GetFileAttributesW(full);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  const DWORD a = GetFileAttributesW(p);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::size_t profileString(const char16_t* path, const char16_t* section, const char16_t* key,
                          const char16_t* fallback, char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  return GetPrivateProfileStringW(w(section), w(key), w(fallback), w(out), static_cast<DWORD>(capacity),
                                  w(path));
}

std::int32_t profileInt(const char16_t* path, const char16_t* section, const char16_t* key,
                        std::int32_t fallback) {
  return static_cast<std::int32_t>(GetPrivateProfileIntW(w(section), w(key), fallback, w(path)));
}

bool boxesVisible() {
  // Only the interactive window station (WinSta0) is visible. If the station
  // cannot be asked, take it as unattended: a lost box beats a process hung.
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  HWINSTA station = GetProcessWindowStation();
  return station != nullptr &&
         GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed) != FALSE &&
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

std::int32_t messageBox(const char16_t* text, const char16_t* caption, std::uint32_t type) {
  // Wine without a display gives -1 when it cannot make the box; Windows gives 0.
  const int answer = MessageBoxW(nullptr, w(text), w(caption), type);
  return answer < 0 ? 0 : answer;
}

void debugString(const char16_t* text) { OutputDebugStringW(w(text)); }

std::size_t textLength(const char* text) {
  // Aligned 16-byte loads never cross a page, so none can fault past the terminator.
  const auto start = reinterpret_cast<std::uintptr_t>(text);
  const char* block = reinterpret_cast<const char*>(start & ~std::uintptr_t{15});
  const __m128i zero = _mm_setzero_si128();
  auto zeros = [&] {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(block)), zero)));
  };
  unsigned mask = zeros() >> (start & 15);
  if (mask != 0) return static_cast<std::size_t>(__builtin_ctz(mask));
  for (;;) {
    block += 16;
    mask = zeros();
    if (mask != 0) return static_cast<std::size_t>(block + __builtin_ctz(mask) - text);
  }
}

void* allocZeroed(std::size_t size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }

void release(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

#if defined(CORVELIN_BENCH_WITHOUT_LOCK)
// Only for the benchmark's second DLL, which measures what the lock costs.
void lockSession() {}
void unlockSession() {}
bool sessionContended() { return false; }
bool lockSessionWithin(std::uint32_t) { return true; }
bool sessionLockedHere() { return false; }
#else
void lockSession() {
  if (InterlockedCompareExchange(&lock.held, 1, 0) == 0) {
    lock.owner = teb();
    return;
  }
  InterlockedIncrement(&lockContenders.value);
  // It is held only to format and hand on a unit: waiting a little, then
  // giving the core away, is far cheaper under Wine than a sleep and a
  // wake-up, and keeps callers near enough to join the batch in flight.
  for (int i = 0; i < 64; ++i) {
    if (i < 32) {
      YieldProcessor();
    } else {
      SwitchToThread();
    }
    if (lock.held == 0 && InterlockedCompareExchange(&lock.held, 1, 0) == 0) {
      InterlockedDecrement(&lockContenders.value);
      lock.owner = teb();
      return;
    }
  }
  AcquireSRWLockExclusive(&waitLock);
  InterlockedIncrement(&lock.waiters);
  while (InterlockedCompareExchange(&lock.held, 1, 0) != 0) {
    SleepConditionVariableSRW(&lockFreed, &waitLock, kRecheckMillis, 0);
  }
  InterlockedDecrement(&lock.waiters);
  ReleaseSRWLockExclusive(&waitLock);
  InterlockedDecrement(&lockContenders.value);
  lock.owner = teb();
}

bool sessionContended() { return lockContenders.value != 0; }

bool lockSessionWithin(std::uint32_t millis) {
  // As a contender: the holder then hands its units on outside the lock, so
  // a thread that logs without a pause still leaves it free now and then.
  InterlockedIncrement(&lockContenders.value);
  const ULONGLONG end = GetTickCount64() + millis;
  bool got = false;
  for (unsigned i = 1; !(got = lock.held == 0 && InterlockedCompareExchange(&lock.held, 1, 0) == 0); ++i) {
    if (GetTickCount64() > end) break;
    if (i % 64 == 0) {
      SwitchToThread();
    } else {
      YieldProcessor();
    }
  }
  InterlockedDecrement(&lockContenders.value);
  if (got) lock.owner = teb();
  return got;
}

// Only this thread ever stores its own TEB there, and clears it before it
// lets go: so the answer is exact for the calling thread.
bool sessionLockedHere() { return lock.owner == teb(); }

void unlockSession() {
  lock.owner = nullptr;
  // A release store, no full barrier: under contention that barrier stalled
  // every call until its stores had left the core. The count read next may
  // be stale, so a waiter that has just announced itself can be missed; it
  // looks again after kRecheckMillis.
  __atomic_store_n(&lock.held, 0, __ATOMIC_RELEASE);
  if (lock.waiters != 0) {
    AcquireSRWLockExclusive(&waitLock);
    ReleaseSRWLockExclusive(&waitLock);
    WakeConditionVariable(&lockFreed);
  }
}
#endif

void sleepUntil(bool (*ready)(void* context), void* context) {
  AcquireSRWLockExclusive(&progressLock);
  InterlockedIncrement(&sleepers.value);
  while (!ready(context)) SleepConditionVariableSRW(&progress, &progressLock, kRecheckMillis, 0);
  InterlockedDecrement(&sleepers.value);
  ReleaseSRWLockExclusive(&progressLock);
}

void wakeSleepers() {
  if (sleepers.value == 0) return;  // may be stale: a sleeper missed looks again after kRecheckMillis
  AcquireSRWLockExclusive(&progressLock);
  ReleaseSRWLockExclusive(&progressLock);
  WakeAllConditionVariable(&progress);
}

void yieldThread() { SwitchToThread(); }

// The network and the worker thread (the syslog forwarder).
namespace {

struct NetLink {
  SOCKET socket;
  bool tcp;
  int addressLength;
  sockaddr_storage address;  // UDP: where each datagram goes
};
NetLink* netLink(Link link) { return reinterpret_cast<NetLink*>(link); }

struct WorkerBlock {
  HANDLE thread, wake;
  std::uint32_t (*step)(void*);
  void* context;
  HMODULE module;
  volatile LONG state;  // 1: the thread is done with the block; 2: the joiner gave it up
};

void freeWorker(WorkerBlock* b) {
  CloseHandle(b->thread);
  CloseHandle(b->wake);
  HeapFree(GetProcessHeap(), 0, b);
}

DWORD WINAPI workerMain(void* p) {
  auto* b = static_cast<WorkerBlock*>(p);
  for (std::uint32_t wait; (wait = b->step(b->context)) != kWorkerDone;) {
    if (wait != 0) WaitForSingleObject(b->wake, wait == kWaitForever ? INFINITE : wait);
  }
  const HMODULE module = b->module;
  if (InterlockedExchange(&b->state, 1) == 2) freeWorker(b);
  FreeLibraryAndExitThread(module, 0);
  return 0;
}

}  // namespace

std::uint32_t netStart() {
  WSADATA data;
  return static_cast<std::uint32_t>(WSAStartup(MAKEWORD(2, 2), &data));
}

void netStop() { WSACleanup(); }

Link netOpen(const char16_t* host, std::uint16_t port, bool tcp, std::uint32_t& error) {
  wchar_t service[8];
  swprintf(service, 8, L"%u", static_cast<unsigned>(port));
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = tcp ? SOCK_STREAM : SOCK_DGRAM;
  hints.ai_protocol = tcp ? IPPROTO_TCP : IPPROTO_UDP;
  ADDRINFOW* found = nullptr;
  const int resolved = GetAddrInfoW(w(host), service, &hints, &found);
  if (resolved != 0) return error = static_cast<std::uint32_t>(resolved), kNoLink;
  NetLink* link = nullptr;
  for (ADDRINFOW* a = found; a != nullptr && link == nullptr; a = a->ai_next) {
    const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) {
      error = static_cast<std::uint32_t>(WSAGetLastError());
      continue;
    }
    const BOOL on = TRUE;
    const DWORD timeout = kSendTimeoutMillis;
    if (tcp && (setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) != 0 ||
                setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout) != 0 ||
                connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0)) {
      error = static_cast<std::uint32_t>(WSAGetLastError());
      closesocket(s);
      continue;
    }
    link = static_cast<NetLink*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(NetLink)));
    if (link == nullptr) {
      error = WSAENOBUFS;
      closesocket(s);
      break;
    }
    link->socket = s;
    link->tcp = tcp;
    link->addressLength = static_cast<int>(a->ai_addrlen);
    std::memcpy(&link->address, a->ai_addr, a->ai_addrlen);
  }
  FreeAddrInfoW(found);
  return reinterpret_cast<Link>(link);
}

bool netSend(Link link, const char* data, std::size_t size, std::uint32_t& error) {
  NetLink* n = netLink(link);
  if (!n->tcp) {
    const int sent = sendto(n->socket, data, static_cast<int>(size), 0, reinterpret_cast<const sockaddr*>(&n->address),
                            n->addressLength);
    if (sent == static_cast<int>(size)) return true;
    return error = sent == SOCKET_ERROR ? static_cast<std::uint32_t>(WSAGetLastError()) : WSAEMSGSIZE, false;
  }
  while (size > 0) {
    const int sent = send(n->socket, data, static_cast<int>(size > 0x40000000u ? 0x40000000u : size), 0);
    if (sent == SOCKET_ERROR) return error = static_cast<std::uint32_t>(WSAGetLastError()), false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool netUsable(Link link) {
  NetLink* n = netLink(link);
  if (!n->tcp) return true;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(n->socket, &readable);
  timeval none{0, 0};
  if (select(0, &readable, nullptr, nullptr, &none) != 1) return true;  // nothing to read; a failed look is left to the send
  char byte;
  return recv(n->socket, &byte, 1, MSG_PEEK) > 0;  // 0: closed by the peer; an error: reset
}

void netClose(Link link) {
  closesocket(netLink(link)->socket);
  HeapFree(GetProcessHeap(), 0, netLink(link));
}

std::size_t dnsHostName(char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  wchar_t name[256];
  DWORD n = 256;
  if (!GetComputerNameExW(ComputerNameDnsFullyQualified, name, &n)) n = 0;
  const std::size_t units = n < capacity ? n : capacity - 1;
  std::memcpy(out, name, units * sizeof(char16_t));
  out[units] = 0;
  return units;
}

Worker startWorker(std::uint32_t (*step)(void* context), void* context) {
  auto* b = static_cast<WorkerBlock*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(WorkerBlock)));
  if (b == nullptr) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), kNoWorker;
  b->step = step;
  b->context = context;
  b->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  // The thread holds the DLL, so that an unload cannot pull its code away while it runs.
  if (b->wake != nullptr && GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                               reinterpret_cast<LPCWSTR>(&workerMain), &b->module)) {
    b->thread = CreateThread(nullptr, 0, workerMain, b, 0, nullptr);
    if (b->thread != nullptr) {
      SetThreadPriority(b->thread, THREAD_PRIORITY_BELOW_NORMAL);  // the host's own threads come first
      return reinterpret_cast<Worker>(b);
    }
    const DWORD error = GetLastError();
    FreeLibrary(b->module);
    SetLastError(error);
  }
  const DWORD error = GetLastError();
  if (b->wake != nullptr) CloseHandle(b->wake);
  HeapFree(GetProcessHeap(), 0, b);
  SetLastError(error);
  return kNoWorker;
}

void wakeWorker(Worker worker) { SetEvent(reinterpret_cast<WorkerBlock*>(worker)->wake); }

bool joinWorker(Worker worker, std::uint32_t millis) {
  auto* b = reinterpret_cast<WorkerBlock*>(worker);
  const bool ended = WaitForSingleObject(b->thread, millis) == WAIT_OBJECT_0;
  if (InterlockedExchange(&b->state, 2) == 1) freeWorker(b);  // otherwise the thread frees it when it ends
  return ended;
}

// ---- Crash reports ------------------------------------------------------
namespace {

CrashFilter coreFilter = nullptr;
LONG WINAPI systemFilter(EXCEPTION_POINTERS* exception) { return coreFilter(exception); }

using WriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
WriteDump miniDumpWriteDump = nullptr;

struct DumpJob {
  const wchar_t* path;
  EXCEPTION_POINTERS* exception;
  DWORD threadId;
  DumpOutcome outcome;
};
DumpJob dumpJob;

DWORD WINAPI writeDumpJob(void*) {
  HANDLE file = CreateFileW(dumpJob.path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    dumpJob.outcome = {DumpOutcome::NotCreated, GetLastError()};
    return 0;
  }
  MINIDUMP_EXCEPTION_INFORMATION info{dumpJob.threadId, dumpJob.exception, FALSE};
  const BOOL ok = miniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &info,
                                    nullptr, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) DeleteFileW(dumpJob.path);  // a dump cut short opens in no debugger
  dumpJob.outcome = ok ? DumpOutcome{DumpOutcome::Written, 0} : DumpOutcome{DumpOutcome::NotWritten, error};
  return 0;
}

}  // namespace

void* installCrashFilter(CrashFilter filter) {
  coreFilter = filter;
  return reinterpret_cast<void*>(SetUnhandledExceptionFilter(systemFilter));
}

bool restoreCrashFilter(void* previous) {
  const LPTOP_LEVEL_EXCEPTION_FILTER current =
      SetUnhandledExceptionFilter(reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(previous));
  if (current == systemFilter) return true;
  SetUnhandledExceptionFilter(current);  // installed after ours: it stays
  return false;
}

std::int32_t callFilter(void* filter, void* exception) {
  return filter == nullptr ? kContinueSearch
                           : reinterpret_cast<LPTOP_LEVEL_EXCEPTION_FILTER>(filter)(static_cast<EXCEPTION_POINTERS*>(exception));
}

ExceptionFacts exceptionFacts(void* exception) {
  const EXCEPTION_RECORD* r = static_cast<EXCEPTION_POINTERS*>(exception)->ExceptionRecord;
  ExceptionFacts facts{r->ExceptionCode, r->ExceptionFlags, reinterpret_cast<std::uint64_t>(r->ExceptionAddress),
                       r->NumberParameters < 3 ? r->NumberParameters : 3, {}};
  for (std::uint32_t i = 0; i < facts.parameterCount; ++i) facts.parameters[i] = r->ExceptionInformation[i];
  return facts;
}

int unwindStack(void* exception, std::uint64_t* addresses, int capacity, bool& deeper) {
  static CONTEXT context;  // 1.2 KB off a stack that may be all but gone; one report at a time
  context = *static_cast<EXCEPTION_POINTERS*>(exception)->ContextRecord;
  const auto* tib = static_cast<const NT_TIB*>(teb());
  const auto high = reinterpret_cast<DWORD64>(tib->StackBase);
  int n = 0;
  deeper = false;
  while (context.Rip != 0 && context.Rsp >= reinterpret_cast<DWORD64>(tib->StackLimit) && context.Rsp < high) {
    if (n == capacity) {
      deeper = true;
      break;
    }
    addresses[n++] = context.Rip;
    const DWORD64 rsp = context.Rsp;
    DWORD64 base = 0;
    RUNTIME_FUNCTION* function = RtlLookupFunctionEntry(context.Rip, &base, nullptr);
    if (function != nullptr) {
      void* handlerData = nullptr;
      DWORD64 frame = 0;
      RtlVirtualUnwind(UNW_FLAG_NHANDLER, base, context.Rip, function, &context, &handlerData, &frame, nullptr);
    } else if (n == 1) {
      // Code without unwind data faulted: a leaf function, its return address on top of the stack, or one
      // that pushed a few registers first (MinGW's stack probe): the first slot that holds an address of
      // code with unwind data.
      const auto* slot = reinterpret_cast<const DWORD64*>(rsp);
      std::size_t i = 0;
      while (i < 4 && i + 1 < (high - rsp) / 8 && RtlLookupFunctionEntry(slot[i], &base, nullptr) == nullptr) ++i;
      if (RtlLookupFunctionEntry(slot[i], &base, nullptr) == nullptr) i = 0;
      context.Rip = slot[i];
      context.Rsp = reinterpret_cast<DWORD64>(slot + i + 1);
    } else {
      break;  // code without unwind data: its caller is unknown
    }
    if (context.Rsp <= rsp) break;  // a frame must move up the stack
  }
  return n;
}

std::uint64_t moduleOf(std::uint64_t address, char16_t* name, std::size_t capacity) {
  // The loader's list read as another process would read it: GetModuleHandleEx would take the loader lock, which a
  // thread that waits for the session lock may hold.
  static HMODULE modules[1024];
  DWORD bytes = 0;
  name[0] = 0;
  if (!K32EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes)) return 0;
  for (DWORD i = 0; i < bytes / sizeof modules[0] && i < 1024; ++i) {
    const auto base = reinterpret_cast<std::uint64_t>(modules[i]);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(modules[i]);
    if (address - base >= reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)->OptionalHeader.SizeOfImage) continue;
    const DWORD n = K32GetModuleBaseNameW(GetCurrentProcess(), modules[i], w(name), static_cast<DWORD>(capacity - 1));
    name[n < capacity ? n : capacity - 1] = 0;
    return base;
  }
  return 0;
}

void reserveCrashStack(std::uint32_t bytes) {
  ULONG size = bytes;
  SetThreadStackGuarantee(&size);
}

void sleepMillis(std::uint32_t millis) { Sleep(millis); }


std::uint32_t loadMinidumpWriter() {
  HMODULE dbghelp = LoadLibraryExW(L"dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (dbghelp == nullptr) return GetLastError();
  miniDumpWriteDump = reinterpret_cast<WriteDump>(reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
  return miniDumpWriteDump != nullptr ? 0 : GetLastError();
}

DumpOutcome writeMinidump(const char16_t* path, void* exception, std::uint32_t millis) {
  dumpJob = {w(path), static_cast<EXCEPTION_POINTERS*>(exception), GetCurrentThreadId(), {DumpOutcome::NotWritten, 0}};
  HANDLE thread = CreateThread(nullptr, 0, writeDumpJob, nullptr, 0, nullptr);
  if (thread == nullptr) return {DumpOutcome::NoThread, GetLastError()};
  const DWORD waited = WaitForSingleObject(thread, millis);
  CloseHandle(thread);
  return waited == WAIT_OBJECT_0 ? dumpJob.outcome : DumpOutcome{DumpOutcome::TimedOut, millis};
}

}  // namespace corvelin::platform
