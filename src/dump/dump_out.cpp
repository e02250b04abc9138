#include "dump/dump_out.h"

#include "record/writer.h"
#include "session/session.h"

namespace corvelin {
namespace {

// Large enough for the biggest table a call admits, so a dump reaches the
// file in one write; used only under the session lock.
alignas(64) char stage[kDumpStage];

}  // namespace

char* dumpStage() { return stage; }

void flushToLog(void* /*context*/, const char* data, std::size_t size) {
  writeAll(session.fileHandle, data, size);
}

}  // namespace corvelin
