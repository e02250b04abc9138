// Forwarding to a syslog collector (RFC 5424 over UDP or TCP), turned on by
// the LogSyslog* keys of a profile.
#pragma once

namespace corvelin::syslog {

// Reads the keys from the profile at `path` and, for an active session whose
// LogSyslogServer names a collector, starts the sender and adds the
// forwarder. A value that cannot be used, or a sender that cannot start,
// leaves forwarding off and says why in one "[SYSLOG]" line.
void startFromProfile(const char16_t* path);

// As in a freshly loaded library (for tests).
void resetToLoad();

}  // namespace corvelin::syslog
