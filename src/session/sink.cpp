#include "session/sink.h"

#include <atomic>
#include <cstring>

#include "forward/forward.h"
#include "logfile/logopen.h"
#include "record/writer.h"
#include "session/session.h"

namespace corvelin {

UnitHook unitHook = nullptr;

namespace {

bool usable(platform::FileHandle file) { return file != platform::kNoHandle && file != platform::kInvalidHandle; }

// Group commit. Two batches: callers append whole units to the open one
// under the session lock; one caller at a time writes a taken batch outside
// it. A caller returns only once the batch with its units has been written.
constexpr std::size_t kBatchBytes = 65536;
constexpr int kYields = 40;  // a wait yields the core this often before it sleeps

struct Batch {  // a taken batch: what its writer needs
  std::size_t used;
  std::size_t units;
  platform::FileHandle file;
  std::uint64_t seq;
  char data[kBatchBytes];
};
Batch batches[2];

// What a call reads and writes under the session lock, on one cache line of
// its own: under contention the lock changes cores with nearly every call,
// and every line a call writes changes cores with it.
struct alignas(64) Held {
  Batch* open = &batches[0];  // the batch callers append to, and what it holds so far
  std::size_t used = 0;
  std::size_t units = 0;
  platform::FileHandle file = platform::kNoHandle;
  std::uint64_t openSeq = 1;  // the open batch's number
  std::uint64_t ticket = 0;   // the batch that holds the current call's units
  // The unit written alone now: a failed piece takes its earlier pieces with it.
  std::uint64_t unitWritten = 0;
  bool unitFailed = false;
  bool batching = false;  // inside an exported call
  bool saying = false;    // the count of lost units is on its way
};
Held held;

// What a waiting caller polls, written by a batch's writer outside the lock.
struct alignas(64) Progress {
  std::atomic<std::uint64_t> doneSeq{0};  // every batch up to this number has been written
  std::atomic<bool> writing{false};       // a taken batch is being written
};
Progress progress;

// Failures of the session's file. Only one write to it is ever in flight, so
// the writer that fails may cut its bytes back off; the count is read under
// the lock once nothing is in flight.
std::atomic<std::uint64_t> lost{0};       // units the file could not take, not yet said
std::atomic<std::uint32_t> lostError{0};  // the error of the last failed write
std::atomic<std::uint64_t> failures{0};

// Goes on from `done` while the system makes progress.
bool writeOn(platform::FileHandle file, const char* data, std::size_t size, std::size_t& done) {
  while (done < size) {
    const std::size_t left = size - done;
    const auto chunk = static_cast<std::uint32_t>(left > 0x40000000u ? 0x40000000u : left);
    std::uint32_t written = 0;
    platform::writeFile(file, data + done, chunk, &written);
    if (written == 0 || written > chunk) return false;  // no progress: give up, never spin
    done += written;
  }
  return true;
}

bool writeCounted(platform::FileHandle file, const char* data, std::size_t size, std::size_t& done) {
  done = 0;
  return usable(file) && writeOn(file, data, size, done);
}

// Nothing of a failed write stays in the file (`cut` bytes), and `units` are lost.
[[gnu::cold]] void failed(platform::FileHandle file, std::uint64_t cut, std::uint64_t units) {
  const std::uint32_t error = platform::lastError();
  if (cut > 0) platform::cutTail(file, cut);
  lostError.store(error, std::memory_order_relaxed);
  lost.fetch_add(units, std::memory_order_relaxed);
  failures.fetch_add(1, std::memory_order_release);
  platform::setLastError(error);
}

// The outcome of a unit, or a piece of one, of which `done` bytes reached
// the file: the count's own line is not a lost unit.
bool settle(platform::FileHandle file, std::size_t size, std::size_t done, bool ok) {
  if (ok) {
    held.unitWritten += size;
    return true;
  }
  failed(file, held.unitWritten + done, held.saying || held.unitFailed ? 0 : 1);
  held.unitFailed = true;
  return false;
}

bool writeAlone(platform::FileHandle file, const char* data, std::size_t size) {
  std::size_t done = 0;
  const bool ok = writeCounted(file, data, size, done);
  return settle(file, size, done, ok);
}

// A lone caller's whole unit with nothing to batch or say goes straight to the file.
bool alone(platform::FileHandle file, bool more) {
  return file == session.fileHandle && usable(file) && !more && !held.saying && held.used == 0 &&
         lost.load(std::memory_order_relaxed) == 0 && !progress.writing.load(std::memory_order_relaxed) &&
         !platform::sessionContended();
}

// The unit state of a lone unit about to be written, after the hook has seen it.
platform::FileHandle startAlone(std::size_t unitSize, std::size_t size) {
  held.unitWritten = 0;
  held.unitFailed = false;
  if (unitHook != nullptr) unitHook(unitSize, size, true);
  return session.fileHandle;  // the hook may have moved the session on
}

// Under the lock, nothing in flight.
Batch* take() {
  Batch* b = held.open;
  b->used = held.used;
  b->units = held.units;
  b->file = held.file;
  b->seq = held.openSeq++;
  held.open = b == &batches[0] ? &batches[1] : &batches[0];
  held.used = held.units = 0;
  progress.writing.store(true, std::memory_order_relaxed);
  return b;
}

// Needs no lock: so a caller that holds it can wait for the writer.
void writeBatch(Batch* b) {
  std::size_t done = 0;
  if (!writeCounted(b->file, b->data, b->used, done)) failed(b->file, done, b->units);  // this batch, and only it
  progress.doneSeq.store(b->seq, std::memory_order_release);  // a waiter that sees it returns without the lock
  progress.writing.store(false, std::memory_order_release);  // a caller that sees it sees doneSeq too
  platform::wakeSleepers();
}

void waitUntil(bool (*ready)(void*), void* context) {
  for (int i = 0; i < kYields; ++i) {
    if (ready(context)) return;
    platform::yieldThread();
  }
  platform::sleepUntil(ready, context);
}

bool notWriting(void*) { return !progress.writing.load(std::memory_order_acquire); }

// Under the lock: every unit handed on so far reaches the file now.
void flushBatches() {
  waitUntil(notWriting, nullptr);
  if (held.used > 0) writeBatch(take());
}

[[gnu::cold]] void sayLost(bool final);

[[gnu::noinline]] bool write(platform::FileHandle file, const char* data, std::size_t size, std::size_t unitSize,
                            bool unitStart, bool more) {
  if (!usable(file) || file != session.fileHandle) return writeAll(file, data, size);
  if (unitStart) {
    if (!held.saying && lost.load(std::memory_order_relaxed) != 0) sayLost(false);  // writing may work again
    file = session.fileHandle;
    held.unitWritten = 0;
    held.unitFailed = false;
  } else if (held.unitFailed) {
    return false;  // the rest of a unit that is lost already
  }
  if (unitHook != nullptr) {
    unitHook(unitSize, size, unitStart);
    file = session.fileHandle;  // the hook may have moved the session on
  }
  if (held.saying || !held.batching || !unitStart || more || unitSize > kBatchBytes) {  // alone, after what came before
    flushBatches();
    return writeAlone(file, data, size);
  }
  if (held.used == 0 && !progress.writing.load(std::memory_order_relaxed) && !platform::sessionContended()) {
    return writeAlone(file, data, size);  // nobody to share a write with: no batch, as a lone caller always did
  }
  if (held.used > 0 && (held.file != file || held.used + size > kBatchBytes)) flushBatches();
  if (held.used == 0) held.file = file;
  std::memcpy(held.open->data + held.used, data, size);
  held.used += size;
  ++held.units;
  held.ticket = held.openSeq;
  return true;
}

// Says how many units the file lost, once it can take the line; with
// `final` (logTerm) the forwarders hear it even when it cannot.
void sayLost(bool final) {
  held.saying = true;
  flushBatches();  // what is in flight fails or not before the count is read
  const std::uint64_t n = lost.load(std::memory_order_relaxed);
  if (n > 0) {
    char detail[kSysLineCapacity / 2];
    win32ErrorText(lostError.load(std::memory_order_relaxed), detail, static_cast<int>(sizeof detail));
    char message[kSysLineCapacity];
    boundedFormatA(message, kMessageCapacity,
                   n == 1 ? "log file: %I64d entry lost, writing failed: %s" : "log file: %I64d entries lost, writing failed: %s",
                   static_cast<std::int64_t>(n), static_cast<const char*>(detail));
    char line[kSysLineCapacity];
    const int length = formatSysLine(line, kError, message);
    const bool written = length > 0 && write(session.fileHandle, line, static_cast<std::size_t>(length),
                                             static_cast<std::size_t>(length), true, false);
    if (written) lost.fetch_sub(n, std::memory_order_relaxed);
    if (written || final) forward::sysLine(kError, message);
  }
  held.saying = false;
}

}  // namespace

bool writeAll(platform::FileHandle file, const char* data, std::size_t size) {
  std::size_t done = 0;
  return writeCounted(file, data, size, done);
}

bool writeUnit(platform::FileHandle file, const char* data, std::size_t size, std::size_t unitSize, bool more) {
  if (unitSize == 0) unitSize = size;
  if (alone(file, more)) return writeAlone(startAlone(unitSize, size), data, size);
  return write(file, data, size, unitSize, true, more);
}

platform::FileHandle beginUnitWrite(platform::FileHandle file, const char* data, std::size_t size) {
  if (!alone(file, false)) {
    write(file, data, size, size, true, false);
    return platform::kNoHandle;
  }
  return startAlone(size, size);  // the hook only ever moves the session to a file it has opened
}

namespace {

[[gnu::noinline]] void unitWrittenShort(platform::FileHandle file, const char* data, std::size_t size,
                                        std::uint32_t written) {
  std::size_t done = written < size ? written : 0;
  const bool ok = done == size || (done != 0 && writeOn(file, data, size, done));
  settle(file, size, done, ok);
}

}  // namespace

void unitWriteDone(platform::FileHandle file, const char* data, std::size_t size, std::uint32_t written) {
  // A whole unit needs no count of its bytes: the next unit starts its own.
  if (written != size) unitWrittenShort(file, data, size, written);
}

bool writePiece(platform::FileHandle file, const char* data, std::size_t size) {
  return write(file, data, size, size, false, false);
}

bool writeOwnLine(const char* data, std::size_t size) {
  flushBatches();
  const std::uint64_t written = held.unitWritten;  // the unit on its way (whose hook this runs in) comes next
  const bool unitLost = held.unitFailed;
  held.unitWritten = 0;
  held.unitFailed = false;
  const bool ok = writeAlone(session.fileHandle, data, size);
  held.unitWritten = written;
  held.unitFailed = unitLost;
  return ok;
}

std::uint64_t writeFailures() { return failures.load(std::memory_order_acquire); }

void sayLostUnits() {
  if (lost.load(std::memory_order_relaxed) != 0) sayLost(true);
}

void beginCall() {
  platform::lockSession();
  held.batching = true;
}

namespace {

// The end of a call whose units went into batch `mine`.
[[gnu::noinline]] void endBatchedCall(std::uint64_t mine) {
  while (progress.doneSeq.load(std::memory_order_acquire) < mine) {
    if (!progress.writing.load(std::memory_order_acquire)) {  // nobody writes: this caller writes its batch, outside the lock
      Batch* b = take();
      platform::unlockSession();
      writeBatch(b);
      return;
    }
    platform::unlockSession();
    struct Wait {
      std::uint64_t mine;
    } wait{mine};
    waitUntil(
        [](void* c) {
          return !progress.writing.load(std::memory_order_acquire) || progress.doneSeq.load() >= static_cast<Wait*>(c)->mine;
        },
        &wait);
    if (progress.doneSeq.load(std::memory_order_acquire) >= mine) return;  // written: no need to queue for the lock again
    platform::lockSession();
  }
  platform::unlockSession();
}

}  // namespace

void endCall() {
  held.batching = false;
  const std::uint64_t mine = held.ticket;
  if (mine == 0) return platform::unlockSession();
  held.ticket = 0;
  endBatchedCall(mine);
}

void flushSessionFile() { flushBatches(); }

void flushForCrash(std::uint32_t millis) {
  for (std::uint32_t waited = 0; progress.writing.load(std::memory_order_acquire) && waited < millis; waited += 10) {
    platform::sleepMillis(10);
  }
  if (held.used == 0) return;
  writeAll(held.file, held.open->data, held.used);
  held.used = held.units = 0;  // a caller waiting for this batch finds it empty and done
}

void resetBatches() {
  lost.store(0);
  lostError.store(0);
  failures.store(0);
  held = Held{};
  progress.doneSeq.store(0);
  progress.writing.store(false);
}

}  // namespace corvelin
