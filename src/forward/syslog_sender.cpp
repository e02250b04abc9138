#include "forward/syslog_sender.h"

#include <atomic>
#include <new>

#include "forward/syslog_queue.h"
#include "record/format.h"
#include "record/writer.h"

namespace corvelin::syslog {
namespace {

// A send carries the messages of about this many bytes: enough to keep a
// collector busy, few enough that a broken connection repeats little.
constexpr std::size_t kBatchTarget = 8192;
constexpr std::size_t kBatchBytes = kBatchTarget + 2 * (kMaxMessage + 16);  // the last record, then the count
// The sender stops sending a little before logTerm stops waiting for it, so
// that it normally ends on its own.
constexpr std::uint64_t kDrainBudget = kDrainMillis - 250;
// A sender that has sent naps before it sleeps until a delivery wakes it: a
// wake-up per record would cost the caller more than the record itself.
constexpr std::uint32_t kNapMillis = 10;
constexpr int kNaps = 100;

struct State {
  const Settings* settings = nullptr;
  Queue queue;
  platform::Worker worker = platform::kNoWorker;
  alignas(64) std::atomic<bool> idle{false};  // asleep with nothing to send: a delivery must wake it
  std::atomic<bool> stopRequested{false};
  std::atomic<int> exitState{0};  // 1: the worker is done; 2: stopSender gave it up
  // For the file, taken under the session lock.
  std::atomic<std::uint64_t> outage{0};  // op << 32 | failure
  std::atomic<std::uint64_t> told{0};
  // Records the sender holds outside the queue, and drops not yet told.
  std::atomic<std::uint64_t> batchRecords{0}, countPending{0};

  // The worker's own.
  platform::Link link = platform::kNoLink;
  std::size_t used = 0, sentTo = 0;  // bytes of the batch; UDP: those already sent
  std::uint64_t batchCount = 0;      // the drops the batch's count message tells of
  int failures = 0, naps = kNaps;  // a new sender sleeps until the first delivery
  bool inOutage = false, draining = false;
  std::uint64_t nextTry = 0, deadline = 0;
  std::int64_t cachedSecond = INT64_MIN;
  platform::CalendarTime cachedLocal{};
  Entry entry;
  char message[kMaxMessage];
  char batch[kBatchBytes];
};

State st;

bool nameError(std::uint32_t code) { return code >= 11001 && code <= 11004; }  // WSAHOST_NOT_FOUND .. WSANO_DATA

void closeLink() {
  if (st.link != platform::kNoLink) platform::netClose(st.link);
  st.link = platform::kNoLink;
}

void releaseAll() {
  closeLink();
  st.queue.release();
  platform::netStop();
}

std::uint32_t finish() {
  if (st.exitState.exchange(1) == 2) releaseAll();  // given up by logTerm: nobody else will
  return platform::kWorkerDone;
}

void append(std::int32_t level, std::int64_t ticks, const char* text, std::size_t length) {
  const std::int64_t second = secondOf(ticks);
  if (second != st.cachedSecond) st.cachedLocal = platform::localTime(second), st.cachedSecond = second;
  char stamp[40];
  timestamp(ticks, st.cachedLocal, stamp);
  const std::size_t n = buildMessage(st.settings->origin, level, stamp, text, length, st.message);
  st.used = appendFrame(st.message, n, st.batch, st.used, kBatchBytes);
}

// The next send: records from the queue; once it is empty, the sender has
// caught up with an outage or a burst, and the count of the records that
// found it full goes out, one message for them all.
void fill() {
  while (st.used < kBatchTarget && st.queue.pop(st.entry)) {
    append(st.entry.level, st.entry.ticks, st.entry.text, st.entry.length);
    ++st.batchRecords;
  }
  if (st.queue.waiting() > 0) return;
  const std::uint64_t dropped = st.queue.dropped.load();
  st.countPending += dropped;  // counted twice for a moment rather than not at all
  st.queue.dropped -= dropped;
  st.batchCount = st.countPending.load();
  if (st.batchCount > 0) {
    char text[kMessageCapacity], line[kSysLineCapacity];
    notForwardedMessage(st.batchCount, st.settings->server.url, text, kMessageCapacity);
    const int n = formatSysLine(line, kWarning, text, "");
    if (n > 0) append(kWarning, platform::ticksSince1970(), line, static_cast<std::size_t>(n));
  }
}

bool send(std::uint32_t& error) {
  if (st.settings->server.tcp) return platform::netSend(st.link, st.batch, st.used, error);
  const char* message = nullptr;
  std::size_t length = 0;
  for (std::size_t next = st.sentTo; nextFrame(st.batch, st.used, next, message, length); st.sentTo = next) {
    if (!platform::netSend(st.link, message, length, error)) return false;
  }
  return true;
}

void sent() {
  st.failures = st.naps = 0;
  st.idle = false;
  st.inOutage = false;
  st.countPending -= st.batchCount;
  st.told += st.batchCount;
  st.used = st.sentTo = 0;
  st.batchRecords = st.batchCount = 0;
}

std::uint32_t failed(Op op, std::uint32_t error, std::uint64_t now) {
  closeLink();
  if (!st.inOutage) {
    st.inOutage = true;
    std::uint64_t none = 0;  // one outage waits at a time: the first since the file was last told
    st.outage.compare_exchange_strong(none, static_cast<std::uint64_t>(op) << 32 | error);
  }
  const std::uint32_t pause = retryPauseMillis(st.failures);
  st.failures += st.failures < 30;
  st.nextTry = now + pause;
  return st.draining ? finish() : pause;
}

std::uint32_t sleep() {
  if (st.naps < kNaps) return ++st.naps, kNapMillis;
  if (st.idle) return platform::kWaitForever;
  st.idle = true;  // a delivery from now on wakes it; one more look first, for one that came before
  return 0;
}

std::uint32_t step(void*) {
  const std::uint64_t now = platform::monotonicMillis();
  if (!st.draining && st.stopRequested) {
    st.draining = true;
    st.deadline = now + kDrainBudget;
    st.nextTry = now;  // one more attempt, whatever the pause
  }
  if (st.draining && now >= st.deadline) return finish();
  if (st.used == 0) fill();
  if (st.draining && st.used == 0) return finish();
  if (st.link == platform::kNoLink || (st.used != 0 && !platform::netUsable(st.link))) {
    closeLink();
    if (now < st.nextTry) return static_cast<std::uint32_t>(st.nextTry - now);
    std::uint32_t error = 0;
    const Server& server = st.settings->server;
    st.link = platform::netOpen(server.host, server.port, server.tcp, error);
    if (st.link == platform::kNoLink) return failed(nameError(error) ? Op::Find : Op::Connect, error, now);
  }
  if (st.used == 0) return sleep();
  std::uint32_t error = 0;
  if (!send(error)) return failed(Op::Send, error, now);
  sent();
  return 0;
}

}  // namespace

std::uint32_t retryPauseMillis(int failures) { return failures >= 5 ? 30000 : 1000u << failures; }

void notForwardedMessage(std::uint64_t count, const char* url, char* out, int capacity) {
  boundedFormatA(out, capacity, count == 1 ? "syslog: %I64d record was not forwarded to %s"
                                           : "syslog: %I64d records were not forwarded to %s",
                 static_cast<std::int64_t>(count), url);
}

std::uint32_t startSender(const Settings* settings) {
  resetSender();
  st.settings = settings;
  if (!st.queue.init(settings->queueBytes)) return 8;  // ERROR_NOT_ENOUGH_MEMORY
  std::uint32_t error = platform::netStart();
  if (error == 0) {
    st.worker = platform::startWorker(step, nullptr);
    if (st.worker != platform::kNoWorker) return 0;
    error = platform::lastError();
    platform::netStop();
  }
  st.queue.release();
  return error;
}

void enqueue(std::int32_t level, std::int64_t ticks, const char* text, std::size_t length) {
  st.queue.push(level, ticks, text, length);
  if (st.idle && st.idle.exchange(false)) platform::wakeWorker(st.worker);
}

std::uint64_t stopSender() {
  st.stopRequested = true;
  platform::wakeWorker(st.worker);
  platform::joinWorker(st.worker, kDrainMillis);
  const std::uint64_t lost = st.queue.waiting() + st.batchRecords + st.countPending + st.queue.dropped;
  if (st.exitState.exchange(2) == 1) releaseAll();
  st.worker = platform::kNoWorker;
  return lost;
}

bool reportsWaiting() { return st.outage.load(std::memory_order_relaxed) != 0 || st.told.load(std::memory_order_relaxed) != 0; }

Reports takeReports() {
  const std::uint64_t outage = st.outage.exchange(0);
  return Reports{static_cast<Op>(outage >> 32), static_cast<std::uint32_t>(outage), st.told.exchange(0)};
}

void resetSender() {
  st.queue.release();
  st.~State();
  new (&st) State();
}

}  // namespace corvelin::syslog
