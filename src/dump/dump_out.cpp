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

void flushToLog(void* unit, const char* data, std::size_t size) {
  auto* dump = static_cast<DumpUnit*>(unit);
  if (dump->started) {
    writePiece(session.fileHandle, data, size);
  } else {
    writeUnit(session.fileHandle, data, size, dump->size);
    dump->started = true;
  }
}

}  // namespace corvelin
