// The unhandled-exception filter of a session started with LogCrashReport 1
// or 2: the crashing thread itself writes the report (report.h) into the log
// file, then hands the exception on to the filter installed before ours.
#pragma once

#include <cstdint>

namespace corvelin {

inline constexpr std::uint32_t kCrashLockWaitMillis = 1000;   // then the report is written anyway
inline constexpr std::uint32_t kCrashDumpWaitMillis = 30000;  // for the minidump's thread
// How long a second crashing thread waits for the first one's report.
inline constexpr std::uint32_t kCrashQueueMillis = 2 * kCrashLockWaitMillis + kCrashDumpWaitMillis + 5000;
// Stack kept for the report in the thread that starts the session.
inline constexpr std::uint32_t kCrashStackGuarantee = 16384;

// After the start banner: installs the filter when the profile asked for a
// report (1) or a report and a minidump (2) and the session is awake; with
// 2, loads dbghelp.dll now.
void startCrashReport();
// logTerm: the filter from before back, if ours is still the one installed.
// A chain that still calls ours gets the exception passed on, no report.
void endCrashReport();
// The filter itself.
std::int32_t onCrash(void* exception);
// As freshly loaded (for tests).
void resetCrashReport();

}  // namespace corvelin
