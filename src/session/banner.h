// The start, sleep and end banners of a session: each one write.
#pragma once

namespace corvelin {

// "--- [prefix] start Log={logDir} ---" and the line ending. A banner that
// does not fit its 520 units is not written.
void writeStartBanner();
// The banner line "--- [prefix] end Log ---" and two empty lines.
void writeEndBanner();
// A sleep banner: `format` takes lineEndA for its one %s.
void writeSleepBanner(const char* format);

}  // namespace corvelin
