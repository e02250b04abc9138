// The exported bit tables: each reaches the file as one block, whatever
// outputLevel says, with no time prefix.
#include <corvelin.h>

#include <cstring>

#include "bits/bittable.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

bool labelAccepted(const char* source, const char* label) {
  if (!sessionActive() || label == nullptr) return false;
  return bufSizCheck_U8(session.fileHandle, source, kMaxLabel, static_cast<std::int64_t>(std::strlen(label)));
}

void writeTable(std::size_t length) {
  if (length > 0) writeUnit(session.fileHandle, scratch.utf8Buf, length);
}

}  // namespace
}  // namespace corvelin

using namespace corvelin;

extern "C" CORVELIN_API void CORVELIN_CALL makeBitStringUSHORT16(uint16_t value, const char* label) {
  ApiGuard guard;
  if (!labelAccepted("corvelin.cpp makeBitStringUSHORT16()", label)) return;
  writeTable(buildBitTable16(value, label, lineEndA, scratch.utf8Buf, kLargeScratch));
}

extern "C" CORVELIN_API void CORVELIN_CALL makeBitStringUINT32(uint32_t value, const char* label) {
  ApiGuard guard;
  if (!labelAccepted("corvelin.cpp makeBitStringUINT32()", label)) return;
  writeTable(buildBitTable32(value, label, lineEndA, scratch.utf8Buf, kLargeScratch));
}

extern "C" CORVELIN_API void CORVELIN_CALL makeBitStringUnicodeScalarValue(uint32_t scalar, const char* label) {
  ApiGuard guard;
  if (!labelAccepted("corvelin.cpp makeBitStringUnicodeScalarValue()", label)) return;
  if (scalar > kMaxScalar) {
    char message[520];
    boundedFormatA(message, 520,
                   "makeBitStringUnicodeScalarValue() scalar値がUNICODE文字の範囲外 0 - 0x10FFFF Your Data=0x%04x",
                   scalar);
    log_sys(kError, "%s", static_cast<const char*>(message));
    return;
  }
  writeTable(buildScalarBitTable(scalar, label, lineEndA, scratch.utf8Buf, kLargeScratch));
}
