#include "fake_platform.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "crash/handler.h"
#include "session/session.h"

namespace corvelin::fake {
namespace {

World w;
std::mutex sessionMutex, progressMutex;
std::atomic<std::thread::id> lockOwner{};
std::condition_variable progress;

std::u16string parentOf(const std::u16string& p) {
  const auto cut = p.rfind(u'\\');
  return cut == std::u16string::npos ? u"" : p.substr(0, cut);
}
bool dirExists(const std::u16string& p) { return p.empty() || w.dirs.count(p) != 0; }
bool fail(std::uint32_t code) { return w.lastError = code, false; }

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400, yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}
platform::CalendarTime civil(std::int64_t s) {
  const std::int64_t days = (s >= 0 ? s : s - 86399) / 86400, rest = s - days * 86400, z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, static_cast<int>(doy - (153 * mp + 2) / 5 + 1),
          static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60), static_cast<int>(rest % 60)};
}

std::u16string profileKey(const char16_t* path) {
  const std::u16string p(path);
  return normalise(p.find_first_of(u"\\/") == std::u16string::npos ? u"C:\\windows\\" + p : p);
}
const std::u16string* profileValue(const char16_t* path, const char16_t* section, const char16_t* key) {
  const auto file = w.profiles.find(profileKey(path));
  if (file == w.profiles.end() || std::u16string(section) != u"Halvix") return nullptr;
  const auto value = file->second.find(key);
  return value == file->second.end() ? nullptr : &value->second;
}

}  // namespace

World& world() { return w; }

bool NoCase::operator()(const std::u16string& a, const std::u16string& b) const {
  const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char16_t x, char16_t y) { return fold(x) < fold(y); });
}

std::uint32_t runWorker() {
  if (w.step == nullptr || w.workerDone) return platform::kWorkerDone;
  const std::uint32_t wait = w.step(w.stepContext);
  if (wait == platform::kWorkerDone) w.workerDone = true, w.net.push_back("worker ended");
  return wait;
}

int sleepingCallers() {
  std::lock_guard<std::mutex> hold(progressMutex);
  return w.sleeping;
}

void reset() {
  if (lockOwner == std::this_thread::get_id()) platform::unlockSession();  // kept by a crash that ended its "process"
  w = World{};
  w.systemTexts = {{2, u"The system cannot find the file specified.\r\n"},
                   {3, u"The system cannot find the path specified.\r\n"},
                   {5, u"Access is denied.\r\n"},
                   {32, u"The process cannot access the file because it is being used by another process.\r\n"},
                   {112, u"There is not enough space on the disk.\r\n"}};
  w.ticks = w.ticksSeen = ticksAt(2026, 12, 5, 1, 23, 45);
  sessionResetToLoad();
  resetCrashReport();
  w.allocCalls = w.liveBlocks = 0;
}

std::u16string normalise(const std::u16string& path) {
  std::u16string out, part;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != u'\\' && path[i] != u'/') {
      part += path[i];
    } else if (!part.empty()) {
      if (part != u".") out += (out.empty() ? u"" : u"\\") + part;
      part.clear();
    }
  }
  return out;
}

std::int64_t ticksAt(int year, int month, int day, int hour, int minute, int second) {
  return (daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second) * 10000000;
}

std::string u8(const std::u16string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::uint32_t v = s[i];
    const bool pair = v >= 0xD800 && v < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000;
    if (pair) v = 0x10000 + ((v - 0xD800) << 10) + (s[++i] - 0xDC00);
    if (v >= 0xD800 && v < 0xE000) v = 0xFFFD;  // a lone surrogate
    const int extra = v < 0x80 ? 0 : v < 0x800 ? 1 : v < 0x10000 ? 2 : 3;
    out += static_cast<char>(extra == 0 ? v : (0xFF00u >> (extra + 1)) | (v >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6) out += static_cast<char>(0x80 | ((v >> shift) & 0x3F));
  }
  return out;
}

}  // namespace corvelin::fake

namespace corvelin::platform {

using fake::w;

FileHandle openLogFile(const char16_t* path, Disposition disposition) {
  const std::u16string p = fake::normalise(path);
  const bool exists = w.files.count(p) != 0, create = disposition == Disposition::CreateNew;
  const std::uint32_t error =
      p.empty() || !fake::dirExists(fake::parentOf(p)) ? kErrPathNotFound
      : w.dirs.count(p) != 0                           ? kErrAccessDenied
      : create ? (exists ? kErrFileExists : w.denied.count(p) || w.denied.count(fake::parentOf(p)) ? kErrAccessDenied : 0)
               : (!exists ? kErrFileNotFound : w.heldByOther.count(p) ? kErrSharingViolation : w.denied.count(p) ? kErrAccessDenied : 0);
  if (error != 0) return fake::fail(error), kInvalidHandle;
  w.files[p];
  w.open[w.nextHandle] = p;
  return (w.nextHandle += 4) - 4;
}

bool writeFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t* written) {
  if (w.duringWrite) w.duringWrite();
  ++w.writeCalls;
  if (written != nullptr) *written = 0;
  const auto it = w.open.find(file);
  if (it == w.open.end()) return fake::fail(6);  // ERROR_INVALID_HANDLE
  if (w.writeCalls == w.failWriteAt) return fake::fail(29);  // ERROR_WRITE_FAULT
  std::size_t n = w.writeCalls == w.shortWriteAt ? size / 2 : size;
  if (w.diskBytes != 0) {
    std::size_t used = 0;
    for (const auto& f : w.files) used += f.second.size();
    n = std::min(n, used < w.diskBytes ? w.diskBytes - used : 0);
  }
  w.files[it->second].append(static_cast<const char*>(data), n);
  if (written != nullptr) *written = static_cast<std::uint32_t>(n);
  return n == size || fake::fail(112);  // ERROR_DISK_FULL
}

void seekToEnd(FileHandle) {}  // the fake always appends
void closeFile(FileHandle file) { w.open.erase(file); }
std::uint64_t fileSize(FileHandle file) { return w.open.count(file) ? w.files[w.open[file]].size() : 0; }

void cutTail(FileHandle file, std::uint64_t bytes) {
  std::string& f = w.files[w.open.at(file)];
  f.resize(f.size() - std::min<std::size_t>(f.size(), bytes));
}
std::size_t readTail(FileHandle file, char* out, std::size_t size) {
  const std::string& f = w.files[w.open.at(file)];
  const std::size_t n = std::min(size, f.size());
  f.copy(out, n, f.size() - n);
  return n;
}
bool sameFileName(const char16_t* a, std::size_t aUnits, const char16_t* b, std::size_t bUnits) {
  const std::u16string x(a, aUnits), y(b, bUnits);
  return !fake::NoCase{}(x, y) && !fake::NoCase{}(y, x);
}

bool deleteFile(const char16_t* path) {  // a file open here or elsewhere stays
  const std::u16string p = fake::normalise(path);
  const bool open = std::any_of(w.open.begin(), w.open.end(), [&](const auto& h) { return h.second == p; });
  if (open || w.heldByOther.count(p) != 0) return fake::fail(kErrSharingViolation);
  return w.files.erase(p) != 0 || fake::fail(kErrFileNotFound);
}

void listFiles(const char16_t* dir, void (*each)(const char16_t* name, void* context), void* context) {
  const std::u16string d = fake::normalise(dir);
  const auto files = w.files;  // `each` may delete
  for (const auto& [path, bytes] : files) {
    if (fake::parentOf(path) == d) each(path.c_str() + (d.empty() ? 0 : d.size() + 1), context);
  }
}

bool createDirectory(const char16_t* path) {
  const std::u16string p = fake::normalise(path);
  if (p.empty() && path[0] != 0) return fake::fail(kErrAlreadyExists);  // "." or ".\"
  if (p.empty() || !fake::dirExists(fake::parentOf(p))) return fake::fail(kErrPathNotFound);
  if (w.dirs.count(p) != 0 || w.files.count(p) != 0) return fake::fail(kErrAlreadyExists);
  if (w.denied.count(p) != 0) return fake::fail(kErrAccessDenied);
  return w.dirs.insert(p), true;
}

std::uint32_t lastError() { return w.lastError; }
void setLastError(std::uint32_t code) { w.lastError = code; }

std::size_t systemMessage(std::uint32_t code, char16_t* out, std::size_t capacity) {
  const auto it = w.systemTexts.find(code);
  const std::u16string text = it == w.systemTexts.end() ? u"" : it->second.substr(0, capacity - 1);
  std::copy(text.c_str(), text.c_str() + text.size() + 1, out);
  return text.size();
}

CalendarTime localTime(std::int64_t unixSeconds) { return fake::civil(unixSeconds + w.utcOffsetMinutes * 60); }
std::int64_t ticksSince1970() { return w.ticks; }
std::uint32_t millisSinceBoot() { return w.bootMillis; }
std::uint64_t monotonicMillis() {
  // Any move of the test's wall clock, forward or back, is time passing.
  w.monotonicMs += static_cast<std::uint64_t>(std::abs(w.ticks - w.ticksSeen) / 10000);
  w.ticksSeen = w.ticks;
  return w.monotonicMs;
}
std::uint32_t currentThreadId() { return w.threadId; }
std::uint32_t processId() { return w.processId; }
std::size_t executableBaseName(char16_t* out, std::size_t capacity) {
  const std::u16string name = w.executable.substr(0, capacity - 1);
  std::copy(name.c_str(), name.c_str() + name.size() + 1, out);
  return name.size();
}

EventSource registerEventSource(const char16_t* name) {
  w.eventCalls.push_back("register " + fake::u8(name) + (w.registerFailure ? " fails" : ""));
  return w.registerFailure == 0 ? 0xE7 : (fake::fail(w.registerFailure), kNoEventSource);
}
bool reportEvent(EventSource source, std::uint16_t type, std::uint32_t id, const char16_t* text) {
  w.eventCalls.push_back((source == 0xE7 ? "event type " : "event of no source, type ") + std::to_string(type) + " id " +
                         std::to_string(id) + (w.reportFailure ? " fails: " : ": ") + fake::u8(text));
  return w.reportFailure == 0 || fake::fail(w.reportFailure);
}
void deregisterEventSource(EventSource source) { w.eventCalls.push_back(source == 0xE7 ? "deregister" : "no source"); }

bool profileFileExists(const char16_t* path) { return w.profiles.count(fake::profileKey(path)) != 0; }

std::size_t profileString(const char16_t* path, const char16_t* section, const char16_t* key,
                          const char16_t* fallback, char16_t* out, std::size_t capacity) {
  const std::u16string* found = fake::profileValue(path, section, key);
  const std::u16string value = std::u16string(found ? *found : fallback).substr(0, capacity - 1);
  std::copy(value.c_str(), value.c_str() + value.size() + 1, out);
  return value.size();
}

std::int32_t profileInt(const char16_t* path, const char16_t* section, const char16_t* key, std::int32_t fallback) {
  const std::u16string* found = fake::profileValue(path, section, key);
  return found ? static_cast<std::int32_t>(std::strtol(fake::u8(*found).c_str(), nullptr, 10)) : fallback;
}

bool boxesVisible() { return w.boxesVisible; }
std::int32_t messageBox(const char16_t* text, const char16_t* caption, std::uint32_t type) {
  w.boxes.push_back({text, caption, type});
  w.lastError = 1400;  // what a real box may leave behind
  return w.boxResult;
}
void debugString(const char16_t* text) { w.debugStrings.push_back(text); }

std::size_t textLength(const char* text) { return std::strlen(text); }

void* allocZeroed(std::size_t size) {
  if (++w.allocCalls == w.failAllocAt) return nullptr;
  return ++w.liveBlocks, std::calloc(1, size);
}
void release(void* block) {
  if (block != nullptr) --w.liveBlocks, std::free(block);
}

void lockSession() { fake::sessionMutex.lock(), fake::lockOwner = std::this_thread::get_id(); }
bool sessionContended() { return w.contended; }
void unlockSession() { fake::lockOwner = std::thread::id(), fake::sessionMutex.unlock(); }

void sleepUntil(bool (*ready)(void* context), void* context) {
  std::unique_lock<std::mutex> hold(fake::progressMutex);
  ++w.sleeping;
  fake::progress.wait(hold, [&] { return ready(context); });
  --w.sleeping;
}
void wakeSleepers() {
  std::lock_guard<std::mutex> hold(fake::progressMutex);
  fake::progress.notify_all();
}
void yieldThread() { std::this_thread::yield(); }

std::uint32_t netStart() {
  w.net.push_back(w.netStartError ? "startup fails " + std::to_string(w.netStartError) : "startup");
  return w.netStartError;
}
void netStop() { w.net.push_back("cleanup"); }

Link netOpen(const char16_t* host, std::uint16_t port, bool tcp, std::uint32_t& error) {
  w.ticks += w.callMillis * 10000LL;
  std::string line = std::string("open ") + (tcp ? "tcp " : "udp ") + fake::u8(host) + " " + std::to_string(port);
  w.net.push_back(line + (w.openError ? " fails " + std::to_string(w.openError) : " = link " + std::to_string(w.links + 1)));
  if (w.openError != 0) return error = w.openError, kNoLink;
  w.peerClosed = false;
  return ++w.links;
}

bool netSend(Link link, const char* data, std::size_t size, std::uint32_t& error) {
  w.ticks += w.callMillis * 10000LL;
  std::string bytes(data, size);
  for (std::size_t at; (at = bytes.find("\xEF\xBB\xBF")) != std::string::npos;) bytes.replace(at, 3, "<BOM>");
  for (std::size_t at = 0, n; at < bytes.size(); ++at) {  // long runs of one byte as <x*N>
    for (n = 1; at + n < bytes.size() && bytes[at + n] == bytes[at]; ++n) {}
    if (n >= 16) bytes.replace(at, n, "<" + bytes.substr(at, 1) + "*" + std::to_string(n) + ">");
  }
  const std::string head = "send link " + std::to_string(link);
  const bool fails = w.sendError != 0 && (w.failSendAt == 0 || ++w.sendCalls == w.failSendAt);
  w.net.push_back(fails ? head + " fails " + std::to_string(w.sendError) : head + (w.lost ? " (lost): " : ": ") + bytes);
  return !fails || (error = w.sendError, false);
}

bool netUsable(Link link) {
  if (w.peerClosed) w.net.push_back("link " + std::to_string(link) + " was closed by the collector");
  return !w.peerClosed;
}
void netClose(Link link) { w.net.push_back("close link " + std::to_string(link)); }

std::size_t dnsHostName(char16_t* out, std::size_t capacity) {
  const std::u16string name = std::u16string(u"box.example").substr(0, capacity - 1);
  std::copy(name.c_str(), name.c_str() + name.size() + 1, out);
  return name.size();
}

Worker startWorker(std::uint32_t (*step)(void* context), void* context) {
  if (w.failWorker) return w.lastError = 8, kNoWorker;
  w.net.push_back("worker started");
  w.step = step, w.stepContext = context, w.workerDone = false;
  return 1;
}
void wakeWorker(Worker) { w.net.push_back("wake"); }

// Time passes while the worker sleeps; a worker that has not ended when `millis` have passed is given up.
bool joinWorker(Worker, std::uint32_t millis) {
  const std::uint64_t start = monotonicMillis();
  for (int calls = 0; !w.workerDone && calls < 100000; ++calls) {
    const std::uint64_t passed = monotonicMillis() - start;
    if (passed >= millis) return w.net.push_back("given up after " + std::to_string(passed) + " ms"), false;
    const std::uint32_t wait = fake::runWorker();
    if (wait != kWorkerDone) w.ticks += 10000LL * std::min<std::uint64_t>(wait, millis - passed);
  }
  return w.workerDone;
}


// ---- Crash reports
void* installCrashFilter(CrashFilter filter) { void* before = w.topFilter; return w.topFilter = reinterpret_cast<void*>(filter), before; }
bool restoreCrashFilter(void* previous) { return w.topFilter == reinterpret_cast<void*>(&onCrash) && (w.topFilter = previous, true); }
std::int32_t callFilter(void* filter, void* exception) { return filter ? reinterpret_cast<CrashFilter>(filter)(exception) : kContinueSearch; }
ExceptionFacts exceptionFacts(void* exception) { return static_cast<fake::Crash*>(exception)->facts; }
int unwindStack(void* exception, std::uint64_t* addresses, int capacity, bool& deeper) {
  const auto& c = *static_cast<fake::Crash*>(exception);
  return deeper = c.deeper, static_cast<int>(std::copy_n(c.stack.begin(), std::min<std::size_t>(capacity, c.stack.size()), addresses) - addresses);
}
std::uint64_t moduleOf(std::uint64_t address, char16_t* name, std::size_t capacity) {
  auto it = w.modules.upper_bound(address);
  return it == w.modules.begin() || address - (--it)->first >= 0x10000 ? 0 : (name[it->second.copy(name, capacity - 1)] = 0, it->first);
}
void reserveCrashStack(std::uint32_t) {}
bool lockSessionWithin(std::uint32_t millis) {  // a lock held elsewhere is waited for by the fake clock
  return (!w.lockedElsewhere && fake::sessionMutex.try_lock() && (fake::lockOwner = std::this_thread::get_id(), true)) || (w.ticks += millis * 10000LL, false);
}
bool sessionLockedHere() { return fake::lockOwner == std::this_thread::get_id(); }
void sleepMillis(std::uint32_t millis) { w.ticks += millis * 10000LL; }
std::uint32_t loadMinidumpWriter() { return w.dbghelpError; }
DumpOutcome writeMinidump(const char16_t* path, void*, std::uint32_t millis) {
  if (w.dumpOutcome.step == DumpOutcome::Written) w.files[fake::normalise(path)] = "MDMP";
  return w.dumpOutcome.step == DumpOutcome::TimedOut ? DumpOutcome{DumpOutcome::TimedOut, millis} : w.dumpOutcome;
}

}  // namespace corvelin::platform
