#include "session/session.h"

#include <cstring>

#include "diag/profiling.h"
#include "forward/forward.h"
#include "forward/syslog.h"
#include "record/lineprefix.h"
#include "session/sink.h"

namespace corvelin {

LogSession session{};
ScratchBuffers scratch{};

char16_t lineEndW[16] = {u'\r', u'\n'};
char lineEndA[14] = {'\r', '\n'};
std::size_t lineEndALen = 2;

const char levelMarkers[6][8] = {"★", "●", "■", "□", "○", "◆"};

namespace {

struct Slot {
  void** pointer;
  std::size_t size;
};

// The buffers in the order they are made and freed.
Slot slots[] = {
    {reinterpret_cast<void**>(&scratch.wideBuf), kSmallScratch},
    {reinterpret_cast<void**>(&scratch.msgBoxBuf), kSmallScratch},
    {reinterpret_cast<void**>(&scratch.spareBuf), kSmallScratch},
    {reinterpret_cast<void**>(&scratch.lineBuf), kLargeScratch},
    {reinterpret_cast<void**>(&scratch.utf8Buf), kLargeScratch},
    {reinterpret_cast<void**>(&scratch.sysMsgBuf), kSmallScratch},
    {reinterpret_cast<void**>(&scratch.sysLineBuf), kSmallScratch},
};

}  // namespace

bool scratchBufAlloc() {
  for (Slot& slot : slots) {
    if (*slot.pointer == nullptr) *slot.pointer = platform::allocZeroed(slot.size);
    if (*slot.pointer == nullptr) {
      scratchBufFree();
      return false;
    }
  }
  return true;
}

void scratchBufFree() {
  for (Slot& slot : slots) {
    platform::release(*slot.pointer);
    *slot.pointer = nullptr;
  }
}

bool scratchReady() { return scratch.sysLineBuf != nullptr; }

void crLfOptionSet(std::int32_t option) {
  std::memset(lineEndW, 0, sizeof lineEndW);
  std::memset(lineEndA, 0, sizeof lineEndA);
  switch (option) {
    case 0:
      lineEndW[0] = u'\r';
      lineEndW[1] = u'\n';
      std::memcpy(lineEndA, "\r\n", 2);
      break;
    case 1:
      lineEndW[0] = u'\n';
      lineEndA[0] = '\n';
      break;
    case 2:
      lineEndW[0] = u'\r';
      lineEndA[0] = '\r';
      break;
    default:
      break;  // no line ending at all
  }
  lineEndALen = std::strlen(lineEndA);
}

bool sessionActive() {
  return session.fileHandle != platform::kNoHandle && session.fileHandle != platform::kInvalidHandle &&
         session.sleepSwitch != 1 && scratchReady();
}

void sessionResetToLoad() {
  unitHook = nullptr;
  forward::reset();
  syslog::resetToLoad();
  resetBatches();
  scratchBufFree();
  session = LogSession{};
  crLfOptionSet(0);
  resetTimeCache();
  resetProfiling();
}

}  // namespace corvelin
