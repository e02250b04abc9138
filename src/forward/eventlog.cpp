#include "forward/eventlog.h"

#include <cstring>

#include "forward/forward.h"
#include "logfile/logopen.h"
#include "platform/platform.h"
#include "record/format.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin::eventlog {
namespace {

struct State {
  std::int32_t level;  // LogEventLogLevel; 0 or less: off
  char16_t source[kSourceUnits];
  platform::EventSource handle;
  bool reportFailureSaid;  // once a session
};
State state{};

// Deliveries and starts run under the session lock, one at a time.
char16_t eventBuf[kTextUnits];
char repairedBuf[3 * kTextUnits];  // every byte may become the three of U+FFFD

// The joined texts of a full box queue always fit an event.
static_assert(BoxQueue::kCapacity * (kBoxTextUnits + 2) <= kTextUnits);

// The bytes of the valid character at `p` (`left` bytes remain), or 0.
std::size_t validLength(const unsigned char* p, std::size_t left) {
  const auto n = static_cast<std::size_t>(utf8LeadLength(p[0]));
  if (n == 0 || n > left) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  if (n == 3 && p[0] == 0xE0 && p[1] < 0xA0) return 0;  // overlong
  if (n == 4 && (p[0] == 0xF0 ? p[1] < 0x90 : p[0] > 0xF4 || (p[0] == 0xF4 && p[1] >= 0x90))) return 0;
  return n;
}

// A "[SYSLOG]" WARNING line in the file: `format` takes the source, the
// error code and the system's text of it.
void say(const char16_t* format, std::uint32_t code) {
  char16_t system[1024];
  systemTextOf(code, system);
  char16_t message[kSourceUnits + 1024 + 200];
  boundedFormatW(message, static_cast<int>(sizeof message / sizeof message[0]), format,
                 static_cast<const char16_t*>(state.source), static_cast<std::int32_t>(code),
                 static_cast<const char16_t*>(system));
  char text[sizeof message / sizeof message[0] * 3];
  utf16ToUtf8(message, text, static_cast<int>(sizeof text));
  logSysForced(session.fileHandle, kWarning, "%s", static_cast<const char*>(text));
}

void deliver(const forward::Unit& unit) {
  eventText(unit.text, unit.length, eventBuf);
  if (platform::reportEvent(state.handle, eventType(unit.level), eventId(unit.level), eventBuf)) return;
  if (state.reportFailureSaid) return;
  state.reportFailureSaid = true;
  say(u"Event Log: an event could not be reported to the source %s (said once a session; this file keeps "
      u"every record): Win32 ErrCode=%d :%s",
      platform::lastError());
}

void stop() {
  platform::deregisterEventSource(state.handle);
  state.handle = platform::kNoEventSource;
}

forward::Forwarder forwarder{0, deliver, stop};

}  // namespace

std::uint32_t eventId(std::int32_t level) { return kLevelIds + static_cast<std::uint32_t>(level); }

std::uint16_t eventType(std::int32_t level) {
  if (level <= kError) return kTypeError;
  return level == kWarning ? kTypeWarning : kTypeInformation;
}

void sourceName(const char16_t* configured, const char16_t* prefix, char16_t* out) {
  const char16_t* from = configured;
  std::size_t n = u16len(configured);
  if (n == 0) {  // the prefix names a file, perhaps in a subdirectory
    from = prefix;
    for (const char16_t* p = prefix; *p != 0; ++p) {
      if (*p == u'\\' || *p == u'/') from = p + 1;
    }
    n = u16len(from);
    while (n > 0 && (from[n - 1] == u'_' || from[n - 1] == u'-' || from[n - 1] == u'.')) --n;
  }
  if (n == 0) {
    n = platform::executableBaseName(out, kSourceUnits);
    from = out;
  }
  if (n == 0) {
    from = u"corvelin";
    n = 8;
  }
  if (n >= kSourceUnits - 1) {
    n = kSourceUnits - 1;
    if (from[n - 1] >= 0xD800 && from[n - 1] <= 0xDBFF) --n;
  }
  std::memmove(out, from, n * sizeof(char16_t));
  out[n] = 0;
}

void eventText(const char* text, std::size_t length, char16_t* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  std::size_t n = 0;
  for (std::size_t i = 0; i < length && n + 4 <= sizeof repairedBuf;) {
    const std::size_t size = validLength(bytes + i, length - i);
    if (size == 0) {
      std::memcpy(repairedBuf + n, "\xEF\xBF\xBD", 3);
      n += 3, i += 1;
    } else {
      std::memcpy(repairedBuf + n, bytes + i, size);
      n += size, i += size;
    }
  }
  repairedBuf[n] = 0;
  utf8ToUtf16(repairedBuf, out, static_cast<std::int64_t>(n), static_cast<int>(kTextUnits));
}

void readProfile(const char16_t* path, const char16_t* section, const char16_t* prefix) {
  state.level = platform::profileInt(path, section, u"LogEventLogLevel", 0);
  char16_t configured[kPathUnits];
  platform::profileString(path, section, u"LogEventSource", u"", configured, kPathUnits);
  sourceName(configured, prefix, state.source);
}

void start() {
  if (state.level <= 0) return;
  state.reportFailureSaid = false;
  state.handle = platform::registerEventSource(state.source);
  if (state.handle == platform::kNoEventSource) {
    say(u"Event Log: cannot register the source %s, no event is reported in this session: Win32 ErrCode=%d :%s",
        platform::lastError());
    return;
  }
  forwarder.levels = forward::levelsUpTo(state.level, false);
  if (forward::add(&forwarder)) return;
  stop();
  logSysForced(session.fileHandle, kWarning, "%s",
               "Event Log: no room for another forwarder, no event is reported in this session");
}

void reportStartFailure(const BoxQueue& boxes) {
  if (state.level <= 0) return;
  std::size_t n = 0;
  for (int i = 0; i < boxes.count; ++i) {
    if (i > 0) eventBuf[n++] = u'\r', eventBuf[n++] = u'\n';
    const std::size_t units = u16len(boxes.boxes[i].text);
    std::memcpy(eventBuf + n, boxes.boxes[i].text, units * sizeof(char16_t));
    n += units;
  }
  eventBuf[n] = 0;
  const platform::EventSource source = platform::registerEventSource(state.source);
  if (source == platform::kNoEventSource) return;  // no file to say it in: the boxes say why the start failed
  platform::reportEvent(source, kTypeError, kStartFailedId, eventBuf);
  platform::deregisterEventSource(source);
}

}  // namespace corvelin::eventlog
