#include "fake_platform.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "session/session.h"

namespace corvelin::fake {
namespace {

World theWorld;
std::mutex sessionMutex;

std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = static_cast<int>(y - era * 400);
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

platform::CalendarTime civilFromSeconds(std::int64_t s) {
  std::int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  std::int64_t rest = s - days * 86400;
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int doe = static_cast<int>(days - era * 146097);
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int d = doy - (153 * mp + 2) / 5 + 1;
  const int m = mp + (mp < 10 ? 3 : -9);
  const int y = static_cast<int>(yoe + era * 400) + (m <= 2);
  return platform::CalendarTime{y, m, d, static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60),
                                static_cast<int>(rest % 60)};
}

std::u16string parentOf(const std::u16string& normalised) {
  const auto cut = normalised.rfind(u'\\');
  return cut == std::u16string::npos ? std::u16string() : normalised.substr(0, cut);
}

bool dirExists(const std::u16string& normalised) {
  return normalised.empty() || theWorld.dirs.count(normalised) != 0;
}

std::u16string lower(std::u16string s) {
  for (auto& c : s) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  return s;
}

std::u16string trim(const std::u16string& s) {
  const std::size_t a = s.find_first_not_of(u" \t\r");
  return a == std::u16string::npos ? std::u16string() : s.substr(a, s.find_last_not_of(u" \t\r") + 1 - a);
}

std::u16string profileKey(const char16_t* path) {
  std::u16string p(path);
  if (p.find(u'\\') == std::u16string::npos && p.find(u'/') == std::u16string::npos) {
    p = theWorld.windowsDir + u"\\" + p;
  }
  return normalise(p);
}

// The value of section/key in a profile text, as the profile functions read it.
bool lookupProfile(const char16_t* path, const char16_t* section, const char16_t* key, std::u16string& value) {
  const auto it = theWorld.profiles.find(profileKey(path));
  if (it == theWorld.profiles.end()) return false;
  const std::u16string& text = it->second;
  bool inSection = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string line = trim(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line[0] == u'[') {
      const auto close = line.find(u']');
      inSection = close != std::u16string::npos && lower(line.substr(1, close - 1)) == lower(section);
      continue;
    }
    const auto eq = line.find(u'=');
    if (inSection && eq != std::u16string::npos && lower(trim(line.substr(0, eq))) == lower(key)) {
      value = trim(line.substr(eq + 1));
      return true;
    }
  }
  return false;
}

void fail(std::uint32_t code) { theWorld.lastError = code; }

}  // namespace

World& world() { return theWorld; }

void reset() {
  theWorld = World{};
  theWorld.dirs.insert(u"C:");
  theWorld.systemTexts = {
      {2, u"The system cannot find the file specified.\r\n"},
      {3, u"The system cannot find the path specified.\r\n"},
      {5, u"Access is denied.\r\n"},
      {32, u"The process cannot access the file because it is being used by another process.\r\n"},
      {80, u"The file exists.\r\n"},
      {183, u"Cannot create a file when that file already exists.\r\n"},
  };
  theWorld.ticks = ticksAt(2026, 12, 5, 1, 23, 45);
  theWorld.monotonicSeenTicks = theWorld.ticks;
  sessionResetToLoad();
  theWorld.allocCalls = 0;
  theWorld.liveBlocks = 0;
}

std::u16string normalise(const std::u16string& path) {
  std::u16string out, part;
  auto flush = [&] {
    if (!part.empty() && part != u".") {
      if (!out.empty()) out += u'\\';
      out += part;
    }
    part.clear();
  };
  for (char16_t c : path) {
    if (c == u'\\' || c == u'/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  return out;
}

std::string fileText(const std::u16string& path) {
  const auto it = theWorld.files.find(normalise(path));
  return it == theWorld.files.end() ? std::string() : it->second;
}

void addDir(const std::u16string& path) {
  std::u16string n = normalise(path);
  while (!n.empty()) {
    theWorld.dirs.insert(n);
    n = parentOf(n);
  }
}

void removeDir(const std::u16string& path) {
  const std::u16string n = normalise(path);
  auto below = [&](const std::u16string& p) { return p == n || p.rfind(n + u"\\", 0) == 0; };
  for (auto it = theWorld.files.begin(); it != theWorld.files.end();) {
    if (below(it->first)) {
      theWorld.orphaned.insert(it->first);
      it = theWorld.files.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = theWorld.dirs.begin(); it != theWorld.dirs.end();) it = below(*it) ? theWorld.dirs.erase(it) : ++it;
}

std::int64_t ticksAt(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t local = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return (local - theWorld.utcOffsetSeconds) * 10000000;
}

std::u16string u16(const char* utf8) {
  std::u16string out;
  for (const auto* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0;) {
    const int extra = *p < 0x80 ? 0 : *p < 0xE0 ? 1 : *p < 0xF0 ? 2 : 3;
    std::uint32_t v = *p++ & (extra == 0 ? 0x7Fu : 0x3Fu >> extra);
    for (int i = 0; i < extra && *p != 0; ++i) v = (v << 6) | (*p++ & 0x3Fu);
    if (v >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
      v = 0xDC00 + (v & 0x3FF);
    }
    out += static_cast<char16_t>(v);
  }
  return out;
}

std::string u8(const std::u16string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::uint32_t v = s[i];
    if (v >= 0xD800 && v <= 0xDBFF && i + 1 < s.size()) v = ((v - 0xD800) << 10) + (s[++i] - 0xDC00) + 0x10000;
    const int extra = v < 0x80 ? 0 : v < 0x800 ? 1 : v < 0x10000 ? 2 : 3;
    out += static_cast<char>(extra == 0 ? v : (0xFF00u >> (extra + 1)) | (v >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6) out += static_cast<char>(0x80 | ((v >> shift) & 0x3F));
  }
  return out;
}

}  // namespace corvelin::fake

namespace corvelin::platform {

using fake::theWorld;

FileHandle openLogFile(const char16_t* path, Disposition disposition) {
  const std::u16string p = fake::normalise(path);
  const bool exists = theWorld.files.count(p) != 0;
  const bool denied = theWorld.denied.count(p) != 0;
  std::uint32_t error = 0;
  if (p.empty() || !fake::dirExists(fake::parentOf(p))) {
    error = kErrPathNotFound;
  } else if (theWorld.dirs.count(p) != 0) {
    error = kErrAccessDenied;
  } else if (disposition == Disposition::CreateNew) {
    error = exists ? kErrFileExists : denied || theWorld.denied.count(fake::parentOf(p)) != 0 ? kErrAccessDenied : 0;
  } else {
    error = !exists ? kErrFileNotFound : theWorld.heldByOther.count(p) != 0 ? kErrSharingViolation
                                       : denied                             ? kErrAccessDenied
                                                                            : 0;
  }
  if (error != 0) {
    fake::fail(error);
    return kInvalidHandle;
  }
  theWorld.files[p];
  const FileHandle h = theWorld.nextHandle;
  theWorld.nextHandle += 4;
  theWorld.handles[h] = fake::World::Open{p};
  return h;
}

bool writeFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t* written) {
  ++theWorld.writeCalls;
  if (written != nullptr) *written = 0;
  const auto it = theWorld.handles.find(file);
  if (it == theWorld.handles.end() || it->second.closed) {
    fake::fail(6);  // ERROR_INVALID_HANDLE
    return false;
  }
  if (theWorld.writeCalls == theWorld.failWriteAt) {
    fake::fail(29);  // ERROR_WRITE_FAULT
    return false;
  }
  std::uint32_t n = size;
  if (theWorld.writeCalls == theWorld.shortWriteAt) n = size / 2;
  if (theWorld.diskBytes != 0) {
    std::size_t used = 0;
    for (const auto& f : theWorld.files) used += f.second.size();
    const std::size_t room = used < theWorld.diskBytes ? theWorld.diskBytes - used : 0;
    if (n > room) n = static_cast<std::uint32_t>(room);
  }
  if (theWorld.orphaned.count(it->second.path) != 0) {
    if (written != nullptr) *written = size;  // the system takes it; nobody will read it
    return true;
  }
  theWorld.files[it->second.path].append(static_cast<const char*>(data), n);
  if (written != nullptr) *written = n;
  if (n != size) fake::fail(112);  // ERROR_DISK_FULL
  return n == size;
}

void seekToEnd(FileHandle) {}  // the fake always appends

void closeFile(FileHandle file) {
  const auto it = theWorld.handles.find(file);
  if (it != theWorld.handles.end()) it->second.closed = true;
}

bool createDirectory(const char16_t* path) {
  const std::u16string p = fake::normalise(path);
  std::uint32_t error = 0;
  if (p.empty() && path[0] != 0) {
    error = kErrAlreadyExists;  // "." and ".\" name the current directory
  } else if (p.empty() || !fake::dirExists(fake::parentOf(p))) {
    error = kErrPathNotFound;
  } else if (theWorld.dirs.count(p) != 0 || theWorld.files.count(p) != 0) {
    error = kErrAlreadyExists;
  } else if (theWorld.denied.count(p) != 0) {
    error = kErrAccessDenied;
  }
  if (error != 0) {
    fake::fail(error);
    return false;
  }
  theWorld.dirs.insert(p);
  return true;
}

std::uint32_t lastError() { return theWorld.lastError; }
void setLastError(std::uint32_t code) { theWorld.lastError = code; }

std::size_t systemMessage(std::uint32_t code, char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = 0;
  const auto it = theWorld.systemTexts.find(code);
  if (it == theWorld.systemTexts.end()) return 0;
  const std::size_t n = it->second.size() < capacity ? it->second.size() : capacity - 1;
  std::memcpy(out, it->second.data(), n * sizeof(char16_t));
  out[n] = 0;
  return n;
}

CalendarTime localTime(std::int64_t unixSeconds) {
  ++theWorld.localTimeCalls;
  return fake::civilFromSeconds(unixSeconds + theWorld.utcOffsetSeconds);
}

std::int64_t ticksSince1970() { return theWorld.ticks; }
std::uint32_t millisSinceBoot() { return theWorld.bootMillis; }
std::uint64_t monotonicMillis() {
  // Every move of the test's wall clock, forward or back, counts as time
  // passing, so a test can set any moment and meet a fresh reading.
  const std::int64_t moved = theWorld.ticks - theWorld.monotonicSeenTicks;
  theWorld.monotonicTicks += moved < 0 ? -moved : moved;
  theWorld.monotonicSeenTicks = theWorld.ticks;
  return static_cast<std::uint64_t>(theWorld.monotonicTicks / 10000 + theWorld.monotonicSkewMillis);
}
std::uint32_t currentThreadId() { return theWorld.threadId; }

bool profileFileExists(const char16_t* path) { return theWorld.profiles.count(fake::profileKey(path)) != 0; }

std::size_t profileString(const char16_t* path, const char16_t* section, const char16_t* key,
                          const char16_t* fallback, char16_t* out, std::size_t capacity) {
  if (capacity == 0) return 0;
  std::u16string value;
  if (!fake::lookupProfile(path, section, key, value)) value = fallback;
  theWorld.lastError = theWorld.profiles.count(fake::profileKey(path)) != 0 ? 0 : kErrFileNotFound;
  const std::size_t n = value.size() < capacity ? value.size() : capacity - 1;
  std::memcpy(out, value.data(), n * sizeof(char16_t));
  out[n] = 0;
  return n;
}

std::int32_t profileInt(const char16_t* path, const char16_t* section, const char16_t* key,
                        std::int32_t fallback) {
  std::u16string value;
  if (!fake::lookupProfile(path, section, key, value)) return fallback;
  const std::string narrow = fake::u8(value);
  return static_cast<std::int32_t>(std::strtol(narrow.c_str(), nullptr, 10));
}

std::int32_t messageBox(const char16_t* text, const char16_t* caption, std::uint32_t type) {
  theWorld.boxes.push_back(fake::Box{text, caption, type});
  if (theWorld.onBox) theWorld.onBox();
  return theWorld.boxResult;
}

void* allocZeroed(std::size_t size) {
  ++theWorld.allocCalls;
  if (theWorld.allocCalls == theWorld.failAllocAt) return nullptr;
  ++theWorld.liveBlocks;
  return std::calloc(1, size);
}

void release(void* block) {
  if (block == nullptr) return;
  --theWorld.liveBlocks;
  std::free(block);
}

void lockSession() { fake::sessionMutex.lock(); }
void unlockSession() { fake::sessionMutex.unlock(); }

}  // namespace corvelin::platform
