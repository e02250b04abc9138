// The syslog forwarder: its messages, settings and retry schedule as values;
// then sessions over the fake network, the worker run step by step.
#include <corvelin.h>

#include <cstring>

#include "forward/forward.h"
#include "forward/syslog_message.h"
#include "forward/syslog_sender.h"
#include "forward/syslog_server.h"
#include "harness.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

class Syslog : public Scenario {
 protected:
  // A session from C:\s.ini: WriteFlg 65536, every level, these keys besides.
  std::uint8_t start(std::map<std::u16string, std::u16string> keys) {
    keys.insert({{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", u"s_"}, {u"LogOutPutLevel", u"5"},
                 {u"WriteFlg", u"65536"}});
    world().profiles[u"C:\\s.ini"] = keys;
    return logInitProfile("C:\\s.ini");
  }
  void pass(int seconds) { world().ticks += seconds * 10000000LL; }
};

TEST_F(Syslog, MessagesAndValues) {
  syslog::Origin origin{1, "box.example", "app", 4711};
  char stamp[40], message[syslog::kMaxMessage];
  const auto show = [&](std::int32_t level, const char* text) {
    return std::string(message, syslog::buildMessage(origin, level, stamp, text, std::strlen(text), message));
  };
  for (const auto& [ticks, offset] : std::vector<std::pair<std::int64_t, int>>{
           {fake::ticksAt(2026, 12, 5, 1, 23, 45) + 6789999, 540}, {fake::ticksAt(2026, 1, 1, 0, 0, 0), -300},
           {fake::ticksAt(2026, 12, 31, 23, 59, 59) + 9990000, 330}, {fake::ticksAt(2026, 6, 1, 12, 0, 0) + 10000, -210},
           {fake::ticksAt(2026, 6, 1, 12, 0, 0), 0}, {-10000, 0}, {-10000000, 0}, {0, 18 * 60}, {0, 18 * 60 + 1}, {0, -18 * 60 - 1},
           {fake::ticksAt(10000, 1, 1, 0, 0, 0), 0}, {fake::ticksAt(2100, 2, 28, 23, 30, 0), 60},
           {fake::ticksAt(2028, 2, 29, 12, 0, 0), -60}}) {
    world().utcOffsetMinutes = offset;
    syslog::timestamp(ticks, platform::localTime(syslog::secondOf(ticks)), stamp);
    t.note("offset " + std::to_string(offset) + ": " + stamp);
  }
  for (std::int32_t level = -2; level <= 6; ++level) t.note("level " + std::to_string(level) + ": " + show(level, "text"));
  for (int facility : {0, 23}) origin.facility = facility, t.note(show(kDebug, "日本語"));
  for (const char16_t* name : {u"", u"my app ✓", u"😀x\xD800y\x7F", u"box.corp.example", u"\xDC00\xDC00z"}) {
    syslog::headerField(name, 8, origin.app), t.note(std::string("field: ") + origin.app);
  }
  char frames[64];
  const std::size_t used = syslog::appendFrame("", 0, frames, syslog::appendFrame("abc", 3, frames, 0, 64), 64);
  for (std::size_t more : {54, 55}) t.note("7 bytes and " + std::to_string(more) + " more: " + std::to_string(syslog::appendFrame(message, more, frames, used, 64)));
  for (const char* data : {"3 abc0 ", "3 abcd", " 3 abc", "3abc", "4 abc", "x", ""}) {
    std::size_t at = 0, length = 0;
    const char* m = nullptr;
    const bool whole = syslog::nextFrame(data, std::strlen(data), at, m, length);
    t.note(std::string("frame in \"") + data + "\": " + (whole ? std::string(m, length) + " next " + std::to_string(at) : "none"));
  }
  t.note(std::string("frames built: ") + std::string(frames, used));
  syslog::Server server{};
  for (const std::u16string& value : std::vector<std::u16string>{
           u"udp://127.0.0.1", u"TCP://Collector.Example:6514", u"tcp://[::1]:1", u"udp://[fe80::1%eth0]:65535", u"ftp://host",
           u"udp:/host", u"udp://user@host", u"udp://", u"tcp://:514", u"udp://::1", u"udp://fe80::1:514", u"tcp://[::1",
           u"tcp://[::1]x", u"udp://a b", u"udp://host/", u"udp://host:", u"udp://host:0", u"udp://host:65536", u"udp://host:0514",
           u"udp://host:1234567", u"udp://host:12x", u"udp://" + std::u16string(255, u'h') + u":9", u"udp://" + std::u16string(256, u'h')}) {
    const char* why = syslog::parseServer(value.c_str(), server);
    t.note(fake::u8(value) + ": " + (why != nullptr ? why : server.url));
  }
  for (int failures = 0; failures <= 7; ++failures) t.note("pause " + std::to_string(syslog::retryPauseMillis(failures)));
}

// What reaches the collector, and when the worker is woken: once per sleep, not once per record.
TEST_F(Syslog, Forwarding) {
  world().utcOffsetMinutes = 540;
  DO(start({{u"LogSyslogServer", u"tcp://collector.example"}, {u"LogSyslogLevel", u"5"}, {u"LogSyslogFacility", u"23"}}));
  DO(fake::runWorker());
  DO(logInfo("info"));
  DO(_log("_log, at LogSyslogLevel 5, the worker already woken"));
  DO(logPut("a\xFF", 2, 1, 10));  // a "[SYSLOG]" line with its tag
  pass(1);
  DO(logWarning("日本語"));
  DO(fake::runWorker());
  DO(fake::runWorker());  // it naps: records need no wake
  DO(logInfo("during a nap"));
  for (int i = 0; i <= 100; ++i) fake::runWorker();  // sent, then a second of naps
  DO(fake::runWorker());                               // then one more look, and
  DO(fake::runWorker());                               // it sleeps until woken
  DO(logInfo("woken"));
  DO(logTerm());
  sessionResetToLoad();  // UDP, the default level, the app name cleaned: one datagram a message
  DO(start({{u"LogSyslogServer", u"udp://[::1]:5514"}, {u"LogSyslogAppName", u"my app ✓"}}));
  DO(fake::runWorker());
  DO(logDebug("not forwarded at the default LogSyslogLevel 4"));
  DO(_log("nor is _log"));
  for (const char* text : {"one", "two", "three"}) DO(logError(text));
  world().sendError = 10065, world().failSendAt = 2;  // the second datagram fails: the third waits for it
  DO(fake::runWorker());
  pass(1);
  DO(fake::runWorker());
  DO(logTerm());
}

// A collector absent from the start, the growing pause, a full queue, a broken and a closed connection: one line
// per outage; the count of what was dropped goes to the collector, then into the file; logTerm with a refusing one
// counts what it could not send.
TEST_F(Syslog, Outages) {
  world().openError = 10061;
  DO(start({{u"LogSyslogServer", u"tcp://127.0.0.1:6514"}, {u"LogSyslogQueueKBytes", u"1"}, {u"LogSyslogFacility", u"0"}}));
  DO(fake::runWorker());
  DO(logInfo("the outage is written after the next record"));
  for (int pause : {1, 2, 4, 8, 16, 30, 29}) pass(pause), DO(fake::runWorker());
  DO(logInfo(repeat("x", 7000).c_str()));
  DO(logInfo(repeat("y", 7000).c_str()));
  DO(logInfo(repeat("z", 7000).c_str()));  // the queue is full: not queued, counted
  world().openError = 0;
  pass(1);
  DO(fake::runWorker());
  DO(logInfo("queued behind the backlog: the count goes after it"));
  DO(fake::runWorker());
  world().sendError = 10054;
  DO(logInfo("sent again whole after a broken connection"));
  DO(fake::runWorker());
  world().sendError = 0;
  pass(1);
  DO(fake::runWorker());
  world().peerClosed = true;  // seen before the next send: a new connection, no line
  DO(logInfo("after the collector closed the connection"));
  DO(fake::runWorker());
  for (const char* big : {"u", "v", "w"}) DO(logInfo(repeat(big, 7000).c_str()));  // around the queue's end; w finds it full
  DO(fake::runWorker());
  DO(fake::runWorker());
  world().lost = true;  // taken by the system, lost on the way: nobody can tell
  DO(logInfo("lost"));
  DO(fake::runWorker());
  world().peerClosed = true, world().openError = 10061;  // refused from here on
  for (const char* big : {"a", "b", "c", "d"}) logInfo(repeat(big, 7000).c_str());  // c and d find the queue full
  DO(fake::runWorker());  // a and b in a send, with the count of c and d
  for (const char* big : {"e", "f", "g"}) DO(logInfo(repeat(big, 7000).c_str()));  // g finds it full
  DO(logTerm());  // ends at once; none of the 7 went
}

// logTerm sends for at most 2 s: a slow collector's sender is left sending, and gives back what it holds later.
TEST_F(Syslog, LogTerm) {
  DO(start({{u"LogSyslogServer", u"tcp://127.0.0.1"}}));
  DO(fake::runWorker());
  for (int i = 0; i < 11; ++i) logInfo(repeat(std::string(1, static_cast<char>('a' + i)), 3000).c_str());  // 4 sends
  world().callMillis = 1100;
  DO(logTerm());
  DO(fake::runWorker());  // the sender, left sending, ends and gives back what it holds
}

// Settings and failures that leave forwarding off, each said in one line; the session itself starts.
TEST_F(Syslog, Off) {
  const auto again = [&](const char* what, std::map<std::u16string, std::u16string> keys) {
    logTerm(), sessionResetToLoad(), keys.insert({u"LogSyslogServer", u"udp://host"});
    t.step(what, [&] { return start(keys); });
  };
  again("a value no collector has", {{u"LogSyslogServer", u"syslog://host"}});
  again("facility 24", {{u"LogSyslogFacility", u"24"}});
  again("level -1: nothing to forward, nothing started", {{u"LogSyslogLevel", u"-1"}});
  again("a sleeping session", {{u"LogSleepSwitch", u"1"}});
  world().netStartError = 10091, again("no Winsock", {});
  world().netStartError = 0, world().failAllocAt = world().allocCalls + 8, again("no memory for the queue", {});
  world().failWorker = true, again("no thread", {});
  static const forward::Forwarder other{0, [](const forward::Unit&) {}, [] {}};
  world().failWorker = false, logTerm(), sessionResetToLoad();
  for (int i = 0; i < forward::kCapacity; ++i) forward::add(&other);
  DO(start({{u"LogSyslogServer", u"udp://host"}}));
}

}  // namespace
}  // namespace corvelin::testing_support
