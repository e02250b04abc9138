#include "dump/dump_out.h"

#include "session/sink.h"
#include "session/session.h"

namespace corvelin {
namespace {

// Large enough for the biggest table a call admits, so a dump reaches the
// file in one write; used only under the session lock.
alignas(64) char stage[kDumpStage];

}  // namespace

char* dumpStage() { return stage; }

void flushToLog(void* unit, const char* data, std::size_t size, bool last) {
  auto* dump = static_cast<DumpUnit*>(unit);
  if (dump->started) {
    writePiece(session.fileHandle, data, size);
    return;
  }
  if (!last && dump->size == 0 && dump->measure != nullptr) dump->size = dump->measure(dump->context);
  writeUnit(session.fileHandle, data, size, dump->size, !last);
  dump->started = true;
}

std::size_t measureDump(void (*build)(const void* context, DumpOut& out), const void* context) {
  char buffer[1024];  // more than any one piece a builder reserves
  std::size_t total = 0;
  DumpOut counter(buffer, sizeof buffer, [](void* sum, const char*, std::size_t size, bool) {
    *static_cast<std::size_t*>(sum) += size;
  }, &total);
  build(context, counter);
  counter.finish();
  return total;
}

}  // namespace corvelin
