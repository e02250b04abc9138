#include "logfile/banner.h"

#include "record/format.h"
#include "record/textconv.h"
#include "session/session.h"
#include "session/sink.h"

namespace corvelin {
namespace {

std::size_t toUtf8(const char16_t* line, int formatted, char (&out)[kBannerBytes]) {
  out[0] = 0;
  return formatted > 0 ? static_cast<std::size_t>(utf16ToUtf8(line, out, static_cast<int>(kBannerBytes))) : 0;
}

}  // namespace

std::size_t startBanner(char (&out)[kBannerBytes]) {
  char16_t banner[520];
  return toUtf8(banner,
                boundedFormatW(banner, 520, u"--- [%s] start Log={%s} ---%s", session.filePrefix, session.logDir,
                               static_cast<const char16_t*>(lineEndW)),
                out);
}

std::size_t endBanner(char (&out)[kBannerBytes]) {
  char16_t banner[512];
  const char16_t* end = lineEndW;
  return toUtf8(banner, boundedFormatW(banner, 512, u"--- [%s] end Log ---%s%s%s", session.filePrefix, end, end, end),
                out);
}

std::size_t closingLine(const char16_t* next, char (&out)[kBannerBytes]) {
  char16_t line[kPathUnits + kLogDirUnits + 64];
  return toUtf8(line,
                boundedFormatW(line, static_cast<int>(sizeof line / sizeof line[0]),
                               u"--- [%s] continued in Log={%s} ---%s", session.filePrefix, next,
                               static_cast<const char16_t*>(lineEndW)),
                out);
}

std::size_t sleepBanner(const char* format, char (&out)[kBannerBytes]) {
  const int n = boundedFormatA(out, 260, format, static_cast<const char*>(lineEndA));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void writeEndBanner() {
  char line[kBannerBytes];
  const std::size_t n = endBanner(line);
  if (n > 0) writeUnit(session.fileHandle, line, n);
}

}  // namespace corvelin
