// The Windows Event Log as a forwarder: a session started from a profile
// with LogEventLogLevel from 1 to 5 reports each record and "[SYSLOG]" line of
// a level from FATAL down to that one as an event of the Application log,
// and a start whose log cannot open as one error event.
//
// The DLL's message table (eventlog.mc) holds one message per event ID, each
// its insertion string alone, so a source registered against the DLL shows
// the text and nothing else. The IDs are published: never change them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvelin {
struct BoxQueue;
}

namespace corvelin::eventlog {

inline constexpr std::uint32_t kLevelIds = 1000;       // + level: FATAL 1000, CRETICAL 1001 .. DEBUG 1005
inline constexpr std::uint32_t kStartFailedId = 1010;  // the log of a start could not be opened

// Event types as ReportEventW takes them.
inline constexpr std::uint16_t kTypeError = 1;
inline constexpr std::uint16_t kTypeWarning = 2;
inline constexpr std::uint16_t kTypeInformation = 4;

std::uint32_t eventId(std::int32_t level);
std::uint16_t eventType(std::int32_t level);

// A source name is a registry key's: at most 255 units.
inline constexpr std::size_t kSourceUnits = 256;
// `configured` (LogEventSource) when not empty; else the file name part of
// `prefix` without trailing '_', '-' and '.'; else the executable's base
// name; else "corvelin". Cut to 255 units, never inside a surrogate pair.
void sourceName(const char16_t* configured, const char16_t* prefix, char16_t* out);

// The UTF-16 text of an event, in `out` (kTextUnits), from `length` bytes
// of UTF-8 (at most a "[SYSLOG]" line's 8191): each byte that starts no
// valid character becomes U+FFFD, so one bad byte never empties an event.
inline constexpr std::size_t kTextUnits = 8192;
void eventText(const char* text, std::size_t length, char16_t* out);

// A profile start, once the keys are read: LogEventLogLevel and LogEventSource
// (the prefix is the session's, for the default source).
void readProfile(const char16_t* path, const char16_t* section, const char16_t* prefix);
// The log is open and the session awake: registers the source and adds the
// forwarder; a registration that fails is said in the file, and then no
// event is reported in this session.
void start();
// The log could not be opened: with the Event Log on, the texts of the
// start's boxes (one a line) become one error event, its source registered
// and deregistered around it.
void reportStartFailure(const BoxQueue& boxes);

}  // namespace corvelin::eventlog
