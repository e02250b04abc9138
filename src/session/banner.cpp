#include "session/banner.h"

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

void writeSleepBanner(const char* format) {
  char banner[260];
  const int n = boundedFormatA(banner, 260, format, static_cast<const char*>(lineEndA));
  if (n > 0) writeAll(session.fileHandle, banner, static_cast<std::size_t>(n));
}

}  // namespace corvelin
