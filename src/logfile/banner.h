// The lines a session writes about its file: the start, sleep and end
// banners, and the line that ends a file the session moved on from.
#pragma once

#include <cstddef>

namespace corvelin {

// Room for any of them in UTF-8.
inline constexpr std::size_t kBannerBytes = 5120;

// Each builder leaves the line (with the session's line ending) in `out`
// and returns its length; 0 when the text does not fit its bound, and the
// line is then not written.
// "--- [prefix] start Log={logDir} ---", within 520 units.
std::size_t startBanner(char (&out)[kBannerBytes]);
// "--- [prefix] end Log ---" and two empty lines, within 512 units.
std::size_t endBanner(char (&out)[kBannerBytes]);
// "--- [prefix] continued in Log={next} ---": names the file that goes on.
std::size_t closingLine(const char16_t* next, char (&out)[kBannerBytes]);

// A sleep banner: `format` takes lineEndA for its one %s (within 260 bytes).
std::size_t sleepBanner(const char* format, char (&out)[kBannerBytes]);

void writeEndBanner();  // a unit of the session's file

}  // namespace corvelin
