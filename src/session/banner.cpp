#include "session/banner.h"

#include "logfile/logopen.h"
#include "record/format.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/session.h"

namespace corvelin {
namespace {

// Converts a wide banner to UTF-8 and hands it to the file in one write.
void writeWide(const char16_t* banner) {
  if (banner[0] == 0) return;
  const int n = utf16ToUtf8(banner, scratch.utf8Buf, static_cast<int>(kLargeScratch));
  if (n > 0) writeAll(session.fileHandle, scratch.utf8Buf, static_cast<std::size_t>(n));
}

}  // namespace

void writeStartBanner() {
  char16_t banner[520];
  boundedFormatW(banner, 520, u"--- [%s] start Log={%s} ---%s", session.filePrefix, session.logDir,
                 static_cast<const char16_t*>(lineEndW));
  writeWide(banner);
}

void writeEndBanner() {
  char16_t banner[512];
  const char16_t* end = lineEndW;
  boundedFormatW(banner, 512, u"--- [%s] end Log ---%s%s%s", session.filePrefix, end, end, end);
  writeWide(banner);
}

std::uint8_t openAndAnnounce(const char16_t* dir, const char16_t* prefix, const char* sleepBanner) {
  session.fileHandle = logOpen_W(&session, dir, prefix);
  if (session.fileHandle == platform::kInvalidHandle) return 0;
  crLfOptionSet(session.crLfOption);
  if (session.sleepSwitch == 1) {
    writeSleepBanner(sleepBanner);
  } else {
    writeStartBanner();
  }
  session.initialized = 1;
  return 1;
}

void writeSleepBanner(const char* format) {
  char banner[260];
  const int n = boundedFormatA(banner, 260, format, static_cast<const char*>(lineEndA));
  if (n > 0) writeAll(session.fileHandle, banner, static_cast<std::size_t>(n));
}

}  // namespace corvelin
