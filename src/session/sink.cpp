#include "session/sink.h"

#include "session/session.h"

namespace corvelin {

UnitHook unitHook = nullptr;

namespace {

bool usable(platform::FileHandle file) { return file != platform::kNoHandle && file != platform::kInvalidHandle; }

bool write(platform::FileHandle file, const char* data, std::size_t size, std::size_t unitSize, bool unitStart) {
  if (unitHook != nullptr && usable(file) && file == session.fileHandle) {
    unitHook(unitSize, unitStart);
    file = session.fileHandle;  // the hook may have moved the session on
  }
  return writeAll(file, data, size);
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

}  // namespace corvelin
