#include "session/sink.h"

#include <atomic>
#include <cstring>

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

struct Batch {
  char data[kBatchBytes];
  std::size_t used;
  platform::FileHandle file;
  std::uint64_t seq;
};
Batch batches[2];
Batch* open = &batches[0];              // under the lock
std::atomic<std::uint64_t> openSeq{1};  // the open batch's number; changed under the lock
std::atomic<std::uint64_t> doneSeq{0};  // every batch up to this number has been written
std::atomic<bool> writing{false};       // a taken batch is being written
bool batching = false;                  // inside an exported call (under the lock)
std::uint64_t ticket = 0;               // the batch that holds the current call's units
std::atomic<int> callers{0};

// Under the lock, nothing in flight.
Batch* take() {
  Batch* b = open;
  b->seq = openSeq.load(std::memory_order_relaxed);
  open = b == &batches[0] ? &batches[1] : &batches[0];
  open->used = 0;
  writing.store(true, std::memory_order_relaxed);
  openSeq.store(b->seq + 1, std::memory_order_relaxed);
  return b;
}

// Needs no lock: so a caller that holds it can wait for the writer.
void writeBatch(Batch* b) {
  writeAll(b->file, b->data, b->used);  // a failed write loses this batch, and only it
  doneSeq.store(b->seq, std::memory_order_release);  // a waiter that sees it returns without the lock
  writing.store(false, std::memory_order_release);  // a caller that sees it sees doneSeq too
  platform::wakeSleepers();                         // a full barrier before it looks for sleepers
}

void waitUntil(bool (*ready)(void*), void* context) {
  for (int i = 0; i < kYields; ++i) {
    if (ready(context)) return;
    platform::yieldThread();
  }
  platform::sleepUntil(ready, context);
}

bool notWriting(void*) { return !writing.load(std::memory_order_acquire); }

// Under the lock: every unit handed on so far reaches the file now.
void flushBatches() {
  waitUntil(notWriting, nullptr);
  if (open->used > 0) writeBatch(take());
}

bool write(platform::FileHandle file, const char* data, std::size_t size, std::size_t unitSize, bool unitStart) {
  if (!usable(file) || file != session.fileHandle) return writeAll(file, data, size);
  if (unitHook != nullptr) {
    unitHook(unitSize, size, unitStart);
    file = session.fileHandle;  // the hook may have moved the session on
  }
  if (!batching || !unitStart || unitSize > kBatchBytes) {  // alone, after what came before
    flushBatches();
    return writeAll(file, data, size);
  }
  if (open->used == 0 && !writing.load(std::memory_order_relaxed) && callers.load(std::memory_order_relaxed) == 1 &&
      !platform::sessionContended()) {
    return writeAll(file, data, size);  // nobody to share a write with: no batch, as a lone caller always did
  }
  if (open->used > 0 && (open->file != file || open->used + size > kBatchBytes)) flushBatches();
  if (open->used == 0) open->file = file;
  std::memcpy(open->data + open->used, data, size);
  open->used += size;
  ticket = openSeq.load(std::memory_order_relaxed);
  return true;
}

}  // namespace

bool writeAll(platform::FileHandle file, const char* data, std::size_t size) {
  if (!usable(file)) return false;
  while (size > 0) {
    const auto chunk = static_cast<std::uint32_t>(size > 0x40000000u ? 0x40000000u : size);
    std::uint32_t written = 0;
    platform::writeFile(file, data, chunk, &written);
    if (written == 0 || written > chunk) return false;  // no progress: give up, never spin
    data += written;
    size -= written;
  }
  return true;
}

bool writeUnit(platform::FileHandle file, const char* data, std::size_t size, std::size_t unitSize) {
  return write(file, data, size, unitSize != 0 ? unitSize : size, true);
}

bool writePiece(platform::FileHandle file, const char* data, std::size_t size) {
  return write(file, data, size, size, false);
}

void beginCall() {
  callers.fetch_add(1, std::memory_order_relaxed);
  platform::lockSession();
  batching = true;
}

void endCall() {
  batching = false;
  const std::uint64_t mine = ticket;
  ticket = 0;
  while (mine != 0 && doneSeq.load(std::memory_order_acquire) < mine) {
    if (!writing.load(std::memory_order_acquire)) {  // nobody writes: this caller writes its batch, outside the lock
      Batch* b = take();
      platform::unlockSession();
      writeBatch(b);
      callers.fetch_sub(1, std::memory_order_relaxed);
      return;
    }
    platform::unlockSession();
    struct Wait {
      std::uint64_t mine;
    } wait{mine};
    waitUntil([](void* c) { return !writing.load(std::memory_order_acquire) || doneSeq.load() >= static_cast<Wait*>(c)->mine; },
              &wait);
    if (doneSeq.load(std::memory_order_acquire) >= mine) {  // written: no need to queue for the lock again
      callers.fetch_sub(1, std::memory_order_relaxed);
      return;
    }
    platform::lockSession();
  }
  platform::unlockSession();
  callers.fetch_sub(1, std::memory_order_relaxed);
}

void flushSessionFile() { flushBatches(); }

void flushForCrash(std::uint32_t millis) {
  for (std::uint32_t waited = 0; writing.load(std::memory_order_acquire) && waited < millis; waited += 10) {
    platform::sleepMillis(10);
  }
  if (open->used == 0) return;
  writeAll(open->file, open->data, open->used);
  open->used = 0;  // a caller waiting for this batch finds it empty and done
}

void resetBatches() {
  batches[0].used = batches[1].used = 0;
  open = &batches[0];
  openSeq.store(1);
  doneSeq.store(0);
  writing.store(false);
  batching = false;
  ticket = 0;
}

}  // namespace corvelin
