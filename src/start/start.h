// What both start calls share.
#pragma once

#include <cstdint>

namespace corvelin {

// The common end of both start calls: opens the log file (its failures are
// reported by the open, which leaves the system's error as the last error;
// a profile that asks for rotation opens the day's series), sets the line
// endings, writes the start banner, or `sleepBanner` when the session
// sleeps, and marks the session started. Returns the start call's result.
std::uint8_t openAndAnnounce(const char16_t* dir, const char16_t* prefix, const char* sleepBanner);

// A start refused before the open: `code` becomes the thread's last error,
// the reason the start call leaves to the host. Returns 0.
std::uint8_t refuse(std::uint32_t code);

}  // namespace corvelin
