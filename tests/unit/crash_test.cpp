// Crash reports over the fake platform: what an unhandled exception leaves in the log file, and which filter gets it
// after. Each start is a new process whose host installed its filter first: it answers `verdict` and says so.
#include <corvelin.h>

#include "crash/handler.h"
#include "harness.h"
#include "session/sink.h"

namespace corvelin::testing_support {
namespace {

using fake::world;
using platform::DumpOutcome;
constexpr std::uint64_t kHost = 0x140000000, kDll = 0x7FF800000000;
constexpr std::int32_t kGoesOn = platform::kContinueExecution;  // so that a session can crash again and again
std::int32_t verdict;
std::int32_t hostFilter(void*) { return platform::debugString(u"host filter\n"), verdict; }
fake::Crash at(std::vector<std::uint64_t> stack, std::uint64_t access = 0) { return {{0xC0000005, 0, stack.at(0), 2, {access, 0x10}}, stack}; }

class Crash : public Scenario {
 protected:
  void start(std::int32_t hostVerdict, const std::u16string& key, std::map<std::u16string, std::u16string> more = {},
             std::uint32_t dbghelpError = 0) {
    fake::reset(), verdict = hostVerdict, world().topFilter = reinterpret_cast<void*>(&hostFilter);
    world().modules = {{kHost, u"host.exe"}, {kDll, u"corvelin_x64.dll"}}, world().dbghelpError = dbghelpError;
    world().files[u"C:\\logs\\day_20261205.log"] = "earlier\r\n";
    more.insert({{u"LogFileNamePrefix", u"app_"}, {u"LogWritePathDir", u"C:\\logs"}, {u"LogCrashReport", key}});
    world().profiles[u"C:\\app.ini"] = more;
    t.step("start with LogCrashReport=" + fake::u8(more[u"LogCrashReport"]), [] { return logInitProfile("C:\\app.ini"); });
  }
  void crash(const std::string& label, fake::Crash c) {  // the system hands it to the filter installed now
    t.step("crash: " + label, [&] { return platform::callFilter(world().topFilter, &c); });
    t.note(platform::sessionLockedHere() ? "this thread holds the lock" : "the lock is not this thread's");
  }
};

TEST_F(Crash, Reports) {
  start(kGoesOn, u"2", {{u"LogOutPutLevel", u"-1"}, {u"LogKBytesRotateFlg", u"1"}, {u"LogKBytesSize", u"1"}});
  _log(std::string(600, 'r').c_str()), DO(_log(std::string(600, 's').c_str()));  // in the next file of the series
  crash("read, two modules and an address in none; beside the file, over its limit now",
        at({kHost + 0x1A2B, kHost + 0x1C00, kDll + 0x2345, 0x7FFDEADBEEF0}));
  crash("write", at({kHost + 0x10}, 1));
  crash("execute, in no module", at({0x10}, 8));
  crash("an access of another kind", at({kHost}, 3));
  crash("no parameters, 64 frames and more", {{0xC0000005, 0, kHost, 0, {}}, std::vector<std::uint64_t>(64, kDll + 0x40), true});
  crash("in-page error", {{0xC0000006, 0, kHost, 3, {0, 0x20000, 0xC000009C}}, {kHost}});
  for (std::uint32_t code : {0xC0000094u, 0xC000001Du, 0xC00000FDu, 0x80000003u, 0xE06D7363u, 0x20474343u, 0xE0000001u}) {
    crash("code " + std::to_string(code) + ", in no frame", {{code, code == 0xE0000001u ? 1u : 0u, kDll, 0, {}}, {}});
  }
  for (auto step : {DumpOutcome::NoThread, DumpOutcome::NotCreated, DumpOutcome::NotWritten, DumpOutcome::TimedOut}) {
    world().dumpOutcome = {step, step == DumpOutcome::NotWritten ? 0x80070057u : 5u};
    crLfOptionSet(step), crash("minidump step " + std::to_string(step) + ", CrLfOption " + std::to_string(step), at({kHost}));
  }
  start(kGoesOn, u"2", {{u"LogFileNamePrefix", u"day_"}}), crash("appended to the day's file", at({kHost}));
  start(kGoesOn, u"2", {}, 126), crash("dbghelp.dll was not loaded", at({kHost}));
}

TEST_F(Crash, WhoGetsTheException) {
  using Profile = std::map<std::u16string, std::u16string>;
  for (const Profile& more : {Profile{{u"LogCrashReport", u"0"}}, Profile{{u"LogCrashReport", u"3"}}, Profile{{u"LogSleepSwitch", u"1"}},
                              Profile{{u"LogWritePathDir", u"C:\\none\\x"}}}) {  // the last start fails: then logInit, which never asks
    start(kGoesOn, u"1", more), DO(logInit("C:\\logs", "args_", 0, 0, 5, 0, 0)), crash("no filter of ours", at({kHost}));
  }
  for (std::int32_t v : {platform::kContinueSearch, platform::kExecuteHandler}) {
    start(v, u"1"), crash("the host's verdict is passed on, and the lock kept: nothing can follow the report", at({kHost}));
  }
  start(kGoesOn, u"1");
  world().contended = true, beginCall();  // a call of this thread crashes with a unit in the batch
  writeUnit(session.fileHandle, "[pending]\r\n", 11);
  crash("inside a call", at({kDll}));
  endCall();
  std::int64_t before = world().ticks;
  world().lockedElsewhere = true, crash("another thread holds the lock", at({kHost})), world().lockedElsewhere = false;
  t.note("waited " + std::to_string((world().ticks - before) / 10000) + " ms, then wrote");
  std::string verdicts;
  world().duringWrite = [&] {  // on this thread: passed on at once; in the filter from before as well: ended now
    fake::Crash again = at({kDll}, 1);
    if (!verdicts.empty()) return;
    verdicts = std::to_string(onCrash(&again)), verdicts += " " + std::to_string(onCrash(&again));
    world().threadId = 77, before = world().ticks;  // another thread waits for the report, then passes it on
    verdicts += " " + std::to_string(onCrash(&again)), verdicts += " after " + std::to_string((world().ticks - before) / 10000);
    world().threadId = 4242;
  };
  crash("with more exceptions while it is written", at({kHost})), world().duringWrite = nullptr;
  t.note("their verdicts " + verdicts + " ms");
  DO(logTerm());
  crash("after logTerm, the host's filter alone", at({kHost}));
  t.step("a chain that still calls ours: passed on", [] { return platform::callFilter(reinterpret_cast<void*>(&onCrash), nullptr); });
}

}  // namespace
}  // namespace corvelin::testing_support
