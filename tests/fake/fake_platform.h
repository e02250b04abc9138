// An in-memory platform for the unit tests: files and directories, a clock
// that only moves when told, recorded message boxes, a settable last error,
// profile files as text, and faults on demand (the Nth write or allocation).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvelin::fake {

struct Box {
  std::u16string text;
  std::u16string caption;
  std::uint32_t type;
  bool operator==(const Box& o) const { return text == o.text && caption == o.caption && type == o.type; }
};

struct World {
  // Files removed with their directory while open: writes go nowhere.
  std::set<std::u16string> orphaned;
  // File system. Paths are compared after normalisation: '/' as '\', empty
  // and "." components dropped. The current directory ("") always exists.
  std::set<std::u16string> dirs;
  std::map<std::u16string, std::string> files;
  std::set<std::u16string> heldByOther;  // open elsewhere without write sharing
  std::set<std::u16string> denied;       // files and directories we may not create
  struct Open {
    std::u16string path;
    bool closed = false;
  };
  std::map<platform::FileHandle, Open> handles;
  platform::FileHandle nextHandle = 0x40;

  // Clocks and thread.
  std::int64_t ticks = 0;         // 100-ns ticks since 1970 (UTC)
  std::int64_t utcOffsetSeconds = 0;
  std::uint32_t bootMillis = 123456;
  // The monotonic clock advances with every move of `ticks`; the skew moves it alone.
  std::int64_t monotonicSkewMillis = 1000000;
  std::int64_t monotonicTicks = 0;
  std::int64_t monotonicSeenTicks = 0;
  std::uint32_t threadId = 4242;
  int localTimeCalls = 0;

  std::uint32_t lastError = 0;
  std::map<std::uint32_t, std::u16string> systemTexts;

  std::u16string windowsDir = u"C:\\windows";
  std::map<std::u16string, std::u16string> profiles;  // path as given -> file text

  std::vector<Box> boxes;
  std::int32_t boxResult = 1;
  std::function<void()> onBox;  // runs while the box is open

  // Faults: the Nth call (1-based, counted since reset) fails; 0 = never.
  int writeCalls = 0;
  int failWriteAt = 0;
  int shortWriteAt = 0;  // that write stores only half its bytes
  std::size_t diskBytes = 0;  // 0 = unlimited; else the total the files may hold (a full disk)
  int allocCalls = 0;
  int failAllocAt = 0;
  int liveBlocks = 0;
};

World& world();
// A fresh world, and the library's state back to a just-loaded DLL.
void reset();

std::u16string normalise(const std::u16string& path);
// Bytes of a file (by any spelling of its path); "" when missing.
std::string fileText(const std::u16string& path);
void addDir(const std::u16string& path);
// Removes a directory and every file below it, open or not.
void removeDir(const std::u16string& path);

// Local time of a calendar moment as ticks (uses utcOffsetSeconds).
std::int64_t ticksAt(int year, int month, int day, int hour, int minute, int second);

std::u16string u16(const char* utf8);
std::string u8(const std::u16string& s);

}  // namespace corvelin::fake
