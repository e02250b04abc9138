// The start, sleep and end banners of a session: each one write.
#pragma once

#include <cstdint>

namespace corvelin {

// "--- [prefix] start Log={logDir} ---" and the line ending. A banner that
// does not fit its 520 units is not written.
void writeStartBanner();
// The banner line "--- [prefix] end Log ---" and two empty lines.
void writeEndBanner();
// A sleep banner: `format` takes lineEndA for its one %s.
void writeSleepBanner(const char* format);

// The common end of both start calls: opens the log file (its failures are
// reported by the open), sets the line endings, writes the start banner, or
// `sleepBanner` when the session sleeps, and marks the session started.
// Returns the start call's result.
std::uint8_t openAndAnnounce(const char16_t* dir, const char16_t* prefix, const char* sleepBanner);

}  // namespace corvelin
