// The sender: the one thread that takes records from the queue and sends
// them, retries with a growing pause, and leaves what the log file must
// be told for the next call that holds the session lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "forward/syslog_message.h"
#include "forward/syslog_server.h"

namespace corvelin::syslog {

struct Settings {
  Server server;
  Origin origin;
  std::size_t queueBytes;
};

// Starts the sender for `settings`, which must outlive it; 0, or the Win32
// or Winsock error that kept it from starting (nothing is left running).
std::uint32_t startSender(const Settings* settings);
// A delivery: copies a unit into the queue, or counts it as not forwarded
// when the queue is full, and wakes the sender when it sleeps.
void enqueue(std::int32_t level, std::int64_t ticks, const char* text, std::size_t length);
// logTerm: the sender sends what waits for at most kDrainMillis, is given up
// and no longer reports. Returns the records not forwarded; when the sender
// had to be left sending, the records of that send are among them.
inline constexpr std::uint32_t kDrainMillis = 2000;
std::uint64_t stopSender();

// What the sender left for the file. An outage is the first failure since
// sending last worked: `failure` is the Winsock error, `op` what failed.
enum class Op : std::uint8_t { None, Find, Connect, Send };
struct Reports {
  Op op;
  std::uint32_t failure;
  std::uint64_t told;  // records the collector was told were not forwarded
};
bool reportsWaiting();
Reports takeReports();

// "syslog: 12 records were not forwarded to tcp://host:514", the text of the
// collector's message and of the file's line.
void notForwardedMessage(std::uint64_t count, const char* url, char* out, int capacity);

// The pause after `failures` failures in a row: 1 s, doubling, at most 30 s.
std::uint32_t retryPauseMillis(int failures);

// As in a freshly loaded library (for tests).
void resetSender();

}  // namespace corvelin::syslog
