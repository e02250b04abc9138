// The size guards and the "[SYSLOG]" writers over an in-memory log: any
// length, any message, any level.
#include <cstdlib>

#include "fake_platform.h"
#include "fuzz_input.h"
#include "record/textconv.h"
#include "record/writer.h"

using namespace corvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = false;
  if (!ready) {
    fake::reset();
    scratchBufAlloc();
    session.fileHandle = platform::openLogFile(u"guards.log", platform::Disposition::CreateNew);
    ready = true;
  }
  fuzz::Input in(data, size);
  const auto level = static_cast<std::int32_t>(in.take<std::int8_t>());
  const auto maximum = in.take<std::int32_t>();
  const auto length = in.take<std::int64_t>();
  const std::string message = in.rest();

  bufSizCheck_U8(session.fileHandle, message.c_str(), maximum, length);
  logSysDirect(session.fileHandle, level, "%s", message.c_str());
  logSysForced(session.fileHandle, level, message.c_str());
  logWrite(session.fileHandle, message.c_str());
  char16_t wide[600];
  utf8ToUtf16(message.c_str(), wide, static_cast<std::int64_t>(message.size()), 600);
  bufSizCheck(platform::kNoHandle, wide, length);
  fake::world().files.clear();  // keep memory flat
  fake::world().files[u"guards.log"];
  fake::world().boxes.clear();
  return 0;
}
