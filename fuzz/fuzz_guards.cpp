#include "fake_platform.h"
#include "fuzz_input.h"
#include "record/writer.h"

void corvelin::fuzz::run(Input in) {
  fake::reset();  // a new process and an empty disk each run: memory stays flat
  scratchBufAlloc();
  FileHandle log = platform::openLogFile(u"guards.log", platform::Disposition::CreateNew);
  const std::int32_t level = in.take<std::int8_t>(), maximum = in.take<std::int32_t>();
  const auto length = in.take<std::int64_t>();
  const std::string message = in.text();
  check(bufSizCheck_U8(log, message.c_str(), maximum, length) == (length <= maximum));  // a guard passes what fits
  // A writer says whether it wrote; a line over 8191 bytes is not formed at all.
  check(logSysDirect(log, level, "%s", message.c_str()) == (level >= 0 && level <= 5) || message.size() > 8100);
  logSysForced(log, level, message.c_str());
  check(logWrite(log, message.c_str()) == (message.size() <= 8190));
}
