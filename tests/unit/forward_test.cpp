// What a forwarder receives: which units, at which level, with which text and
// clock, and that its own reports are not handed back to it.
#include <corvelin.h>

#include "forward/forward.h"
#include "harness.h"
#include "record/writer.h"

namespace corvelin::testing_support {
namespace {

Transcript* shown = nullptr;

void deliver(const forward::Unit& u) {
  shown->note("forwarded level " + std::to_string(u.level) + " at " + std::to_string(u.ticks) + ": " +
              std::string(u.text, u.length));
  if (u.level == kWarning) log_sys(kError, "%s", "a forwarder's own report stays in the file");
}
void stop() { shown->note("stopped"); }

using Forward = Session;

TEST_F(Forward, WhatForwardersReceive) {
  shown = &t;
  static const forward::Forwarder errors{forward::levelsUpTo(kWarning, false), deliver, stop},
      everything{forward::levelsUpTo(9, true), deliver, stop}, idle{0, deliver, stop};
  ASSERT_TRUE(forward::add(&errors));
  session.writeFlg = 65536;
  DO(logInfo("not taken"));
  DO(logWarning("taken, and its delivery writes a line that is not forwarded"));
  DO(logError(std::string(8191, 'e').c_str()));  // the size report, by its tag
  DO(logPut("a\xFF", 2, 1, 10));                 // a report inside a dump
  ASSERT_TRUE(forward::add(&everything) && forward::add(&idle) && forward::add(&idle));
  ASSERT_FALSE(forward::add(&idle));  // no room for a fifth
  session.writeFlg = 0;
  fake::world().ticks += 1234567;
  DO(_log("_log, to the forwarders that take it, with the clock read for it"));
  fake::world().failWriteAt = fake::world().writeCalls + 1;
  DO(logDebug("lost; the next call's count of it is forwarded"));
  DO(logDebug("after"));
  DO(logTerm());
  DO(logError("after logTerm nothing is forwarded"));
}

}  // namespace
}  // namespace corvelin::testing_support
