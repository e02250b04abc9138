#include "forward/forward.h"

#include <cstring>

#include "platform/platform.h"
#include "record/writer.h"

namespace corvelin::forward {
namespace {

const Forwarder* forwarders[kCapacity] = {};
int count = 0;
bool delivering = false;  // a forwarder's own report is not forwarded again

void deliver(const Unit& unit) {
  if (delivering) return;
  delivering = true;
  for (int i = 0; i < count; ++i) {
    if ((forwarders[i]->levels & levelBit(unit.level)) != 0) forwarders[i]->deliver(unit);
  }
  delivering = false;
}

}  // namespace

std::uint32_t wanted = 0;

std::uint32_t levelsUpTo(std::int32_t lowest, bool withLog) {
  std::uint32_t levels = withLog ? levelBit(kNoLevel) : 0;
  for (std::int32_t level = 0; level <= lowest && level <= 5; ++level) levels |= levelBit(level);
  return levels;
}

bool add(const Forwarder* forwarder) {
  if (count == kCapacity) return false;
  forwarders[count++] = forwarder;
  wanted |= forwarder->levels;
  return true;
}

void stopAll() {
  wanted = 0;
  for (int i = 0; i < count; ++i) forwarders[i]->stop();
  count = 0;
}

void record(std::int32_t level, const char* text, std::size_t length, std::int64_t ticks) {
  deliver(Unit{level, text, length, ticks});
}

void sysLine(std::int32_t level, const char* message) {
  if (!wants(level) || delivering) return;
  char line[kSysLineCapacity];
  const int n = formatSysTag(line, level, message);
  if (n > 0) deliver(Unit{level, line, static_cast<std::size_t>(n), platform::ticksSince1970()});
}

void reset() {
  wanted = 0;
  count = 0;
  delivering = false;
}

}  // namespace corvelin::forward
