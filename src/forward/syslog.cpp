#include "forward/syslog.h"

#include <algorithm>
#include <cstring>

#include "forward/forward.h"
#include "forward/syslog_sender.h"
#include "logfile/logopen.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/session.h"

namespace corvelin::syslog {
namespace {

constexpr const char16_t* kSection = u"Halvix";
constexpr std::int32_t kMinQueueKBytes = 16;  // the longest record fits
constexpr std::int32_t kMaxQueueKBytes = 1048576;

Settings settings;
forward::Forwarder forwarder{};

// "<what>: Win32 ErrCode=<code> :<system text>" as an ERROR line.
void sayFailure(const char* what, std::uint32_t code) {
  char16_t system[1024];
  systemTextOf(code, system);
  char text[4096];
  utf16ToUtf8(system, text, static_cast<int>(sizeof text));
  logSysForced(session.fileHandle, kError, "%s: Win32 ErrCode=%d :%s", what, static_cast<std::int32_t>(code),
               static_cast<const char*>(text));
}

void sayNotForwarded(std::uint64_t count) {
  char text[kMessageCapacity];
  notForwardedMessage(count, settings.server.url, text, kMessageCapacity);
  logSysForced(session.fileHandle, kWarning, "%s", static_cast<const char*>(text));
}

void writeReports() {
  const Reports r = takeReports();
  if (r.op != Op::None) {
    static const char* const kVerbs[] = {"", "cannot find", "cannot connect to", "cannot send to"};
    char what[1024];
    boundedFormatA(what, 1024, "syslog: %s %s, records wait in the queue", kVerbs[static_cast<int>(r.op)],
                   static_cast<const char*>(settings.server.url));
    sayFailure(what, r.failure);
  }
  if (r.told > 0) sayNotForwarded(r.told);
}

void deliver(const forward::Unit& unit) {
  // Not after a "[SYSLOG]" line: it may stand inside a dump.
  if (reportsWaiting() && !(unit.length >= 8 && std::memcmp(unit.text, "[SYSLOG]", 8) == 0)) writeReports();
  enqueue(unit.level, unit.ticks, unit.text, unit.length);
}

void stop() {
  writeReports();
  const std::uint64_t lost = stopSender();
  writeReports();
  if (lost > 0) sayNotForwarded(lost);
}

// An ERROR line for a setting that leaves forwarding off.
void refuse(const char* key, const char* value, const char* why) {
  logSysForced(session.fileHandle, kError, "syslog: %s=%s cannot be used, records are not forwarded: %s", key, value, why);
}

}  // namespace

void startFromProfile(const char16_t* path) {
  char16_t value[kPathUnits];
  if (!sessionActive() || platform::profileString(path, kSection, u"LogSyslogServer", u"", value, kPathUnits) == 0) {
    return;
  }
  const char* why = parseServer(value, settings.server);
  if (why != nullptr) {
    char shown[kPathUnits * 3];
    utf16ToUtf8(value, shown, static_cast<int>(sizeof shown));
    return refuse("LogSyslogServer", shown, why);
  }
  const std::int32_t level = platform::profileInt(path, kSection, u"LogSyslogLevel", 4);
  const std::int32_t facility = platform::profileInt(path, kSection, u"LogSyslogFacility", 1);
  if (facility < 0 || facility > 23) {
    char shown[16];
    boundedFormatA(shown, 16, "%d", facility);
    return refuse("LogSyslogFacility", shown, "it is not a number from 0 to 23");
  }
  char16_t app[kPathUnits];
  if (platform::profileString(path, kSection, u"LogSyslogAppName", u"", app, kPathUnits) == 0) {
    platform::executableBaseName(app, kPathUnits);
  }
  std::int32_t kBytes = platform::profileInt(path, kSection, u"LogSyslogQueueKBytes", 1024);
  kBytes = std::clamp(kBytes, kMinQueueKBytes, kMaxQueueKBytes);
  forwarder = forward::Forwarder{forward::levelsUpTo(level, level >= 5), deliver, stop};
  if (forwarder.levels == 0) return;  // a level below 0 forwards nothing

  Origin& origin = settings.origin;
  origin.facility = facility;
  origin.processId = platform::processId();
  char16_t host[256];
  platform::dnsHostName(host, 256);
  headerField(host, 255, origin.host);
  headerField(app, 48, origin.app);
  settings.queueBytes = static_cast<std::size_t>(kBytes) * 1024;
  const std::uint32_t error = startSender(&settings);
  if (error == 0 && forward::add(&forwarder)) return;
  char what[1024];
  boundedFormatA(what, 1024, "syslog: cannot forward to %s", static_cast<const char*>(settings.server.url));
  if (error != 0) return sayFailure(what, error);
  stopSender();
  logSysForced(session.fileHandle, kError, "%s: no room for another forwarder", static_cast<const char*>(what));
}

void resetToLoad() { resetSender(); }

}  // namespace corvelin::syslog
